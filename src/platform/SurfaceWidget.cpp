#include "platform/SurfaceWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>
#include <utility>

namespace sorvel {

SurfaceWidget::SurfaceWidget(int w, int h, QWidget* parent) : QWidget(parent), surface_(w, h) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(w, h);
}


bool coversItsRect(const QWidget* w) {
    if (w->isHidden() || w->isWindow()) return false;
    if (w->testAttribute(Qt::WA_OpaquePaintEvent)) return true;
    return w->autoFillBackground() && w->palette().brush(w->backgroundRole()).isOpaque();
}

namespace {
// Where `now` differs from `before` within `area`: one rectangle per run
// of differing rows, as wide as their differences reach. `before` takes the
// new pixels of those rows.
QRegion differingRows(const QImage& now, QImage& before, const QRect& area) {
    QRegion out;
    const QRect a = area.intersected(now.rect());
    if (a.isEmpty()) return out;
    int bandTop = -1, bandLeft = 0, bandRight = 0;
    auto closeBand = [&](int bottom) {
        if (bandTop >= 0) out += QRect(QPoint(bandLeft, bandTop), QPoint(bandRight, bottom));
        bandTop = -1;
    };
    for (int y = a.top(); y <= a.bottom(); ++y) {
        const auto* n = reinterpret_cast<const QRgb*>(now.constScanLine(y));
        auto* b = reinterpret_cast<QRgb*>(before.scanLine(y));
        // Most rows are unchanged: one block compare finds them.
        if (std::memcmp(n + a.left(), b + a.left(), static_cast<size_t>(a.width()) * sizeof(QRgb)) == 0) {
            closeBand(y - 1);
            continue;
        }
        int l = a.left();
        while (l <= a.right() && n[l] == b[l]) ++l;
        if (l > a.right()) {
            closeBand(y - 1);
            continue;
        }
        int r = a.right();
        while (n[r] == b[r]) --r;
        std::copy(n + l, n + r + 1, b + l);
        if (bandTop < 0) {
            bandTop = y;
            bandLeft = l;
            bandRight = r;
        } else {
            bandLeft = std::min(bandLeft, l);
            bandRight = std::max(bandRight, r);
        }
    }
    closeBand(a.bottom());
    return out;
}
}  // namespace

void SurfaceWidget::refresh() {
    if (surface_.suspended()) return;
    const QRect changed = surface_.takeChanged();
    lastSent_ = QRegion();
    if (changed.isEmpty()) return;
    const QImage& img = std::as_const(surface_).image();
    if (shown_.size() != img.size() || shown_.format() != img.format()) {
        shown_ = QImage(img.size(), img.format());
        shown_.fill(0x00000000u);   // no pixel matches: the first frame goes out whole
    }
    QRegion r = differingRows(img, shown_, changed);
    if (r.isEmpty()) return;
    std::vector<QRect> covers{rect()};   // the surface's own rectangle first
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && coversItsRect(w)) covers.push_back(w->geometry());
    }
    if (QWidget* p = parentWidget()) {
        bool above = false;
        for (QObject* o : p->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w) continue;
            if (w == this) {
                above = true;
                continue;
            }
            if (above && coversItsRect(w)) covers.push_back(QRect(w->pos() - pos(), w->size()));
        }
    }
    if (covers != covers_ || uncovered_.isEmpty()) {
        covers_ = std::move(covers);
        uncovered_ = QRegion(covers_.front());
        for (size_t i = 1; i < covers_.size(); ++i) uncovered_ -= covers_[i];
    }
    r &= uncovered_;
    lastSent_ = r;
    update(r);
}

void SurfaceWidget::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    // In bands of a few dozen rows: larger blits make the raster engine hand
    // the work to its thread pool, which costs more wake-ups than it saves
    // on a picture this small.
    const QImage& img = std::as_const(surface_).image();
    const QRect r = e->rect().intersected(img.rect());
    // What is painted is what shows from now on.
    if (shown_.size() == img.size() && shown_.format() == img.format()) {
        for (const QRect& pr : e->region())
            for (int y = pr.top(); y <= pr.bottom() && y < img.height(); ++y) {
                const QRect row = QRect(pr.left(), y, pr.width(), 1).intersected(img.rect());
                if (row.isEmpty()) continue;
                const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y)) + row.left();
                std::copy(src, src + row.width(), reinterpret_cast<QRgb*>(shown_.scanLine(y)) + row.left());
            }
    }
    for (int y = r.top(); y <= r.bottom(); y += 48)
        p.drawImage(r.left(), y, img, r.left(), y, r.width(), std::min(48, r.bottom() + 1 - y));
    if (framed_) {
        const int w = width() - 1, h = height() - 1;
        p.setPen(QColor(255, 255, 255));
        p.drawLine(0, 0, w, 0);
        p.drawLine(0, 0, 0, h);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(w, 0, w, h);
        p.drawLine(0, h, w, h);
    }
    if (hasFocus() && framed_) {
        // The classic dotted focus frame of a button, just inside the edge:
        // the picture and its colours stay as they are. A plain picture (the
        // game's, focused for screen readers) keeps its look.
        p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
    if (dropHighlight_) {
        // A bold frame in the desktop's highlight colour: "drop it here".
        p.setPen(QPen(palette().color(QPalette::Highlight), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

void SurfaceWidget::mousePressEvent(QMouseEvent* e) {
    // Only the three classic buttons press; side buttons do nothing.
    const Qt::MouseButton b = e->button();
    if (onMouseDown && (b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton)) onMouseDown(b);
    e->accept();
}

void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double-click is not a new press.
    e->accept();
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove();
    e->accept();
}

void SurfaceWidget::enterEvent(QEnterEvent*) {
    if (onMouseMove) onMouseMove();
}

void SurfaceWidget::keyPressEvent(QKeyEvent* e) {
    const int k = e->key();
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    Qt::MouseButton b = Qt::NoButton;
    if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) b = Qt::LeftButton;
    if (k == Qt::Key_Menu || (k == Qt::Key_F10 && shift)) b = Qt::RightButton;
    if (b == Qt::NoButton || focusPolicy() == Qt::NoFocus) {
        QWidget::keyPressEvent(e);
        return;
    }
    // A held key presses once, as a held mouse button does.
    if (!e->isAutoRepeat() && onMouseDown) onMouseDown(b);
    e->accept();
}

void SurfaceWidget::focusInEvent(QFocusEvent* e) {
    update();
    if (onFocusChange) onFocusChange(true);
    QWidget::focusInEvent(e);
}

void SurfaceWidget::focusOutEvent(QFocusEvent* e) {
    update();
    if (onFocusChange) onFocusChange(false);
    QWidget::focusOutEvent(e);
}

void SurfaceWidget::setDropHighlight(bool on) {
    if (dropHighlight_ == on) return;
    dropHighlight_ = on;
    update();
}

namespace {
// A drop only takes a reference to what is dropped: the link or copy action,
// never a move, after which the source might delete the original.
bool takeAsReference(QDropEvent* e) {
    const Qt::DropActions can = e->possibleActions();
    if (can & Qt::LinkAction) {
        e->setDropAction(Qt::LinkAction);
    } else if (can & Qt::CopyAction) {
        e->setDropAction(Qt::CopyAction);
    } else {
        e->ignore();
        return false;
    }
    e->accept();
    return true;
}
}  // namespace

void SurfaceWidget::dragEnterEvent(QDragEnterEvent* e) {
    const bool ok = acceptsDrop && acceptsDrop(e->mimeData()) && takeAsReference(e);
    if (!ok) e->ignore();
    setDropHighlight(ok);
    // As under the mouse: the page shows what the drop would replace.
    if (ok && onMouseMove) onMouseMove();
}

void SurfaceWidget::dragMoveEvent(QDragMoveEvent* e) {
    if (!dropHighlight_ || !takeAsReference(e)) e->ignore();
}

void SurfaceWidget::dragLeaveEvent(QDragLeaveEvent*) { setDropHighlight(false); }

void SurfaceWidget::dropEvent(QDropEvent* e) {
    setDropHighlight(false);
    if (!acceptsDrop || !acceptsDrop(e->mimeData()) || !takeAsReference(e)) {
        e->ignore();
        return;
    }
    if (onDrop) onDrop(e->mimeData());
}

}  // namespace sorvel
