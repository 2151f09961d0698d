"""The music list as a user meets it: opening it plays nothing; a file cut
inside its track is removed and the next one (an RMID-wrapped file) plays;
a press-drag-release plays the entry it ends on, and Delete removes that
one; an entry that ends at once under 単連 and 繰返 costs little CPU and
writes nothing to stderr over a few seconds."""
import os
import time

import harness
from harness import AT, expect

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
    s.click(*AT["music list"])
    time.sleep(0.8)
    expect(s.copied("track number") == "Midi No", "opening the list selects nothing")
    expect(s.copied("track name") == "Midi Name", "opening the list plays nothing")

    s.click(*harness.music_row(0))   # the cut file
    expect(harness.wait_until(lambda: s.read("midlist.dat") == listed("wrapped.mid", "a.mid", "b.mid"), 3),
           "the file cut inside its track left the list: %r" % s.read("midlist.dat"))
    expect(s.copied("track name") == path("wrapped.mid"), "the RMID file after it plays")

    # Press on a.mid, drag to b.mid, release.
    gx, gy, _, _ = s.geometry()
    rx, ry = harness.music_row(1)
    s.x("xdotool", "mousemove", "--sync", str(gx + rx), str(gy + ry))
    s.x("xdotool", "mousedown", "1")
    time.sleep(0.2)   # a person's drag takes its time
    rx, ry = harness.music_row(2)
    s.x("xdotool", "mousemove", "--sync", str(gx + rx), str(gy + ry))
    time.sleep(0.2)
    s.x("xdotool", "mouseup", "1")
    played = harness.wait_until(lambda: s.copied("track name") == path("b.mid"), 3)
    expect(played, "the entry the drag ended on plays")
    s.click(*AT["delete music"])
    expect(harness.wait_until(lambda: s.read("midlist.dat") == listed("wrapped.mid", "a.mid"), 3),
           "Delete removed the highlighted entry: %r" % s.read("midlist.dat"))
    expect(s.terminate() == 0, "clean shut-down")

    # An entry that ends at once, alone in its list, under both repeating
    # patterns: paced by the frame tick, quiet on stderr.
    s.write("midlist.dat", listed("quick.mid"))
    s.start()
    s.move_away()
    for pattern_row in (1, 3):   # 単連, 繰返
        s.click(*AT["pattern"])
        time.sleep(0.2)   # the menu opens (it shows no sign an X client could wait for)
        s.click(*harness.pattern_row(pattern_row))
        s.click(*AT["play"])
        time.sleep(0.5)   # the start of play is left out of the measure
        c0 = cpu_seconds(s.app.pid)
        time.sleep(3)   # the CPU it takes over a while: the time is the point
        cpu = (cpu_seconds(s.app.pid) - c0) / 3 * 100
        print("CPU with an entry that ends at once, pattern row %d: %.1f %% of a core" % (pattern_row, cpu))
        expect(cpu < 50, "no busy loop under pattern row %d (%.1f %% CPU)" % (pattern_row, cpu))
        expect(s.copied("track number") == "1/1", "the entry is selected and playing")
    expect(s.read("midlist.dat") == listed("quick.mid"), "the playable entry stays in the list")
    expect(s.terminate() == 0, "clean shut-down")
    lines = [l for l in s.output().splitlines() if "XDG_RUNTIME_DIR" not in l]
    expect(len(lines) <= 3, "stderr stays quiet: %r" % lines[:10])


harness.main(test)
