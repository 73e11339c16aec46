# udev's monitor, as the station watches devices on Linux: a fake USB board
# plugged in and then pulled out is seen both times, with what it said of
# itself when it came. umockdev's testbed sends the events (umockdev-run
# cannot while a program runs); this script must itself run under umockdev's
# preload:  umockdev-wrapper /usr/bin/python3 udev_monitor_test.py PROBE
import os
import select
import subprocess
import sys
import time

import gi

gi.require_version("UMockdev", "1.0")
from gi.repository import UMockdev  # noqa: E402

USB = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.3"
INTERFACE = USB + "/1-2.3:1.0"
TTY = INTERFACE + "/tty/ttyACM0"
# Parents first; the tty without an "N:" line: its node is the test's own pty.
BOARD = f"""P: {USB}
E: SUBSYSTEM=usb
E: DEVTYPE=usb_device
E: DRIVER=usb
A: idVendor=2341
A: idProduct=0043
A: manufacturer=Maker
A: product=Board
A: serial=S42

P: {INTERFACE}
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface
E: DRIVER=cdc_acm
A: bInterfaceNumber=00

P: {TTY}
E: SUBSYSTEM=tty
E: DEVNAME=/dev/ttyACM0
E: ID_VENDOR_ID=2341
E: ID_MODEL_ID=0043
A: dev=166:0
"""


def next_line(probe, seconds=30):
    """The probe's next line, waiting a generous while: a loaded machine is slow."""
    ready, _, _ = select.select([probe.stdout], [], [], seconds)
    if not ready:
        sys.exit("no line from the probe within %d s" % seconds)
    return probe.stdout.readline().strip()


def expect(probe, wanted):
    line = next_line(probe)
    if line != wanted:
        probe.kill()
        sys.exit("expected %r, got %r" % (wanted, line))
    print("seen:", line)


def main():
    testbed = UMockdev.Testbed.new()
    root = testbed.get_root_dir()
    env = dict(os.environ, UMOCKDEV_DIR=root)
    probe = subprocess.Popen([sys.argv[1], "2"], stdout=subprocess.PIPE, env=env, text=True)
    expect(probe, "ready")

    master, slave = os.openpty()
    os.makedirs(root + "/dev", exist_ok=True)
    node = root + "/dev/ttyACM0"
    os.symlink(os.ttyname(slave), node)  # before the add: its event goes out in the call
    testbed.add_from_string(BOARD)
    expect(probe, "added /dev/ttyACM0 2341:0043 S42 1-2.3")

    testbed.uevent("/sys" + TTY, "remove")  # while its sysfs entry still exists
    os.close(master)
    os.close(slave)
    os.unlink(node)
    for path in (TTY, INTERFACE, USB):  # children first
        testbed.remove_device("/sys" + path)
    expect(probe, "removed /dev/ttyACM0 2341:0043 S42 1-2.3")
    if probe.wait(timeout=30) != 0:
        sys.exit("the probe ended with %d" % probe.returncode)
    print("udev's monitor saw the board come and go")


if __name__ == "__main__":
    start = time.monotonic()
    main()
