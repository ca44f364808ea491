#!/usr/bin/env bash
# Times an "all" sweep of the Release build over generated game libraries
# against the floor measured in the same run: copying every sheet twice
# with cp (a backup and a new sheet per sheet). Then a second sweep over
# the library just repaired, which must write nothing; then one 200 MB sheet.
# Each figure is the median of REPEATS runs, all with a warm page cache.
# The program is built as scripts/run.sh builds it (Release, GTK), and its
# peak memory is set against an idle run of it, one cancelled at once: the
# difference is what the work itself costs.
#
# Usage: bench/sweep_benchmark.sh [SHEET_COUNT...]   (default 1000 10000 50000)
# Environment: REPEATS (default 3), BENCH_DIR (default a new folder in /tmp),
#              BIG_SHEET_MB (default 200), SETTLE_SECONDS (default 65, below).
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${REPEATS:-3}
big_mb=${BIG_SHEET_MB:-200}
settle=${SETTLE_SECONDS:-65}
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 10000 50000)

scripts/install-dependencies.sh test
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build/bench --target brindlet > /dev/null
brindlet=$PWD/build/bench/brindlet

root=${BENCH_DIR:-$(mktemp -d /tmp/brindlet-bench.XXXXXX)}
mkdir -p "$root"
trap 'rm -rf "$root"' EXIT

# One game's disc: a data track and three audio tracks, one image file per
# track (a few bytes each), as a disc-image preservation set lays them out;
# the second audio track has no pregap, so it gets an INDEX 00.
write_sheet() { # folder floor-folder name
  local content track
  content=$(
    printf 'REM GENRE "Racing"\r\nREM DATE 1998\r\nPERFORMER "Studio"\r\nTITLE "%s"\r\n' "$3"
    printf 'FILE "%s (Track 1).bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' "$3"
    printf 'FILE "%s (Track 2).bin" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n' "$3"
    printf 'FILE "%s (Track 3).bin" BINARY\r\n  TRACK 03 AUDIO\r\n    INDEX 01 00:00:00\r\n' "$3"
    printf 'FILE "%s (Track 4).bin" BINARY\r\n  TRACK 04 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n' "$3"
  )
  printf '%s\n' "$content" > "$1/$3.cue"
  printf '%s\n' "$content" > "$2/$3.cue"
  for track in 1 2 3 4; do printf 'x' > "$1/$3 (Track $track).bin"; done
}

# A library of count sheets, ten per game folder, inside its own parent
# folder: the sweep also visits "." and "..". The floor's tree beside it
# holds the same folders with the sheets alone.
make_library() { # count target floor-target
  local folders=$(($1 / 10)) f d game
  mkdir -p "$2/parent/games" "$3"
  for ((f = 1; f <= folders; f++)); do
    printf -v game 'Game %05d' "$f"
    mkdir "$2/parent/games/$game" "$3/$game"
    for ((d = 1; d <= 10; d++)); do write_sheet "$2/parent/games/$game" "$3/$game" "$game (Disc $d)"; done
  done
}

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
calc() { awk "BEGIN { print $1 }"; }

# Sets elapsed (seconds) and rss (KiB) for brindlet answering "$1".
time_brindlet() { # answer
  local start end
  start=$(now)
  printf '%s\n' "$1" |
    env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/time -v -o "$root/time.txt" "$brindlet" > /dev/null
  end=$(now)
  elapsed=$(calc "$end - $start")
  rss=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$root/time.txt")
}

# Seconds for copying a tree twice, one cp process per copy.
time_floor() { # tree first-copy second-copy
  local start end
  start=$(now)
  cp -r "$1" "$2"
  cp -r "$1" "$3"
  end=$(now)
  calc "$end - $start"
}

# Every copy a round needs is made before the round is timed, and nothing
# is deleted until it ends. Where ext4 runs without a journal (as on the
# machine this was written on), making a new inode skips every inode freed
# in the last minute, reading its table block to find out; right after a
# large deletion (the previous round's, or a previous run's) that search
# can cost more than the work timed, falling on the sweep or on the floor
# depending on where the freed inodes lie. So each round waits, after its
# sync, until everything freed before it has aged out: SETTLE_SECONDS,
# default 65; 0 times the disk as it is.
idles=()
for ((r = 0; r < repeats; r++)); do
  time_brindlet ""
  idles+=("$rss")
done
idle=$(printf '%s\n' "${idles[@]}" | sort -n | head -1)
printf 'idle run (cancelled at once): peak %s KiB\n\n' "$idle"

# What a second sweep must leave as it is: every file's number, size and
# modification time, and the set of files.
stamps() { find "$1" -printf '%i %s %T@ %p\n' | sort; }

printf '%-8s %10s %10s %7s %10s %7s %12s %10s %10s\n' sheets sweep_s floor_s ratio again_s ratio \
  sheets_per_s peak_KiB over_idle
for count in "${counts[@]}"; do
  round=$root/round-$count
  make_library "$count" "$round/pristine" "$round/sheets/games"
  for ((r = 0; r < repeats; r++)); do cp -a "$round/pristine" "$round/work-$r"; done
  sync
  sleep "$settle"
  sweeps=() agains=() floors=() rsses=()
  for ((r = 0; r < repeats; r++)); do
    time_brindlet "$round/work-$r/parent/games/all"
    sweeps+=("$elapsed") rsses+=("$rss")
    floors+=("$(time_floor "$round/sheets/games" "$round/copy-$r-a" "$round/copy-$r-b")")
    backups=$(find "$round/work-$r" -name '*.cue.bak' | wc -l)
    [ "$backups" -eq "$count" ] || echo "warning: $backups backups for $count sheets" >&2
    stamps "$round/work-$r" > "$root/repaired.txt"
    time_brindlet "$round/work-$r/parent/games/all"
    agains+=("$elapsed") rsses+=("$rss")
    stamps "$round/work-$r" | cmp -s - "$root/repaired.txt" ||
      echo "warning: the second sweep changed files" >&2
  done
  sweep=$(printf '%s\n' "${sweeps[@]}" | median)
  again=$(printf '%s\n' "${agains[@]}" | median)
  floor=$(printf '%s\n' "${floors[@]}" | median)
  peak=$(printf '%s\n' "${rsses[@]}" | sort -n | tail -1)
  printf '%-8s %10.3f %10.3f %7.2f %10.3f %7.2f %12.0f %10s %10s\n' "$count" "$sweep" "$floor" \
    "$(calc "$sweep / $floor")" "$again" "$(calc "$again / $floor")" "$(calc "$count / $sweep")" \
    "$peak" "$((peak - idle))"
  echo "  runs: sweep ${sweeps[*]}; again ${agains[*]}; floor ${floors[*]}" >&2
  rm -rf "$round"
done

# One sheet of big_mb MB of ordinary lines, picked directly: one FILE line,
# then tracks, indexes (half of them shifted) and lines that are dropped.
mkdir -p "$root/big"
printf 'x' > "$root/big/Big.bin"
block='REM COMMENT "ordinary"\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 05:30:12\r\nTITLE "Track"\r\n'
printf "$block%.0s" $(seq 1 1000) > "$root/block.txt"
blocks=$((big_mb * 1024 * 1024 / $(stat -c %s "$root/block.txt")))
{
  printf 'FILE "Big.bin" BINARY\r\n'
  for ((b = 0; b < blocks; b++)); do cat "$root/block.txt"; done
} > "$root/big/Big.cue"
size=$(stat -c %s "$root/big/Big.cue")
for ((r = 0; r < repeats; r++)); do cp -a "$root/big" "$root/big-$r"; done
sync
sleep "$settle"
bigs=() bigrss=()
for ((r = 0; r < repeats; r++)); do
  # Each run leaves its new sheet's 150 MB to be written back; the next
  # one would otherwise pay for it, throttled behind the writeback.
  sync
  time_brindlet "$root/big-$r/Big.cue"
  bigs+=("$elapsed") bigrss+=("$rss")
done
big=$(printf '%s\n' "${bigs[@]}" | median)
bigpeak=$(printf '%s\n' "${bigrss[@]}" | sort -n | tail -1)
printf '\nbig sheet: %d bytes in %.3f s (%.0f MB/s), peak %s KiB (%s over idle)\n' "$size" "$big" \
  "$(calc "$size / $big / 1000000")" "$bigpeak" "$((bigpeak - idle))"
