#!/usr/bin/env bash
# Checks what the built .deb holds without installing it: the program, its
# manual page compressed as Debian's are, and a valid desktop entry that
# opens cue sheets and CD images.
# Usage: package_contents.sh PACKAGE.deb
set -u
package=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

dpkg-deb -c "$package" > "$work/listing.txt" || { echo "FAILED: $package is no package"; exit 1; }
for file in usr/bin/brindlet usr/share/man/man1/brindlet.1.gz usr/share/applications/brindlet.desktop; do
  grep -q " \./$file\$" "$work/listing.txt" || fail "no $file in the package"
done
dpkg-deb -x "$package" "$work/root"
# The program opens GTK only when a dialog is due, so nothing linked names
# it: the package must.
dpkg-deb -f "$package" Depends | grep -q 'libgtk-3-0' || fail "the package does not depend on GTK 3"

page=$work/root/usr/share/man/man1/brindlet.1.gz
gzip -t "$page" 2> /dev/null || fail "the manual page is not gzip-compressed"
# -n: no name or time stored, so the byte after the flags is zero throughout.
[ "$(od -An -tx1 -j3 -N5 "$page" | tr -d ' ')" = 0000000000 ] ||
  fail "the manual page was compressed with its name or time (not gzip -n)"
gzip -dc "$page" | grep -q '^\.TH BRINDLET 1 ' || fail "the manual page has no title line"
gzip -dc "$page" | grep -q '\.cue\.bak' || fail "the manual page does not tell of the backup"
[ "$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1)" = "" ] ||
  fail "groff warns about the manual page"

entry=$work/root/usr/share/applications/brindlet.desktop
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qx 'Exec=brindlet %F' "$entry" || fail "the desktop entry does not pass its files on"
mime=$(sed -n 's/^MimeType=//p' "$entry")
for type in application/x-cue application/x-cd-image; do
  [[ ";$mime" == *";$type;"* ]] || fail "the desktop entry does not open $type"
done

[ "$failures" -eq 0 ] && echo "package contents: program, manual page and desktop entry in place"
exit $((failures > 0))
