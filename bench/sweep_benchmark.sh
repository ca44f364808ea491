#!/usr/bin/env bash
# Times an "all" sweep of the Release build over generated game libraries
# against the floor measured in the same run: bench/floor.c, which makes
# per sheet only the system calls a safe first repair cannot do without
# (read the sheet, stat its images, write the new file beside it, link the
# sheet to its backup, rename the new file over it). Then a second sweep
# over the library just repaired, which must write nothing, against the
# floor of a rerun (read sheet and backup, stat images, compare); then one
# 200 MB sheet. The first sweep is also set against the floor's "kept"
# form: the same calls, plus those with which a repair keeps each sheet
# safe and whole (its lock, the look at its name before the rename, the
# new file's owner and mode, both files' attribute lists, the backup
# linked from the open sheet). kept/floor is what those cost; sweep/kept
# is what is left to the repair itself. The runs of a round take turns
# (A B, then B A; three runs rotate), each after a sync and with a warm
# page cache; the ratios are taken within a round, as the machine's speed
# drifts between rounds, and each figure is the median of REPEATS rounds.
# The program is built as scripts/run.sh builds it (Release, GTK), and is
# given its folder or sheet as a path, so no dialog comes and GTK is never
# loaded. Its peak memory is set against an idle run of it, given a path it
# passes over: the difference is what the work itself costs.
#
# Usage: bench/sweep_benchmark.sh [SHEET_COUNT...]   (default 1000 10000 50000)
# Environment: REPEATS (default 5), BENCH_DIR (default a new folder in /tmp),
#              BIG_SHEET_MB (default 200), SETTLE_SECONDS (default 65, below).
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${REPEATS:-5}
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
floor_program=$root/floor
cc -O2 -o "$floor_program" bench/floor.c

# One game's disc: a data track and three audio tracks, one image file per
# track (a few bytes each), as a disc-image preservation set lays them out;
# the second audio track has no pregap, so it gets an INDEX 00. Built with
# builtins alone, so that 50,000 sheets take seconds, not minutes.
write_sheet() { # folder name
  local content part track
  printf -v content 'REM GENRE "Racing"\r\nREM DATE 1998\r\nPERFORMER "Studio"\r\nTITLE "%s"\r\n' "$2"
  printf -v part 'FILE "%s (Track 1).bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' "$2"
  content+=$part
  printf -v part 'FILE "%s (Track 2).bin" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n' "$2"
  content+=$part
  printf -v part 'FILE "%s (Track 3).bin" BINARY\r\n  TRACK 03 AUDIO\r\n    INDEX 01 00:00:00\r\n' "$2"
  content+=$part
  printf -v part 'FILE "%s (Track 4).bin" BINARY\r\n  TRACK 04 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n' "$2"
  content+=$part
  printf '%s' "$content" > "$1/$2.cue"
  for track in 1 2 3 4; do printf 'x' > "$1/$2 (Track $track).bin"; done
}

# A library of count sheets, ten per game folder, inside its own parent
# folder: the sweep (and the floor) also visits "." and "..".
make_library() { # count target
  local folders=$(($1 / 10)) f d game
  mkdir -p "$2/parent/games"
  for ((f = 1; f <= folders; f++)); do
    printf -v game 'Game %05d' "$f"
    mkdir "$2/parent/games/$game"
    for ((d = 1; d <= 10; d++)); do write_sheet "$2/parent/games/$game" "$game (Disc $d)"; done
  done
}

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
calc() { awk "BEGIN { print $1 }"; }

# Sets elapsed (seconds) and rss (KiB) for a command given "$1" on its input.
time_run() { # input command...
  local input=$1 start end
  shift
  start=$(now)
  printf '%s\n' "$input" |
    env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/time -v -o "$root/time.txt" "$@" > /dev/null
  end=$(now)
  elapsed=$(calc "$end - $start")
  rss=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$root/time.txt")
}

# brindlet given the path "$1", as "Open with" or a drop gives it: a folder
# is swept as if "all" had been confirmed in it. No dialog comes, so GTK,
# which the first dialog loads, is neither loaded nor timed.
time_brindlet() { time_run "" "$brindlet" "$1"; }

# One timed sweep of a library copy, after a sync, so that no run pays for
# the writeback of the one before: brindlet given the library's folder, or
# the floor (first, kept or again) over the same folder. Sets elapsed and
# rss.
timed_sweep() { # brindlet|first|kept|again library
  sync
  if [ "$1" = brindlet ]; then
    time_brindlet "$2/parent/games"
  else
    time_run "" "$floor_program" "$1" "$2/parent/games"
  fi
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
  time_brindlet "$root/nothing.txt"
  idles+=("$rss")
done
idle=$(printf '%s\n' "${idles[@]}" | sort -n | head -1)
printf 'idle run (a path of no known kind, passed over): peak %s KiB\n\n' "$idle"

# What a second sweep must leave as it is: every file's number, size and
# modification time, and the set of files.
stamps() { find "$1" -printf '%i %s %T@ %p\n' | sort; }

# The median of the per-pair ratios of two lists of times.
pair_ratio() { # "a1 a2 ..." "b1 b2 ..."
  paste -d/ <(printf '%s\n' $1) <(printf '%s\n' $2) | awk -F/ '{ print $1 / $2 }' | median
}

printf '%-7s %8s %8s %6s %8s %6s %6s %8s %8s %6s %9s %9s %9s\n' sheets sweep_s floor_s ratio \
  kept_s k/floor s/kept again_s floor_s ratio sheets/s peak_KiB over_idle
for count in "${counts[@]}"; do
  round=$root/round-$count
  make_library "$count" "$round/pristine"
  for ((r = 0; r < repeats; r++)); do
    cp -a "$round/pristine" "$round/work-$r"
    cp -a "$round/pristine" "$round/floor-$r"
    cp -a "$round/pristine" "$round/kept-$r"
  done
  sync
  sleep "$settle"
  sweeps=() agains=() floors=() kepts=() floor_agains=() rsses=()
  for ((r = 0; r < repeats; r++)); do
    # First sweeps: Brindlet, the floor and its kept form, each going
    # first in turn. Reruns: Brindlet first in even rounds, the floor first
    # in odd ones.
    for turn in $((r % 3)) $(((r + 1) % 3)) $(((r + 2) % 3)); do
      case $turn in
        0) timed_sweep brindlet "$round/work-$r"; sweeps+=("$elapsed") rsses+=("$rss") ;;
        1) timed_sweep first "$round/floor-$r"; floors+=("$elapsed") ;;
        2) timed_sweep kept "$round/kept-$r"; kepts+=("$elapsed") ;;
      esac
    done
    for turn in $((r % 2)) $((1 - r % 2)); do
      if [ "$turn" = 0 ]; then
        stamps "$round/work-$r" > "$root/repaired.txt"
        timed_sweep brindlet "$round/work-$r"
        agains+=("$elapsed") rsses+=("$rss")
      else
        timed_sweep again "$round/floor-$r"
        floor_agains+=("$elapsed")
      fi
    done
    backups=$(find "$round/work-$r" -name '*.cue.bak' | wc -l)
    [ "$backups" -eq "$count" ] || echo "warning: $backups backups for $count sheets" >&2
    stamps "$round/work-$r" | cmp -s - "$root/repaired.txt" ||
      echo "warning: the second sweep changed files" >&2
  done
  sweep=$(printf '%s\n' "${sweeps[@]}" | median)
  again=$(printf '%s\n' "${agains[@]}" | median)
  floor=$(printf '%s\n' "${floors[@]}" | median)
  kept=$(printf '%s\n' "${kepts[@]}" | median)
  floor_again=$(printf '%s\n' "${floor_agains[@]}" | median)
  peak=$(printf '%s\n' "${rsses[@]}" | sort -n | tail -1)
  printf '%-7s %8.3f %8.3f %6.2f %8.3f %6.2f %6.2f %8.3f %8.3f %6.2f %9.0f %9s %9s\n' "$count" \
    "$sweep" "$floor" "$(pair_ratio "${sweeps[*]}" "${floors[*]}")" "$kept" \
    "$(pair_ratio "${kepts[*]}" "${floors[*]}")" "$(pair_ratio "${sweeps[*]}" "${kepts[*]}")" \
    "$again" "$floor_again" "$(pair_ratio "${agains[*]}" "${floor_agains[*]}")" \
    "$(calc "$count / $sweep")" "$peak" "$((peak - idle))"
  echo "  runs: sweep ${sweeps[*]}; floor ${floors[*]}; kept ${kepts[*]}" >&2
  echo "        again ${agains[*]}; floor ${floor_agains[*]}" >&2
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
