// Dropping files, folders and links onto the slot buttons registers them
// exactly as the registration commit does.
#include <gtest/gtest.h>

#include <QDir>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "app/SlotDrop.h"
#include "launcher/SlotRules.h"
#include "app/SlotDrop.h"
#include "launcher/SlotRules.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
struct Drop : ::testing::Test, WindowFakes {
    TempDir dir;
    TempDir files;
    std::unique_ptr<MainWindow> w;
    int warnings = 0;

    void start() {
        clock.now = 5'000'000;
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->warnUnstorable = [this] { ++warnings; };
        w->formLoad();
    }
    static QMimeData* urls(const QList<QUrl>& list) {
        auto* m = new QMimeData;
        m->setUrls(list);
        return m;
    }
    // Drags data over slot button i and drops it there; true when the
    // button took the drag (and showed it while it was over the button).
    Qt::DropAction lastAction = Qt::IgnoreAction;
    bool dragAndDrop(int i, QMimeData* data, Qt::DropActions can = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
        std::unique_ptr<QMimeData> owner(data);
        SurfaceWidget* b = w->slotButton(i);
        QDragEnterEvent enter(QPoint(5, 5), can, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(b, &enter);
        const bool taken = enter.isAccepted();
        EXPECT_EQ(b->dropHighlighted(), taken);
        QDropEvent drop(QPointF(5, 5), can, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(b, &drop);
        lastAction = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        EXPECT_FALSE(b->dropHighlighted());
        return taken;
    }
};
}  // namespace

TEST_F(Drop, FileFolderAndLinkRegisterLikeTheCommit) {
    start();
    w->placeWindowTwips(1200, 900);
    files.write("tool.sh", "#!/bin/sh\n");
    QDir(QString::fromStdString(files.path())).mkdir("a folder");
    w->state().slotUseCount[3] = 9;
    w->state().slotSessionCount[3] = 4;
    w->state().slotPath[3] = "/old/target";

    EXPECT_TRUE(dragAndDrop(3, urls({QUrl::fromLocalFile(QString::fromStdString(files.file("tool.sh")))})));
    EXPECT_EQ(w->state().slotPath[3], files.file("tool.sh"));
    EXPECT_EQ(w->state().slotUseCount[3], 0);
    EXPECT_EQ(w->state().slotSessionCount[3], 0);
    std::string data = dir.read("data.dat");
    EXPECT_EQ(data.find("\"/old/target\""), std::string::npos);
    EXPECT_NE(data.find("\"" + files.file("tool.sh") + "\"\r\n"), std::string::npos);
    EXPECT_NE(data.find("\r\n1200\r\n900\r\n"), std::string::npos);
    EXPECT_NE(dir.read("lot.dat"), "<missing>");

    // On another page; a folder gets its trailing separator.
    w->command2Click(1);
    EXPECT_TRUE(dragAndDrop(0, urls({QUrl::fromLocalFile(QString::fromStdString(files.file("a folder")))})));
    EXPECT_EQ(w->state().slotPath[10], files.file("a folder/"));

    // A web link is stored encoded; of several items the first one counts.
    EXPECT_TRUE(dragAndDrop(9, urls({QUrl("https://example.org/a b?q=\"x\""), QUrl::fromLocalFile("/etc/hosts")})));
    EXPECT_EQ(w->state().slotPath[19], "https://example.org/a%20b?q=%22x%22");
    EXPECT_TRUE(shell.calls.empty()) << "a drop launches nothing";
    EXPECT_EQ(lastAction, Qt::LinkAction);
    EXPECT_EQ(warnings, 0);
}

TEST_F(Drop, UnstorableNamesAreRefusedWithAWarning) {
    start();
    files.write("say \"hi\".txt", "");
    EXPECT_TRUE(dragAndDrop(2, urls({QUrl::fromLocalFile(QString::fromStdString(files.file("say \"hi\".txt")))})));
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(w->state().slotPath[2], "");
    EXPECT_FALSE(dir.exists("data.dat"));
}

TEST_F(Drop, IgnoredInTheGameAndForDataWithoutATarget) {
    start();
    auto* text = new QMimeData;
    text->setText("just some words");
    EXPECT_FALSE(dragAndDrop(1, text));
    EXPECT_FALSE(dragAndDrop(1, urls({})));

    w->toggleGameMode();
    ASSERT_FALSE(w->launcherMode());
    EXPECT_FALSE(dragAndDrop(1, urls({QUrl::fromLocalFile("/etc/hosts")})));
    EXPECT_EQ(w->state().slotPath[1], "");
    EXPECT_FALSE(dir.exists("data.dat"));
}

TEST_F(Drop, NeverTakesTheOriginalAway) {
    start();
    const auto hosts = [] { return urls({QUrl::fromLocalFile("/etc/hosts")}); };
    EXPECT_TRUE(dragAndDrop(6, hosts(), Qt::CopyAction | Qt::MoveAction));
    EXPECT_EQ(lastAction, Qt::CopyAction) << "a move would let the file manager delete the file";
    EXPECT_EQ(w->state().slotPath[6], "/etc/hosts");
    EXPECT_EQ(w->state().hoverIndex, 6) << "the slot's details show while it is dragged over";
    EXPECT_FALSE(dragAndDrop(7, hosts(), Qt::MoveAction));
    EXPECT_EQ(w->state().slotPath[7], "");
}

TEST_F(Drop, PendingRegistrationIsLeftAlone) {
    start();
    w->state().pendingPath = "/usr/bin/env";
    EXPECT_TRUE(dragAndDrop(5, urls({QUrl::fromLocalFile("/etc/hosts")})));
    EXPECT_EQ(w->state().slotPath[5], "/etc/hosts");
    EXPECT_EQ(w->state().pendingPath, "/usr/bin/env");
}

TEST(DroppedTarget, PlainTextPathsAndLinks) {
    QMimeData m;
    m.setText("  /usr/bin/env  \nsecond line");
    EXPECT_EQ(droppedTarget(m), std::optional<std::string>("/usr/bin/env"));
    m.setText("ftp://files.example.org/pub/");
    EXPECT_EQ(droppedTarget(m), std::optional<std::string>("ftp://files.example.org/pub/"));
    m.setText("relative/path");
    EXPECT_EQ(droppedTarget(m), std::nullopt);
}

TEST(DroppedTarget, LinksAreWhatTheSlotsTakeForLinks) {
    // Any scheme followed by "//" opens through the desktop's opener, as a
    // slot holding it does; the scheme is stored in lower case.
    for (const char* link : {"smb://server/share/a.txt", "sftp://host/x", "HTTPS://example.org/", "mailto:a@b.org"}) {
        QMimeData m;
        m.setUrls({QUrl(QString::fromLatin1(link))});
        const auto target = droppedTarget(m);
        ASSERT_TRUE(target.has_value()) << link;
        EXPECT_TRUE(isUrl(*target)) << *target;
    }
    // An address without "//" would be taken for a file name: not taken.
    QMimeData m;
    m.setUrls({QUrl("magnet:?xt=urn:btih:abc")});
    EXPECT_FALSE(droppedTarget(m).has_value());
}
