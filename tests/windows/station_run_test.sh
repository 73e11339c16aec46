#!/usr/bin/env bash
# The production station on Windows: tarnwick-flash.exe --station com11,COM12:
# under Wine, with boards (the board simulator, built for this machine) plugged
# and pulled while it runs, each board as one socket's whole life on a line:
#   a board plugged is flashed and recorded, and not again while it stays;
#   two sockets flash side by side (one board verifies while the other is
#   still being flashed);
#   a board pulled mid-run is FAIL vanished, and the board plugged there next
#   is flashed again;
#   its page server (--serve, on the loopback address) gives the log's bytes;
#   Ctrl+C (Wine makes the console's Ctrl+C event of SIGINT) ends the station
#   with 130, the board being flashed recorded as interrupted, and the totals.
#
# How a board comes and goes, as a USB serial driver makes it on Windows:
# Wine maps COM11 and COM12 to links in a folder of the test's own
# (HKLM\Software\Wine\Ports, read when its server starts; the COM ports' DOS
# device links in dosdevices/ then lead there). Plugged: the simulator makes
# the link to its pseudo-terminal, and the port's value goes into
# HARDWARE\DEVICEMAP\SERIALCOMM, the port list Windows keeps. Pulled: the
# value goes, then the simulator ends (its pseudo-terminal hangs up, its link
# is removed). Wine's server fills SERIALCOMM for every mapped port when it
# starts; the test takes both out before the station starts.
#
#   station_run_test.sh FLASH_EXE BOARDSIM HEXFILE
#
# Needs WINEPREFIX (a prefix whose server may be stopped and started; the
# mapping is taken out again at the end) and sha256sum.
set -euo pipefail

flash_exe=$(realpath "$1")
boardsim=$(realpath "$2")
hex=$(realpath "$3")
: "${WINEPREFIX:?}"
export LC_ALL=C.UTF-8  # Wine reads the command line's names as UTF-8

work=$(mktemp -d)
# The image and the log in a folder whose name is not ASCII: the record must
# name the image as it was typed.
folder="Prüfplatz"
log="$work/$folder/boards.jsonl"
declare -A board  # each board's simulator, by name
station=""
keep=""

# A server whose helper programs hold no output of this script (a helper that
# held ctest's pipe would keep ctest waiting until its time-out).
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine reg query 'HKLM\Software\Wine\Ports' </dev/null >/dev/null 2>&1 || true
}
reg() { wine reg "$@" </dev/null >/dev/null 2>&1; }

cleanup() {
  local pid
  for pid in $station "${board[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  reg delete 'HKLM\Software\Wine\Ports' /v COM11 /f || true
  reg delete 'HKLM\Software\Wine\Ports' /v COM12 /f || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  start_wine
  if [ -n "$keep" ]; then echo "kept for a look: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- station's output" >&2
  cat "$work/station.err" >&2 || true
  echo "--- records" >&2
  cat "$log" >&2 || true
  keep=1
  exit 1
}

source "$(dirname "$0")/../support/wait_for.sh"

# The SERIALCOMM value naming a port ("\Device\Serial10" for COM11), as Wine made it.
declare -A serialcomm
# The sockets as MATCH names them, each port as a user may spell it.
declare -A socket=([COM11]=com11 [COM12]=COM12:)
serialcomm_value() {
  wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' </dev/null 2>/dev/null | tr -d '\r' |
    awk -v port="$1" '$2 == "REG_SZ" && $3 == port { print $1 }'
}

# plug NAME COMn [SIMULATOR OPTION]...: a board whose simulator logs into NAME.log.
plug() {
  local name=$1 port=$2
  shift 2
  local link="$work/${port,,}"
  "$boardsim" --fast --verbose --link "$link" "$@" >"$work/$name.out" 2>"$work/$name.log" &
  board[$name]=$!
  wait_for 10 "$name's port" test -L "$link"
  reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "${serialcomm[$port]}" /d "$port" /f
}

# pull NAME COMn: out of the port list, then the board itself; the station
# has seen it go (its socket shows "gone", or FAIL vanished mid-run) before
# the next board can come into that socket.
pull() {
  local seen
  seen=$(gone_count "$2")
  reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "${serialcomm[$2]}" /f
  kill "${board[$1]}"
  wait "${board[$1]}" || true
  unset "board[$1]"
  wait_for 30 "the station to see the board in $2 go" gone_more "$2" "$seen"
}
gone_count() { grep -c "^${socket[$1]}: \(gone\|FAIL vanished\)" "$work/station.err" || true; }
gone_more() { [ "$(gone_count "$1")" -gt "$2" ]; }

records() { if [ -f "$log" ]; then grep -c . "$log"; else echo 0; fi; }
has_records() { [ "$(records)" -ge "$1" ]; }
# field N KEY: record N's value (strings without their quotes).
field() {
  python3 -c 'import json,sys; v=json.loads(open(sys.argv[1]).read().splitlines()[int(sys.argv[2])-1])[sys.argv[3]]; print(v)' \
    "$log" "$1" "$2"
}
expect() {
  local got
  got=$(field "$1" "$2")
  [ "$got" = "$3" ] || fail "record $1: $2 is '$got', expected '$3'"
}
expect_has() {
  local got
  got=$(field "$1" "$2")
  [[ "$got" == *"$3"* ]] || fail "record $1: $2 is '$got', without '$3'"
}
started_lines() { grep -q '^<- BOOT:' "$work/$1.log"; }

cd "$work"
mkdir "$folder"
cp "$hex" "$folder/image.hex"
lines=$(grep -c . "$folder/image.hex")
sha=$(sha256sum "$folder/image.hex" | cut -d' ' -f1)
win_folder="Z:${work//\//\\}\\$folder"

reg add 'HKLM\Software\Wine\Ports' /v COM11 /d "$work/com11" /f
reg add 'HKLM\Software\Wine\Ports' /v COM12 /d "$work/com12" /f
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
start_wine
for port in COM11 COM12; do
  serialcomm[$port]=$(serialcomm_value "$port")
  [ -n "${serialcomm[$port]}" ] || fail "Wine did not list the mapped $port in SERIALCOMM"
  reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "${serialcomm[$port]}" /f
done

serve_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
served() { python3 -c 'import sys, urllib.request; sys.stdout.buffer.write(urllib.request.urlopen(sys.argv[1], timeout=10).read())' "http://127.0.0.1:$serve_port$1"; }

# Names and paths as a user on Windows types them (any spelling of a COM port
# names it); a silent board waits for a pull or a stop.
wine "$flash_exe" --station "${socket[COM11]},${socket[COM12]}" "$win_folder\\image.hex" \
  --log "$win_folder\\boards.jsonl" \
  --answer-timeout 60 --serve "$serve_port" </dev/null >station.out 2>station.err &
station=$!
wait_for 30 "the station to start" grep -q 'Ctrl+C ends' station.err

# One board, plugged: flashed and recorded as a reader of the log sees it.
plug first COM11
wait_for 60 "the first board's record" has_records 1
expect 1 device com11
expect 1 port '\\.\COM11'
expect 1 outcome verified
expect 1 exit_code 0
expect 1 file "$win_folder\\image.hex"
expect 1 lines "$lines"
expect 1 sha256 "$sha"
expect_has 1 board_info 'VER=2.1 simulated board'

# Side by side: a board that falls silent mid-run holds COM12 while the next
# board in COM11 is flashed to the end.
plug silent COM12 --silent-from 3
wait_for 30 "the silent board's first lines" started_lines silent
pull first COM11
plug second COM11
wait_for 60 "the second board's record" has_records 2
expect 2 device com11
expect 2 outcome verified
[ "$(records)" -eq 2 ] || fail "the silent board ended before it was pulled"

# Pulled mid-run: FAIL vanished; the next board there is flashed again.
pull silent COM12
wait_for 30 "the pulled board's record" has_records 3
expect 3 device COM12:
expect 3 outcome vanished
expect 3 exit_code 6
expect_has 3 message "vanished"
plug again COM12
wait_for 60 "the re-plugged board's record" has_records 4
expect 4 device COM12:
expect 4 outcome verified

# Served as Linux serves it: /records holds the log's bytes.
served /records >served.jsonl || fail "the station served no /records"
cmp -s served.jsonl "$log" || fail "/records differs from the log"

# Stayed plugged all along: flashed once, not again when the others came and went.
grep -q '^<- BOOT#' second.log || fail "the second board was not verified"
[ -z "$(sed -n '/^<- BOOT#/,$p' second.log | grep '^<- BOOT:')" ] || fail "the second board was flashed twice"

# Ctrl+C mid-run: 130, the board recorded as interrupted, the totals shown.
pull second COM11
plug last COM11 --silent-from 3
wait_for 30 "the last board's first lines" started_lines last
kill -INT "$station"
status=0
wait "$station" || status=$?
station=""
[ "$status" -eq 130 ] || fail "the station ended with $status after Ctrl+C, not 130"
wait_for 5 "the interrupted board's record" has_records 5
expect 5 device com11
expect 5 outcome interrupted
expect 5 exit_code 130
grep -q '^passed 3, failed 2' station.err || fail "no totals 'passed 3, failed 2' at the end"
echo "station under Wine: 5 boards in COM11 and COM12 recorded (3 verified, 1 vanished, 1 interrupted)"
