"""Installs into a temporary prefix and checks the layout, the desktop entry
(desktop-file-validate), the AppStream data (appstreamcli validate), the
icons, the manual page (man --warnings), the copyright file (machine-readable
format, the licence of LICENSE) and the changelog (dpkg-parsechangelog).
Usage: install_check.py <cmake> <build dir> <module dir> <asset dir> <version>"""
import configparser
import gzip
import re
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
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Where Debian expects them, relative to the prefix (/usr for the package).
MAN_PAGE = "share/man/man1/sorvel_p.1.gz"
DOC_DIR = "share/doc/sorvel-p"
DEP5 = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
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
    cmake, build, module_dir, asset_dir, version = sys.argv[1:6]
    for tool in ("desktop-file-validate", "appstreamcli", "man", "dpkg-parsechangelog"):
        if shutil.which(tool) is None:
            fail("%s is not installed (scripts/setup.sh installs it)" % tool)
    tmp = tempfile.mkdtemp(prefix="sorvel_install_")
    with manifest_kept(build):
        try:
            check(cmake, build, module_dir, asset_dir, tmp)
            check_docs(os.path.join(tmp, "prefix"), version, tmp)
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



def read_gzip(path):
    """The content of a gzip file; None when it is none. Debian wants no
    time stamp and no original name in the header."""
    with open(path, "rb") as f:
        head = f.read(10)
    if head[:2] != b"\x1f\x8b":
        return None, head
    return gzip.open(path).read(), head


def paragraphs(text):
    """The paragraphs of a Debian control-style file as lists of lines."""
    return [p.splitlines() for p in re.split(r"\n\s*\n", text.strip()) if p.strip()]


def field(par, name):
    """The value of a field of a paragraph, its continuation lines joined."""
    out = None
    for line in par:
        if out is not None and line.startswith(" "):
            out.append(line[1:])
        elif out is not None:
            break
        elif line.startswith(name + ":"):
            out = [line[len(name) + 1:].strip()]
    return None if out is None else out


def words(lines):
    return " ".join(" ".join(l for l in lines if l.strip() != ".").split())


def check_docs(prefix, version, tmp):
    # Manual page: gzipped without a time stamp, formats without a warning.
    man = os.path.join(prefix, MAN_PAGE)
    expect(os.path.isfile(man), "the manual page is %s" % MAN_PAGE)
    page, head = read_gzip(man)
    expect(page is not None, "the manual page is gzipped")
    expect(head[4:8] == b"\0\0\0\0" and not head[3] & 0x08, "the gzip header holds no time and no name")
    text = page.decode("utf-8")
    expect(re.search(r'^\.TH SORVEL_P 1 "[^"]+" "sorvel_p %s"' % re.escape(version), text, re.M),
           "the manual page names version %s" % version)
    for must in ("XDG_DATA_HOME", "F6", "F9", "Delete", "data.dat", "midlistf.dat",
                 "ランチャー　左：ファイル　右：フォルダ", "登録/上書き", "リセットします。いいですか？？"):
        expect(must in text, "the manual page tells of %s" % must)
    env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
    r = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", man],
                       capture_output=True, text=True, env=env)
    expect(r.returncode == 0 and not r.stderr.strip(), "man --warnings formats the page cleanly: %s" % r.stderr.strip())
    r = subprocess.run(["man", "-l", man], capture_output=True, text=True, env=env)
    expect(r.returncode == 0 and "SYNOPSIS" in r.stdout and "ENVIRONMENT" in r.stdout and "FILES" in r.stdout,
           "man -l shows the page with its sections")

    # Copyright: machine-readable, every file covered, the licence texts
    # present, and the program's licence word for word that of LICENSE.
    copyright_file = os.path.join(prefix, DOC_DIR, "copyright")
    expect(os.path.isfile(copyright_file), "the copyright file is %s/copyright" % DOC_DIR)
    with open(copyright_file, encoding="utf-8") as f:
        pars = paragraphs(f.read())
    expect(pars[0][0] == DEP5, "the copyright file is in the machine-readable format")
    files = [p for p in pars if field(p, "Files")]
    standalone = {field(p, "License")[0]: field(p, "License")[1:] for p in pars
                  if field(p, "License") and not field(p, "Files")}
    star = [p for p in files if field(p, "Files")[0] == "*"]
    expect(len(star) == 1, "one paragraph covers every file")
    main_licence = field(star[0], "License")[0]
    expect(main_licence in ("Expat", "MIT"), "the source is under the MIT licence (%s)" % main_licence)
    for p in files:
        name = field(p, "License")[0]
        expect(field(p, "Copyright") and name in standalone and standalone[name],
               "%s: a copyright and the text of %s" % (field(p, "Files")[0], name))
    with open(os.path.join(SOURCE, "LICENSE"), encoding="utf-8") as f:
        licence = f.read().splitlines()
    body = licence[licence.index(next(l for l in licence if l.startswith("Permission"))):]
    expect(words(standalone[main_licence]) == words(body), "the copyright file holds the text of LICENSE")
    expect(any("Copyright (c) 2026 the sorvel_p developers" in l for l in licence), "LICENSE names its holders")

    # Changelog: gzipped, Debian's format, newest entry this version, which
    # is also the AppStream data's newest release.
    changelog = os.path.join(prefix, DOC_DIR, "changelog.gz")
    expect(os.path.isfile(changelog), "the changelog is %s/changelog.gz" % DOC_DIR)
    content, head = read_gzip(changelog)
    expect(content is not None and head[4:8] == b"\0\0\0\0", "the changelog is gzipped without a time stamp")
    plain = os.path.join(tmp, "changelog")
    with open(plain, "wb") as f:
        f.write(content)
    r = subprocess.run(["dpkg-parsechangelog", "-l", plain], capture_output=True, text=True)
    expect(r.returncode == 0 and not r.stderr.strip(), "dpkg-parsechangelog reads the changelog %s" % r.stderr)
    fields = dict(l.split(": ", 1) for l in r.stdout.splitlines() if ": " in l and not l.startswith(" "))
    expect(fields.get("Source") == "sorvel-p", "the changelog is that of sorvel-p")
    expect(fields.get("Version") == version, "the newest changelog entry is %s (%s)" % (version, fields.get("Version")))
    meta = ET.parse(os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")).getroot()
    newest = meta.find("releases/release").get("version")
    expect(newest == version, "the AppStream data's newest release is %s (%s)" % (version, newest))
    expect((meta.findtext("project_license") or "").strip() == "MIT", "the AppStream data names the MIT licence")


main()
