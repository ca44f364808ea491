#!/usr/bin/env bash
# Installs the Debian 12 packages Brindlet needs, only those still missing.
# Usage: install-dependencies.sh run|test
set -euo pipefail

run_packages=(cmake ninja-build g++ pkg-config libgtk-3-dev)
# The dialog tests: a virtual display (xauth for xvfb-run), xdotool to
# type into the dialogs, xclip to read what they show, ImageMagick for
# screenshots, and a font for legible ones; groff checks the manual page.
test_packages=("${run_packages[@]}" googletest libgtest-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
  xvfb xauth xdotool xclip imagemagick fonts-dejavu-core
  dpkg-dev debootstrap unzip desktop-file-utils groff-base)
# Other cue readers, to read repaired sheets with: cuetools, and chdman
# (mame-tools), which reads the images too; mednafen reads playlists.
test_packages+=(cuetools mame-tools mednafen)
# The Windows installer (makensis), built and run under wine by the tests.
test_packages+=(nsis)
# What a replaced sheet must keep: ACLs (acl), extended attributes
# (attr) and file capabilities (libcap2-bin).
test_packages+=(acl attr libcap2-bin)
# The sanitizer and fuzzing builds, and the benchmarks' memory figures.
test_packages+=(clang libclang-rt-14-dev time)

case "${1:-test}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
# Another apt (an unattended upgrade, a second terminal) may hold the
# package lock: wait for it rather than fail. What apt says is kept, and
# shown in full when it fails.
wait_for_lock=(-o DPkg::Lock::Timeout=600)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get "${wait_for_lock[@]}" "$@" > "$log" 2>&1 ||
    { echo "apt-get $1 failed; the packages wanted: ${missing[*]}" >&2; cat "$log" >&2; exit 1; }
}
echo "Installing: ${missing[*]}"
apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
