#!/usr/bin/env bash
# A playlist written by --playlists, read by an emulator: mednafen's CD
# player, on made-up images, must load every disc of the game in disc
# order ("CD 1 TOC" ... "CD N TOC"). Runs without a display or sound, in a
# home of its own; skipped (77) where mednafen is not installed.
# Usage: playlist_reader.sh BRINDLET
set -u
brindlet=$(realpath "$1")
mednafen=$(command -v mednafen || echo /usr/games/mednafen)
[ -x "$mednafen" ] || { echo "SKIPPED: mednafen is not installed"; exit 77; }
work=$(mktemp -d)
player=""  # the emulator's process, started here
cleanup() {
  [ -z "$player" ] || { kill "$player" 2> /dev/null; wait "$player" 2> /dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

games=$work/games
mkdir -p "$games/Quest" "$work/home"
# Three discs of one game, as a ripper may name them, each its own image
# of a few seconds of silence with a sheet that names it from elsewhere.
names=("Quest (Disc 1 of 3)" "Quest (disc 2 of 3)" "Quest (DISC 3 of 3)")
sizes=(150 300 450)
for i in 0 1 2; do
  head -c $((2352 * ${sizes[$i]})) /dev/zero > "$games/Quest/${names[$i]}.bin"
  printf 'FILE "C:\\Rips\\%s.bin" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n' "${names[$i]}" \
    > "$games/Quest/${names[$i]}.cue"
done
(cd "$work" && timeout 60 "$brindlet" --playlists games < /dev/null > /dev/null 2>&1) ||
  fail "the --playlists run did not end with code 0"
[ -f "$games/Quest/Quest.m3u" ] || { fail "no Quest.m3u"; exit 1; }

# The player runs until stopped: it is stopped once its discs are loaded.
(cd "$games/Quest" && HOME=$work/home SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  exec "$mednafen" -force_module cdplay Quest.m3u > "$work/player.txt" 2>&1 < /dev/null) &
player=$!
for _ in $(seq 1 100); do
  grep -q 'Using module' "$work/player.txt" && break
  kill -0 "$player" 2> /dev/null || break
  sleep 0.2
done
kill "$player" 2> /dev/null
wait "$player" 2> /dev/null
player=""
for disc in 1 2 3; do
  grep -q "CD $disc TOC" "$work/player.txt" || fail "mednafen did not load disc $disc"
done
# In disc order: each disc's leadout is its own image's length in sectors.
leadouts=$(grep -o 'Leadout: *[0-9]*' "$work/player.txt" | tr -s ' ' | cut -d' ' -f2 | tr '\n' ' ')
[ "$leadouts" = "150 300 450 " ] || fail "discs out of order, leadouts: $leadouts"
[ "$failures" -eq 0 ] || { head -40 "$work/player.txt"; exit 1; }
echo "playlist reader: all passed"
