#!/usr/bin/env bash
# Makes docs/screenshot.png from the real program under Xvfb: a copy of the
# program in a scratch folder, the virtual scale on COM1, reception started,
# a note typed, the settings dialog open beside the journal. Then the big
# display (docs/board.png), the chart (docs/chart.png) and the first page of
# a PDF exported through the menu (docs/report.png), each opened from the
# program's menus.
source "$(dirname "$0")/common.sh"
install_missing xdotool imagemagick poppler-utils
build release

WORK="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$WORK"' EXIT
cp "$ROOT/build/src/app/Tarovik_RS232" "$WORK/"
# The window at 20,20, 600 x 560 pixels; the data-stream window on; unstable readings recorded.
printf '[UserSettings]\r\nchkUnstablResult=1\r\nchkShowStreamData=1\r\nfrmTop=300\r\nfrmLeft=300\r\nfrmHeight=8400\r\nfrmWidth=9000\r\n' > "$WORK/Init.ini"

start_x 1240x640x24
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

# The settings dialog closed; "Сервис" opened by the mouse, its items taken by
# the keyboard: Настройки, Табло, График.
xdotool search --name '^Настройка$' windowclose 2>/dev/null || true
service_item() {
    xdotool mousemove --window "$W" 75 8 click 1
    sleep 0.5
    xdotool key --clearmodifiers $(printf 'Down %.0s' $(seq "$1")) Return
    sleep 1
}
shoot() { # <window title> <width> <height> <file>
    local id
    id="$(xdotool search --name "^$1\$" | head -n1)"
    xdotool windowsize "$id" "$2" "$3" windowmove "$id" 20 20 windowraise "$id"
    sleep 1.5
    import -window "$id" "$ROOT/docs/$4"
    echo "docs/$4 written"
    xdotool windowclose "$id"
}
service_item 2
shoot 'Табло' 900 420 board.png
service_item 3
shoot 'График' 1000 520 chart.png

# Файл → Экспорт в PDF...: the file dialog takes a path, the message box an Enter.
xdotool windowraise "$W" windowfocus "$W"
xdotool mousemove --window "$W" 20 8 click 1
sleep 0.5
xdotool key --clearmodifiers Down Down Down Down Down Return # "Добавить из ..." is disabled: skipped
sleep 1.5
xdotool type --delay 20 "$WORK/report.pdf"
xdotool key Return
sleep 2
xdotool key Return
sleep 0.5
pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$WORK/report.pdf" "$ROOT/docs/report"
echo "docs/report.png written"
