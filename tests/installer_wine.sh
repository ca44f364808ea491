#!/usr/bin/env bash
# The Windows installer under wine, each scenario in a wine prefix of its
# own, made here and removed afterwards:
#   user       a silent install for this user: the Apps & features entry,
#              the shortcut, the files and every Explorer verb, read back;
#              each verb's command line run as Explorer runs it, on names
#              with spaces and letters beyond ASCII; then a silent uninstall.
#   upgrade    an older version, with a file this one no longer has, put in
#              a folder given with /D=, then this one over it: one entry,
#              in the same folder, with this version's files only.
#   all-users  /AllUsers: the machine's keys and Program Files.
# After each uninstall the prefix's registry (HKCU\Software and
# HKLM\Software) and its C: drive must be as they were before the install.
# Usage: installer_wine.sh BUILD_FOLDER INSTALLER SCRIPT PAYLOAD_EXE VERSION DATA_FOLDER
#   The installer is built first, in BUILD_FOLDER. SCRIPT is the configured
#   brindlet.nsi, from which the older version is built; PAYLOAD_EXE the
#   program the installer carries.
set -u
built=$(cmake --build "$1" --target installer 2>&1) ||
  { echo "FAILED: the installer was not built: $built"; exit 1; }
setup_built=$(realpath "$2")
script=$(realpath "$3")
payload_exe=$(realpath "$4")
version=$5
data=$(realpath "$6")
make_prefix=$(dirname "$(realpath "$0")")/support/make_wine_prefix.sh
work=$(mktemp -d)
prefixes=()  # every prefix made here; each one's server is ended at the end
cleanup() {
  local prefix
  for prefix in "${prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k > /dev/null 2>&1 < /dev/null
    WINEPREFIX=$prefix wineserver -w > /dev/null 2>&1 < /dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
# Names beyond ASCII reach wine's command lines intact only under UTF-8.
export LC_ALL=C.UTF-8
# Nothing here should show a window, and no display is given to show one on.
unset DISPLAY
failures=0
scenario=setup

fail() {
  echo "FAILED ($scenario): $*"
  failures=$((failures + 1))
}

# What wine's Z: drive makes of a Linux path.
native() { printf 'Z:%s' "${1//\//\\}"; }
# The Linux path of a path on the prefix's C: drive.
on_c() { local path=${1#C:\\}; printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"; }

# bounded COMMAND...: a wine command, bounded in time: a dialog nobody
# answers fails it.
bounded() {
  timeout -k 5 90 "$@" > "$work/out.txt" 2>&1 < /dev/null ||
    fail "exit code $? from: $* ($(head -c 300 "$work/out.txt"))"
}

# run_line COMMAND_LINE: a command line from the registry, run as Windows
# runs it: the program, then its arguments, each a quoted string or a word.
run_line() {
  local rest=$1 words=() word='^ *("([^"]*)"|([^ "]+))'
  while [[ $rest =~ $word ]]; do
    words+=("${BASH_REMATCH[2]}${BASH_REMATCH[3]}")
    rest=${rest:${#BASH_REMATCH[0]}}
  done
  bounded wine "${words[@]}"
}

# run_setup INSTALLER ARGUMENTS: the installer with this command line, as
# typed. The installer reads /D= only unquoted, as on Windows, but wine
# would quote each argument that holds a space; cmd passes a line on as it
# is, so it is given the line in pieces cut at the spaces.
run_setup() {
  local words
  read -r -a words <<< "$*"
  bounded wine cmd /c "${words[@]}"
}
# A prefix made just now, and its registry and C: drive as they are.
new_prefix() {
  scenario=$1
  export WINEPREFIX=$work/$1
  prefixes+=("$WINEPREFIX")
  "$make_prefix" "$WINEPREFIX" || { echo "FAILED ($1): no wine prefix; stopped"; exit 1; }
  snapshot "$work/$1.before"
}

# export ROOT FILE: HKEY_CURRENT_USER\Software or HKEY_LOCAL_MACHINE\Software
# as regedit writes it, in UTF-8.
export_software() {
  wine regedit /E "$2.utf16" "$1\\Software" > /dev/null 2>&1 < /dev/null
  iconv -f UTF-16 -t UTF-8 "$2.utf16" | tr -d '\r' > "$2"
  # Two empty exports would compare equal.
  grep -q '^\[' "$2" || fail "regedit exported nothing of $1\\Software"
}

# snapshot FILE: the registry and the C: drive, less two things that are
# not the installer's: the keys under "Temporary System Parameters", which
# wine writes afresh whenever its desktop starts, and an empty folder
# ~nsuN.tmp in the user's temp folder, where every NSIS uninstaller runs
# from a copy of itself; the copy is deleted, its folder is not. A file
# left in it still counts.
snapshot() {
  export_software HKEY_CURRENT_USER "$work/cu.reg"
  export_software HKEY_LOCAL_MACHINE "$work/lm.reg"
  cat "$work/cu.reg" "$work/lm.reg" |
    awk '/^\[/ { skip = index($0, "\\Software\\Wine\\Temporary System Parameters") > 0 } !skip' > "$1"
  (cd "$WINEPREFIX/drive_c" &&
    find . \( -type f -printf 'file %P %s\n' \) -o \( -type d -name '~nsu*.tmp' -empty \) -o -printf '%y %P\n' |
    sort) >> "$1"
}

# value REG KEY NAME: the value NAME ("@" for the default) of KEY in an
# exported registry file, unquoted; a DWORD as dword:XXXXXXXX.
value() {
  awk -v key="[$2]" -v name="$3" '
    $0 == key { inside = 1; next }
    /^\[/ { inside = 0 }
    inside {
      prefix = name == "@" ? "@=" : "\"" name "\"="
      if (index($0, prefix) != 1) next
      v = substr($0, length(prefix) + 1)
      if (v !~ /^"/) { print v; exit }
      out = ""
      for (i = 2; i < length(v); i++) {
        c = substr(v, i, 1)
        if (c == "\\") { i++; c = substr(v, i, 1) }
        out = out c
      }
      print out
      exit
    }' "$1"
}

# expect WHAT ACTUAL WANTED
expect() { [ "$2" = "$3" ] || fail "$1 is \"$2\", not \"$3\""; }

# The verbs: class under Software\Classes, key, label, what follows the
# program on the command line, and what the test gives it (run_verbs).
verbs=(
  'SystemFileAssociations\.cue|Brindlet.Repair|Repair with Brindlet|"%1"|sheet'
  'SystemFileAssociations\.bin|Brindlet.Repair|Repair with Brindlet|"%1"|image'
  'SystemFileAssociations\.img|Brindlet.Repair|Repair with Brindlet|"%1"|image'
  'SystemFileAssociations\.iso|Brindlet.Repair|Repair with Brindlet|"%1"|image'
  'Directory|Brindlet.Repair|Repair with Brindlet|"%1"|folder'
  'Directory\Background|Brindlet.Repair|Repair with Brindlet|"%V"|folder'
  'Directory|Brindlet.Restore|Restore originals with Brindlet|--restore "%1"|restored'
  'Directory\Background|Brindlet.Restore|Restore originals with Brindlet|--restore "%V"|restored'
  'Directory|Brindlet.Playlists|Make playlists with Brindlet|--playlists "%1"|playlists'
  'Directory\Background|Brindlet.Playlists|Make playlists with Brindlet|--playlists "%V"|playlists'
)
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Brindlet'

# check_installed ROOT FOLDER SHORTCUT: this version installed under ROOT
# (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) in FOLDER (as Windows names
# it), with its shortcut at SHORTCUT (on the Linux side); its registry is
# left in $work/installed.reg.
check_installed() {
  local root=$1 folder=$2 shortcut=$3 reg=$work/installed.reg other row class id label arguments key
  export_software "$root" "$reg"
  local entry="$root\\$uninstall_key" program="$folder\\brindlet.exe"
  expect DisplayName "$(value "$reg" "$entry" DisplayName)" "Brindlet"
  expect DisplayVersion "$(value "$reg" "$entry" DisplayVersion)" "$version"
  expect Publisher "$(value "$reg" "$entry" Publisher)" "The Brindlet developers"
  expect DisplayIcon "$(value "$reg" "$entry" DisplayIcon)" "$program,0"
  expect InstallLocation "$(value "$reg" "$entry" InstallLocation)" "$folder"
  expect UninstallString "$(value "$reg" "$entry" UninstallString)" "\"$folder\\uninstall.exe\""
  expect QuietUninstallString "$(value "$reg" "$entry" QuietUninstallString)" \
    "\"$folder\\uninstall.exe\" /S"
  # The size in KiB of what is in the folder, as NSIS counts it.
  local bytes
  bytes=$(find "$(on_c "$folder")" -type f -printf '%s\n' | awk '{ sum += $1 } END { print sum }')
  expect EstimatedSize "$(value "$reg" "$entry" EstimatedSize)" "$(printf 'dword:%08x' $((bytes / 1024)))"
  # One entry in Apps & features, in this scope alone.
  [ "$root" = HKEY_CURRENT_USER ] && other=HKEY_LOCAL_MACHINE || other=HKEY_CURRENT_USER
  export_software "$other" "$work/other.reg"
  expect "the number of Apps & features entries" \
    "$(cat "$reg" "$work/other.reg" | grep -c '^"DisplayName"="Brindlet"$')" 1

  expect "the installed files" "$(ls "$(on_c "$folder")" | tr '\n' ' ')" \
    "LICENSE.txt README.txt brindlet.exe uninstall.exe "
  cmp -s "$(on_c "$folder")/brindlet.exe" "$payload_exe" || fail "brindlet.exe is not this version's"
  # The link holds the target in UTF-16, at an even or an odd offset.
  [ -f "$shortcut" ] && { iconv -c -f UTF-16LE -t UTF-8 < "$shortcut"
    tail -c +2 "$shortcut" | iconv -c -f UTF-16LE -t UTF-8; } 2> /dev/null | grep -qaF "$program" ||
    fail "no shortcut at $shortcut leading to $program"

  for row in "${verbs[@]}"; do
    IFS='|' read -r class id label arguments _ <<< "$row"
    key="$root\\Software\\Classes\\$class\\shell\\$id"
    expect "$class's verb $id" "$(value "$reg" "$key" @)" "$label"
    expect "$class's icon" "$(value "$reg" "$key" Icon)" "$program,0"
    expect "$class's selection model" "$(value "$reg" "$key" MultiSelectModel)" "Player"
    expect "$class's command" "$(value "$reg" "$key\\command" @)" "\"$program\" $arguments"
    # Never the type's default action.
    expect "$class's default verb" "$(value "$reg" "${key%\\*}" @)" ""
  done
  expect "the number of Brindlet verbs" \
    "$(grep -c '\\shell\\Brindlet\.[^\\]*]$' "$reg")" "${#verbs[@]}"
}

# run_verbs ROOT: each verb's command line, as Explorer would run it, on a
# sheet, an image or a folder named with spaces and letters beyond ASCII.
# Each image the sheets name is there (a made-up one), so no dialog comes up.
run_verbs() {
  local root=$1 n=0 row class id given folder target line ext placeholder
  for row in "${verbs[@]}"; do
    IFS='|' read -r class id _ _ given <<< "$row"
    n=$((n + 1))
    folder="$work/verb$n/Spiele Ä Ω"
    mkdir -p "$folder/Disc Ω"
    case $given in
      sheet)
        cp "$data/latin1_title.cue" "$folder/Ünï Racer.cue"
        printf 'x' > "$folder/Cafe.bin"
        target="$folder/Ünï Racer.cue" ;;
      image)
        ext=${class##*.}
        printf 'x' > "$folder/Ünï Racer.$ext"
        target="$folder/Ünï Racer.$ext" ;;
      folder)
        # A sheet in the folder and one a level below: a sweep takes both.
        for sub in "" "/Disc Ω"; do
          cp "$data/latin1_title.cue" "$folder$sub/Ünï Racer.cue"
          printf 'x' > "$folder$sub/Cafe.bin"
        done
        target=$folder ;;
      restored)
        # A sheet a level below as a repair left it, its original kept.
        cp "$data/latin1_title.cue" "$folder/Disc Ω/Ünï Racer.cue.bak"
        cp "$data/latin1_title.expected.cue" "$folder/Disc Ω/Ünï Racer.cue"
        printf 'x' > "$folder/Disc Ω/Cafe.bin"
        target=$folder ;;
      playlists)
        for disc in 1 2; do cp "$data/latin1_title.cue" "$folder/Disc Ω/Ünï (Disc $disc).cue"; done
        printf 'x' > "$folder/Disc Ω/Cafe.bin"
        target=$folder ;;
    esac
    line=$(value "$work/installed.reg" "$root\\Software\\Classes\\$class\\shell\\$id\\command" @)
    # Explorer gives the item's path for %1; a folder's background has no
    # item, only the folder open, for %V.
    placeholder=%1
    [[ $class = *Background ]] && placeholder=%V
    run_line "${line//"$placeholder"/"$(native "$target")"}"
    case $given in
      sheet) cmp -s "$target" "$data/latin1_title.expected.cue" || fail "$class: the sheet was not repaired" ;;
      image)
        printf 'FILE "Ünï Racer.%s" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' "$ext" |
          cmp -s - "$folder/Ünï Racer.cue" || fail "$class: the image got no sheet, or a wrong one" ;;
      folder)
        for sub in "" "/Disc Ω"; do
          cmp -s "$folder$sub/Ünï Racer.cue" "$data/latin1_title.expected.cue" ||
            fail "$class: the sheet in \"Spiele Ä Ω$sub\" was not repaired"
        done ;;
      restored)
        cmp -s "$folder/Disc Ω/Ünï Racer.cue" "$data/latin1_title.cue" &&
          [ ! -e "$folder/Disc Ω/Ünï Racer.cue.bak" ] || fail "$class: the original was not restored" ;;
      playlists)
        printf 'Ünï (Disc 1).cue\nÜnï (Disc 2).cue\n' | cmp -s - "$folder/Disc Ω/Ünï.m3u" ||
          fail "$class: no playlist, or a wrong one" ;;
    esac
  done
}

# uninstall ROOT: the entry's own quiet command line; afterwards the prefix
# is as it was before the install.
uninstall() {
  run_line "$(value "$work/installed.reg" "$1\\$uninstall_key" QuietUninstallString)"
  # An NSIS uninstaller returns at once, and works on from a copy of itself.
  timeout -k 5 60 wineserver -w
  snapshot "$work/$scenario.after"
  diff "$work/$scenario.before" "$work/$scenario.after" > "$work/diff.txt" ||
    fail "the uninstall left the prefix changed:$(printf '\n'; head -n 40 "$work/diff.txt")"
}

# cmd is given the installer by a path without spaces.
cp "$setup_built" "$work/setup.exe"
setup=$(native "$work/setup.exe")
# The user's shortcut, in a prefix made for the user running this.
user_menu() {
  printf '%s/drive_c/users/%s/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Brindlet.lnk' \
    "$WINEPREFIX" "$(ls "$WINEPREFIX/drive_c/users" | grep -vx Public)"
}

new_prefix user
run_setup "$setup /S"
home=$(ls "$WINEPREFIX/drive_c/users" | grep -vx Public)
check_installed HKEY_CURRENT_USER "C:\\users\\$home\\AppData\\Local\\Programs\\Brindlet" "$(user_menu)"
run_verbs HKEY_CURRENT_USER
uninstall HKEY_CURRENT_USER

# The older version: another program file, and a file this one lacks.
mkdir -p "$work/old"
{ cat "$payload_exe"; printf 'an older build'; } > "$work/old/brindlet.exe"
printf 'notes\r\n' > "$work/old/Old Notes.txt"
for name in brindlet.exe "Old Notes.txt"; do
  printf '!insertmacro ${PAYLOAD_ACTION} "%s" "%s"\n' "$work/old/$name" "$name"
done > "$work/old/files.nsh"
makensis -V1 -DVERSION=0.9.0 "-DPAYLOAD=$work/old/files.nsh" "-DOUTFILE=$work/old-setup.exe" "$script" ||
  { echo "FAILED: the older installer could not be built"; exit 1; }

new_prefix upgrade
chosen='C:\Spiele Ω\Brindlet'
run_setup "$(native "$work/old-setup.exe") /S /D=$chosen"
[ -f "$(on_c "$chosen")/Old Notes.txt" ] || fail "the older version is not installed in $chosen"
run_setup "$setup /S"
check_installed HKEY_CURRENT_USER "$chosen" "$(user_menu)"
uninstall HKEY_CURRENT_USER

new_prefix all-users
run_setup "$setup /S /AllUsers"
check_installed HKEY_LOCAL_MACHINE 'C:\Program Files\Brindlet' \
  "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Brindlet.lnk"
uninstall HKEY_LOCAL_MACHINE

[ "$failures" -eq 0 ] && echo "installer under wine: all scenarios passed"
exit $((failures > 0))
