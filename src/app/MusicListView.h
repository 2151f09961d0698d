// The music list on screen: a list model over the music list's own entries
// and a plain list box view whose highlighted row is always the list's
// selection. Focus and the keyboard cursor never select anything; every
// change of the selection by the user runs the click reaction once.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <functional>
#include <QStyledItemDelegate>

#include "music/Music.h"

namespace sorvel {

// Bytes of an entry shown in a row: a row shows far fewer characters, and
// a huge hand-edited entry must cost no more to draw than a short one.
constexpr size_t kListShownBytes = 512;

// The shown text of an entry: its first bytes, cut at a character boundary.
QString shownEntry(const std::string& entry);

class MusicListModel : public QAbstractListModel, public MusicListObserver {
public:
    explicit MusicListModel(MusicList& list, QObject* parent = nullptr);
    ~MusicListModel() override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    std::function<void()> onSelectionChanged;   // the list's own selection moved

    // True while the entries change: selection moves the view makes on its
    // own meanwhile are no choice of the user's.
    bool changing() const { return changing_; }

    void beginReset() override {
        changing_ = true;
        beginResetModel();
    }
    void endReset() override {
        endResetModel();
        changing_ = false;
    }
    void beginInsert(int row) override {
        changing_ = true;
        beginInsertRows(QModelIndex(), row, row);
    }
    void endInsert() override {
        endInsertRows();
        changing_ = false;
    }
    void beginRemove(int row) override {
        changing_ = true;
        beginRemoveRows(QModelIndex(), row, row);
    }
    void endRemove() override {
        endRemoveRows();
        changing_ = false;
    }
    void selectionChanged() override {
        if (onSelectionChanged) onSelectionChanged();
    }

private:
    MusicList& list_;
    bool changing_ = false;
};

// Rows of a fixed height (12 pixels, as a list box with the 9-point UI font).
class FixedRowDelegate : public QStyledItemDelegate {
public:
    FixedRowDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), h_(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int h_;
};

constexpr int kListRowHeight = 12;

// A plain list box look: fixed rows, no horizontal scroll bar, long
// entries cut at the right edge.
void makePlainListBox(QListView* v, bool verticalBar);


// A small list box of fixed choices (the play patterns, the page menu):
// every change of its selection by the user, by click, drag or keyboard,
// runs onChoose once; a mouse gesture runs it once, on release, for the row
// it ends on, and a click on the row already selected runs it too. The
// selection set by code runs nothing.
class ChoiceListBox : public QListWidget {
public:
    explicit ChoiceListBox(QWidget* parent);
    std::function<void(int row)> onChoose;

    // Makes row the shown choice (selected and current), choosing nothing.
    void showChoice(int row);

    // Shows the box over the window with row as its shown choice (the one
    // it shows already when row is -1 and it has one). When the user opened
    // it from the keyboard or with a click on opener (opener holds the
    // focus), the box takes the focus, so that a screen reader reads the
    // list and its choice; hidden while it holds the focus, it hands the
    // focus back to opener.
    void openFrom(QWidget* opener, int row);

protected:
    // Only a list with the keyboard focus tells assistive tools that its
    // current row has the focus (see the .cpp).
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void hideEvent(QHideEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // Typed letters and digits choose nothing: the window reads digits as
    // its own commands, and a jump to a matching row would be a choice.
    void keyboardSearch(const QString&) override {}
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    int selectedRow() const;
    void selectionMoved();
    void choose(int row);
    int input_ = 0;          // inside a key or mouse handler
    bool restoring_ = false;
    bool mouseDown_ = false;
    bool movedDuringPress_ = false;
    bool ignoreRelease_ = false;
    int pressRow_ = -1;
    int lastRow_ = -1;       // the row last chosen or shown as chosen
    QPointer<QWidget> opener_;
};

class MusicListView : public QListView {
public:
    MusicListView(MusicList& list, QWidget* parent);
    // Makes the highlighted row the list's selection (nothing when -1).
    void syncSelection();
    MusicListModel* musicModel() const { return model_; }

protected:
    // Only a list with the keyboard focus tells assistive tools that its
    // current row has the focus (see the .cpp).
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void viewSelectionChanged();
    MusicList& list_;
    MusicListModel* model_;
    bool syncing_ = false;
    int pressRow_ = -1;
    bool pressChangedSelection_ = false;
    bool ignoreRelease_ = false;
    bool mouseDown_ = false;
};

}  // namespace sorvel
