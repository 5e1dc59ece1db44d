#include "shell/header_panel.h"

#include <cstdio>

#include "shell/header_ids.h"
#include "panel/header_messages.h"
#include "shell/layout.h"
#include "shell/link_open.h"
#include "panel/row_layout.h"
#include "panel/progress_file.h"
#include "quiz/quiz_state.h"
#include "resources/resource_ids.h"

namespace {

HBRUSH headerBrush;
// Kept until the process ends: the link static may paint with it until then.
HFONT linkFont;

struct HeaderControl {
    int id;
    const char* className;
    DWORD style;
    Placement place;
    enum { noFont, guiFont, titleFont, scoreFont, linkFont } font;
};

HWND addControl(HWND panel, const HeaderControl& c, const char* text) {
    return CreateWindowExA(0, c.className, text, c.style, c.place.x, c.place.y, c.place.width, c.place.height, panel,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleA(nullptr), nullptr);
}

void setFont(HWND control, HFONT font, bool redraw) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

void makeLinkFont(HWND link) {
    RECT client;
    GetClientRect(link, &client);
    LOGFONTA description{};
    description.lfHeight = -((3 * client.bottom) / 4);
    description.lfWeight = 400;
    description.lfUnderline = 1;
    if (!linkFont) linkFont = CreateFontIndirectA(&description);
    setFont(link, linkFont, false);
    // The hand is the class cursor of every static; the link is the only
    // static that takes mouse input, so it shows over the link alone.
    SetClassLongPtrA(link, GCLP_HCURSOR,
                     reinterpret_cast<LONG_PTR>(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_HAND))));
}

void buildHeader(HWND panel) {
    QuizState* quiz = theQuiz;
    char score[32];
    std::snprintf(score, sizeof score, " 0 / %d", quiz->questionCount);
    const DWORD visible = WS_CHILD | WS_VISIBLE;
    const HeaderControl controls[] = {
        {idLink, "Static", visible | SS_NOTIFY, {736, 5, 115, 18}, HeaderControl::linkFont},
        {idByLabel, "Static", visible, {736, 25, 27, 18}, HeaderControl::guiFont},
        {idAuthor, "Static", visible, {763, 25, 85, 18}, HeaderControl::guiFont},
        {idHideSolved, "button", visible | BS_AUTOCHECKBOX, {666, 5, 65, 18}, HeaderControl::guiFont},
        {idSave, "button", visible, {666, 25, 55, 18}, HeaderControl::guiFont},
        {idDescription, "Static", visible, {110, 19, 490, 27}, HeaderControl::guiFont},
        {idTitle, "Static", visible, {110, 3, 190, 18}, HeaderControl::titleFont},
        {idCodeLabel, "Static", visible, {7, 29, 36, 15}, HeaderControl::guiFont},
        {idScore, "Static", visible | SS_CENTER, {10, 1, 80, 20}, HeaderControl::scoreFont},
        {idCode, "edit", visible | ES_READONLY, {44, 29, 53, 16}, HeaderControl::guiFont},
        {idScoreRule, "Static", visible | WS_BORDER, {0, 26, 100, 1}, HeaderControl::noFont},
        {idLeftRule, "Static", visible | WS_BORDER, {100, 0, 1, 50}, HeaderControl::noFont},
        {idRightRule, "Static", visible | WS_BORDER, {730, 0, 1, 50}, HeaderControl::noFont},
    };
    const char* texts[] = {quiz->linkText, "Par :", quiz->author, "Cacher", "Sauver", quiz->description,
                           quiz->title, " Code :", score, "", "", "", ""};
    HFONT gui = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (size_t i = 0; i < sizeof controls / sizeof controls[0]; ++i) {
        const HeaderControl& c = controls[i];
        if (c.id == idHideSolved && quiz->kind != kindPicture) continue;
        HWND control = addControl(panel, c, texts[i]);
        switch (c.font) {
        case HeaderControl::linkFont: makeLinkFont(control); break;
        case HeaderControl::guiFont: setFont(control, gui, true); break;
        case HeaderControl::titleFont: setFont(control, static_cast<HFONT>(quiz->titleFont), false); break;
        case HeaderControl::scoreFont: setFont(control, static_cast<HFONT>(quiz->scoreFont), false); break;
        case HeaderControl::noFont: break;
        }
    }
    headerBrush = CreateSolidBrush(RGB(128, 128, 255));
}

void layOut(HWND panel, int width) {
    HeaderMove moves[headerMoveCount];
    layoutHeaderPanel(width, moves);
    for (const HeaderMove& move : moves) {
        HWND control = GetDlgItem(panel, move.id);
        if (!control) continue;  // "Cacher" exists in picture quizzes only
        SetWindowPos(control, HWND_TOP, move.place.x, move.place.y, move.place.width, move.place.height,
                     SWP_NOOWNERZORDER | SWP_NOACTIVATE);
        if (move.repaint) InvalidateRect(control, nullptr, FALSE);
    }
}

void onCommand(HWND panel, WPARAM command) {
    // The whole parameter is compared, so only clicks act.
    switch (command) {
    case idLink: {
        openLink(theQuiz->linkText);
        break;
    }
    case idSave:
        saveProgress(theQuiz);
        break;
    case idHideSolved:
        relayoutRows(theQuiz);
        break;
    default:
        break;
    }
    (void)panel;
}

void showScore(HWND panel, int solved) {
    char score[32];
    std::snprintf(score, sizeof score, " %d / %d", solved, theQuiz->questionCount);
    SetDlgItemTextA(panel, idScore, score);
    const bool hasCode = solved >= 1 && solved <= maxQuestions;
    SetDlgItemTextA(panel, idCode, hasCode ? theQuiz->codes[solved - 1] : "      ");
}

bool hidingSolved(HWND panel) {
    HWND box = GetDlgItem(panel, idHideSolved);
    return box && SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A dialog gives a message's answer through its DWLP_MSGRESULT slot.
INT_PTR answer(HWND panel, LRESULT result) {
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR colourStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == idLink) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(50, 50, 255));
        return reinterpret_cast<INT_PTR>(headerBrush);
    }
    if (id >= 20 && id <= 33) {
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(headerBrush);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK headerPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        buildHeader(panel);
        return TRUE;
    case WM_SIZE:
        layOut(panel, LOWORD(lParam));
        return FALSE;
    case WM_COMMAND:
        onCommand(panel, wParam);
        return FALSE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(headerBrush);
    case WM_CTLCOLORSTATIC:
        return colourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case headerShowScore:
        showScore(panel, static_cast<int>(wParam));
        return answer(panel, 0);
    case headerHidingSolved:
        return answer(panel, hidingSolved(panel) ? 1 : 0);
    case WM_DESTROY:
        if (headerBrush) DeleteObject(headerBrush);
        headerBrush = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

HWND createHeaderPanel(HWND parent) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HEADER_PANEL), parent, headerPanelProc, 0);
}
