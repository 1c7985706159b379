#!/usr/bin/env bash
# Checks ./scripts/run.sh as a user meets it: on a display of its own (Xvfb,
# with openbox as the window manager) it builds and starts the program, the
# main window shows, Alt+F4 closes it, and run.sh ends by itself, with 0.
#   scripts/check-run.sh [seconds to wait for the window, default 1200]
source "$(dirname "$0")/common.sh"
install_missing
WAIT="${1:-1200}"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null' EXIT
start_x
openbox >/dev/null 2>&1 &
LOG="$(mktemp)"
"$ROOT/scripts/run.sh" >"$LOG" 2>&1 &
RUN=$!
W=""
for _ in $(seq "$((WAIT * 2))"); do
    W="$(xdotool search --onlyvisible --name '^Tarovik_RS232$' 2>/dev/null | head -n1 || true)"
    [ -n "$W" ] || ! kill -0 "$RUN" 2>/dev/null || { sleep 0.5; continue; }
    break
done
if [ -z "$W" ]; then
    cat "$LOG"; echo "run.sh: no window Tarovik_RS232 within $WAIT s" >&2; exit 1
fi
echo "run.sh: the window $(xdotool getwindowgeometry "$W" | sed -n 's/.*Geometry: //p') showed"
xdotool windowactivate --sync "$W" key --clearmodifiers alt+F4
for _ in $(seq 60); do kill -0 "$RUN" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$RUN" 2>/dev/null; then
    cat "$LOG"; echo "run.sh: still running 30 s after Alt+F4" >&2; exit 1
fi
status=0; wait "$RUN" || status=$?
[ "$status" -eq 0 ] || { cat "$LOG"; echo "run.sh ended with $status" >&2; exit 1; }
echo "run.sh: closed by Alt+F4, ended with 0"
