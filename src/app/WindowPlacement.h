// Keeps the main window reachable and its place the user's own.
//
// The place is the corner of the window's frame (as the window manager
// draws it), in twips. A stored position that would put the window entirely
// off every screen (a monitor unplugged, a smaller display, a hand-edited
// data.dat) is moved to the nearest spot where it can be seen. The place
// stored again is the stored one, exactly as it was read, until the user
// moves the window: wherever the window manager put it (brought into view,
// adjusted to its frame, or placed by a compositor that places every
// window itself). A move of the user's stores the frame's new corner; full
// screen and maximised places are never stored.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace sorvel {

struct ScreenRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// Top-left corner for a window of w x h wanted at (x, y). Kept as it is when
// any part of the window lies on a screen (or when there are no screens to
// ask); otherwise the window is moved the shortest way onto the screen
// nearest to it, wholly inside when it fits.
std::pair<int, int> reachablePosition(int x, int y, int w, int h, const std::vector<ScreenRect>& screens);

// Follows the window's place (frame top-left, pixels) through moves and
// state changes and answers which place to store, in twips.
class PlaceKeeper {
public:
    // A window manager moves a window for full screen or maximised just
    // before or just after it says so; moves this close to leaving the
    // normal state belong to the new state.
    static constexpr int64_t kStateMoveMs = 400;
    // A window manager may still adjust a new window's place (to fit its
    // frame on the screen) for a moment after the window is first shown.
    static constexpr int64_t kSettleMs = 1000;

    // The stored place `storedTwips` was asked for and the window's frame
    // put at pixel (x, y) (not the same spot when the stored one lay off
    // every screen).
    void placed(std::array<int32_t, 2> storedTwips, int x, int y);
    // The window's frame now stands at (x, y); `normal`: the window is in
    // none of the states full screen, maximised or minimised.
    void moved(int x, int y, bool normal, int64_t nowMs);
    // The window manager has placed the window: its frame stands at (x, y),
    // the spot it was put at as far as the user is concerned. Moves until
    // then are the window manager's.
    void settled(int x, int y, bool normal);
    // A placement is under way (the window is new, or was just placed anew):
    // moves are the window manager's until settled.
    void settling() { settling_ = true; }
    // The window's state changed; `normal` as for moved.
    void stateChanged(bool normal, int64_t nowMs);
    // The place to store, given where the frame is now and whether the
    // window is in its normal state now.
    std::array<int32_t, 2> twipsToStore(int x, int y, bool normalNow) const;
    // Where the normal window stands, in twips, whatever is stored.
    std::array<int32_t, 2> ownTwips(int x, int y, bool normalNow) const;

private:
    std::pair<int, int> normalPlace(int x, int y, bool normalNow) const;
    struct Move {
        int x, y;
        int64_t ms;
    };
    std::deque<Move> normalMoves_;   // the last few moves in the normal state
    bool inNormal_ = true;
    bool settling_ = false;
    std::optional<std::array<int32_t, 2>> stored_;
    int placedX_ = 0, placedY_ = 0;   // where the placement left the frame
};

// Feeds a top-level widget's moves and state changes to a PlaceKeeper.
class PlaceWatcher : public QObject {
public:
    explicit PlaceWatcher(QWidget* window);
    PlaceKeeper& keeper() { return keeper_; }
    const PlaceKeeper& keeper() const { return keeper_; }
    // The place to store for the window as it is now.
    std::array<int32_t, 2> twipsToStore();
    // Where the window's normal place is now, in twips.
    std::array<int32_t, 2> ownTwips() const;
    // Puts the window's frame at pixel (x, y) for the stored place
    // `storedTwips`, before or after the window is shown.
    void place(std::array<int32_t, 2> storedTwips, int x, int y);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    static bool normalState(const QWidget* w);
    void settle();
    bool shown_ = false;
    bool settled_ = false;
    int settleRound_ = 0;   // a newer placement's settle timer wins
    QWidget* window_;
    PlaceKeeper keeper_;
};

}  // namespace sorvel
