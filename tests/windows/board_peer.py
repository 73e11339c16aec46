#!/usr/bin/env python3
"""Peers for the Windows tests: the far ends of two pseudo-terminals.

Wine maps COM5, COM6 and COM7 onto the slave sides; this program holds the
master sides for as long as it runs:
  echo    sends every byte it receives straight back, unchanged;
  board   plays a boot loader: answers "BOOTinfo", takes a HEX image line by
          line ("BOOT:..."), then checks the verify pass ("BOOT#...") against it;
  player  plays answers with pauses inside them: to a line "PLAY SCRIPT" it
          sends the script's bytes, with \r and \n for CR and LF, pausing
          MS milliseconds where the script says ~MS~;
  hangup  a board pulled out: at the first byte it receives, it closes its
          end (the port hangs up) and offers a new pseudo-terminal at the
          same link, for the next test.

The board answers "OK" to each line but the end-of-file record, "DOWNLOAD
<lines>" to that one, and "ERROR ..." to a line whose record is malformed,
whose checksum is wrong, or whose verify form differs from what it took in
the download pass. So a run the host finishes on "END" carried every line
unchanged, twice.

Usage: board_peer.py PORTS_FILE
Writes "echo=/dev/pts/N", "board=/dev/pts/M", "player=/dev/pts/K" and
"hangup=PORTS_FILE.hangup" (a link to the current pseudo-terminal) lines to
PORTS_FILE once all are ready, then serves until it is terminated.
"""
import os
import pty
import re
import select
import signal
import sys
import time
import tty


class Pty:
    def __init__(self):
        self.master, self.slave = pty.openpty()
        # Raw until Wine configures the port, so nothing is echoed or
        # translated by the terminal itself. The slave stays open here: the
        # settings then survive Wine's close, and the master never sees EIO.
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.path = os.ttyname(self.slave)
        self.pending = b""

    def send(self, data):
        self.pending += data
        self.flush()

    def flush(self):
        while self.pending:
            try:
                n = os.write(self.master, self.pending)
            except BlockingIOError:
                return
            self.pending = self.pending[n:]


class Echo:
    def __init__(self, port):
        self.port = port

    def received(self, data):
        self.port.send(data)


class Player:
    def __init__(self, port):
        self.port = port
        self.buffer = b""
        self.due = []  # (time, bytes) still to send, in order

    def received(self, data):
        self.buffer += data
        while b"\r\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            if line.startswith(b"PLAY "):
                self.schedule(line[5:].decode("latin-1"))

    def schedule(self, script):
        at = time.monotonic()
        for part in re.split(r"(~\d+~)", script):
            if re.fullmatch(r"~\d+~", part):
                at += int(part[1:-1]) / 1000.0
            elif part:
                text = part.replace("\\r", "\r").replace("\\n", "\n")
                self.due.append((at, text.encode("latin-1")))

    def next_due(self):
        return self.due[0][0] if self.due else None

    def send_due(self):
        while self.due and self.due[0][0] <= time.monotonic():
            self.port.send(self.due.pop(0)[1])


class Hangup:
    def __init__(self, link):
        self.link = link
        self.port = None
        self.renew()

    def renew(self):
        self.port = Pty()
        os.symlink(self.port.path, self.link + ".tmp")
        os.replace(self.link + ".tmp", self.link)

    def received(self, data):
        os.close(self.port.master)
        os.close(self.port.slave)
        self.renew()


def parse_record(text):
    """The bytes of an Intel HEX record ':LLAAAATT...CC', or None if malformed."""
    if not text.startswith(":") or len(text) < 11 or len(text) % 2 == 0:
        return None
    try:
        data = bytes.fromhex(text[1:])
    except ValueError:
        return None
    if len(data) != data[0] + 5 or sum(data) & 0xFF != 0:
        return None
    return data


class Board:
    def __init__(self, port):
        self.port = port
        self.buffer = b""
        self.image = []  # records taken in the download pass
        self.verified = None  # index of the next line to check, None outside a verify pass

    def received(self, data):
        self.buffer += data
        while b"\r\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            answer = self.answer(line.decode("latin-1"))
            if answer:
                self.port.send(answer.encode("latin-1") + b"\r\n")

    def answer(self, line):
        if line == "BOOTinfo":
            # The host asks before every run: whatever an earlier, broken-off
            # run left here is forgotten.
            self.image, self.verified = [], None
            return "VER=3.30 peer"
        if line.startswith("BOOT:"):
            return self.take(line[4:])
        if line.startswith("BOOT#"):
            return self.check(":" + line[5:])
        return "ERROR unknown command"

    def take(self, text):
        if self.verified is not None or not self.image or self.image[-1] is None:
            self.image, self.verified = [], None  # a new download
        record = parse_record(text)
        if record is None:
            number = len(self.image) + 1
            self.image.append(None)  # the host starts again from line 1
            return "ERROR record " + str(number)
        self.image.append(text)
        if record[3] == 1:
            self.image.append(None)  # closed: the next "BOOT:" starts afresh
            return "DOWNLOAD " + str(len(self.image) - 1)
        return "OK"

    def check(self, text):
        if self.verified is None:
            self.verified = 0
        expected = self.image[self.verified] if self.verified < len(self.image) else None
        if text != expected:
            return "ERROR verify " + str(self.verified + 1)
        self.verified += 1
        if parse_record(text)[3] == 1:
            return "DOWNLOAD " + str(self.verified)
        return "OK"


def serve(ports_file):
    echo_port, board_port, player_port = Pty(), Pty(), Pty()
    player = Player(player_port)
    peers = {echo_port.master: Echo(echo_port), board_port.master: Board(board_port),
             player_port.master: player}
    ports = {echo_port.master: echo_port, board_port.master: board_port,
             player_port.master: player_port}
    hangup = Hangup(ports_file + ".hangup")
    with open(ports_file + ".tmp", "w") as out:
        out.write("echo=%s\nboard=%s\nplayer=%s\nhangup=%s\n"
                  % (echo_port.path, board_port.path, player_port.path, hangup.link))
    os.replace(ports_file + ".tmp", ports_file)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        ports[hangup.port.master], peers[hangup.port.master] = hangup.port, hangup
        writers = [fd for fd, port in ports.items() if port.pending]
        wait = 1.0
        if player.next_due() is not None:
            wait = max(0.0, min(wait, player.next_due() - time.monotonic()))
        readable, writable, _ = select.select(list(ports), writers, [], wait)
        player.send_due()
        for fd in writable:
            ports[fd].flush()
        for fd in readable:
            try:
                data = os.read(fd, 4096)
            except (BlockingIOError, OSError):
                continue
            if data:
                peer = peers[fd]
                if peer is hangup:
                    del ports[fd], peers[fd]
                peer.received(data)


if __name__ == "__main__":
    serve(sys.argv[1])
