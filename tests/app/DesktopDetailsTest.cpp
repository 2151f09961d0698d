// The window as a desktop shows it: banner, icon holders, controls over the
// drawing surface, Qt's own texts, keys by place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWindow>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "app/QtTranslation.h"
#include "app/WindowDress.h"
#include "launcher/Commands.h"
#include "platform/KeyPosition.h"
#include "platform/Surface.h"
#include "platform/SurfaceWidget.h"

using namespace sorvel;

namespace {
constexpr QRgb kWhite = qRgb(255, 255, 255);

struct Desk : ::testing::Test, WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;
    void start() {
        clock.now = 5'000'000;
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->endProgram = [](int) {};
        w->formLoad();
    }
    void frame() {
        clock.now += 1000 / w->state().framesPerSecond + 1;
        w->tick();
    }
    void setRate(const char* v) {
        w->text1()->setText(QString::fromUtf8(v));
        w->command4Click(2);
    }
};
}  // namespace

TEST_F(Desk, BannerShowsAtTheHighestRates) {
    start();
    for (const char* rate : {"20000", "32767"}) {
        setRate(rate);
        w->command2Click(1);
        ASSERT_GT(w->state().pageBannerTicks, 0) << rate;
        w->drawFrame();
        EXPECT_EQ(w->picture().point(60, 42), kWhite) << rate;
    }
}

TEST_F(Desk, IconBitmapNarrowerThanItsHolderDrawsWhite) {
    QImage small(32, 32, QImage::Format_RGB32);
    small.fill(qRgb(0, 0, 0));
    ASSERT_TRUE(small.save(QString::fromStdString(dir.file("ico.bmp")), "BMP"));
    start();
    w->drawFrame();
    // The normal still icon is cell 1 (x 32..63), which the file lacks.
    EXPECT_EQ(w->picture().point(72 + 5, 45 + 5), kWhite);
    EXPECT_EQ(w->picture().point(72 + 31, 45 + 31), kWhite);
}

TEST_F(Desk, CheckBoxesOnTheSurfaceCoverTheirRectangle) {
    start();
    w->command2Click(3);
    ASSERT_FALSE(w->check2()->isHidden());
    EXPECT_TRUE(coversItsRect(w->check2()));
    w->com5Click(1);   // the list panel shows the "File" box
    w->check1()->show();
    EXPECT_TRUE(coversItsRect(w->check1()));
    const QImage shot = w->check2()->grab().toImage();
    // Whatever the pulse does, a corner of the box is the button face.
    EXPECT_EQ(shot.pixel(shot.width() - 1, 0) | 0xff000000u,
              w->check2()->palette().color(QPalette::Button).rgb());
}

TEST(QtTexts, JapaneseWhenTheTranslationIsThereAndNothingOtherwise) {
    QTemporaryDir empty;
    EXPECT_FALSE(loadQtTranslation(*QCoreApplication::instance(), empty.path()));
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    ASSERT_TRUE(loadQtTranslation(*QCoreApplication::instance()));
    EXPECT_NE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
    // Leave the other tests their English.
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

TEST(KeyPlaces, LettersByPlaceOnlyForOtherScripts) {
    EXPECT_EQ(letterKeyAt(24), 'Q');
    EXPECT_EQ(letterKeyAt(33), 'P');
    EXPECT_EQ(letterKeyAt(38), 'A');
    EXPECT_EQ(letterKeyAt(46), 'L');
    EXPECT_EQ(letterKeyAt(52), 'Z');
    EXPECT_EQ(letterKeyAt(58), 'M');
    for (uint32_t c : {23u, 34u, 37u, 47u, 51u, 59u, 10u, 0u}) EXPECT_EQ(letterKeyAt(c), -1) << c;

    EXPECT_TRUE(isNonLatinLetter(QStringLiteral("й")));
    EXPECT_TRUE(isNonLatinLetter(QStringLiteral("Й")));
    EXPECT_TRUE(isNonLatinLetter(QStringLiteral("ς")));
    for (const char* t : {"q", "Q", "é", "ü", "'", ",", "1", "", "ab"})
        EXPECT_FALSE(isNonLatinLetter(QString::fromUtf8(t))) << t;

    // The layout's own A..Z wins; a Cyrillic key at the Q place is Q.
    EXPECT_EQ(virtualKeyCode(Qt::Key_A, false, -1, 'Q'), 'A');
    EXPECT_EQ(virtualKeyCode(0x419, false, -1, 'Q'), 'Q');
    EXPECT_EQ(virtualKeyCode(0x419, false, -1, -1), 255);
}

TEST_F(Desk, CyrillicKeyAtTheQPlaceTypesQInTheGame) {
    start();
    w->show();
    w->setKeyPositionsKnown(true);
    w->formKeyDown(kKeyF6);
    ASSERT_FALSE(w->launcherMode());
    QKeyEvent ru(QEvent::KeyPress, 0x419, Qt::NoModifier, 24, 0x6ca, 0, QStringLiteral("й"));
    QCoreApplication::sendEvent(w->windowHandle(), &ru);
    // Apostrophe at the Q place (Dvorak) stays no letter.
    QKeyEvent dv(QEvent::KeyPress, Qt::Key_Apostrophe, Qt::NoModifier, 24, 0x27, 0, QStringLiteral("'"));
    QCoreApplication::sendEvent(w->windowHandle(), &dv);
    EXPECT_EQ(w->game().typedKeys, "Q");
    w->hide();
}

TEST_F(Desk, AlarmSoundIsMadeReadyWhenTheTimerEntryOpens) {
    start();
    EXPECT_EQ(wav.prepares, 0);
    w->command2Click(3);
    EXPECT_EQ(wav.prepares, 1);
    w->text1()->setText("0");
    w->command4Click(0);
    EXPECT_EQ(wav.prepares, 2);
    EXPECT_EQ(wav.plays, 0);
}
