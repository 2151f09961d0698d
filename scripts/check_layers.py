#!/usr/bin/env python3
"""Fails on an #include that goes the wrong way between the folders of src/:
platform includes nothing of the program, only app includes app, and no
two folders include each other, directly or round a longer cycle."""
import os
import re
import sys

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)


def edges():
    found = {}
    for folder in sorted(os.listdir(SRC)):
        path = os.path.join(SRC, folder)
        if not os.path.isdir(path):
            continue
        for root, _, files in os.walk(path):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                rel = os.path.relpath(os.path.join(root, name), SRC)
                with open(os.path.join(root, name), encoding="utf-8") as f:
                    for target in INCLUDE.findall(f.read()):
                        if target != folder and os.path.isdir(os.path.join(SRC, target)):
                            found.setdefault((folder, target), rel)
    return found


def cycle(graph):
    state = {}

    def visit(n, trail):
        state[n] = 1
        for m in sorted(graph.get(n, ())):
            if state.get(m) == 1:
                return trail[trail.index(m):] + [m] if m in trail else [n, m]
            if m not in state:
                c = visit(m, trail + [m])
                if c:
                    return c
        state[n] = 2
        return None

    for n in sorted(graph):
        if n not in state:
            c = visit(n, [n])
            if c:
                return c
    return None


def main():
    found = edges()
    faults = []
    for (a, b), where in sorted(found.items()):
        if a == "platform":
            faults.append("%s: platform includes %s/ (platform includes nothing of the program)" % (where, b))
        if b == "app":
            faults.append("%s: %s/ includes app/ (only app includes app)" % (where, a))
    graph = {}
    for a, b in found:
        graph.setdefault(a, set()).add(b)
    c = cycle(graph)
    if c:
        faults.append("folders include each other: %s (%s)" % (" -> ".join(c), ", ".join(
            found[(x, y)] for x, y in zip(c, c[1:]))))
    for f in faults:
        print("layering:", f, file=sys.stderr)
    if not faults:
        print("layering: %d folder dependencies, no cycle, platform and app kept apart" % len(found))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
