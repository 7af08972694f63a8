# Private services for the tests: a PulseAudio daemon with a null sink and an X server.
# Each lives in a temporary folder and is stopped by its PID.
# shellcheck shell=bash

KORVEL_SERVICES_DIR=""
KORVEL_PIDS=()

start_services() {
    KORVEL_SERVICES_DIR=$(mktemp -d /tmp/korvel-services.XXXXXX)
    start_pulseaudio
    start_xvfb
    trap stop_services EXIT
}

start_pulseaudio() {
    local d="$KORVEL_SERVICES_DIR/pulse"
    mkdir -p "$d/runtime" "$d/state"
    cat > "$d/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$d/runtime/native
load-module module-null-sink sink_name=korvel_null sink_properties=device.description=Korvel_Null_Output
load-module module-remap-source source_name=korvel_mic master=korvel_null.monitor channels=1 source_properties=device.description=Korvel_Null_Microphone
set-default-sink korvel_null
set-default-source korvel_mic
PA
    export PULSE_RUNTIME_PATH="$d/runtime" PULSE_STATE_PATH="$d/state" PULSE_SERVER="unix:$d/runtime/native"
    pulseaudio -n -F "$d/default.pa" --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --log-target=file:"$d/log" >/dev/null 2>&1 &
    KORVEL_PIDS+=($!)
    local i
    for i in $(seq 1 100); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "PulseAudio did not start; see $d/log" >&2
    return 1
}

start_xvfb() {
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$KORVEL_SERVICES_DIR/xvfb.log" 2>&1 &
    KORVEL_PIDS+=($!)
    export KORVEL_TEST_DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.05
    done
    echo "Xvfb did not start" >&2
    return 1
}

stop_services() {
    local p
    for p in "${KORVEL_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${KORVEL_PIDS[@]}"; do wait "$p" 2>/dev/null || true; done
    KORVEL_PIDS=()
    [ -n "$KORVEL_SERVICES_DIR" ] && rm -rf "$KORVEL_SERVICES_DIR"
    KORVEL_SERVICES_DIR=""
}
