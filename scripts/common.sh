# Shared by the scripts: install the Debian packages that are missing, then
# configure and build one of the presets of CMakePresets.json.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Every tool a script or test calls has its package here: a minimal Debian 12
# root (scripts/fresh-root.sh) has nothing else.
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
          libgl-dev xvfb xauth dpkg-dev xdotool openbox x11-utils
          x11-xserver-utils # xmodmap: the X tests' Cyrillic keys
          qt6-charts-dev libxlsxwriter-dev libdeflate-dev
          libqt6opengl6-dev # Qt6Charts' CMake files need Qt6OpenGL's; qt6-base-dev only recommends it
          zlib1g-dev # libxlsxwriter's pkg-config links -lz; its -dev package does not bring it
          file # cpack's .deb generator
          mount # the full-disk tests mount a small tmpfs
          poppler-utils python3-openpyxl libreoffice-calc-nogui
          postgresql libpq-dev # the central journal: its test server, psql, libpq
          openssl) # the central sender's test: its certificate authority and the server's certificate

# The sanitizer builds (presets asan and fuzz): any report ends the process
# with a failure.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=23:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        # Exit 3: the mirror did not answer, which is no failure of the project.
        $sudo apt-get update -qq || { echo "apt-get update failed: does the package mirror answer?" >&2; exit 3; }
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" \
            || { echo "apt-get install failed: does the package mirror answer?" >&2; exit 3; }
    fi
}

# build <preset> [cmake options...]: configures and builds the preset (its
# folder is build-<preset>, build for "release").
build() {
    local preset="$1"; shift
    (cd "$ROOT" && cmake --preset "$preset" "$@" && cmake --build --preset "$preset")
}

# start_x [screen]: a display of its own (Xvfb picks a free number and tells
# it) with DISPLAY exported; killed with the script's other jobs. -nopn: a
# number whose abstract socket another server holds is not taken.
start_x() {
    local n
    exec 5<> <(:)
    Xvfb -displayfd 5 -screen 0 "${1:-1280x1024x24}" -nolisten tcp -nopn >/dev/null 2>&1 &
    read -r -t 10 n <&5 || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$n"
}

# step <name> <budget in s> <command...>: runs the command and keeps its time
# beside its budget for report_steps; returns the command's status.
STEPS=()
step() {
    local name="$1" budget="$2" start=$SECONDS status=0
    shift 2
    echo "== $name (budget ${budget} s)"
    "$@" || status=$?
    local took=$((SECONDS - start))
    STEPS+=("$(printf '%-34s %5d s  (budget %5d s)%s' "$name" "$took" "$budget" \
        "$( ((took > budget)) && echo '  OVER BUDGET')")")
    return "$status"
}
report_steps() {
    ((${#STEPS[@]})) || return 0
    echo "== steps of $(basename "$0")"
    printf '   %s\n' "${STEPS[@]}"
}
