"""Opens the music list, adds two generated MIDI files through the dialog,
sees midlist.dat written, and under 繰返 the next track starts when the
first one has ended."""
import os
import time

import harness
from harness import AT, expect


def track_shown(s):
    return s.copied("track name")


def test(s):
    music = os.path.join(s.tmp, "Music")
    os.makedirs(music)
    # The first to play lasts long enough (1.5 s) to be seen on a slow machine.
    for name, notes in (("a.mid", 3), ("B.MID", 6)):
        with open(os.path.join(music, name), "wb") as f:
            f.write(harness.smf(notes))
    s.start()
    s.move_away()
    s.click(*AT["music list"])
    s.click(*AT["select music"])
    dlg = harness.wait_until(lambda: s.find_window("--name", "ファイルを選んでください"), 5)
    expect(dlg, "the file dialog opened")
    s.focus(dlg)
    s.click(*AT["dialog path"], wid=dlg)
    s.type(music)
    s.key("Return")   # the lists move to the folder
    s.type("a.mid B.MID")
    s.click(*AT["dialog ok"], wid=dlg)
    expect(harness.wait_until(lambda: not s.find_window("--name", "ファイルを選んでください"), 5),
           "the dialog closed")
    listed = harness.wait_until(lambda: s.read("midlist.dat"), 3)
    expect(listed == '"%s/B.MID"\r\n"%s/a.mid"\r\n' % (music, music),
           "midlist.dat holds both, last chosen on top, capitals kept: %r" % listed)

    shown = []
    first = harness.wait_until(lambda: shown.append(track_shown(s)) or shown[-1] == music + "/B.MID", 2, 0.3)
    expect(first, "the top entry plays: %r" % shown)
    nxt = harness.wait_until(lambda: track_shown(s) == music + "/a.mid", 10, 0.3)
    expect(nxt, "after the first track ended the next one started (繰返)")
    expect(s.terminate() == 0, "clean shut-down")
    expect(s.read("midlist.dat") == listed, "the list is kept on shut-down")


harness.main(test)
