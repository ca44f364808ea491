#!/usr/bin/env bash
# Sets up everything the tests need, then builds and tests both builds:
# Linux natively, and 64-bit Windows under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh test

export WINEDEBUG=-all
# One wine start for the whole run: the prefix is made once, and a
# persistent server keeps every test binary from paying for it again.
wineboot --init > /dev/null 2>&1 || true
wineserver -p > /dev/null 2>&1 < /dev/null &
trap 'wineserver -k > /dev/null 2>&1 || true' EXIT

status=0
for preset in linux windows; do
  echo "== $preset"
  cmake --preset "$preset" -DBUILD_TESTING=ON > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" || status=1
done
# The packages a user downloads: the .deb installed in a clean Debian 12,
# the Windows zip checked for what it must hold.
echo "== packages"
(cd build/linux && cpack -G DEB > /dev/null) &&
  desktop-file-validate packaging/brindlet.desktop &&
  tests/package_install.sh build/linux/packages/brindlet_*_amd64.deb build/clean-debian12 ||
  status=1
(cd build/windows && cpack -G ZIP > /dev/null) &&
  unzip -l build/windows/packages/brindlet-*-windows-x64.zip | grep -q ' brindlet.exe$' &&
  unzip -l build/windows/packages/brindlet-*-windows-x64.zip | grep -q ' LICENSE.txt$' ||
  { echo "FAILED: the Windows zip"; status=1; }
exit $status
