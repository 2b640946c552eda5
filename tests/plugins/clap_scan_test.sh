#!/usr/bin/env bash
# qtractor's plugin scanner loads the CLAP and reads its ports and parameters.
# Usage: clap_scan_test.sh CLAP_FILE
set -euo pipefail
scanner=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan | head -1)
line=$(echo "CLAP:$1" | timeout 60 "$scanner")
echo "$line"
# name | audio in:out | MIDI in:out | parameters in:out | flags (real-time safe)
[[ "$line" == "CLAP|Sorvell|2:2|1:0|17:1|"*RT*"|"* ]]
