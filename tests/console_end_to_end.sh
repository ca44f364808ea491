#!/usr/bin/env bash
# Runs the Linux program as a user of a headless machine would: answers
# piped to its console prompt, sheets checked byte for byte afterwards.
# Usage: console_end_to_end.sh BRINDLET DATA_FOLDER VERSION
set -u
# No display: the program must fall back to its console prompt.
unset DISPLAY WAYLAND_DISPLAY
brindlet=$1
data=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# run ANSWER... : runs the program with these lines on its input; exit 0 expected.
run() {
  printf '%s\n' "$@" | (cd "$work" && "$brindlet") > "$work/out.txt" 2> "$work/err.txt"
  local code=$?
  [ "$code" -eq 0 ] || fail "exit code $code for answers: $*"
}

# expect SHEET EXPECTED ORIGINAL : the sheet is repaired and its backup is the original.
expect() {
  cmp -s "$1" "$2" || fail "$1 differs from $2: $(od -c "$1" | head -5)"
  cmp -s "$1.bak" "$3" || fail "$1.bak is not the original $3"
}

snapshot() { (cd "$work" && find . -path ./out.txt -prune -o -path ./err.txt -prune -o -type f -print0 | sort -z | xargs -0 md5sum); }

lib=$work/library
mkdir -p "$lib/racer" "$lib/moved" "$lib/asked" "$lib/latin1" "$lib/racer/deeper"
cp "$data/multi_file_audio.cue" "$lib/racer/Racer.cue"
for track in 1 2 3 4; do printf 'x' > "$lib/racer/Racer (Track $track).bin"; done
cp "$data/multi_file_audio.cue" "$lib/racer/deeper/Deep.cue"
cp "$data/suffix_search.cue" "$lib/moved/Disc.cue"
printf 'x' > "$lib/moved/Disc.iso"
printf 'x' > "$lib/moved/Disc2.img.bin"
cp "$data/asked_image.cue" "$lib/asked/Lost.cue"
cp "$data/latin1_title.cue" "$lib/latin1/Cafe.cue"
printf 'x' > "$lib/latin1/Cafe.bin"

# Cancelling the first prompt, and picking a file of no known kind, change nothing.
before=$(snapshot)
run
run "$work/notes.txt"
run "$lib/All"
[ "$before" = "$(snapshot)" ] || fail "a cancelled or ignored choice changed files"

# "all" over the library: one open prompt comes, for the lost image.
run "$lib/all" "Found.img"
expect "$lib/racer/Racer.cue" "$data/multi_file_audio.expected.cue" "$data/multi_file_audio.cue"
expect "$lib/moved/Disc.cue" "$data/suffix_search.expected.cue" "$data/suffix_search.cue"
expect "$lib/asked/Lost.cue" "$data/asked_image.expected.cue" "$data/asked_image.cue"
expect "$lib/latin1/Cafe.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"
cmp -s "$lib/racer/deeper/Deep.cue" "$data/multi_file_audio.cue" || fail "a sheet two levels down was touched"
grep -q "Brindlet - Can't find Binary" "$work/out.txt" || fail "the open prompt did not show its title"

# A cancelled open prompt leaves the FILE line's name empty.
mkdir -p "$work/cancel"
cp "$data/asked_image.cue" "$work/cancel/Gone.cue"
run "$work/cancel/Gone.cue" ""
expect "$work/cancel/Gone.cue" "$data/cancelled_prompt.expected.cue" "$data/asked_image.cue"

# A name in a folder that does not exist is refused, and the prompt asks again.
mkdir -p "$work/images"
run "$work/no/such/folder/x.cue" "$work/images/Game.bin"
[ "$(wc -l < "$work/err.txt")" -eq 1 ] || fail "the refusal was not one line on standard error"
[ ! -e "$work/no" ] || fail "a refused name created something"
printf 'FILE "Game.bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' > "$work/game.expected"
cmp -s "$work/images/Game.cue" "$work/game.expected" || fail "the image's sheet is not the three lines"

# So is an answer holding a control character: a NUL would cut the path
# there, and the empty file "keep" would take the image's sheet; a DEL
# would make a sheet whose name no one can type.
for control in '\0' '\177'; do
  rm -rf "$work/nul" && mkdir -p "$work/nul"
  : > "$work/nul/keep"
  printf "%s/nul/keep${control}x.bin\n%s/nul/Game.bin\n" "$work" "$work" |
    (cd "$work" && "$brindlet") > "$work/out.txt" 2> "$work/err.txt" || fail "exit code $? for $control"
  [ ! -s "$work/nul/keep" ] || fail "an answer holding $control wrote into another file"
  [ "$(ls "$work/nul" | wc -l)" -eq 2 ] || fail "an answer holding $control made a file"
  [ "$(wc -l < "$work/err.txt")" -eq 1 ] || fail "the refusal of $control was not one line on stderr"
  cmp -s "$work/nul/Game.cue" "$work/game.expected" || fail "the answer after $control was not asked for"
done

# A relative name is taken in the current folder.
mkdir -p "$work/here"
(cd "$work/here" && printf 'Here.iso\n' | "$brindlet" > /dev/null) || fail "relative name run failed"
[ -f "$work/here/Here.cue" ] || fail "a relative name was not taken in the current folder"

# A file-size limit is a write error, not the end of the program: the run
# exits 0, and the sheet is either as it was, with no backup, or repaired,
# with its whole backup. A limit of 10 KiB leaves no room for the 13 KiB
# repair of this 7 KiB sheet, one of 16 KiB does.
for limit in 10 16; do
  mkdir -p "$work/limit$limit"
  sheet=$work/limit$limit/Long.cue
  printf 'x' > "$work/limit$limit/Long.bin"
  { printf 'FILE "Long.bin" BINARY\n'
    for track in $(seq 10 209); do printf 'TRACK %d AUDIO\nINDEX 01 0%d:30:12\n' "$track" $((track % 10)); done
  } > "$sheet.original"
  cp "$sheet.original" "$sheet"
  (ulimit -f "$limit" && printf '%s\n' "$sheet" | "$brindlet" > /dev/null 2>&1)
  code=$?
  [ "$code" -eq 0 ] || fail "exit code $code under a $limit KiB file-size limit"
  if [ -e "$sheet.bak" ]; then
    cmp -s "$sheet.bak" "$sheet.original" || fail "a partial backup under a $limit KiB limit"
  else
    cmp -s "$sheet" "$sheet.original" || fail "the sheet changed without a backup under a $limit KiB limit"
  fi
  [ "$(ls "$work/limit$limit" | wc -l)" -le 4 ] || fail "files left behind under a $limit KiB limit: $(ls "$work/limit$limit")"
done
[ ! -e "$work/limit10/Long.cue.bak" ] || fail "a sheet whose repair does not fit was backed up"
[ -e "$work/limit16/Long.cue.bak" ] || fail "a repair that fits was not made"


# Paths on the command line, from the folder "args": each acted on in turn
# with no first prompt. run_with INPUT ARG... keeps the exit code in $code.
run_with() {
  local input=$1
  shift
  printf '%s' "$input" | (cd "$work/args" && "$brindlet" "$@") > "$work/out.txt" 2> "$work/err.txt"
  code=$?
}
# first_prompt_skipped WHAT: exit 0, and no save prompt was shown.
first_prompt_skipped() {
  [ "$code" -eq 0 ] || fail "$1: exit code $code"
  ! grep -q "Save as" "$work/out.txt" || fail "$1: the first prompt came up"
}
args=$work/args
for folder in one two/a two/b image shelf/x swept/x mix; do mkdir -p "$args/$folder"; done
cp "$data/asked_image.cue" "$args/one/Lost.cue"
printf 'x' > "$args/one/Found.img"
for folder in two/a two/b shelf/x swept/x; do
  cp "$data/latin1_title.cue" "$args/$folder/Cafe.cue"
  printf 'x' > "$args/$folder/Cafe.bin"
done
printf 'x' > "$args/image/Game.bin"
cp "$data/latin1_title.cue" "$args/mix/My Game (Disc 1).cue"
printf 'x' > "$args/mix/Cafe.bin"
printf 'notes' > "$args/mix/notes.txt"

# A sheet whose image is missing still asks for it.
run_with $'Found.img\n' one/Lost.cue
first_prompt_skipped "one sheet"
expect "$args/one/Lost.cue" "$data/asked_image.expected.cue" "$data/asked_image.cue"
grep -q "Brindlet - Can't find Binary" "$work/out.txt" || fail "one sheet: no open prompt for the lost image"

run_with "" "$args/two/a/Cafe.cue" two/b/Cafe.cue
first_prompt_skipped "two sheets"
for folder in two/a two/b; do
  expect "$args/$folder/Cafe.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"
done

run_with "" image/Game.bin
first_prompt_skipped "an image"
cmp -s "$args/image/Game.cue" "$work/game.expected" || fail "an image: its sheet is not the three lines"

# A name that is not UTF-8 reaches the system as the bytes it was given.
latin1=$(printf 'Caf\351.cue')
mkdir -p "$args/latin1"
cp "$data/latin1_title.cue" "$args/latin1/$latin1"
printf 'x' > "$args/latin1/Cafe.bin"
run_with "" "latin1/$latin1"
first_prompt_skipped "a Latin-1 name"
expect "$args/latin1/$latin1" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"

# A folder counts as its own "all"; so does a path named "all".
run_with "" shelf
first_prompt_skipped "a folder"
expect "$args/shelf/x/Cafe.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"
run_with "" "$args/swept/all"
first_prompt_skipped "all"
expect "$args/swept/x/Cafe.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"

# A file of no known kind is passed over, and the paths after it still count.
run_with "" mix/notes.txt -- "mix/My Game (Disc 1).cue"
first_prompt_skipped "a mix"
expect "$args/mix/My Game (Disc 1).cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"
[ "$(cat "$args/mix/notes.txt")" = notes ] && [ ! -e "$args/mix/notes.txt.bak" ] ||
  fail "a mix: the file of no known kind was touched"

# Options: --version and --help on standard output with exit 0; an unknown
# option fails with the usage on standard error, and nothing is touched.
run_with "" --version
[ "$code" -eq 0 ] && [ "$(cat "$work/out.txt")" = "brindlet $version" ] ||
  fail "--version: exit code $code, printed \"$(cat "$work/out.txt")\""
run_with "" --help
[ "$code" -eq 0 ] && grep -q "^Usage: brindlet" "$work/out.txt" && [ ! -s "$work/err.txt" ] ||
  fail "--help: exit code $code, or no usage on standard output"
cp "$data/latin1_title.cue" "$args/two/a/Cafe.cue" && rm -f "$args/two/a/Cafe.cue.bak"
before=$(snapshot)
run_with "" two/a/Cafe.cue --bogus
[ "$code" -eq 2 ] || fail "an unknown option: exit code $code, not 2"
grep -q "^Usage: brindlet" "$work/err.txt" && [ ! -s "$work/out.txt" ] ||
  fail "an unknown option: no usage on standard error"
[ "$before" = "$(snapshot)" ] || fail "an unknown option: files changed"

# A dry run needs a path, asks nothing and changes nothing; -v says what a
# run did, --restore puts the sheet back, each ending with its counts.
run_with "" -n
[ "$code" -eq 2 ] && grep -q "^Usage: brindlet" "$work/err.txt" || fail "-n alone: exit code $code"
run_with "" -vn two/a/Cafe.cue
[ "$code" -eq 0 ] && [ "$(head -1 "$work/out.txt")" = "repaired: two/a/Cafe.cue" ] &&
  grep -q "^total (dry run): 1 repaired, 0 already right" "$work/out.txt" ||
  fail "-vn: exit code $code, printed \"$(cat "$work/out.txt")\""
[ "$before" = "$(snapshot)" ] || fail "a dry run changed files"
run_with "" -v two/a/Cafe.cue
[ "$(head -1 "$work/out.txt")" = "repaired: two/a/Cafe.cue" ] || fail "-v: \"$(cat "$work/out.txt")\""
run_with "" --restore --verbose two/a/Cafe.cue
[ "$code" -eq 0 ] && [ "$(head -1 "$work/out.txt")" = "restored: two/a/Cafe.cue" ] ||
  fail "--restore: exit code $code, printed \"$(cat "$work/out.txt")\""
[ "$before" = "$(snapshot)" ] || fail "--restore did not give back the sheet as it was"

if [ "$failures" -eq 0 ]; then
  echo "console end-to-end: all journeys passed"
fi
exit $((failures > 0))
