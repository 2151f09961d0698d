"""Under xfwm4, which maps a restored window before it clears the minimised
state, a launcher brought back from the task bar comes alive on its own:
without a key or a click its clock moves again, every time."""
import os
import time

import harness
from harness import expect

RESTORES = 24


def clock_pixels(s):
    """The status strip's clock (time of day and frame count), as the
    window shows it."""
    path = os.path.join(s.tmp, "win.ppm")
    s.x("import", "-window", s.win, "-depth", "8", path)
    img = harness.Image(path)
    return bytes(b for y in range(41, 70) for x in range(8, 80) for b in img.at(x, y))


def minimised(s):
    return "_NET_WM_STATE_HIDDEN" in s.x("xprop", "-id", s.win, "_NET_WM_STATE", check=False).stdout


def test(s):
    s.start_wm("xfwm4")
    s.start()
    # The pointer stays off the window: no crossing or hover wakes it.
    s.x("xdotool", "mousemove", "--sync", "1010", "750")
    time.sleep(1.0)
    for i in range(RESTORES):
        s.x("xdotool", "windowminimize", "--sync", s.win)
        expect(harness.wait_until(lambda: minimised(s), 5), "restore %d: the window is minimised" % i)
        # Long enough for the hidden window's tick to fall asleep.
        time.sleep(0.3 + (i % 4) * 0.1)
        s.x("xdotool", "windowactivate", "--sync", s.win, check=False)
        expect(harness.wait_until(lambda: not minimised(s), 5), "restore %d: the window is shown again" % i)
        first = clock_pixels(s)
        # The clock changes once a second and the text colour every frame.
        expect(harness.wait_until(lambda: clock_pixels(s) != first, 2.5, 0.1),
               "restore %d: the clock moves again without a key or a click" % i)


if __name__ == "__main__":
    harness.main(test)
