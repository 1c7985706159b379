#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Port 1 (COM1) is
# a virtual scale of the configured scale type, so weighings arrive as soon as
# reception is started, unless --device points COM1 at a real device.
#
#   ./scripts/run.sh                         COM1 is the virtual scale
#   ./scripts/run.sh --device /dev/ttyUSB0   COM1 is that device
source "$(dirname "$0")/common.sh"

DEVICE=""
while (($#)); do
    case "$1" in
        --device) DEVICE="${2:?--device needs a device path}"; shift 2 ;;
        -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
        *) echo "unknown option: $1 (see --help)" >&2; exit 2 ;;
    esac
done

install_missing
build release

APP_DIR="$ROOT/build/src/app"   # the program folder: Init.ini and ports/ live here
APP="$APP_DIR/Tarovik_RS232"
LINK="$APP_DIR/ports/COM1"
mkdir -p "$APP_DIR/ports"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start this from a desktop session (DISPLAY is not set)." >&2
    exit 1
fi

if [ -n "$DEVICE" ]; then
    [ -e "$DEVICE" ] || { echo "$DEVICE does not exist" >&2; exit 1; }
    ln -sfn "$DEVICE" "$LINK"
    echo "COM1 is $DEVICE"
    exec "$APP"
fi

# A link left by an earlier --device run gives way to the virtual scale.
if [ -L "$LINK" ]; then rm -f "$LINK"; fi
TYPE="$(sed -n 's/^[[:space:]]*txtValTypeScale[[:space:]]*=[[:space:]]*\([0-5]\).*/\1/ip' "$APP_DIR/Init.ini" 2>/dev/null | head -n1 || true)"
TYPE="${TYPE:-0}"
case "$TYPE" in
    2|4|5) WEIGHTS="0*6/0/0, U:1.180/94/0.0125, 1.250*4/100/0.0125, U:0.6/48/0.0125, 0*6/0/0, U:2.3/184/0.0125, 2.500*4/200/0.0125" ;;
    *)     WEIGHTS="0*6, U:0.845, U:1.930*2, 2.015*4, U:1.1, 0*6, U:3.2, 3.480*4, 0*6, U:0.5, 0.750*4" ;;
esac
"$ROOT/build/tools/virtual_scale/virtual_scale" --folder "$APP_DIR" --port 1 --type "$TYPE" \
    --weights "$WEIGHTS" --enq --interval-ms 500 &
SCALE=$!
trap 'kill "$SCALE" 2>/dev/null; wait "$SCALE" 2>/dev/null' EXIT
for _ in $(seq 50); do if [ -L "$LINK" ]; then break; fi; sleep 0.1; done
echo "COM1 is a virtual scale of type $TYPE (two readings a second); start reception with \"Начать прием данных\"."
"$APP"
