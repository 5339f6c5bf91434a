#!/usr/bin/env bash
# The real program in a desktop with a tray: the close box hides the window into the tray,
# the icon's right button opens the popup, its About item shows the About box, its left
# button restores the window; a tray that goes away brings the hidden window back and the icon
# returns with the next tray; the popup's end item writes the settings file and ends it.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
e2e_setup "$1"
# openbox announces itself before it manages windows, and a window mapped in between is lost:
# wait until it has published its client list.
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox is not ready"

# The icon is the program's window that the tray host has embedded in its panel.
tray_icon() {
    local panel
    for panel in $(xdotool search --class trayer 2>/dev/null); do
        xwininfo -tree -id "$panel" 2>/dev/null \
            | awk '/\("brenlowick" "Brenlowick"\)/ { print $1; exit }'
    done | head -n 1
}

icon_embedded() {
    [ -n "$(tray_icon)" ]
}

# Where the icon is shown, once the panel has laid it out: mapped, and at the same place in two
# looks a moment apart (a panel moves an icon it has just embedded to its slot).
icon_centre=
icon_placed() {
    local first
    xwininfo -id "$icon" 2>/dev/null | grep -q 'Map State: IsViewable' || return 1
    first=$(window_centre "$icon")
    sleep 0.2
    icon_centre=$(window_centre "$icon")
    [ "$first" = "$icon_centre" ]
}
press_icon() {
    e2e_wait_for icon_placed || e2e_fail "the icon was not shown in the panel"
    # shellcheck disable=SC2086
    xdotool mousemove --sync $icon_centre click "$1" mousemove --sync 10 700
}

# Absolute centre of a window, as "X Y".
window_centre() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width/ { w = $NF } /^ *Height/ { h = $NF }
        END { printf "%d %d\n", x + w / 2, y + h / 2 }'
}

# Visible windows of the program that are neither the main window nor the icon: the popup.
popup_open() {
    xdotool search --onlyvisible --class brenlowick 2>/dev/null \
        | grep -vx -e "$main_window" -e "$((icon))" | grep -q .
}

# Opens the popup with a right press on the icon, then moves the pointer off the menu so that
# no item is under it and the keys choose from the end of the menu. One press must do: the
# first one after the close box used to open a popup that the window's late deactivation closed
# at once, when the machine was busy.
open_popup() {
    e2e_wait_for icon_placed || e2e_fail "the icon was not shown in the panel"
    # shellcheck disable=SC2086
    xdotool mousemove --sync $icon_centre click 3
    e2e_wait_for popup_open || e2e_fail "the right button on the icon opened no popup"
    xdotool mousemove --sync 10 700
}

e2e_start_app
app=$E2E_APP_PID
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
main_window=$(e2e_window Brenlowick)
e2e_wait_for icon_embedded || e2e_fail "no icon in the tray"
icon=$(tray_icon)
[ -f "$E2E_INI" ] && e2e_fail "the settings file exists before the end"

# The close box, as the window manager delivers it.
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "the close box did not hide the window"
kill -0 "$app" 2>/dev/null || e2e_fail "the close box ended the program"

# The About item is the last but one: Up picks the last item first.
open_popup
e2e_screenshot tray-popup
xdotool key Up Up Return
e2e_wait_for e2e_window_visible "Brenlowickのﾊﾞｰｼﾞｮﾝ情報" || e2e_fail "the About box did not appear"
about=$(e2e_window "Brenlowickのﾊﾞｰｼﾞｮﾝ情報")
e2e_screenshot about-box
xdotool search --onlyvisible --name '^Brenlowick$' | grep -qx "$main_window" \
    && e2e_fail "the About item showed the main window"
xdotool windowactivate --sync "$about" key --clearmodifiers Escape
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowickのﾊﾞｰｼﾞｮﾝ情報\$' | grep -q ." \
    || e2e_fail "Escape did not close the About box"

# A left press on the icon brings the window back; the close box hides it again.
press_icon 1
e2e_wait_for bash -c "xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "a left press on the icon did not show the window"
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "the close box did not hide the window the second time"

# The panel crashes while the window is in the tray: the window comes back, minimised, and
# when the panel starts again the icon returns to it.
iconic() {
    xprop -id "$main_window" WM_STATE | grep -q Iconic
}
kill "${E2E_PIDS[1]}"
e2e_wait_for iconic || e2e_fail "the window stayed hidden when the tray went away"
kill -0 "$app" 2>/dev/null || e2e_fail "the tray going away ended the program"
trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    --transparent false >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for icon_embedded || e2e_fail "the icon did not return to the new tray"
icon=$(tray_icon)
press_icon 1
e2e_wait_for bash -c "xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "a left press on the returned icon did not show the window"
e2e_wait_for bash -c "! xprop -id $main_window WM_STATE | grep -q Iconic" \
    || e2e_fail "a left press on the returned icon left the window minimised"
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
e2e_wait_for bash -c "! xdotool search --onlyvisible --name '^Brenlowick\$' | grep -qx $main_window" \
    || e2e_fail "the close box did not hide the window into the returned tray"

# The end item is the last one.
open_popup
xdotool key Up Return
e2e_wait_for e2e_process_gone "$app" || e2e_fail "the end item did not end the program"
wait "$app"
status=$?
[ "$status" -eq 0 ] || e2e_fail "the program ended with $status"
[ -s "$E2E_INI" ] || e2e_fail "the settings file was not written"
grep -q '^\[ATTRIBUTE\]' "$E2E_INI" || e2e_fail "the settings file has no ATTRIBUTE section"
echo "PASS: tray and About end to end"
