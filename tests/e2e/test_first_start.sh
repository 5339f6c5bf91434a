#!/usr/bin/env bash
# A first start as a new user meets it: no settings file, the folder list at the program's
# folder with the demo songs beside the program. Two presses of the size button open the window
# to its full height, one press of the get-files button lists the songs and the first one plays.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
e2e_setup "$1"
[ -d "$E2E_DIR/program/demo" ] || e2e_fail "no demo folder beside the program"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_DIR/audio.raw"
e2e_start_app
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
window=$(e2e_window Brenlowick)

height() {
    xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p'
}
# The size button stands at 129, 47 pixels in the client area (1935, 705 twips).
xdotool mousemove --window "$window" 140 58 click 1
e2e_wait_for bash -c "[ \$(xdotool getwindowgeometry --shell $window | sed -n 's/^HEIGHT=//p') -gt 150 ]" \
    || e2e_fail "the size button did not open the medium height"
xdotool mousemove --window "$window" 140 58 click 1
e2e_wait_for bash -c "[ \$(xdotool getwindowgeometry --shell $window | sed -n 's/^HEIGHT=//p') -gt 400 ]" \
    || e2e_fail "the size button did not open the full height (height $(height))"

# The get-files button stands at 12, 320 pixels (180, 4800 twips).
xdotool mousemove --window "$window" 130 330 click 1
has_sound() {
    [ -s "$SDL_DISKAUDIOFILE" ] && [ -n "$(head -c 400000 "$SDL_DISKAUDIOFILE" | tr -d '\0' | head -c 1)" ]
}
E2E_LIMIT=60 e2e_wait_for has_sound || e2e_fail "no sound was written after getting the files"
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the window did not come back after the search"
e2e_screenshot first-start-playing

kill -TERM "$E2E_APP_PID"
e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "SIGTERM did not end the program"
grep -qx "FILEPATH=$E2E_DIR/program" "$E2E_INI" || e2e_fail "the folder saved is not the program's"
grep -qx "FORMEXPAND=2" "$E2E_INI" || e2e_fail "the full height was not saved one step back"
echo "PASS: first start lists and plays the demo songs"
