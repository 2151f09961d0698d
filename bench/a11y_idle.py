#!/usr/bin/env python3
"""Idle CPU of the launcher while shown, with accessibility on (the
accessibility bus running, Qt's bridge switched on, a listener for the
bridge's events reading the tree as a screen reader does) beside the same
launcher with it off, both running side by side under one Xvfb in the same
run, so that a noisy machine affects both alike. Prints the medians and
their ratio. With --orca the screen reader itself, Orca, runs on the
launcher's bus in place of the listener.
Usage: bench/a11y_idle.py <build dir> [seconds per sample] [--orca]"""
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
from a11y_bus import A11yBus  # noqa: E402
sys.path.insert(0, HERE)
from run_bench import cpu_ns, main_thread_wakeups as wakeups  # noqa: E402

SAMPLES = 5

# Run under the system's Python where pyatspi lives (the listener below).
LISTENER = r'''
import sys, pyatspi
seen = [0]
def on(e):
    seen[0] += 1
def walk(o, d=0):
    if o is None or d > 30: return 0
    n = 1
    for i in range(o.childCount): n += walk(o.getChildAtIndex(i), d + 1)
    return n
desktop = pyatspi.Registry.getDesktop(0)
apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
apps = [a for a in apps if a is not None and a.name == "sorvel_p"]
print(len(apps), sum(walk(a) for a in apps), flush=True)
pyatspi.Registry.registerEventListener(on, "object:property-change", "object:state-changed", "focus:")
pyatspi.Registry.start()
'''


def main():
    args = [a for a in sys.argv[1:] if a != "--orca"]
    orca = "--orca" in sys.argv[1:]
    build = os.path.abspath(args[0] if args else "build")
    seconds = float(args[1]) if len(args) > 1 else 5.0
    s = harness.Session(os.path.join(build, "dist"))
    other = os.path.join(s.tmp, "prog_off")
    shutil.copytree(s.folder, other)
    # Side by side, neither covering the other.
    s.write("data.dat", harness.data_dat(left=0, top=0))
    with open(os.path.join(other, "data.dat"), "wb") as f:
        f.write(harness.data_dat(left=6000, top=0).encode())
    bus = None
    procs = []
    listener = None
    sr = None
    try:
        s.start_x()
        off_env = dict(s.env)
        if orca:
            from screen_reader import ScreenReader
            sr = ScreenReader()
            on_env = dict(s.env, **sr.app_env())
        else:
            bus = A11yBus(s.env).start()
            on_env = bus.switch_on(dict(s.env))
        for k in ("QT_ACCESSIBILITY", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON"):
            off_env.pop(k, None)
        progs = [("on", os.path.join(s.folder, "sorvel_p"), on_env), ("off", os.path.join(other, "sorvel_p"), off_env)]
        for name, exe, env in progs:
            p = subprocess.Popen([exe], cwd=os.path.dirname(exe), env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
            procs.append((name, p))
            if not harness.wait_until(lambda p=p: s.find_window("--pid", str(p.pid)), 10):
                harness.fail("the launcher (accessibility %s) did not show its window" % name)
        time.sleep(1)
        if sr:
            if not sr.start(s.display):
                harness.fail("Orca did not start")
            print("Orca runs on the bus of the launcher with accessibility on")
            time.sleep(3)
        else:
            syspy = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable
            listener = subprocess.Popen([syspy, "-c", LISTENER], env=s.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
            line = listener.stdout.readline().split()
            if len(line) != 2 or line[0] != "1":
                harness.fail("expected exactly the one launcher with accessibility on the bus, got %r" % line)
            print("accessibility bus: one launcher on it, %s objects in its tree, a listener for its events" % line[1])
            time.sleep(2)
        rows = []
        for _ in range(SAMPLES):
            before = [(cpu_ns(p.pid), wakeups(p.pid)) for _, p in procs]
            time.sleep(seconds)
            after = [(cpu_ns(p.pid), wakeups(p.pid)) for _, p in procs]
            rows.append([((c1 - c0) / 1e9 / seconds * 100, (w1 - w0) / seconds)
                         for (c0, w0), (c1, w1) in zip(before, after)])
        cpu = [statistics.median(r[i][0] for r in rows) for i in range(2)]
        wk = [statistics.median(r[i][1] for r in rows) for i in range(2)]
        print("%d samples of %.0f s, both side by side (medians)" % (SAMPLES, seconds))
        print("%-38s %12s %12s %8s" % ("", "Orca on" if sr else "a11y on", "a11y off", "ratio"))
        print("%-38s %12.2f %12.2f %8.2f" % ("idle CPU shown, % of a core", cpu[0], cpu[1],
                                           cpu[0] / cpu[1] if cpu[1] else float("nan")))
        print("%-38s %12.1f %12.1f %8.2f" % ("main-thread wake-ups/s, shown", wk[0], wk[1],
                                           wk[0] / wk[1] if wk[1] else float("nan")))
        print("per-sample CPU %% (on/off): %s" % ", ".join("%.2f/%.2f" % (r[0][0], r[1][0]) for r in rows))
    finally:
        if listener:
            listener.kill()
            listener.wait()
        for _, p in procs:
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        if bus:
            bus.stop()
        if sr:
            sr.close()
        s.close()


main()
