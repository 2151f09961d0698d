"""What the accessibility bus carries, read by a pyatspi event listener as a
screen reader reads it: the window is a frame; two track changes while a
slot has the focus send no focus event from the music list; a registration
pending warns in the focused slot's description, told with its text; the
game puts its head letters in the surface's name; the alarm stops through
the surface's action and through Escape."""
import os
import re
import subprocess
import sys
import time

try:
    import pyatspi  # noqa: F401
except ImportError:
    if sys.executable != "/usr/bin/python3" and os.access("/usr/bin/python3", os.X_OK):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

import harness
from a11y_bus import A11yBus
from atspi_tree import action_index, find_app, focused, fresh, fresh_name, start_on_bus, walk  # noqa: F401
from harness import expect


# A listener in a process of its own prints each event: type, source role,
# source name, any_data.
LISTENER = r'''
import sys, pyatspi
def on(e):
    try:
        src = e.source
        print("%s|%s|%s|%s" % (e.type, src.getRoleName(), src.name, e.any_data if isinstance(e.any_data, str) else "-"),
              flush=True)
    except Exception:
        pass
pyatspi.Registry.registerEventListener(on, "focus:", "object:state-changed:focused",
                                       "object:property-change:accessible-description",
                                       "object:property-change:accessible-name")
print("ready", flush=True)
pyatspi.Registry.start()
'''


class Events:
    def __init__(self, env):
        self.out = open(os.path.join(os.environ.get("TMPDIR", "/tmp"), "a11y_events_%d.txt" % os.getpid()), "w+")
        self.p = subprocess.Popen(["/usr/bin/python3", "-c", LISTENER], env=env, stdout=self.out,
                                  stderr=subprocess.DEVNULL, text=True)
        harness.wait_until(lambda: "ready" in self.lines(), 10)

    def lines(self):
        self.out.flush()
        with open(self.out.name) as f:
            return f.read().splitlines()

    def since(self, n):
        return self.lines()[n:]

    def close(self):
        self.p.kill()
        self.p.wait()
        self.out.close()
        os.remove(self.out.name)


def test(s):
    music = os.path.join(s.tmp, "Music")
    os.makedirs(music)
    for name in ("first.mid", "second.mid"):
        with open(os.path.join(music, name), "wb") as f:
            f.write(harness.smf(2))
    s.write("midlist.dat", '"%s/first.mid"\r\n"%s/second.mid"\r\n' % (music, music))
    s.write("data.dat", harness.data_dat({0: "/usr/bin/true"}))
    s.start_x()
    bus = A11yBus(s.env).start()
    ev = None
    try:
        app = start_on_bus(s, bus)
        expect(app is not None, "the launcher is on the accessibility bus")
        frame = app.getChildAtIndex(0)
        expect(frame.getRoleName() == "frame" and frame.name == s.title(),
               "the window is a frame named by its caption: %s %r" % (frame.getRoleName(), frame.name))
        nodes = harness.wait_until(lambda: [o for o in walk(app) if o.getRoleName() == "push button"] and walk(app))
        by_name = {}
        for o in nodes:
            by_name.setdefault(o.name, o)
        slot0 = by_name["0番地 true（ファイル）"]
        surface = next(o for o in nodes if o.getRoleName() == "image")
        ev = Events(s.env)

        # Play, then the focus to slot 0; the tracks change under 繰返.
        act, i = action_index(by_name["Play"], "Press")
        act.doAction(i)
        s.focus(s.win)
        for _ in range(40):
            if focused(slot0):
                break
            s.key("Tab")
        expect(focused(slot0), "Tab reaches slot 0")
        n = len(ev.lines())
        time.sleep(2.5)   # tracks of half a second: several changes
        list_events = [l for l in ev.since(n) if re.match(r"(focus:|object:state-changed:focused)\|(list|list item)", l)]
        expect(not list_events, "no focus event from the music list: %r" % list_events[:3])
        expect(focused(slot0), "slot 0 keeps the focus")
        number = next(o for o in nodes if o.name == "MIDIリストの曲数")
        expect(fresh(number).queryText().getText(0, -1) in ("1/2", "2/2"), "the music plays")

        # The overwrite warning of a pending registration, told with its text.
        n = len(ev.lines())
        register = by_name["登録/上書き"]
        for _ in range(40):
            if focused(register):
                break
            s.key("Tab")
        s.key("space")
        dlg = harness.wait_until(lambda: s.find_window("--name", "ファイルを選んでください"), 5)
        expect(dlg, "the file dialog opened")
        s.focus(dlg)
        s.click(64 + 100, 224 + 9, wid=dlg)   # the path field
        s.type("/usr/bin/env")
        s.click(376 + 60, 8 + 20, wid=dlg)    # "OKっす"
        expect(harness.wait_until(lambda: not s.find_window("--name", "ファイルを選んでください"), 5),
               "the dialog closed")
        s.focus(s.win)
        for _ in range(40):
            if focused(slot0):
                break
            s.key("Tab")
        warning = "/usr/bin/true を上書きせなあかんよ"
        expect(focused(slot0) and fresh(slot0).description == warning,
               "the focused slot's description warns: %r" % fresh(slot0).description)
        told = [l for l in ev.since(n) if l.startswith("object:property-change:accessible-description|push button|0番地")]
        expect(any(l.endswith("|" + warning) for l in told), "the warning was told with its text: %r" % told)
        s.click(8 + 30, 10, button=3)   # right button on a slot: the registration is cancelled

        # The game: its head letters in the surface's name.
        s.key("F6")
        s.key("F4")
        named = harness.wait_until(lambda: re.match(r"^開始( [A-Z]){6}$", fresh(surface).name or ""), 4)
        expect(named, "the surface names the head letters: %r" % fresh(surface).name)
        s.key("F6")

        # The alarm: stopped by the surface's action, then by Escape.
        for way in ("action", "Escape"):
            s.focus(s.win)
            tim, ti = action_index(by_name["TIMER"], "Press")
            tim.doAction(ti)
            time.sleep(0.3)
            s.key("0")
            ok, oi = action_index(by_name["OK（分）"], "Press")
            ok.doAction(oi)
            rang = harness.wait_until(lambda: s.title().startswith("時間だよ"), 4)
            expect(rang, "the alarm rings (%s)" % way)
            if way == "action":
                pa, pi = action_index(surface, "Press")
                pa.doAction(pi)
            else:
                s.key("Escape")
            expect(harness.wait_until(lambda: s.title().startswith("FPS:"), 4), "the alarm stopped by %s" % way)
        expect(s.terminate() == 0, "clean shut-down")
    finally:
        if ev:
            ev.close()
        bus.stop()


harness.main(test)
