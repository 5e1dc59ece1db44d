// Scroll arithmetic of the question panel, in canvas pixels.
#pragma once

constexpr int scrollWheelDown = 500;  // custom WM_VSCROLL codes: one wheel step
constexpr int scrollWheelUp = 501;
constexpr int verticalLineStep = 310;
constexpr int wheelStep = 50;
constexpr int horizontalLineStep = 1;
constexpr int wheelNotch = 120;

// The position a scroll code asks for, before clamping. Unknown codes keep
// the position.
int verticalScrollTarget(int code, int position, int page, int trackPosition, int maximum);
int horizontalScrollTarget(int code, int position, int page, int trackPosition);

// Adds a wheel delta to what is left over from earlier ones and returns the
// whole notches to scroll: positive up, negative down. A touchpad sends small
// deltas; a change of direction drops the leftover.
int wheelNotches(int* leftover, int delta);

struct ViewTarget {
    bool scroll;
    int horizontal;
    int vertical;
};

// Where to scroll so that a field that got the focus is in view. The panel's
// outer size counts its scroll bars; `allowance` keeps what is drawn above
// the field (a picture) in view too.
ViewTarget fieldViewTarget(int outerWidth, int outerHeight, int horizontalPosition, int verticalPosition,
                           int fieldX, int fieldY, int allowance);
