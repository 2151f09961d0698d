#include "platform/SurfaceWidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace sorvel {

SurfaceWidget::SurfaceWidget(int w, int h, QWidget* parent) : QWidget(parent), surface_(w, h) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(w, h);
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, surface_.image());
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
