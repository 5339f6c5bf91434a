#!/usr/bin/env bash
# A panel that starts after the program, as at login: a StatusNotifier watcher runs without its
# host, and there is no X tray. The close box minimises the window until the host registers;
# then the icon is registered with the watcher, and the close box hides the window into it.
# And beside a watcher without a host, an X tray that holds the icon is a tray.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
E2E_TRAY=0 e2e_setup "$1"
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox is not ready"
dbus-daemon --session --nofork --print-address=3 3>"$E2E_DIR/bus" >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for grep -q . "$E2E_DIR/bus" || e2e_fail "the session bus did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_DIR/bus")
export DBUS_SESSION_BUS_ADDRESS

watcher() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "$@"
}
items() {
    watcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems
}
item_registered() {
    items | grep -q 'string "'
}
start_program_beside_a_watcher() {
    "$E2E_FAKE_WATCHER" &
    watcher_pid=$!
    E2E_PIDS+=("$watcher_pid")
    e2e_wait_for items || e2e_fail "the watcher did not start"
    e2e_start_app
    E2E_LIMIT=60 e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
    main_window=$(e2e_window Brenlowick)
}
close_window() {
    xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
}
iconic() {
    xprop -id "$main_window" WM_STATE | grep -q Iconic
}
in_tray() {
    ! xdotool search --onlyvisible --name '^Brenlowick$' | grep -qx "$main_window" && ! iconic
}
end_program() {
    kill -TERM "$E2E_APP_PID" "$watcher_pid"
    e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "SIGTERM did not end the program"
}

start_program_beside_a_watcher
close_window
e2e_wait_for iconic || e2e_fail "with no panel yet the close box did not minimise the window"
xdotool windowactivate --sync "$main_window"
watcher org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost string:panel >/dev/null \
    || e2e_fail "the panel could not register"
e2e_wait_for item_registered || e2e_fail "the icon was not registered with the watcher once the panel came"
close_window
e2e_wait_for in_tray || e2e_fail "the close box did not hide the window into the late panel"
end_program

trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    --transparent false >/dev/null 2>&1 &
E2E_PIDS+=($!)
start_program_beside_a_watcher
e2e_wait_for e2e_icon_in_x_tray || e2e_fail "the icon did not go to the X tray"
close_window
e2e_wait_for in_tray || e2e_fail "beside a watcher without a panel the close box did not use the X tray"
end_program
echo "PASS: a late panel gets the icon; an X tray beside a watcher without one is a tray"
