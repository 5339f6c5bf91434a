#!/usr/bin/env bash
# The player in a Wayland session without a tray, as GNOME gives one: weston with its desktop
# shell, the player once through XWayland (the X11 plugin) and once natively (Qt's Wayland
# plugin). In each: the window appears, the size button steps through the three heights, the end
# button ends and saves, and after a second start the close box minimises the window instead of
# hiding it, and the end button still ends it. Natively, where no program can tell where its
# window is, the settings file keeps the position it had.
#
# Input goes through the compositor, as a user's does: weston runs on its X11 back end inside
# Xvfb, and xdotool moves and clicks the pointer in weston's own window, which weston hands on to
# the program as Wayland (or, through XWayland, X11) input. Weston's headless back end has no
# seat at all, so nothing could click there, and XWayland aborts on synthetic input without one.
#   test_wayland.sh BINARY
source "$(dirname "$0")/lib.sh"
command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
e2e_start_xserver "$@"
e2e_prepare_program "$1"

background='#204060'
cat >"$E2E_DIR/weston.ini" <<EOF
[core]
idle-time=0
[shell]
background-color=0xff${background#\#}
panel-position=none
locking=false
animation=none
startup-animation=none
close-animation=none
focus-animation=none
EOF

xwayland_option=()
command -v Xwayland >/dev/null && xwayland_option=(--xwayland)
weston --config="$E2E_DIR/weston.ini" --backend=x11-backend.so --use-pixman --width=1000 \
    --height=740 --socket=wayland-brenlowick "${xwayland_option[@]}" \
    --log="$E2E_DIR/weston.log" &
E2E_PIDS+=($!)
weston_ready() {
    grep -q "launching '.*weston-desktop-shell'" "$E2E_DIR/weston.log" &&
        [ -S "$XDG_RUNTIME_DIR/wayland-brenlowick" ]
}
E2E_LIMIT=60 e2e_wait_for weston_ready || e2e_fail "weston did not start"
outer_display=$DISPLAY
weston_output_window() {
    xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Weston Compositor.*/\1/p' | head -n 1
}
e2e_wait_for weston_output_window || e2e_fail "weston's output window did not appear"
weston_window=$(weston_output_window)
# Weston follows the pointer only once it has entered its window, and a window mapped under the
# pointer is not entered: the pointer waits beside the output (Xvfb's screen is larger), from
# where every click enters it.
park_pointer() {
    DISPLAY=$outer_display xdotool mousemove 1015 760
    DISPLAY=$outer_display xdotool getmouselocation | grep -q '^x:1015 y:760 '
}
e2e_wait_for park_pointer || e2e_fail "the pointer could not be moved beside weston's output"

# The pointer is moved within weston's output window, whose coordinates are the output's.
click() {
    if [ "$mode" = xwayland ]; then
        # XWayland takes the pointer's arrival over a window in its own time, and a press before
        # it has done so is lost: the press waits until the X server has the pointer there,
        # nudging it again while it has not.
        e2e_wait_for xwayland_pointer_reaches "$1" "$2" ||
            fail_with_screen "xwayland: the pointer did not arrive at $1, $2:" \
                "$(DISPLAY=$xwayland_display xdotool getmouselocation)," \
                "outside: $(DISPLAY=$outer_display xdotool getmouselocation)"
    else
        DISPLAY=$outer_display xdotool mousemove --window "$weston_window" "$1" "$2"
    fi
    DISPLAY=$outer_display xdotool click 1
    # Into the output's corner, so the pointer's picture is not taken for part of a window.
    DISPLAY=$outer_display xdotool mousemove --window "$weston_window" 999 739
}
xwayland_pointer_reaches() {
    DISPLAY=$outer_display xdotool mousemove --window "$weston_window" $(($1 - 1)) "$2" \
        mousemove --window "$weston_window" "$1" "$2"
    DISPLAY=$xwayland_display xdotool getmouselocation | grep -q "^x:$1 y:$2 "
}
screenshot() {
    DISPLAY=$outer_display import -window "$weston_window" "$E2E_DIR/screen.png" 2>/dev/null
}

# What weston showed when the test failed, for whoever reads the failure.
fail_with_screen() {
    screenshot && cp "$E2E_DIR/screen.png" "$E2E_ARTIFACTS/wayland-$mode.png"
    cp "$E2E_DIR/weston.log" "$E2E_ARTIFACTS/wayland-weston.log"
    e2e_fail "$@"
}

setting() {
    sed -n "s/^$1=//p" "$E2E_INI" | tr -d '\r'
}

# Where the window is, as "x y width height" of what weston shows of it (frame included), or
# nothing: natively, everything that is not the background but for the pointer's corner.
native_window_box() {
    screenshot || return 1
    local box
    box=$(convert "$E2E_DIR/screen.png" -fill white +opaque "$background" \
        -fill black -opaque "$background" -draw 'rectangle 988,728 999,739' \
        -format '%@' info: 2>/dev/null)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
    [ "${BASH_REMATCH[1]}" -gt 100 ] || return 1
    echo "${BASH_REMATCH[3]} ${BASH_REMATCH[4]} ${BASH_REMATCH[1]} ${BASH_REMATCH[2]}"
}
# Through XWayland, the client area as the X server knows it; the root's coordinates are the
# output's.
xwayland_window_box() {
    local id info
    id=$(DISPLAY=$xwayland_display xdotool search --onlyvisible --name '^Brenlowick$' 2>/dev/null |
        head -n 1)
    [ -n "$id" ] || return 1
    info=$(DISPLAY=$xwayland_display xwininfo -id "$id" 2>/dev/null) || return 1
    grep -q 'Map State: IsViewable' <<<"$info" || return 1
    local x y
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    # The X server maps the window before weston shows it (with its frame): it is there once
    # the screen shows the display's black at the client area's top right.
    screenshot || return 1
    [ "$(convert "$E2E_DIR/screen.png" -format "%[pixel:p{$((x + 250)),$((y + 30))}]" info:)" \
        = 'srgb(0,0,0)' ] || return 1
    echo "$x $y $(sed -n 's/^ *Width: *//p' <<<"$info") $(sed -n 's/^ *Height: *//p' <<<"$info")"
}
xwayland_asks_iconic() {
    local id
    id=$(DISPLAY=$xwayland_display xdotool search --onlyvisible --name '^Brenlowick$' |
        head -n 1)
    DISPLAY=$xwayland_display xprop -id "$id" WM_HINTS | grep -q 'Iconic'
}
window_box() {
    "${mode}_window_box"
}
window_shown() {
    [ -n "$(window_box)" ]
}
window_gone() {
    [ -z "$(window_box)" ]
}
height_is() {
    local box
    box=($(window_box)) && [ "${box[3]}" -eq "$1" ]
}

# The client area's top left corner on the output: natively inside Qt's own frame (3 pixels of
# border, a 30-pixel title bar), through XWayland where the X server puts it.
client_origin() {
    local box
    box=($(window_box)) || return 1
    if [ "$mode" = native ]; then
        echo $((box[0] + 3)) $((box[1] + 30))
    else
        echo "${box[0]}" "${box[1]}"
    fi
}
# The close box: natively Qt draws it, 17 pixels from the frame's right edge in the middle of
# its title bar; through XWayland weston's frame has it 14 pixels left of the client area's right
# edge and 14 above its top.
close_box() {
    local box
    box=($(window_box)) || return 1
    if [ "$mode" = native ]; then
        echo $((box[0] + box[2] - 17)) $((box[1] + 15))
    else
        echo $((box[0] + box[2] - 14)) $((box[1] - 14))
    fi
}
press() {
    local origin
    origin=($(client_origin)) || e2e_fail "$mode: the window is not on screen"
    click $((origin[0] + $1)) $((origin[1] + $2))
}
# The size button is at 129, 47 pixels in the client area (1935, 705 twips), the end button
# at 230, 47 (3450, 705).
press_size() { press 140 58; }
press_end() { press 241 58; }

# Nothing but the background on the screen (a window of the last session may take a moment to go).
screen_clear() {
    [ -z "$(native_window_box)" ]
}
# The window's box once two looks in a row agree: a window may be resized once more right after
# it first appears.
settled_box() {
    local first second
    first=$(window_box) && second=$(window_box) && [ "$first" = "$second" ] && echo "$first"
}

run_session() {
    mode=$1
    e2e_wait_for screen_clear || fail_with_screen "$mode: the screen was not clear to begin with"
    rm -f "$E2E_INI"
    printf '[ATTRIBUTE]\nFORMEXPAND=3\nFORMTOP=%s\nFORMLEFT=%s\n' 1500 3000 >"$E2E_INI"
    e2e_start_app
    E2E_LIMIT=60 e2e_wait_for window_shown || fail_with_screen "$mode: the window did not appear"

    # Compact, medium, full and compact again; the steps between them are those of the
    # window's outer heights (1590, 3135 and 7365 twips), whatever the frame.
    local box compact
    e2e_wait_for settled_box || fail_with_screen "$mode: the window did not settle"
    box=($(settled_box))
    compact=${box[3]}
    for step in 103 385 0; do
        press_size
        e2e_wait_for height_is $((compact + step)) ||
            e2e_fail "$mode: the size button did not give $((compact + step)) pixels: $(window_box)"
    done
    press_end
    e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "$mode: the end button did not end it"
    [ "$(setting FORMEXPAND)" = 3 ] || e2e_fail "$mode: FORMEXPAND=$(setting FORMEXPAND) saved"
    if [ "$mode" = native ]; then
        [ "$(setting FORMTOP) $(setting FORMLEFT)" = "1500 3000" ] ||
            e2e_fail "native: the position was overwritten: $(setting FORMTOP) $(setting FORMLEFT)"
    fi

    # No tray: the close box minimises, and the program goes on.
    e2e_start_app
    E2E_LIMIT=60 e2e_wait_for window_shown || fail_with_screen "$mode: the window did not appear again"
    local close
    close=($(close_box))
    click "${close[0]}" "${close[1]}"
    if [ "$mode" = native ]; then
        e2e_wait_for window_gone ||
            fail_with_screen "native: the close box at ${close[*]} did not minimise the window"
        # Minimised, not hidden: weston's window switcher (Super+Tab) brings it back.
        DISPLAY=$outer_display xdotool keydown super key Tab keyup super
        e2e_wait_for window_shown || fail_with_screen "native: the window did not come back"
    else
        # Weston's X window manager never minimises an X11 window, so what is checked is the
        # program's request (the window's hints ask for the iconic state), and that the window
        # was not hidden.
        e2e_wait_for xwayland_asks_iconic ||
            fail_with_screen "xwayland: the close box did not ask to minimise the window"
        window_shown || fail_with_screen "xwayland: the close box hid the window"
    fi
    kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "$mode: the close box ended the program"
    press_end
    e2e_wait_for e2e_process_gone "$E2E_APP_PID" ||
        e2e_fail "$mode: the end button did not end it after the close box"
    if [ "$mode" = native ]; then
        [ "$(setting FORMTOP) $(setting FORMLEFT)" = "1500 3000" ] ||
            e2e_fail "native: the position was overwritten after minimising"
    fi
    echo "$mode: window, three sizes, end button, close box minimising: passed"
}

if [ ${#xwayland_option[@]} -gt 0 ]; then
    e2e_wait_for grep -q 'xserver listening on display' "$E2E_DIR/weston.log" ||
        e2e_fail "weston did not start XWayland"
    xwayland_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' \
        "$E2E_DIR/weston.log" | head -n 1)
    DISPLAY=$xwayland_display QT_QPA_PLATFORM=xcb run_session xwayland
else
    echo "XWayland is not installed: the X11 case is left out"
fi
if compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null; then
    WAYLAND_DISPLAY=wayland-brenlowick QT_QPA_PLATFORM=wayland run_session native
else
    echo "Qt's Wayland plugin (qt6-wayland) is not installed: the native case is left out"
fi
echo "PASS: Wayland sessions"
