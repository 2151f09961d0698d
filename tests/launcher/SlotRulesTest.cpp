#include <gtest/gtest.h>

#include "launcher/SlotRules.h"

using namespace sorvel;

TEST(SlotRules, WindowsExamplesWithBackslash) {
    auto sp = splitSlot("C:\\Tools\\edit.exe", '\\');
    EXPECT_EQ(sp.folderPart, "C:\\Tools\\");
    EXPECT_EQ(sp.label, "edit.exe");
    EXPECT_EQ(slotKind("C:\\Tools\\edit.exe", '\\'), SlotKind::File);

    sp = splitSlot("D:\\Music\\", '\\');
    EXPECT_EQ(sp.folderPart, "D:\\");
    EXPECT_EQ(sp.label, "Music\\");
    EXPECT_EQ(slotKind("D:\\Music\\", '\\'), SlotKind::Folder);

    sp = splitSlot("C:\\", '\\');
    EXPECT_EQ(sp.folderPart, "C:\\");
    EXPECT_EQ(sp.label, "C:\\");
    EXPECT_EQ(slotKind("C:\\", '\\'), SlotKind::Folder);
}

TEST(SlotRules, UrlsSplitAtSlashAndAreCaseSensitive) {
    auto sp = splitSlot("http://example.org/dir/page.html", '\\');
    EXPECT_EQ(sp.folderPart, "http://example.org/dir/");
    EXPECT_EQ(sp.label, "page.html");
    EXPECT_EQ(slotKind("http://example.org/dir/page.html", '/'), SlotKind::Url);

    sp = splitSlot("http://example.org/", '/');
    EXPECT_EQ(sp.folderPart, "http://");
    EXPECT_EQ(sp.label, "example.org/");
    // A URL that ends with "/" is still a URL, not a folder.
    EXPECT_EQ(slotKind("http://example.org/", '/'), SlotKind::Url);

    sp = splitSlot("http://", '\\');
    EXPECT_EQ(sp.folderPart, "http:/");
    EXPECT_EQ(sp.label, "/");
    EXPECT_EQ(slotKind("ftp://files.example.org/a.zip", '/'), SlotKind::Url);

    // Capitals are not a URL: with "\" as separator there is no cut at all.
    EXPECT_FALSE(isUrl("HTTP://EXAMPLE.ORG"));
    sp = splitSlot("HTTP://EXAMPLE.ORG", '\\');
    EXPECT_EQ(sp.label, "HTTP://EXAMPLE.ORG");
    EXPECT_EQ(slotKind("HTTP://EXAMPLE.ORG", '\\'), SlotKind::File);
}

TEST(SlotRules, LinuxPaths) {
    auto sp = splitSlot("/usr/bin/gedit", '/');
    EXPECT_EQ(sp.folderPart, "/usr/bin/");
    EXPECT_EQ(sp.label, "gedit");
    EXPECT_EQ(slotKind("/usr/bin/gedit", '/'), SlotKind::File);

    sp = splitSlot("/home/u/Music/", '/');
    EXPECT_EQ(sp.folderPart, "/home/u/");
    EXPECT_EQ(sp.label, "Music/");
    EXPECT_EQ(slotKind("/home/u/Music/", '/'), SlotKind::Folder);

    sp = splitSlot("/", '/');
    EXPECT_EQ(sp.folderPart, "/");
    EXPECT_EQ(sp.label, "/");
    EXPECT_EQ(slotKind("/", '/'), SlotKind::Folder);

    EXPECT_EQ(slotKind("", '/'), SlotKind::Empty);
    EXPECT_EQ(slotKind("notes", '/'), SlotKind::File);
    EXPECT_EQ(splitSlot("notes", '/').label, "notes");
}

TEST(SlotRules, LaunchFolderKeepsTrailingSeparator) {
    EXPECT_EQ(launchFolder("C:\\Tools\\edit.exe", '\\'), "C:\\Tools\\");
    EXPECT_EQ(launchFolder("C:\\Data\\", '\\'), "C:\\Data\\");
    EXPECT_EQ(launchFolder("C:\\x.exe", '\\'), "C:\\");
    EXPECT_EQ(launchFolder("/opt/app/run.sh", '/'), "/opt/app/");
    EXPECT_EQ(launchFolder("/srv/data/", '/'), "/srv/data/");
    EXPECT_EQ(launchFolder("bare", '/'), "");
}

TEST(SlotRules, EveryLowerCaseSchemeAndMailtoAreLinks) {
    // A link of today's kinds is drawn, labelled and split as a URL.
    EXPECT_EQ(slotKind("https://www.debian.org/News/", '/'), SlotKind::Url);
    auto sp = splitSlot("https://host/", '/');
    EXPECT_EQ(sp.folderPart, "https://");
    EXPECT_EQ(sp.label, "host/");

    sp = splitSlot("https://host/dir/page.html", '\\');
    EXPECT_EQ(sp.folderPart, "https://host/dir/");
    EXPECT_EQ(sp.label, "page.html");
    EXPECT_EQ(slotKind("https://host/dir/page.html", '\\'), SlotKind::Url);

    EXPECT_EQ(slotKind("mailto:a@b", '/'), SlotKind::Url);
    EXPECT_EQ(splitSlot("mailto:a@b", '/').label, "mailto:a@b");

    // file:/// ends with "/" and still is no folder of ours.
    EXPECT_EQ(slotKind("file:///tmp/", '/'), SlotKind::Url);
    sp = splitSlot("file:///tmp/", '/');
    EXPECT_EQ(sp.folderPart, "file:///");
    EXPECT_EQ(sp.label, "tmp/");

    for (const char* u : {"sftp://h/x", "svn+ssh://h/r", "git-x.y://h", "a1://b"}) EXPECT_TRUE(isUrl(u)) << u;
    EXPECT_EQ(urlSchemeLength("https://x"), 5u);
    EXPECT_EQ(urlSchemeLength("mailto:a@b"), 6u);
}

TEST(SlotRules, WhatIsNoLink) {
    // Capitals, a scheme that does not start with a letter, one slash
    // only, or no scheme at all.
    for (const char* s : {"HTTP://X/", "Https://x/", "1http://x", "+a://x", "http:/x", "http:x", "mailto",
                          "MAILTO:a@b", "://x", "/home/u/https://x", "", "h ttp://x", "ht_tp://x"})
        EXPECT_FALSE(isUrl(s)) << s;
    // The capital form keeps the old rule: a file whose label is cut at the
    // path separator.
    EXPECT_EQ(slotKind("HTTP://X/", '/'), SlotKind::Folder);
    EXPECT_EQ(splitSlot("HTTP://X/", '/').label, "X/");
}
