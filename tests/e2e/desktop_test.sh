#!/usr/bin/env bash
# A person's run of the real program, on an X display of its own (Xvfb): click
# Open Port, click Open File and Download, type the file's path into the file
# dialog, press Return, and wait for the run to end.
#
# Watched from outside, as a person would check it: the board's log shows the
# window's first "BOOTinfo" (the window said "Ready"); the board ends by itself
# after the verify pass (--exit-after-end) and dumps its flash, which must
# equal the image srec_cat makes of the file, at the address srec_info names;
# a screenshot of the window must show the bar in the green of "END". The
# screenshots are kept in SHOTDIR for a person to look at.
#
#   desktop_test.sh PROGRAM BOARDSIM HEXFILE SHOTDIR
#
# Never runs on the caller's own display: it starts its own under xvfb-run.
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail

if [ -z "${TARNWICK_OWN_DISPLAY:-}" ]; then
  for tool in xvfb-run xauth xdotool import convert; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is missing (Debian: xvfb xauth xdotool imagemagick)"
      exit 77
    fi
  done
  TARNWICK_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

program=$(realpath "$1")
boardsim=$(realpath "$2")
hex=$(realpath "$3")
shots=$(realpath -m "$4")

# Where the window's controls lie, in pixels of its client area (centres).
OPEN_PORT_AT=(98 16)
OPEN_FILE_AND_DOWNLOAD_AT=(214 40)
BAR_PIXEL='p{20,80}'  # inside the bar, left of its text

work=$(mktemp -d)
board=""
window_program=""
keep=""

cleanup() {
  local pid
  for pid in $window_program $board; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "$keep" ]; then echo "kept for a look: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for log in board.log program.log; do
    [ -s "$work/$log" ] && { echo "--- end of $log" >&2; tail -5 "$work/$log" >&2; }
  done
  keep=1
  exit 1
}

source "$(dirname "$0")/../support/wait_for.sh"

board_has_ended() { ! kill -0 "$board" 2>/dev/null; }
port_is_linked() {
  board_has_ended && fail "the board did not start"
  test -L "COM5:"
}
board_refused_a_line() { grep -q '^-> ERROR' board.log; }
run_is_over() { board_has_ended || board_refused_a_line; }
bar_is_green() {
  import -window "$window" "$shots/e2e_desktop_end.png" &&
    [ "$(convert "$shots/e2e_desktop_end.png" -format "%[pixel:$BAR_PIXEL]" info:)" = "srgb(0,255,0)" ]
}

mkdir -p "$shots"
cp "$hex" "$work/"
file="$work/$(basename "$hex")"
cd "$work"

"$boardsim" --fast --verbose --link "COM5:" --exit-after-end --flash-out flash.bin \
  >board.out 2>board.log &
board=$!
wait_for 10 "the board's port COM5:" port_is_linked

QT_QPA_PLATFORM=xcb "$program" >program.log 2>&1 &
window_program=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarnwick v3\.30$' | head -1) ||
  fail "the window did not show"

# Open Port with the port name as it stands: "COM5:".
xdotool mousemove --sync --window "$window" "${OPEN_PORT_AT[@]}" click 1
wait_for 20 "the window's first command" grep -q '^<- BOOTinfo$' board.log

xdotool mousemove --sync --window "$window" "${OPEN_FILE_AND_DOWNLOAD_AT[@]}" click 1
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Open$' | head -1) ||
  fail "the file dialog did not show"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$file"
sleep 0.5  # lets the dialog draw the typed path for the screenshot
import -window root "$shots/e2e_desktop_dialog.png"
xdotool key Return

wait_for 120 "the board to end after the verify pass" run_is_over
board_refused_a_line && fail "the board answered ERROR"
wait "$board" || fail "the board ended with status $?"
board=""
wait_for 10 "the green bar of END" bar_is_green

lines=$(grep -c $'\r$' "$file")
summary=$(grep '^summary:' board.out) || fail "the board printed no summary"
[[ "$summary" == "summary: records=$((2 * lines)) "*" errors=0" ]] ||
  fail "expected every one of $lines lines once in each pass, no error: $summary"

srec_cat "$file" -Intel -offset - -minimum-addr "$file" -Intel -o expected.bin -Binary
cmp flash.bin expected.bin || fail "the flash differs from srec_cat's image"
lowest=$(srec_info "$file" -Intel | sed -n 's/^Data: *\([0-9A-Fa-f]*\).*/\1/p' | head -1)
[ $((16#$lowest)) -eq $(($(cat flash.bin.base))) ] ||
  fail "the flash starts at $(cat flash.bin.base), the file at 0x$lowest"
echo "END reached: $summary; flash equals srec_cat's image; see $shots/e2e_desktop_end.png"
