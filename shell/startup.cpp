#include "shell/startup.h"

#include "shell/header_panel.h"
#include "shell/main_window.h"
#include "panel/question_panel.h"
#include "quiz/quiz_state.h"

HWND openPlayerWindows(HINSTANCE instance) {
    HWND window = createMainWindow(instance, theQuiz->title);
    HWND header = createHeaderPanel(window);
    ShowWindow(header, SW_SHOWNORMAL);
    theQuiz->headerPanel = header;
    // The rows are built inside, before the handle is known here.
    HWND panel = createQuestionPanel(window);
    theQuiz->questionPanel = panel;
    // Always restored, whatever show command the process was given; the
    // first showing lays the panels out.
    ShowWindow(window, SW_SHOWNORMAL);
    ShowWindow(panel, SW_SHOWNORMAL);
    SendMessageA(panel, WM_VSCROLL, SB_TOP, 0);
    return window;
}

int runMessageLoop() {
    MSG message{};
    // GetMessage gives -1 on an error; only a positive result is a message.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND panel = static_cast<HWND>(theQuiz->questionPanel);
        if (panel && IsDialogMessageA(panel, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
