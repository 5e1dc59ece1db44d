#include "panel/answer_field.h"

#include <cstring>

#include "panel/check_answer.h"
#include "panel/field_numbers.h"
#include "judge/judge_answer.h"
#include "panel/panel_scroll.h"
#include "panel/progress_file.h"

namespace {

// The standard procedure of the "Edit" class, shared by every answer field.
WNDPROC editProc;

// Keys act when released, or when pressed with Alt. Returns true when the
// key is consumed.
bool onKey(QuizState* quiz, HWND field, WPARAM key) {
    HWND panel = GetParent(field);
    switch (key) {
    case VK_RETURN:
        checkAnswerField(quiz, panel, GetDlgCtrlID(field));
        return true;
    case VK_UP:
    case VK_PRIOR:
        SendMessageA(panel, WM_VSCROLL, SB_PAGEUP, 0);
        return false;
    case VK_DOWN:
    case VK_NEXT:
        SendMessageA(panel, WM_VSCROLL, SB_PAGEDOWN, 0);
        return false;
    case VK_F1:
        fillUnsolvedFields(quiz, field);
        return false;
    case VK_F2:
        saveProgress(quiz);
        return false;
    default:
        return false;
    }
}

bool isBlank(const char* text) {
    while (*text == ' ') ++text;
    return *text == '\0';
}

}  // namespace

void attachAnswerFieldProc(HWND field) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(answerFieldProc)));
    if (!editProc) editProc = previous;
}

LRESULT CALLBACK answerFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    QuizState* quiz = theQuiz;
    switch (message) {
    case WM_SETFOCUS:
        SendMessageA(field, EM_SETSEL, 0, 260);
        // The dialog focuses its first field while it is built, before it
        // has its size: that must not scroll it.
        if (IsWindowVisible(GetParent(field))) bringFieldIntoView(quiz, GetParent(field), field);
        break;
    case WM_KILLFOCUS:
        checkAnswerField(quiz, GetParent(field), GetDlgCtrlID(field));
        break;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
        if (onKey(quiz, field, wParam)) return 1;
        break;
    case WM_MOUSEWHEEL:
        // Not every edit control passes the wheel on to its parent; the
        // panel scrolls once per notch either way.
        wheelToScroll(GetParent(field), wParam);
        return 0;
    case WM_CHAR:
        // Enter and Tab would be inserted or answered with a beep.
        if (wParam == 13 || wParam == 9 || wParam == 0) return 0;
        break;
    default:
        break;
    }
    return CallWindowProcA(editProc, field, message, wParam, lParam);
}

void fillUnsolvedFields(QuizState* quiz, HWND field) {
    char text[answerFieldLimit + 1];
    GetWindowTextA(field, text, sizeof text);
    // An empty text would erase every answer not yet right.
    if (isBlank(text)) return;
    HWND panel = GetParent(field);
    const int count = fieldCount(quiz);
    for (int f = 1; f <= count; ++f) {
        char verdict[255];
        GetDlgItemTextA(panel, idVerdictBase + f, verdict, sizeof verdict);
        if (std::strcmp(verdict, verdictRight) == 0) continue;
        SetDlgItemTextA(panel, idFieldBase + f, text);
        SetFocus(GetDlgItem(panel, idFieldBase + f));
    }
    SetFocus(field);
    // The field F1 was pressed in never lost the focus when it was the last
    // one filled; judging it again changes nothing when it already was.
    checkAnswerField(quiz, panel, GetDlgCtrlID(field));
}
