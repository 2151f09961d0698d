#include "app/MusicListView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <QPainter>
#include <QScrollBar>

namespace sorvel {

QString shownEntry(const std::string& entry) {
    if (entry.size() <= kListShownBytes) return QString::fromStdString(entry);
    size_t n = kListShownBytes;
    // Never end inside a UTF-8 sequence: back up over continuation bytes.
    while (n > 0 && (static_cast<unsigned char>(entry[n]) & 0xC0) == 0x80) --n;
    return QString::fromUtf8(entry.data(), static_cast<qsizetype>(n));
}

// ---- model -------------------------------------------------------------------

MusicListModel::MusicListModel(MusicList& list, QObject* parent) : QAbstractListModel(parent), list_(list) {
    list_.observer = this;
}

MusicListModel::~MusicListModel() {
    if (list_.observer == this) list_.observer = nullptr;
}

int MusicListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.count(); }

QVariant MusicListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= list_.count()) return {};
    return shownEntry(list_.at(index.row()));
}

// ---- rows --------------------------------------------------------------------

QSize FixedRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // A row is as wide as the view shows; longer text is cut at its edge.
    int w = 1;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget)) w = view->viewport()->width();
    return QSize(std::max(w, 1), h_);
}

void FixedRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    if (selected) p->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    p->save();
    p->setClipRect(option.rect);
    p->setFont(option.font);
    p->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QFontMetrics fm(option.font);
    // The font is a pixel taller than a row: the descent, where "_" and
    // the tails of g, j, p, q, y are drawn, stays inside the row and the
    // top of the tallest glyphs is what gets cut.
    const int baseline = option.rect.bottom() + 1 - fm.descent();
    p->drawText(option.rect.left() + 2, baseline, index.data(Qt::DisplayRole).toString());
    p->restore();
    if ((option.state & QStyle::State_HasFocus) && option.widget && option.widget->hasFocus()) {
        QStyleOptionFocusRect f;
        f.QStyleOption::operator=(option);
        f.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QStyle* style = option.widget->style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &f, p, option.widget);
    }
}

void makePlainListBox(QListView* v, bool verticalBar) {
    v->setItemDelegate(new FixedRowDelegate(kListRowHeight, v));
    v->setUniformItemSizes(true);
    v->setTextElideMode(Qt::ElideNone);
    v->setWordWrap(false);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setVerticalScrollBarPolicy(verticalBar ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    v->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setDragEnabled(false);
    v->setResizeMode(QListView::Adjust);
    // A two-pixel sunken border: the design heights then hold whole rows
    // (88 pixels: seven, 52 pixels: four) and no part of a further one.
    v->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    v->setLineWidth(2);
}

// A list box's current row moved. QListView tells assistive tools that the
// row has the focus whether or not the list has it; a row the program moves
// to (the next track, the page menu's row) must not pull a screen reader
// away from where the user is. An unfocused list takes only the item view's
// own step.
void ChoiceListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (hasFocus()) QListWidget::currentChanged(current, previous);
    else QAbstractItemView::currentChanged(current, previous);
}

void MusicListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (hasFocus()) QListView::currentChanged(current, previous);
    else QAbstractItemView::currentChanged(current, previous);
}

// ---- small choice lists --------------------------------------------------------

ChoiceListBox::ChoiceListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { selectionMoved(); });
}

int ChoiceListBox::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ChoiceListBox::selectionMoved() {
    if (restoring_) return;
    const int row = selectedRow();
    if (input_ == 0) {   // set by code: shown, not chosen
        lastRow_ = row;
        return;
    }
    if (row < 0) {
        // A list box cannot be emptied of its selection by the user.
        restoring_ = true;
        if (lastRow_ >= 0 && lastRow_ < count()) setCurrentRow(lastRow_);
        restoring_ = false;
        return;
    }
    if (mouseDown_) {
        movedDuringPress_ = true;   // chosen when the button comes up
        return;
    }
    choose(row);
}

void ChoiceListBox::showChoice(int row) {
    if (row < 0 || row >= count()) return;
    setCurrentRow(row);   // set by code: shown, not chosen
}

void ChoiceListBox::openFrom(QWidget* opener, int row) {
    opener_ = opener;
    show();
    raise();
    if (row < 0) row = currentRow();
    showChoice(row);
    if (opener && opener->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
        // The row became current before the box had the focus: tell it now.
        currentChanged(currentIndex(), currentIndex());
    }
}

void ChoiceListBox::choose(int row) {
    lastRow_ = row;
    if (onChoose) onChoose(row);
}

void ChoiceListBox::hideEvent(QHideEvent* e) {
    // A press whose release never comes here (the box was hidden under it)
    // is over: later keys choose at once again.
    mouseDown_ = false;
    movedDuringPress_ = false;
    // Hidden by the program while it holds the window's focus (not with the
    // window, when it is minimised): the focus goes back to its button.
    if (!e->spontaneous() && window()->focusWidget() == this && opener_ && opener_->isVisible() && opener_->isEnabled())
        opener_->setFocus(Qt::OtherFocusReason);
    QListWidget::hideEvent(e);
}

void ChoiceListBox::keyPressEvent(QKeyEvent* e) {
    ++input_;
    QListWidget::keyPressEvent(e);
    --input_;
}

void ChoiceListBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    mouseDown_ = true;
    movedDuringPress_ = false;
    ignoreRelease_ = false;
    pressRow_ = indexAt(e->position().toPoint()).row();
    ++input_;
    QListWidget::mousePressEvent(e);
    --input_;
}

void ChoiceListBox::mouseMoveEvent(QMouseEvent* e) {
    ++input_;
    QListWidget::mouseMoveEvent(e);
    --input_;
}

void ChoiceListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double-click is no new click; a drag from it
    // still chooses where it ends.
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    mouseDown_ = true;
    movedDuringPress_ = false;
    ignoreRelease_ = true;
    ++input_;
    QListWidget::mouseDoubleClickEvent(e);
    --input_;
}

void ChoiceListBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    ++input_;
    QListWidget::mouseReleaseEvent(e);
    --input_;
    mouseDown_ = false;
    const int row = selectedRow();
    if (row < 0) return;
    if (movedDuringPress_) choose(row);
    else if (!ignoreRelease_ && row == pressRow_ && indexAt(e->position().toPoint()).row() == row) choose(row);
}

// ---- view --------------------------------------------------------------------

MusicListView::MusicListView(MusicList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new MusicListModel(list, this)) {
    makePlainListBox(this, true);
    setModel(model_);
    model_->onSelectionChanged = [this] { syncSelection(); };
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { syncSelection(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { viewSelectionChanged(); });
    // Built after the list was filled: it shows the list's selection at once.
    syncSelection();
}

void MusicListView::syncSelection() {
    syncing_ = true;
    const int sel = list_.selected();
    QItemSelectionModel* sm = selectionModel();
    if (sel >= 0 && sel < model_->rowCount()) {
        const QModelIndex idx = model_->index(sel);
        sm->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        scrollTo(idx);
    } else {
        sm->clear();
    }
    syncing_ = false;
}

void MusicListView::viewSelectionChanged() {
    if (syncing_ || model_->changing()) return;
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    const int row = rows.isEmpty() ? -1 : rows.first().row();
    if (row < 0 || row == list_.selected()) {
        // A list box cannot be emptied of its selection by the user.
        if (row != list_.selected()) syncSelection();
        return;
    }
    if (mouseDown_) pressChangedSelection_ = true;
    list_.select(row);
    // The reaction may have changed the list; show what it holds now.
    syncSelection();
}

void MusicListView::mousePressEvent(QMouseEvent* e) {
    // Only the left button selects, as in a plain list box.
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    mouseDown_ = true;
    pressRow_ = indexAt(e->position().toPoint()).row();
    pressChangedSelection_ = false;
    ignoreRelease_ = false;
    QListView::mousePressEvent(e);
}

void MusicListView::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double-click is no new click.
    ignoreRelease_ = true;
    QListView::mouseDoubleClickEvent(e);
}

void MusicListView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    QListView::mouseReleaseEvent(e);
    mouseDown_ = false;
    if (ignoreRelease_) return;
    // A click on the entry that is already selected runs the reaction too.
    const int row = indexAt(e->position().toPoint()).row();
    if (!pressChangedSelection_ && row >= 0 && row == pressRow_ && row == list_.selected()) list_.select(row, true);
}

}  // namespace sorvel
