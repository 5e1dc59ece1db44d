#include "panel/panel_scroll.h"

#include "panel/field_numbers.h"
#include "panel/row_pictures.h"
#include "panel/scroll_math.h"

namespace {

int wheelLeftover;

void setRange(HWND panel, int bar, int content, int client, bool redraw) {
    int visible = client;
    if (content <= client) {
        SetScrollPos(panel, bar, 0, FALSE);
        visible = content;
    }
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, content - 2,
                    static_cast<UINT>(visible - 1 < 0 ? 0 : visible - 1), 0, 0};
    SetScrollInfo(panel, bar, &info, redraw);
}

int position(HWND panel, int bar) {
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, bar, &info);
    return info.nPos;
}

// Sets a bar's position, lets the bar clamp it, and moves the content by what
// it actually moved.
void scrollTo(HWND panel, int bar, int target) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, bar, &info);
    if (target < info.nMin) target = info.nMin;
    if (target > info.nMax) target = info.nMax;
    const int old = info.nPos;
    SetScrollPos(panel, bar, target, TRUE);
    const int now = position(panel, bar);
    if (bar == SB_VERT) {
        ScrollWindowEx(panel, 0, old - now, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    } else {
        ScrollWindowEx(panel, old - now, 0, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    }
    queueVisiblePictures(theQuiz, panel);
}

}  // namespace

void setScrollRanges(QuizState* quiz, HWND panel) {
    RECT client;
    GetClientRect(panel, &client);
    setRange(panel, SB_HORZ, quiz->contentWidth, client.right, true);
    setRange(panel, SB_VERT, quiz->contentHeight, client.bottom, true);
}

void resetScrollBars(QuizState* quiz, HWND panel) {
    const int oldH = position(panel, SB_HORZ);
    const int oldV = position(panel, SB_VERT);
    setScrollRanges(quiz, panel);
    const int dx = oldH - position(panel, SB_HORZ);
    const int dy = oldV - position(panel, SB_VERT);
    if (dx || dy) ScrollWindowEx(panel, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    queueVisiblePictures(quiz, panel);
}

void scrollVertically(HWND panel, int code) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, SB_VERT, &info);
    scrollTo(panel, SB_VERT, verticalScrollTarget(code, info.nPos, static_cast<int>(info.nPage), info.nTrackPos, info.nMax));
}

void scrollHorizontally(HWND panel, int code) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, SB_HORZ, &info);
    scrollTo(panel, SB_HORZ, horizontalScrollTarget(code, info.nPos, static_cast<int>(info.nPage), info.nTrackPos));
}

void wheelToScroll(HWND panel, WPARAM wParam) {
    const int delta = static_cast<short>(HIWORD(wParam));
    int notches = wheelNotches(&wheelLeftover, delta);
    for (; notches > 0; --notches) PostMessageA(panel, WM_VSCROLL, scrollWheelUp, 0);
    for (; notches < 0; ++notches) PostMessageA(panel, WM_VSCROLL, scrollWheelDown, 0);
}

void bringFieldIntoView(QuizState* quiz, HWND panel, HWND field) {
    RECT outer;
    GetWindowRect(panel, &outer);
    RECT place;
    GetWindowRect(field, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    // Keep the picture or video above a field in view with it.
    int allowance = 0;
    const int band = fieldOwner(quiz, GetDlgCtrlID(field)).index / 3;
    if (quiz->kind != kindText && band >= 0 && band < maxBands) allowance = quiz->bandHeight[band];
    const ViewTarget target = fieldViewTarget(outer.right - outer.left, outer.bottom - outer.top, position(panel, SB_HORZ),
                                              position(panel, SB_VERT), place.left, place.top, allowance);
    if (!target.scroll) return;
    scrollTo(panel, SB_VERT, target.vertical);
    scrollTo(panel, SB_HORZ, target.horizontal);
}
