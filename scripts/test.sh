#!/usr/bin/env bash
# Sets up everything the tests need, then builds and tests both builds:
# Linux natively, and 64-bit Windows under wine. The dialog tests drive the
# real dialogs on a virtual X display started here for the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh test

cleanup() {
  [ -z "${WINEPREFIX:-}" ] || wineserver -k > /dev/null 2>&1 || true
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2> /dev/null || true
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to descriptor 3.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$display_file" > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$display_file")"
rm -f "$display_file"

export WINEDEBUG=-all
# The tests' own wine prefix, never the user's ~/.wine: made here on the
# first run, with no DOS port name leading to a device of this machine.
export WINEPREFIX="$PWD/build/wine-prefix"
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
tests/support/make_wine_prefix.sh "$WINEPREFIX" ||
  { echo "FAILED: the wine prefix $WINEPREFIX could not be made" >&2; exit 1; }
# One wine start for the whole run: a persistent server, so that the
# system processes wineboot starts outlive it, and no test binary pays for
# them again. The server puts itself in the background once it is up.
# Their output goes nowhere: a wine process holding a test's output open
# would keep ctest waiting.
wineserver -p > /dev/null 2>&1 < /dev/null ||
  { echo "FAILED: wineserver did not start in $WINEPREFIX" >&2; exit 1; }
wineboot > /dev/null 2>&1 < /dev/null || true

status=0
for preset in linux windows; do
  echo "== $preset"
  cmake --preset "$preset" -DBUILD_TESTING=ON > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -LE gui || status=1
  # The journeys through real dialogs on a virtual display are bound to its
  # timing: a failure is shown in full, then they get one more try. No
  # other test does: a flaky one must fail the run.
  ctest --preset "$preset" -L gui ||
    { echo "== $preset: the dialog journeys once more"; ctest --preset "$preset" -L gui; } ||
    status=1
done
# The Linux build again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a short run of each fuzz target.
cmake --workflow --preset linux-asan || status=1
cmake --workflow --preset linux-fuzz || status=1
# The packages a user downloads: the .deb installed in a clean Debian 12,
# the Windows zip checked for what it must hold.
echo "== packages"
(cd build/linux && cpack -G DEB > /dev/null) &&
  tests/package_contents.sh build/linux/packages/brindlet_*_amd64.deb &&
  tests/package_install.sh build/linux/packages/brindlet_*_amd64.deb build/clean-debian12 ||
  status=1
# The listing is read whole before it is searched: unzip writes it line by
# line, and a grep -q that stops at its first match would end unzip with
# SIGPIPE, which pipefail reports as a failure.
zip_listing=$( (cd build/windows && cpack -G ZIP > /dev/null) &&
  unzip -l build/windows/packages/brindlet-*-windows-x64.zip) &&
  grep -q ' brindlet.exe$' <<< "$zip_listing" &&
  grep -q ' LICENSE.txt$' <<< "$zip_listing" ||
  { echo "FAILED: the Windows zip"; printf '%s\n' "${zip_listing:-}"; status=1; }
exit $status
