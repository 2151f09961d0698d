"""Mouse and keys as a user presses them: a double-click on a slot launches
once, side buttons do nothing, a document with the executable bit and the
root folder go to the opener; Enter in the dialog's folder list does not
answer the dialog; the reset question comes once per F1 F9 F3 Delete and,
right after it was answered, the same four keys do not ask again."""
import os
import time

import harness
from harness import AT, expect

DIALOG = "ファイルを選んでください"


def opener_lines(s):
    if not os.path.exists(s.opener_log):
        return []
    with open(s.opener_log) as f:
        return f.read().splitlines()


def test(s):
    doc = os.path.join(s.tmp, "notes.txt")
    with open(doc, "w") as f:
        f.write("a document on a mount that marks every file executable\n")
    os.chmod(doc, 0o755)
    s.write("data.dat", harness.data_dat({0: "http://example.org/x", 1: doc, 2: "//"}))
    s.write("lot.dat", harness.lot_dat())
    s.write("midpage.dat", "0\r\n")
    s.start()

    # A double-click on the URL slot: one launch.
    gx, gy, _, _ = s.geometry()
    sx, sy = harness.slot(0)
    s.x("xdotool", "mousemove", "--sync", str(gx + sx), str(gy + sy))
    s.x("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
    # Side buttons (8, 9) on the same slot: nothing.
    s.x("xdotool", "click", "8")
    s.x("xdotool", "click", "9")
    lines = harness.wait_until(lambda: opener_lines(s), 5)
    time.sleep(0.5)   # no second launch comes: only time can tell
    expect(opener_lines(s) == ["http://example.org/x"], "one launch for a double-click: %r" % opener_lines(s))

    s.click(*harness.slot(1))   # the document with the x bit
    s.click(*harness.slot(2))   # "//", the root folder
    harness.wait_until(lambda: len(opener_lines(s)) >= 3, 5)
    lines = opener_lines(s)
    expect(len(lines) == 3 and lines[1].endswith("/notes.txt") and lines[1].startswith("file://"),
           "the document went to the opener: %r" % lines)
    expect(lines[2] == "file:///", "the root folder opens as file:/// (%r)" % lines[2])

    # Enter in the folder list only moves in the list.
    s.click(*AT["register"])
    dlg = harness.wait_until(lambda: s.find_window("--name", DIALOG), 5)
    expect(dlg, "the file dialog opened")
    s.focus(dlg)
    s.click(*AT["dialog folders"], wid=dlg)
    s.key("Return")
    time.sleep(0.4)   # the dialog stays: only time can tell
    expect(s.find_window("--name", DIALOG), "Enter in the folder list leaves the dialog open")
    s.click(*AT["dialog cancel"], wid=dlg)
    expect(harness.wait_until(lambda: not s.find_window("--name", DIALOG), 5), "Cancel closes the dialog")

    # The reset question, with a button holding the focus.
    s.focus(s.win)
    s.move_away()
    s.click(*AT["copy address"])   # the button takes the focus
    s.key("F1", "F9", "F3", "Delete")
    box = harness.wait_until(lambda: s.find_window("--name", "リセット操作"), 5)
    expect(box, "the reset question is shown")
    s.focus(box)
    s.key("Return")   # OK
    expect(harness.wait_until(lambda: not s.find_window("--name", "リセット操作"), 3), "the question closed")
    expect(harness.wait_until(lambda: s.read("data.dat").startswith('""\r\n""\r\n""\r\n'), 3), "slots emptied")
    lot = s.read("lot.dat").split("\r\n")
    expect(lot[0] == "1", "the double-click and side buttons counted once (%r)" % lot[0])

    s.focus(s.win)
    s.key("F1", "F9", "F3", "Delete")
    time.sleep(0.8)   # no question comes: only time can tell
    expect(not s.find_window("--name", "リセット操作"), "right after the answer the same keys do not ask again")
    s.key("x", "F1", "F9", "F3", "Delete")
    box = harness.wait_until(lambda: s.find_window("--name", "リセット操作"), 5)
    expect(box, "one more key first, and the question comes again")
    s.focus(box)
    s.key("Escape")
    expect(harness.wait_until(lambda: not s.find_window("--name", "リセット操作"), 3), "Escape cancels the question")
    expect(s.terminate() == 0, "clean shut-down")


harness.main(test)
