#!/usr/bin/env bash
# Opens the plugin window on a virtual X display and checks screenshots of it:
#   - the JACK app (against a dummy JACK server) shows its window, not blank; dragging the
#     frequency knob moves the comb, and a double click on it puts the default back;
#   - at a scale factor of 1.5 the JACK app's window is 1.5 times as large;
#   - jalv's GTK host shows the LV2 window at two fundamentals, and the two pictures differ
#     in the display area (the comb moved) more than in the rest of the window; noise played
#     through jalv shows in the display (the window reached the instance's spectra);
#   - a small CLAP host shows the CLAP window: a fundamental sent as automation moves the comb
#     away from the JACK app's default one, and noise through the plugin shows in the display
#     (the spectra reach the window) where silence does not; with MIDI as the pitch source, a
#     note moves the comb; embedded in a window of the host's own, the plugin's window is its
#     child at the size the plugin reports;
#   - a small VST3 host attaches the VST3 editor to a window of its own, resizes it to
#     1500x900 and closes it; the host checks the plugin window's geometry at each step and
#     that no reference the plugin took on its objects is left.
# Usage: window_test.sh WINDOW_SHOT_SCRIPT CLAP_HOST VST3_HOST BIN_DIR ARTIFACT_DIR. Pictures stay in
# ARTIFACT_DIR.
set -euo pipefail
shot=$1
clap_host=$2
vst3_host=$3
bin=$4
artifacts=$5
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
work=$(mktemp -d)
pids=()
cleanup() {
  # Newest first, each gone before the next: a JACK client stops cleanly only while its
  # server and display are still there.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# The display: Xvfb picks a free number and writes it to fd 3; it must not reset when its
# last client leaves (connections made meanwhile fail).
Xvfb -displayfd 3 -screen 0 2400x1400x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
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

# The display spans x 14..986 and y 52..408 of the 1000x600 window; the frequency knob sits
# at (47, 513).
display_box=(0.014 0.087 0.986 0.68)
"$bin/Sorvell" >"$work/jack-app.log" 2>&1 &
app=$!
capture "$artifacts/jack-app.png"
"$shot" blank "$artifacts/jack-app.png"
"$shot" mouse 1000 600 drag:47,513,0,-60
capture "$artifacts/jack-app-dragged.png"
"$shot" differ "$artifacts/jack-app.png" "$artifacts/jack-app-dragged.png" "${display_box[@]}"
"$shot" mouse 1000 600 double:47,513
capture "$artifacts/jack-app-reset.png"
"$shot" same "$artifacts/jack-app.png" "$artifacts/jack-app-reset.png" "${display_box[@]}"
kill "$app"
wait "$app" 2>/dev/null || true

# A host scale factor of 1.5 gives a 1500x900 window.
run_and_capture_sized() {
  local out=$1 width=$2 height=$3
  shift 3
  "$@" >"$work/$(basename "$out").log" 2>&1 &
  local pid=$!
  local found=1
  for _ in $(seq 150); do
    if "$shot" grab "$out" "$width" "$height" 2>/dev/null; then found=0; break; fi
    sleep 0.1
  done
  sleep 1.5
  [ $found -eq 0 ] && "$shot" grab "$out" "$width" "$height"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  return $found
}
run_and_capture_sized "$artifacts/jack-app-scaled.png" 1500 900 env DPF_SCALE_FACTOR=1.5 "$bin/Sorvell"
"$shot" blank "$artifacts/jack-app-scaled.png"

export LV2_PATH=$bin
run_and_capture "$artifacts/lv2-110hz.png" jalv.gtk3 -c frequency=110 urn:quendra:sorvell
run_and_capture "$artifacts/lv2-880hz.png" jalv.gtk3 -c frequency=880 urn:quendra:sorvell
"$shot" blank "$artifacts/lv2-110hz.png"
"$shot" blank "$artifacts/lv2-880hz.png"
"$shot" differ "$artifacts/lv2-110hz.png" "$artifacts/lv2-880hz.png" "${display_box[@]}"
# Noise played into jalv shows in the LV2 window's display: jalv gives the window the plugin
# instance, and through it the spectra.
sox -n -r 48000 -c 2 "$work/noise.wav" synth 30 pinknoise vol 0.3
jalv.gtk3 -n sorvell-lv2 -c frequency=110 urn:quendra:sorvell >"$work/lv2-noise.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q sorvell-lv2:lv2_audio_in_2 <<<"$(jack_lsp)" && break; sleep 0.1; done
JACK_PLAY_CONNECT_TO=sorvell-lv2:lv2_audio_in_%d jack-play "$work/noise.wav" >"$work/play.log" 2>&1 &
pids+=($!)
capture "$artifacts/lv2-110hz-noise.png"
"$shot" differ "$artifacts/lv2-110hz.png" "$artifacts/lv2-110hz-noise.png" "${display_box[@]}"
for pid in "${pids[-1]}" "${pids[-2]}"; do kill "$pid"; wait "$pid" 2>/dev/null || true; done
unset 'pids[-1]' 'pids[-1]'

# Parameter 11 is the frequency (0 is the gain-reduction meter).
run_and_capture "$artifacts/clap-110hz-silence.png" "$clap_host" "$bin/Sorvell.clap" 30 silence 11=110
run_and_capture "$artifacts/clap-110hz-noise.png" "$clap_host" "$bin/Sorvell.clap" 30 noise 11=110
"$shot" differ "$artifacts/jack-app.png" "$artifacts/clap-110hz-silence.png" "${display_box[@]}"
"$shot" differ "$artifacts/clap-110hz-silence.png" "$artifacts/clap-110hz-noise.png" "${display_box[@]}"
# Parameter 16 is the pitch source: with MIDI, a note-on of A3 takes the comb down an octave.
run_and_capture "$artifacts/clap-midi-a3.png" "$clap_host" "$bin/Sorvell.clap" 30 silence 16=1 note=57
"$shot" differ "$artifacts/jack-app.png" "$artifacts/clap-midi-a3.png" "${display_box[@]}"

# Embedded in a window of the CLAP host's own, the plugin's window is its child at the size the
# plugin reports.
embedded=$("$clap_host" "$bin/Sorvell.clap" 1 silence embed 2>"$work/clap-embed.log") ||
  { cat "$work/clap-embed.log"; exit 1; }
[ "$embedded" = "embedded 1000x600" ] || { echo "CLAP window embedded: $embedded"; exit 1; }

# The VST3 host reads its commands from a pipe; it prints "resized" once the view took the size.
mkfifo "$work/vst3-commands"
"$vst3_host" "$bin/Sorvell.vst3" <"$work/vst3-commands" >"$work/vst3.log" 2>&1 &
vst3=$!
pids+=($vst3)
exec 4>"$work/vst3-commands"
capture "$artifacts/vst3.png"
"$shot" blank "$artifacts/vst3.png"
echo "size 1500 900" >&4
for _ in $(seq 100); do grep -q '^resized' "$work/vst3.log" && break; sleep 0.1; done
sleep 1.5
"$shot" grab "$artifacts/vst3-resized.png" 1500 900 || { cat "$work/vst3.log"; exit 1; }
"$shot" blank "$artifacts/vst3-resized.png"
echo close >&4
exec 4>&-
wait "$vst3" || { cat "$work/vst3.log"; exit 1; }
unset 'pids[-1]'
grep -c '^ok' "$work/vst3.log" | sed 's/$/ VST3 window checks passed/'
