"""Opens the music list, adds two generated MIDI files through the dialog,
sees midlist.dat written, and under 繰返 the next track starts when the
first one has ended."""
import os
import time

import harness
from harness import expect


def track_shown(s):
    s.click(8 + 100, 128 + 9)   # the track name box
    s.key("ctrl+a", "ctrl+c")
    return s.clipboard().strip()


def test(s):
    music = os.path.join(s.tmp, "Music")
    os.makedirs(music)
    # The first to play lasts long enough (1.5 s) to be seen on a slow machine.
    for name, notes in (("a.mid", 3), ("B.MID", 6)):
        with open(os.path.join(music, name), "wb") as f:
            f.write(harness.smf(notes))
    s.start()
    s.move_away()
    s.click(96 + 40, 104 + 8)   # "List U/D"
    time.sleep(0.6)
    s.click(56 + 48, 88 + 8)    # "Select(mid)"
    dlg = harness.wait_until(lambda: s.find_window("--name", "ファイルを選んでください"), 5)
    expect(dlg, "the file dialog opened")
    s.focus(dlg)
    s.click(64 + 100, 224 + 9, wid=dlg)
    s.type(music)
    s.key("Return")   # the lists move to the folder
    s.type("a.mid B.MID")
    s.click(376 + 60, 8 + 20, wid=dlg)   # "OKっす"
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
