#!/usr/bin/python3
"""The station program as a line runs it: tarnwick-flash --station on sockets
that are links (made by the board simulator's --link), boards plugged into
each socket one after another and flashed side by side, then Ctrl+C.

Every board must be recorded "verified" once, the station must end with 130
and its totals, and the sockets must all have been flashed. With --measure it
also prints the station's own CPU time (not its boards') per board-line and
its peak resident memory, for scripts/bench arm64.

  station_program_test.py FLASHER BOARDSIM FILE.hex [--boards N] [--rounds N] [--measure]
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def usage():
    print(__doc__.strip())
    sys.exit(0)


def wait_until(done, limit):
    until = time.monotonic() + limit
    while not done():
        if time.monotonic() > until:
            return False
        time.sleep(0.02)
    return True


def records(log):
    try:
        with open(log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []


def peak_kib(pid):
    """VmHWM of a running process, 0 once it has ended."""
    try:
        with open(f"/proc/{pid}/status", encoding="ascii") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def own_cpu_seconds(pid):
    """User and system time of the process itself, not of its children; read
    while it is a zombie, so it is its whole run."""
    with open(f"/proc/{pid}/stat", encoding="ascii") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks


def main(argv):
    if "-h" in argv or "--help" in argv or len(argv) < 3:
        usage()
    flasher, boardsim, image = (os.path.abspath(arg) for arg in argv[:3])
    boards = int(argv[argv.index("--boards") + 1]) if "--boards" in argv else 3
    rounds = int(argv[argv.index("--rounds") + 1]) if "--rounds" in argv else 2
    measure = "--measure" in argv
    # Emulated programs are slow to start: bound every wait generously.
    limit = 120

    work = tempfile.mkdtemp(prefix="station-run-")
    sockets = [os.path.join(work, f"socket{i + 1}") for i in range(boards)]
    log = os.path.join(work, "boards.jsonl")
    out = open(os.path.join(work, "station.out"), "w+", encoding="utf-8")
    station = subprocess.Popen([flasher, "--station", ",".join(sockets), image, "--log", log],
                               stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    peak = 0
    problems = []
    sims = []
    try:
        for round_ in range(rounds):
            # A board in each socket; each ends by itself after its verify
            # pass, which removes its link: the station sees it pulled.
            sims = [subprocess.Popen([boardsim, "--fast", "--exit-after-end", "--link", s],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     cwd=work) for s in sockets]
            want = boards * (round_ + 1)

            def round_done():
                nonlocal peak
                peak = max(peak, peak_kib(station.pid))
                return len(records(log)) >= want or station.poll() is not None
            if not wait_until(round_done, limit):
                problems.append(f"round {round_ + 1}: {len(records(log))} of {want} records")
                break
            if station.returncode is not None:
                problems.append(f"the station ended in round {round_ + 1}")
                break
            for sim in sims:
                try:
                    sim.wait(limit)
                except subprocess.TimeoutExpired:
                    problems.append("a board did not end after its verify pass")
            # A board plugged in before the station saw the last one go
            # would count as the same board staying: never flashed twice.
            def all_gone():
                with open(out.name, encoding="utf-8") as f:
                    return f.read().count(": gone") >= want
            if not wait_until(all_gone, limit):
                problems.append("the station did not see every board go")
                break
        cpu = 0.0
        if station.returncode is None:
            peak = max(peak, peak_kib(station.pid))
            station.send_signal(signal.SIGINT)
            # Seen ended but not yet reaped, its own CPU time is still readable.
            if wait_until(lambda: os.waitid(os.P_PID, station.pid,
                                            os.WEXITED | os.WNOHANG | os.WNOWAIT), limit):
                cpu = own_cpu_seconds(station.pid)
        code = station.wait(limit)
    finally:
        for sim in sims:
            sim.kill()
        if station.poll() is None:
            station.kill()
            station.wait()
        out.close()

    with open(out.name, encoding="utf-8") as f:
        shown = f.read()
    got = records(log)
    shutil.rmtree(work)
    if code != 130:
        problems.append(f"the station ended with {code}, not 130")
    if len(got) != boards * rounds:
        problems.append(f"{len(got)} records, not {boards * rounds}")
    bad = [r for r in got if r.get("outcome") != "verified" or r.get("exit_code") != 0]
    if bad:
        problems.append(f"not verified: {bad}")
    if sorted({r.get("device") for r in got}) != sorted(sockets):
        problems.append("not every socket was flashed")
    if f"passed {boards * rounds}, failed 0" not in shown:
        problems.append("no totals \"passed N, failed 0\" at the end")

    lines = sum(r.get("lines", 0) for r in got)
    if measure and lines:
        print(f"station: {len(got)} boards, {lines} board-lines, CPU {cpu:.3f} s, "
              f"{1e6 * cpu / lines:.1f} us a board-line, peak RSS {peak} KiB")
    if problems:
        print(shown)
        for problem in problems:
            print("FAILED:", problem)
        return 1
    print(f"the station flashed {len(got)} boards in {boards} sockets and ended with 130")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
