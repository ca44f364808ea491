#!/usr/bin/env bash
# Peak memory of repairing a sheet that holds one very long line (a corrupt
# file, a pasted blob), against the line's size: a line should cost about
# twice its size (its text is UTF-16) and no more, however long it is. Each
# sheet is repaired twice: once with the long line dropped (a REM line),
# once kept (a TRACK line whose fields go on and on). Every run is limited
# to 1.5 GiB of address space, as a small machine or container would be.
# The program is built as scripts/run.sh builds it (Release, GTK), and its
# peak is set against an idle run of it, one cancelled at once.
#
# Usage: bench/long_line_memory.sh [LINE_MB...]   (default 100 300)
# Environment: BENCH_DIR (default a new folder in /tmp).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100 300)

scripts/install-dependencies.sh test
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build/bench --target brindlet > /dev/null
brindlet=$PWD/build/bench/brindlet

root=${BENCH_DIR:-$(mktemp -d /tmp/brindlet-long-line.XXXXXX)}
mkdir -p "$root"
trap 'rm -rf "$root"' EXIT
limit_kib=$((1536 * 1024))

# Runs the program on "$1" (or cancels at once for ""), limited; sets rss
# (KiB) and code.
run() {
  printf '%s\n' "$1" > "$root/answer"
  set +e
  (ulimit -v "$limit_kib" &&
    env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/time -v -o "$root/time.txt" "$brindlet" \
      < "$root/answer" > /dev/null 2>&1)
  code=$?
  set -e
  rss=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$root/time.txt")
}

run ""
idle=$rss
printf 'idle run (cancelled at once): peak %s KiB\n\n' "$idle"
printf '%-8s %-8s %8s %12s %10s %12s %s\n' line_MB line exit peak_KiB over_idle per_line_byte repaired

printf 'x' > "$root/Big.bin"
for mb in "${sizes[@]}"; do
  for kind in dropped kept; do
    sheet=$root/Long.cue
    rm -f "$sheet" "$sheet.bak"
    {
      printf 'FILE "Big.bin" BINARY\r\n'
      if [ "$kind" = dropped ]; then printf '  TRACK 01 MODE1/2352\r\nREM '; else printf '  TRACK 01 MODE1/2352 '; fi
      head -c "$((mb * 1024 * 1024))" /dev/zero | tr '\0' 'x'
      printf '\r\n    INDEX 01 00:00:00\r\n'
    } > "$sheet"
    run "$sheet"
    # The repair's last line is the INDEX line after the long one.
    if [ "$code" -eq 0 ] && [ "$(tail -c 23 "$sheet")" = $'    INDEX 01 00:00:00\r' ]; then
      repaired=yes
    else
      repaired=no
    fi
    printf '%-8s %-8s %8s %12s %10s %12.2f %s\n' "$mb" "$kind" "$code" "$rss" "$((rss - idle))" \
      "$(awk "BEGIN { print ($rss - $idle) * 1024 / ($mb * 1048576) }")" "$repaired"
  done
done
