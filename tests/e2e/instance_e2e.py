"""One launcher per program folder: a second start brings the running one
forward and exits 0 without touching a file, a folder elsewhere runs side
by side, F1 F5 leaves exactly one instance, a lock left by a killed one
does not block the next start, and a name with a double quote is refused."""
import os
import shutil
import signal
import subprocess
import time

import harness
from harness import expect


def windows(s):
    return s.windows()


def pid_of(s, wid):
    return int(s.x("xdotool", "getwindowpid", wid).stdout.strip())


def on_top(s, wins):
    """The one of the given windows highest in the stacking order (no window
    manager runs, so they are children of the root, listed top first)."""
    out = s.x("xwininfo", "-root", "-children").stdout
    order = [int(line.split()[0], 16) for line in out.splitlines() if line.strip().startswith("0x")]
    ranked = [w for w in wins if int(w) in order]
    return min(ranked, key=lambda w: order.index(int(w))) if ranked else None


def files_of(s):
    return {n: s.read(n) for n in sorted(os.listdir(s.folder)) if n.endswith(".dat")}


def test(s):
    s.write("data.dat", harness.data_dat({0: "/usr/bin/env"}, left=1500, top=750))
    s.write("lot.dat", harness.lot_dat({0: 4}))
    s.write("midpage.dat", "0\r\n")
    first = s.start()
    expect(os.path.exists(os.path.join(s.folder, ".sorvel_p.lock")), "the running launcher holds the folder")
    before = files_of(s)

    # Another program folder runs side by side, and takes the focus.
    other = os.path.join(s.tmp, "prog2")
    shutil.copytree(s.folder, other, ignore=shutil.ignore_patterns("*.dat", ".sorvel_p.lock"))
    with s.log_file("other") as out:
        app2 = subprocess.Popen([os.path.join(other, "sorvel_p")], cwd=s.tmp, env=s.env,
                                stdout=out, stderr=subprocess.STDOUT)
    both = harness.wait_until(lambda: len(windows(s)) == 2 and windows(s), 10)
    expect(both, "a launcher from another folder starts too")
    other_win = [w for w in both if w != first][0]
    s.focus(other_win)
    s.x("xdotool", "windowraise", other_win)
    expect(harness.wait_until(lambda: on_top(s, both) == other_win, 3), "the other launcher is on top")

    # A second start on the first folder brings that one forward.
    t0 = time.monotonic()
    second = subprocess.run([os.path.join(s.folder, "sorvel_p")], cwd=s.tmp, env=s.env, capture_output=True,
                            timeout=15)
    took = time.monotonic() - t0
    expect(second.returncode == 0, "the second start exits 0 (%d, %r)" % (second.returncode, second.stderr))
    expect(took < 4, "... within a few seconds (%.1f s)" % took)
    expect(harness.wait_until(lambda: on_top(s, both) == first, 3), "the running window came to the front")
    expect(s.app.poll() is None and sorted(windows(s)) == sorted(both), "no new window; the first is still there")
    expect(files_of(s) == before, "no data file was touched")
    app2.send_signal(signal.SIGTERM)
    app2.wait(10)

    # A script whose name holds a double quote is refused with a warning.
    odd = os.path.join(s.tmp, 'say "hi".sh')
    with open(odd, "w") as f:
        f.write("#!/bin/sh\n")
    s.focus(first)
    s.click(*harness.AT["register"])
    dlg = harness.wait_until(lambda: s.find_window("--name", "ファイルを選んでください"), 5)
    expect(dlg, "the file dialog opened")
    s.focus(dlg)
    s.click(*harness.AT["dialog path"], wid=dlg)
    s.type(odd)
    s.click(*harness.AT["dialog ok"], wid=dlg)
    box = harness.wait_until(lambda: s.find_window("--name", "^警告$"), 5)
    expect(box, "a warning box names the refusal")
    s.focus(box)
    s.key("Return")
    expect(harness.wait_until(lambda: not s.find_window("--name", "^警告$"), 5), "the box closes with OK")
    s.click(*harness.slot(1))   # left button on slot 1: nothing is pending
    # The click is a use of the empty slot: counted in lot.dat at once, and
    # nothing else is written.
    counted = dict(before, **{"lot.dat": harness.lot_dat({0: 4, 1: 1})})
    expect(harness.wait_until(lambda: files_of(s) == counted, 2), "nothing was registered; the use was counted")

    # F1 F5: the old instance ends, exactly one new one runs.
    s.focus(first)
    s.key("F1", "F5")
    try:
        rc = s.app.wait(10)
    except subprocess.TimeoutExpired:
        harness.fail("the restart did not end the old instance")
    expect(rc == 0, "the old instance ended")

    def new_one():
        w = windows(s)
        return w if len(w) == 1 and pid_of(s, w[0]) != s.app.pid else None
    wins = harness.wait_until(new_one, 10)
    expect(wins, "a new instance runs after the restart")
    time.sleep(1.5)   # no second one comes: only time can tell
    expect(len(windows(s)) == 1, "... and only one")
    new_pid = pid_of(s, wins[0])
    data = s.read("data.dat")
    expect(data.startswith('"/usr/bin/env"\r\n'), "the restart kept the slots")

    # A crash leaves the lock behind; the next start takes it over.
    os.kill(new_pid, signal.SIGKILL)
    expect(harness.wait_until(lambda: not windows(s), 5), "the killed instance is gone")
    expect(os.path.exists(os.path.join(s.folder, ".sorvel_p.lock")), "its lock file is left behind")
    s.start()
    expect(len(windows(s)) == 1, "a start after the crash comes up")
    expect(s.terminate() == 0, "clean shut-down")
    expect(not os.path.exists(os.path.join(s.folder, ".sorvel_p.lock")), "the lock is gone after a clean end")


harness.main(test)
