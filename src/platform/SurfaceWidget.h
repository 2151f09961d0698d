// A widget that shows a Surface and reports presses of the left, right and
// middle mouse buttons (a double-click counts as one press) and moves.
// Given a focus policy, it takes the keyboard focus like a push button:
// Return, Enter or Space press the left button, the menu key or Shift+F10
// the right one, and a dotted frame shows the focus over the picture.
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <vector>
#include <functional>

class QMimeData;

#include "platform/Surface.h"

namespace sorvel {

// Whether a widget paints every pixel of its rectangle itself, so that what
// lies under it never shows.
bool coversItsRect(const QWidget* w);

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(int w, int h, QWidget* parent = nullptr);
    Surface& surface() { return surface_; }
    // Shows the surface's current image: the pixels that differ from the
    // picture last shown are repainted wherever they can be seen, under
    // see-through controls too. Only what opaque controls cover is left
    // out, so the buttons on top are not redrawn with every frame. Does
    // nothing while the surface is suspended.
    void refresh();
    // What the last refresh handed to the window system to repaint.
    const QRegion& lastSent() const { return lastSent_; }
    // Draws a thin raised frame around the picture (button look).
    void setFramed(bool f) { framed_ = f; }

    std::function<void(Qt::MouseButton)> onMouseDown;
    std::function<void()> onMouseMove;
    // The keyboard focus came (true) or went (false).
    std::function<void(bool)> onFocusChange;

    // Drag and drop (with setAcceptDrops(true)): acceptsDrop decides whether
    // what is dragged may be dropped here; while such a drag is over the
    // widget it is highlighted; onDrop receives the drop.
    std::function<bool(const QMimeData*)> acceptsDrop;
    std::function<void(const QMimeData*)> onDrop;
    bool dropHighlighted() const { return dropHighlight_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    Surface surface_;
    // The picture as it was last handed over or painted: a frame redraws
    // the whole surface, but only the rows whose pixels differ go out.
    QImage shown_;
    QRegion lastSent_;
    // The surface's rectangle and those of the opaque controls over it, and
    // the part of the surface they leave to be seen (worked out again when
    // any of them changes).
    std::vector<QRect> covers_;
    QRegion uncovered_;
    bool framed_ = false;
    bool dropHighlight_ = false;
    void setDropHighlight(bool on);
};

}  // namespace sorvel
