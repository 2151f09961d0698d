"""Registers a script through the file dialog, launches it in its own folder,
opens its folder with the right button, copies the local address and opens
the help file; lot.dat keeps the count after shut-down."""
import os
import re
import time

import harness
from harness import AT, expect


def test(s):
    tool_dir = os.path.join(s.tmp, "my tools")
    os.makedirs(tool_dir)
    marker = os.path.join(s.tmp, "cwd.txt")
    script = os.path.join(tool_dir, "run.sh")
    with open(script, "w") as f:
        f.write('#!/bin/sh\npwd > "%s"\n' % marker)
    os.chmod(script, 0o755)
    s.start()

    s.click(*AT["register"])
    dlg = harness.wait_until(lambda: s.find_window("--name", "ファイルを選んでください"), 5)
    expect(dlg, "the file dialog opened")
    s.focus(dlg)
    s.click(*AT["dialog path"], wid=dlg)
    s.type(script)
    s.click(*AT["dialog ok"], wid=dlg)
    expect(harness.wait_until(lambda: not s.find_window("--name", "ファイルを選んでください"), 5),
           "the dialog closed")

    s.click(*harness.slot(0))   # left button on slot 0: registers
    data = harness.wait_until(lambda: s.read("data.dat"), 3)
    expect(data and data.startswith('"%s"\r\n' % script), "data.dat holds the script at once")

    time.sleep(0.6)       # a second press sooner would be the second half of a double-click
    s.click(*harness.slot(0))   # left button again: runs it in its folder
    cwd = harness.wait_until(lambda: os.path.exists(marker) and open(marker).read().strip(), 5)
    expect(cwd == tool_dir, "the script ran in its own folder (%r)" % cwd)

    s.click(*harness.slot(0), button=3)   # right button: its folder goes to the opener
    log = harness.wait_until(lambda: os.path.exists(s.opener_log) and open(s.opener_log).read(), 5)
    expect(log and "my%20tools" in log, "the opener was asked for the folder: %r" % log)

    s.move_away()
    s.click(*AT["copy address"])
    ip = harness.wait_until(lambda: s.clipboard().strip(), 3)
    expect(re.fullmatch(r"\d+\.\d+\.\d+\.\d+", ip or ""), "the clipboard holds an address: %r" % ip)
    r = s.x("sh", "-c", "ip -o -4 addr show 2>/dev/null | awk '{print $4}' | cut -d/ -f1", check=False)
    known = set(r.stdout.split()) | {"127.0.0.1"}
    if r.stdout.strip():
        expect(ip in known, "the address is one of this machine's (%s)" % sorted(known))

    s.click(*AT["help"])
    expect(harness.wait_until(lambda: "readme.txt" in open(s.opener_log).read(), 5),
           "the opener was asked for readme.txt")
    expect(s.terminate() == 0, "clean shut-down")
    lot = s.read("lot.dat").split("\r\n")
    expect(lot[0] == "2", "lot.dat counts the two uses of slot 0 (%r)" % lot[0])


harness.main(test)
