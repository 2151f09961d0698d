"""A private session bus with the accessibility bus on it, as a desktop with
a screen reader has them. Standard library only."""
import os
import shutil
import subprocess
import time

LAUNCHER_PATHS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")


def launcher_path():
    for p in LAUNCHER_PATHS:
        if os.access(p, os.X_OK):
            return p
    return None


class A11yBus:
    """Starts dbus-daemon (session) and at-spi-bus-launcher; env gets the
    bus address and the variables that switch Qt's accessibility on."""

    def __init__(self, env):
        self.env = env
        self.procs = []

    def start(self):
        if not shutil.which("dbus-daemon"):
            raise RuntimeError("dbus-daemon is not installed (scripts/setup.sh installs it)")
        launcher = launcher_path()
        if not launcher:
            raise RuntimeError("at-spi-bus-launcher is not installed (scripts/setup.sh installs at-spi2-core)")
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], env=self.env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.procs.append(bus)
        addr = bus.stdout.readline().strip()
        if not addr:
            raise RuntimeError("the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = addr
        spi = subprocess.Popen([launcher, "--launch-immediately"], env=self.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(spi)
        # Ready once the launcher answers on the session bus.
        end = time.monotonic() + 10
        while time.monotonic() < end:
            r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                                "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, text=True)
            if r.returncode == 0 and "unix:" in r.stdout:
                return self
            time.sleep(0.1)
        raise RuntimeError("the accessibility bus did not start")

    def switch_on(self, env=None):
        env = self.env if env is None else env
        env["QT_ACCESSIBILITY"] = "1"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return env

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.procs = []
