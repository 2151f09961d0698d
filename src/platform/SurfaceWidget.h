// A widget that shows a Surface and reports mouse presses and moves.
#pragma once

#include <QWidget>
#include <functional>

#include "platform/Surface.h"

namespace sorvel {

// Whether a widget paints every pixel of its rectangle itself, so that what
// lies under it never shows.
bool coversItsRect(const QWidget* w);

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(int w, int h, QWidget* parent = nullptr);
    Surface& surface() { return surface_; }
    // Shows the surface's current image: whatever changed since the last
    // refresh is repainted wherever it can be seen, under see-through
    // controls too. Only what opaque controls cover is left out, so the
    // buttons on top are not redrawn with every frame. Does nothing while
    // the surface is suspended.
    void refresh();
    // Draws a thin raised frame around the picture (button look).
    void setFramed(bool f) { framed_ = f; }

    std::function<void(Qt::MouseButton)> onMouseDown;
    std::function<void()> onMouseMove;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;

private:
    Surface surface_;
    bool framed_ = false;
};

}  // namespace sorvel
