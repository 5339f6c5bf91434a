# Shared helpers of the end-to-end tests: a private X server with a window manager and a tray
# host, the real program started in a folder of its own, and polling instead of sleeping.
# Source it, then call e2e_setup BINARY.

set -uo pipefail

E2E_ARTIFACTS=${E2E_ARTIFACTS:-${TMPDIR:-/tmp}/brenlowick-e2e-artifacts}

e2e_fail() {
    echo "FAIL: $*" >&2
    e2e_describe_session >&2
    exit 1
}

# What the X session looked like when a test failed, for whoever reads the failure.
e2e_describe_session() {
    [ -n "${DISPLAY:-}" ] || return 0
    echo "--- display $DISPLAY (X server ${E2E_XVFB_PID:-?}); window manager, focus and windows:"
    xprop -root _NET_SUPPORTING_WM_CHECK _NET_ACTIVE_WINDOW 2>&1
    xwininfo -root -tree 2>&1 | grep -E '"(Brenlowick|trayer|panel)' | head -n 20
    local window
    for window in $(xdotool search --name '^Brenlowick' 2>/dev/null); do
        echo "$window: $(xwininfo -id "$window" 2>&1 | grep -o 'Map State: .*')," \
            "$(xprop -id "$window" WM_STATE _NET_WM_STATE 2>&1 | tr -s '\n\t' '  ')"
    done
    [ -s "${E2E_DIR:-/nonexistent}/openbox.log" ] && { echo "--- openbox:"; cat "$E2E_DIR/openbox.log"; }
    [ -s "${E2E_DIR:-/nonexistent}/app.log" ] && { echo "--- program:"; tail -n 20 "$E2E_DIR/app.log"; }
    return 0
}

# Polls a command until it succeeds; gives up after the limit in seconds (default 30).
e2e_wait_for() {
    local limit=${E2E_LIMIT:-30} start=$SECONDS
    until "$@" >/dev/null 2>&1; do
        (( SECONDS - start >= limit )) && return 1
        sleep 0.2
    done
    return 0
}

# Gives this script an X server of its own. It never resets (-noreset): by default an X server
# starts afresh whenever its last client leaves, and refuses connections while it does, so a
# window manager or panel starting slowly on a busy machine lost its connection to a server
# that one of the test's short-lived probes (xprop, xdotool) had just left alone.
# The server picks a free display number itself (-displayfd), and takes only a number where it
# holds every socket of it (-nopn). xvfb-run -a guesses the number from the lock files in /tmp,
# and an Xvfb may run with the file socket of its number while another server holds the
# abstract one, which clients try first.
e2e_start_xserver() {
    [ -n "${DISPLAY:-}" ] && [ -n "${E2E_XVFB_PID:-}" ] && return 0
    command -v Xvfb >/dev/null || e2e_fail "Xvfb is not installed"
    command -v xauth >/dev/null || e2e_fail "xauth is not installed"
    E2E_XDIR=$(mktemp -d)
    export XAUTHORITY="$E2E_XDIR/Xauthority"
    local cookie attempt number
    cookie=$(mcookie)
    # The server takes every cookie in its file, whatever display it is written for; clients
    # look for the one of their display, added once the number is known.
    xauth -q -f "$XAUTHORITY" add :0 . "$cookie" 2>/dev/null
    trap e2e_teardown EXIT
    for attempt in 1 2 3; do
        : >"$E2E_XDIR/display"
        Xvfb -displayfd 3 -nopn -noreset -nolisten tcp -auth "$XAUTHORITY" -screen 0 1024x768x24 \
            3>"$E2E_XDIR/display" >"$E2E_XDIR/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        # The number is written once the server accepts connections.
        E2E_LIMIT=60 e2e_wait_for e2e_display_written_or_gone
        number=$(head -n 1 "$E2E_XDIR/display")
        [ -n "$number" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null && break
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=
    done
    [ -n "$E2E_XVFB_PID" ] || e2e_fail "Xvfb did not start: $(tail -n 5 "$E2E_XDIR/xvfb.log")"
    export DISPLAY=:$number
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie" || e2e_fail "xauth could not add the cookie"
    export E2E_XVFB_PID
}

e2e_display_written_or_gone() {
    grep -q '^[0-9]' "$E2E_XDIR/display" || ! kill -0 "$E2E_XVFB_PID" 2>/dev/null
}

# Prepares a private program folder holding a copy of the binary (the settings file lives
# beside it), a private runtime folder (the instance lock) and starts openbox and trayer.
e2e_setup() {
    e2e_prepare_program "$1"
    export QT_QPA_PLATFORM=xcb
    # The first key xdotool sends comes from the server's test keyboard, not its core one: the
    # server switches the keyboard's map, and openbox answers by grabbing its key bindings anew.
    # A key sent while it does so (the first alt+F4 of a test) reached the window instead. That
    # switch is made here, before openbox is there to answer it.
    xdotool key shift || e2e_fail "xdotool cannot send keys"
    openbox >"$E2E_DIR/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    # The check window appears before openbox manages windows; the client list comes after.
    e2e_wait_for bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id #'" \
        || e2e_fail "openbox did not start"
    e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '^_NET_CLIENT_LIST(WINDOW)'" \
        || e2e_fail "openbox does not manage windows"
    if [ "${E2E_TRAY:-1}" = 1 ]; then
        trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
            --transparent false >/dev/null 2>&1 &
        E2E_PIDS+=($!)
        e2e_wait_for xdotool search --class trayer || e2e_fail "trayer did not start"
    fi
}

# The program's private folder, home and runtime folder, without a desktop: E2E_DIR, E2E_BIN and
# E2E_INI are set, and e2e_teardown removes them.
e2e_prepare_program() {
    local binary=$1
    E2E_DIR=$(mktemp -d)
    mkdir -p "$E2E_DIR/program" "$E2E_DIR/runtime" "$E2E_DIR/home" "$E2E_ARTIFACTS"
    chmod 700 "$E2E_DIR/runtime"
    cp "$binary" "$E2E_DIR/program/brenlowick"
    [ -d "$(dirname "$binary")/demo" ] && cp -r "$(dirname "$binary")/demo" "$E2E_DIR/program/"
    E2E_BIN="$E2E_DIR/program/brenlowick"
    E2E_INI="$E2E_DIR/program/Brenlowick.ini"
    export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
    export HOME="$E2E_DIR/home"
    export XDG_CONFIG_HOME="$E2E_DIR/home/.config"
    export SDL_AUDIODRIVER=dummy
    unset DBUS_SESSION_BUS_ADDRESS
    E2E_PIDS=()
    trap e2e_teardown EXIT
}

# Ends everything the test started, the program first and the X server last, at once: a
# process that does not end on SIGTERM within a few seconds (a second instance still showing its
# message box, a program that hangs) is killed, so a failed test never waits for ctest's limit.
e2e_teardown() {
    local pid pids=()
    for pid in ${E2E_APP_PIDS[@]+"${E2E_APP_PIDS[@]}"} ${E2E_PIDS[@]+"${E2E_PIDS[@]}"} \
        $(jobs -p); do
        [ "$pid" = "${E2E_XVFB_PID:-}" ] || pids+=("$pid")
    done
    if [ ${#pids[@]} -gt 0 ]; then
        kill "${pids[@]}" 2>/dev/null
        e2e_end_within 5 "${pids[@]}"
    fi
    if [ -n "${E2E_XVFB_PID:-}" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        e2e_end_within 5 "$E2E_XVFB_PID"
    fi
    [ -n "${E2E_DIR:-}" ] && rm -rf "$E2E_DIR"
    [ -n "${E2E_XDIR:-}" ] && rm -rf "$E2E_XDIR"
    return 0
}

# Waits up to SECONDS for the processes to end; kills those left.
e2e_end_within() {
    local deadline=$((SECONDS + $1)) pid left
    shift
    while :; do
        left=()
        for pid in "$@"; do
            kill -0 "$pid" 2>/dev/null && left+=("$pid")
        done
        [ ${#left[@]} -eq 0 ] && break
        if ((SECONDS >= deadline)); then
            kill -KILL "${left[@]}" 2>/dev/null
            break
        fi
        sleep 0.1
    done
    for pid in "$@"; do
        wait "$pid" 2>/dev/null
    done
    return 0
}

# Starts the program in the background; its pid is in E2E_APP_PID.
e2e_start_app() {
    "$E2E_BIN" >"$E2E_DIR/app.log" 2>&1 &
    E2E_APP_PID=$!
    E2E_APP_PIDS+=("$E2E_APP_PID")
}
E2E_APP_PIDS=()

# The id of a visible window whose title is exactly NAME.
e2e_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

e2e_window_visible() {
    [ -n "$(e2e_window "$1")" ]
}

e2e_process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# Whether an X tray (trayer) has embedded the program's icon.
e2e_icon_in_x_tray() {
    local panel
    for panel in $(xdotool search --class trayer 2>/dev/null); do
        xwininfo -tree -id "$panel" 2>/dev/null | grep -q '("brenlowick" "Brenlowick")' && return 0
    done
    return 1
}

e2e_screenshot() {
    import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null
}
