#include "panel/question_panel.h"

#include <cstdio>
#include <cstring>

#include "panel/answer_field.h"
#include "panel/check_answer.h"
#include "panel/field_numbers.h"
#include "judge/judge_answer.h"
#include "media/media_player.h"
#include "panel/panel_ids.h"
#include "panel/panel_scroll.h"
#include "images/picture_loader.h"
#include "images/picture_math.h"
#include "panel/row_pictures.h"
#include "panel/progress_file.h"
#include "resources/resource_ids.h"
#include "panel/row_geometry.h"
#include "quiz/stored_format.h"

namespace {

HBRUSH bravoBrush;
HICON playIcon;
HICON stopIcon;

constexpr DWORD fieldStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_CENTER | ES_AUTOHSCROLL;
constexpr DWORD verdictStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTER | SS_CENTERIMAGE;

HWND addControl(HWND panel, const char* className, const char* text, DWORD style, const Placement& at, int id,
                HFONT font = nullptr) {
    HWND control = CreateWindowExA(0, className, text, style, at.x, at.y, at.width, at.height, panel,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    if (font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

HFONT guiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HFONT createQuestionFont() {
    LOGFONTA description{};
    description.lfHeight = 15;
    description.lfWeight = 100;
    return CreateFontIndirectA(&description);
}

// An answer field with its verdict static, filled with its saved line and
// judged at once so that verdicts and score are restored.
HWND addAnswerField(QuizState* quiz, HWND panel, ProgressReader* progress, const Placement& fieldAt,
                    const Placement& verdictAt, int id, HFONT verdictFont, bool hidden) {
    char saved[answerFieldLimit + 1];
    nextProgressLine(progress, saved);
    if (hidden) std::strcpy(saved, "-");
    HWND field = addControl(panel, "Edit", saved, fieldStyle, fieldAt, id, static_cast<HFONT>(quiz->questionFont));
    SendMessageA(field, EM_LIMITTEXT, answerFieldLimit, 0);
    HWND verdict = addControl(panel, "Static", verdictEmpty, verdictStyle, verdictAt, id + verdictOffset, verdictFont);
    if (hidden) {
        ShowWindow(field, SW_HIDE);
        ShowWindow(verdict, SW_HIDE);
    }
    attachAnswerFieldProc(field);
    checkAnswerField(quiz, panel, id);
    return field;
}

void buildTextRows(QuizState* quiz, HWND panel, ProgressReader* progress) {
    int y = firstRowTop;
    for (int n = 1; n <= quiz->questionCount; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        const TextRow row = textRow(y);
        char number[16];
        std::snprintf(number, sizeof number, "%d.", n);
        addControl(panel, "Static", number, WS_CHILD | WS_VISIBLE | SS_RIGHT, row.number, idNumberBase);
        addControl(panel, "Static", node ? node->prompt : "", WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTER | SS_CENTERIMAGE,
                   row.question, idQuestionText, static_cast<HFONT>(quiz->questionFont));
        addAnswerField(quiz, panel, progress, row.field, row.verdict, idFieldBase + n, nullptr, false);
        y += textRowHeight;
        quiz->contentWidth = textCanvasWidth;
        quiz->contentHeight = y;
    }
}

struct BandPictures {
    HBITMAP bitmaps[3];
    SIZE sizes[3];
};

// The three pictures of the band that starts with question n; the band's
// height is the tallest of them. A picture whose size its header tells is
// decoded later, when it comes into view.
int loadBandPictures(const QuizState* quiz, int n, BandPictures* band) {
    int height = 0;
    HMODULE self = GetModuleHandleA(nullptr);
    for (int c = 0; c < 3; ++c) {
        const int id = pictureId(n + c);
        SIZE size{};
        band->bitmaps[c] = nullptr;
        if (n + c <= quiz->questionCount && pictureResourceSize(self, id, mediaResourceType, &size)) {
            const PictureSize fit = fitToBox(size.cx, size.cy, pictureBox, pictureBox);
            band->sizes[c] = {fit.width, fit.height};
            setPicturePending(n + c);
        } else {
            band->bitmaps[c] = loadPicture(self, id, mediaResourceType, pictureBox, pictureBox);
            band->sizes[c] = band->bitmaps[c] ? bitmapSize(band->bitmaps[c]) : SIZE{pictureBox, 0};
        }
        if (band->sizes[c].cy > height) height = band->sizes[c].cy;
    }
    return height;
}

void addHintStatic(QuizState* quiz, HWND panel, const QuestionNode* node, const Placement& at, int n) {
    const bool wordCount = answerMode(quiz->answerMode).wordCount;
    char phrase[32] = "";
    if (wordCount) wordCountPhrase(node ? node->answer : "", phrase);
    const char* text = wordCount ? phrase : (node ? node->hint : "");
    const DWORD style = WS_CHILD | SS_CENTER | (wordCount ? WS_VISIBLE : 0);
    addControl(panel, "Static", text, style, at, idHintBase + n, guiFont());
}

bool isMediaKind(const QuizState* quiz) { return quiz->kind == kindSound || quiz->kind == kindVideo; }

// Plain push buttons: the panel has no default button, so Enter in an answer
// field judges the answer and never presses play.
void addMediaButtons(HWND panel, const BandRow& row, int n) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_ICON | BS_PUSHBUTTON;
    HWND play = addControl(panel, "Button", "", style, row.play, idPlayBase + n);
    HWND stop = addControl(panel, "Button", "", style, row.stop, idStopBase + n);
    SendMessageA(play, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(playIcon));
    SendMessageA(stop, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(stopIcon));
}

void buildBandRows(QuizState* quiz, HWND panel, ProgressReader* progress) {
    const int answers = fieldsPerQuestion(quiz);
    const int afterAnswers = bandAnswerHeight(quiz->answerMode);
    int y = firstRowTop;
    int band = 0;
    BandPictures pictures{};
    for (int n = 1; n <= quiz->questionCount; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        const int column = (n - 1) % 3;
        if (quiz->kind == kindPicture && column == 0 && band < maxBands) {
            quiz->bandHeight[band++] = loadBandPictures(quiz, n, &pictures);
        }
        const int bandHeight = quiz->kind == kindPicture ? quiz->bandHeight[(n - 1) / 3 % maxBands] : 0;
        const SIZE size = pictures.sizes[column];
        const BandRow row = bandRow(quiz->kind, answers, n, y, bandHeight, size.cx, size.cy);

        HWND top = addControl(panel, "Static", "",
                              WS_CHILD | WS_VISIBLE | WS_BORDER | (quiz->kind == kindPicture ? SS_BITMAP | SS_CENTERIMAGE : 0),
                              row.top, idPictureBase + n);
        // The picture goes in before the fields are judged: a restored right
        // answer may swap in the solved picture, which must not be overwritten.
        if (quiz->kind == kindPicture) {
            attachPicture(top, pictures.bitmaps[column]);
            pictures.bitmaps[column] = nullptr;
        }
        // A row whose player cannot be made still gets every other control,
        // so that its answers are shown, judged and saved.
        if (isMediaKind(quiz)) createPlayer(n, top);
        if (answers == 2 && column == 0) {
            addControl(panel, "Static", quiz->answerCaption1, WS_CHILD | WS_VISIBLE, row.captions[0], idAnswerCaption, guiFont());
            addControl(panel, "Static", quiz->answerCaption2, WS_CHILD | WS_VISIBLE, row.captions[1], idAnswerCaption, guiFont());
        }
        char number[16];
        std::snprintf(number, sizeof number, "%d.", n);
        addControl(panel, "Static", number, WS_CHILD | WS_VISIBLE | SS_RIGHT, row.number, idNumberBase + n);
        if (modeHasHintArea(quiz->answerMode)) addHintStatic(quiz, panel, node, row.hint, n);

        for (int k = 1; k <= answers; ++k) {
            const bool hidden = k == 2 && node && std::strcmp(node->secondAnswer, "-") == 0;
            addAnswerField(quiz, panel, progress, row.fields[k - 1], row.verdicts[k - 1], fieldId(quiz, n, k),
                           answers == 2 ? guiFont() : nullptr, hidden);
        }
        if (isMediaKind(quiz)) addMediaButtons(panel, row, n);

        if (n % 3 == 1) {
            quiz->contentWidth = bandCanvasWidth;
            quiz->contentHeight = row.answerTop + afterAnswers;
        }
        if (n % 3 == 0) y = row.answerTop + afterAnswers;
    }
    // Pictures loaded for places past the last question are never shown.
    for (HBITMAP bitmap : pictures.bitmaps) {
        if (bitmap) DeleteObject(bitmap);
    }
}

void buildPanel(QuizState* quiz, HWND panel) {
    if (!bravoBrush) bravoBrush = CreateSolidBrush(RGB(0, 255, 0));
    quiz->contentWidth = 0;
    quiz->contentHeight = 0;
    if (isMediaKind(quiz)) {
        playIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PLAY), IMAGE_ICON, 16, 16, 0));
        stopIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_STOP), IMAGE_ICON, 16, 16, 0));
    }
    clearPendingPictures();
    ProgressReader progress{};
    openProgress(&progress);
    if (quiz->questionFont) DeleteObject(quiz->questionFont);
    quiz->questionFont = createQuestionFont();
    if (quiz->kind == kindText) {
        buildTextRows(quiz, panel, &progress);
    } else if (quiz->kind >= kindPicture && quiz->kind <= kindVideo) {
        buildBandRows(quiz, panel, &progress);
    }
    quiz->contentWidth += canvasRightMargin(fieldsPerQuestion(quiz));
    closeProgress(&progress);
    setScrollRanges(quiz, panel);
    queueVisiblePictures(quiz, panel);
}

bool isVerdict(int id) { return id > idVerdictBase && id <= idVerdictBase + 2 * maxQuestions; }
bool isLabel(int id) {
    return id == idAnswerCaption || (id >= idNumberBase && id <= idNumberBase + maxQuestions) ||
           (id > idHintBase && id <= idHintBase + maxQuestions);
}

INT_PTR colourStatic(QuizState* quiz, HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (isLabel(id)) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, quiz->red > 69 || quiz->green > 69 ? RGB(0, 0, 0) : RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(quiz->backgroundBrush);
    }
    if (id == idQuestionText) {
        SetBkColor(dc, RGB(255, 255, 192));
        return reinterpret_cast<INT_PTR>(quiz->promptBrush);
    }
    if (!isVerdict(id)) return 0;
    char text[255];
    GetWindowTextA(control, text, sizeof text);
    // The letters sit on the colour of their box.
    struct Colour {
        const char* word;
        HBRUSH brush;
        COLORREF colour;
    };
    const Colour colours[] = {
        {verdictRight, bravoBrush, RGB(0, 255, 0)},
        {verdictWrong, static_cast<HBRUSH>(quiz->failBrush), RGB(255, 0, 0)},
        {verdictAnagram, static_cast<HBRUSH>(quiz->anagramBrush), RGB(255, 100, 0)},
    };
    if (std::strcmp(text, verdictEmpty) == 0) return 0;
    for (const Colour& c : colours) {
        if (std::strcmp(text, c.word) == 0) {
            SetBkColor(dc, c.colour);
            return reinterpret_cast<INT_PTR>(c.brush);
        }
    }
    SetBkColor(dc, RGB(255, 203, 38));
    return reinterpret_cast<INT_PTR>(quiz->hintBrush);
}

void releasePanel() {
    if (bravoBrush) DeleteObject(bravoBrush);
    bravoBrush = nullptr;
}

// Only the play and stop buttons of sound and video quizzes give commands.
// The whole parameter is compared with the button ids, so only clicks act.
void onCommand(const QuizState* quiz, WPARAM command) {
    if (!isMediaKind(quiz)) return;
    if (command > idPlayBase && command <= idPlayBase + maxQuestions) {
        playMedia(static_cast<int>(command - idPlayBase));
    } else if (command > idStopBase && command <= idStopBase + maxQuestions) {
        stopMedia();
    }
}

// Whatever the kind: with no players and no file these do nothing.
void onClose() {
    releasePanel();
    closeMediaPlayers();
}

// The players go with the panel, and so before the shell shuts COM down.
void onDestroy() {
    releasePanel();
    releaseMediaPlayers();
}

// Asked by the dialog keyboard handling when Enter is pressed outside a
// button: there is no default button to press.
INT_PTR noDefaultButton(HWND panel) {
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, 0);
    return TRUE;
}

void onSize(QuizState* quiz, HWND panel) { resetScrollBars(quiz, panel); }

}  // namespace

INT_PTR CALLBACK questionPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    QuizState* quiz = theQuiz;
    switch (message) {
    case WM_INITDIALOG:
        buildPanel(quiz, panel);
        return TRUE;
    case WM_SIZE:
        onSize(quiz, panel);
        return 0;
    case WM_VSCROLL:
        scrollVertically(panel, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        scrollHorizontally(panel, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        // Handled here, so the platform does not pass it on to MainWindow,
        // which would scroll a second time for the same notch.
        wheelToScroll(panel, wParam);
        SetWindowLongPtrA(panel, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(quiz->backgroundBrush);
    case WM_CTLCOLORSTATIC:
        return colourStatic(quiz, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
        onCommand(quiz, wParam);
        return 0;
    case WM_TIMER:
        if (wParam == pictureTimer) decodeNextPicture(quiz, panel);
        return 0;
    case DM_GETDEFID:
        return noDefaultButton(panel);
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    default:
        return 0;
    }
}

HWND createQuestionPanel(HWND parent) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_QUESTION_PANEL), parent,
                              questionPanelProc, 0);
}
