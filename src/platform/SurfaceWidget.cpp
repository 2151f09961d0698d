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
