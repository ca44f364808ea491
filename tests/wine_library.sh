#!/usr/bin/env bash
# The Windows program's command line under wine, in a wine prefix made
# here and removed afterwards: a small library repaired with --playlists,
# then put back with --restore, its -v lines read off the console of the
# `wine cmd /c` that started it (a terminal made with script), and the
# lines of -n through a pipe. Every run of the program is bounded.
# Usage: wine_library.sh PROGRAM DATA_FOLDER
set -u
program=$(realpath "$1")
data=$2
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
failures=0

cleanup() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k > /dev/null 2>&1 < /dev/null
    wineserver -w > /dev/null 2>&1 < /dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

command -v script > /dev/null || { echo "SKIPPED: no script(1) to make a terminal"; exit 77; }
"$(dirname "$0")/support/make_wine_prefix.sh" "$WINEPREFIX" || { echo "FAILED: no wine prefix"; exit 1; }
exe=$(winepath -w "$program")

# Names, content and sizes of the files below lib but the playlists, to
# compare the library before and after.
files() { (cd "$work" && find lib -type f ! -name '*.m3u' -print0 | sort -z | xargs -0 md5sum); }

games=$work/lib/games
mkdir -p "$games"
cp "$data/multi_file_audio.cue" "$games/Racer.cue"
for track in 1 2 3 4; do printf 'x' > "$games/Racer (Track $track).bin"; done
cp "$data/latin1_title.cue" "$games/Cafe.cue"
printf 'x' > "$games/Cafe.bin"
for sheet in "Saga (Disc 1)" "Saga (Disc 2)" "Café (CD 2)" "Café (cd 1)"; do
  printf 'FILE "Game.bin" BINARY\r\nTRACK 01 MODE1/2352\r\n' > "$games/$sheet.cue"
done
printf 'x' > "$games/Game.bin"
before=$(files)

# Repaired, without a console: the dialog-less run of a dropped folder.
(cd "$work" && timeout 120 wine "$exe" --playlists "$(winepath -w "$work/lib")" < /dev/null > /dev/null 2>&1) ||
  fail "the --playlists run did not end with code 0"
for sheet in Racer Cafe "Saga (Disc 1)" "Café (cd 1)"; do
  [ -f "$games/$sheet.cue.bak" ] || fail "$sheet.cue was not repaired"
done
[ "$(cat "$games/Saga.m3u")" = "$(printf 'Saga (Disc 1).cue\nSaga (Disc 2).cue')" ] ||
  fail "Saga.m3u: $(od -c "$games/Saga.m3u" | head -3)"
[ "$(cat "$games/Café.m3u")" = "$(printf 'Café (cd 1).cue\nCafé (CD 2).cue')" ] ||
  fail "Café.m3u: $(od -c "$games/Café.m3u" | head -3)"
grep -q $'\r' "$games/Saga.m3u" && fail "Saga.m3u has CR line ends"

# A sheet edited after its repair is passed over by the restore.
printf 'REM mine\r\n' >> "$games/Cafe.cue"
edited=$(md5sum < "$games/Cafe.cue")

# Restored from a terminal: wine gives cmd a console, and the program,
# which has none of its own, writes its lines to that one.
(cd "$work" && timeout 120 script -qec "wine cmd /c \"$exe\" -v --restore lib" /dev/null \
  < /dev/null > "$work/console.txt" 2>&1) || fail "the --restore run did not end with code 0"
# The console's own cursor and line codes out, its CR CR LF line ends as LF.
sed -e 's/\x1b\[[?0-9;]*[a-zA-Z]//g' -e 's/\r//g' "$work/console.txt" > "$work/lines.txt"
for line in 'restored: lib\games\Racer.cue' 'restored: lib\games\Café (cd 1).cue' \
  'passed over (changed since its repair): lib\games\Cafe.cue'; do
  grep -qxF "$line" "$work/lines.txt" || fail "no console line: $line"
done
# The console wraps at its width: the counts are read from their start.
grep -q '^total: 0 repaired, 0 already right, 0 sheets made, 5 restored,' "$work/lines.txt" ||
  fail "no line of counts: $(cat "$work/lines.txt")"
[ "$(md5sum < "$games/Cafe.cue")" = "$edited" ] || fail "the edited sheet was overwritten"
[ -f "$games/Cafe.cue.bak" ] || fail "the edited sheet's backup is gone"
rm "$games/Cafe.cue.bak"
cp "$data/latin1_title.cue" "$games/Cafe.cue"
[ "$before" = "$(files)" ] || fail "the restored library differs: $(diff <(echo "$before") <(files))"

# The lines of a dry run through a pipe are UTF-8, and nothing changes.
(cd "$work" && timeout 120 wine cmd /c "$exe" -n lib < /dev/null 2> /dev/null | tr -d '\r' > "$work/piped.txt")
grep -qxF 'repaired: lib\games\Café (CD 2).cue' "$work/piped.txt" ||
  fail "no piped line: $(head -3 "$work/piped.txt")"
[ "$before" = "$(files)" ] || fail "the dry run changed the library"

# --version and --help answer on the console too; an unknown option is a
# usage error.
(cd "$work" && timeout 60 wine cmd /c "$exe" --version < /dev/null 2> /dev/null | tr -d '\r' > "$work/version.txt")
grep -qx 'brindlet [0-9.]*' "$work/version.txt" || fail "--version: $(cat "$work/version.txt")"
(cd "$work" && timeout 60 wine cmd /c "$exe -x lib & echo exit %errorlevel%" < /dev/null 2>&1 |
  tr -d '\r' > "$work/usage.txt")
grep -qx 'brindlet: unknown option -x' "$work/usage.txt" && grep -qx 'exit 2' "$work/usage.txt" ||
  fail "an unknown option: $(cat "$work/usage.txt")"

[ "$failures" -eq 0 ] && echo "wine library: all passed"
[ "$failures" -eq 0 ]
