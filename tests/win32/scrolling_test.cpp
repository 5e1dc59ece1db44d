// Scrolling the question panel: its bars, the wheel, the page keys, focus
// and resizing.
#include "tests/win32/player_fixture.h"

namespace {

class Scrolling : public PlayerWindows {
protected:
    // Opens a quiz in a panel of a known size.
    void openSized(const char* name, int outerWidth, int outerHeight) {
        open(name);
        SetWindowPos(panel, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(panel, &client);
        page = client.bottom - 1;
    }
    int position() const { return GetScrollPos(panel, SB_VERT); }
    int fieldTop(int f) { return placeInParent(field(f)).top; }
    int page = 0;
};

// text30: a canvas of 900 x 755, rows 25 apart.
TEST_F(Scrolling, BarsWheelAndPageKeysMoveTheRowsAndStopAtTheEnds) {
    openSized("text30", 600, 300);
    const int bottom = 755 - (page + 1);
    const struct {
        HWND target;
        UINT message;
        WPARAM code;
        int position;
    } steps[] = {{panel, WM_VSCROLL, SB_LINEDOWN, 310},  {panel, WM_VSCROLL, SB_LINEUP, 0},
                 {panel, WM_VSCROLL, SB_PAGEDOWN, page}, {panel, WM_VSCROLL, SB_BOTTOM, bottom},
                 {panel, WM_VSCROLL, SB_LINEDOWN, bottom}, {panel, WM_VSCROLL, SB_TOP, 0},
                 // One step a notch, over the panel, a field or MainWindow; half a notch waits for the other half.
                 {panel, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 50}, {panel, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0},
                 {panel, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-60)), 0},  {panel, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-60)), 50},
                 {panel, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-240)), 150}, {field(1), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 200},
                 {window, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 250}, {panel, WM_VSCROLL, SB_TOP, 0},
                 // Keys released in a field page the panel.
                 {field(1), WM_KEYUP, VK_NEXT, page}, {field(1), WM_KEYUP, VK_PRIOR, 0},
                 {field(1), WM_KEYUP, VK_DOWN, page}, {field(1), WM_KEYUP, VK_UP, 0}};
    for (const auto& step : steps) {
        SendMessageA(step.target, step.message, step.code, step.message == WM_KEYUP ? 0xC0000001 : 0);
        pump();
        EXPECT_EQ(position(), step.position) << "message " << step.message << ", " << step.code;
        EXPECT_EQ(fieldTop(1), 5 - position()) << "the rows move with the canvas";
    }
}

TEST_F(Scrolling, AFocusedFieldComesIntoView) {
    openSized("text30", 1000, 300);
    SetFocus(field(2));
    EXPECT_EQ(position(), 0) << "a visible field does not scroll";
    SetFocus(field(20));  // row top 480, below the view
    EXPECT_EQ(position(), 480 - 15);
    EXPECT_EQ(fieldTop(20), 15);
}

TEST_F(Scrolling, ResizingBeyondTheCanvasPutsTheContentBack) {
    openSized("text3", 400, 60);  // canvas 900 x 80
    SendMessageA(panel, WM_VSCROLL, SB_BOTTOM, 0);
    ASSERT_GT(position(), 0);
    SetWindowPos(panel, nullptr, 0, 0, 1000, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(fieldTop(1), 5);
}

TEST_F(Scrolling, MainWindowLaysOutItsPanelsOnResizeButNotOnMinimising) {
    open("text3");
    SetWindowPos(window, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    RECT client, headerClient;
    GetClientRect(window, &client);
    GetClientRect(header, &headerClient);
    EXPECT_AT(panel, 5, 50, client.right - 11, client.bottom - 68);
    EXPECT_EQ(placeInParent(GetDlgItem(window, 8000)).left, client.right - 145);
    EXPECT_EQ(placeInParent(GetDlgItem(header, 27)).left, headerClient.right - 204);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_AT(panel, 5, 50, client.right - 11, client.bottom - 68);
}

}  // namespace
