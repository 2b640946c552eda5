#!/usr/bin/env bash
# lv2file renders a file through the LV2 bit for bit like the renderer runs the external
# without latency compensation, at settings whose randomness is fixed (no modulation, one
# voice), at several block sizes. Usage: lv2file_test.sh RENDERER BUNDLE_DIR
set -euo pipefail
renderer=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/lv2"
cp -r "$2/Sorvell.lv2" "$work/lv2/"
export LV2_PATH=$work/lv2
cd "$work"
sox -V1 -R -n -r 48000 -c 2 -b 32 -e floating-point in.wav synth 1.5 pinknoise vol 0.3
settings=(frequency:220 decay:1.5 shift:3 mix:0.8 hf_damp:0.3 gain:3 harmonics:64)
options=()
parameters=()
for s in "${settings[@]}"; do
  options+=("--${s%%:*}" "${s#*:}")
  parameters+=(-p "$s")
done
"$renderer" in.wav -o external.wav --no-latency-compensation --tail 0 -q "${options[@]}"
sox -V1 external.wav -t f32 external.f32
for block in 1 64 1000 4096; do
  lv2file -i in.wav -o "lv2_$block.wav" -b "$block" --ignore-clipping "${parameters[@]}" \
    urn:quendra:sorvell >/dev/null 2>&1
  sox -V1 "lv2_$block.wav" -t f32 "lv2_$block.f32"
  cmp external.f32 "lv2_$block.f32"
  echo "block $block: identical ($(stat -c %s external.f32) bytes)"
done
# A factory preset (bell: no modulation, one voice) loaded by lv2file from the bundle's presets
# gives the same render as the renderer's --preset (once the renderer has that option).
grep -q -- --preset <<<"$("$renderer" --help)" || { echo "renderer has no --preset: preset skipped"; exit 0; }
"$renderer" in.wav -o external_bell.wav --no-latency-compensation --tail 0 -q --preset bell
lv2file -i in.wav -o lv2_bell.wav -P bell --ignore-clipping urn:quendra:sorvell >/dev/null 2>&1
sox -V1 external_bell.wav -t f32 external_bell.f32
sox -V1 lv2_bell.wav -t f32 lv2_bell.f32
cmp external_bell.f32 lv2_bell.f32
echo "preset bell: identical"
