#!/usr/bin/env bash
# make_wine_prefix.sh PREFIX: makes a wine prefix at PREFIX, unless one is
# there already, in which no DOS port name leads to a device of this
# machine. Wine lays COM1, COM2, ... and LPT1, ... over the serial and
# parallel devices it finds each time its services start, except for the
# numbers named under HKLM\Software\Wine\Ports; a name given there with an
# empty target gets no link at all. So that key is written before wine
# first reads the registry. It takes numbers 1 to 255 only: a found device
# may still land on COM256 or LPT256, which no file name reaches (only
# COM1 to COM9 and LPT1 to LPT9 are device names inside a path).
# The caller's WINEDEBUG and WINEDLLOVERRIDES are kept; the menu builder is
# always kept off, so that nothing is written into the user's home.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
[ -f "$prefix/system.reg" ] && exit 0

mkdir -p "$prefix"
{
  printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n'
  printf '[Software\\\\Wine\\\\Ports] 1700000000\n'
  for n in $(seq 1 255); do printf '"COM%d"=""\n"LPT%d"=""\n' "$n" "$n"; done
} > "$prefix/system.reg"
# Its output goes nowhere: a wine process holding a caller's output open
# would keep the caller waiting.
wineboot --init > /dev/null 2>&1 < /dev/null
wineserver -w > /dev/null 2>&1 < /dev/null
for port in "$prefix"/dosdevices/com[1-9] "$prefix"/dosdevices/lpt[1-9]; do
  [ ! -e "$port" ] && [ ! -L "$port" ] && continue
  echo "make_wine_prefix.sh: $port leads to $(readlink "$port"); the prefix is not safe" >&2
  exit 1
done
