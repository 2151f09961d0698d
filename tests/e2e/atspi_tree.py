"""Reading the launcher's accessibility tree with pyatspi: the objects under
a node, the launcher's application object, an object's state as the program
tells it now, and an action by name. Import after pyatspi is importable."""
import os

import pyatspi

import harness


def walk(obj, depth=0, out=None):
    out = [] if out is None else out
    if obj is None or depth > 30:
        return out
    out.append(obj)
    for i in range(obj.childCount):
        walk(obj.getChildAtIndex(i), depth + 1, out)
    return out


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    return next((a for a in apps if a is not None and a.name == "sorvel_p"), None)


def fresh(obj):
    """obj as the program tells it now, not as first read."""
    try:
        obj.clear_cache()
    except AttributeError:
        pass
    return obj


def fresh_name(obj):
    return fresh(obj).name


def action_index(obj, name):
    act = obj.queryAction()
    return act, next((i for i in range(act.nActions) if act.getName(i) == name), -1)


def focused(obj):
    return fresh(obj).getState().contains(pyatspi.STATE_FOCUSED)


def start_on_bus(s, bus):
    """Switches the bus's accessibility on, lets this process read the same
    bus, starts the launcher and returns its application object (None when
    it never showed up on the bus)."""
    bus.switch_on()
    os.environ.update({k: s.env[k] for k in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY")})
    s.start()
    return harness.wait_until(find_app, 15, 0.2)
