#!/usr/bin/env bash
# Another program's cue reader (cuetools, built on libcue) sees the same
# tracks in every repaired fixture as in its original, wherever it reads
# the original without complaint: a repair never makes a readable sheet
# worse. The suite checks elsewhere that each repair gives its
# "<name>.expected.cue" byte for byte, so the expected sheets stand for
# the repaired ones here.
# Usage: reader_layout.sh DATA_FOLDER   (exit 77: cuetools not installed)
set -u
data=$1
command -v cuebreakpoints > /dev/null && command -v cueprint > /dev/null || {
  echo "cuetools not installed: skipped"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 compared=0

# layout SHEET: track numbers and INDEX 01 breakpoints; fails on any complaint.
layout() {
  cueprint -d '%N tracks:' -t ' %n' "$1" > "$work/layout" 2> "$work/errors" &&
    echo >> "$work/layout" && cuebreakpoints "$1" >> "$work/layout" 2>> "$work/errors" && [ ! -s "$work/errors" ] &&
    cat "$work/layout"
}

for expected in "$data"/*.expected.cue; do
  original=${expected%.expected.cue}.cue
  [ -f "$original" ] || continue
  before=$(layout "$original") || continue
  compared=$((compared + 1))
  if ! after=$(layout "$expected"); then
    echo "FAILED: the reader refuses $expected: $(head -3 "$work/errors")"
    failures=$((failures + 1))
  elif [ "$before" != "$after" ]; then
    echo "FAILED: $expected changes the track layout: [$before] became [$after]"
    failures=$((failures + 1))
  fi
done

[ "$compared" -gt 0 ] || { echo "FAILED: no fixture was readable to compare"; exit 1; }
[ "$failures" -eq 0 ] && echo "reader layout: $compared repaired fixtures read as their originals"
exit $((failures > 0))
