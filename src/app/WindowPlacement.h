// Keeps the main window reachable: a stored position that would put it
// entirely off every screen (a monitor unplugged, a smaller display, a
// hand-edited data.dat) is moved to the nearest spot where it can be seen.
#pragma once

#include <utility>
#include <vector>

namespace sorvel {

struct ScreenRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// Top-left corner for a window of w x h wanted at (x, y). Kept as it is when
// any part of the window lies on a screen (or when there are no screens to
// ask); otherwise the window is moved the shortest way onto the screen
// nearest to it, wholly inside when it fits.
std::pair<int, int> reachablePosition(int x, int y, int w, int h, const std::vector<ScreenRect>& screens);

}  // namespace sorvel
