#include "app/MusicPanel.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

#include "app/MusicListView.h"
#include "app/WindowDress.h"
#include "netaddr/LocalAddressTool.h"

namespace sorvel {

namespace {
// Runs as one of the window's handlers (see MusicPanelHost).
class HandlerScope {
public:
    explicit HandlerScope(MusicPanelHost& h) : h_(h) { h_.handlerBegins(); }
    ~HandlerScope() { h_.handlerEnds(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    MusicPanelHost& h_;
};

// A text box shows the start of a text too long for it, as a plain text box
// does (setText leaves the cursor, and the view, at the end).
void showFromStart(QLineEdit* e, const std::string& t) {
    e->setText(QString::fromStdString(t));
    e->setCursorPosition(0);
}

constexpr std::array<Com5, 4> kListButtons{Com5::SelectMid, Com5::Delete, Com5::Page, Com5::Favo};
constexpr std::array<Com5, 5> kPlayerButtons{Com5::CopyIp, Com5::ListUD, Com5::Play, Com5::Stop, Com5::Pattern};
}  // namespace

MusicPanel::MusicPanel(QWidget* window, LauncherState& state, Mci& mci, const std::string& folder,
                       LocalAddress& local, Clipboard& clipboard, MusicPanelHost& host)
    : QObject(window), window_(window), st_(state), local_(local), clipboard_(clipboard), host_(host) {
    for (size_t i = 0; i < com5_.size(); ++i) {
        com5_[i] = makeButton(window, kCom5[i]);
        const int index = static_cast<int>(i);
        connect(com5_[i], &QPushButton::clicked, this, [this, index] { com5Click(index); });
    }
    for (Com5 b : kListButtons) com5_[at(b)]->hide();
    music_ = std::make_unique<MusicController>(st_, musicList_, mci, folder, static_cast<MusicPanelView&>(*this));
    musicList_.onClick = [this] { music_->listClick(); };
}

MusicPanel::~MusicPanel() {
    // The list view reads the music list, which goes before the window's
    // children do.
    delete list1_;
    list1_ = nullptr;
}

void MusicPanel::buildTrackDisplay() {
    text2_[0] = new QLineEdit(QStringLiteral("Midi Name"), window_);
    text2_[0]->setGeometry(px(120), px(1920), px(3000), px(270));
    text2_[0]->setToolTip(QStringLiteral("現在再生中のファイル名です。"));
    text2_[1] = new QLineEdit(QStringLiteral("Midi No"), window_);
    text2_[1]->setGeometry(px(3120), px(1920), px(1500), px(270));
    text2_[1]->setToolTip(QStringLiteral("MIDIリストの曲数です"));
    text2_[0]->setAccessibleName(QStringLiteral("再生中のファイル名"));
    text2_[1]->setAccessibleName(QStringLiteral("MIDIリストの曲数"));

    check1_ = new QCheckBox(QStringLiteral("File"), window_);
    check1_->setGeometry(px(2280), px(1320), px(735), px(255));
    check1_->setToolTip(QStringLiteral("ファイル名のみを表示させるか決めます。"));
    check1_->hide();
    connect(check1_, &QCheckBox::clicked, this, [this] {
        hidePageMenu();
        music_->fname();
    });
    // A check box on the drawing surface fills its own rectangle.
    paintOwnBackground(check1_);
}

// The list box, the pattern list and the page menu start hidden and are
// built when first needed: a launcher whose music panel is never opened
// does not pay for them.
MusicListView* MusicPanel::list1() {
    if (list1_) return list1_;
    list1_ = new MusicListView(musicList_, window_);
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

// A hidden choice list over the window: the items, its tooltip (also its
// name for assistive tools unless one is given) and what a choice runs.
ChoiceListBox* MusicPanel::choiceList(const ControlSpec& place, std::initializer_list<const char*> items,
                                      const char* name, void (MusicPanel::*chosen)(int)) {
    auto* list = new ChoiceListBox(window_);
    list->onChoose = [this, chosen](int row) { (this->*chosen)(row); };
    list->setGeometry(px(place.left), px(place.top), px(place.width), px(place.height));
    makePlainListBox(list, false);
    for (const char* c : items) list->addItem(QString::fromUtf8(c));
    list->setToolTip(QString::fromUtf8(place.tooltip));
    list->setAccessibleName(QString::fromUtf8(name));
    list->hide();
    list->raise();
    return list;
}

QListWidget* MusicPanel::list2() {
    if (list2_) return list2_;
    list2_ = choiceList({nullptr, 3840, 720, 615, 780,
                         "単曲：1曲を1回のみ 単連：1曲を連続で 連曲：複数の曲を1回のみ 繰返：複数の曲を連続で"},
                        {kPatternCaptions[0], kPatternCaptions[1], kPatternCaptions[2], kPatternCaptions[3]},
                        "再生パターン", &MusicPanel::list2Click);
    if (list3_) list3_->raise();
    return list2_;
}

QListWidget* MusicPanel::list3() {
    if (list3_) return list3_;
    list3_ = choiceList({nullptr, 120, 480, 855, 780, "ページの変更"}, {"1つ前", "1つ後", "そのまま", "お気に入"},
                        "ページの変更", &MusicPanel::list3Click);
    if (list3Row_ >= 0) {
        const QSignalBlocker b(list3_);
        list3_->setCurrentRow(list3Row_);
    }
    return list3_;
}

void MusicPanel::showFavouritesLook() {
    QPalette pal = list1_->palette();
    pal.setColor(QPalette::Base, list1Favourites_ ? QColor(225, 255, 225) : QColor(255, 255, 255));
    list1_->setPalette(pal);
}

// ---- handlers -------------------------------------------------------------------

void MusicPanel::com5Click(int index) {
    const HandlerScope scope(host_);
    hidePageMenu();
    switch (static_cast<Com5>(index)) {
        case Com5::CopyIp: CopyLocalAddress(local_, clipboard_); break;
        case Com5::ListUD: music_->listUD(); break;
        case Com5::Play: music_->play(); break;
        case Com5::Stop: music_->stop(); break;
        case Com5::SelectMid: music_->selectMid(); break;
        case Com5::Delete: music_->deleteEntry(); break;
        case Com5::Pattern:
            // The box shows the pattern in use as its choice.
            list2();
            list2_->openFrom(com5_[index], list2_->row(list2_->findItems(com5_[index]->text(), Qt::MatchExactly).value(0)));
            break;
        case Com5::Page:
            // Shows the last choice; with none yet, "そのまま", which only closes it.
            list3();
            list3_->openFrom(com5_[index], list3_->currentRow() < 0 ? 2 : -1);
            break;
        case Com5::Favo: music_->favo(); break;
    }
}

void MusicPanel::list2Click(int row) {
    const HandlerScope scope(host_);
    if (row < 0 || row > 3) return;
    com5_[at(Com5::Pattern)]->setText(QString::fromUtf8(kPatternCaptions[row]));
    music_->choosePattern(kPatternCaptions[row]);
}

void MusicPanel::list3Click(int row) {
    const HandlerScope scope(host_);
    music_->pageMenu(row);
}

void MusicPanel::keepPage() {
    list3Row_ = 2;
    if (list3_) {
        const QSignalBlocker b(list3_);
        list3_->setCurrentRow(2);
    }
    list3Click(2);
}

void MusicPanel::setMusicButtonsVisible(bool v) {
    for (Com5 b : kPlayerButtons) {
        if (com5_[at(b)]->isHidden() == v) com5_[at(b)]->setVisible(v);
    }
}

void MusicPanel::showPlayerButtons(bool shown) {
    for (Com5 b : kPlayerButtons) com5_[at(b)]->setVisible(shown);
}

void MusicPanel::closeForGame() {
    if (list1_ && !list1_->isHidden()) com5Click(Com5::ListUD);
    hidePatternList();
}

bool MusicPanel::listUDEnabled() const { return com5_[at(Com5::ListUD)]->isEnabled(); }

bool MusicPanel::eventFilter(QObject* o, QEvent* e) {
    // Over the list the slot page's panel closes, and the buttons under it
    // show again.
    if (e->type() == QEvent::MouseMove && list1_ && o == list1_->viewport()) st_.hoverIndex = kNoHover;
    return QObject::eventFilter(o, e);
}

// ---- the music controller's view ---------------------------------------------------

void MusicPanel::hidePageMenu() {
    if (list3_) list3_->hide();
}

void MusicPanel::hidePatternList() {
    if (list2_) list2_->hide();
}

bool MusicPanel::fileNameOnly() const { return check1_->isChecked(); }

void MusicPanel::setTrackName(const std::string& text) { showFromStart(text2_[0], text); }

void MusicPanel::setTrackNumber(const std::string& text) { showFromStart(text2_[1], text); }

bool MusicPanel::listVisible() const { return list1_ && !list1_->isHidden(); }

void MusicPanel::setListVisible(bool visible) {
    if (visible || list1_) list1()->setVisible(visible);
}

void MusicPanel::setListTop(int top) {
    list1Top_ = top;
    if (list1_) list1_->move(px(120), top);
}

void MusicPanel::focusList() { list1()->setFocus(); }

void MusicPanel::setListButtonsVisible(bool visible) {
    for (Com5 b : kListButtons) com5_[at(b)]->setVisible(visible);
    check1_->setVisible(visible);
}

void MusicPanel::setListUDEnabled(bool enabled) { com5_[at(Com5::ListUD)]->setEnabled(enabled); }

void MusicPanel::focusListUD() { com5_[at(Com5::ListUD)]->setFocus(); }

void MusicPanel::setPageCaption(const std::string& caption) {
    com5_[at(Com5::Page)]->setText(QString::fromStdString(caption));
}

void MusicPanel::setFavouritesLook(bool favourites) {
    list1Favourites_ = favourites;
    if (list1_) showFavouritesLook();
    com5_[at(Com5::Favo)]->setEnabled(!favourites);
}

}  // namespace sorvel
