#include "app/Controls.h"

#include <QPushButton>

namespace sorvel {

QPushButton* makeButton(QWidget* parent, const ControlSpec& c) {
    auto* b = new QPushButton(QString::fromUtf8(c.caption), parent);
    b->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
    if (c.tooltip) b->setToolTip(QString::fromUtf8(c.tooltip));
    return b;
}

}  // namespace sorvel
