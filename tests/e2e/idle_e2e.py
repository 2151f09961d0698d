"""While the window is unmapped the launcher keeps its deadlines: under 繰返
a five-track list goes on track after track, and shown again the right one
plays; a countdown that runs out while unmapped counts down in the caption
and sets the alarm caption on time."""
import os
import time

import harness
from harness import AT, expect

ALARM = "時間だよ！　クリックで止まるよ"


def track_number(s):
    return s.copied("track number")


def track_name(s):
    return s.copied("track name")


def unmap(s):
    s.x("xdotool", "windowunmap", "--sync", s.win)


def remap(s):
    s.x("xdotool", "windowmap", "--sync", s.win)
    s.x("xdotool", "windowfocus", "--sync", s.win, check=False)


def music(s):
    folder = os.path.join(s.tmp, "Music")
    os.makedirs(folder)
    paths = []
    for i in range(5):
        p = os.path.join(folder, "t%d.mid" % (i + 1))
        with open(p, "wb") as f:
            f.write(harness.smf(8))   # two seconds each
        paths.append(p)
    s.write("midlist.dat", "".join('"%s"\r\n' % p for p in paths))
    s.start()
    s.move_away()
    s.click(*AT["play"])
    expect(harness.wait_until(lambda: track_number(s) == "1/5", 3), "the first track plays")
    # The moment the second track starts, to a poll's accuracy (a look at
    # the box takes up to 0.6 s).
    expect(harness.wait_until(lambda: track_number(s) == "2/5", 8, 0.02), "the second one follows")
    t0 = time.monotonic()
    unmap(s)
    time.sleep(max(0.0, t0 + 4.5 - time.monotonic()))   # the time unmapped is the point
    remap(s)
    # The second track began up to a second before t0; a track and its
    # change take 2.0 to 2.15 s: the ends that passed meanwhile fix the track.
    e0 = time.monotonic() - t0
    number = harness.wait_until(lambda: track_number(s), 3, 0)
    e1 = time.monotonic() - t0
    low, high = int(e0 // 2.15), int((e1 + 1.0) // 2.0)
    expect(low >= 1, "the window was unmapped for long enough (%.2f s)" % e0)
    k = int(number.split("/")[0]) if "/" in number else -1
    expect(2 + low <= k <= 2 + high,
           "shown again, the track the time says plays: %r after %.2f..%.2f s" % (number, e0, e1))
    # (the next track may have begun while the boxes were read)
    names = (paths[k - 1], paths[k % 5])
    name = harness.wait_until(lambda: track_name(s) in names, 2, 0.1)
    expect(name, "and its name shows")
    nxt = "%d/5" % (k % 5 + 1)
    expect(harness.wait_until(lambda: track_number(s) == nxt, 3.5, 0.1), "then the next: %s" % nxt)
    s.click(*AT["stop"])


def countdown(s):
    s.click(*AT["timer"])
    s.click(*AT["entry"])
    s.type("0.05")   # three seconds
    s.click(*AT["entry ok"])
    t0 = time.monotonic()
    unmap(s)
    counting = harness.wait_until(lambda: s.title().startswith("0:"), 1.5, 0.05)
    expect(counting, "the caption counts down while unmapped: %r" % s.title())
    rang = harness.wait_until(lambda: s.title() == ALARM, 6, 0.02)
    t = time.monotonic() - t0
    expect(rang, "the alarm caption shows while unmapped: %r" % s.title())
    # Three marks count 60 frames down, the fourth runs out: 3 to 4 s.
    expect(2.9 <= t <= 4.3, "on time: %.2f s after OK" % t)
    remap(s)
    s.click(*AT["surface"])   # the click on the drawing surface stops it
    expect(harness.wait_until(lambda: s.title().startswith("FPS:20"), 2.5), "rate caption restored")


def test(s):
    music(s)
    countdown(s)
    expect(s.terminate() == 0, "clean shut-down")


harness.main(test)
