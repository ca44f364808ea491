#!/usr/bin/env bash
# The Windows program under wine, on what the shared test prefix must never
# be given, each in a wine prefix made here and removed afterwards:
#   devices    sheets and images named after the serial and parallel ports,
#              picked and swept. COM1 (and AUX, which wine sends there) leads
#              to a pseudo-terminal that nobody types into, where a read
#              waits for ever; LPT1 (and PRN) to a file made here. Whatever
#              is written to either is kept, and must be nothing.
#   full-disk  repairs on drives F: and G: that are small tmpfs mounts made
#              here (root only): one whose backup would not fit as a copy,
#              one whose new sheet does not fit.
#   kill-loop  sweeps of a few hundred sheets, each killed (kill -9) a random
#              moment after its first backup appears, while it replaces: every
#              sheet keeps its name, on its original or its repair, and
#              every backup holds the original.
# Every run of the program is bounded.
# Usage: wine_faults.sh devices|full-disk|kill-loop PROGRAM
set -u
mode=$1
program=$(realpath "$2")
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
failures=0
terminal=""  # the process holding the pseudo-terminal, started here
mounts=()   # mount points made here
step=setup

cleanup() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k > /dev/null 2>&1 < /dev/null
    wineserver -w > /dev/null 2>&1 < /dev/null
  fi
  if [ -n "$terminal" ]; then
    # The terminal's own process first: script sees it end, and ends too.
    [ ! -s "$work/com1.pid" ] || { kill "$(cat "$work/com1.pid")" 2> /dev/null; sleep 0.5; }
    kill "$terminal" 2> /dev/null
    wait "$terminal" 2> /dev/null
  fi
  local mount
  for mount in "${mounts[@]}"; do umount "$mount"; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED ($mode, $step): $*"
  failures=$((failures + 1))
}

# What wine's Z: drive makes of a Linux path.
native() { printf 'Z:%s' "${1//\//\\}"; }

# A prefix of this test's own. Its server is started apart from any output
# a caller waits on, and ends with the test.
make_prefix() {
  "$(dirname "$0")/support/make_wine_prefix.sh" "$WINEPREFIX"
  wineboot --init > /dev/null 2>&1 < /dev/null
  wineserver -p > /dev/null 2>&1 < /dev/null &
}

# Before any run with the ports mapped: both still lead where this test put
# them. A link whose target is gone is read by wine as the machine's own port.
ports_in_place() {
  local port
  for port in com1 lpt1; do
    [ -e "$(cat "$work/$port.target")" ] &&
      [ "$(readlink "$WINEPREFIX/dosdevices/$port")" = "$(cat "$work/$port.target")" ] || return 1
  done
  kill -0 "$terminal" 2> /dev/null
}

# run ARG...: the program with these paths; its exit code lands in $code,
# 124 when it had to be stopped.
run() {
  if [ "$mode" = devices ] && ! ports_in_place; then
    echo "FAILED ($mode, $step): the ports no longer lead where this test put them; stopped"
    exit 1
  fi
  timeout -k 10 60 wine "$program" "$@" > "$work/out.txt" 2>&1 < /dev/null
  code=$?
  [ "$code" = 0 ] || fail "exit code $code (124: still running after 60 seconds)"
}

# same FILE EXPECTED: FILE holds exactly the bytes of EXPECTED.
same() { cmp -s "$1" "$2" || fail "$1 is not as it should be"; }
absent() {
  local path
  for path in "$@"; do [ ! -e "$path" ] || fail "$path should not be there"; done
}

if [ "$mode" = devices ]; then
  # A pseudo-terminal held by `script`, which records whatever reaches it
  # in $work/com1.seen. script's own input is a FIFO held open here and
  # never written: no typing, and no end of input for it to pass on.
  mkfifo "$work/com1.in"
  exec {hold}<> "$work/com1.in"
  script -qfc "echo \$\$ > '$work/com1.pid'; tty > '$work/com1.target'; exec sleep 3600" \
    "$work/com1.seen" < "$work/com1.in" > /dev/null 2>&1 &
  terminal=$!
  for _ in $(seq 50); do
    [ -s "$work/com1.target" ] && break
    sleep 0.1
  done
  [ -s "$work/com1.target" ] || { echo "FAILED: no pseudo-terminal; nothing was run"; exit 1; }
  : > "$work/lpt1.seen"
  printf '%s' "$work/lpt1.seen" > "$work/lpt1.target"

  make_prefix
  # Wine makes its port links from this key when its services start.
  for port in COM1 LPT1; do
    target=$(cat "$work/${port,,}.target")
    wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$target" /f > /dev/null 2>&1
  done
  wineserver -k > /dev/null 2>&1 < /dev/null
  wineserver -w
  make_prefix
  ports_in_place || { echo "FAILED: the ports do not lead where this test put them; nothing was run"; exit 1; }
  # What reached a port (script's own first and last lines aside).
  seen() { grep -av '^Script \(started\|done\)' "$work/$1.seen"; }

  sheet=$'FILE "x.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n'
  discs="$work/discs"
  mkdir -p "$discs/sweep/A"
  # Files of these names can stand on a Linux disk; Windows sees devices.
  for name in COM1.img LPT1.bin AUX.img PRN.bin good.img after.img x.bin; do
    printf 'image' > "$discs/$name"
  done
  for name in COM1.cue LPT1.cue; do
    printf '%s' "$sheet" > "$discs/$name"
    printf '%s' "$sheet" > "$discs/sweep/A/$name"
  done
  cp "$discs/COM1.cue" "$work/original.cue"

  step=images-picked
  # Each image of a device's name is passed over, and the run goes on.
  run "$(native "$discs/LPT1.bin")" "$(native "$discs/PRN.bin")" \
    "$(native "$discs/COM1.img")" "$(native "$discs/AUX.img")" "$(native "$discs/good.img")"
  [ -s "$discs/good.cue" ] || fail "the image after them got no sheet"

  step=sheets-picked
  # A sheet of a device's name is passed over, and the run goes on.
  for name in COM1 LPT1; do
    rm -f "$discs/after.cue"
    run "$(native "$discs/$name.cue")" "$(native "$discs/after.img")"
    same "$discs/$name.cue" "$work/original.cue"
    absent "$discs/$name.cue.bak"
    [ -s "$discs/after.cue" ] || fail "the image after $name.cue got no sheet"
  done

  step=swept
  run "$(native "$discs/sweep")"
  for name in COM1 LPT1; do
    same "$discs/sweep/A/$name.cue" "$work/original.cue"
    absent "$discs/sweep/A/$name.cue.bak"
  done

  step=ports
  for port in com1 lpt1; do
    [ -z "$(seen $port)" ] || fail "written to $port: $(seen $port | head -c 200 | od -c | head -3)"
  done

elif [ "$mode" = full-disk ]; then
  # small NAME KIB: a tmpfs of that size mounted at $work/NAME.
  small() {
    mkdir -p "$work/$1"
    mount -t tmpfs -o "size=$2k,mode=0755" brindlet-test "$work/$1" 2> /dev/null || return 1
    mounts+=("$work/$1")
  }
  free_kib() { df -k --output=avail "$1" | tail -n 1 | tr -d ' '; }

  if [ "$(id -u)" != 0 ] || ! small f 64 || ! small g 52; then
    echo "SKIPPED: mounting a small file system needs root and tmpfs"
    exit 77
  fi
  make_prefix
  ln -s "$work/f" "$WINEPREFIX/dosdevices/f:"
  ln -s "$work/g" "$WINEPREFIX/dosdevices/g:"

  step=backup
  # A 40 KiB sheet on a drive with 20 KiB left: a copy of it would not fit,
  # but its backup is the sheet's own file under the backup's name, and its
  # repair is small.
  {
    printf 'FILE "x.bin" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n'
    for i in $(seq 2000); do printf 'REM padding line %05d\n' "$i"; done
  } | head -c 40960 > "$work/big.cue"
  cp "$work/big.cue" "$work/f/Game.cue"
  printf 'x' > "$work/f/x.bin"
  [ "$(free_kib "$work/f")" -lt 40 ] || fail "drive F: has room for a copy"
  run 'F:\Game.cue'
  same "$work/f/Game.cue.bak" "$work/big.cue"
  printf 'FILE "x.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n' > "$work/big.expected"
  same "$work/f/Game.cue" "$work/big.expected"
  [ "$(ls "$work/f" | sort | tr '\n' ' ')" = "Game.cue Game.cue.bak x.bin " ] ||
    fail "left on F: $(ls "$work/f" | tr '\n' ' ')"

  step=rewrite
  # Audio tracks without gaps, one line each: the repaired sheet, each
  # track given an INDEX 00 and every line indented and ended in CR LF, is
  # about twice the size, and does not fit. The run ends with the sheet as
  # it was: never part of a new sheet, and no backup, since nothing changed.
  {
    printf 'FILE "x.bin" BINARY\n'
    for i in $(seq 0 599); do
      printf 'TRACK %02d AUDIO\nINDEX 01 %02d:%02d:00\n' $((i % 99 + 1)) $((i * 9 / 60)) $((i * 9 % 60))
    done
  } > "$work/audio.cue"
  cp "$work/audio.cue" "$work/g/Game.cue"
  printf 'x' > "$work/g/x.bin"
  [ "$(free_kib "$work/g")" -lt $((2 * $(stat -c %s "$work/audio.cue") / 1024)) ] ||
    fail "drive G: has room for the repair"
  run 'G:\Game.cue'
  same "$work/g/Game.cue" "$work/audio.cue"
  [ "$(ls "$work/g" | sort | tr '\n' ' ')" = "Game.cue x.bin " ] ||
    fail "left on G: $(ls "$work/g" | tr '\n' ' ')"
elif [ "$mode" = kill-loop ]; then
  sheets=300
  rounds=40
  original_sheet=$'FILE "x.bin" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n'
  repaired_sheet=$'FILE "x.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n'
  sum() { printf '%s' "$1" | md5sum | cut -c1-32; }
  mkdir -p "$work/pristine/A"
  printf 'image' > "$work/pristine/A/x.bin"
  for i in $(seq -w 1 "$sheets"); do printf '%s' "$original_sheet" > "$work/pristine/A/s$i.cue"; done
  library="$work/library"
  fresh() { rm -rf "$library" && cp -a "$work/pristine" "$library"; }
  # Prints what is wrong with the library after a run, then "repaired N".
  # Leftovers of a stopped run (.brindlet-new files) may be there.
  check() {
    (cd "$library/A" && md5sum -- *) |
      awk -v o="$(sum "$original_sheet")" -v r="$(sum "$repaired_sheet")" -v n="$sheets" '
        { sum[$2] = $1 }
        END {
          for (i = 1; i <= n; i++) {
            s = sprintf("s%03d.cue", i); b = s ".bak"
            if (!(s in sum)) print s " has lost its name"
            else if (sum[s] != o && sum[s] != r) print s " holds neither the original nor its repair"
            else if (sum[s] == r && !(b in sum)) print s " was repaired without a backup"
            if ((b in sum) && sum[b] != o) print b " does not hold the original"
            if (sum[s] == r) repaired++
          }
          print "repaired " repaired + 0
        }'
  }
  # look: fails on anything check reports; sets $repaired.
  look() {
    local report
    report=$(check)
    repaired=$(sed -n 's/^repaired //p' <<< "$report")
    ! grep -v '^repaired ' <<< "$report" > "$work/problems" || fail "$(head -5 "$work/problems")"
  }
  make_prefix

  step=whole
  # A whole sweep, its replacements timed from the first backup on.
  fresh
  wine "$program" "$(native "$library")" > /dev/null 2>&1 < /dev/null &
  pid=$!
  until [ -n "$(find "$library/A" -name '*.bak' -print -quit)" ] || ! kill -0 "$pid" 2> /dev/null; do
    sleep 0.01
  done
  started=$(date +%s%N)
  wait "$pid"
  replacing=$((($(date +%s%N) - started) / 1000000 + 1))
  look
  [ "$repaired" = "$sheets" ] || fail "a whole sweep repaired $repaired of $sheets sheets"

  step=killed
  # Each kill is aimed at the replacements themselves: the sweep is watched
  # until its first backup appears, then killed a random moment later
  # (within the time the whole sweep's replacements took). Wine's start-up,
  # which varies from run to run and with the machine's load, is not in
  # the aim. It goes on until 20 kills have stopped a sweep midway (40
  # kills at least, 90 at most).
  midway=0
  round=0
  while [ "$round" -lt 90 ] && { [ "$round" -lt 40 ] || [ "$midway" -lt 20 ]; }; do
    round=$((round + 1))
    fresh
    wine "$program" "$(native "$library")" > /dev/null 2>&1 < /dev/null &
    pid=$!
    waited=0
    while kill -0 "$pid" 2> /dev/null && [ "$waited" -lt 3000 ] &&
      [ -z "$(find "$library/A" -name '*.bak' -print -quit)" ]; do
      sleep 0.01
      waited=$((waited + 1))
    done
    delay=$((RANDOM * replacing / 32768))
    sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))"
    kill -9 "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
    step="killed, round $round, $delay ms after the first backup"
    look
    [ "$repaired" -gt 0 ] && [ "$repaired" -lt "$sheets" ] && midway=$((midway + 1))
  done
  step=killed
  echo "kill-loop: $round kills within replacements of $replacing ms; $midway stopped a sweep midway"
  [ "$midway" -ge 20 ] || fail "only $midway of $round kills stopped a sweep midway"

  step=finished
  # The last library a kill left, swept to the end: every sheet repaired,
  # nothing left over.
  run "$(native "$library")"
  look
  [ "$repaired" = "$sheets" ] || fail "the sweep after a kill repaired $repaired of $sheets sheets"
  [ "$(ls "$library/A" | grep -cv '^s[0-9]*\.cue\(\.bak\)\?$')" = 1 ] ||
    fail "left over: $(ls "$library/A" | grep -v '^s[0-9]*\.cue\(\.bak\)\?$' | head -5)"
else
  echo "usage: $0 devices|full-disk|kill-loop PROGRAM" >&2
  exit 2
fi

[ "$failures" -eq 0 ] && echo "wine faults ($mode): all cases passed"
exit $((failures > 0))
