"""Orca, the screen reader, with its speech captured: what a blind user hears.

ScreenReader() makes a private world: its own HOME and XDG folders, a private
D-Bus session bus with the AT-SPI accessibility bus on it (accessibility and
the screen reader switched on), speech-dispatcher with espeak-ng playing into
a null ALSA device, and Orca. Orca runs from a copy of its own launcher
script that writes its debug log line by line at the INFO level (each
utterance is a "SPEECH OUTPUT" line) and starts beside any other Orca of the
same user; Orca itself is not changed. scripts/setup.sh installs all of it.

    sr = ScreenReader()              # the bus first: the program starts on it
    # Xvfb, a window manager and the program with env updated by sr.app_env()
    sr.start(display)                # Orca on the program's display
    m = sr.mark(); <a real key press>; sr.wait(r"push button", m)
    sr.close()

Every process started here, also those that D-Bus activation or
speech-dispatcher's autospawn start and that then leave their parent, is
ended by its pid in close(): the calling process becomes a "child
subreaper", so such orphans stay its descendants.
"""
import ctypes, json, os, re, shutil, signal, subprocess, sys, tempfile, time
from collections import namedtuple
from datetime import datetime


def become_subreaper():
    """Orphaned descendants (daemons that fork away) are re-parented to this process."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)   # PR_SET_CHILD_SUBREAPER
    except Exception:
        pass


def descendants(pid=None):
    """Pids of all living descendants of pid (this process by default), deepest first."""
    pid = pid or os.getpid()
    parent = {}
    for d in os.listdir("/proc"):
        if d.isdigit():
            try:
                st = open(f"/proc/{d}/stat").read()
                parent[int(d)] = int(st[st.rindex(")") + 2:].split()[1])
            except (OSError, ValueError, IndexError):
                pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        kids = [c for c, pp in parent.items() if pp == p]
        out += kids
        todo += kids
    return out[::-1]


def end_pids(pids, grace=3.0):
    for p in pids:
        try:
            os.kill(p, signal.SIGTERM)
        except OSError:
            pass
    end = time.time() + grace
    while time.time() < end:
        alive = []
        for p in pids:
            try:
                os.kill(p, 0)
                st = open(f"/proc/{p}/stat").read()
                if st[st.rindex(")") + 2] != "Z":
                    alive.append(p)
            except OSError:
                pass
        reap()
        if not alive:
            return
        time.sleep(0.1)
    for p in pids:
        try:
            os.kill(p, signal.SIGKILL)
        except OSError:
            pass
    time.sleep(0.2)
    reap()


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


SETTINGS = {
    "general": {
        "orcaModifierKeys": ["Insert", "KP_Insert"],
        "keyboardLayout": 1,                       # desktop layout: Insert+KP_Enter reads the title bar
        "enableSpeech": True,
        "speechServerFactory": "speechdispatcherfactory",
        "enableKeyEcho": True,
        "enableBraille": False,
        "enableSound": False,
        "enableTutorialMessages": False,
        "speechVerbosityLevel": 1,
        "speakDescription": True,
        "profile": ["Default", "default"],
        "activeProfile": ["Default", "default"],
        "startingProfile": ["Default", "default"],
    },
    "profiles": {"default": {"profile": ["Default", "default"], "pronunciations": {}, "keybindings": {}}},
    "pronunciations": {},
    "keybindings": {},
}

SPEECHD_CONF = """LogLevel 3
LogDir "default"
DefaultVolume 100
DefaultModule espeak-ng
AudioOutputMethod "alsa"
"""

ASOUNDRC = """pcm.!default {
    type null
}
ctl.!default {
    type hw
    card 0
}
"""

Utterance = namedtuple("Utterance", "ts text echo")


def secs(ts):
    """'HH:MM:SS.ffffff' (Orca's log time) -> seconds since midnight."""
    h, m, s = ts.split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)


def now_secs():
    t = datetime.now()
    return t.hour * 3600 + t.minute * 60 + t.second + t.microsecond / 1e6


def parse_speech(data):
    """Orca debug log text -> [Utterance].  A key echo is logged as  'tab ' {...}  (a blank
    before the voice), everything else as  'text'{...}  or  'text' voice=uppercase{...}
    (a single character:  'a' {...}).  Multi-line utterances go on in lines indented by
    18 blanks; they are joined with " / "."""
    lines = data.split("\n")
    out, i = [], 0
    head = re.compile(r"^(\d\d:\d\d:\d\d\.\d+) - SPEECH OUTPUT: (.*)$")
    while i < len(lines):
        m = head.match(lines[i])
        if not m:
            i += 1
            continue
        parts, j = [m.group(2)], i + 1
        while j < len(lines) and lines[j].startswith(" " * 18) and not re.match(r"^\s+(ORCA rate|SD rate|GENERATION|COMPLETION)", lines[j]):
            parts.append(lines[j].strip())
            j += 1
        raw = " / ".join(parts)
        echo = False
        mm = re.match(r"^'(.*)'(?: voice=[A-Za-z_-]+)?( ?)(\{.*\})?\s*$", raw, re.S)
        if mm:
            text = mm.group(1)
            # A key echo is logged as  'keyname ' {voice}: a blank inside and before the voice.
            echo = mm.group(2) == " " and mm.group(3) is not None and text.endswith(" ")
        else:
            text = raw
        out.append(Utterance(m.group(1), text, echo))
        i = j
    return out


class ScreenReader:
    def __init__(self):
        become_subreaper()
        self.root = tempfile.mkdtemp(prefix="orca-speech-")
        self.home = os.path.join(self.root, "home")
        self.rt = os.path.join(self.root, "run")
        self.prefs = os.path.join(self.root, "orca-prefs")
        for d in (self.home, self.rt, self.prefs, os.path.join(self.home, ".config", "speech-dispatcher"),
                  os.path.join(self.home, ".local", "share"), os.path.join(self.home, ".cache")):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.rt, 0o700)
        open(os.path.join(self.home, ".asoundrc"), "w").write(ASOUNDRC)
        open(os.path.join(self.home, ".config", "speech-dispatcher", "speechd.conf"), "w").write(SPEECHD_CONF)
        json.dump(SETTINGS, open(os.path.join(self.prefs, "user-settings.conf"), "w"), indent=4)
        self.log = os.path.join(self.root, "orca-debug.log")
        self.orca = None
        self.notes = []
        self.line_buffered = False
        r = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                           capture_output=True, text=True, env=self.base_env())
        out = r.stdout.split()
        self.bus = out[0] if out else ""
        self.bus_pid = int(out[1]) if len(out) > 1 else None
        # Start the accessibility bus (D-Bus activation) and switch accessibility and the screen reader on.
        self.a11y = ""
        for _ in range(50):
            o = self._dsend("org.a11y.Bus.GetAddress")
            if 'string "' in o:
                self.a11y = o.split('string "')[-1].strip().rstrip('"')
                break
            time.sleep(0.1)
        for prop in ("IsEnabled", "ScreenReaderEnabled"):
            self._dsend("org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", f"string:{prop}", "variant:boolean:true")

    def base_env(self):
        e = dict(os.environ)
        for k in ("SESSION_MANAGER", "AT_SPI_BUS_ADDRESS", "XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "LC_ALL"):
            e.pop(k, None)
        e.update(HOME=self.home, XDG_RUNTIME_DIR=self.rt, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                 XDG_DATA_HOME=os.path.join(self.home, ".local", "share"), XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                 LANG="C.UTF-8", GSETTINGS_BACKEND="memory")
        return e

    def env(self):
        e = self.base_env()
        e["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        return e

    def app_env(self, **extra):
        """What the program under test needs in its environment to be on this bus."""
        e = {"DBUS_SESSION_BUS_ADDRESS": self.bus, "XDG_RUNTIME_DIR": self.rt, "HOME": self.home, "QT_ACCESSIBILITY": "1"}
        e.update(extra)
        return e

    def _dsend(self, *args):
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", *args],
                              capture_output=True, text=True, env=self.env(), timeout=10).stdout

    def _launcher(self):
        """Orca's own launcher script, with its debug log line-buffered at the INFO level,
        and kept apart from any other Orca of the same user on this machine: it does not
        refuse to run beside one, and its process is named orca-test, so that another
        Orca's "--replace" or start-up check does not find it."""
        src = open(shutil.which("orca") or "/usr/bin/orca").read()
        self.line_buffered = "debug.debugFile = open(args.debug_file, 'w')" in src
        for old, new in (("debug.debugFile = open(args.debug_file, 'w')",
                          "debug.debugFile = open(args.debug_file, 'w', buffering=1, encoding='utf-8')"),
                         ("debug.debugLevel = debug.LEVEL_ALL", "debug.debugLevel = debug.LEVEL_INFO"),
                         ("    if otherOrcas():", "    if False and otherOrcas():"),
                         ("setProcessName('orca')", "setProcessName('orca-test')")):
            if old in src:
                src = src.replace(old, new)
            else:
                self.notes.append("launcher: could not patch " + old)
        p = os.path.join(self.root, "orca-launcher")
        open(p, "w").write(src)
        return p

    def start(self, display, timeout=40.0):
        """Start Orca on display; True once it has said "Screen reader on" (or anything)."""
        e = self.env()
        e["DISPLAY"] = display
        self.display = display
        self.orca_out = open(os.path.join(self.root, "orca-stdout.txt"), "w")
        self.orca = subprocess.Popen(["/usr/bin/python3", self._launcher(), "-u", self.prefs, "--debug-file", self.log],
                                     env=e, stdout=self.orca_out, stderr=subprocess.STDOUT, cwd=self.root)
        end = time.time() + timeout
        while time.time() < end:
            if self.orca.poll() is not None:
                return False
            if any("Screen reader on" in u.text for u in self.speech(0)):
                return True
            time.sleep(0.2)
        return bool(self.speech(0))

    def alive(self):
        return self.orca is not None and self.orca.poll() is None

    def mark(self):
        try:
            return os.path.getsize(self.log)
        except OSError:
            return 0

    def raw(self, since=0):
        try:
            with open(self.log, "rb") as f:
                f.seek(since)
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def speech(self, since=0, echo=True):
        u = parse_speech(self.raw(since))
        return u if echo else [x for x in u if not x.echo]

    def said(self, since=0):
        """All non-echo speech since the mark, one string."""
        return " | ".join(u.text for u in self.speech(since, echo=False))

    def wait(self, pattern, since, timeout=4.0, settle=0.25):
        """Wait until a non-echo utterance after since matches pattern; then let the rest of
        that burst arrive (settle).  Returns the matching text or None."""
        rx = re.compile(pattern)
        end = time.time() + timeout
        while time.time() < end:
            for u in self.speech(since, echo=False):
                if rx.search(u.text):
                    time.sleep(settle)
                    return u.text
            time.sleep(0.1)
        return None

    def press(self, keyfn, key, expect=r".", timeout=2.0, settle=0.25):
        """Send key with keyfn (real key events); wait for speech matching expect.
        Returns (mark before the key, matching text or None)."""
        m = self.mark()
        keyfn(key)
        return m, self.wait(expect, m, timeout, settle)

    FOCUS = r"push button|\btext\b|check box|combo box|List with|list item|dialog|alert"

    def focus_text(self, since, ignore=None):
        """The last thing Orca announced as a place (a control with its role) since the mark."""
        last = None
        for u in self.speech(since, echo=False):
            if ignore and re.search(ignore, u.text):
                continue
            if re.search(self.FOCUS, u.text):
                last = u.text
        return last

    def move_to(self, keyfn, pattern, key="Tab", tries=26, each=2.5, since=None, ignore=None):
        """Press key (Tab, shift+Tab) until the control Orca last announced matches pattern.
        With since, first look whether Orca already announced it after that mark.
        Speech matching ignore (e.g. a list that pulls Orca away) does not count as a place.
        Returns the matching utterance, or None."""
        rx = re.compile(pattern)
        if since is not None:
            self.wait_quiet(since, quiet=0.4, timeout=2.0)
            f = self.focus_text(since, ignore)
            if f and rx.search(f):
                return f
        silent = 0
        for _ in range(tries):
            if not self.alive():
                return None
            m = self.mark()
            keyfn(key)
            self.wait(r".", m, each, settle=0.0)
            self.wait_quiet(m, quiet=0.35, timeout=2.0)
            if self.mark() == m:               # Orca logged nothing at all for this key
                silent += 1
                if silent >= 3:
                    return None
                continue
            silent = 0
            f = self.focus_text(m, ignore)
            if f and rx.search(f):
                return f
        return None

    def wait_quiet(self, since, quiet=0.8, timeout=4.0):
        """Wait until nothing new has been spoken for quiet seconds (or timeout)."""
        end = time.time() + timeout
        last, t_last = -1, time.time()
        while time.time() < end:
            n = self.mark()
            if n != last:
                last, t_last = n, time.time()
            elif time.time() - t_last >= quiet:
                return
            time.sleep(0.1)

    def tail(self, n=8, since=0):
        """The last n utterances (echo included, marked), for FAIL details."""
        u = self.speech(since)
        return " | ".join((("(key) " if x.echo else "") + x.text.strip()) for x in u[-n:]) or "(nothing spoken)"

    def dispatched(self, since=0):
        """How many utterances Orca handed to speech-dispatcher (so speech really went out)."""
        return self.raw(since).count("SPEECH DISPATCHER: Speaking")

    def handler_lines(self, since=0):
        return re.findall(r"INFO: Handler is ([^\n]*)", self.raw(since))

    def close(self):
        if self.orca is not None and self.orca.poll() is None:
            self.orca.terminate()
            try:
                self.orca.wait(5)
            except subprocess.TimeoutExpired:
                self.orca.kill()
                self.orca.wait()
        # Everything still running below this process: speech-dispatcher and its modules,
        # the session bus, the accessibility bus and its registry.
        end_pids(descendants())
        if self.bus.startswith("unix:path="):               # the session bus's socket file
            try:
                os.remove(self.bus.split("=", 1)[1].split(",")[0])
            except OSError:
                pass
        keep = os.environ.get("ACC_ORCA_LOG")          # keep Orca's log for a look afterwards
        if keep:
            try:
                shutil.copy(self.log, keep)
            except OSError:
                pass
        shutil.rmtree(self.root, ignore_errors=True)
