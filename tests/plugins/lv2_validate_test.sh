#!/usr/bin/env bash
# The LV2 bundle's Turtle against the vocabularies the LV2 packages ship (sord_validate), and
# the plugin as lilv reads it: name, latency port, the enumeration names, the factory presets.
# Usage: lv2_validate_test.sh BUNDLE_DIR
set -euo pipefail
bundle=$1/Sorvell.lv2
vocabularies=()
for name in atom buf-size core data-access dynmanifest event instance-access log midi morph \
            options parameters patch port-groups port-props presets resize-port schemas state \
            time ui units uri-map urid worker; do
  for dir in /usr/lib/lv2 /usr/lib/x86_64-linux-gnu/lv2 /usr/lib/aarch64-linux-gnu/lv2; do
    [ ! -d "$dir/$name.lv2" ] || { vocabularies+=("$dir/$name.lv2"); break; }
  done
done
report=$(sord_validate $(find "${vocabularies[@]}" "$bundle" -name '*.ttl') 2>&1)
echo "$report" | tail -1
grep -q '^Found 0 errors' <<<"$report"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$bundle" "$work/"
info=$(LV2_PATH=$work lv2info urn:quendra:sorvell)
for text in "Name: *Sorvell" "Author: *Quendra" "Has latency: *yes" '"None"' '"Chorus"' \
            '"Wandering"' '"Granular"' '"Frequency"' '"MIDI"' drone strings shimmer bell \
            dark-body room; do
  grep -Eq "$text" <<<"$info" || { echo "lv2info lacks $text"; exit 1; }
done
echo "lv2info: name, maker, latency port, enumerations and factory presets present"
