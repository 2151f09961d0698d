#include "app/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/MainWindow.h"

namespace sorvel {

namespace {
// Gap between two ranges [a, a + la) and [b, b + lb); 0 when they overlap.
int64_t gap(int64_t a, int64_t la, int64_t b, int64_t lb) {
    if (a + la <= b) return b - (a + la) + 1;
    if (b + lb <= a) return a - (b + lb) + 1;
    return 0;
}

int64_t clampInto(int64_t v, int64_t len, int64_t start, int64_t room) {
    if (len >= room) return start;
    return std::clamp(v, start, start + room - len);
}
}  // namespace

std::pair<int, int> reachablePosition(int x, int y, int w, int h, const std::vector<ScreenRect>& screens) {
    w = std::max(w, 1);
    h = std::max(h, 1);
    const ScreenRect* nearest = nullptr;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const ScreenRect& s : screens) {
        if (s.w <= 0 || s.h <= 0) continue;
        const int64_t dx = gap(x, w, s.x, s.w);
        const int64_t dy = gap(y, h, s.y, s.h);
        if (dx == 0 && dy == 0) return {x, y};   // partly or wholly on this screen
        const int64_t d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            nearest = &s;
        }
    }
    if (!nearest) return {x, y};
    return {static_cast<int>(clampInto(x, w, nearest->x, nearest->w)),
            static_cast<int>(clampInto(y, h, nearest->y, nearest->h))};
}

void PlaceKeeper::placed(std::array<int32_t, 2> storedTwips, int x, int y) {
    stored_ = storedTwips;
    placedX_ = x;
    placedY_ = y;
    normalMoves_.clear();
}

void PlaceKeeper::settled(int x, int y, bool normal) {
    if (normal) {
        placedX_ = x;
        placedY_ = y;
    }
    settling_ = false;
}

void PlaceKeeper::moved(int x, int y, bool normal, int64_t nowMs) {
    if (!normal || !inNormal_) return;
    // The window manager still puts the window where it wants it.
    if (settling_) {
        placedX_ = x;
        placedY_ = y;
    }
    if (!normalMoves_.empty() && normalMoves_.back().x == x && normalMoves_.back().y == y) return;
    normalMoves_.push_back({x, y, nowMs});
    while (normalMoves_.size() > 8) normalMoves_.pop_front();
}

void PlaceKeeper::stateChanged(bool normal, int64_t nowMs) {
    if (!normal && inNormal_) {
        // The moves that came with the change are the window manager's,
        // not the user's; the first place ever seen stays in any case.
        while (normalMoves_.size() > 1 && nowMs - normalMoves_.back().ms < kStateMoveMs) normalMoves_.pop_back();
    }
    inNormal_ = normal;
}

std::pair<int, int> PlaceKeeper::normalPlace(int x, int y, bool normalNow) const {
    if (!normalNow && !normalMoves_.empty()) return {normalMoves_.back().x, normalMoves_.back().y};
    return {x, y};
}

std::array<int32_t, 2> PlaceKeeper::ownTwips(int x, int y, bool normalNow) const {
    const auto [nx, ny] = normalPlace(x, y, normalNow);
    return {static_cast<int32_t>(nx * 15), static_cast<int32_t>(ny * 15)};
}

std::array<int32_t, 2> PlaceKeeper::twipsToStore(int x, int y, bool normalNow) const {
    const auto [nx, ny] = normalPlace(x, y, normalNow);
    // Never moved by the user since it was placed: the stored place goes
    // back as it was read, whatever the window manager made of it.
    if (stored_ && nx == placedX_ && ny == placedY_) return *stored_;
    return ownTwips(x, y, normalNow);
}

PlaceWatcher::PlaceWatcher(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

void PlaceWatcher::place(std::array<int32_t, 2> storedTwips, int x, int y) {
    // The frame's corner goes to (x, y). Before the window manager has
    // framed the window Qt asks it to put the client area there (static
    // gravity), and the frame would stand a title bar higher at every
    // start; asking for the frame's position instead makes Qt send north-
    // west gravity, so the window manager puts its frame's corner on the
    // point. A stored 0, 0 is asked for too, not left to the window
    // manager's own placement.
    window_->move(x, y);
    if (QWindow* h = window_->windowHandle()) h->setFramePosition(QPoint(x, y));
    keeper_.placed(storedTwips, x, y);
    if (shown_) {
        // Placed anew while on view (a reset): the window manager answers
        // with its own moves for a moment.
        settled_ = false;
        keeper_.settling();
        const int round = ++settleRound_;
        QTimer::singleShot(PlaceKeeper::kSettleMs, this, [this, round] {
            if (round == settleRound_) settle();
        });
    }
}

void PlaceWatcher::settle() {
    if (settled_) return;
    settled_ = true;
    const QPoint p = window_->pos();
    keeper_.settled(p.x(), p.y(), normalState(window_));
}

bool PlaceWatcher::normalState(const QWidget* w) {
    return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

std::array<int32_t, 2> PlaceWatcher::twipsToStore() {
    // Asked before the window manager had its moment: nobody moved it yet.
    if (shown_ && !settled_) settle();
    const QPoint p = window_->pos();
    return keeper_.twipsToStore(p.x(), p.y(), normalState(window_));
}

std::array<int32_t, 2> PlaceWatcher::ownTwips() const {
    const QPoint p = window_->pos();
    return keeper_.ownTwips(p.x(), p.y(), normalState(window_));
}

bool PlaceWatcher::eventFilter(QObject* o, QEvent* e) {
    if (o == window_) {
        const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        if (e->type() == QEvent::Show && !shown_) {
            // The window manager's last word on where a new window goes
            // (fitting its frame onto the screen) is no move of the user's;
            // it does not always come as a move event.
            shown_ = true;
            keeper_.settling();
            const int round = ++settleRound_;
            QTimer::singleShot(PlaceKeeper::kSettleMs, this, [this, round] {
                if (round == settleRound_) settle();
            });
        } else if (e->type() == QEvent::Move) {
            const QPoint p = window_->pos();
            keeper_.moved(p.x(), p.y(), normalState(window_), now);
        } else if (e->type() == QEvent::WindowStateChange) {
            keeper_.stateChanged(normalState(window_), now);
        }
    }
    return QObject::eventFilter(o, e);
}

// ---- the main window's place ------------------------------------------------------

bool MainWindow::placeAllowsSave() const {
    // The window's own place decides, not an older one kept for other
    // screens: a window brought into view from far off is saved as usual.
    const std::array<int32_t, 2> p = windowPlaceable ? place_->ownTwips() : st_.windowPosition;
    return !(p[0] >= 45000 && p[1] >= 45000);
}

std::array<int32_t, 2> MainWindow::windowTwips() const {
    if (!windowPlaceable) return st_.windowPosition;
    return place_->twipsToStore();
}

void MainWindow::placeWindowTwips(int32_t left, int32_t top) {
    move(static_cast<int>(std::nearbyint(left / 15.0)), static_cast<int>(std::nearbyint(top / 15.0)));
}

void MainWindow::placeStoredWindow(int32_t left, int32_t top) {
    const int x = static_cast<int>(std::nearbyint(left / 15.0));
    const int y = static_cast<int>(std::nearbyint(top / 15.0));
    std::vector<ScreenRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const QSize size = isVisible() ? frameGeometry().size() : this->size();
    const auto [nx, ny] = reachablePosition(x, y, size.width(), size.height(), screens);
    place_->place({left, top}, nx, ny);
}

}  // namespace sorvel
