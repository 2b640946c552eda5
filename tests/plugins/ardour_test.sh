#!/usr/bin/env bash
# Ardour 7 headless: loads the LV2 or VST3 build of Sorvell on a track, checks parameters,
# latency and output, saves, and checks the saved changes in a second process (reloading
# within one process is not possible); then, in a third, a chord that Ardour delivers as MIDI
# rings in the Chord pitch source (ardour_chord.lua, with the processors in ardour/).
# Usage: ardour_test.sh LV2|VST3 BUNDLE_DIR
set -euo pipefail
format=$1
bin=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export HOME=$work/home # a fresh configuration, plugin cache and scan log
mkdir -p "$HOME/.config/ardour7/scripts" "$work/lv2"
cp "$here"/ardour/*.lua "$HOME/.config/ardour7/scripts/"
export LV2_PATH=$work/lv2 # only our bundle, so the run does not depend on what is installed

if [ "$format" = LV2 ]; then
  cp -r "$bin/Sorvell.lv2" "$work/lv2/"
  plugin=urn:quendra:sorvell
else
  mkdir -p "$HOME/.vst3"
  cp -r "$bin/Sorvell.vst3" "$HOME/.vst3/"
  # Ardour trusts a cache entry only if it is strictly newer than the module.
  find "$HOME/.vst3" -type f -exec touch -d '1 minute ago' {} +
  LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -q -f \
    "$HOME/.vst3/Sorvell.vst3" >/dev/null 2>&1
  plugin=Sorvell
fi

# PHASE [SCRIPT [SESSION]]
run_phase() {
  {
    printf 'FORMAT = "%s"\nPLUGIN = "%s"\nDIR = "%s"\nPHASE = "%s"\n' \
      "$format" "$plugin" "$work/${3:-session}" "$1"
    cat "$here/${2:-ardour_session.lua}"
  } >"$work/$1.lua"
  timeout 180 ardour7-lua "$work/$1.lua" 2>&1 | tee "$work/$1.log" | grep -E '^(FAIL|DONE|output)' || true
  grep -q "^DONE $1 failures 0$" "$work/$1.log" && return 0
  echo "Ardour $format: phase $1 did not finish cleanly; the end of its log:"
  tail -n 30 "$work/$1.log"
  return 1
}
run_phase create
run_phase reload
run_phase chord ardour_chord.lua chord-session
echo "Ardour $format: all checks passed"
