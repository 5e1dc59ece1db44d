// A control's place in its parent's client area, in pixels.
#pragma once

struct Placement {
    int x;
    int y;
    int width;
    int height;
};

inline bool operator==(const Placement& a, const Placement& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
