"""Under a window manager, the place stored at the end is the window's own
frame corner, to the twip: a start and a close without a move write back
what was read, under every window manager tried; full screen and a spot the
window was brought to are never stored; a move of the user's is."""
import os
import signal
import time

import harness
from harness import expect


def stored(s):
    lines = s.read("data.dat").split("\r\n")
    return int(lines[251]), int(lines[252])


def net_state(s):
    return s.x("xprop", "-id", s.win, "_NET_WM_STATE", check=False).stdout


def start_and_close(s, wm, left, top, frame):
    """Starts at the stored left, top; the frame must stand at `frame`
    exactly; closes without a move: the numbers come back unchanged."""
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=left, top=top))
    for round in (1, 2):
        s.start()
        got = s.settled_frame_origin()
        expect(got == frame, "%s, start %d: frame at %s for %d, %d (got %s)" % (wm, round, frame, left, top, got))
        expect(s.terminate() == 0, "clean end")
        expect(stored(s) == (left, top), "%s, start %d: %d, %d stored back unchanged (got %s)"
               % (wm, round, left, top, stored(s)))


def moved_by_the_user(s, wm):
    s.start()
    s.settled_frame_origin()
    time.sleep(1.2)   # a person's move comes after the window manager has placed the window
    s.x("xdotool", "windowmove", "--sync", s.win, "120", "90", check=False)
    frame = s.settled_frame_origin()
    expect(frame != (200, 300), "%s: the window moved (frame at %s)" % (wm, frame))
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == (frame[0] * 15, frame[1] * 15),
           "%s: a moved window stores its frame's new corner %s (stored %s)" % (wm, frame, stored(s)))
    # And comes back exactly there.
    s.start()
    got = s.settled_frame_origin()
    expect(got == frame, "%s: started again at the moved place %s (got %s)" % (wm, frame, got))
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == (frame[0] * 15, frame[1] * 15), "%s: and stored unchanged" % wm)


def restarted(s, wm):
    """F1 F5 saves the place it was started at and the new instance comes
    up with its frame on the same spot."""
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=3000, top=4500))
    old = s.start()
    s.settled_frame_origin()
    s.focus(old)
    s.key("F1", "F5")
    expect(s.app.wait(10) == 0, "%s: the restart ended the old instance" % wm)
    expect(stored(s) == (3000, 4500), "%s: the restart stored the place unchanged (%s)" % (wm, stored(s)))
    # (The new window may well get the old one's id: tell them by process.)
    def pid_of(w):
        return int(s.x("xdotool", "getwindowpid", w, check=False).stdout.strip() or 0)
    new = harness.wait_until(lambda: next((w for w in s.windows() if pid_of(w) not in (0, s.app.pid)), None), 10)
    expect(new, "%s: the new instance is up" % wm)
    s.win = new
    got = s.settled_frame_origin()
    expect(got == (200, 300), "%s: after the restart the frame is at (200, 300) (got %s)" % (wm, got))
    os.kill(pid_of(new), signal.SIGTERM)
    expect(harness.wait_until(lambda: not s.find_window("--class", "sorvel_p"), 10), "%s: the new instance ended" % wm)
    expect(stored(s) == (3000, 4500), "%s: and stored the place unchanged (%s)" % (wm, stored(s)))


def test(s):
    s.start_x("800x600x24")
    # Others to try by hand: SORVEL_E2E_WMS="icewm fluxbox".
    for wm in os.environ.get("SORVEL_E2E_WMS", "openbox xfwm4").split():
        s.start_wm(wm)
        start_and_close(s, wm, 3000, 4500, (200, 300))
        # Not a whole pixel: placed at the nearest one, stored as it was.
        start_and_close(s, wm, 1507, 2993, (100, 200))
        # The top-left corner is a place like any other.
        start_and_close(s, wm, 0, 0, (0, 0))
        moved_by_the_user(s, wm)
        if wm == "openbox":
            restarted(s, wm)
        s.stop_wm()

    s.start_wm("openbox")
    # Full screen, then closed: the normal place stays stored.
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=4500, top=3000))
    s.start()
    s.settled_frame_origin()
    s.x("wmctrl", "-i", "-r", s.win, "-b", "add,fullscreen")
    ok = harness.wait_until(lambda: "_NET_WM_STATE_FULLSCREEN" in net_state(s), 5)
    expect(ok, "the window manager made the window full screen: %s" % net_state(s))
    time.sleep(0.5)
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == (4500, 3000), "full screen closed: place kept (stored %s)" % (stored(s),))

    # A place off this small screen is brought into view, frame and all;
    # closed without a move, the stored place is written back as it was.
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=22500, top=13500))
    s.start()
    fx, fy = s.settled_frame_origin()
    expect(0 <= fx <= 800 - 316 and 0 <= fy <= 600 - 146, "window brought onto the screen (frame at %d, %d)" % (fx, fy))
    expect(s.terminate() == 0, "clean end")
    expect(stored(s) == (22500, 13500), "stored place kept when never moved: %s" % (stored(s),))


if __name__ == "__main__":
    harness.main(test)
