#include "shell/main_window.h"

#include "shell/layout.h"
#include "panel/panel_scroll.h"
#include "panel/progress_file.h"
#include "quiz/quiz_state.h"

HBRUSH footerBrush;

namespace {

void createFooter(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HWND footer = CreateWindowExA(0, "Static", theQuiz->footerText, WS_CHILD | WS_VISIBLE, 720, client.bottom - 16, 140,
                                  15, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(footerId)),
                                  GetModuleHandleA(nullptr), nullptr);
    SendMessageA(footer, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_QUESTION)));
}

void place(HWND control, const Placement& at, HWND after, UINT flags) {
    if (control) SetWindowPos(control, after, at.x, at.y, at.width, at.height, flags);
}

void layOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const MainWindowLayout layout = layoutMainWindow(client.right, client.bottom);
    place(static_cast<HWND>(theQuiz->questionPanel), layout.questionPanel, nullptr, SWP_NOZORDER);
    place(static_cast<HWND>(theQuiz->headerPanel), layout.headerPanel, nullptr, SWP_NOZORDER);
    place(GetDlgItem(window, footerId), layout.footer, HWND_TOP, SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void closeQuestionPanel() {
    HWND panel = static_cast<HWND>(theQuiz->questionPanel);
    theQuiz->questionPanel = nullptr;
    if (panel) DestroyWindow(panel);
}

}  // namespace

bool registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1);
    windowClass.lpszClassName = mainWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createFooter(window);
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) layOut(window);
        return 0;
    case WM_CLOSE:
        // Saved once, before any window goes; a failed save is reported and
        // closing goes on.
        saveProgress(theQuiz);
        closeQuestionPanel();
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        closeQuestionPanel();
        PostQuitMessage(0);
        return 0;
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != footerId) return 0;
        // The letters sit on the footer's own colour.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(footerBrush);
    case WM_MOUSEWHEEL:
        wheelToScroll(static_cast<HWND>(theQuiz->questionPanel), wParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND createMainWindow(HINSTANCE instance, const char* title) {
    HWND window = CreateWindowExA(0, mainWindowClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  mainWindowWidth, mainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    RECT desktop;
    RECT outer;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &outer);
    const Corner corner = centreWindow({desktop.left, desktop.top, desktop.right, desktop.bottom},
                                       {outer.left, outer.top, outer.right, outer.bottom});
    SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return window;
}
