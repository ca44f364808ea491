#!/usr/bin/env bash
# Drives the real file dialogs on an X display as a person would, with
# xdotool: the Linux program's GTK chooser, or the Windows program's common
# dialog under wine. A screenshot of every dialog is kept.
# Usage: gui_end_to_end.sh linux|windows PROGRAM DATA_FOLDER SCREENSHOT_FOLDER
set -u
build=$1
program=$(realpath "$2")
data=$(realpath "$3")
shots=$(realpath -m "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$shots"
rm -f "$shots"/*.png
failures=0
export GSETTINGS_BACKEND=memory  # no dconf service to talk to on a bare display
# Names beyond ASCII reach the programs intact only under a UTF-8 locale.
export LC_ALL=C.UTF-8

if [ "$build" = windows ]; then
  runner=(wine)
  # What wine's Z: drive makes of a Linux path, as winepath -w gives it.
  native() { printf 'Z:%s' "${1//\//\\}"; }
else
  runner=()
  native() { printf '%s' "$1"; }
fi

journey=""
fail() {
  echo "FAILED ($build, journey $journey): $*"
  failures=$((failures + 1))
}

shot() { import -window root "$shots/$journey-$1.png" 2> /dev/null; }

# start [ARG...]: runs the program, with these arguments, from an empty
# folder; its exit code lands in $work/code.
start() {
  rm -f "$work/code"
  mkdir -p "$work/start"
  (cd "$work/start" && timeout $((2 * patience)) "${runner[@]}" "$program" "$@" > "$work/out.txt" 2>&1
   echo $? > "$work/code") &
  program_job=$!
}

# Every wait is bounded, but generously: wine's first start is slow, and
# slower still on a machine whose cores are busy with other work.
patience=${GUI_PATIENCE_SECONDS:-120}

# find_window TITLE [SECONDS]: prints the id of the visible window of
# exactly this title, looking every 0.2 seconds for up to $patience seconds
# (or as long as given).
find_window() {
  local id deadline=$((SECONDS + ${2:-$patience}))
  while [ "$SECONDS" -lt "$deadline" ]; do
    for id in $(xdotool search --onlyvisible --name "$1" 2> /dev/null); do
      if [ "$(xdotool getwindowname "$id" 2> /dev/null)" = "$1" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

# dialog TITLE STEP: waits for the dialog, gives it the keyboard and
# photographs it; false when it never came.
dialog() {
  window=$(find_window "$1") || { shot "$2"; fail "step $2: no window titled \"$1\""; return 1; }
  xdotool windowfocus --sync "$window" 2> /dev/null
  sleep 0.5  # let it paint before the photograph
  shot "$2"
}

gone() { ! xdotool search --onlyvisible --name . 2> /dev/null | grep -qx "$window"; }

# answer TEXT: types it into the dialog in place of the name shown and
# confirms. GTK selects the name without its extension, so all of it is
# selected first. GTK's completion popup may swallow an Enter typed while it
# opens, so, as a person would, Enter is pressed again (up to three times in
# all) while the dialog stays up.
answer() {
  [ "$build" = linux ] && xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 15 "$1"
  for _ in 1 2 3; do
    sleep 0.3
    xdotool windowfocus --sync "$window" 2> /dev/null
    xdotool key Return
    for _ in $(seq 10); do
      gone && return 0
      sleep 0.2
    done
  done
}

# finish: the program must exit by itself, with code 0, within $patience seconds.
finish() {
  local deadline=$((SECONDS + patience))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -f "$work/code" ] && break
    sleep 0.2
  done
  if [ ! -f "$work/code" ]; then
    shot "still-running"
    fail "step exit: the program did not end"
    kill "$program_job" 2> /dev/null
    wait "$program_job" 2> /dev/null
    return
  fi
  wait "$program_job" 2> /dev/null
  [ "$(cat "$work/code")" = 0 ] || fail "step exit: exit code $(cat "$work/code"): $(cat "$work/out.txt")"
}

expect_repaired() {
  cmp -s "$1" "$2" || fail "step check: $1 differs from $2: $(od -c "$1" 2>&1 | head -5)"
  cmp -s "$1.bak" "$3" || fail "step check: $1.bak is not the original $3"
}

snapshot() { (cd "$work" && find . -path ./start -prune -o -type f ! -name '*.txt' ! -name code -print0 | sort -z | xargs -0 md5sum); }

# (a) The name box starts with "all"; a folder path plus "all" sweeps it.
journey=sweep
mkdir -p "$work/shelf/cafe"
cp "$data/latin1_title.cue" "$work/shelf/cafe/Cafe.cue"
printf 'x' > "$work/shelf/cafe/Cafe.bin"
start
if dialog "Brindlet" 1-save; then
  xdotool key --clearmodifiers ctrl+c
  shown=$(timeout 5 xclip -o -selection clipboard 2> /dev/null)
  [ "$shown" = all ] || fail "step 1-save: the name box holds \"$shown\", not \"all\""
  answer "$(native "$work/shelf/all")"
fi
finish
expect_repaired "$work/shelf/cafe/Cafe.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"

# (b) A cue sheet's path repairs that sheet.
journey=sheet
mkdir -p "$work/moved"
cp "$data/suffix_search.cue" "$work/moved/Disc.cue"
printf 'x' > "$work/moved/Disc.iso"
printf 'x' > "$work/moved/Disc2.img.bin"
start
dialog "Brindlet" 1-save && answer "$(native "$work/moved/Disc.cue")"
finish
expect_repaired "$work/moved/Disc.cue" "$data/suffix_search.expected.cue" "$data/suffix_search.cue"

# (c) Escape cancels, and nothing changes.
journey=cancel
before=$(snapshot)
start
dialog "Brindlet" 1-save && xdotool key Escape
finish
[ "$before" = "$(snapshot)" ] || fail "step check: cancelling changed files"

# (d) A missing image is asked for in a dialog whose name box names it, in
# the sheet's folder. A new name typed there is taken, though no such file
# exists, and written bare.
journey=missing-image
mkdir -p "$work/asked"
cp "$data/asked_image.cue" "$work/asked/Lost.cue"
start
if dialog "Brindlet" 1-save; then
  answer "$(native "$work/asked/Lost.cue")"
  if dialog "Brindlet - Can't find Binary" 2-open; then
    if [ "$build" = linux ]; then
      xdotool key --clearmodifiers ctrl+a ctrl+c
      shown=$(timeout 5 xclip -o -selection clipboard 2> /dev/null)
      [ "$shown" = Lost.bin ] || fail "step 2-open: the name box holds \"$shown\", not \"Lost.bin\""
    fi
    answer "Found.img"
  fi
fi
finish
expect_repaired "$work/asked/Lost.cue" "$data/asked_image.expected.cue" "$data/asked_image.cue"
[ ! -e "$work/asked/Found.img" ] || fail "step check: the name typed was made a file"

# (e) A sheet given as an argument skips the first dialog; its missing
# image is still asked for, in the open-style dialog alone.
journey=argument
mkdir -p "$work/given"
cp "$data/asked_image.cue" "$work/given/Lost.cue"
printf 'x' > "$work/given/Found.img"
start "$(native "$work/given/Lost.cue")"
if dialog "Brindlet - Can't find Binary" 1-open; then
  ! find_window "Brindlet" 1 > /dev/null || fail "step 1-open: the first dialog came up too"
  answer "$(native "$work/given/Found.img")"
else
  find_window "Brindlet" 1 > /dev/null && fail "step 1-open: the first dialog came up instead"
fi
finish
expect_repaired "$work/given/Lost.cue" "$data/asked_image.expected.cue" "$data/asked_image.cue"

# (f) Windows only: files dropped onto the program arrive whole, with spaces,
# brackets and letters beyond ASCII, and are acted on without a dialog.
if [ "$build" = windows ]; then
  journey=dropped
  mkdir -p "$work/dropped"
  for sheet in "My Game (Disc 1)" "Café – Ōkami ディスク 2"; do
    cp "$data/latin1_title.cue" "$work/dropped/$sheet.cue"
  done
  printf 'x' > "$work/dropped/Cafe.bin"
  printf 'x' > "$work/dropped/Süper Yarış.iso"
  start "$(native "$work/dropped/My Game (Disc 1).cue")"
  finish
  start "$(native "$work/dropped/Café – Ōkami ディスク 2.cue")" "$(native "$work/dropped/Süper Yarış.iso")"
  finish
  for sheet in "My Game (Disc 1)" "Café – Ōkami ディスク 2"; do
    expect_repaired "$work/dropped/$sheet.cue" "$data/latin1_title.expected.cue" "$data/latin1_title.cue"
  done
  [ -s "$work/dropped/Süper Yarış.cue" ] || fail "step check: the dropped image got no sheet"
fi

# (g) Windows only: the first start on a bare machine. A wine prefix made
# just now holds nothing but wine's own Windows DLLs, so the dialog coming
# up proves no other DLL is needed; the program is windowed, so no console
# comes with it.
if [ "$build" = windows ]; then
  journey=fresh-prefix
  x86_64-w64-mingw32-objdump -p "$program" | grep -q '^Subsystem.*(Windows GUI)' ||
    fail "step subsystem: the program is not a windowed one"
  export WINEPREFIX="$work/fresh-prefix"
  wineboot --init > /dev/null 2>&1 < /dev/null
  start
  dialog "Brindlet" 1-save && xdotool key Escape
  finish
  wineserver -k > /dev/null 2>&1 < /dev/null
  unset WINEPREFIX
fi

if [ "$failures" -eq 0 ]; then
  echo "GUI end-to-end ($build): all journeys passed; screenshots in $shots"
fi
exit $((failures > 0))
