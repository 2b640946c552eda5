#!/usr/bin/env bash
# The JACK app against a dummy JACK server of its own: it must register its stereo audio ports
# and its MIDI input. Started without a display, the launcher runs the build without window,
# which starts cleanly (no assertion from the framework's window code).
# Usage: jack_app_test.sh LAUNCHER APP_WITHOUT_WINDOW
set -euo pipefail
app=$1
expected_app=$(realpath "$2")
log=$(mktemp)
export JACK_DEFAULT_SERVER=sorvell_test_$$ # a server no other run shares
export JACK_NO_START_SERVER=1                # clients must not start one of their own
jackd_pid=""
app_pid=""
# Asks both to stop, gives them 5 s, then kills what is left: a client caught half-way through
# starting may not answer SIGTERM, and waiting on it would hang the test.
cleanup() {
  local pids="$app_pid $jackd_pid" pid alive
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  for _ in $(seq 50); do
    alive=""
    for pid in $pids; do ! kill -0 "$pid" 2>/dev/null || alive=1; done
    [ -n "$alive" ] || break
    sleep 0.1
  done
  for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT
jackd --no-realtime -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
jackd_pid=$!
for _ in $(seq 100); do # wait up to 20 s for the server
  ! jack_lsp >/dev/null 2>&1 || break
  sleep 0.2
done
env -u DISPLAY "$app" >/dev/null 2>"$log" &
app_pid=$!
expected="Sorvell:audio_in_1 Sorvell:audio_in_2 Sorvell:audio_out_1 Sorvell:audio_out_2 Sorvell:events-in"
for _ in $(seq 100); do # wait up to 20 s for the app's ports
  ports=$(jack_lsp 2>/dev/null | tr '\n' ' ' || true)
  missing=""
  for port in $expected; do
    [[ " $ports " == *" $port "* ]] || missing="$missing $port"
  done
  if [ -z "$missing" ]; then
    kill -0 "$app_pid" # still running
    grep -q midi <<<"$(jack_lsp -t Sorvell:events-in)"
    [ "$(readlink "/proc/$app_pid/exe")" = "$expected_app" ] \
      || { echo "ran $(readlink "/proc/$app_pid/exe"), not $expected_app"; exit 1; }
    ! grep -i assertion "$log" || exit 1
    echo "JACK app ports: $expected"
    exit 0
  fi
  sleep 0.2
done
echo "missing JACK ports:$missing"
exit 1
