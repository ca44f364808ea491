#!/usr/bin/env bash
# The README's before/after example is what the program really does: this
# repairs the example sheet with the built program and compares both with
# the README's copies. With --update it rewrites the README's copies instead.
# Usage: readme_example.sh BRINDLET SOURCE_FOLDER [--update]
set -eu
# No display: the program answers through its console prompt.
unset DISPLAY WAYLAND_DISPLAY
brindlet=$1
source_folder=$2
readme=$source_folder/README.md
example=$source_folder/tests/data/readme_example.cue
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$example" "$work/Racer.cue"
printf 'x' > "$work/Racer.bin"
printf '%s\n' "$work/Racer.cue" | "$brindlet" > /dev/null
tr -d '\r' < "$example" > "$work/before.txt"
tr -d '\r' < "$work/Racer.cue" > "$work/after.txt"

# The fenced block that follows a marker line in the README.
block() {
  awk -v marker="<!-- $1 -->" '
    $0 == marker { found = 1; next }
    found == 1 && /^```/ { found = 2; next }
    found == 2 && /^```/ { exit }
    found == 2 { print }' "$readme"
}

if [ "${3:-}" = "--update" ]; then
  awk -v before="$work/before.txt" -v after="$work/after.txt" '
    function dump(file,   line) { while ((getline line < file) > 0) print line; close(file) }
    /^<!-- example (before|after) -->$/ { print; which = ($3 == "before") ? before : after; skip = 1; next }
    skip == 1 && /^```/ { print; dump(which); skip = 2; next }
    skip == 2 && /^```/ { print; skip = 0; next }
    skip == 2 { next }
    { print }' "$readme" > "$work/README.md"
  cp "$work/README.md" "$readme"
  exit 0
fi

status=0
for which in before after; do
  if ! diff -u <(block "example $which") "$work/$which.txt"; then
    echo "FAILED: the README's '$which' example differs from the program's (run $0 with --update)"
    status=1
  fi
done
grep -q "^Version $(sed -n 's/^project(Brindlet VERSION \([0-9.]*\).*/\1/p' "$source_folder/CMakeLists.txt")\$" "$readme" ||
  { echo "FAILED: the README does not state the version set in CMakeLists.txt"; status=1; }
[ $status -eq 0 ] && echo "README example matches the program"
exit $status
