#!/usr/bin/env bash
# A person's run of tarnwick.exe under Wine, on an X display with no window
# manager (so the X window is the client area and xdotool takes client
# coordinates): click Open Port, click Open File and Download, type the file's
# full Z:\ path into the system's open dialog, press Return, and wait for END.
#
# Watched from outside: the board's log shows the window's first "BOOTinfo";
# the board ends by itself after the verify pass and dumps its flash, which
# must equal srec_cat's image of the file; a screenshot must show the bar in
# the green of "END" (kept in SHOTDIR). The window is then closed with
# WM_CLOSE, posted by the probe (Wine without a window manager has no close
# box), and must end.
#
# Around the run, the prefix's registry and files are compared: the window
# writes nothing of its own. Allowed, as the system's own doing:
#   ...\Explorer\ComDlg32      what the open dialog remembers of its folders
#   ...\Explorer\Advanced      an empty key the shell behind the dialog makes
#   the display adapters' and monitors' device keys (Control\Class\{4D36E968-...}
#                               and {4D36E96E-...}, Enum, Control\Video), which
#                               Wine's display driver writes again (its date stamp,
#                               its links) whenever a program starts on a display
#
#   window_run_test.sh WINDOW_EXE PROBE_EXE BOARDSIM HEXFILE SHOTDIR
#
# Needs WINEPREFIX (a prefix whose wineserver may be stopped and started;
# its COM5 mapping is put back at the end) and DISPLAY (an Xvfb of the
# caller's), srec_cat, xdotool and ImageMagick. Exits 77 (skipped) without a
# display.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || { echo "skipped: no X display (scripts/test-windows starts Xvfb)"; exit 77; }

window_exe=$(realpath "$1")
probe_exe=$(realpath "$2")
boardsim=$(realpath "$3")
hex=$(realpath "$4")
shots=$(realpath -m "$5")
: "${WINEPREFIX:?}"

TITLE='Tarnwick v3.30'
# Centres of the controls, in client pixels at 96 dpi (form/controls.cpp).
OPEN_PORT_AT=(98 16)
OPEN_FILE_AND_DOWNLOAD_AT=(214 40)
BAR_PIXEL='p{20,80}'  # inside the bar, left of its text

work=$(mktemp -d)
board=""
window_program=""
keep=""

# Starts a wineserver whose helper programs hold no output of this script:
# a helper that held ctest's pipe would keep ctest waiting until its time-out.
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when one runs already
  wine reg query 'HKLM\Software\Wine\Ports' </dev/null >/dev/null 2>&1 || true
}

start_wine
old_com5=$(wine reg query 'HKLM\Software\Wine\Ports' /v COM5 </dev/null 2>/dev/null |
  sed -n 's/^ *COM5 *REG_SZ *//p' | tr -d '\r' || true)  # none in a new prefix
cleanup() {
  local pid
  for pid in $window_program $board; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # COM5 as it was, read by a new server, for the tests that run after this one.
  if [ -n "$old_com5" ]; then
    wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$old_com5" /f </dev/null >/dev/null 2>&1
  else
    wine reg delete 'HKLM\Software\Wine\Ports' /v COM5 /f </dev/null >/dev/null 2>&1 || true
  fi
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  start_wine
  if [ -n "$keep" ]; then echo "kept for a look: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for log in board.log window.log; do
    [ -s "$work/$log" ] && { echo "--- end of $log" >&2; tail -5 "$work/$log" >&2; }
  done
  keep=1
  exit 1
}

source "$(dirname "$0")/../support/wait_for.sh"

# The registry (each key's values, without Wine's time stamps) and the list of
# files of the prefix, once the server has written everything out.
snapshot() {
  local into=$1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  mkdir -p "$into"
  python3 - "$WINEPREFIX" "$into/registry" <<'PY'
import sys, re
prefix, out = sys.argv[1], sys.argv[2]
keys = {}
for hive in ("system.reg", "user.reg", "userdef.reg"):
    key = None
    for line in open(f"{prefix}/{hive}", encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        m = re.match(r"^\[(.*)\](?: \d+)?$", line)
        if m:
            key = f"{hive}:{m.group(1)}"
            keys.setdefault(key, [])
        elif key and line and not line.startswith("#time=") and not line.startswith(";;"):
            keys[key].append(line)
with open(out, "w") as f:
    for key in sorted(keys):
        for value in sorted(keys[key]) or ["(empty)"]:
            f.write(f"{key}\t{value}\n")
PY
  (cd "$WINEPREFIX/drive_c" && find . -path ./windows/Temp -prune -o -type f -printf '%P\t%s\n' |
    sort) >"$into/files"
}

board_has_ended() { ! kill -0 "$board" 2>/dev/null; }
port_is_linked() {
  board_has_ended && fail "the board did not start"
  test -L "$work/com5"
}
board_refused_a_line() { grep -q '^-> ERROR' board.log; }
run_is_over() { board_has_ended || board_refused_a_line; }
bar_is_green() {
  import -window "$window" "$shots/win32_window_end.png" &&
    [ "$(convert "$shots/win32_window_end.png" -format "%[pixel:$BAR_PIXEL]" info:)" = "srgb(0,255,0)" ]
}
window_has_gone() { ! kill -0 "$window_program" 2>/dev/null; }

mkdir -p "$shots"
cp "$hex" "$work/"
file="$work/$(basename "$hex")"
cd "$work"

# COM5 is a link that the board makes to its pseudo-terminal; Wine reads the
# mapping when its server starts, which the snapshot's restart sees to.
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$work/com5" /f </dev/null >/dev/null 2>&1
snapshot before
start_wine

"$boardsim" --fast --verbose --link "$work/com5" --exit-after-end --flash-out flash.bin \
  >board.out 2>board.log &
board=$!
wait_for 10 "the board's port" port_is_linked

wine "$window_exe" </dev/null >window.log 2>&1 &
window_program=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name "^${TITLE//./\\.}\$" | head -1) ||
  fail "the window did not show"
import -window "$window" "$shots/win32_window_start.png"

xdotool mousemove --sync --window "$window" "${OPEN_PORT_AT[@]}" click 1
wait_for 30 "the window's first command" grep -q '^<- BOOTinfo$' board.log

xdotool mousemove --sync --window "$window" "${OPEN_FILE_AND_DOWNLOAD_AT[@]}" click 1
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Open$' | head -1) ||
  fail "the file dialog did not show"
xdotool windowfocus --sync "$dialog"
sleep 0.5  # the dialog puts the focus into its file name box once shown
xdotool type --delay 5 "Z:${file//\//\\}"
sleep 0.5
import -window root "$shots/win32_window_dialog.png"
xdotool key Return

wait_for 120 "the board to end after the verify pass" run_is_over
board_refused_a_line && fail "the board answered ERROR"
wait "$board" || fail "the board ended with status $?"
board=""
wait_for 20 "the green bar of END" bar_is_green

lines=$(grep -c $'\r$' "$file")
summary=$(grep '^summary:' board.out) || fail "the board printed no summary"
[[ "$summary" == "summary: records=$((2 * lines)) "*" errors=0" ]] ||
  fail "expected every one of $lines lines once in each pass, no error: $summary"
srec_cat "$file" -Intel -offset - -minimum-addr "$file" -Intel -o expected.bin -Binary
cmp flash.bin expected.bin || fail "the flash differs from srec_cat's image"

wine "$probe_exe" close "$TITLE" </dev/null || fail "no window titled $TITLE to close"
wait_for 30 "the window to end after WM_CLOSE" window_has_gone
window_program=""

snapshot after
changes=$(diff before/registry after/registry | grep '^[<>]' || true)
explorer='Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\'
adapters='system.reg:System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}'
monitors='system.reg:System\\CurrentControlSet\\Control\\Class\\{4D36E96E-E325-11CE-BFC1-08002BE10318}'
enum='system.reg:System\\CurrentControlSet\\Enum\\'
video='system.reg:System\\CurrentControlSet\\Control\\Video\\'
foreign=$(grep -v -F -e "${explorer}ComDlg32" -e "${explorer}Advanced"$'\t''(empty)' \
  -e "$adapters" -e "$monitors" -e "$enum" -e "$video" <<<"$changes" || true)
[ -z "$foreign" ] || fail "the registry changed beyond the system's own keys:
$foreign"
grep -q -F "${explorer}ComDlg32" <<<"$changes" ||
  fail "the open dialog's folders are not in the registry: was the file chosen in it?"
diff before/files after/files >files.diff || fail "files of the prefix changed: $(cat files.diff)"
echo "registry: $(grep -c . <<<"$changes" || true) lines changed, all the system's own (open dialog, shell, display)"
echo "END reached: $summary; flash equals srec_cat's image; see $shots/win32_window_end.png"
