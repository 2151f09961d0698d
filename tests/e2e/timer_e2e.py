"""TIMER with 0 minutes: within two seconds the caption shows the alarm and
the drawing surface flashes green; a click on it stops both, and the next
second mark restores the rate caption."""
import time

import harness
from harness import AT, expect

ALARM = "時間だよ！　クリックで止まるよ"
GREEN = (0, 255, 0)
GREY = (192, 192, 192)


def test(s):
    s.start()
    x, y, _, _ = s.geometry()
    probe = (x + 8 + 250, y + 48)   # bare surface right of the icon
    s.click(*AT["timer"])
    s.click(*AT["entry"])
    s.type("0")
    t0 = time.monotonic()
    s.click(*AT["entry ok"])
    expect(harness.wait_until(lambda: s.title() == ALARM, 2.5), "the caption shows the alarm text")
    expect(time.monotonic() - t0 < 2.5, "within two seconds")
    # Screenshots are slow on a busy machine: give them a few flashes.
    green = harness.wait_until(lambda: s.screenshot().at(*probe) == GREEN, 5)
    expect(green, "the drawing surface flashes green")
    expect(s.read("bg.wav") is not None, "bg.wav is there")

    s.click(*AT["surface"])   # a click on the drawing surface stops it
    expect(harness.wait_until(lambda: s.screenshot().at(*probe) == GREY, 1), "grey again at once")
    expect(harness.wait_until(lambda: s.title().startswith("FPS:20"), 2.5), "rate caption restored")
    time.sleep(1.2)   # no flash comes back: only time can tell
    expect(s.title().startswith("FPS:20"), "and it stays: %s" % s.title())
    expect(s.screenshot().at(*probe) == GREY, "no more flashing")
    expect(s.terminate() == 0, "clean shut-down")


harness.main(test)
