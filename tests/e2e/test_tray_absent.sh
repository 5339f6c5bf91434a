#!/usr/bin/env bash
# A desktop without a tray: the close box minimises the window instead of hiding it, so the
# program stays reachable; a tray started later gets the icon; ending it still saves the settings.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
E2E_TRAY=0 e2e_setup "$1"
# openbox announces itself before it manages windows, and a window mapped in between is lost:
# wait until it has published its client list.
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox is not ready"

e2e_start_app
app=$E2E_APP_PID
E2E_LIMIT=60 e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
main_window=$(e2e_window Brenlowick)

iconic() {
    xprop -id "$main_window" WM_STATE | grep -q Iconic
}

xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for iconic || e2e_fail "the close box did not minimise the window"
kill -0 "$app" 2>/dev/null || e2e_fail "the close box ended the program"

# Back from the task bar, the window is whole.
xdotool windowactivate --sync "$main_window"
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the minimised window did not come back"

# A panel started later gets the icon, and from then on the close box hides into the tray.
trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    --transparent false >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for e2e_icon_in_x_tray || e2e_fail "the icon did not appear in a tray started later"
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "the close box did not hide the window into the tray started later"

# The program still ends and saves as usual.
kill -TERM "$app"
e2e_wait_for e2e_process_gone "$app" || e2e_fail "SIGTERM did not end the program"
[ -s "$E2E_INI" ] || e2e_fail "the settings file was not written"
echo "PASS: no tray, minimised instead of hidden"
