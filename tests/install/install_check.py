"""Installs into a temporary prefix and checks the layout, the desktop entry
(desktop-file-validate), the AppStream data (appstreamcli validate) and the
icons. Usage: install_check.py <cmake> <build dir> <module dir> <asset dir>"""
import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import manifest_kept  # noqa: E402

APP_ID = "io.github.sorvel_p.sorvel_p"
SIZES = (16, 24, 32, 48, 64, 128, 256)


def fail(msg):
    print("FAIL:", msg, file=sys.stderr)
    sys.exit(1)


def expect(cond, msg):
    if not cond:
        fail(msg)
    print("ok:", msg)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def main():
    cmake, build, module_dir, asset_dir = sys.argv[1:5]
    for tool in ("desktop-file-validate", "appstreamcli"):
        if shutil.which(tool) is None:
            fail("%s is not installed (scripts/setup.sh installs it)" % tool)
    tmp = tempfile.mkdtemp(prefix="sorvel_install_")
    with manifest_kept(build):
        try:
            check(cmake, build, module_dir, asset_dir, tmp)
        finally:
            shutil.rmtree(tmp, ignore_errors=True)
    print("PASS")


def check(cmake, build, module_dir, asset_dir, tmp):
    prefix = os.path.join(tmp, "prefix")
    r = subprocess.run([cmake, "--install", build, "--prefix", prefix], capture_output=True, text=True)
    expect(r.returncode == 0, "cmake --install succeeds" + ("" if r.returncode == 0 else ": " + r.stderr))

    exe = os.path.join(prefix, "bin", "sorvel_p")
    expect(os.path.isfile(exe) and os.access(exe, os.X_OK), "bin/sorvel_p is an executable")
    with open(exe, "rb") as f:
        program = f.read()
    expect(program[:4] == b"\x7fELF", "bin/sorvel_p is a program")
    expect(APP_ID.encode("utf-16-le") in program, "the program names its desktop entry %s" % APP_ID)
    expect(os.path.isfile(os.path.join(prefix, module_dir, "libsorvel_audio.so")),
           "the audio module is in %s" % module_dir)
    for name in ("ico.bmp", "ico1.bmp", "bg.wav", "readme.txt"):
        expect(os.path.getsize(os.path.join(prefix, asset_dir, name)) > 0, "%s/%s is installed" % (asset_dir, name))
    expect(not [n for n in os.listdir(os.path.join(prefix, "bin")) if n != "sorvel_p"],
           "nothing but the program in bin/ (the portable layout is not what gets installed)")
    dats = [os.path.join(d, n) for d, _, ns in os.walk(prefix) for n in ns if n.endswith(".dat")]
    expect(not dats, "no data files are installed: %r" % dats)

    desktop = os.path.join(prefix, "share", "applications", APP_ID + ".desktop")
    r = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
    expect(r.returncode == 0 and not r.stdout.strip(), "desktop-file-validate accepts the entry %s" % r.stdout)
    entry = configparser.RawConfigParser(strict=False)
    entry.optionxform = str
    entry.read(desktop, encoding="utf-8")
    de = entry["Desktop Entry"]
    expect("Utility" in de["Categories"].split(";"), "Categories=Utility")
    expect(de["Exec"].split()[0] == "sorvel_p", "Exec starts sorvel_p from PATH")
    icon = de["Icon"]

    for size in SIZES:
        png = os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, icon))
        expect(png_size(png) == (size, size), "icon %dx%d" % (size, size))
    svg = os.path.join(prefix, "share/icons/hicolor/scalable/apps/%s.svg" % icon)
    root = ET.parse(svg).getroot()
    expect(root.tag == "{http://www.w3.org/2000/svg}svg" and len(list(root)) > 3, "scalable icon is an SVG")

    meta = os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")
    r = subprocess.run(["appstreamcli", "validate", "--no-net", "--pedantic", meta], capture_output=True, text=True)
    expect(r.returncode == 0, "appstreamcli validate accepts the metainfo: %s" % (r.stdout + r.stderr).strip())
    comp = ET.parse(meta).getroot()
    expect(comp.find("launchable").text == APP_ID + ".desktop", "the metainfo names the desktop entry")


main()
