#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

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

}  // namespace sorvel
