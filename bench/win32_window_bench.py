#!/usr/bin/env python3
"""The Win32 window's benchmark: tarnwick.exe under Wine, driven as a person
would (Open Port, Open File and Download, the path typed into the system's
open dialog), against the board simulator paced at 115200 baud with no flash
write time. Prints a table for the README. Not a test: nothing passes or
fails on time.

  win32_window_bench.py EXE PROBE BOARDSIM [--lines N]

Needs WINEPREFIX and DISPLAY (scripts/bench win32 sets both up), xdotool and
ImageMagick. The prefix's COM5 is pointed at the board for the run and put
back afterwards.

The bound, as for the Qt window's table: every line of both passes costs its
command's bytes and its answer's bytes on the wire at 10 bits a byte, plus
the 20 ms of quiet with which the host's read ends. The run is timed at the
board, from the arrival of the first line (less its own wire time) to the end
of the last answer on the wire, from the board's log stamped as it is written.
"""
import argparse
import datetime
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

TITLE = "Tarnwick v3.30"
OPEN_PORT_AT = ("98", "16")  # centres of the controls, client pixels at 96 dpi
OPEN_FILE_AND_DOWNLOAD_AT = ("214", "40")
BAR_PIXEL = "p{20,80}"
BAUD = 115200
BITS_PER_BYTE = 10
QUIET_SECONDS = 0.020


def hex_record(kind, address, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, kind]) + data
    return ":" + (body + bytes([(-sum(body)) & 0xFF])).hex().upper()


def image_lines(lines):
    """`lines` lines in all: 16-byte data records, an extended address record
    at each 64 KiB, and the end-of-file record last."""
    records, address = [], 0x08000000
    while len(records) < lines - 1:
        if (address & 0xFFFF) == 0 or not records:
            records.append(hex_record(4, 0, (address >> 16).to_bytes(2, "big")))
            if len(records) == lines - 1:
                break
        data = bytes((address + i * 7) & 0xFF for i in range(16))
        records.append(hex_record(0, address & 0xFFFF, data))
        address += 16
    return records + [":00000001FF"]


class BoardLog:
    """The board's log lines, each stamped with the monotonic time it arrived."""

    def __init__(self, stream):
        self.entries = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for raw in stream:
            stamp = time.monotonic()
            with self.lock:
                self.entries.append((stamp, raw.decode("latin-1").rstrip("\n")))

    def lines(self):
        with self.lock:
            return list(self.entries)

    def count(self, pattern):
        return sum(1 for _, line in self.lines() if re.match(pattern, line))


def unescape(shown):
    return shown.replace("\\r", "\r").replace("\\n", "\n")


def wait_for(what, condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            sys.exit(f"waited {seconds:.0f} s for {what}")
        time.sleep(0.05)


def run(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def wine_quiet(*command):
    subprocess.run(["wine", *command], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def restart_wine():
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    wine_quiet("reg", "query", r"HKLM\Software\Wine\Ports")


def com5():
    out = subprocess.run(["wine", "reg", "query", r"HKLM\Software\Wine\Ports", "/v", "COM5"],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True).stdout
    found = re.search(r"COM5\s+REG_SZ\s+(.*)", out)
    return found.group(1).strip() if found else None


def set_com5(path):
    if path is None:
        wine_quiet("reg", "delete", r"HKLM\Software\Wine\Ports", "/v", "COM5", "/f")
    else:
        wine_quiet("reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM5", "/d", path, "/f")
    restart_wine()


def processes_of_prefix(name):
    """Process ids whose name is `name` and that run in this WINEPREFIX."""
    prefix = ("WINEPREFIX=" + os.environ["WINEPREFIX"]).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm", "rb") as f:
                if not f.read().strip().decode().startswith(name[:15]):
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if prefix in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def quiet_cpu_shares(seconds):
    window = processes_of_prefix("tarnwick.exe")
    server = processes_of_prefix("wineserver")
    if not window:
        sys.exit("the window's process is not found")
    start = time.monotonic()
    before = [cpu_seconds(p) for p in window + server]
    time.sleep(seconds)
    after = [cpu_seconds(p) for p in window + server]
    elapsed = time.monotonic() - start
    used = [a - b for a, b in zip(after, before)]
    return sum(used[:len(window)]) / elapsed, sum(used[len(window):]) / elapsed


def timing(board):
    """Seconds of the run, its bound, and the lines sent, from the board's log."""
    first = last = None
    wire_bytes = lines = 0
    for stamp, line in board.lines():
        command = re.match(r"^<- (BOOT[:#].*)$", line)
        answer = re.match(r"^-> (.*)$", line)
        if command:
            size = len(command.group(1)) + 2  # CR LF
            if first is None:
                first = stamp - size * BITS_PER_BYTE / BAUD
            wire_bytes += size
            lines += 1
        elif answer and first is not None:
            size = len(unescape(answer.group(1)))
            wire_bytes += size
            last = stamp + size * BITS_PER_BYTE / BAUD
    bound = wire_bytes * BITS_PER_BYTE / BAUD + lines * QUIET_SECONDS
    return last - first, bound, lines


def imports(exe):
    out = run("x86_64-w64-mingw32-objdump", "-p", exe)
    return sorted({name.lower() for name in re.findall(r"DLL Name: (\S+)", out)})


def real_time():
    """This process and what it starts from now on (the board, Wine's server
    and the window) at a real-time priority, ahead of ordinary work, as the
    flasher's benchmarks run; false where the system does not allow it."""
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
        return True
    except (OSError, AttributeError):
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("probe")
    parser.add_argument("boardsim")
    parser.add_argument("--lines", type=int, default=9000)
    args = parser.parse_args()
    args.exe, args.probe, args.boardsim = map(os.path.abspath, (args.exe, args.probe, args.boardsim))

    realtime = real_time()
    work = tempfile.mkdtemp(prefix="tarnwick-win32-bench-")
    hex_path = os.path.join(work, "image.hex")
    with open(hex_path, "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in image_lines(args.lines)))
    link = os.path.join(work, "com5")
    old_com5 = com5()
    set_com5(link)

    board_out = open(os.path.join(work, "board.out"), "w+")
    board = subprocess.Popen([args.boardsim, "--verbose", "--write-delay", "0", "--link", link],
                             stdout=board_out, stderr=subprocess.PIPE)
    log = BoardLog(board.stderr)
    window = None
    try:
        wait_for("the board's port", lambda: os.path.islink(link), 10)
        window_log = open(os.path.join(work, "window.log"), "w")
        window = subprocess.Popen(["wine", args.exe], cwd=work, stdin=subprocess.DEVNULL,
                                  stdout=window_log, stderr=subprocess.STDOUT)
        shown = run("timeout", "60", "xdotool", "search", "--sync", "--onlyvisible", "--name",
                    "^" + TITLE.replace(".", r"\.") + "$").split()[0]
        run("xdotool", "mousemove", "--sync", "--window", shown, *OPEN_PORT_AT, "click", "1")
        wait_for("the window's first command", lambda: log.count(r"^<- BOOTinfo$") > 0, 30)
        run("xdotool", "mousemove", "--sync", "--window", shown, *OPEN_FILE_AND_DOWNLOAD_AT,
            "click", "1")
        dialog = run("timeout", "30", "xdotool", "search", "--sync", "--onlyvisible", "--name",
                     "^Open$").split()[0]
        run("xdotool", "windowfocus", "--sync", dialog)
        time.sleep(0.5)
        run("xdotool", "type", "--delay", "5", "Z:" + hex_path.replace("/", "\\"))
        run("xdotool", "key", "Return")

        # Both passes end on "DOWNLOAD"; ERROR stops the run.
        wait_for("the end of the verify pass",
                 lambda: log.count(r"^-> DOWNLOAD") >= 2 or log.count(r"^-> ERROR") > 0,
                 args.lines * 0.2 + 120)
        if log.count(r"^-> ERROR"):
            sys.exit("the board answered ERROR")
        seconds, bound, lines = timing(log)
        shot = os.path.join(work, "end.png")
        time.sleep(1)
        run("import", "-window", shown, shot)
        green = run("convert", shot, "-format", f"%[pixel:{BAR_PIXEL}]", "info:") == "srgb(0,255,0)"

        time.sleep(2)  # the last answer read; the line stays quiet from here on
        window_cpu, server_cpu = quiet_cpu_shares(10)
    finally:
        if window is not None:
            wine_quiet(args.probe, "close", TITLE)
            try:
                window.wait(30)
            except subprocess.TimeoutExpired:
                window.kill()
        board.terminate()
        board.wait(30)
        set_com5(old_com5)

    board_out.seek(0)
    summary = [line.strip() for line in board_out if line.startswith("summary:")]
    sound = bool(summary) and summary[-1].endswith(" errors=0") and f"records={lines} " in summary[-1]
    size = os.path.getsize(args.exe)
    ratio = seconds / bound
    print(f"Tarnwick Win32 window benchmark, {datetime.date.today()}, {platform.node()}, "
          f"{os.cpu_count()} cores, {run('wine', '--version').strip()}, "
          + ("board, Wine and window at a real-time priority (SCHED_FIFO 10)\n" if realtime
             else "at the ordinary priority (no real-time priority was allowed)\n"))
    print("| Measure | Result | Target |\n|---|---|---|")
    print(f"| Download and verify through tarnwick.exe under Wine, {args.lines} lines, 115200 baud,"
          f" no flash delay | {seconds:.1f} s for {lines} lines sent, "
          f"{seconds / lines * 1e3:.2f} ms per line{'' if green else ' (bar not green at END)'} | |")
    print(f"| The protocol's bound for that run (wire bytes at 10 bits, 20 ms quiet per read)"
          f" | {bound:.1f} s, ratio {ratio:.3f} | ratio within 1.10 |")
    print(f"| CPU of the connected window, line quiet (10 s) | {window_cpu * 100:.2f} % of a core"
          f" (Wine's server beside it: {server_cpu * 100:.2f} %) | < 1 % |")
    print(f"| tarnwick.exe | {size / 1024:.0f} KiB ({size} bytes), imports "
          f"{', '.join(imports(args.exe))} | < 1.5 MB, system DLLs only |\n")
    print(f"ratio to bound: {ratio:.3f}")
    print(f"board: {summary[-1] if summary else 'no summary'}")
    lines_arg = "" if args.lines == 9000 else f" --lines {args.lines}"
    print(f"Command: scripts/bench win32{lines_arg}")
    if green and sound:
        shutil.rmtree(work)
        return 0
    print(f"kept for a look: {work}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
