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
#include <QPalette>
#include <QPushButton>
#include <QWindow>
#include <cstdio>

#include "app/MusicListView.h"
#include "app/SlotDrop.h"
#include "app/SquareStyle.h"
#include "app/WindowPlacement.h"
#include "app/Warnings.h"
#include "app/WindowDress.h"
#include "filedialog/FileDialog.h"
#include "launcher/SlotRules.h"
#include "launcher/SlotSpeech.h"
#include "platform/DisplaySession.h"
#include "platform/FileStore.h"
#include "platform/KeyPosition.h"
#include "platform/MessageBox.h"
#include "timer/TimerRules.h"

namespace sorvel {

namespace {
constexpr int kCountsSaveDelayMs = 250;
const char* const kStartCaption = "ランチャー　左：ファイル　右：フォルダ";
const char* const kSlotTooltip = "赤：フォルダ　青：ファイル　緑：URL　黒：未決定";

// The largest alarm sound read; a bigger bg.wav is cut there.
constexpr size_t kMaxAlarmBytes = 64u * 1024u * 1024u;
}  // namespace

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

    runFileDialog = [this] {
        FileDialog dlg(st_, this);
        dlg.exec();
    };
    askReset = [this] {
        return showMessageBox(this, QMessageBox::Question, QStringLiteral("リセット操作"),
                              QStringLiteral("リセットします。いいですか？？"),
                              QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    warnUnstorable = [this] { sorvel::warnUnstorableName(this); };
    endProgram = [](int code) { QCoreApplication::exit(code); };
    releaseFolder = [] {};

    slotView_.picture = &picture1_->surface();
    slotView_.host = this;
    a11y_ = std::make_unique<SlotAccessibility>(picture1_, command1_, static_cast<const SlotTexts&>(*this));
    // Accessibility: the window is a frame, the page buttons tell the page,
    // the number entry's controls are in their screen order, and Return
    // presses a focused button as Space does.
    SlotAccessibility::exposeAsFrame(this);
    a11y_->setPageButtons(command2_[at(Command2::Prev)], command2_[at(Command2::Next)]);
    for (auto [a, b] : {std::pair<QWidget*, QWidget*>{check2_, text1_},
                        {text1_, command4_[at(Command4::OkMinutes)]},
                        {command4_[at(Command4::OkMinutes)], command4_[at(Command4::OkFps)]},
                        {command4_[at(Command4::OkFps)], command4_[at(Command4::Cancel)]}})
        QWidget::setTabOrder(a, b);
    pressButtonsOnReturn(this);

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
    // The slot buttons go while the window's state still lives: a button
    // that loses the focus as it goes runs its handler, which must find
    // the tick asleep for good rather than destroyed.
    ended_ = true;
    timer_.stop();
    countsSave_.stop();
    delete picture1_;
    picture1_ = nullptr;
    command1_.fill(nullptr);
    command2_.fill(nullptr);
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

    for (size_t i = 0; i < command2_.size(); ++i) {
        command2_[i] = makeButton(picture1_, kCommand2[i]);
        command2_[i]->setObjectName(QStringLiteral("command2"));
        const int index = static_cast<int>(i);
        connect(command2_[i], &QPushButton::clicked, this, [this, index] { command2Click(index); });
    }

    // Made in this order, so that the Tab order runs as the window is laid
    // out: the music buttons, help, the track display.
    panel_ = new MusicPanel(this, st_, *sv_.mci, folder_, *sv_.localAddress, *sv_.clipboard, *this);
    command3_ = makeButton(this, kCommand3);
    connect(command3_, &QPushButton::clicked, this, [this] { command3Click(); });
    panel_->buildTrackDisplay();

    check2_ = new QCheckBox(QStringLiteral("MIDI予約"), this);
    check2_->setGeometry(px(240), px(1200), px(1095), px(255));
    check2_->hide();
    // A check box on the drawing surface fills its own rectangle.
    paintOwnBackground(check2_);

    text1_ = new QLineEdit(this);
    text1_->setGeometry(px(1440), px(1200), px(1095), px(330));
    // Its own, larger font is given the first time it shows (command2Click).
    text1_->setAccessibleName(QStringLiteral("数値の入力（分またはFPS）"));
    text1_->hide();
    text1_->setEnabled(false);
    for (size_t i = 0; i < command4_.size(); ++i) {
        command4_[i] = makeButton(this, kCommand4[i]);
        command4_[i]->hide();
        command4_[i]->setEnabled(false);
        const int index = static_cast<int>(i);
        connect(command4_[i], &QPushButton::clicked, this, [this, index] { command4Click(index); });
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
    const MusicList& list = panel_->musicList();
    st_.currentMusicPath = list.count() > 0 ? list.at(0) : std::string();
    // The dialog starts in the program's folder; an installed program's
    // folder holds nothing of the user's, so there it starts at home.
    std::string f = paths_.portable ? paths_.programFolder : QDir::homePath().toStdString();
    if (f.size() > 1 && f.back() == '/') f.pop_back();
    st_.fileDialogFolder = f;
    st_.listSlideStep = 60;
    drawFrame();
    panel_->music().poll();
    panel_->music().slideStep();
    loaded_ = true;
    scheduleTick();
}

void MainWindow::formUnload() {
    if (ended_) return;
    ended_ = true;
    timer_.stop();
    countsSave_.stop();
    com5Click(Com5::Stop);
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

void MainWindow::saveData() {
    SaveData(folder_, st_, *this);
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
    LoadData(folder_, st_, *this);
    countsOnDisk_ = st_.slotUseCount;
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
        warnUnstorable();
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
            runFileDialog();
            if (!BeginRegistration(st_)) warnUnstorable();
            break;
        case 3:
        case 4: {
            hideNumberEntry();
            const bool timer = index == at(Command2::Timer);
            const Command4 confirm = timer ? Command4::OkMinutes : Command4::OkFps;
            // The entry's font is loaded when the entry first shows: a
            // launcher whose timer and rate are never set does not pay for it
            // on its way to the first picture.
            if (!text1_->testAttribute(Qt::WA_SetFont)) text1_->setFont(uiFont(15));
            for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(command4_[at(confirm)]),
                               static_cast<QWidget*>(command4_[at(Command4::Cancel)])}) {
                w->show();
                w->setEnabled(true);
            }
            text1_->setFocus(Qt::OtherFocusReason);   // accessibility: the entry is where the user types
            check2_->setVisible(timer);
            text1_->clear();
            if (timer) gett();
            text1_->setMaxLength(timer ? 4 : 3);
            break;
        }
        default: break;
    }
    WrapPage(st_);
}

void MainWindow::command3Click() {
    const HandlerScope scope(*this);
    panel_->closePageMenu();
    sv_.shell->execute(std::string("open"), paths_.readme(), std::nullopt, std::nullopt, 1);
}

void MainWindow::command4Click(int index) {
    const HandlerScope scope(*this);
    const double v = readLeadingNumber(text1_->text().toStdString());
    if (index == at(Command4::OkMinutes)) {
        confirmMinutes(st_, v);
        sv_.wav->prepare(st_.alarmSound);
    } else if (index == at(Command4::OkFps)) {
        if (confirmRate(st_, v)) {
            captionSettled_ = false;
            scheduleTick();
        }
    }
    // Accessibility: a focus inside the entry goes back to the button that opened it.
    QWidget* opener = command4_[at(Command4::OkMinutes)]->isVisible() ? command2_[at(Command2::Timer)]
                                                                       : command2_[at(Command2::Fps)];
    const bool focusInEntry = text1_->hasFocus() || command4_[0]->hasFocus() || command4_[1]->hasFocus() ||
                              command4_[2]->hasFocus();
    if (focusInEntry && opener->isVisible()) opener->setFocus(Qt::OtherFocusReason);
    hideNumberEntry();
    check2_->hide();
}

void MainWindow::hideNumberEntry() {
    for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(command4_[at(Command4::OkMinutes)]),
                       static_cast<QWidget*>(command4_[at(Command4::OkFps)]),
                       static_cast<QWidget*>(command4_[at(Command4::Cancel)])}) {
        w->hide();
        w->setEnabled(false);
    }
}

void MainWindow::handlerBegins() { catchUpSkippedFrames(sv_.clock->nowMs()); }

// A hidden window's tick may have to wake for what the handler began.
void MainWindow::handlerEnds() { scheduleTick(); }

void MainWindow::picture1MouseDown() {
    st_.alarmCount = 0;
    st_.alarmCountSeen = 0;
    picture1_->surface().setBackColor(kPictureGrey);
    drawFrame();
    picture1_->repaint();
}

void MainWindow::gett() {
    // The file is made (empty) when missing, so that the user finds where
    // the alarm sound goes; a file that cannot be read rings silence.
    st_.alarmSound = readOrCreateFile(st_.alarmSoundPath, kMaxAlarmBytes);
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
    // Accessibility: a screen reader says the caption once, as the alarm starts.
    if (st_.alarmCount == kAlarmRepetitions - 1) SlotAccessibility::tellWindowName(this);
}

void MainWindow::toggleGameMode() {
    const bool entering = launcherMode();
    if (entering) a11y_->gameShown(true);   // accessibility: the game takes the focus
    // The length limit is for typing only; the saved rate always fits.
    text1_->setMaxLength(32767);
    if (entering) {
        game_.savedFramesPerSecond = st_.framesPerSecond;
        st_.hoverIndex = kNoHover;
        text1_->setText(QStringLiteral("10"));
    } else {
        text1_->setText(QString::number(game_.savedFramesPerSecond));
    }
    command4Click(at(Command4::OkFps));
    for (auto* b : command1_) b->setVisible(!entering);
    for (auto* b : command2_) b->setVisible(!entering);
    for (auto* b : command4_) b->setVisible(!entering);
    panel_->showPlayerButtons(!entering);
    command4Click(at(Command4::Cancel));
    if (!entering) a11y_->gameShown(false);   // accessibility: the focus goes back
}

QString MainWindow::slotName(int index) const { return slotButtonName(st_, index, launcherMode()); }

QString MainWindow::slotDescription(int index) const { return slotButtonDescription(st_, index, launcherMode()); }

QString MainWindow::surfaceText() const {
    // While the alarm rings (or its last flash still shows) the first line
    // is the alarm and how to stop it.
    const std::string alarm = alarmSpeechLine(st_);
    return (alarm.empty() ? QString() : QString::fromStdString(alarm) + QLatin1Char('\n')) + (launcherMode() ? surfaceSpeech(st_, sv_.localAddress->localIp()) : gameSpeech(game_, st_.rowLevel));
}

QString MainWindow::surfaceDescription() const {
    return launcherMode() ? QString() : gameFigures(game_, st_.rowLevel);
}

QString MainWindow::pageRange() const { return launcherMode() ? pageRangeSpeech(st_.slotPage) : QString(); }

void MainWindow::saikido() {
    if (ended_) return;
    sv_.beeper->beep();
    st_.windowPosition = windowTwips();
    if (placeAllowsSave()) saveData();
    releaseFolder();
    sv_.shell->startProgram(paths_.executable, paths_.programFolder);
    com5Click(Com5::Stop);
    ended_ = true;
    timer_.stop();
    endProgram(0);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    formUnload();
    e->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent*) { st_.hoverIndex = kNoHover; }

bool MainWindow::eventFilter(QObject* o, QEvent* e) {
    // Keys are taken where the window system hands them to this window,
    // before Qt passes them on to the focus widget and its parents: each
    // press reaches the handler exactly once, whichever control has the
    // focus and whatever a dialog opened by the handler did to it.
    // Seen again: the frames left out are brought forward at once.
    if (e->type() == QEvent::Expose && o && o == windowHandle() && skippingFrames_ && !ended_) timer_.start(0);
    // Some window managers map a restored window before
    // they clear its minimised state: the state change wakes it too, and so
    // do hover and a press on the drawing surface.
    if (skippingFrames_ && !ended_ && wakesSleepingTick(o, e->type())) timer_.start(0);
    if (e->type() == QEvent::KeyPress && o && o == windowHandle()) {
        return windowKeyPress(*static_cast<QKeyEvent*>(e));
    }
    return QWidget::eventFilter(o, e);
}

// A sleeping tick wakes for what a person does with the window: it is
// restored (some window managers show it before they say so), or the
// pointer comes over or presses the drawing surface.
bool MainWindow::wakesSleepingTick(const QObject* o, QEvent::Type t) const {
    if (t == QEvent::WindowStateChange) return o == this;
    if (t != QEvent::MouseMove && t != QEvent::Enter && t != QEvent::MouseButtonPress) return false;
    for (auto* w = qobject_cast<const QWidget*>(o); w; w = w->parentWidget())
        if (w == picture1_) return true;
    return false;
}

}  // namespace sorvel
