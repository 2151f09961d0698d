#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <sys/stat.h>

#include "TempDir.h"
#include "filedialog/FileDialog.h"

using namespace sorvel;

namespace {
struct Dialog : ::testing::Test {
    TempDir d;
    LauncherState s;
    std::vector<QString> warnings;
    std::unique_ptr<FileDialog> dlg;
    QString refused;   // a folder that the next dialog cannot enter
    Dialog() {
        QDir(QString::fromStdString(d.path())).mkdir("Tools");
        d.write("Tools/edit", "#!/bin/sh\n");
        d.write("Tools/notes.txt", "x");
        d.write("Tools/song.MID", "x");
        d.write("Tools/x.midi", "x");
        d.write("Tools/.hidden", "x");
        d.write("Tools/locked.txt", "x");
        ::chmod(d.file("Tools/locked.txt").c_str(), 0444);
    }
    std::string tools() const { return d.path() + "Tools"; }
    void open(const std::string& request, const std::string& folder) {
        s.fileDialogValue = request;
        s.fileDialogFolder = folder;
        dlg = std::make_unique<FileDialog>(s);
        dlg->warn = [this](const QString& title, const QString& text) {
            EXPECT_EQ(title, QStringLiteral("警告"));
            warnings.push_back(text);
        };
        if (!refused.isEmpty()) {
            dlg->canEnter = [real = dlg->canEnter, no = refused](const QString& p) {
                return QDir::cleanPath(p) != no && real(p);
            };
        }
        dlg->load();
    }
    QStringList files() const {
        QStringList l;
        for (int i = 0; i < dlg->fileList()->count(); ++i) l << dlg->fileList()->item(i)->text();
        return l;
    }
    void select(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            auto found = dlg->fileList()->findItems(QString::fromUtf8(n), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << n;
            found[0]->setSelected(true);
        }
    }
};
}  // namespace

TEST_F(Dialog, ChosenFileAndFolderAnswers) {
    open("", tools());
    EXPECT_EQ(dlg->currentFolder().toStdString(), tools());
    EXPECT_TRUE(dlg->pathField()->text().isEmpty());
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("ファイルを選んでください"));
    select({"edit"});
    EXPECT_EQ(dlg->pathField()->text(), QStringLiteral("edit"));
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, tools() + "/edit");
    EXPECT_EQ(s.fileDialogFolder, tools());

    open("", tools());
    dlg->pressOk();   // nothing chosen: the folder itself
    EXPECT_EQ(s.fileDialogValue, tools() + "/");
}

TEST_F(Dialog, SeveralMidiFilesAndCaseInsensitiveFilter) {
    open("mid", tools());
    EXPECT_EQ(dlg->fileLabel()->text(), QStringLiteral("Files:"));
    EXPECT_EQ(dlg->filterBox()->currentText(), QStringLiteral("*.mid* (MIDIファイル)"));
    EXPECT_EQ(files(), (QStringList{"song.MID", "x.midi"}));
    select({"song.MID", "x.midi"});
    EXPECT_EQ(dlg->pathField()->text(), QStringLiteral("song.MID x.midi"));
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, tools() + "/song.MID x.midi");
    // The second filter lists everything (but hidden files).
    open("mid", tools());
    dlg->filterBox()->setCurrentIndex(1);
    EXPECT_EQ(files().size(), 5);
}

TEST_F(Dialog, AttributeSwitches) {
    open("", tools());
    EXPECT_FALSE(dlg->check(0)->isEnabled());
    EXPECT_TRUE(files().contains("locked.txt") || ::geteuid() == 0);
    EXPECT_FALSE(files().contains(".hidden"));
    dlg->check(2)->setChecked(true);
    EXPECT_TRUE(files().contains(".hidden"));
    if (::geteuid() != 0) {   // root can write anything: nothing is read-only
        dlg->check(1)->setChecked(false);
        EXPECT_FALSE(files().contains("locked.txt"));
    }
}

TEST_F(Dialog, TypedTexts) {
    open("", tools());
    dlg->pathField()->setText("sub/x");
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, tools() + "/sub/x");

    open("", tools());
    dlg->pathField()->setText("http://example.org/a b");
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, "http://example.org/a b");

    open("", tools());
    dlg->pathField()->setText("/usr/bin/env");
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, "/usr/bin/env");

    // Enter on a typed file path warns and keeps the text.
    open("", tools());
    dlg->pathField()->setText("/usr/bin/env");
    dlg->enterStep();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], QStringLiteral("そのファイルが存在しないかデバイスがありません。"));
    EXPECT_EQ(dlg->pathField()->text(), QStringLiteral("/usr/bin/env"));

    // Enter on a folder moves the lists there and empties the field.
    dlg->pathField()->setText("/");
    dlg->enterStep();
    EXPECT_EQ(dlg->currentFolder(), QStringLiteral("/"));
    EXPECT_TRUE(dlg->pathField()->text().isEmpty());
    dlg->pathField()->setText("x");
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, "//x");   // at the root
    EXPECT_EQ(s.fileDialogFolder, "/");
}

TEST_F(Dialog, CancelAndCloseBox) {
    open("", tools());
    select({"edit"});
    dlg->pressCancel();
    EXPECT_EQ(s.fileDialogValue, "");
    EXPECT_EQ(s.fileDialogFolder, tools());

    open("mid", "/");
    dlg->show();
    dlg->close();
    EXPECT_EQ(s.fileDialogValue, "mid");
    EXPECT_EQ(s.fileDialogFolder, "/");
}

TEST_F(Dialog, RememberedFolderThatIsGone) {
    open("", tools() + "/deleted/deeper");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(dlg->currentFolder().toStdString(), tools());
    EXPECT_EQ(dlg->pathField()->text().toStdString(), tools() + "/deleted/deeper");
}

TEST_F(Dialog, FolderListGoesUpAndDown) {
    open("", d.path() + "Tools");
    QListWidget* dirs = dlg->dirList();
    ASSERT_GE(dirs->count(), 2);
    EXPECT_EQ(dirs->item(1)->text(), QStringLiteral(".."));
    emit dirs->itemActivated(dirs->item(1));
    EXPECT_EQ(dlg->currentFolder().toStdString() + "/", d.path());
    auto tools = dirs->findItems("Tools/", Qt::MatchExactly);
    ASSERT_EQ(tools.size(), 1);
    emit dirs->itemActivated(tools[0]);
    EXPECT_EQ(dlg->currentFolder().toStdString(), d.path() + "Tools");
    EXPECT_GE(dlg->driveBox()->count(), 1);
    EXPECT_EQ(dlg->driveBox()->itemText(0), QStringLiteral("/"));
}

TEST_F(Dialog, RememberedFolderThatCannotBeEntered) {
    QDir(QString::fromStdString(tools())).mkdir("locked");
    ::chmod((tools() + "/locked").c_str(), 0);
    // Root enters any folder; the test then refuses it on the dialog's side.
    refused = QString::fromStdString(tools() + "/locked");
    open("", tools() + "/locked");
    ::chmod((tools() + "/locked").c_str(), 0755);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(dlg->currentFolder().toStdString(), tools());
    EXPECT_EQ(dlg->pathField()->text().toStdString(), tools() + "/locked");
}

TEST_F(Dialog, SwitchesRefreshTheFolderListToo) {
    QDir(QString::fromStdString(tools())).mkdir(".cache");
    open("", tools());
    EXPECT_TRUE(dlg->dirList()->findItems(".cache/", Qt::MatchExactly).isEmpty());
    dlg->check(2)->setChecked(true);
    EXPECT_EQ(dlg->dirList()->findItems(".cache/", Qt::MatchExactly).size(), 1);
    dlg->check(2)->setChecked(false);
    EXPECT_TRUE(dlg->dirList()->findItems(".cache/", Qt::MatchExactly).isEmpty());
}

TEST_F(Dialog, EnterAnswersOnlyFromThePathFieldAndTheFileList) {
    QDir(QString::fromStdString(tools())).mkdir("sub");
    open("mid", tools());
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    for (QWidget* w : std::initializer_list<QWidget*>{dlg->driveBox(), dlg->check(1), dlg->filterBox(), dlg->dirList()}) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(dlg->isVisible()) << w->metaObject()->className();
        EXPECT_EQ(s.fileDialogValue, "mid") << w->metaObject()->className();
    }
    EXPECT_TRUE(dlg->check(1)->isChecked());
    // Enter on a folder of the folder list opens it.
    auto sub = dlg->dirList()->findItems("sub/", Qt::MatchExactly);
    ASSERT_EQ(sub.size(), 1);
    dlg->dirList()->setCurrentItem(sub[0]);
    QTest::keyClick(dlg->dirList(), Qt::Key_Return);
    EXPECT_EQ(dlg->currentFolder().toStdString(), tools() + "/sub");
    EXPECT_TRUE(dlg->isVisible());
    // Enter in the file list is OK.
    dlg->setFolder(QString::fromStdString(tools()));
    select({"song.MID"});
    dlg->fileList()->setFocus();
    QTest::keyClick(dlg->fileList(), Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(s.fileDialogValue, tools() + "/song.MID");
}

TEST_F(Dialog, PlainListsAndDesignHeights) {
    d.write("Tools/" + std::string(120, 'n') + ".txt", "x");
    open("", tools());
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    EXPECT_EQ(dlg->fileList()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(dlg->fileList()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(dlg->fileList()->textElideMode(), Qt::ElideNone);   // cut, not "..."
    EXPECT_EQ(dlg->driveBox()->geometry(), QRect(8, 8, 177, 20));
    EXPECT_EQ(dlg->filterBox()->height(), 20);
    EXPECT_EQ(dlg->dirList()->geometry().top() - dlg->driveBox()->geometry().bottom() - 1, 4);
}

TEST(Wildcards, CaseInsensitiveGlob) {
    EXPECT_TRUE(wildcardMatch("*.mid*", "song.MID"));
    EXPECT_TRUE(wildcardMatch("*.mid*", "x.midi"));
    EXPECT_FALSE(wildcardMatch("*.mid*", "x.mp3"));
    EXPECT_TRUE(wildcardMatch("*.*", "README"));
    EXPECT_TRUE(wildcardMatch("*.exe", "A.EXE"));
    EXPECT_TRUE(wildcardMatch("a?c", "abc"));
    EXPECT_FALSE(wildcardMatch("a?c", "ac"));
    EXPECT_EQ(filterPattern("*.exe (実行ファイル)"), "*.exe");
    EXPECT_EQ(filterPattern("nospace"), "");
}

TEST_F(Dialog, TypedLinksOfEveryKindAreAnsweredUnchanged) {
    for (const char* link : {"https://www.debian.org/News/", "mailto:a@b", "file:///tmp/", "sftp://h/x"}) {
        open("", tools());
        dlg->pathField()->setText(QString::fromUtf8(link));
        dlg->pressOk();
        EXPECT_EQ(s.fileDialogValue, link);
    }
    // Capitals are a name in the folder, as before.
    open("", tools());
    dlg->pathField()->setText("HTTPS://x");
    dlg->pressOk();
    EXPECT_EQ(s.fileDialogValue, tools() + "/HTTPS://x");
}

TEST_F(Dialog, DriveListMovesOnlyOnARealChangeAndRemembersEachDrive) {
    QDir(QString::fromStdString(tools())).mkdir("deep");
    const QString deep = QString::fromStdString(tools() + "/deep");
    open("", tools());
    ASSERT_TRUE(dlg->setFolder(deep));
    const int shown = dlg->driveBox()->currentIndex();
    ASSERT_GE(shown, 0);

    // Picking the drive already shown changes nothing.
    dlg->pickDrive(shown);
    EXPECT_EQ(dlg->currentFolder(), deep);

    int other = -1;
    for (int i = 0; i < dlg->driveBox()->count() && other < 0; ++i) {
        if (i != shown && dlg->canEnter(dlg->driveBox()->itemData(i).toString())) other = i;
    }
    ASSERT_GE(other, 0) << "a second drive to switch to";
    dlg->pickDrive(other);
    EXPECT_NE(dlg->currentFolder(), deep);
    const QString onOther = dlg->currentFolder();

    // Back on the first drive: the folder last shown there, in this dialog
    // and in the next one.
    dlg->pickDrive(shown);
    EXPECT_EQ(dlg->currentFolder(), deep);
    open("", "/");
    const int rootDrive = dlg->driveBox()->currentIndex();
    if (rootDrive != shown) {
        dlg->pickDrive(shown);
        EXPECT_EQ(dlg->currentFolder(), deep);
    }
    if (rootDrive != other && dlg->driveBox()->currentIndex() != other) {
        dlg->pickDrive(other);
        EXPECT_EQ(dlg->currentFolder(), onOther);
    }
}
