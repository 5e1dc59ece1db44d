#include "panel/scroll_math.h"

namespace {
// The platform's scroll bar codes.
enum { lineUp = 0, lineDown = 1, pageUp = 2, pageDown = 3, thumbTrack = 5, top = 6, bottom = 7 };
}  // namespace

int verticalScrollTarget(int code, int position, int page, int track, int maximum) {
    switch (code) {
    case lineUp: return position - verticalLineStep;
    case lineDown: return position + verticalLineStep;
    case pageUp: return position - page;
    case pageDown: return position + page;
    case thumbTrack: return track;
    case top: return 0;
    case bottom: return maximum;
    case scrollWheelDown: return position + wheelStep;
    case scrollWheelUp: return position - wheelStep;
    default: return position;
    }
}

int horizontalScrollTarget(int code, int position, int page, int track) {
    switch (code) {
    case lineUp: return position - horizontalLineStep;
    case lineDown: return position + horizontalLineStep;
    case pageUp: return position - page;
    case pageDown: return position + page;
    case thumbTrack: return track;
    default: return position;
    }
}

int wheelNotches(int* leftover, int delta) {
    if ((delta > 0 && *leftover < 0) || (delta < 0 && *leftover > 0)) *leftover = 0;
    *leftover += delta;
    const int notches = *leftover / wheelNotch;
    *leftover -= notches * wheelNotch;
    return notches;
}

ViewTarget fieldViewTarget(int w, int h, int hpos, int vpos, int fieldX, int fieldY, int allowance) {
    // A point 148 pixels into the field and its top edge stand for the field;
    // both views are shortened by 15 pixels for the scroll bars.
    const int px = fieldX + hpos + 18;
    const int py = fieldY + vpos;
    const bool visible = hpos <= px + 130 && px + 130 <= hpos + w - 15 && vpos <= py && py <= vpos + h - 15;
    if (visible) return {false, hpos, vpos};
    return {true, px - 130, py - 15 - allowance};
}
