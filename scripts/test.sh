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
# The Linux build again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a short run of each fuzz target.
cmake --workflow --preset linux-asan || status=1
cmake --workflow --preset linux-fuzz || status=1
exit $status
