#!/usr/bin/env bash
# Makes docs/screenshot.png from the real program under Xvfb: a copy of the
# program in a scratch folder, the virtual scale on COM1, reception started,
# a note typed, the settings dialog open beside the journal.
source "$(dirname "$0")/common.sh"
install_missing xdotool imagemagick
build release

WORK="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$WORK"' EXIT
cp "$ROOT/build/src/app/Tarovik_RS232" "$WORK/"
# The window at 20,20, 600 x 560 pixels; the data-stream window on; unstable readings recorded.
printf '[UserSettings]\r\nchkUnstablResult=1\r\nchkShowStreamData=1\r\nfrmTop=300\r\nfrmLeft=300\r\nfrmHeight=8400\r\nfrmWidth=9000\r\n' > "$WORK/Init.ini"

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1240x640x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
"$ROOT/build/tools/virtual_scale/virtual_scale" --folder "$WORK" --port 1 --type 0 --enq --interval-ms 300 \
    --weights "0*3, U:0.845, U:1.930*2, 2.015*3, U:1.1, 0*3, U:3.2, 3.480*3, 0*3, U:0.5, 0.750*3" >/dev/null 2>&1 &
for _ in $(seq 50); do if [ -L "$WORK/ports/COM1" ]; then break; fi; sleep 0.1; done
"$WORK/Tarovik_RS232" >/dev/null 2>&1 &
for _ in $(seq 50); do W="$(xdotool search --name '^Tarovik_RS232$' 2>/dev/null | head -n1 || true)"; [ -n "$W" ] && break; sleep 0.1; done

# Places inside the main window, in pixels: the note box and the toolbar's
# fifth button ("Начать прием данных"); the menu "Сервис" and its item.
xdotool mousemove --window "$W" 330 74 click 1 type "партия 12"
xdotool mousemove --window "$W" 143 31 click 1
sleep 20
xdotool mousemove --window "$W" 75 8 click 1
sleep 0.5
xdotool mousemove --window "$W" 110 28 click 1
sleep 1
D="$(xdotool search --name '^Настройка$' | head -n1 || true)"
xdotool windowmove "$D" 650 40
xdotool mousemove 1230 630
sleep 1
mkdir -p "$ROOT/docs"
import -window root -crop 1220x600+10+10 "$ROOT/docs/screenshot.png"
echo "docs/screenshot.png written"
