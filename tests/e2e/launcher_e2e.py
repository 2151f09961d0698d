"""The window starts from prepared data files, shows the slot colours, and
writes the files back unchanged on SIGTERM."""
import harness
from harness import expect

SLOT_COLOURS = {
    "empty": (210, 210, 210),
    "file": (192, 192, 255),
    "folder": (255, 224, 192),
    "url": (192, 255, 192),
}


def test(s):
    data = harness.data_dat({0: "/usr/bin/env", 1: "/tmp/", 2: "http://example.org/", 3: "ftp://h/x.zip",
                             250: "/hidden/slot"}, left=1500, top=750)
    lot = harness.lot_dat({0: 3, 1: 12, 250: 7})
    s.write("data.dat", data)
    s.write("lot.dat", lot)
    s.write("midpage.dat", "0\r\n")
    s.start()
    x, y, w, h = s.geometry()
    expect((w, h) == (316, 146), "client area is 316 x 146 (got %dx%d)" % (w, h))
    expect((x, y) == (100, 50), "window placed at the stored 1500, 750 twips (got %d, %d)" % (x, y))

    img = s.screenshot()

    def slot_colour(i):
        # A point inside button i, right of its label and above its frame.
        return img.at(x + 8 + (i % 5) * 60 + 56, y + (i // 5) * 20 + 15)

    expect(slot_colour(0) == SLOT_COLOURS["file"], "slot 0 is a file (blue) %s" % (slot_colour(0),))
    expect(slot_colour(1) == SLOT_COLOURS["folder"], "slot 1 is a folder %s" % (slot_colour(1),))
    expect(slot_colour(2) == SLOT_COLOURS["url"], "slot 2 is a URL %s" % (slot_colour(2),))
    expect(slot_colour(3) == SLOT_COLOURS["url"], "slot 3 (ftp) is a URL %s" % (slot_colour(3),))
    for i in range(4, 10):
        expect(slot_colour(i) == SLOT_COLOURS["empty"], "slot %d is empty %s" % (i, slot_colour(i)))
    expect(img.at(x + 8 + 250, y + 48) == (192, 192, 192), "drawing surface is light grey")

    # The caption is rewritten once a second.
    t = harness.wait_until(lambda: s.title().startswith("FPS:"), 3)
    expect(t, "caption shows the frame rate: %s" % s.title())

    rc = s.terminate()
    expect(rc == 0, "SIGTERM ends with status 0")
    expect(s.read("data.dat") == data, "data.dat written back byte for byte")
    expect(s.read("lot.dat") == lot, "lot.dat written back byte for byte")
    expect(s.read("midpage.dat") == "0\r\n", "midpage.dat written back")


harness.main(test)
