// The look of the main window's buttons and text boxes: the platform style
// with square, fully painted panels. A control drawn this way paints every
// pixel of its rectangle, so nothing of the animated background under it
// can linger in rounded or anti-aliased corners, and the frame never has
// to repaint it when only the background changes.
#pragma once

#include <QProxyStyle>

class QWidget;

namespace sorvel {

class SquareStyle : public QProxyStyle {
public:
    SquareStyle();
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    // Marks the buttons and line edits it paints square as opaque.
    void polish(QWidget* w) override;
    using QProxyStyle::polish;
};

// Gives the push buttons and line edits among w and its descendants the
// square look.
void useSquareLook(QWidget* w, SquareStyle* style);

}  // namespace sorvel
