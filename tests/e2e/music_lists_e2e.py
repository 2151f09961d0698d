"""The music list as a user meets it: opening it plays nothing; a file cut
inside its track is removed and the next one (an RMID-wrapped file) plays;
a press-drag-release plays the entry it ends on, and Delete removes that
one; an entry that ends at once under 単連 and 繰返 costs little CPU and
writes nothing to stderr over a few seconds."""
import os
import time

import harness
from harness import expect

TICK = os.sysconf("SC_CLK_TCK")


def smf(notes, ticks=96):
    trk = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00")
    for i in range(notes):
        trk += bytes([0x00, 0x90, 60 + i % 12, 0x64]) + var(ticks) + bytes([0x80, 60 + i % 12, 0x40])
    trk += b"\x00\xff\x2f\x00"
    return b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk" + len(trk).to_bytes(4, "big") + bytes(trk)


def var(v):
    out = [v & 0x7f]
    v >>= 7
    while v:
        out.insert(0, (v & 0x7f) | 0x80)
        v >>= 7
    return bytes(out)


def rmid(data):
    body = b"RMID" + b"data" + len(data).to_bytes(4, "little") + data + (b"\x00" if len(data) % 2 else b"")
    return b"RIFF" + len(body).to_bytes(4, "little") + body


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def shown(s, x):
    s.click(x, 128 + 9)
    s.key("ctrl+a", "ctrl+c")
    return s.clipboard().strip()


def row(k):
    return 8 + 12 * k   # centre of list row k, the list at the top


def test(s):
    music = os.path.join(s.tmp, "Music")
    os.makedirs(music)
    files = {"cut.mid": smf(40)[:-9], "wrapped.mid": rmid(smf(60)), "a.mid": smf(60), "b.mid": smf(60),
             "quick.mid": smf(0)}
    for name, data in files.items():
        with open(os.path.join(music, name), "wb") as f:
            f.write(data)
    path = lambda n: os.path.join(music, n)  # noqa: E731
    listed = lambda *names: "".join('"%s"\r\n' % path(n) for n in names)  # noqa: E731
    s.write("data.dat", harness.data_dat())
    s.write("lot.dat", harness.lot_dat())
    s.write("midpage.dat", "0\r\n")
    s.write("midlist.dat", listed("cut.mid", "wrapped.mid", "a.mid", "b.mid"))
    s.start()
    s.move_away()
    s.click(136, 112)   # List U/D
    time.sleep(0.8)
    expect(shown(s, 258) == "Midi No", "opening the list selects nothing")
    expect(shown(s, 108) == "Midi Name", "opening the list plays nothing")

    s.click(108, row(0))   # the cut file
    expect(harness.wait_until(lambda: s.read("midlist.dat") == listed("wrapped.mid", "a.mid", "b.mid"), 3),
           "the file cut inside its track left the list: %r" % s.read("midlist.dat"))
    expect(shown(s, 108) == path("wrapped.mid"), "the RMID file after it plays")

    # Press on a.mid, drag to b.mid, release.
    gx, gy, _, _ = s.geometry()
    s.x("xdotool", "mousemove", "--sync", str(gx + 108), str(gy + row(1)))
    s.x("xdotool", "mousedown", "1")
    time.sleep(0.2)
    s.x("xdotool", "mousemove", "--sync", str(gx + 108), str(gy + row(2)))
    time.sleep(0.2)
    s.x("xdotool", "mouseup", "1")
    time.sleep(0.3)
    expect(shown(s, 108) == path("b.mid"), "the entry the drag ended on plays")
    s.click(228, 96)   # Delete
    expect(harness.wait_until(lambda: s.read("midlist.dat") == listed("wrapped.mid", "a.mid"), 3),
           "Delete removed the highlighted entry: %r" % s.read("midlist.dat"))
    expect(s.terminate() == 0, "clean shut-down")

    # An entry that ends at once, alone in its list, under both repeating
    # patterns: paced by the frame tick, quiet on stderr.
    s.write("midlist.dat", listed("quick.mid"))
    s.start()
    s.move_away()
    for pattern_row in (1, 3):   # 単連, 繰返
        s.click(280, 112)         # the pattern button
        time.sleep(0.2)
        s.click(276, 48 + 8 + 12 * pattern_row)
        s.click(176 + 20, 112)    # Play
        time.sleep(0.5)
        c0 = cpu_seconds(s.app.pid)
        time.sleep(3)
        cpu = (cpu_seconds(s.app.pid) - c0) / 3 * 100
        print("CPU with an entry that ends at once, pattern row %d: %.1f %% of a core" % (pattern_row, cpu))
        expect(cpu < 50, "no busy loop under pattern row %d (%.1f %% CPU)" % (pattern_row, cpu))
        expect(shown(s, 258) == "1/1", "the entry is selected and playing")
    expect(s.read("midlist.dat") == listed("quick.mid"), "the playable entry stays in the list")
    expect(s.terminate() == 0, "clean shut-down")
    lines = [l for l in s.output().splitlines() if "XDG_RUNTIME_DIR" not in l]
    expect(len(lines) <= 3, "stderr stays quiet: %r" % lines[:10])


harness.main(test)
