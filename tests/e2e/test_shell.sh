#!/usr/bin/env bash
# The real program under Xvfb: the window appears with the heights of its three sizes, frame
# included, from the first start on; a second start is refused, the close box hides the window
# without ending the program, and SIGTERM ends it.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
e2e_setup "$1"
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox is not ready"

e2e_start_app
first=$E2E_APP_PID
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
main_window=$(e2e_window Brenlowick)

# The outer height: the client area and the frame the window manager put around it.
outer_height() {
    local client top bottom
    client=$(xwininfo -id "$main_window" | awk '/^ *Height:/ { print $2 }')
    IFS=', ' read -r _ _ top bottom < <(xprop -id "$main_window" _NET_FRAME_EXTENTS \
        | sed -n 's/.*= //p')
    echo $((client + ${top:-0} + ${bottom:-0}))
}
outer_height_is() {
    [ "$(outer_height)" = "$1" ]
}
# 1590, 3135 and 7365 twips at 15 twips per pixel; the size button stands at 129, 47 pixels.
e2e_wait_for outer_height_is 106 \
    || e2e_fail "the first start is $(outer_height) pixels high, not 106"
for height in 209 491 106; do
    xdotool mousemove --window "$main_window" 140 58 click 1
    e2e_wait_for outer_height_is "$height" \
        || e2e_fail "the size button gave $(outer_height) pixels, not $height"
done
e2e_screenshot started-window

# A second start shows its message box (another window titled Brenlowick) and ends with 0
# once the box is dismissed.
"$E2E_BIN" >"$E2E_DIR/second.log" 2>&1 &
second=$!
e2e_wait_for bash -c "[ \$(xdotool search --onlyvisible --name '^Brenlowick\$' | wc -l) -ge 2 ]" \
    || e2e_fail "the second start showed no message"
box=$(xdotool search --onlyvisible --name '^Brenlowick$' | grep -vx "$main_window" | head -n 1)
e2e_screenshot second-instance-box
xdotool windowactivate --sync "$box" key --clearmodifiers Return
e2e_wait_for e2e_process_gone "$second" || e2e_fail "the second instance did not end"
wait "$second"
status=$?
[ "$status" -eq 0 ] || e2e_fail "the second instance ended with $status, not 0"
kill -0 "$first" 2>/dev/null || e2e_fail "the first instance ended too"

# The close box hides the window; the program keeps running.
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "the close box did not hide the window"
kill -0 "$first" 2>/dev/null || e2e_fail "the close box ended the program"
[ ! -e "$E2E_INI" ] || e2e_fail "the close box wrote the settings file"

# SIGTERM ends it through the normal unload.
kill -TERM "$first"
e2e_wait_for e2e_process_gone "$first" || e2e_fail "SIGTERM did not end the program"
wait "$first"
status=$?
[ "$status" -eq 0 ] || e2e_fail "the program ended with $status after SIGTERM"
grep -q '^\[ATTRIBUTE\]' "$E2E_INI" || e2e_fail "SIGTERM did not save the settings"

# A killed instance leaves its lock behind; the next start takes it over.
e2e_start_app
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the window did not appear again"
kill -KILL "$E2E_APP_PID"
e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "the program survived SIGKILL"
e2e_start_app
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "a stale lock blocked the next start"
kill -INT "$E2E_APP_PID"
e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "SIGINT did not end the program"
echo "PASS: shell end to end"
