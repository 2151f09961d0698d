"""The launcher as a screen reader sees it: on a private session bus with the
accessibility bus, the tree read with pyatspi names every control; slot 0
is pressed through the bus and its program runs; then Tab reaches slot 0
and Return, as real key events, runs it again."""
import os
import sys
import time

try:
    import pyatspi
except ImportError:
    # pyatspi comes with the system's own Python.
    if sys.executable != "/usr/bin/python3" and os.access("/usr/bin/python3", os.X_OK):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

import harness
from a11y_bus import A11yBus
from atspi_tree import action_index, find_app, focused, fresh, fresh_name, start_on_bus, walk  # noqa: F401
from harness import expect


def test(s):
    script, marker = s.recording_script("say hello.sh")
    s.write("data.dat", harness.data_dat({0: script, 1: "/usr/", 2: "http://example.org/"}))

    s.start_x()
    bus = A11yBus(s.env).start()
    try:
        app = start_on_bus(s, bus)
        expect(app is not None, "the launcher is on the accessibility bus")
        nodes = harness.wait_until(lambda: [o for o in walk(app) if o.getRoleName() == "push button"]
                                   and walk(app), 10, 0.2)
        by_name = {}
        for o in nodes:
            by_name.setdefault(o.name, o)
        buttons = [o for o in nodes if o.getRoleName() == "push button"]
        unnamed = [o.getRoleName() for o in buttons if not o.name]
        expect(not unnamed, "every push button has a name (%d buttons)" % len(buttons))

        slot0 = by_name.get("0番地 say hello.sh（ファイル）")
        expect(slot0 is not None and slot0.getRoleName() == "push button",
               "slot 0 is a push button named by number, label and kind")
        expect("1番地 usr/（フォルダ）" in by_name and "2番地 example.org/（URL）" in by_name
               and "3番地（未登録）" in by_name, "the folder, URL and empty slots are named too")
        expect(script in slot0.description and "利用回数:0" in slot0.description,
               "slot 0's description holds its target and counts: %r" % slot0.description)
        expect(any(o.name.startswith("ローカルIP:") for o in nodes), "the surface says the local address")
        texts = {o.name for o in nodes if o.getRoleName() == "text"}
        expect({"再生中のファイル名", "MIDIリストの曲数"} <= texts, "the two text boxes are named: %r" % texts)

        act, press = action_index(slot0, "Press")
        expect(press >= 0, "slot 0 has a Press action")
        expect(action_index(slot0, "ShowMenu")[1] >= 0, "slot 0 has a second action for the right button")
        act.doAction(press)
        ran = harness.wait_until(lambda: os.path.exists(marker) and open(marker).read().count("ran"), 5)
        expect(ran == 1, "pressing slot 0 through the bus ran its program")
        expect(harness.wait_until(lambda: "利用回数:1 今回:1" in fresh(slot0).description, 3),
               "the description tells the new count: %r" % slot0.description)

        # The page turns through the bus: the slot's name follows.
        nxt = by_name.get("次")
        expect(nxt is not None, "the page button is on the bus")
        nact, npress = action_index(nxt, "Press")
        nact.doAction(npress)
        expect(harness.wait_until(lambda: fresh_name(slot0) == "10番地（未登録）", 3),
               "after a page turn slot button 0 says 10番地（未登録）: %r" % slot0.name)
        prev = by_name.get("前")
        pact, ppress = action_index(prev, "Press")
        pact.doAction(ppress)
        expect(harness.wait_until(lambda: fresh_name(slot0) == "0番地 say hello.sh（ファイル）", 3),
               "back on page 0")

        # Real key events: Tab until slot 0 has the focus, then Return.
        s.move_away()
        s.focus(s.win)
        reached = False
        for _ in range(40):
            if focused(slot0):
                reached = True
                break
            s.key("Tab")
        expect(reached, "Tab reaches slot 0")
        slot1 = by_name.get("1番地 usr/（フォルダ）")
        s.key("Tab")
        expect(harness.wait_until(lambda: focused(slot1), 2), "the next Tab goes to slot 1")
        s.key("shift+Tab")
        expect(harness.wait_until(lambda: focused(slot0), 2), "Shift+Tab goes back to slot 0")
        s.key("Return")
        ran = harness.wait_until(lambda: open(marker).read().count("ran") == 2, 5)
        expect(ran, "Return on the focused slot ran its program again")
        shot = s.screenshot()
        gx, gy, _, _ = s.geometry()
        expect(shot.at(gx + 8 + 30, gy + 12) == (192, 192, 255), "the focused slot keeps its file colour")
        expect(s.terminate() == 0, "clean shut-down")
        lot = s.read("lot.dat").split("\r\n")
        expect(lot[0] == "2", "both presses were counted: %r" % lot[0])
    finally:
        bus.stop()


harness.main(test)
