#!/usr/bin/env bash
# Proves the README on a machine where nothing was installed by hand: builds
# a minimal Debian 12 root (mmdebstrap --variant=apt, plus git,
# ca-certificates, sudo and locales, as a new user's machine would have),
# clones this repository's HEAD into it and, as an unprivileged user with
# sudo, runs ./scripts/test.sh, then ./scripts/run.sh under Xvfb until its
# window shows. Then it installs the built .deb into a second minimal root
# and starts the program there as a normal user. Needs root and the right to
# mount; everything runs in a mount and PID namespace of its own, so mounts
# and processes end with the run.
#
#   scripts/fresh-root.sh            [TAROVIK_FUZZ_SECONDS etc. pass through]
#
# Between runs it keeps, in $TAROVIK_ROOT_CACHE (default
# /var/cache/tarovik-fresh-root), the downloaded packages (each is fetched
# once per machine) and a compiler cache (ccache), and nothing else.
# Exit codes: 0 passed; 1 a step failed; 2 this machine cannot run it (no
# root, no mounts); 3 the package mirror did not answer (not a test failure).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
CACHE="${TAROVIK_ROOT_CACHE:-/var/cache/tarovik-fresh-root}"
SUITE=bookworm
USER_NAME=tester

say() { printf '== fresh root: %s\n' "$*"; }
die() { printf 'fresh root: %s\n' "$*" >&2; exit "${2:-1}"; }

inside() {
    local rootfs="$1/root" debroot="$1/debroot"
    trap report_steps EXIT

    # The host's own apt: its sources and its settings.
    local sources=() aptopts=() f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -s "$f" ] && grep -qv '^[[:space:]]*\(#.*\)\?$' "$f" && sources+=("$f")
    done
    ((${#sources[@]})) || die "the host's apt has no sources"
    for f in /etc/apt/apt.conf.d/*; do [ -f "$f" ] && aptopts+=(--aptopt="$f"); done
    mirror_answers "${sources[@]}" || die "the package mirror does not answer: no test ran (not a test failure)" 3

    mkdir -p "$CACHE/apt" "$CACHE/ccache"
    # mmdebstrap keeps the packages it fetched (sync-out) and starts from those
    # it has (sync-in); later installs land in the cache, mounted over apt's.
    local strap=(mmdebstrap --variant=apt --mode=root --hook-dir=/usr/share/mmdebstrap/hooks/eatmydata
                 --dpkgopt=force-unsafe-io --skip=download/empty --skip=essential/unlink
                 --setup-hook='mkdir -p "$1/var/cache/apt/archives"'
                 --setup-hook="sync-in $CACHE/apt /var/cache/apt/archives/"
                 --customize-hook="sync-out /var/cache/apt/archives $CACHE/apt"
                 --essential-hook='printf "#!/bin/sh\nexit 101\n" > "$1/usr/sbin/policy-rc.d"; chmod 755 "$1/usr/sbin/policy-rc.d"'
                 "${aptopts[@]}")
    step "minimal root" 300 "${strap[@]}" --include=git,ca-certificates,sudo,locales,passwd,ccache \
        "$SUITE" "$rootfs" "${sources[@]}" || die "mmdebstrap could not build the root" 3

    chroot "$rootfs" useradd --create-home --shell /bin/bash "$USER_NAME"
    echo "$USER_NAME ALL=(ALL:ALL) NOPASSWD: ALL" >"$rootfs/etc/sudoers.d/$USER_NAME"
    chmod 0440 "$rootfs/etc/sudoers.d/$USER_NAME"
    printf '127.0.0.1 localhost %s\n' "$(hostname)" >"$rootfs/etc/hosts"
    chown -R "$(chroot "$rootfs" id -u "$USER_NAME")" "$CACHE/ccache"
    bind_system "$rootfs"
    mkdir -p "$rootfs/var/cache/ccache"
    mount --bind "$CACHE/ccache" "$rootfs/var/cache/ccache"

    local home="/home/$USER_NAME" clone="/home/$USER_NAME/Tarovik_RS232"
    git clone --quiet --no-local "$ROOT" "$rootfs$clone"
    git -C "$rootfs$clone" checkout --quiet "$(git -C "$ROOT" rev-parse HEAD)"
    chroot "$rootfs" chown -R "$USER_NAME:" "$clone"
    say "testing $(git -C "$ROOT" log -1 --format='%h %s')"

    as_user() {
        chroot "$rootfs" runuser -u "$USER_NAME" -- env -i HOME="$home" USER="$USER_NAME" LOGNAME="$USER_NAME" \
            SHELL=/bin/bash PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
            CCACHE_DIR=/var/cache/ccache CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
            ${TAROVIK_FUZZ_SECONDS:+TAROVIK_FUZZ_SECONDS=$TAROVIK_FUZZ_SECONDS} \
            bash -c "cd $clone && $*"
    }
    local status=0
    step "scripts/test.sh" 2700 as_user ./scripts/test.sh || status=$?
    if [ "$status" -eq 3 ]; then die "the package mirror does not answer inside the root" 3; fi
    [ "$status" -eq 0 ] || die "scripts/test.sh failed (exit $status)"
    step "skipped tests explained" 10 as_user ./scripts/check-skips.sh build-test build-asan \
        || die "a test skipped for a reason scripts/skips.txt does not explain"
    step "scripts/run.sh under Xvfb" 900 as_user ./scripts/check-run.sh || die "scripts/run.sh did not show the window"

    step "the .deb" 120 as_user "rm -rf /tmp/deb && cpack -G DEB --config build/CPackConfig.cmake -B /tmp/deb >/dev/null" \
        || die "cpack gave no package"
    local deb
    deb="$(ls "$rootfs"/tmp/deb/*.deb)"
    step "the .deb in a root of its own" 300 deb_root "$debroot" "$deb" "${strap[@]}" \
        || die "the .deb does not install or start in a root of its own"
}

# Each source's Release file comes: "<uri> <suite>" of every source, the
# one-line form and deb822 alike.
mirror_answers() {
    local uri suite
    while read -r uri suite; do
        /usr/lib/apt/apt-helper -o Acquire::http::Timeout=20 -o Acquire::Retries=1 \
            download-file "${uri%/}/dists/$suite/Release" "$(mktemp)" >/dev/null 2>&1 \
            || { echo "no answer from ${uri%/}/dists/$suite" >&2; return 1; }
    done < <(awk '
        /^deb[ \t]/ { sub(/\[[^]]*\][ \t]*/, ""); print $2, $3; next }
        /^URIs:/ { u = $2 } /^Suites:/ { s = $2 }
        /^[ \t]*$/ { if (u != "" && s != "") print u, s; u = s = "" }
        END { if (u != "" && s != "") print u, s }' "$@" | sort -u)
}

bind_system() {
    local r="$1"
    mount --bind /dev "$r/dev"
    mount --bind /dev/pts "$r/dev/pts"
    mount --bind /dev/shm "$r/dev/shm"
    mount -t proc proc "$r/proc"
    mount --rbind /sys "$r/sys" && mount --make-rslave "$r/sys"
    mount --bind "$CACHE/apt" "$r/var/cache/apt/archives"
}

# The package alone in a minimal root: installed by apt with what it
# declares, every library found, started by a normal user.
deb_root() {
    local r="$1" deb="$2"
    shift 2
    "$@" "$SUITE" "$r" "${sources[@]}" || return 1
    bind_system "$r"
    printf '#!/bin/sh\nexit 101\n' >"$r/usr/sbin/policy-rc.d"
    chmod 755 "$r/usr/sbin/policy-rc.d"
    cp "$deb" "$r/tmp/"
    # mmdebstrap leaves no package lists behind.
    chroot "$r" apt-get update -qq || return 3
    chroot "$r" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" >/dev/null || return 1
    local missing
    missing="$(chroot "$r" ldd /usr/bin/Tarovik_RS232 | grep 'not found' || true)"
    [ -z "$missing" ] || { echo "libraries not found: $missing" >&2; return 1; }
    chroot "$r" useradd --create-home user
    # Still running after 5 s: it started (the offscreen platform: no display here).
    local status=0
    chroot "$r" runuser -u user -- env -i HOME=/home/user PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
        timeout 5 /usr/bin/Tarovik_RS232 || status=$?
    [ "$status" -eq 124 ] || { echo "the installed program ended at once (exit $status)" >&2; return 1; }
    echo "installed: $(chroot "$r" dpkg-query -W tarovik-rs232 2>/dev/null || basename "$deb"); ldd found every library"
}

if [ "${1:-}" = "--inside" ]; then
    inside "$2"
    exit 0
fi

[ "$(id -u)" -eq 0 ] || die "needs root (it builds roots with mmdebstrap and mounts into them)" 2
if ! unshare --mount --pid --fork --mount-proc sh -c 'mount -t tmpfs none /mnt' 2>/dev/null; then
    die "this machine does not let the runner mount (unshare --mount, mount -t tmpfs failed): cannot run" 2
fi
NEED=()
for tool in mmdebstrap eatmydata; do
    command -v "$tool" >/dev/null || NEED+=("$tool")
done
if ((${#NEED[@]})); then
    apt-get update -qq || die "the package mirror does not answer (apt-get update)" 3
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${NEED[@]}" >/dev/null
fi

WORK="$(mktemp -d /var/tmp/tarovik-fresh-root.XXXXXX)"
status=0
unshare --mount --pid --fork --mount-proc "$0" --inside "$WORK" || status=$?
rm -rf --one-file-system "$WORK" || true
[ ! -e "$WORK" ] || say "could not remove $WORK"
exit "$status"
