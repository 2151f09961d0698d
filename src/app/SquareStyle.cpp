#include "app/SquareStyle.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>

namespace sorvel {

SquareStyle::SquareStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

namespace {
QColor outlineOf(const QPalette& pal) { return pal.window().color().darker(140); }
QColor focusOutlineOf(const QPalette& pal) { return pal.highlight().color().darker(125); }
}  // namespace

void SquareStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const {
    const QRect r = opt->rect;
    switch (pe) {
        case PE_PanelButtonCommand: {
            const bool down = opt->state & (State_Sunken | State_On);
            const bool hover = (opt->state & State_MouseOver) && (opt->state & State_Enabled);
            const bool focus = (opt->state & State_HasFocus) && (opt->state & State_KeyboardFocusChange);
            QColor face = opt->palette.button().color();
            if (down) face = face.darker(110);
            else if (hover) face = face.lighter(104);
            p->save();
            p->setRenderHint(QPainter::Antialiasing, false);
            p->fillRect(r, face);
            if (!down) {
                p->setPen(face.lighter(112));
                p->drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
            }
            p->setPen(focus ? focusOutlineOf(opt->palette) : outlineOf(opt->palette));
            p->setBrush(Qt::NoBrush);
            p->drawRect(r.adjusted(0, 0, -1, -1));
            p->restore();
            return;
        }
        case PE_PanelLineEdit: {
            const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
            const bool focus = opt->state & State_HasFocus;
            p->save();
            p->setRenderHint(QPainter::Antialiasing, false);
            p->fillRect(r, opt->palette.base());
            if (frame && frame->lineWidth > 0) {
                p->setPen(focus ? focusOutlineOf(opt->palette) : outlineOf(opt->palette));
                p->setBrush(Qt::NoBrush);
                p->drawRect(r.adjusted(0, 0, -1, -1));
            }
            p->restore();
            return;
        }
        case PE_FrameLineEdit:
            return;   // drawn with the panel
        default: break;
    }
    QProxyStyle::drawPrimitive(pe, opt, p, w);
}

namespace {
bool paintedSquare(const QWidget* w) {
    if (const auto* b = qobject_cast<const QPushButton*>(w)) return !b->isFlat();
    return qobject_cast<const QLineEdit*>(w) != nullptr;
}
}  // namespace

void SquareStyle::polish(QWidget* w) {
    QProxyStyle::polish(w);
    // The base style marks every widget as see-through; these paint every
    // pixel of their rectangle.
    if (paintedSquare(w)) w->setAttribute(Qt::WA_OpaquePaintEvent);
}

void useSquareLook(QWidget* root, SquareStyle* style) {
    for (QWidget* c : root->findChildren<QWidget*>()) {
        if (paintedSquare(c)) c->setStyle(style);
    }
}

}  // namespace sorvel
