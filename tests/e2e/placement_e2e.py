"""Under a window manager, the place stored at the end is the window's own:
not the corner it had in full screen, and not the spot it was brought to
from off the screen, until the user moves it there."""
import time

import harness
from harness import expect


def stored(s):
    lines = s.read("data.dat").split("\r\n")
    return int(lines[251]), int(lines[252])


def net_state(s):
    return s.x("xprop", "-id", s.win, "_NET_WM_STATE", check=False).stdout


def test(s):
    s.start_x("800x600x24")
    s.start_wm()

    # Full screen, then closed: the normal place stays stored.
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=4500, top=3000))
    s.start()
    before = stored(s)
    s.x("wmctrl", "-i", "-r", s.win, "-b", "add,fullscreen")
    ok = harness.wait_until(lambda: "_NET_WM_STATE_FULLSCREEN" in net_state(s), 5)
    expect(ok, "the window manager made the window full screen: %s" % net_state(s))
    time.sleep(0.5)
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == before, "full screen closed: place %s kept (stored %s)" % (before, stored(s)))

    # A place off this small screen is brought into view; closed without a
    # move, the stored place is written back as it was.
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=22500, top=13500))
    s.start()
    x, y, w, h = s.geometry()
    # (Its frame is not known before it is first shown, so the frame may
    # reach past the screen's edge by a title bar's height.)
    expect(0 <= x and x + w // 2 <= 800 and 0 <= y and y + h // 2 <= 600,
           "window brought onto the screen (at %d, %d)" % (x, y))
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == (22500, 13500), "stored place kept when never moved: %s" % (stored(s),))

    # Moved by the user: the new place is stored.
    s.start()
    time.sleep(1.2)   # a person's move comes after the window manager has placed the window
    s.x("xdotool", "windowmove", "--sync", s.win, "120", "90", check=False)
    harness.wait_until(lambda: s.geometry()[0] < 300, 5)
    time.sleep(0.5)
    expect(s.terminate() == 0, "clean end")
    # The frame's corner is stored: the moved window's, give or take the
    # frame's border and title bar.
    left, top = stored(s)
    expect(abs(left - 120 * 15) <= 40 * 15 and abs(top - 90 * 15) <= 40 * 15,
           "a moved window stores its new place (stored %d, %d)" % (left, top))


if __name__ == "__main__":
    harness.main(test)
