#!/usr/bin/env bash
# Other programs' cue readers see the same disc in every repaired fixture
# as in its original, wherever they read the original without complaint: a
# repair never makes a readable sheet worse. The suite checks elsewhere that
# each repair gives its "<name>.expected.cue" byte for byte, so the expected
# sheets stand for the repaired ones here.
#
# cuetools (built on libcue) reads the sheets alone. chdman reads the images
# too: it gets made-up ones, zeros of the length the sheet implies.
# Usage: reader_layout.sh DATA_FOLDER   (exit 77: neither reader installed)
set -u
data=$1
cuetools=false chdman=false
command -v cuebreakpoints > /dev/null && command -v cueprint > /dev/null && cuetools=true
command -v chdman > /dev/null && chdman=true
$cuetools || $chdman || {
  echo "neither cuetools nor chdman installed: skipped"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 compared=0 chd_compared=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# layout SHEET: track numbers and INDEX 01 breakpoints; fails on any complaint.
layout() {
  cueprint -d '%N tracks:' -t ' %n' "$1" > "$work/layout" 2> "$work/errors" &&
    echo >> "$work/layout" && cuebreakpoints "$1" >> "$work/layout" 2>> "$work/errors" && [ ! -s "$work/errors" ] &&
    cat "$work/layout"
}

# images SHEET: one line per FILE line: frames, bytes per frame, type, name.
# An image runs two seconds past the sheet's last INDEX in it.
images() {
  tr -d '\r' < "$1" | awk '
    function frames(time, part) { split(time, part, ":"); return (part[1] * 60 + part[2]) * 75 + part[3] }
    function put() { if (name != "") print last + 150, size, type, name }
    toupper($1) == "FILE" {
      put()
      line = $0; sub(/^[ \t]*[^ \t]+[ \t]+/, "", line)
      type = toupper(line); sub(/.*[ \t]/, "", type)
      if (line ~ /^"/) { name = substr(line, 2); sub(/".*/, "", name) }
      else { name = line; sub(/[ \t]+[^ \t]+[ \t]*$/, "", name) }
      last = 0; size = 2352; next
    }
    toupper($1) == "TRACK" { size = $3 ~ /2048/ ? 2048 : $3 ~ /2336/ ? 2336 : 2352 }
    toupper($1) == "INDEX" && frames($3) > last { last = frames($3) }
    END { put() }'
}

# A little-endian number of $2 bytes, for the WAV header.
le() {
  local bytes= byte i
  for ((i = 0; i < $2; i++)); do
    printf -v byte '\\x%02x' $((($1 >> (8 * i)) & 255))
    bytes+=$byte
  done
  printf '%b' "$bytes"
}

# chd_prepare SHEET FOLDER: a copy of the sheet in FOLDER, beside the
# images it names. A name with a folder names no file chdman would find
# there, and stays missing.
chd_prepare() {
  local frames size type name
  mkdir "$2" && cp "$1" "$2/" || return 1
  while read -r frames size type name; do
    case $name in */* | *\\*) continue ;; esac
    if [ "$type" = WAVE ]; then
      # 44.1 kHz 16-bit stereo PCM: a CD's own sound, which chdman wants.
      { printf 'RIFF'; le $((frames * 2352 + 36)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le 2 2
        le 44100 4; le 176400 4; le 4 2; le 16 2; printf 'data'; le $((frames * 2352)) 4; } > "$2/$name"
      truncate -s $((frames * 2352 + 44)) "$2/$name"
    else
      truncate -s $((frames * size)) "$2/$name"
    fi
  done < <(images "$1")
}

# chd_tracks FOLDER: the track metadata of FOLDER/disc.chd, one line per
# track led by its tag: CHT2 for a CD, CHGD for a GD-ROM.
chd_tracks() {
  chdman info -v -i "$1/disc.chd" 2> /dev/null | awk '
    /Tag=/ { match($0, /Tag=.[A-Z0-9]+/); tag = substr($0, RSTART + 5, RLENGTH - 5) }
    /TRACK:/ { sub(/\.$/, ""); $1 = $1; print tag, $0 }'
}

# What chdman 0.251 cannot read as written, so that there is nothing to
# compare: keywords must be in upper case (a lower-case TRACK leaves it
# looping, a lower-case INDEX or PREGAP is passed over), and a WAVE file
# holding several tracks gives all its audio to the first.
chd_unreadable() {
  tr -d '\r' < "$1" | awk '
    toupper($1) ~ /^(FILE|TRACK|INDEX|PREGAP|POSTGAP|FLAGS)$/ && $1 != toupper($1) { bad = 1 }
    toupper($1) == "FILE" { wave = toupper($NF) == "WAVE"; tracks = 0 }
    toupper($1) == "TRACK" && wave && ++tracks > 1 { bad = 1 }
    END { exit !bad }'
}

# gapped ORIGINAL EXPECTED: the numbers of the tracks the repair gave an
# INDEX 00 that their original lacks.
gapped() {
  awk 'FNR == 1 { side++ }
       toupper($1) == "TRACK" { track = $2 + 0 }
       toupper($1) == "INDEX" && $2 ~ /^0+$/ { count[side, track]++ }
       END { for (key in count) { split(key, part, SUBSEP)
               if (part[1] == 2 && count[key] > count[1, part[2]]) print part[2] } }' \
    <(tr -d '\r' < "$1") <(tr -d '\r' < "$2")
}

# chd_compare ORIGINAL EXPECTED: chdman reads each track alike in both.
# Where the repair put an INDEX 00 two seconds before an audio track's
# INDEX 01, those frames move from the track before into its pregap, so
# neither track's length is compared and the pregap may grow from none to
# at most two seconds. (Nor can the disc's length stand in for them:
# chdman 0.251 gives the last track of a file that another FILE follows
# the whole file's length, whatever its INDEX lines.) A sheet marking a
# GD-ROM's high-density area must be read as a GD-ROM.
chd_compare() {
  local name reading
  name=$(basename "$1" .cue)
  chd_unreadable "$1" && return
  rm -rf "$work/original" "$work/expected"
  chd_prepare "$1" "$work/original" && chd_prepare "$2" "$work/expected" ||
    { fail "could not make images for $name"; return; }
  # Both at once, one per core; a sheet chdman cannot read in its original
  # form has nothing to compare, and its repair is not read to the end.
  timeout 60 chdman createcd -c none -i "$work/expected/$(basename "$2")" -o "$work/expected/disc.chd" \
    > "$work/expected/log" 2>&1 < /dev/null &
  reading=$!
  if ! timeout 60 chdman createcd -c none -i "$work/original/$(basename "$1")" -o "$work/original/disc.chd" \
    > "$work/original/log" 2>&1 < /dev/null; then
    kill "$reading" 2> /dev/null
    wait "$reading"
    return
  fi
  chd_compared=$((chd_compared + 1))
  wait "$reading" || { fail "chdman refuses $2: $(grep -i error "$work/expected/log" | head -2)"; return; }
  chd_tracks "$work/original" > "$work/original.tracks"
  chd_tracks "$work/expected" > "$work/expected.tracks"
  [ -s "$work/original.tracks" ] || { fail "chdman shows no track of $1"; return; }
  awk 'function field(line, key) { return match(line, " " key ":[^ ]*") ? substr(line, RSTART + length(key) + 2, RLENGTH - length(key) - 2) : "" }
       function without(line, keys, count, i, key) {
         count = split(keys, key, " ")
         for (i = 1; i <= count; i++) sub(" " key[i] ":[^ ]*", "", line)
         return line
       }
       FILENAME == ARGV[1] { gap[$1] = 1; next }
       FILENAME == ARGV[2] { before[field($0, "TRACK")] = $0; next }
       { track = field($0, "TRACK"); original = before[track]; after = $0; delete before[track]
         if (gap[track]) {
           if (field(original, "PREGAP") + 0 != 0 || field(after, "PREGAP") + 0 > 150) {
             print "track " track " pregap " field(original, "PREGAP") " became " field(after, "PREGAP")
             bad = 1
           }
           original = without(original, "FRAMES PAD PREGAP PGTYPE"); after = without(after, "FRAMES PAD PREGAP PGTYPE")
         } else if (gap[track + 1]) {
           original = without(original, "FRAMES PAD"); after = without(after, "FRAMES PAD")
         }
         if (original != after) { print "[" original "] became [" after "]"; bad = 1 }
       }
       END { for (track in before) { print "track " track " is gone"; bad = 1 }
             exit bad }' <(gapped "$1" "$2") "$work/original.tracks" "$work/expected.tracks" > "$work/differences" ||
    fail "chdman reads $name.expected.cue differently: $(cat "$work/differences")"
  if grep -qi '^REM HIGH-DENSITY AREA' "$2" && ! grep -q '^CHGD ' "$work/expected.tracks"; then
    fail "chdman does not read $name.expected.cue as a GD-ROM: $(cat "$work/expected.tracks")"
  fi
}

for expected in "$data"/*.expected.cue; do
  original=${expected%.expected.cue}.cue
  [ -f "$original" ] || continue
  if $chdman; then chd_compare "$original" "$expected"; fi
  $cuetools || continue
  before=$(layout "$original") || continue
  compared=$((compared + 1))
  if ! after=$(layout "$expected"); then
    fail "the reader refuses $expected: $(head -3 "$work/errors")"
  elif [ "$before" != "$after" ]; then
    fail "$expected changes the track layout: [$before] became [$after]"
  fi
done

$cuetools && [ "$compared" -eq 0 ] && { echo "FAILED: no fixture was readable to compare"; exit 1; }
$chdman && [ "$chd_compared" -eq 0 ] && { echo "FAILED: chdman read no fixture to compare"; exit 1; }
readers=
$cuetools && readers+=" cuetools ($compared)"
$chdman && readers+=" chdman ($chd_compared)"
[ "$failures" -eq 0 ] && echo "reader layout: repaired fixtures read as their originals by$readers"
exit $((failures > 0))
