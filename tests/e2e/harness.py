"""Drives the real sorvel_p under a virtual X server (Xvfb) with xdotool,
ImageMagick screenshots and xclip. Standard library only."""

import contextlib
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CRLF = "\r\n"
SURFACE_GREY = (192, 192, 192)

# What AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer and
# ThreadSanitizer print when a sanitized build finds a fault.
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "ThreadSanitizer:")


def run(*args, check=True, **kw):
    return subprocess.run(list(args), check=check, capture_output=True, text=True, **kw)


def fail(msg):
    print("FAIL:", msg, file=sys.stderr)
    sys.exit(1)


def expect(cond, msg):
    if not cond:
        fail(msg)
    print("ok:", msg)


def wait_until(pred, timeout=5.0, step=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        v = pred()
        if v:
            return v
        time.sleep(step)
    return pred()


# Where the scripts click: a point inside each control, in client
# coordinates of its window (the control's left and top in pixels, plus an
# offset into it).
AT = {
    # The launcher window.
    "register": (8 + 101 + 36, 56 + 10),       # "登録/上書き"
    "previous page": (8 + 199 - 12, 56 + 10),  # "前"
    "next page": (8 + 199 + 12, 56 + 10),      # "次"
    "timer": (8 + 224 + 20, 56 + 10),          # "TIMER"
    "rate": (8 + 264 + 16, 56 + 10),           # "FPS"
    "entry": (96 + 36, 80 + 11),               # the number entry of TIMER and FPS
    "entry ok": (176 + 32, 80 + 12),           # "OK（分）" or "FPS　OK"
    "stop alarm": (240 + 24, 80 + 12),         # "止める"
    "select music": (56 + 48, 88 + 8),         # "Select(mid)"
    "delete music": (216 + 12, 88 + 8),        # "Delete"
    "help": (296 + 10, 88 + 8),                # "？"
    "copy address": (8 + 40, 104 + 8),         # "IPのコピー"
    "music list": (96 + 40, 104 + 8),          # "List U/D"
    "play": (176 + 20, 104 + 8),               # "Play"
    "stop": (216 + 20, 104 + 8),               # "Stop"
    "pattern": (264 + 16, 104 + 8),            # the play pattern (繰返 ...)
    "track name": (8 + 100, 128 + 9),          # the box with the playing file's name
    "track number": (208 + 50, 128 + 9),       # the box with "n/m"
    "surface": (250, 48),                      # the bare drawing surface right of the icon
    # The file dialog.
    "dialog path": (64 + 100, 224 + 9),        # the path field
    "dialog ok": (376 + 60, 8 + 20),           # "OKっす"
    "dialog cancel": (376 + 60, 56 + 20),      # "Cancelっす"
    "dialog folders": (8 + 60, 32 + 8),        # the first row of the folder list
}


def slot(i):
    """A point inside slot button i (0 to 9), right of the middle of its label."""
    return 8 + (i % 5) * 60 + 30, (i // 5) * 20 + 10


def music_row(k):
    """The centre of row k of the music list once it has slid to the top."""
    return 108, 8 + 12 * k


def pattern_row(k):
    """Row k of the menu the pattern button opens."""
    return 276, 48 + 8 + 12 * k


def data_dat(slots=None, left=0, top=0):
    slots = slots or {}
    lines = ['"%s"' % slots.get(i, "") for i in range(251)] + [str(left), str(top)]
    return CRLF.join(lines) + CRLF


def lot_dat(counts=None):
    counts = counts or {}
    return CRLF.join(str(counts.get(i, 0)) for i in range(251)) + CRLF


def smf(notes, ticks=48):
    """A type-0 MIDI file: 120 bpm, 96 ticks a beat, notes of a quarter second."""
    trk = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00")
    for i in range(notes):
        trk += bytes([0x00, 0x90, 60 + i, 0x64, ticks, 0x80, 60 + i, 0x40])
    trk += b"\x00\xff\x2f\x00"
    return b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk" + len(trk).to_bytes(4, "big") + bytes(trk)


def game_line_lefts(s, grey=(192, 192, 192)):
    """Leftmost inked x of each of the six game lines (None when empty)."""
    x, y, _, _ = s.geometry()
    img = s.screenshot()
    lefts = []
    for i in range(6):
        top = 11 * i + 11
        left = None
        for px in range(0, 290):
            if any(img.at(x + 8 + px, y + top + dy) != grey for dy in range(2, 10)):
                left = px
                break
        lefts.append(left)
    return lefts


def six_game_lines(s, timeout=3):
    """The game lines' lefts once all six are on screen (the last look when
    they never are)."""
    def six():
        lefts = game_line_lefts(s)
        return lefts if None not in lefts else None

    return wait_until(six, timeout) or game_line_lefts(s)


def head_removed(s, before, timeout=0.35):
    """Whether a line lost its head (its left moved right, or it emptied)
    against the lefts `before`. A key that hits no head changes nothing:
    it is given this long, so here the time is the point."""
    def removed():
        after = game_line_lefts(s)
        return any(a is not None and b is not None and a > b for a, b in zip(after, before)) or None in after

    return wait_until(removed, timeout)


class Session:
    """A temporary program folder (a copy of dist/), an X server and the
    launcher running from that folder."""

    def __init__(self, dist):
        self.tmp = tempfile.mkdtemp(prefix="sorvel_e2e_")
        self.folder = os.path.join(self.tmp, "prog")
        shutil.copytree(dist, self.folder, ignore=shutil.ignore_patterns("*.dat", ".sorvel_p.lock"))
        self.bin = os.path.join(self.tmp, "bin")
        os.makedirs(self.bin)
        self.opener_log = os.path.join(self.tmp, "opener.log")
        with open(os.path.join(self.bin, "xdg-open"), "w") as f:
            f.write('#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a" >> "%s"; done\n' % self.opener_log)
        os.chmod(os.path.join(self.bin, "xdg-open"), 0o755)
        self.xvfb = None
        self.app = None
        # Every launcher started writes its output to a file of its own (an
        # instance it starts in turn inherits it): a file never blocks the
        # harness, however many processes hold it open.
        self.logs = []
        self.display = None
        self.win = None
        self.wm = None

    # -- files -------------------------------------------------------------
    def write(self, name, text):
        with open(os.path.join(self.folder, name), "wb") as f:
            f.write(text.encode("utf-8"))

    def read(self, name):
        p = os.path.join(self.folder, name)
        if not os.path.exists(p):
            return None
        with open(p, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def recording_script(self, name, command="echo ran"):
        """An executable shell script in the temporary folder that appends
        what `command` prints to a file of its own: the script's path and
        that file's."""
        marker = os.path.join(self.tmp, name + ".out")
        script = os.path.join(self.tmp, name)
        with open(script, "w") as f:
            f.write('#!/bin/sh\n%s >> "%s"\n' % (command, marker))
        os.chmod(script, 0o755)
        return script, marker

    # -- X server and program ---------------------------------------------
    def start_x(self, screen="1024x768x24", repeat=True):
        # repeat=False: a key held down does not repeat (xdotool keydown ...
        # keyup gives one press and one release however long it is held).
        # Each test claims a display number with a lock of its own (held for
        # the test's life), so tests running side by side never share a
        # server; numbers that some other X server uses are skipped.
        # SORVEL_E2E_DISPLAYS="140-149" keeps them to that range (a
        # developer's own share of a machine that several use at once).
        span = os.environ.get("SORVEL_E2E_DISPLAYS")
        if span:
            lo, hi = (int(n) for n in span.split("-"))
            numbers = range(lo, hi + 1)
        else:
            first = 120 + os.getpid() % 200
            numbers = range(first, first + 400)
        for num in numbers:
            claim = open("/tmp/.sorvel-e2e-display-%d" % num, "w")
            try:
                fcntl.flock(claim, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except OSError:
                claim.close()
                continue
            if os.path.exists("/tmp/.X%d-lock" % num) or os.path.exists("/tmp/.X11-unix/X%d" % num):
                claim.close()
                continue
            self.display = ":%d" % num
            # -noreset: the server never resets when its last client leaves
            # (a reset refuses new connections for a moment).
            self.xvfb = subprocess.Popen(["Xvfb", self.display, "-noreset", "-screen", "0", screen,
                                          "-nolisten", "tcp"] + ([] if repeat else ["-r"]),
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.env = dict(os.environ, DISPLAY=self.display, SDL_AUDIODRIVER="dummy",
                            PATH=self.bin + os.pathsep + os.environ.get("PATH", ""),
                            XDG_RUNTIME_DIR=self.tmp, HOME=self.tmp)
            self.env.pop("QT_QPA_PLATFORM", None)
            # A desktop session always names a locale; CI's shell may not.
            if not any(self.env.get(k) for k in ("LC_ALL", "LC_CTYPE", "LANG")):
                self.env["LANG"] = "C.UTF-8"
            ok = wait_until(lambda: self.xvfb.poll() is not None or
                            subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0, 10)
            if ok and self.xvfb.poll() is None:
                self.display_claim = claim
                return
            # Lost the number to a server outside our tests: try the next one.
            if self.xvfb.poll() is None:
                self.xvfb.kill()
            self.xvfb.wait()
            self.xvfb = None
            claim.close()
        fail("Xvfb did not start")

    def start_wm(self, name="openbox"):
        """Starts a window manager on the server (openbox unless named), for
        tests where one matters (states such as full screen, frames,
        placement). xfwm4 keeps its settings on a D-Bus session of its own."""
        if self.xvfb is None:
            self.start_x()
        if shutil.which(name) is None:
            fail("%s is not installed (scripts/setup.sh installs it)" % name)
        cmd = {"openbox": ["openbox", "--sm-disable"],
               "xfwm4": ["dbus-run-session", "--", "xfwm4", "--compositor=off"],
               "icewm": ["icewm"],
               "fluxbox": ["fluxbox"]}[name]
        self.wm = subprocess.Popen(cmd, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
        # The manager owns the screen's WM_S0 selection once it runs.
        if not wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in
                          self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False).stdout, 15):
            fail("%s did not start" % name)

    def stop_wm(self):
        """Ends the window manager and everything it started, and clears the
        mark it leaves on the root window, so that the next one's start can
        be waited for."""
        if self.wm and self.wm.poll() is None:
            pgid = self.wm.pid
            os.killpg(pgid, signal.SIGTERM)
            self.wm.wait()

            def group_gone():
                try:
                    os.killpg(pgid, 0)
                    return False
                except OSError:
                    return True
            if not wait_until(group_gone, 5):
                os.killpg(pgid, signal.SIGKILL)
                wait_until(group_gone, 5)
        self.wm = None
        self.x("xprop", "-root", "-remove", "_NET_SUPPORTING_WM_CHECK", check=False)

    def frame_origin(self, wid=None):
        """Screen position of the window's outer frame: the ancestor of the
        window that is a child of the root window (the window itself when
        no window manager frames it)."""
        w = wid or self.win
        root = self.x("xwininfo", "-root").stdout.split("Window id: ")[1].split()[0]
        while True:
            tree = self.x("xwininfo", "-children", "-id", w, check=False).stdout
            parent = tree.split("Parent window id: ")[1].split()[0] if "Parent window id: " in tree else root
            if int(parent, 16) == int(root, 16):
                break
            w = parent
        info = self.x("xwininfo", "-id", w).stdout
        vals = dict(line.strip().split(":", 1) for line in info.splitlines() if "Absolute upper-left" in line)
        return int(vals["Absolute upper-left X"]), int(vals["Absolute upper-left Y"])

    def settled_frame_origin(self, timeout=5):
        """The frame's position once the window manager has stopped moving
        the window (the same answer for half a second)."""
        end = time.monotonic() + timeout
        last = self.frame_origin()
        since = time.monotonic()
        while time.monotonic() < end:
            time.sleep(0.1)
            now = self.frame_origin()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= 0.5:
                break
        return last

    def x(self, *args, check=True):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True, check=check)

    def start(self, program=None):
        """Starts the launcher: the portable copy, or the given executable."""
        if self.xvfb is None:
            self.start_x()
        with self.log_file("sorvel_p") as out:
            self.app = subprocess.Popen([program or os.path.join(self.folder, "sorvel_p")], cwd=self.tmp,
                                        env=self.env, stdout=out, stderr=subprocess.STDOUT)
        wid = wait_until(lambda: self.find_window("--class", "sorvel_p"), 10)
        if not wid:
            fail("the launcher window did not appear")
        self.win = wid
        self.x("xdotool", "windowfocus", "--sync", self.win, check=False)
        # Drawn: the bare surface right of the icon shows its grey.
        gx, gy, _, _ = self.geometry()
        wait_until(lambda: self.screenshot().at(gx + 8 + 250, gy + 48) == SURFACE_GREY, 3)
        return self.win

    def log_file(self, name):
        """A new file for a process's output, read back by output() and
        checked for sanitizer reports at the end."""
        path = os.path.join(self.tmp, "%s.%d.log" % (name, len(self.logs)))
        self.logs.append(path)
        return open(path, "wb")

    def output(self, path=None):
        """What the last launcher started (or the given log) has printed."""
        path = path or (self.logs[-1] if self.logs else None)
        if not path or not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def sanitizer_reports(self):
        return [(p, line) for p in self.logs for line in self.output(p).splitlines()
                if any(m in line for m in SANITIZER_MARKS)]

    def windows(self):
        """The visible windows of launchers (their menus included)."""
        return self.x("xdotool", "search", "--onlyvisible", "--class", "sorvel_p", check=False).stdout.split()

    def find_window(self, *search):
        r = self.x("xdotool", "search", "--onlyvisible", *search, check=False)
        ids = r.stdout.split()
        return ids[0] if ids else None

    def geometry(self, wid=None):
        r = self.x("xdotool", "getwindowgeometry", "--shell", wid or self.win)
        g = dict(line.split("=", 1) for line in r.stdout.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def title(self):
        return self.x("xdotool", "getwindowname", self.win).stdout.strip()

    def screenshot(self):
        path = os.path.join(self.tmp, "shot.ppm")
        self.x("import", "-window", "root", "-depth", "8", path)
        return Image(path)

    # -- input -------------------------------------------------------------
    def click(self, x, y, button=1, wid=None):
        """Clicks at client coordinates of the window."""
        gx, gy, _, _ = self.geometry(wid)
        self.move_to(gx + x, gy + y)
        self.x("xdotool", "click", str(button))
        time.sleep(0.15)

    def move_to(self, x, y):
        """Moves the pointer to screen coordinates. A synchronous move to where
        the pointer already is waits for a motion that never comes, so that
        case is skipped."""
        loc = self.x("xdotool", "getmouselocation", "--shell", check=False).stdout
        here = dict(line.split("=", 1) for line in loc.split() if "=" in line)
        if here.get("X") == str(x) and here.get("Y") == str(y):
            return
        self.x("xdotool", "mousemove", "--sync", str(x), str(y))

    def move_away(self):
        """Moves the pointer over the bare drawing surface so that the
        information panel closes and the music buttons show again."""
        gx, gy, _, _ = self.geometry()
        self.x("xdotool", "mousemove", "--sync", str(gx + 8 + 250), str(gy + 45))
        self.x("xdotool", "mousemove", "--sync", str(gx + 8 + 252), str(gy + 46))
        time.sleep(0.6)

    def key(self, *keys):
        """Key presses to the focused window."""
        self.x("xdotool", "key", "--delay", "60", *keys)
        time.sleep(0.1)

    def type(self, text):
        self.x("xdotool", "type", "--delay", "30", text)
        time.sleep(0.1)

    def clipboard(self):
        return self.x("xclip", "-o", "-selection", "clipboard", check=False).stdout

    def set_clipboard(self, text):
        """Puts text on the clipboard (an xclip of ours holds it until
        another client takes the selection)."""
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text, text=True, env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def copied(self, control, tries=3):
        """What the text box at the named control holds: clicked, all
        selected and copied. The clipboard is cleared first, so an answer
        is always this copy's; a copy that has not come within a second is
        made again; "" when none came (an empty box copies nothing)."""
        cleared = "<cleared %d>" % time.monotonic_ns()
        self.set_clipboard(cleared)
        wait_until(lambda: self.clipboard() == cleared, 2)

        def fresh():
            text = self.clipboard()
            return text if text != cleared else None

        for _ in range(tries):
            self.click(*AT[control])
            # Both keys at once: a box the program rewrites every frame (a
            # track that ends at once and plays again) would lose a
            # selection made a frame earlier.
            self.x("xdotool", "key", "--delay", "0", "ctrl+a", "ctrl+c")
            text = wait_until(fresh, 1.0, 0.02)
            if text is not None:
                return text.strip()
        return ""

    def focus(self, wid):
        self.x("xdotool", "windowfocus", "--sync", wid, check=False)
        time.sleep(0.1)

    # -- end -----------------------------------------------------------------
    def terminate(self, timeout=10):
        self.app.send_signal(signal.SIGTERM)
        try:
            rc = self.app.wait(timeout)
        except subprocess.TimeoutExpired:
            self.app.kill()
            fail("the launcher did not end after SIGTERM")
        return rc

    def close(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        if self.wm and self.wm.poll() is None:
            try:
                os.killpg(self.wm.pid, signal.SIGTERM)
            except OSError:
                pass
            self.wm.wait()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


class Image:
    """A binary PPM (P6) screenshot."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        parts = []
        i = 0
        while len(parts) < 4:
            while data[i:i + 1].isspace():
                i += 1
            if data[i:i + 1] == b"#":
                while data[i:i + 1] != b"\n":
                    i += 1
                continue
            j = i
            while not data[j:j + 1].isspace():
                j += 1
            parts.append(data[i:j])
            i = j
        i += 1
        self.w, self.h = int(parts[1]), int(parts[2])
        self.pix = data[i:]

    def at(self, x, y):
        o = (y * self.w + x) * 3
        return tuple(self.pix[o:o + 3])


@contextlib.contextmanager
def manifest_kept(build):
    """cmake --install rewrites build/install_manifest.txt, which the
    uninstall step reads: put back what was there, whatever happens."""
    path = os.path.join(build, "install_manifest.txt")
    try:
        with open(path, "rb") as f:
            saved = f.read()
    except FileNotFoundError:
        saved = None
    try:
        yield
    finally:
        if saved is None:
            try:
                os.remove(path)
            except FileNotFoundError:
                pass
        else:
            with open(path, "wb") as f:
                f.write(saved)


def main(test):
    if len(sys.argv) < 2:
        fail("usage: %s <dist folder>" % sys.argv[0])
    for tool in ("Xvfb", "xdotool", "xclip", "import", "xdpyinfo"):
        if shutil.which(tool) is None:
            fail("%s is not installed (scripts/setup.sh installs it)" % tool)
    s = Session(sys.argv[1])
    try:
        test(s)
        reports = s.sanitizer_reports()
        if reports:
            fail("sanitizer reports from the launcher:\n" + "\n".join("%s: %s" % r for r in reports[:20]))
    except SystemExit:
        for path in s.logs:
            text = s.output(path)
            if text:
                print("---- %s ----\n%s" % (os.path.basename(path), text), file=sys.stderr)
        raise
    finally:
        s.close()
    print("PASS")
