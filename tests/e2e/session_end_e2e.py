"""However the session ends, no use is lost: a count is on disk within a
second of its launch (so even SIGKILL costs none), and when the display
goes away before the launcher is told, what a close saves is saved."""
import os
import signal
import time

import harness
from harness import expect

SLOT0 = harness.slot(0)


def count(s, slot=0):
    lot = s.read("lot.dat")
    return int(lot.split("\r\n")[slot]) if lot else None


def test(s):
    data = harness.data_dat({0: "/usr/bin/env"}, left=1500, top=750)
    s.write("data.dat", data)
    s.write("lot.dat", harness.lot_dat({0: 5}))

    # A launch is counted on disk while the launcher runs on; a kill after
    # that costs nothing.
    s.start()
    s.move_away()
    s.click(*harness.slot(0))
    expect(harness.wait_until(lambda: count(s) == 6, 1.0), "the launch is in lot.dat within a second (%s)" % count(s))
    expect(s.read("data.dat") == data, "and nothing else was rewritten for it")
    s.app.send_signal(signal.SIGKILL)
    s.app.wait()
    expect(count(s) == 6, "SIGKILL cost no count (%s)" % count(s))

    # Two launches, then the X server ends at once: Qt ends the process,
    # and everything is saved on the way out.
    s.start()
    s.move_away()
    before = os.stat(os.path.join(s.folder, "data.dat")).st_ino
    s.click(*harness.slot(0))
    time.sleep(0.6)   # two launches, not a double click
    s.click(*harness.slot(0))
    s.xvfb.kill()
    s.xvfb.wait()
    s.xvfb = None
    try:
        rc = s.app.wait(10)
    except Exception:
        harness.fail("the launcher did not end when its display went away")
    expect(rc != 0, "the launcher ended with the display (status %d)" % rc)
    expect(count(s) == 8, "both launches are in lot.dat (%s)" % count(s))
    after = os.stat(os.path.join(s.folder, "data.dat")).st_ino
    expect(after != before, "the close's save ran on the way out (data.dat replaced)")
    expect(s.read("data.dat") == data, "data.dat holds the same slots and place")


if __name__ == "__main__":
    harness.main(test)
