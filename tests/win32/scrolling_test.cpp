// Scrolling the question panel: its bars, the wheel, the page keys, focus
// and resizing.
#include <algorithm>

#include "tests/win32/player_fixture.h"

namespace {

class Scrolling : public PlayerWindows {
protected:
    // A panel of a known size: client height and width read back.
    void openSized(const char* name, int outerWidth, int outerHeight) {
        open(name);
        SetWindowPos(panel, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(panel, &client);
        clientWidth = client.right;
        clientHeight = client.bottom;
    }
    void vscroll(int code) { SendMessageA(panel, WM_VSCROLL, code, 0); }
    void wheel(HWND target, int delta) {
        SendMessageA(target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
        pump();
    }
    int fieldTop(int f) { return placeInParent(field(f)).top; }
    int clientWidth = 0;
    int clientHeight = 0;
};

TEST_F(Scrolling, BarsStepByLineAndPageAndStopAtTheEnds) {
    openSized("text30", 600, 300);  // canvas 900 x 755
    ASSERT_LT(clientHeight, 755 - 310);
    vscroll(SB_LINEDOWN);
    EXPECT_EQ(verticalPosition(), 310);
    EXPECT_EQ(fieldTop(1), 5 - 310) << "the rows move with the canvas";
    vscroll(SB_LINEUP);
    EXPECT_EQ(verticalPosition(), 0);
    vscroll(SB_PAGEDOWN);
    EXPECT_EQ(verticalPosition(), clientHeight - 1);
    vscroll(SB_BOTTOM);
    EXPECT_EQ(verticalPosition(), 755 - clientHeight);
    vscroll(SB_LINEDOWN);
    EXPECT_EQ(verticalPosition(), 755 - clientHeight);
    vscroll(SB_THUMBPOSITION);
    EXPECT_EQ(verticalPosition(), 755 - clientHeight);
    vscroll(SB_TOP);
    EXPECT_EQ(verticalPosition(), 0);
    EXPECT_EQ(fieldTop(1), 5);
    EXPECT_EQ(horizontalPosition(), 0) << "the panel opens at its top left corner";
    SendMessageA(panel, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(horizontalPosition(), 1);
    SendMessageA(panel, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(horizontalPosition(), std::min(clientWidth, 900 - clientWidth));
}

TEST_F(Scrolling, WheelScrollsOneStepPerNotch) {
    openSized("text30", 600, 300);
    wheel(panel, -120);
    EXPECT_EQ(verticalPosition(), 50);
    wheel(panel, 120);
    EXPECT_EQ(verticalPosition(), 0);
    wheel(panel, -60);
    EXPECT_EQ(verticalPosition(), 0) << "half a notch waits for the other half";
    wheel(panel, -60);
    EXPECT_EQ(verticalPosition(), 50);
    wheel(panel, -240);
    EXPECT_EQ(verticalPosition(), 150);
    // Over a field the wheel reaches the panel once, not once more through MainWindow.
    wheel(field(1), -120);
    EXPECT_EQ(verticalPosition(), 200);
    wheel(window, -120);
    EXPECT_EQ(verticalPosition(), 250);
}

TEST_F(Scrolling, PageKeysInAFieldPageThePanel) {
    openSized("text30", 600, 300);
    SetFocus(field(1));
    releaseKey(field(1), VK_NEXT);
    EXPECT_EQ(verticalPosition(), clientHeight - 1);
    releaseKey(field(1), VK_DOWN);
    const int bottom = 755 - clientHeight;
    EXPECT_EQ(verticalPosition(), std::min(2 * (clientHeight - 1), bottom));
    releaseKey(field(1), VK_PRIOR);
    EXPECT_EQ(verticalPosition(), std::min(2 * (clientHeight - 1), bottom) - (clientHeight - 1));
    releaseKey(field(1), VK_UP);
    EXPECT_EQ(verticalPosition(), 0);
}

TEST_F(Scrolling, AFocusedFieldComesIntoView) {
    openSized("text30", 1000, 300);
    SetFocus(field(2));
    EXPECT_EQ(verticalPosition(), 0) << "a visible field does not scroll";
    SetFocus(field(20));  // row top 480, below the view
    EXPECT_EQ(verticalPosition(), 480 - 15);
    EXPECT_EQ(fieldTop(20), 15);
    EXPECT_EQ(horizontalPosition(), 0) << "the whole width is in view";
}

TEST_F(Scrolling, ResizingBeyondTheCanvasPutsTheContentBack) {
    openSized("text3", 400, 60);  // canvas 900 x 80
    vscroll(SB_BOTTOM);
    EXPECT_EQ(verticalPosition(), 80 - clientHeight);
    SetWindowPos(panel, nullptr, 0, 0, 1000, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(verticalPosition(), 0);
    EXPECT_EQ(fieldTop(1), 5);
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(panel, SB_VERT, &info);
    EXPECT_EQ(info.nMax, 78);
    EXPECT_EQ(info.nPage, 79u);
}

TEST_F(Scrolling, MainWindowLaysOutItsPanelsOnResize) {
    open("text3");
    SetWindowPos(window, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(window, &client);
    const RECT q = placeInParent(panel);
    EXPECT_EQ(q.left, 5);
    EXPECT_EQ(q.top, 50);
    EXPECT_EQ(q.right - q.left, client.right - 11);
    EXPECT_EQ(q.bottom - q.top, client.bottom - 68);
    const RECT footer = placeInParent(GetDlgItem(window, 8000));
    EXPECT_EQ(footer.left, client.right - 145);
    RECT headerClient;
    GetClientRect(header, &headerClient);
    EXPECT_EQ(placeInParent(GetDlgItem(header, 27)).left, headerClient.right - 204);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(placeInParent(panel).right - placeInParent(panel).left, client.right - 11) << "minimising moves nothing";
}

}  // namespace
