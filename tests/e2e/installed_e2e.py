"""The installed program: its files go to $XDG_DATA_HOME/sorvel_p and never
into the prefix, help opens the installed readme.txt, a slot holding a
desktop entry starts the entry's Exec line, and a stored position off every
screen comes back into view. The portable copy keeps its files beside it.
Usage: installed_e2e.py <dist> <cmake> <build dir>"""
import os
import subprocess
import sys
import time

import harness
from harness import expect


def tree(root):
    out = {}
    for d, _, names in os.walk(root):
        for n in names:
            p = os.path.join(d, n)
            st = os.stat(p)
            out[p] = (st.st_size, st.st_mtime_ns)
    return out


def test(s):
    try:
        with harness.manifest_kept(sys.argv[3]):
            installed(s)
    finally:
        prefix = os.path.join(s.tmp, "prefix")
        if os.path.isdir(prefix):
            os.chmod(prefix, 0o755)


def installed(s):
    cmake, build = sys.argv[2], sys.argv[3]
    prefix = os.path.join(s.tmp, "prefix")
    r = subprocess.run([cmake, "--install", build, "--prefix", prefix], capture_output=True, text=True)
    expect(r.returncode == 0, "installed into a temporary prefix " + r.stderr)
    os.chmod(prefix, 0o555)   # as a system prefix: not the user's to write
    before = tree(prefix)
    program = os.path.join(prefix, "bin", "sorvel_p")
    xdg = os.path.join(s.tmp, "xdg data")
    data = os.path.join(xdg, "sorvel_p")
    s.start_x()
    s.env["XDG_DATA_HOME"] = xdg

    # First start: the data folder is made, with the user's own chime.
    s.start(program)
    expect(os.path.isdir(data), "the data folder was created on first start")
    expect(os.path.getsize(os.path.join(data, "bg.wav")) > 44, "the default chime was copied for the user")
    s.click(*harness.AT["help"])
    log = harness.wait_until(lambda: os.path.exists(s.opener_log) and open(s.opener_log).read(), 5)
    expect(log and os.path.join(prefix, "share", "sorvel_p", "readme.txt") in log,
           "help opens the installed readme.txt (%r)" % log)
    expect(s.terminate() == 0, "clean shut-down")
    expect(os.path.getsize(os.path.join(data, "data.dat")) > 0, "data.dat is written in the data folder")

    # A desktop entry in slot 0 and a position far off the 1024 x 768 screen.
    apps = os.path.join(s.tmp, "my apps")
    os.makedirs(apps)
    probe = os.path.join(apps, "probe.sh")
    probe_log = os.path.join(s.tmp, "probe.log")
    with open(probe, "w") as f:
        f.write('#!/bin/sh\n{ for a in "$@"; do echo "arg:$a"; done; echo "cwd:$(pwd)"; } > "%s.tmp"\n'
                'mv "%s.tmp" "%s"\n' % (probe_log, probe_log, probe_log))
    os.chmod(probe, 0o755)
    entry = os.path.join(apps, "probe.desktop")
    with open(entry, "w") as f:
        f.write('[Desktop Entry]\nType=Application\nName=Probe\nExec="%s" alpha "b c" %%U\nPath=%s\n' % (probe, apps))
    with open(os.path.join(data, "data.dat"), "w", newline="") as f:
        f.write(harness.data_dat({0: entry}, left=150000, top=-60000))
    s.start(program)
    x, y, w, h = s.geometry()
    expect(0 <= x and 0 <= y and x + w <= 1024 and y + h <= 768, "the window came back into view (%d,%d)" % (x, y))
    s.click(*harness.slot(0))   # left button on slot 0
    got = harness.wait_until(lambda: os.path.exists(probe_log) and open(probe_log).read(), 5)
    expect(got == "arg:alpha\narg:b c\ncwd:%s\n" % apps, "the desktop entry's Exec line ran: %r" % got)
    expect(entry not in open(s.opener_log).read(), "the entry was not handed to the opener")
    expect(s.terminate() == 0, "clean shut-down")
    saved = open(os.path.join(data, "data.dat"), newline="").read().split("\r\n")
    # Never moved by the user, the window keeps the stored place for the
    # screens it was meant for.
    expect(saved[0] == '"%s"' % entry and (saved[251], saved[252]) == ("150000", "-60000"),
           "the slot and the stored position were saved (%s, %s)" % (saved[251], saved[252]))
    lot = open(os.path.join(data, "lot.dat"), newline="").read()
    expect(lot.startswith("1\r\n"), "the launch was counted (%r)" % lot[:20])
    os.chmod(prefix, 0o755)
    expect(tree(prefix) == before, "nothing in the prefix was written")

    # The portable copy keeps everything beside the executable.
    other = os.path.join(s.tmp, "other xdg")
    s.env["XDG_DATA_HOME"] = other
    s.start()
    expect(s.terminate() == 0, "portable copy: clean shut-down")
    expect(os.path.exists(os.path.join(s.folder, "data.dat")), "portable copy: data.dat beside the program")
    expect(not os.path.exists(other), "portable copy: the XDG data folder is not touched")


harness.main(test)
