#include "platform/SurfaceWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
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

void SurfaceWidget::refresh() {
    if (surface_.suspended()) return;
    // Only what changed since the last frame is repainted.
    const QRect changed = surface_.takeChanged();
    if (changed.isEmpty()) return;
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

void SurfaceWidget::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    // In bands of a few dozen rows: larger blits make the raster engine hand
    // the work to its thread pool, which costs more wake-ups than it saves
    // on a picture this small.
    const QImage& img = std::as_const(surface_).image();
    const QRect r = e->rect().intersected(img.rect());
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
