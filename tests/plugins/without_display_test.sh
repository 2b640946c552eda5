#!/usr/bin/env bash
# The plugin on a machine without display libraries: the files hosts load (the LV2 plugin, the
# VST3 and CLAP loaders), the JACK launcher and the windowless builds need none of them, and
# with libcairo and libX11 unloadable the VST3 and CLAP loaders fall back to the windowless
# builds, which pass the conformance harness; state saved by either build loads into the other
# (sessions move between machines with and without display libraries).
# Usage: without_display_test.sh BIN_DIR CONFORMANCE
set -euo pipefail
bin=$1
conformance=$2
vst3=$bin/Sorvell.vst3/Contents/x86_64-linux
for file in "$bin/Sorvell.lv2/Sorvell_dsp.so" "$vst3/Sorvell.so" "$vst3/Sorvell-without-window.so" \
            "$bin/Sorvell.clap" "$bin/Sorvell.clap.d/Sorvell-without-window.so" "$bin/Sorvell" \
            "$bin/../lib/sorvell-jack/sorvell-jack-without-window"; do
  needed=$(readelf -d "$file" | grep NEEDED || true)
  if grep -Eq 'lib(X|xcb|cairo|GL|gtk|gdk)' <<<"$needed"; then
    echo "$file needs display libraries:"; echo "$needed"; exit 1
  fi
done
echo "no display library needed by the LV2 plugin, the loaders, the JACK launcher or the windowless builds"

# Empty files where the dynamic linker looks first: the windowed builds cannot load.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for library in libcairo.so.2 libX11.so.6; do : > "$work/$library"; done
for format in vst3 clap; do
  LD_LIBRARY_PATH=$work "$conformance" --format $format > "$work/$format.log" 2>&1 \
    || { cat "$work/$format.log"; exit 1; }
  grep -q "^Sorvell: no window" "$work/$format.log" \
    || { echo "$format: the windowed build loaded"; exit 1; }
  echo "$format without window: $(tail -1 "$work/$format.log")"
done

# A copy of the bundles without the windowed builds, and state passed both ways.
cp -r "$bin/Sorvell.vst3" "$bin/Sorvell.clap" "$bin/Sorvell.clap.d" "$work/"
rm "$work/Sorvell.vst3/Contents/x86_64-linux/Sorvell-with-window.so" \
   "$work/Sorvell.clap.d/Sorvell-with-window.so"
for format in vst3 clap; do
  file=Sorvell.$format
  for direction in "$work/$file $bin/$file" "$bin/$file $work/$file"; do
    set -- $direction
    "$conformance" --format $format --$format "$1" --state-from "$2" \
      --filter "$format state saved by" 2>/dev/null
  done
done
