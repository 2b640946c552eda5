#!/usr/bin/env bash
# Opens the plugin window on a virtual X display and checks screenshots of it:
#   - the JACK app (against a dummy JACK server) shows its window, not blank;
#   - jalv's GTK host shows the LV2 window at two fundamentals, and the two pictures differ
#     in the display area (the comb moved) more than in the rest of the window.
# Usage: window_test.sh WINDOW_SHOT BIN_DIR ARTIFACT_DIR. Pictures stay in ARTIFACT_DIR.
set -euo pipefail
shot=$1
bin=$2
artifacts=$3
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The display: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
export NO_AT_BRIDGE=1

export JACK_DEFAULT_SERVER=window-test-$$
jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done

# Waits for the 1000x600 window, lets it draw, then keeps a picture of it.
capture() {
  local out=$1
  for _ in $(seq 150); do
    if "$shot" grab "$out" 1000 600 2>/dev/null; then
      sleep 1.5
      "$shot" grab "$out" 1000 600
      return 0
    fi
    sleep 0.1
  done
  echo "no window for $out" >&2
  return 1
}

run_and_capture() {
  local out=$1
  shift
  "$@" >"$work/$(basename "$out").log" 2>&1 &
  local pid=$!
  capture "$out"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

run_and_capture "$artifacts/jack-app.png" "$bin/Sorvell"
"$shot" blank "$artifacts/jack-app.png"

export LV2_PATH=$bin
run_and_capture "$artifacts/lv2-110hz.png" jalv.gtk3 -c frequency=110 urn:quendra:sorvell
run_and_capture "$artifacts/lv2-880hz.png" jalv.gtk3 -c frequency=880 urn:quendra:sorvell
"$shot" blank "$artifacts/lv2-110hz.png"
"$shot" blank "$artifacts/lv2-880hz.png"
# The display spans x 14..986 and y 52..408 of the 1000x600 window.
"$shot" differ "$artifacts/lv2-110hz.png" "$artifacts/lv2-880hz.png" 0.014 0.087 0.986 0.68
