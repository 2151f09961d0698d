#include "app/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "app/SlotAccessible.h"
#include "app/SlotDrop.h"
#include "app/SquareStyle.h"
#include "app/WindowPlacement.h"
#include "app/Warnings.h"
#include "app/WindowDress.h"
#include "filedialog/FileDialog.h"
#include "launcher/Commands.h"
#include "launcher/SlotRules.h"
#include "launcher/SlotSpeech.h"
#include "netaddr/LocalAddressTool.h"
#include "persistence/DataFiles.h"
#include "persistence/ItemFile.h"
#include "platform/DisplaySession.h"
#include "platform/KeyPosition.h"
#include "platform/MessageBox.h"
#include "timer/TimerRules.h"

namespace sorvel {

namespace {
constexpr int px(int twips) { return twips / 15; }
constexpr QRgb kPictureGrey = qRgb(192, 192, 192);
constexpr QRgb kAlarmGreen = qRgb(0, 255, 0);
constexpr int kCountsSaveDelayMs = 250;
const char* const kStartCaption = "ランチャー　左：ファイル　右：フォルダ";
const char* const kSlotTooltip = "赤：フォルダ　青：ファイル　緑：URL　黒：未決定";

QPushButton* makeButton(QWidget* parent, const char* caption, int l, int t, int w, int h, const char* tip) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setGeometry(px(l), px(t), px(w), px(h));
    if (tip) b->setToolTip(QString::fromUtf8(tip));
    return b;
}
}  // namespace

int virtualKeyCode(int key, bool keypad, int mainRowDigit, int positionLetter) {
    // The main-row digits act by their place on the keyboard: with Shift,
    // or on layouts whose digit row types other characters, they still
    // are the digit keys.
    if (!keypad && mainRowDigit >= 0 && mainRowDigit <= 9) return 48 + mainRowDigit;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    // A Cyrillic or Greek letter acts as the letter key at its place.
    if (positionLetter >= 'A' && positionLetter <= 'Z') return positionLetter;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Delete: return 46;
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab: return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Alt: return 18;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Space: return 32;
        case Qt::Key_Left: return 37;
        case Qt::Key_Up: return 38;
        case Qt::Key_Right: return 39;
        case Qt::Key_Down: return 40;
        case Qt::Key_Insert: return 45;
        default: return 255;
    }
}

MainWindow::MainWindow(std::string programFolder, AppServices services, QWidget* parent)
    : QWidget(parent), folder_(std::move(programFolder)), sv_(services),
      keyPositionsKnown_(scanCodesAreKeyPositions(QGuiApplication::platformName())) {
    if (folder_.empty() || folder_.back() != '/') folder_ += '/';
    paths_ = sv_.paths ? *sv_.paths : AppPaths::portableIn(folder_);
    paths_.dataFolder = folder_;
    windowPlaceable = canPlaceWindows(QGuiApplication::platformName().toStdString());
    setWindowTitle(QString::fromUtf8(kStartCaption));
    setFixedSize(316, 146);
    setFont(uiFont(12));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    buildControls();
    // The window owns the style; made after the controls, it is deleted
    // after them.
    auto* square = new SquareStyle;
    square->setParent(this);
    useSquareLook(this, square);
    place_ = new PlaceWatcher(this);

    MusicView v;
    v.hidePageMenu = [this] { hideList3(); };
    v.hidePatternList = [this] {
        if (list2_) list2_->hide();
    };
    v.flashFormRed = [this] { setFormColor(qRgb(255, 0, 0)); };
    v.fileNameOnly = [this] { return check1_->isChecked(); };
    // A text box shows the start of a text too long for it, as a plain
    // text box does (setText leaves the cursor, and the view, at the end).
    auto showFromStart = [](QLineEdit* e, const std::string& t) {
        e->setText(QString::fromStdString(t));
        e->setCursorPosition(0);
    };
    v.setTrackName = [this, showFromStart](const std::string& t) { showFromStart(text2_[0], t); };
    v.setTrackNumber = [this, showFromStart](const std::string& t) { showFromStart(text2_[1], t); };
    v.listVisible = [this] { return list1_ && !list1_->isHidden(); };
    v.setListVisible = [this](bool b) {
        if (b || list1_) list1()->setVisible(b);
    };
    v.listTop = [this] { return list1Top_; };
    v.setListTop = [this](int t) {
        list1Top_ = t;
        if (list1_) list1_->move(px(120), t);
    };
    v.focusList = [this] { list1()->setFocus(); };
    v.setListButtonsVisible = [this](bool b) {
        for (int i : {4, 5, 7, 8}) com5_[i]->setVisible(b);
        check1_->setVisible(b);
    };
    v.setListUDEnabled = [this](bool b) { com5_[1]->setEnabled(b); };
    v.focusListUD = [this] { com5_[1]->setFocus(); };
    v.setPageCaption = [this](const std::string& c) { com5_[7]->setText(QString::fromStdString(c)); };
    v.setFavouritesLook = [this](bool fav) {
        list1Favourites_ = fav;
        if (list1_) showFavouritesLook();
        com5_[8]->setEnabled(!fav);
    };
    v.showMidiDialog = [this] {
        if (runFileDialog) runFileDialog();
    };
    v.saveData = [this] { saveData(); };
    v.warnUnstorableName = [this] {
        if (warnUnstorable) warnUnstorable();
    };
    music_ = std::make_unique<MusicController>(st_, musicList_, *sv_.mci, folder_, std::move(v));
    musicList_.onClick = [this] { music_->listClick(); };

    runFileDialog = [this] {
        FileDialog dlg(st_, this);
        dlg.exec();
    };
    askReset = [this] {
        return showMessageBox(this, QMessageBox::Question, QStringLiteral("リセット操作"),
                              QStringLiteral("リセットします。いいですか？？"),
                              QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    warnUnstorable = [this] { warnUnstorableName(this); };
    endProgram = [](int code) { QCoreApplication::exit(code); };

    slotView_.picture = &picture1_->surface();
    slotView_.setMusicButtonsVisible = [this](bool v) { setMusicButtonsVisible(v); };
    slotView_.localIp = [this] { return sv_.localAddress->localIp(); };
    a11y_ = std::make_unique<SlotAccessibility>(
        picture1_, command1_,
        SlotAccessibility::Source{
            [this](int i) { return slotButtonName(st_, i, launcherMode()); },
            [this](int i) { return slotButtonDescription(st_, i, launcherMode()); },
            [this] { return surfaceSpeech(st_, launcherMode(), sv_.localAddress->localIp(), game_); }});

    // A use is on disk within a second of its launch, so that a crash, a
    // kill or a display that goes away costs no count; the launch itself
    // never waits for the disk.
    countsSave_.setSingleShot(true);
    countsSave_.setInterval(kCountsSaveDelayMs);
    connect(&countsSave_, &QTimer::timeout, this, [this] { saveCounts(); });
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    qApp->installEventFilter(this);
    // The end of a track comes from the audio thread: handed to the event
    // loop, it wakes a tick that sleeps.
    trackEndSignalled_ = sv_.mci->setEndNotifier([this] {
        QMetaObject::invokeMethod(this, [this] { trackEnded(); }, Qt::QueuedConnection);
    });
}

MainWindow::~MainWindow() {
    sv_.mci->setEndNotifier(nullptr);
    qApp->removeEventFilter(this);
    // The list view reads the music list, which goes before the children do.
    delete list1_;
    list1_ = nullptr;
}

// The list box, the pattern list and the page menu start hidden and are
// built when first needed: a launcher whose music panel is never opened
// does not pay for them.
MusicListView* MainWindow::list1() {
    if (list1_) return list1_;
    list1_ = new MusicListView(musicList_, this);
    list1_->setGeometry(px(120), list1Top_, px(4500), px(1320));
    list1_->setToolTip(QStringLiteral("Selectで追加して選択してください"));
    list1_->setAccessibleName(QStringLiteral("MIDIリスト"));
    list1_->hide();
    list1_->viewport()->setMouseTracking(true);
    list1_->viewport()->installEventFilter(this);
    showFavouritesLook();
    list1_->raise();
    if (list2_) list2_->raise();
    if (list3_) list3_->raise();
    return list1_;
}

void MainWindow::showFavouritesLook() {
    QPalette pal = list1_->palette();
    pal.setColor(QPalette::Base, list1Favourites_ ? QColor(225, 255, 225) : QColor(255, 255, 255));
    list1_->setPalette(pal);
}

QListWidget* MainWindow::list2() {
    if (list2_) return list2_;
    auto* list2 = new ChoiceListBox(this);
    list2->onChoose = [this](int row) { list2Click(row); };
    list2_ = list2;
    list2_->setGeometry(px(3840), px(720), px(615), px(780));
    makePlainListBox(list2_, false);
    for (const char* c : kPatternCaptions) list2_->addItem(QString::fromUtf8(c));
    list2_->setToolTip(QStringLiteral("単曲：1曲を1回のみ 単連：1曲を連続で 連曲：複数の曲を1回のみ 繰返：複数の曲を連続で"));
    list2_->setAccessibleName(QStringLiteral("再生パターン"));
    list2_->hide();
    list2_->raise();
    if (list3_) list3_->raise();
    return list2_;
}

QListWidget* MainWindow::list3() {
    if (list3_) return list3_;
    auto* list3 = new ChoiceListBox(this);
    list3->onChoose = [this](int row) { list3Click(row); };
    list3_ = list3;
    list3_->setGeometry(px(120), px(480), px(855), px(780));
    makePlainListBox(list3_, false);
    for (const char* c : {"1つ前", "1つ後", "そのまま", "お気に入"}) list3_->addItem(QString::fromUtf8(c));
    list3_->setToolTip(QStringLiteral("ページの変更"));
    list3_->setAccessibleName(QStringLiteral("ページの変更"));
    list3_->hide();
    if (list3Row_ >= 0) {
        const QSignalBlocker b(list3_);
        list3_->setCurrentRow(list3Row_);
    }
    list3_->raise();
    return list3_;
}

void MainWindow::buildControls() {
    picture1_ = new SurfaceWidget(300, 126, this);
    picture1_->move(px(120), 0);
    Surface& pic = picture1_->surface();
    pic.setBackColor(kPictureGrey);
    pic.setFont(uiFont(13, true));
    pic.cls();
    picture1_->onMouseDown = [this](Qt::MouseButton) { picture1MouseDown(); };
    picture1_->onMouseMove = [this] { st_.hoverIndex = kNoHover; };

    // Slot button 0 exists from the start; 1..9 are made at start-up.
    auto* b0 = new SurfaceWidget(60, 20, picture1_);
    b0->move(0, 0);
    b0->surface().setBackColor(qRgb(255, 224, 192));
    b0->surface().setFont(uiFont(12));
    b0->surface().cls();
    b0->setToolTip(QString::fromUtf8(kSlotTooltip));
    b0->setFramed(true);
    command1_[0] = b0;

    command2_[0] = makeButton(picture1_, "前", 2610, 840, 375, 300, "前のページへ");
    command2_[1] = makeButton(picture1_, "次", 2985, 840, 375, 300, "次のページへ");
    command2_[2] = makeButton(picture1_, "登録/上書き", 1515, 840, 1095, 300, "アプリのパスを登録します");
    command2_[3] = makeButton(picture1_, "TIMER", 3360, 840, 615, 300, "タイマーを発動します");
    command2_[4] = makeButton(picture1_, "FPS", 3960, 840, 495, 300, "1秒間の表示回数の設定をします");
    for (int i = 0; i < 5; ++i) {
        command2_[i]->setObjectName(QStringLiteral("command2"));
        connect(command2_[i], &QPushButton::clicked, this, [this, i] { command2Click(i); });
    }

    com5_[0] = makeButton(this, "IPのコピー", 120, 1560, 1215, 255, "IPをコピーします");
    com5_[1] = makeButton(this, "List U/D", 1440, 1560, 1215, 255, "リストを出したり閉じたりします");
    com5_[2] = makeButton(this, "Play", 2640, 1560, 615, 255, "再生します。");
    com5_[3] = makeButton(this, "Stop", 3240, 1560, 615, 255, "停止します。");
    com5_[4] = makeButton(this, "Select(mid)", 840, 1320, 1455, 255, "リストに曲の追加をします");
    com5_[5] = makeButton(this, "Delete", 3000, 1320, 855, 255, "リストに曲の削除をします");
    com5_[6] = makeButton(this, "繰返", 3840, 1560, 735, 255, "現在の再生パターンです。");
    com5_[7] = makeButton(this, "1P", 120, 1320, 735, 255, "現在のリストのページ数です");
    com5_[8] = makeButton(this, "Favo", 3840, 1320, 615, 255, "お気に入りリストに追加する。");
    for (int i = 0; i < 9; ++i) connect(com5_[i], &QPushButton::clicked, this, [this, i] { com5Click(i); });
    for (int i : {4, 5, 7, 8}) com5_[i]->hide();

    command3_ = makeButton(this, "？", 4440, 1320, 330, 255, "ヘルプを表示します");
    connect(command3_, &QPushButton::clicked, this, [this] { command3Click(); });

    text2_[0] = new QLineEdit(QStringLiteral("Midi Name"), this);
    text2_[0]->setGeometry(px(120), px(1920), px(3000), px(270));
    text2_[0]->setToolTip(QStringLiteral("現在再生中のファイル名です。"));
    text2_[1] = new QLineEdit(QStringLiteral("Midi No"), this);
    text2_[1]->setGeometry(px(3120), px(1920), px(1500), px(270));
    text2_[1]->setToolTip(QStringLiteral("MIDIリストの曲数です"));
    text2_[0]->setAccessibleName(QStringLiteral("再生中のファイル名"));
    text2_[1]->setAccessibleName(QStringLiteral("MIDIリストの曲数"));

    check1_ = new QCheckBox(QStringLiteral("File"), this);
    check1_->setGeometry(px(2280), px(1320), px(735), px(255));
    check1_->setToolTip(QStringLiteral("ファイル名のみを表示させるか決めます。"));
    check1_->hide();
    connect(check1_, &QCheckBox::clicked, this, [this] {
        hideList3();
        music_->fname();
    });
    check2_ = new QCheckBox(QStringLiteral("MIDI予約"), this);
    check2_->setGeometry(px(240), px(1200), px(1095), px(255));
    check2_->hide();
    // Check boxes on the drawing surface fill their own rectangle.
    paintOwnBackground(check1_);
    paintOwnBackground(check2_);

    text1_ = new QLineEdit(this);
    text1_->setGeometry(px(1440), px(1200), px(1095), px(330));
    text1_->setFont(uiFont(15));
    text1_->setAccessibleName(QStringLiteral("数値の入力（分またはFPS）"));
    text1_->hide();
    text1_->setEnabled(false);
    command4_[0] = makeButton(this, "OK（分）", 2640, 1200, 975, 375, nullptr);
    command4_[1] = makeButton(this, "止める", 3600, 1200, 735, 375, "中止します");
    command4_[2] = makeButton(this, "FPS　OK", 2640, 1200, 975, 375, nullptr);
    for (int i = 0; i < 3; ++i) {
        command4_[i]->hide();
        command4_[i]->setEnabled(false);
        connect(command4_[i], &QPushButton::clicked, this, [this, i] { command4Click(i); });
    }

    for (auto* b : command2_) {
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, QColor(192, 192, 192));
        b->setPalette(pal);
    }
}

int MainWindow::slotButtonCount() const {
    int n = 0;
    for (auto* b : command1_) n += b ? 1 : 0;
    return n;
}

bool MainWindow::launcherMode() const { return !command1_[0]->isHidden(); }

void MainWindow::loadIcons() {
    auto load = [this](const char* name, QImage& pic, QImage& mask) {
        // Read as BMP directly: letting the reader ask every image plugin
        // whether it knows the format would load them all.
        QImageReader reader(QString::fromStdString(paths_.assetFile(name)), "bmp");
        reader.setAutoDetectImageFormat(false);
        QImage img = reader.read();
        if (img.isNull()) {
            std::fprintf(stderr, "sorvel_p: cannot read %s; starting without that icon\n", name);
            img = QImage(96, 32, QImage::Format_RGB32);
            img.fill(qRgb(0, 0, 0));
        }
        pic = iconHolder(img, 96, 32);
        mask = makeMask(pic);
    };
    load("ico.bmp", icons_.still, icons_.stillMask);
    load("ico1.bmp", icons_.anim, icons_.animMask);
}

void MainWindow::formLoad() {
    st_.lineBreak = "\r\n";
    st_.framesPerSecond = 20;
    st_.rowLevel = 6;
    loadIcons();
    for (int i = 1; i <= 9; ++i) {
        auto* b = new SurfaceWidget(60, 20, picture1_);
        b->setGeometry((i % 5) * 60, (i / 5) * 20, 60, 20);
        b->surface().setFont(command1_[0]->surface().font());
        b->setToolTip(command1_[0]->toolTip());
        b->setFramed(true);
        b->show();
        command1_[i] = b;
    }
    for (int i = 0; i < 10; ++i) {
        command1_[i]->onMouseDown = [this, i](Qt::MouseButton b) { command1MouseDown(i, b); };
        command1_[i]->onMouseMove = [this, i] { command1MouseMove(i); };
        command1_[i]->acceptsDrop = [this](const QMimeData* d) { return slotDropAllowed(d); };
        command1_[i]->onDrop = [this, i](const QMimeData* d) { slotDrop(i, d); };
        command1_[i]->setAcceptDrops(true);
        // A slot with the keyboard focus is pointed at, as under the mouse.
        command1_[i]->onFocusChange = [this, i](bool in) {
            const HandlerScope scope(*this);
            if (in) st_.hoverIndex = static_cast<int16_t>(i);
            else if (st_.hoverIndex == i) st_.hoverIndex = kNoHover;
        };
    }
    a11y_->joinTabOrder(command2_[1]);
    loadData();
    st_.hoverIndex = kNoHover;
    st_.pulseStep = 1;
    st_.alarmSoundPath = paths_.dataFile("bg.wav");
    st_.currentMusicPath = musicList_.count() > 0 ? musicList_.at(0) : std::string();
    // The dialog starts in the program's folder; an installed program's
    // folder holds nothing of the user's, so there it starts at home.
    std::string f = paths_.portable ? paths_.programFolder : QDir::homePath().toStdString();
    if (f.size() > 1 && f.back() == '/') f.pop_back();
    st_.fileDialogFolder = f;
    st_.listSlideStep = 60;
    drawFrame();
    music_->poll();
    music_->slideStep();
    loaded_ = true;
    scheduleTick();
}

void MainWindow::formUnload() {
    if (ended_) return;
    ended_ = true;
    timer_.stop();
    countsSave_.stop();
    com5Click(3);
    if (isMinimized()) showNormal();
    st_.windowPosition = windowTwips();
    if (placeAllowsSave()) saveData();
}

void MainWindow::saveOnLostDisplay() {
    // No widget is touched: the connection they would talk to is gone. The
    // music stops with the process.
    if (ended_ || !loaded_) return;
    ended_ = true;
    countsSave_.stop();
    st_.windowPosition = windowTwips();
    if (placeAllowsSave()) saveData();
}

bool MainWindow::placeAllowsSave() const {
    // The window's own place decides, not an older one kept for other
    // screens: a window brought into view from far off is saved as usual.
    const std::array<int32_t, 2> p = windowPlaceable ? place_->ownTwips() : st_.windowPosition;
    return !(p[0] >= 45000 && p[1] >= 45000);
}

std::array<int32_t, 2> MainWindow::windowTwips() const {
    if (!windowPlaceable) return st_.windowPosition;
    return place_->twipsToStore();
}

void MainWindow::placeWindowTwips(int32_t left, int32_t top) {
    move(static_cast<int>(std::nearbyint(left / 15.0)), static_cast<int>(std::nearbyint(top / 15.0)));
}

void MainWindow::placeStoredWindow(int32_t left, int32_t top) {
    const int x = static_cast<int>(std::nearbyint(left / 15.0));
    const int y = static_cast<int>(std::nearbyint(top / 15.0));
    std::vector<ScreenRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const QSize size = isVisible() ? frameGeometry().size() : this->size();
    const auto [nx, ny] = reachablePosition(x, y, size.width(), size.height(), screens);
    place_->place({left, top}, nx, ny);
}

void MainWindow::saveData() {
    DataFileHooks h;
    h.saveMusicList = [this] { music_->saveList(); };
    SaveData(folder_, st_, h);
    countsOnDisk_ = st_.slotUseCount;
    countsSave_.stop();
}

void MainWindow::countsMayHaveChanged() {
    if (ended_ || st_.slotUseCount == countsOnDisk_ || countsSave_.isActive()) return;
    countsSave_.start();
}

void MainWindow::saveCounts() {
    if (ended_) return;
    SaveCounts(folder_, st_);
    // Tried once: a lot.dat that cannot be written now is tried again by
    // the next count or the next save.
    countsOnDisk_ = st_.slotUseCount;
}

void MainWindow::loadData() {
    DataFileHooks h;
    h.keepMusicPage = [this] {
        list3Row_ = 2;
        if (list3_) {
            const QSignalBlocker b(list3_);
            list3_->setCurrentRow(2);
        }
        list3Click(2);
    };
    h.loadMusicList = [this] { music_->loadList(); };
    h.placeWindow = [this](int32_t l, int32_t t) { placeStoredWindow(l, t); };
    LoadData(folder_, st_, h);
    countsOnDisk_ = st_.slotUseCount;
}

// ---- drawing --------------------------------------------------------------------

void MainWindow::drawFrame() {
    Surface& pic = picture1_->surface();
    // A window that cannot be seen runs the frame's logic but draws nothing.
    const bool seen = frameCanBeSeen();
    pic.setSuspended(!seen);
    for (auto* b : command1_) {
        if (b) b->surface().setSuspended(!seen);
    }
    st_.pageBannerTicks -= 1;
    if (st_.pageBannerTicks <= 0) st_.pageBannerTicks = 0;
    pic.cls();
    if (st_.alarmCountSeen != st_.alarmCount) {
        pic.setBackColor(pic.backColor() == kPictureGrey ? kAlarmGreen : kPictureGrey);
        pic.cls();
    }
    const bool launcher = launcherMode();
    if (launcher) {
        int16_t icon = 1;
        DrawIcon(icon, st_, pic, icons_);
    }
    for (int i = 0; i < 10; ++i) slotView_.buttons[i] = command1_[i] ? &command1_[i]->surface() : nullptr;
    slotView_.launcherMode = launcher;
    DrawSlotPage(st_, slotView_);

    if (seen) {
        pic.pset(0, 41, pic.point(0, 41));
        pic.print(QString::fromStdString(sv_.clock->timeOfDay() + st_.lineBreak + frameCountField(st_.measuredFps)) +
                  QStringLiteral("fps"));
    }

    if (st_.pageBannerTicks > 0 && seen) {
        pic.box(1, 41, 70, 75, qRgb(255, 255, 255));
        pic.pset(1, 43, pic.point(1, 43));
        pic.print(QString::number(st_.slotPage * 10) + QStringLiteral("番地～"));
        pic.pset(1, 57, pic.point(1, 57));
        pic.print(QStringLiteral("  ") + QString::number(st_.slotPage * 10 + 9) + QStringLiteral("番地"));
    }
    if (st_.pageBannerTicks != 0 && st_.pageBannerTicks <= st_.framesPerSecond / 1.5 && seen) {
        const QRgb c = pic.point(0, 41);
        for (int y = (st_.pageBannerTicks % 2 == 0) ? 41 : 40; y <= 75; y += 2) pic.line(1, y, 71, y, c);
    }

    const QRgb pulse = qRgb(0, 0, st_.pulseLevel);
    pic.setForeColor(pulse);
    setFormColor(pulse);
    st_.pulseLevel = static_cast<int16_t>(st_.pulseLevel + 5 * st_.pulseStep);
    if (st_.pulseLevel >= 200) st_.pulseStep = static_cast<int16_t>(-st_.pulseStep);
    if (st_.pulseLevel <= 0) st_.pulseStep = static_cast<int16_t>(-st_.pulseStep);

    if (!launcher) {
        DrawGame(game_, pic, st_.pulseLevel, st_.rowLevel);
        UpdateGame(game_, st_.rowLevel, rng_);
    }
    picture1_->refresh();
    for (auto* b : command1_) {
        if (b && !b->isHidden()) b->refresh();
    }
    a11y_->frameDone();
}

void MainWindow::setFormColor(QRgb c) {
    if (c == formColor_) return;
    formColor_ = c;
    if (picture1_->surface().suspended()) return;   // an exposure repaints it all
    // All of the window background that shows: under see-through controls
    // too, but not under those that paint their whole rectangle.
    std::vector<QRect> covered;
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && coversItsRect(w)) covered.push_back(w->geometry());
    }
    if (covered != backgroundCovers_ || backgroundShows_.isEmpty()) {
        backgroundCovers_ = std::move(covered);
        backgroundShows_ = QRegion(rect());
        for (const QRect& c : backgroundCovers_) backgroundShows_ -= c;
    }
    update(backgroundShows_);
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(formColor_));
}

void MainWindow::setMusicButtonsVisible(bool v) {
    for (int i : {0, 1, 2, 3, 6}) {
        if (com5_[i]->isHidden() == v) com5_[i]->setVisible(v);
    }
}

void MainWindow::hideList3() {
    if (list3_) list3_->hide();
}

// ---- handlers --------------------------------------------------------------------

void MainWindow::command1MouseDown(int index, Qt::MouseButton button) {
    const HandlerScope scope(*this);
    if (button != Qt::LeftButton && button != Qt::RightButton && button != Qt::MiddleButton) return;
    const int code = button == Qt::LeftButton ? kLeftButton : button == Qt::RightButton ? kRightButton : kMiddleButton;
    SlotMouseDown(st_, index, code, *sv_.shell, [this] { takePositionAndSave(); });
    countsMayHaveChanged();
}

void MainWindow::takePositionAndSave() {
    st_.windowPosition = windowTwips();
    saveData();
}

// ---- drag and drop onto the slot buttons -------------------------------------------

bool MainWindow::slotDropAllowed(const QMimeData* data) const {
    // Not in the game; names the files cannot hold are let through here and
    // refused on the drop, where the user is told why.
    return data && launcherMode() && droppedTarget(*data).has_value();
}

void MainWindow::slotDrop(int index, const QMimeData* data) {
    const HandlerScope scope(*this);
    if (index < 0 || index > 9 || !slotDropAllowed(data)) return;
    const std::optional<std::string> target = droppedTarget(*data);
    if (!fitsItemFile(*target)) {
        if (warnUnstorable) warnUnstorable();
        return;
    }
    CommitRegistration(st_, slotNumber(st_.slotPage, index), *target, [this] { takePositionAndSave(); });
}

void MainWindow::command1MouseMove(int index) { st_.hoverIndex = static_cast<int16_t>(index); }

void MainWindow::command2Click(int index) {
    const HandlerScope scope(*this);
    switch (index) {
        case 0:
        case 1: PageButton(st_, index); break;
        case 2:
            st_.fileDialogValue.clear();
            if (runFileDialog) runFileDialog();
            if (!BeginRegistration(st_) && warnUnstorable) warnUnstorable();
            break;
        case 3:
        case 4: {
            for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(command4_[0]),
                               static_cast<QWidget*>(command4_[2]), static_cast<QWidget*>(command4_[1])}) {
                w->hide();
                w->setEnabled(false);
            }
            const int confirm = index == 3 ? 0 : 2;
            for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(command4_[confirm]),
                               static_cast<QWidget*>(command4_[1])}) {
                w->show();
                w->setEnabled(true);
            }
            check2_->setVisible(index == 3);
            text1_->clear();
            if (index == 3) gett();
            text1_->setMaxLength(index == 3 ? 4 : 3);
            break;
        }
        default: break;
    }
    WrapPage(st_);
}

void MainWindow::command3Click() {
    const HandlerScope scope(*this);
    hideList3();
    sv_.shell->execute(std::string("open"), paths_.readme(), std::nullopt, std::nullopt, 1);
}

void MainWindow::command4Click(int index) {
    const HandlerScope scope(*this);
    const double v = readLeadingNumber(text1_->text().toStdString());
    if (index == 0) {
        confirmMinutes(st_, v);
        sv_.wav->prepare(st_.alarmSound);
    } else if (index == 2) {
        if (confirmRate(st_, v)) {
            captionSettled_ = false;
            scheduleTick();
        }
    }
    for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(command4_[0]),
                       static_cast<QWidget*>(command4_[2]), static_cast<QWidget*>(command4_[1])}) {
        w->hide();
        w->setEnabled(false);
    }
    check2_->hide();
}

void MainWindow::com5Click(int index) {
    catchUpSkippedFrames(sv_.clock->nowMs());
    hideList3();
    switch (index) {
        case 0: CopyLocalAddress(*sv_.localAddress, *sv_.clipboard); break;
        case 1: music_->listUD(); break;
        case 2: music_->play(); break;
        case 3: music_->stop(); break;
        case 4: music_->selectMid(); break;
        case 5: music_->deleteEntry(); break;
        case 6: list2()->show(); list2_->raise(); break;
        case 7: list3()->show(); list3_->raise(); break;
        case 8: music_->favo(); break;
        default: break;
    }
    scheduleTick();   // a hidden window's tick may have to wake for this
}

void MainWindow::list2Click(int row) {
    const HandlerScope scope(*this);
    if (row < 0 || row > 3) return;
    com5_[6]->setText(QString::fromUtf8(kPatternCaptions[row]));
    music_->choosePattern(kPatternCaptions[row]);
}

void MainWindow::list3Click(int row) {
    const HandlerScope scope(*this);
    music_->pageMenu(row);
}

void MainWindow::picture1MouseDown() {
    st_.alarmCount = 0;
    st_.alarmCountSeen = 0;
    picture1_->surface().setBackColor(kPictureGrey);
    drawFrame();
    picture1_->repaint();
}

void MainWindow::gett() {
    st_.alarmSound.clear();
    int fd = ::open(st_.alarmSoundPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) fd = ::open(st_.alarmSoundPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            st_.alarmSound.insert(st_.alarmSound.end(), buf, buf + n);
            if (st_.alarmSound.size() > 64u * 1024u * 1024u) break;
        }
        ::close(fd);
    }
    st_.alarmSound.push_back(0);
    // The alarm's first ring must not wait for the device.
    sv_.wav->prepare(st_.alarmSound);
}

void MainWindow::alarmStep() {
    sv_.wav->playFromMemory(st_.alarmSound);
    sv_.beeper->beep();
    wrapAdd(st_.alarmCount, -1);
    setWindowTitle(QString::fromUtf8(kAlarmCaption));
    captionSettled_ = false;
}

void MainWindow::toggleGameMode() {
    const bool entering = launcherMode();
    // The length limit is for typing only; the saved rate always fits.
    text1_->setMaxLength(32767);
    if (entering) {
        game_.savedFramesPerSecond = st_.framesPerSecond;
        st_.hoverIndex = kNoHover;
        text1_->setText(QStringLiteral("10"));
    } else {
        text1_->setText(QString::number(game_.savedFramesPerSecond));
    }
    command4Click(2);
    for (auto* b : command1_) b->setVisible(!entering);
    for (auto* b : command2_) b->setVisible(!entering);
    for (auto* b : command4_) b->setVisible(!entering);
    for (int i : {0, 1, 2, 3, 6}) com5_[i]->setVisible(!entering);
    command4Click(1);
}

void MainWindow::formKeyDown(int vk) {
    catchUpSkippedFrames(sv_.clock->nowMs());
    KeyActions a;
    a.launcherShown = [this] { return launcherMode(); };
    a.reseed = [this] { rng_.reseed(static_cast<uint32_t>(sv_.clock->nowMs())); };
    a.enterGamePrep = [this] {
        if (list1_ && !list1_->isHidden()) com5Click(1);
        if (list2_) list2_->hide();
    };
    a.toggleGameMode = [this] { toggleGameMode(); };
    a.startGame = [this] { StartGame(game_, st_.rowLevel, rng_); };
    a.restart = [this] { saikido(); };
    a.beep = [this] { sv_.beeper->beep(); };
    a.askReset = [this] { return askReset ? askReset() : false; };
    a.reset = [this] {
        for (auto& p : st_.slotPath) p.clear();
        st_.windowPosition = {0, 0};
        musicList_.clear();
        saveData();
        loadData();
    };
    FormKeyDown(vk, resetStep_, st_, game_, a);
    scheduleTick();
}

void MainWindow::saikido() {
    if (ended_) return;
    sv_.beeper->beep();
    st_.windowPosition = windowTwips();
    if (placeAllowsSave()) saveData();
    if (releaseFolder) releaseFolder();
    sv_.shell->startProgram(paths_.executable, paths_.programFolder);
    com5Click(3);
    ended_ = true;
    timer_.stop();
    if (endProgram) endProgram(0);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    formUnload();
    e->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent*) { st_.hoverIndex = kNoHover; }

bool MainWindow::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::MouseMove && list1_ && o == list1_->viewport()) {
        st_.hoverIndex = kNoHover;
        return false;
    }
    // Keys are taken where the window system hands them to this window,
    // before Qt passes them on to the focus widget and its parents: each
    // press reaches the handler exactly once, whichever control has the
    // focus and whatever a dialog opened by the handler did to it.
    // Seen again: the frames left out are brought forward at once.
    if (e->type() == QEvent::Expose && o && o == windowHandle() && skippingFrames_ && !ended_) timer_.start(0);
    // [restore wake-up] Some window managers map a restored window before
    // they clear its minimised state: the state change wakes it too, and so
    // do hover and a press on the drawing surface.
    if (skippingFrames_ && !ended_ && wakesSleepingTick(o, e->type())) timer_.start(0);
    if (e->type() == QEvent::KeyPress && o && o == windowHandle()) {
        return windowKeyPress(*static_cast<QKeyEvent*>(e));
    }
    return QWidget::eventFilter(o, e);
}

bool MainWindow::wakesSleepingTick(const QObject* o, QEvent::Type t) const {
    if (t == QEvent::WindowStateChange) return o == this;
    if (t != QEvent::MouseMove && t != QEvent::Enter && t != QEvent::MouseButtonPress) return false;
    for (auto* w = qobject_cast<const QWidget*>(o); w; w = w->parentWidget())
        if (w == picture1_) return true;
    return false;
}

bool MainWindow::windowKeyPress(const QKeyEvent& k) {
    const int digit = keyPositionsKnown_ ? mainRowDigitAt(k.nativeScanCode()) : -1;
    const int letter =
        keyPositionsKnown_ && isNonLatinLetter(k.text()) ? letterKeyAt(k.nativeScanCode()) : -1;
    const int vk = virtualKeyCode(k.key(), k.modifiers() & Qt::KeypadModifier, digit, letter);
    const bool game = !launcherMode();
    formKeyDown(vk);
    // In the game, letters and the game's function keys act only here.
    if (game && ((vk >= kKeyA && vk <= kKeyZ) || vk == kKeyF4 || vk == kKeyF6)) return true;
    return vk == kKeyF6;
}

}  // namespace sorvel
