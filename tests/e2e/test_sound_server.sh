#!/usr/bin/env bash
# The program on a desktop with a sound server, as most users run it: a private PulseAudio with
# a null sink on a socket of the test's own (never a server the user runs). The first song plays
# through the server's own client library, not SDL's, its sound reaches the sink, and the
# program ends at once when told to, the server's stream and all.
source "$(dirname "$0")/lib.sh"
command -v pulseaudio >/dev/null && command -v parec >/dev/null \
    || { echo "SKIP: pulseaudio or parec is not installed"; exit 77; }
E2E_TRAY=0
e2e_start_xserver "$@"
e2e_setup "$1"

pulse=$E2E_DIR/pulse
mkdir -p "$pulse/runtime" "$pulse/state"
printf 'load-module module-null-sink sink_name=e2e_sink rate=44100\n%s\n' \
    "load-module module-native-protocol-unix auth-anonymous=1 socket=$pulse/native" >"$pulse/server.pa"
printf 'autospawn = no\ncookie-file = %s\n' "$pulse/cookie" >"$pulse/client.conf"
export PULSE_SERVER=unix:$pulse/native PULSE_CLIENTCONFIG=$pulse/client.conf \
    PULSE_RUNTIME_PATH=$pulse/runtime PULSE_STATE_PATH=$pulse/state
unset SDL_AUDIODRIVER
pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
    --realtime=no --high-priority=no -F "$pulse/server.pa" >"$pulse/server.log" 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for pactl info || e2e_fail "the private sound server did not start"

e2e_start_app
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
window=$(e2e_window Brenlowick)
# Two presses of the size button show the get-files button; one press of it plays the first
# demo song.
taller_than() {
    [ "$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')" -gt "$1" ]
}
xdotool mousemove --window "$window" 140 58 click 1
e2e_wait_for taller_than 150 || e2e_fail "the size button did not open the medium height"
xdotool mousemove --window "$window" 140 58 click 1
e2e_wait_for taller_than 400 || e2e_fail "the size button did not open the full height"
xdotool mousemove --window "$window" 130 330 click 1

playing_on_server() {
    pactl list sink-inputs | grep -q 'application.name = "Brenlowick"'
}
E2E_LIMIT=30 e2e_wait_for playing_on_server || e2e_fail "no stream of the program's on the server"
# SDL would name itself; the program's own stream carries its name only.
pactl list sink-inputs | grep -q 'SDL' && e2e_fail "the stream on the server is SDL's"
sound_at_sink() {
    [ -n "$(timeout 2 parec -d e2e_sink.monitor --raw 2>/dev/null | head -c 200000 | tr -d '\0' | head -c 1)" ]
}
e2e_wait_for sound_at_sink || e2e_fail "nothing reached the server's sink"

kill -TERM "$E2E_APP_PID"
E2E_LIMIT=5 e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "the program did not end"
e2e_wait_for bash -c '! pactl list sink-inputs | grep -q Brenlowick' \
    || e2e_fail "the program's stream stayed on the server"
echo "PASS: the program plays through the sound server's own output"
