#!/bin/sh
# The built client as a user meets it, on an X display of its own with a real
# notification area (trayer) and a window manager (openbox): the window and the
# tray icon come, the catalogue is asked for, minimising the window hides it
# into the tray and a click on the icon brings it back, the tray menu's
# "Свернуть" hides it too, and "Выход" while it is hidden ends the client with
# exit code 0.
# Run by CTest through run-isolated (a home and configuration of its own, and
# where it can a loopback of its own, for it takes the stand-in's built port
# 18765; elsewhere only under the e2e lock).
set -u
work=$(mktemp -d)
pids=
cleanup() { for pid in $pids; do kill "$pid" 2>/dev/null; done; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- client:"; cat "$work/client.log"; exit 1; }
# Waits up to a minute for a command to print something, and prints it.
await() {
    deadline=$(($(date +%s) + 60))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        out=$("$@" 2>/dev/null) && [ -n "$out" ] && echo "$out" && return 0
        sleep 0.2
    done
    return 1
}

# Without -noreset the server resets whenever its last client leaves (each
# xdotool call is one), turning away a client that connects just then.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids="$pids $!"
DISPLAY=:$(await cat "$work/display") || fail "Xvfb did not start"
export DISPLAY
openbox --sm-disable >/dev/null 2>&1 &
pids="$pids $!"
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids="$pids $!"
await xdotool search --onlyvisible --name '^panel$' >/dev/null || fail "trayer showed no panel"

"$ZV_BIN_DIR/zv-devservice" --listen 127.0.0.1:18765 --db "$work/service.db" --record "$work/record" >"$work/service" &
pids="$pids $!"
await grep listening "$work/service" >/dev/null || fail "the stand-in did not start"
mkdir -p "$XDG_CONFIG_HOME/ZelVinora" "$work/grand"
# A customer of Гранд-Смета with the stand-in's demo key, past the first start.
printf '[general]\nusegrand=true\n\n[grand]\nkeynumber=00077 xyz\nkeyserial=12345 abc\npath=%s\n' "$work/grand" \
    >"$XDG_CONFIG_HOME/ZelVinora/Личный кабинет Зелвинора.conf"

# Without a session bus Qt puts the icon into the X notification area.
(
    sh -c 'echo $$ >"$0"; exec env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$1"' \
        "$work/pid" "$ZV_BIN_DIR/zelvinorapa" >"$work/client.log" 2>&1
    echo $? >"$work/exit"
) &
client=$(await cat "$work/pid") || fail "the client did not start"
pids="$pids $client"

# The client's visible windows as "id width height": the window is large, the
# tray icon no taller than the panel, anything else a menu or a message box.
shown() {
    for id in $(xdotool search --onlyvisible --pid "$client" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")" && echo "$id $WIDTH $HEIGHT"
    done
}
window() { shown | awk '$2 >= 600 && $3 >= 300 { print $1 }'; }
icon() { shown | awk '$3 <= 32 { print $1 }'; }
other() { shown | awk '($2 < 600 || $3 < 300) && $3 > 32 { print $1 }'; }
# A click of a button in a window, at a fraction of its height ($3 of $4, or
# of 6).
click() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --window "$1" $((WIDTH / 2)) $((HEIGHT * $3 / ${4:-6})) click "$2"
}
# Opens the tray menu and picks its entry 0 "Свернуть", 1 "Восстановить",
# 2 "Открыть журнал" or 3 "Выход".
choose() {
    click "$(icon)" 3 3
    menu=$(await other) || fail "no tray menu"
    click "$menu" 1 $((2 * $1 + 1)) 8
}

await window >/dev/null || fail "no window"
await icon >/dev/null || fail "no tray icon"
[ -z "$(other)" ] || fail "a message box came with the window"
# The statements the stand-in received: the download tab asks for the
# Гранд-Смета subscription once the date check has passed.
asked() {
    python3 -c 'import sys, json, base64
for line in open(sys.argv[1]): print(base64.b64decode(json.loads(line)["body"]).decode())' "$work/record" |
        grep -F "$1"
}
await asked subscription_grand_update >/dev/null || fail "the catalogue was not asked for"
# A picture of the real window for a person to look at, once the catalogue is in.
if [ -n "${ZV_SCREENSHOT_DIR:-}" ] && mkdir -p "$ZV_SCREENSHOT_DIR"; then
    sleep 1
    "$ZV_SOURCE_DIR/scripts/demo-data-screenshot" "$ZV_SCREENSHOT_DIR/xvfb-client.png" -id "$(window)" ||
        fail "no picture of the window"
fi

# Hidden by the client itself: a window the window manager only minimised
# would stay in its iconic state, in the task bar.
shell=$(window)
hidden() { [ -z "$(window)" ] && ! xprop -id "$shell" WM_STATE 2>/dev/null | grep -q Iconic && echo yes; }
xdotool windowminimize "$shell"
await hidden >/dev/null || fail "minimising left the window in the task bar"
kill -0 "$client" || fail "minimising ended the client"
click "$(icon)" 1 3
await window >/dev/null || fail "a click on the icon did not bring the window back"
choose 0
await hidden >/dev/null || fail "\"Свернуть\" left the window shown"

choose 3
await cat "$work/exit" >/dev/null || fail "the client still runs after \"Выход\""
code=$(cat "$work/exit")
[ "$code" -eq 0 ] || fail "\"Выход\" ended the client with exit code $code"

# Pictures of the same client on the commonest office screen, as it opens
# there, at 100 % and at 125 % (Qt's scaling, as Windows sets on laptops).
if [ -n "${ZV_SCREENSHOT_DIR:-}" ]; then
    Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset 3>"$work/display2" 2>/dev/null &
    pids="$pids $!"
    DISPLAY=:$(await cat "$work/display2") || fail "the second Xvfb did not start"
    for scale in 1 1.25; do
        env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
            "$ZV_BIN_DIR/zelvinorapa" >>"$work/client.log" 2>&1 &
        client=$!
        pids="$pids $client"
        await window >/dev/null || fail "no window at $scale"
        sleep 2
        "$ZV_SOURCE_DIR/scripts/demo-data-screenshot" "$ZV_SCREENSHOT_DIR/xvfb-1366x768-$scale.png" \
            -id "$(window)" || fail "no picture at $scale"
        kill "$client"
        wait "$client" 2>/dev/null
    done
fi
echo PASS
