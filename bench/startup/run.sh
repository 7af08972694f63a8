#!/usr/bin/env bash
# Start-up time of Korvel: from process start until the main window is shown and the hosted
# server listens ("Always activate the server upon startup" on). The program reports the
# moment itself (KORVEL_BENCHMARK_EXIT=1); the wall time of the whole run, shut-down included,
# is printed beside it. Usage: run.sh <path to Korvel> [runs]
set -euo pipefail
program=$1
runs=${2:-5}
work=$(mktemp -d /tmp/korvel-bench-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ -n "${KORVEL_TEST_DISPLAY:-}" ]; then export DISPLAY=$KORVEL_TEST_DISPLAY QT_QPA_PLATFORM=xcb; else export QT_QPA_PLATFORM=offscreen; fi
export ASAN_OPTIONS=detect_leaks=0
port=$(python3 -c 'import socket,random
while True:
    p=random.randrange(20000,60000,64)
    try:
        s=[socket.socket() for _ in range(1)]; s[0].bind(("",p)); s[0].close(); print(p); break
    except OSError: pass')
total=0
for i in $(seq 1 "$runs"); do
    home="$work/$i"; mkdir -p "$home/cfg/Nimbrel" "$home/run"; chmod 700 "$home/run"
    printf '[FOptions]\nCServer\\Checked=true\n' > "$home/cfg/Nimbrel/Korvel.conf"
    start=$(date +%s%N)
    out=$(XDG_CONFIG_HOME="$home/cfg" XDG_RUNTIME_DIR="$home/run" KORVEL_BENCHMARK_EXIT=1 \
        "$program" "/CTCP=$port" "/CUDP=$((port + 2))" "/SUDP=$((port + 10))" 2>/dev/null)
    end=$(date +%s%N)
    ms=$(echo "$out" | awk '/startup_ms/ && $4 == 1 {print $2}')
    [ -n "$ms" ] || { echo "run $i: the program did not report its start-up" >&2; exit 1; }
    echo "run $i: shown and listening after ${ms} ms; whole run $(( (end - start) / 1000000 )) ms"
    total=$(python3 -c "print($total + $ms)")
done
python3 -c "m=$total/$runs; print(f'mean start-up {m:.1f} ms; goal 1000 ms; ratio {m/1000:.2f}')"
