#!/usr/bin/env bash
# Installs the built .deb in a clean Debian 12 made with debootstrap (kept
# under the build folder for the next run) and starts it headless through
# its console prompt, as a user of a fresh machine would.
# Usage: package_install.sh PACKAGE.deb CLEAN_ROOT
set -eu
package=$1
root=$2

mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "Making a clean Debian 12 in $root"
  rm -rf "$root"
  debootstrap --variant=minbase bookworm "$root" "$mirror" > "$root.log" 2>&1 ||
    { tail -n 20 "$root.log"; exit 1; }
fi

mount -t proc proc "$root/proc"
cleanup() {
  chroot "$root" apt-get purge -y -qq --autoremove brindlet > /dev/null 2>&1 || true
  umount "$root/proc" 2> /dev/null || true
}
trap cleanup EXIT

cp "$package" "$root/tmp/brindlet.deb"
# apt resolves the package's computed dependencies from the archive.
if ! { chroot "$root" apt-get update -qq &&
       DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -qq /tmp/brindlet.deb; } \
     > "$root.install.log" 2>&1; then
  tail -n 20 "$root.install.log"
  echo "FAILED: the package did not install"
  exit 1
fi

rm -rf "$root/tmp/discs" && mkdir -p "$root/tmp/discs"
printf 'x' > "$root/tmp/discs/Game.bin"
printf '/tmp/discs/Game.bin\n' | chroot "$root" env -u DISPLAY -u WAYLAND_DISPLAY brindlet > /dev/null
printf 'FILE "Game.bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' > "$root/tmp/expected.cue"
if cmp -s "$root/tmp/discs/Game.cue" "$root/tmp/expected.cue"; then
  echo "package installed in a clean Debian 12 and ran headless"
else
  echo "FAILED: the installed program did not write the expected sheet"
  exit 1
fi
[ -f "$root/usr/share/applications/brindlet.desktop" ] || { echo "FAILED: no desktop entry"; exit 1; }
[ -f "$root/usr/share/icons/hicolor/256x256/apps/brindlet.png" ] || { echo "FAILED: no icon"; exit 1; }
grep -qx 'MimeType=application/x-cue;application/x-cd-image;' "$root/usr/share/applications/brindlet.desktop" ||
  { echo "FAILED: the desktop entry opens no cue sheets or CD images"; exit 1; }
gzip -dc "$root/usr/share/man/man1/brindlet.1.gz" 2> /dev/null | grep -q '^\.TH BRINDLET 1 ' ||
  { echo "FAILED: no manual page"; exit 1; }
# A path on the command line takes the place of the prompt.
printf 'x' > "$root/tmp/discs/Other.iso"
chroot "$root" env -u DISPLAY -u WAYLAND_DISPLAY brindlet /tmp/discs/Other.iso < /dev/null > /dev/null
[ -s "$root/tmp/discs/Other.cue" ] || { echo "FAILED: the installed program ignored its argument"; exit 1; }
