# Shared helpers of the end-to-end tests: a private X server with a window manager and a tray
# host, the real program started in a folder of its own, and polling instead of sleeping.
# Source it, then call e2e_setup BINARY.

set -uo pipefail

E2E_ARTIFACTS=${E2E_ARTIFACTS:-${TMPDIR:-/tmp}/brenlowick-e2e-artifacts}

e2e_fail() {
    echo "FAIL: $*" >&2
    exit 1
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

# Runs this very script again inside xvfb-run (with its own display) unless already there.
e2e_reexec_under_xvfb() {
    if [ -z "${E2E_INSIDE_XVFB:-}" ]; then
        command -v xvfb-run >/dev/null || e2e_fail "xvfb-run is not installed"
        export E2E_INSIDE_XVFB=1
        exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
    fi
}

# Prepares a private program folder holding a copy of the binary (the settings file lives
# beside it), a private runtime folder (the instance lock) and starts openbox and trayer.
e2e_setup() {
    e2e_prepare_program "$1"
    export QT_QPA_PLATFORM=xcb
    openbox >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    # The check window appears before openbox manages windows; the client list comes after.
    e2e_wait_for bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window" \
        || e2e_fail "openbox did not start"
    e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -qv 'not found'" \
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

e2e_teardown() {
    local pid
    for pid in ${E2E_APP_PIDS[@]+"${E2E_APP_PIDS[@]}"} ${E2E_PIDS[@]+"${E2E_PIDS[@]}"}; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$E2E_DIR"
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

e2e_screenshot() {
    import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null
}
