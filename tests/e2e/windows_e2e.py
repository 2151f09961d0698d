"""A user's files from Windows: a CP932 data.dat holding Windows paths and a
Wine prefix in HOME. A left click hands the opener the file the drive map
leads to; a path that leads nowhere is said on stderr and counted; the
unchanged data.dat is written back byte for byte."""
import os
import time
import urllib.parse

import harness
from harness import expect, CRLF


def test(s):
    # ~/.wine as Wine makes it: dosdevices/c: links to ../drive_c.
    prefix = os.path.join(s.tmp, ".wine")
    docs = os.path.join(prefix, "drive_c", "Users", "Yamada", "文書")
    os.makedirs(docs)
    os.makedirs(os.path.join(prefix, "dosdevices"))
    os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
    memo = os.path.join(docs, "メモ.txt")
    with open(memo, "w") as f:
        f.write("memo\n")

    slots = {0: "C:\\users\\YAMADA\\文書\\メモ.txt", 1: "D:\\無い\\表.txt", 2: "C:\\"}
    lines = ['"%s"' % slots.get(i, "") for i in range(251)] + ["1500", "750"]
    data = (CRLF.join(lines) + CRLF).encode("cp932")
    with open(os.path.join(s.folder, "data.dat"), "wb") as f:
        f.write(data)
    s.write("lot.dat", harness.lot_dat())
    s.write("midpage.dat", "0\r\n")
    s.start_x()
    s.env.pop("WINEPREFIX", None)   # the prefix in HOME
    s.start()

    s.click(*harness.slot(0))   # left button on slot 0
    want = "file://" + urllib.parse.quote(os.path.realpath(memo))
    log = harness.wait_until(lambda: os.path.exists(s.opener_log) and open(s.opener_log).read(), 5)
    expect(log and want in log.split("\n"), "the opener got the mapped file %s: %r" % (want, log))

    time.sleep(0.6)       # not the second half of a double-click
    s.click(*harness.slot(1))   # slot 1: drive D has no mapping
    said = harness.wait_until(lambda: "D:\\無い\\表.txt" in s.output(), 5)
    expect(said, "stderr names the path that leads nowhere: %r" % s.output())
    expect(open(s.opener_log).read() == log, "nothing more went to the opener")

    expect(s.terminate() == 0, "clean shut-down")
    with open(os.path.join(s.folder, "data.dat"), "rb") as f:
        expect(f.read() == data, "data.dat written back in CP932, byte for byte")
    counts = s.read("lot.dat").split("\r\n")
    expect(counts[:3] == ["1", "1", "0"], "both clicks were counted: %s" % counts[:3])


harness.main(test)
