"""The window as the desktop sees it: its own icon and minimise/close-only
hints; "MIDI予約" is not touched by the pulsing surface under it; the page
banner at 20000 frames per second; a desktop entry whose program is missing
is named on stderr and still counted; under a Russian layout the key at the
Q place plays the game as Q."""
import os
import re
import time

import harness
from harness import AT, expect

WHITE = (255, 255, 255)
UPPER_ROW_RU = ["Cyrillic_shorti", "Cyrillic_tse", "Cyrillic_u", "Cyrillic_ka", "Cyrillic_ie",
                "Cyrillic_en", "Cyrillic_ghe", "Cyrillic_sha", "Cyrillic_shcha", "Cyrillic_ze"]


def test(s):
    entry = os.path.join(s.folder, "gone.desktop")
    with open(entry, "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Gone\nExec=sorvel-no-such-program --x\n")
    s.write("data.dat", harness.data_dat({0: entry}, left=1500, top=1500))
    s.start()
    x, y, _, _ = s.geometry()

    # The window's icon and hints.
    icon = s.x("xprop", "-len", "4000000", "-id", s.win, "_NET_WM_ICON").stdout
    sizes = sorted({int(a) for a, b in re.findall(r"Icon \((\d+) x (\d+)\)", icon) if a == b})
    expect(sizes == [16, 24, 32, 48, 64, 128], "_NET_WM_ICON holds 16 to 128 px: %s" % sizes)
    hints = s.x("xprop", "-id", s.win, "_MOTIF_WM_HINTS").stdout
    values = [int(v, 16) for v in re.findall(r"0x[0-9a-f]+", hints)]
    expect(len(values) >= 3, "_MOTIF_WM_HINTS is set: %r" % hints)
    functions = values[1]
    expect(functions & 8 and functions & 32, "minimise and close are offered: %#x" % functions)
    expect(not functions & 2 and not functions & 16, "no resize, no maximise: %#x" % functions)
    expect(s.title().endswith("左：ファイル　右：フォルダ"), "caption kept: %s" % s.title())

    # "MIDI予約" over the pulsing surface: its pixels stay as they are.
    s.move_away()
    s.click(*AT["timer"])
    s.move_away()
    box = (16, 80, 73, 17)           # the check box, client coordinates
    shots = []
    for _ in range(6):
        img = s.screenshot()
        shots.append([img.at(x + box[0] + i, y + box[1] + j) for j in range(box[3]) for i in range(box[2])])
        time.sleep(0.17)   # spread over the pulse: the time is the point
    expect(all(p == shots[0] for p in shots), "the check box does not change with the pulse")
    s.click(*AT["stop alarm"])

    # The page banner at 20000 frames per second.
    s.click(*AT["rate"])
    s.click(*AT["entry"])
    s.type("2e4")
    s.click(*AT["entry ok"])
    expect(harness.wait_until(lambda: "FPS:20000" in s.title(), 3), "rate 20000: %s" % s.title())
    s.click(*AT["next page"])
    expect(harness.wait_until(lambda: s.screenshot().at(x + 8 + 60, y + 42) == WHITE, 1.5),
           "the page banner shows")
    s.click(*AT["rate"])
    s.click(*AT["entry"])
    s.type("20")
    s.click(*AT["entry ok"])
    expect(harness.wait_until(lambda: "FPS:20 " in s.title(), 3), "back to 20")
    s.click(*AT["previous page"])   # page 0 again

    # A desktop entry whose program is missing.
    s.click(*harness.slot(0))
    harness.wait_until(lambda: "gone.desktop" in s.output(), 5)

    # The typing game under a Russian layout.
    s.x("setxkbmap", "ru")
    s.move_away()
    s.key("F6")
    s.key("0")          # upper row only
    s.key("F4")
    before = harness.six_game_lines(s)
    expect(all(v is not None for v in before), "six lines on screen %s" % before)
    hit = False
    for k in UPPER_ROW_RU:
        s.key(k)
        if harness.head_removed(s, before):
            hit = True
            break
        before = harness.game_line_lefts(s)
    expect(hit, "a Cyrillic key removed the head with the letter of its place")
    s.key("F6")
    s.x("setxkbmap", "us")

    expect(s.terminate() == 0, "clean shut-down")
    out = s.output()
    named = [l for l in out.splitlines() if "gone.desktop" in l]
    expect(len(named) == 1 and "sorvel-no-such-program" in named[0], "stderr names the entry and why: %r" % out)
    expect(s.read("lot.dat").split("\r\n")[0] == "1", "the use is counted")


harness.main(test)
