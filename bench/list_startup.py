#!/usr/bin/env python3
"""Time from start to the first window of the real sorvel_p under Xvfb,
with an empty music list and with a 20,000-entry list, measured in one run
(alternating, 7 runs each); then 100,000. Usage: bench/list_startup.py <build dir>"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import harness  # noqa: E402


def list_file(n):
    return "".join('"/home/user/Music/collection/artist %d/track %d.mid"\r\n' % (i % 97, i) for i in range(n))


def first_window_ms(s, exe, build):
    """Start to the window being mapped and to its first picture
    (bench/map_wait); the picture figure is the one reported."""
    out = subprocess.run([os.path.join(build, "bench", "map_wait"), exe], cwd=os.path.dirname(exe), env=s.env,
                         capture_output=True, text=True)
    if out.returncode != 0:
        raise SystemExit("sorvel_p did not show its window (X server %s): %s"
                         % ("running" if s.xvfb.poll() is None else "gone", out.stderr))
    painted = float(out.stdout.split()[1])
    if painted < 0:
        raise SystemExit("sorvel_p mapped its window but showed no picture in it")
    return painted


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    s = harness.Session(os.path.join(build, "dist"))
    try:
        s.start_x()
        # One client stays connected, so the X server never resets between
        # the short-lived ones (a reset refuses connections for a moment).
        keeper = subprocess.Popen(["xprop", "-root", "-spy"], env=s.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        s.write("data.dat", harness.data_dat())
        s.write("lot.dat", harness.lot_dat())
        s.write("midpage.dat", "0\r\n")
        exe = os.path.join(s.folder, "sorvel_p")
        lists = {0: "", 20000: list_file(20000), 100000: list_file(100000)}
        times = {n: [] for n in lists}
        first_window_ms(s, exe, build)   # warm the caches
        for _ in range(7):
            for n in (0, 20000, 100000):
                s.write("midlist.dat", lists[n])
                times[n].append(first_window_ms(s, exe, build))
        base = statistics.median(times[0])
        print("start to the first picture of the window, median of 7 (ms):")
        for n in (0, 20000, 100000):
            med = statistics.median(times[n])
            print("  %6d entries: %7.1f ms  (%+.0f %% against the empty list)" % (n, med, (med / base - 1) * 100))
        keeper.terminate()
        keeper.wait()
    finally:
        s.close()


main()
