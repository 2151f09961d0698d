"""F6 shows the typing game, F4 starts lines, typing a line's head removes
it, F6 returns at the earlier rate; F1 F9 F3 Delete and Enter on the
question empty the slots and move the window to 0, 0 while lot.dat keeps
its counts."""
import time

import harness
from harness import expect

LOWER_ROW = "ZXCVBNM"


def test(s):
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env", 5: "/tmp/"}, left=1500, top=1500))
    s.write("lot.dat", harness.lot_dat({0: 4, 5: 9}))
    s.write("midpage.dat", "0\r\n")
    s.start()
    x, y, _, _ = s.geometry()
    s.move_away()

    s.key("F6")
    gone = harness.wait_until(lambda: s.screenshot().at(x + 8 + 56, y + 15) != (192, 192, 255), 3)
    expect(gone, "slot buttons are gone")
    expect(harness.wait_until(lambda: s.title().startswith("FPS:10"), 2.5), "caption at FPS:10")

    s.key("2")        # lower row only
    s.key("F4")
    before = harness.six_game_lines(s)
    expect(all(v is not None for v in before), "six lines on screen %s" % before)
    hit = False
    for letter in LOWER_ROW:
        s.key(letter.lower())
        if harness.head_removed(s, before):
            hit = True
            break
        before = harness.game_line_lefts(s)
    expect(hit, "typing a line's head removed it")

    s.key("F6")
    back = harness.wait_until(lambda: s.screenshot().at(x + 8 + 56, y + 15) == (192, 192, 255), 3)
    expect(back, "slot buttons are back")
    expect(harness.wait_until(lambda: s.title().startswith("FPS:20"), 2.5), "the earlier rate is back")

    for k in ("F1", "F9", "F3", "Delete"):
        s.key(k)
    box = harness.wait_until(lambda: s.find_window("--name", "リセット操作"), 5)
    expect(box, "the reset question is shown")
    s.focus(box)
    s.key("Return")
    expect(harness.wait_until(lambda: s.geometry()[:2] == (0, 0), 3), "the window moved to 0, 0")
    data = s.read("data.dat").split("\r\n")
    expect(all(v == '""' for v in data[:251]), "every slot is empty in data.dat")
    expect(data[251:253] == ["0", "0"], "data.dat holds the position 0, 0")
    lot = s.read("lot.dat").split("\r\n")
    expect(lot[0] == "4" and lot[5] == "9", "lot.dat keeps its counts")
    expect(s.terminate() == 0, "clean shut-down")


harness.main(test)
