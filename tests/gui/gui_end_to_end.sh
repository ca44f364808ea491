#!/usr/bin/env bash
# Drives the real file dialogs on an X display as a person would, with
# xdotool: the Linux program's GTK chooser, or the Windows program's common
# dialog under wine. A screenshot of every dialog is kept, and the pictures
# of the README: the first dialog over a game library, and the question for
# a missing image.
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
  # Wine's own errors, such as a window it could not open, are kept with
  # the program's output; its other chatter is not.
  export WINEDEBUG=-all,err+all
  # What wine's Z: drive makes of a Linux path, as winepath -w gives it.
  native() { printf 'Z:%s' "${1//\//\\}"; }
else
  runner=()
  native() { printf '%s' "$1"; }
  # GTK keeps a list of recently used files, and its settings, in the home
  # folder: the journeys' own, not the tester's.
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache"
  mkdir -p "$HOME"
fi

journey=""
# fail WHY: says what went wrong, with what the program printed and how it
# ended so far, and a photograph of the screen at that moment.
fail() {
  failures=$((failures + 1))
  shot "failure-$failures"
  echo "FAILED ($build, journey $journey): $*"
  echo "  exit code: $(cat "$work/code" 2> /dev/null || echo "none yet, still running")"
  echo "  standard output: $(cat "$work/out.txt" 2> /dev/null)"
  echo "  standard error: $(cat "$work/err.txt" 2> /dev/null)"
  echo "  screen: $shots/$journey-failure-$failures.png"
}

shot() { import -window root "$shots/$journey-$1.png" 2> /dev/null; }

# portrait NAME: the dialog alone, as the README shows it.
portrait() { import -window "$window" "$shots/$build-$1.png" 2> /dev/null; }

# start_in FOLDER [ARG...]: runs the program there, with these arguments;
# its exit code lands in $work/code. It never holds the pipe of
# hold_desktop open.
start_in() {
  local folder=$1
  shift
  rm -f "$work/code" "$work/out.txt" "$work/err.txt"
  (cd "$folder" && timeout $((2 * patience)) "${runner[@]}" "$program" "$@" > "$work/out.txt" 2> "$work/err.txt" 7>&-
   echo $? > "$work/code") &
  program_job=$!
}

# start [ARG...]: the same from an empty folder.
start() {
  mkdir -p "$work/start"
  start_in "$work/start" "$@"
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
# photographs it; false when it never came or would not take the keyboard.
dialog() {
  window=$(find_window "$1") || { fail "step $2: no window titled \"$1\""; return 1; }
  has_keyboard || { fail "step $2: \"$1\" would not take the keyboard"; return 1; }
  sleep 0.5  # let it paint before the photograph
  shot "$2"
}

gone() { ! xdotool search --onlyvisible --name . 2> /dev/null | grep -qx "$window"; }

# has_keyboard: gives the dialog the keyboard; true only if it has it now.
has_keyboard() {
  xdotool windowfocus --sync "$window" 2> /dev/null &&
    [ "$(xdotool getwindowfocus 2> /dev/null)" = "$window" ]
}

# answer TEXT: types it into the dialog in place of the name shown and
# confirms. GTK selects the name without its extension, so all of it is
# selected first. GTK's completion popup may swallow an Enter typed while it
# opens, so, as a person would, Enter is pressed again (up to three times in
# all) while the dialog stays up. Never once it has gone or lost the
# keyboard: on a busy machine a dialog may take seconds to go, and an Enter
# sent then would answer whatever has the keyboard next, such as the
# program's next question.
answer() {
  [ "$build" = linux ] && xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 15 "$1"
  for _ in 1 2 3; do
    sleep 0.3
    ! gone && has_keyboard || return 0
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
  [ "$(cat "$work/code")" = 0 ] || fail "step exit: the program did not end with code 0"
}

expect_repaired() {
  cmp -s "$1" "$2" || fail "step check: $1 differs from $2: $(od -c "$1" 2>&1 | head -5)"
  cmp -s "$1.bak" "$3" || fail "step check: $1.bak is not the original $3"
}

snapshot() { (cd "$work" && find . -path ./start -prune -o -type f ! -name '*.txt' ! -name code -print0 | sort -z | xargs -0 md5sum); }

# hold_desktop: starts wine's desktop process and keeps it until
# release_desktop. Wine draws every window through that process. A
# program's first window starts it when it is not running and waits ten
# seconds for it; on a busy machine it can take longer, and the program's
# windows then fail to open, its dialog among them, which it takes for a
# cancel. The desktop ends a second after the last program of the prefix
# does, so each journey would start it anew. cmd, reading a pipe held open
# here, is a program it waits for; rundll32, which makes a window and ends,
# starts it, and says when its window could not be made.
hold_desktop() {
  rm -f "$work/desktop.pipe"
  mkfifo "$work/desktop.pipe"
  exec 7<> "$work/desktop.pipe"
  wine cmd.exe < "$work/desktop.pipe" > /dev/null 2>&1 7>&- &
  desktop_holder=$!
  local deadline=$((SECONDS + patience))
  # Its output goes to a file: the desktop process keeps it open.
  until WINEDEBUG=-all,err+winediag timeout "$patience" wine rundll32.exe \
          > "$work/desktop.txt" 2>&1 < /dev/null 7>&- &&
        ! grep -q nodrv_ "$work/desktop.txt"; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "step desktop: wine's desktop did not come up"; return; }
  done
}

# release_desktop: ends the program holding the desktop, by ending its
# input; the desktop follows it.
release_desktop() {
  exec 7>&-
  local deadline=$((SECONDS + patience))
  while kill -0 "$desktop_holder" 2> /dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "step desktop: the program holding it did not end"; return; }
    sleep 0.2
  done
  wait "$desktop_holder"
}

[ "$build" = linux ] || { journey=desktop; hold_desktop; }

# image PATH: a stand-in for a disc image, one empty sector long.
image() { head -c 2352 /dev/zero > "$1"; }

# shelve FOLDER SHEET FIXTURE: a game in the library: the fixture's sheet
# under that name, and every image its repaired form names.
library="$work/Games"
shelve() {
  local name
  mkdir -p "$library/$1"
  cp "$data/$3.cue" "$library/$1/$2.cue"
  grep -ao '^FILE "[^"]*"' "$data/$3.expected.cue" | sed 's/^FILE "//; s/"$//' |
    while IFS= read -r name; do image "$library/$1/$name"; done
}
games=("Café Racer|Café Racer|latin1_title" "Saturn Rally (Disc 1)|Saturn Rally|saturn_postgap"
       "Mixed Signals|Mixed Signals|wave_typed_images" ".|Game|motorola_audio")

# (a) Started in a game library, the first dialog shows it, with "all" in
# the name box; confirming that sweeps the library.
journey=sweep
for game in "${games[@]}"; do
  IFS='|' read -r folder sheet fixture <<< "$game"
  shelve "$folder" "$sheet" "$fixture"
done
start_in "$library"
if dialog "Brindlet" 1-save; then
  portrait dialog
  xdotool key --clearmodifiers ctrl+c
  shown=$(timeout 5 xclip -o -selection clipboard 2> /dev/null)
  [ "$shown" = all ] || fail "step 1-save: the name box holds \"$shown\", not \"all\""
  answer all
fi
finish
for game in "${games[@]}"; do
  IFS='|' read -r folder sheet fixture <<< "$game"
  expect_repaired "$library/$folder/$sheet.cue" "$data/$fixture.expected.cue" "$data/$fixture.cue"
done

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
lost="$library/Lost Worlds"
mkdir -p "$lost"
cp "$data/asked_image.cue" "$lost/Lost.cue"
image "$lost/Lost Worlds (Europe).bin"
start
if dialog "Brindlet" 1-save; then
  answer "$(native "$lost/Lost.cue")"
  if dialog "Brindlet - Can't find Binary" 2-open; then
    portrait missing-image
    if [ "$build" = linux ]; then
      xdotool key --clearmodifiers ctrl+a ctrl+c
      shown=$(timeout 5 xclip -o -selection clipboard 2> /dev/null)
      [ "$shown" = Lost.bin ] || fail "step 2-open: the name box holds \"$shown\", not \"Lost.bin\""
    fi
    answer "Found.img"
  fi
fi
finish
expect_repaired "$lost/Lost.cue" "$data/asked_image.expected.cue" "$data/asked_image.cue"
[ ! -e "$lost/Found.img" ] || fail "step check: the name typed was made a file"

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
# comes with it. The display is set to 144 DPI (150 %), as on most laptops,
# and the dialog photographed, to be set beside the others at 96.
if [ "$build" = windows ]; then
  release_desktop
  journey=fresh-prefix
  x86_64-w64-mingw32-objdump -p "$program" | grep -q '^Subsystem.*(Windows GUI)' ||
    fail "step subsystem: the program is not a windowed one"
  shared_prefix=${WINEPREFIX-}
  export WINEPREFIX="$work/fresh-prefix"
  "$(dirname "$0")/../support/make_wine_prefix.sh" "$WINEPREFIX"
  hold_desktop
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f > /dev/null 2>&1 7>&-
  start
  dialog "Brindlet" 1-save-144dpi && xdotool key Escape
  finish
  release_desktop
  wineserver -k > /dev/null 2>&1 < /dev/null
  if [ -n "$shared_prefix" ]; then export WINEPREFIX="$shared_prefix"; else unset WINEPREFIX; fi
fi

# (h) Linux only: a run that shows no dialog, given a sheet already in
# order, never loads GTK, display or not: the library and its dozens of
# dependencies cost more than the work itself. The loader lists every
# library it opens.
if [ "$build" = linux ]; then
  journey=no-dialog
  mkdir -p "$work/tidy"
  cp "$data/suffix_search.expected.cue" "$work/tidy/Disc.cue"
  printf 'x' > "$work/tidy/Disc.iso"
  printf 'x' > "$work/tidy/Disc2.img.bin"
  LD_DEBUG=files timeout "$patience" "$program" "$work/tidy/Disc.cue" < /dev/null \
    > /dev/null 2> "$work/loads.txt" || fail "step run: the program did not end with code 0"
  ! grep -q 'file=libgtk-3' "$work/loads.txt" || fail "step run: GTK was loaded with no dialog to show"
  [ ! -e "$work/tidy/Disc.cue.bak" ] || fail "step check: a sheet in order was rewritten"
fi

if [ "$failures" -eq 0 ]; then
  echo "GUI end-to-end ($build): all journeys passed; screenshots in $shots"
fi
exit $((failures > 0))
