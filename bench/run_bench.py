#!/usr/bin/env python3
"""Prints the launcher's figures beside a bare Qt window's, under Xvfb:
start to first frame shown, idle CPU and wake-ups over 10 s, peak RSS;
then the slot click to running target latency, DrawFrame cost and the
music device figures. Usage: bench/run_bench.py <build dir>"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import harness  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def proc_cpu(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def main_thread_sleeps(pid):
    """Voluntary context switches of the main thread: each is one sleep,
    so one wake-up follows."""
    with open("/proc/%d/task/%d/status" % (pid, pid)) as f:
        return sum(int(l.split()[1]) for l in f if l.startswith("voluntary_ctxt"))


def switches(pid):
    total = 0
    for tid in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def peak_rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM"):
                return int(line.split()[1])
    return 0


def measure(s, exe, cls, runs=7):
    starts = []
    for _ in range(runs):
        t0 = time.monotonic()
        p = subprocess.Popen([exe], cwd=os.path.dirname(exe), env=s.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not s.find_window("--class", cls):
            time.sleep(0.002)
        starts.append((time.monotonic() - t0) * 1000)
        p.terminate()
        p.wait()
    p = subprocess.Popen([exe], cwd=os.path.dirname(exe), env=s.env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    harness.wait_until(lambda: s.find_window("--class", cls), 10)
    time.sleep(2)
    c0, w0, m0 = proc_cpu(p.pid), switches(p.pid), main_thread_sleeps(p.pid)
    time.sleep(10)
    c1, w1, m1 = proc_cpu(p.pid), switches(p.pid), main_thread_sleeps(p.pid)
    rss = peak_rss_kb(p.pid)
    p.terminate()
    p.wait()
    return statistics.median(starts), (c1 - c0) / 10 * 100, (w1 - w0) / 10, rss, (m1 - m0) / 10


def click_latency(s):
    marker = os.path.join(s.tmp, "t.txt")
    script = os.path.join(s.tmp, "probe.sh")
    with open(script, "w") as f:
        f.write('#!/bin/sh\ndate +%%s.%%N >> "%s"\n' % marker)
    os.chmod(script, 0o755)
    s.write("data.dat", harness.data_dat({0: script}))
    s.start()
    gx, gy, _, _ = s.geometry()
    s.x("xdotool", "mousemove", "--sync", str(gx + 38), str(gy + 10))
    lat = []
    for i in range(20):
        before = len(open(marker).read().split()) if os.path.exists(marker) else 0
        t0 = time.time()
        s.x("xdotool", "click", "1")
        harness.wait_until(lambda: os.path.exists(marker) and len(open(marker).read().split()) > before, 5, 0.005)
        stamp = float(open(marker).read().split()[-1])
        lat.append((stamp - t0) * 1000)
        time.sleep(0.1)
    s.terminate()
    return statistics.median(lat)


def music_lists_and_level(build):
    """Music lists of any size and the music's output level (own programs)."""
    subprocess.run([os.path.join(build, "bench", "list_bench")], stderr=subprocess.DEVNULL)
    subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "list_startup.py"), build],
                   stderr=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "bench", "music_level")], stderr=subprocess.DEVNULL)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    s = harness.Session(os.path.join(build, "dist"))
    try:
        s.start_x()
        bare_dir = tempfile.mkdtemp()
        shutil.copy(os.path.join(build, "bench", "bare_window"), bare_dir)
        shutil.copy(os.path.join(build, "bench", "ticking_window"), bare_dir)
        app = measure(s, os.path.join(s.folder, "sorvel_p"), "sorvel_p")
        bare = measure(s, os.path.join(bare_dir, "bare_window"), "bare_window")
        tick = measure(s, os.path.join(bare_dir, "ticking_window"), "ticking_window", runs=3)
        print("%-34s %12s %12s %12s" % ("", "sorvel_p", "bare window", "20 Hz window"))
        print("%-34s %12.1f %12.1f %12.1f" % ("start to first frame, median ms", app[0], bare[0], tick[0]))
        print("%-34s %12.2f %12.2f %12.2f" % ("idle CPU over 10 s, % of a core", app[1], bare[1], tick[1]))
        print("%-34s %12.1f %12.1f %12.1f" % ("main-thread wake-ups / s", app[4], bare[4], tick[4]))
        print("%-34s %12.1f %12.1f %12.1f" % ("context switches, all threads / s", app[2], bare[2], tick[2]))
        print("%-34s %12d %12d %12d" % ("peak RSS, kB", app[3], bare[3], tick[3]))
        print("peak RSS ratio: %.2f" % (app[3] / bare[3]))
        print("slot mouse-down to target running: median %.1f ms (20 runs, includes xdotool start)"
              % click_latency(s))
        shutil.rmtree(bare_dir, ignore_errors=True)
    finally:
        s.close()
    subprocess.run([os.path.join(build, "bench", "frame_bench")], stderr=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "bench", "music_bench")], env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
    music_lists_and_level(build)


main()
