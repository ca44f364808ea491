#!/usr/bin/env bash
# Runs the Linux program over sheets that belong to other users, carry
# ACLs or extended attributes, lie in set-group-ID or sticky folders, or
# have names at the file system's length limit. Root only: the program is
# run as root and, through setpriv, as the user nobody (65534).
#   keeps  each sheet, once repaired, has its owner, group, mode, ACL and
#          extended attributes as before, and its original in its backup.
#   odd    one sweep of a library where some sheets cannot be repaired:
#          each such sheet is passed over with nothing left beside it, or
#          repaired, and every other sheet is repaired.
# Usage: sheets_as_other_users.sh PROGRAM
set -u
program=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; exit 77; }
for tool in setpriv setfacl getfattr setcap; do
  command -v "$tool" > /dev/null || { echo "skipped: no $tool"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() { echo "FAILED ($case): $*"; failures=$((failures + 1)); }

original=$'REM made by hand\r\nFILE "Game.bin" BINARY\r\nTRACK 01 MODE1/2352\r\nINDEX 01 00:00:00\r\n'
repaired=$'FILE "Game.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n'

# A sheet and its image in folder, the sheet named name.
sheet_in() { mkdir -p "$1" && printf 'x' > "$1/Game.bin" && printf '%s' "$original" > "$1/$2"; }
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
# Everything a replaced sheet must keep, in one text.
keepsakes() {
  stat -c '%u:%g %a' "$1"
  getfattr --absolute-names -d -m - -e hex "$1" 2> /dev/null | grep -v '^#'
}
holds() { cmp -s "$1" <(printf '%s' "$2"); }
nothing_beside() { [ -z "$(find "$(dirname "$1")" -name '*.brindlet-*' -print -quit)" ]; }
is_repaired() { holds "$1" "$repaired" && holds "$1.bak" "$original" && nothing_beside "$1"; }
is_untouched() { holds "$1" "$original" && [ ! -e "$1.bak" ] && nothing_beside "$1"; }

keeps() {
  local runner=() sheet
  case=$1
  local folder=$work/keeps/$case
  sheet=$folder/Game.cue
  sheet_in "$folder" Game.cue
  case $case in
    another-users-sheet)  # nobody repairs a writable sheet of user 1234
      chmod 777 "$folder"; chown 1234:1234 "$sheet"; chmod 666 "$sheet"; runner=(as_nobody) ;;
    set-group-id-folder)  # the folder's group is not the sheet's
      chown 65534:2345 "$folder"; chmod 2777 "$folder"; chown 65534:65534 "$sheet"
      chmod 644 "$sheet"; runner=(as_nobody) ;;
    folder-default-acl)  # a new file here would lose "others may read"
      setfacl -d -m u::rw,g::rw,o::- "$folder"; chmod 644 "$sheet" ;;
    sheet-acl)  # a new file would lose it, and its mask with it
      setfacl -m u:65534:rw,g:65534:r "$sheet" ;;
    user-attribute)
      setfattr -n user.xdg.origin.url -v 'https://example.invalid/game' "$sheet" ;;
    file-capability)
      setcap cap_net_raw+ep "$sheet" ;;
  esac
  local before
  before=$(keepsakes "$sheet")
  "${runner[@]}" "$program" "$sheet" < /dev/null > /dev/null 2>&1 || fail "exit code $?"
  is_repaired "$sheet" || fail "not repaired, its backup not the original, or a file left beside it"
  [ "$(keepsakes "$sheet")" = "$before" ] ||
    fail "what it carries changed: $(diff <(echo "$before") <(keepsakes "$sheet") | tr '\n' ' ')"
}

odd() {
  case=odd
  local library=$work/odd ascii utf8 length
  mkdir -p "$library"
  # Names of 240 to 255 bytes, ASCII and three-byte UTF-8: up to 251 the
  # backup's name fits and the sheet is repaired; above it is passed over.
  for length in 240 243 248 251 252 255; do
    ascii=$(printf 'a%.0s' $(seq $((length - 4))))
    sheet_in "$library/ascii$length" "$ascii.cue"
  done
  utf8=$(printf 'ゲ%.0s' $(seq 81))  # 243 bytes, 247 with ".cue"
  sheet_in "$library/utf8-247" "$utf8.cue"
  sheet_in "$library/utf8-250" "${utf8}abc.cue"
  sheet_in "$library/utf8-253" "${utf8}abcdef.cue"
  # A folder where the new sheet would be written.
  sheet_in "$library/in-the-way" Game.cue
  mkdir "$library/in-the-way/Game.cue.brindlet-new"
  # Another user's writable sheet in a sticky folder, which nobody may
  # not rename over.
  sheet_in "$library/sticky" Game.cue
  chown 1234:1234 "$library/sticky/Game.cue"; chmod 666 "$library/sticky/Game.cue"
  chmod 1777 "$library/sticky"
  for plain in a b c; do sheet_in "$library/plain-$plain" Game.cue; done
  chmod -R a+rwX "$library"; chmod 1777 "$library/sticky"

  as_nobody "$program" "$library" < /dev/null > /dev/null 2>&1 || fail "exit code $?"
  local sheet name bytes
  while IFS= read -r -d '' sheet; do
    name=$(basename "$sheet")
    bytes=$(printf '%s' "$name" | wc -c)
    case $sheet in
      */in-the-way/*)
        holds "$sheet" "$original" && [ ! -e "$sheet.bak" ] || fail "in-the-way: the sheet changed"
        [ -d "$sheet.brindlet-new" ] || fail "in-the-way: the folder in the way is gone" ;;
      *)
        if [ "$bytes" -le 251 ]; then
          is_repaired "$sheet" || fail "$(basename "$(dirname "$sheet")"): not repaired ($bytes bytes)"
        else
          is_untouched "$sheet" || fail "$(basename "$(dirname "$sheet")"): changed ($bytes bytes)"
        fi ;;
    esac
  done < <(find "$library" -name '*.cue' -type f -print0)
  [ "$(stat -c %u "$library/sticky/Game.cue")" = 1234 ] || fail "the sticky folder's sheet changed hands"
}

for case in another-users-sheet set-group-id-folder folder-default-acl sheet-acl \
  user-attribute file-capability; do
  keeps "$case"
done
odd
[ "$failures" -eq 0 ] && echo "sheets as other users: all cases passed"
exit $((failures > 0))
