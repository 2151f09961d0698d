#!/usr/bin/env python3
"""Prints the launcher's running costs beside the reference window's
(bench/reference_window.cpp: same size, an area the size of the drawing
surface redrawn 20 times a second, a short Japanese text in the same font),
measured in one run under one Xvfb (with a private session bus, as on a
desktop), with their ratios: process start to the window being mapped and
to its first picture, idle CPU while shown (of the program alone and of the
program with its X server) and while unmapped, main-thread and all-thread
wake-ups, peak RSS, and the unmapped launcher once its music and alarm are
over. Both programs run side by side during the idle measurements, each on an
X server of its own so that what it costs the server can be told apart, so a
noisy machine affects both alike. Then the slot
click to running target latency, DrawFrame cost and the music figures.
Usage: bench/run_bench.py <build dir> [seconds per idle sample] [--main]
(--main: only the figures beside the reference window)"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import harness  # noqa: E402

SAMPLES = 5
# The launcher closes its audio device after this many seconds of quiet.
AUDIO_QUIET_S = 10


def tasks(pid):
    try:
        return os.listdir("/proc/%d/task" % pid)
    except FileNotFoundError:
        return []


def cpu_ns(pid):
    """CPU time of all threads, from the scheduler's nanosecond counters."""
    total = 0
    for tid in tasks(pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def ctxt(pid, tid, kinds):
    n = 0
    with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
        for line in f:
            key = line.split(":", 1)[0]
            if key in kinds:
                n += int(line.split()[1])
    return n


def main_thread_wakeups(pid):
    """Voluntary context switches of the main thread: each is one sleep,
    and one wake-up follows."""
    return ctxt(pid, str(pid), ("voluntary_ctxt_switches",))


def all_switches(pid):
    total = 0
    for tid in tasks(pid):
        try:
            total += ctxt(pid, tid, ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"))
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def peak_rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM"):
                return int(line.split()[1])
    return 0


class Program:
    def __init__(self, name, exe, cls):
        self.name, self.exe, self.cls = name, exe, cls
        self.starts = []
        self.pictures = []
        self.proc = None
        self.win = None
        self.fig = {}

    def spawn(self, s):
        self.session = s
        self.log = os.path.join(s.tmp, self.name + ".log")
        with open(self.log, "wb") as log:
            return subprocess.Popen([self.exe], cwd=os.path.dirname(self.exe), env=s.env,
                                    stdout=log, stderr=subprocess.STDOUT)


def time_start(s, prog, build):
    """Start to the window being mapped and to its first picture, measured
    by bench/map_wait, which sleeps in the X connection meanwhile."""
    out = subprocess.run([os.path.join(build, "bench", "map_wait"), prog.exe], cwd=os.path.dirname(prog.exe),
                         env=s.env, capture_output=True, text=True)
    if out.returncode != 0:
        harness.fail("%s did not show its window: %s" % (prog.name, out.stderr))
    mapped, painted = (float(v) for v in out.stdout.split())
    if painted < 0:
        harness.fail("%s mapped its window but showed no picture in it" % prog.name)
    prog.starts.append(mapped)
    prog.pictures.append(painted)
    time.sleep(0.2)


def session_bus(s):
    """A private D-Bus session bus, as every desktop session has one: without
    it Qt's accessibility bridge tries to launch one on each start."""
    if not shutil.which("dbus-daemon"):
        return None
    p = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True)
    addr = p.stdout.readline().strip()
    if not addr:
        p.kill()
        return None
    s.env["DBUS_SESSION_BUS_ADDRESS"] = addr
    return p


def sample(progs, seconds):
    """CPU %, main-thread wake-ups/s, all-thread switches/s and CPU % of
    program plus its X server, of every program over the same interval."""
    def now(p):
        return (cpu_ns(p.proc.pid), main_thread_wakeups(p.proc.pid), all_switches(p.proc.pid),
                cpu_ns(p.session.xvfb.pid))
    before = [now(p) for p in progs]
    time.sleep(seconds)
    out = []
    for p, (c0, m0, w0, x0) in zip(progs, before):
        c1, m1, w1, x1 = now(p)
        out.append(((c1 - c0) / 1e9 / seconds * 100, (m1 - m0) / seconds, (w1 - w0) / seconds,
                    ((c1 - c0) + (x1 - x0)) / 1e9 / seconds * 100))
    return out


def long_song(path, seconds=120):
    """A MIDI file of quarter-second notes, long enough to outlast a sample."""
    trk = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00")
    for i in range(seconds * 4):
        n = 60 + i % 12
        trk += bytes([0x00, 0x90, n, 0x50, 48, 0x80, n, 0x40])
    trk += b"\x00\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk" + len(trk).to_bytes(4, "big") + bytes(trk))


def idle(sessions, progs, seconds):
    """progs[0] is the launcher; each program runs on its own session's
    X server."""
    s = sessions[0]
    song = os.path.join(s.tmp, "long.mid")
    long_song(song)
    s.write("midlist.dat", '"%s"\r\n' % song)
    for p, ps in zip(progs, sessions):
        p.proc = p.spawn(ps)
        p.win = harness.wait_until(lambda p=p, ps=ps: ps.find_window("--class", p.cls), 10)
        if not p.win:
            harness.fail("%s did not show its window" % p.name)
    time.sleep(2)

    def show(on):
        for p in progs:
            p.session.x("xdotool", "windowmap" if on else "windowunmap", "--sync", p.win)
        time.sleep(0.5 if on else 1)

    for phase in ("shown", "unmapped", "music", "after"):
        if phase == "unmapped":
            show(False)
        if phase == "music":
            # The launcher plays its list unmapped; the reference is unmapped too.
            show(True)
            s.click(176 + 20, 104 + 8, wid=progs[0].win)   # "Play"
            time.sleep(1.5)
            show(False)
        if phase == "after":
            # Music stopped, then an alarm rung and silenced: unmapped, once
            # the quiet spell has passed, nothing should wake.
            show(True)
            s.click(216 + 20, 104 + 8, wid=progs[0].win)   # "Stop"
            s.click(8 + 224 + 20, 56 + 10, wid=progs[0].win)   # "TIMER"
            s.click(96 + 36, 80 + 11, wid=progs[0].win)        # the entry
            s.type("0")
            s.click(176 + 32, 80 + 12, wid=progs[0].win)       # "OK（分）"
            time.sleep(3)
            s.click(250, 48, wid=progs[0].win)                  # silences it
            show(False)
            time.sleep(AUDIO_QUIET_S + 2)
        rows = [sample(progs, seconds) for _ in range(SAMPLES)]
        for i, p in enumerate(progs):
            for j, key in enumerate(("cpu", "main", "all", "cpux")):
                p.fig[phase + " " + key] = statistics.median(r[i][j] for r in rows)
        if phase == "shown":
            for p in progs:
                p.fig["rss"] = peak_rss_kb(p.proc.pid)
    for p in progs:
        p.proc.terminate()
        p.proc.wait()


def report(app, ref):
    rows = [
        ("process start to window mapped, median ms", "start", "%.1f"),
        ("process start to first picture, median ms", "picture", "%.1f"),
        ("idle CPU shown, % of a core", "shown cpu", "%.2f"),
        ("idle CPU shown, program + X server, %", "shown cpux", "%.2f"),
        ("idle CPU unmapped, % of a core", "unmapped cpu", "%.3f"),
        ("main-thread wake-ups/s, shown", "shown main", "%.1f"),
        ("all-thread switches/s, shown", "shown all", "%.1f"),
        ("main-thread wake-ups/s, unmapped", "unmapped main", "%.1f"),
        ("all-thread switches/s, unmapped", "unmapped all", "%.1f"),
        ("idle CPU unmapped, music playing, %", "music cpu", "%.3f"),
        ("main-thread wake-ups/s, unmapped, music", "music main", "%.1f"),
        ("all-thread switches/s, unmapped, music", "music all", "%.1f"),
        ("idle CPU unmapped, music and alarm over, %", "after cpu", "%.3f"),
        ("all-thread switches/s, unmapped, after", "after all", "%.2f"),
        ("peak RSS, kB", "rss", "%.0f"),
    ]
    print("%-42s %12s %12s %8s" % ("", app.name, ref.name, "ratio"))
    for label, key, fmt in rows:
        a, r = app.fig[key], ref.fig[key]
        ratio = ("%.2f" % (a / r)) if r > 0.005 else "-"
        print("%-42s %12s %12s %8s" % (label, fmt % a, fmt % r, ratio))


def click_latency(s):
    script, marker = s.recording_script("probe.sh", "date +%s.%N")
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
        time.sleep(0.6)   # beyond the double-click interval: each click is a new press
    s.terminate()
    return statistics.median(lat)


def music_lists_and_level(build):
    """Music lists of any size and the music's output level (own programs)."""
    subprocess.run([os.path.join(build, "bench", "list_bench")], stderr=subprocess.DEVNULL)
    subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "list_startup.py"), build],
                   stderr=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "bench", "music_level")], stderr=subprocess.DEVNULL)


def main():
    args = [a for a in sys.argv[1:] if a != "--main"]
    main_only = "--main" in sys.argv[1:]
    build = os.path.abspath(args[0] if args else "build")
    seconds = float(args[1]) if len(args) > 1 else 5.0
    s = harness.Session(os.path.join(build, "dist"))
    s_ref = harness.Session(os.path.join(build, "dist"))
    ref_dir = tempfile.mkdtemp()
    bus = None
    try:
        s.start_x()
        s_ref.start_x()
        shutil.copy(os.path.join(build, "bench", "reference_window"), ref_dir)
        app = Program("sorvel_p", os.path.join(s.folder, "sorvel_p"), "sorvel_p")
        ref = Program("reference", os.path.join(ref_dir, "reference_window"), "reference_window")
        # Warm the caches, then alternate the two so that drift hits both.
        bus = session_bus(s)
        print("session bus: %s" % ("a private dbus-daemon" if bus else "none (dbus-daemon is not installed)"))
        time_start(s, app, build)
        time_start(s, ref, build)
        for p in (app, ref):
            p.starts.clear()
            p.pictures.clear()
        for _ in range(9):
            time_start(s, app, build)
            time_start(s, ref, build)
        for p in (app, ref):
            p.fig["start"] = statistics.median(p.starts)
            p.fig["picture"] = statistics.median(p.pictures)
        if "DBUS_SESSION_BUS_ADDRESS" in s.env:
            s_ref.env["DBUS_SESSION_BUS_ADDRESS"] = s.env["DBUS_SESSION_BUS_ADDRESS"]
        idle([s, s_ref], [app, ref], seconds)
        print("%d samples of %.0f s each for the idle figures (medians); both programs run side by side"
              % (SAMPLES, seconds))
        report(app, ref)
        print("slot mouse-down to target running: median %.1f ms (20 runs, includes xdotool start)"
              % click_latency(s))
    finally:
        if bus:
            bus.terminate()
        s.close()
        s_ref.close()
        shutil.rmtree(ref_dir, ignore_errors=True)
    if main_only:
        return
    subprocess.run([os.path.join(build, "bench", "frame_bench")], stderr=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "bench", "music_bench")], env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
    music_lists_and_level(build)
    subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "a11y_idle.py"), build])


if __name__ == "__main__":
    main()
