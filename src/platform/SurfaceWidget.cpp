#include "platform/SurfaceWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>

namespace sorvel {

SurfaceWidget::SurfaceWidget(int w, int h, QWidget* parent) : QWidget(parent), surface_(w, h) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(w, h);
}

namespace {
// Bounding box of the pixels that differ between two images of one size.
QRect changedRect(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return a.rect();
    int top = -1, bottom = -1, left = a.width(), right = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        if (std::equal(ra, ra + a.width(), rb)) continue;
        if (top < 0) top = y;
        bottom = y;
        int l = 0;
        while (ra[l] == rb[l]) ++l;
        int r = a.width() - 1;
        while (ra[r] == rb[r]) --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
}  // namespace

bool coversItsRect(const QWidget* w) {
    if (w->isHidden() || w->isWindow()) return false;
    if (w->testAttribute(Qt::WA_OpaquePaintEvent)) return true;
    return w->autoFillBackground() && w->palette().brush(w->backgroundRole()).isOpaque();
}

void SurfaceWidget::refresh() {
    if (surface_.suspended()) return;
    // Only what changed since the last frame is repainted.
    const QRect changed = changedRect(surface_.image(), shown_);
    if (changed.isEmpty()) return;
    const QImage& img = surface_.image();
    if (shown_.size() != img.size() || shown_.format() != img.format()) {
        shown_ = img.copy();
    } else {
        // Reuse the buffer: no allocation per frame.
        for (int y = changed.top(); y <= changed.bottom(); ++y)
            std::memcpy(shown_.scanLine(y), img.constScanLine(y), static_cast<size_t>(img.bytesPerLine()));
    }
    QRegion r(changed);
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && coversItsRect(w)) r -= w->geometry();
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
            if (above && coversItsRect(w)) r -= QRect(w->pos() - pos(), w->size());
        }
    }
    update(r);
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // In bands of a few dozen rows: larger blits make the raster engine hand
    // the work to its thread pool, which costs more wake-ups than it saves
    // on a picture this small.
    const QImage& img = surface_.image();
    for (int y = 0; y < img.height(); y += 48) p.drawImage(0, y, img, 0, y, img.width(), std::min(48, img.height() - y));
    if (framed_) {
        const int w = width() - 1, h = height() - 1;
        p.setPen(QColor(255, 255, 255));
        p.drawLine(0, 0, w, 0);
        p.drawLine(0, 0, 0, h);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(w, 0, w, h);
        p.drawLine(0, h, w, h);
    }
}

void SurfaceWidget::mousePressEvent(QMouseEvent* e) {
    if (onMouseDown) onMouseDown(e->button());
    e->accept();
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove();
    e->accept();
}

void SurfaceWidget::enterEvent(QEnterEvent*) {
    if (onMouseMove) onMouseMove();
}

}  // namespace sorvel
