#!/usr/bin/env bash
# Makes docs/screenshot.png from the real program under Xvfb: a copy of the
# program in a scratch folder, the virtual scale on COM1, reception started,
# a note typed, the settings dialog open beside the journal. Then the big
# display (docs/board.png), the chart (docs/chart.png) and the first page of
# a PDF exported through the menu (docs/report.png), each opened from the
# program's menus. Last "Все весы" over a test server that holds the readings
# of three stations (docs/central.png), opened from the menu "Сервис";
# `scripts/screenshot.sh central` makes that one only.
source "$(dirname "$0")/common.sh"
install_missing xdotool imagemagick poppler-utils
build release

WORK="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; [ ! -d "$WORK/pg" ] || "$ROOT/scripts/pg-test-server.sh" stop "$WORK/pg"; rm -rf "$WORK"' EXIT
cp "$ROOT/build/src/app/Tarovik_RS232" "$WORK/"
# The window at 20,20, 600 x 560 pixels; the data-stream window on; unstable readings recorded.
printf '[UserSettings]\r\nchkUnstablResult=1\r\nchkShowStreamData=1\r\nfrmTop=300\r\nfrmLeft=300\r\nfrmHeight=8400\r\nfrmWidth=9000\r\n' > "$WORK/Init.ini"

start_x 1240x640x24

# docs/central.png: a test server (scripts/pg-test-server.sh) with three
# stations' readings of today, each appended as a station does through its
# own login; a program whose central settings name the server and a viewer.
central_shot() {
    local pg="$WORK/pg" folder="$WORK/central" n w station
    chmod 711 "$WORK" # the server's user passes through to its folder
    "$ROOT/scripts/pg-test-server.sh" start "$pg"
    # shellcheck source=/dev/null
    source "$pg/env"
    psql -X -q -v ON_ERROR_STOP=1 -c "CREATE ROLE supervisor LOGIN IN ROLE tarovik_viewer"
    local names=("Весы 1, склад" "Весы 2, цех" "Весы 3, лаборатория")
    local weights=("12.350 kg" "0.845 kg" "1.930 kg" "3.480 kg" "250.5 g" "12.500 kg" "98.2 g" "7.015 kg" "0.750 kg")
    local notes=("партия 12" "" "проверено" "партия 13" "" "возврат" "" "партия 12" "")
    for n in 0 1 2; do
        station="$(cat /proc/sys/kernel/random/uuid)"
        psql -X -q -v ON_ERROR_STOP=1 -c "CREATE ROLE st_$n LOGIN IN ROLE tarovik_station"
        local events="" seq=0 k at z
        for ((k = n; k < 9; k += 3)); do
            seq=$((seq + 1))
            w="${weights[k]}"
            at="$(date -d "today 08:00 $((k * 37 + n * 11)) minutes" '+%s')"
            z="$(date -d "@$at" '+%z')"
            events+="${events:+,}$(printf '{"seq": %d, "station_time": "%s", "utc_offset": %d, "os_user": "оператор", "kind": "recorded", "scale_type": 0, "journal_file": "", "nom_pp": "%d", "weight_text": "%s", "unit": "%s", "stat": "S", "time_text": "%s", "note": "%s", "weight": "%s"}' \
                "$seq" "$(date -u -d "@$at" '+%Y-%m-%dT%H:%M:%SZ')" "$(( (10#${z:1:2} * 3600 + 10#${z:3:2} * 60) * ${z:0:1}1 ))" \
                "$seq" "${w% *}" "${w#* }" "$(date -d "@$at" '+%d.%m.%Y %H:%M:%S')" "${notes[k]}" "${w% *}")"
        done
        PGUSER="st_$n" psql -X -q -At -v ON_ERROR_STOP=1 \
            -c "SELECT tarovik.last_committed('$station', '${names[n]}')" \
            -c "SELECT tarovik.append_events('$station', '[$events]')" >/dev/null
    done
    mkdir -p "$folder"
    cp "$WORK/Tarovik_RS232" "$folder/"
    printf '[UserSettings]\r\nfrmTop=300\r\nfrmLeft=300\r\n[Central]\r\nHost=%s\r\nPort=%s\r\nDatabase=tarovik\r\nUser=supervisor\r\n' \
        "$PGHOST" "$PGPORT" > "$folder/Init.ini"
    "$folder/Tarovik_RS232" >/dev/null 2>&1 &
    local main=""
    for _ in $(seq 50); do main="$(xdotool search --name '^Tarovik_RS232$' 2>/dev/null | head -n1 || true)"; [ -n "$main" ] && break; sleep 0.1; done
    # "Сервис", then its fourth item: Настройки, Табло, График, Все весы.
    sleep 1
    xdotool mousemove --window "$main" 75 8 click 1
    sleep 0.5
    xdotool key --clearmodifiers Down Down Down Down Return
    local id=""
    for _ in $(seq 100); do id="$(xdotool search --name '^Все весы$' 2>/dev/null | head -n1 || true)"; [ -n "$id" ] && break; sleep 0.1; done
    [ -n "$id" ] || { import -window root "$ROOT/docs/central-failed.png"; echo "no window Все весы" >&2; return 1; }
    xdotool windowsize "$id" 1100 560 windowmove "$id" 20 20 windowraise "$id"
    sleep 3
    import -window "$id" "$ROOT/docs/central.png"
    echo "docs/central.png written"
    xdotool windowclose "$id"
    "$ROOT/scripts/pg-test-server.sh" stop "$pg"
}
if [ "${1:-}" = central ]; then
    cp "$ROOT/build/src/app/Tarovik_RS232" "$WORK/"
    central_shot
    exit 0
fi
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

central_shot
