#include "panel/check_answer.h"

#include <cstring>

#include "panel/field_numbers.h"
#include "judge/judge_answer.h"
#include "panel/panel_scroll.h"
#include "images/picture_loader.h"
#include "quiz/stored_format.h"

namespace {

bool fieldIsRight(HWND panel, int id, const char* expected) {
    char typed[textSize];
    GetDlgItemTextA(panel, id, typed, sizeof typed);
    return sameAnswer(expected, typed);
}

bool verdictIsRight(HWND panel, int verdictId) {
    char text[255];
    GetDlgItemTextA(panel, verdictId, text, sizeof text);
    return std::strcmp(text, verdictRight) == 0;
}

void showHint(HWND panel, int n, int command) {
    if (HWND hint = GetDlgItem(panel, idHintBase + n)) ShowWindow(hint, command);
}

// Swaps in the picture of the solved question, centred where the old one was.
void swapSolvedPicture(QuizState* quiz, HWND panel, int n) {
    if (quiz->kind != kindPicture) return;
    HWND picture = GetDlgItem(panel, idPictureBase + n);
    const int band = (n - 1) / 3;
    if (!picture || band >= maxBands) return;
    HBITMAP bitmap = loadPicture(GetModuleHandleA(nullptr), solvedPictureId(n), mediaResourceType, 260, quiz->bandHeight[band]);
    if (!bitmap) return;
    const SIZE size = bitmapSize(bitmap);
    RECT place;
    GetWindowRect(picture, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    const int w = place.right - place.left;
    const int h = place.bottom - place.top;
    MoveWindow(picture, place.left + (w - size.cx) / 2, place.top + (h - size.cy) / 2, size.cx, size.cy, TRUE);
    attachPicture(picture, bitmap);
}

void markSolved(QuizState* quiz, HWND panel, QuestionNode* node, int n) {
    node->solved = 1;
    const AnswerMode mode = answerMode(quiz->answerMode);
    if (mode.solvedShowsHint) showHint(panel, n, SW_SHOW);
    if (mode.solvedSwapsPicture) swapSolvedPicture(quiz, panel, n);
    if (mode.solvedWritesHint) SetDlgItemTextA(panel, idHintBase + n, node->hint);
}

// Every hint appears once every answer of the quiz is right, where the mode
// says so.
void revealHintsWhenAllRight(QuizState* quiz, HWND panel) {
    if (!answerMode(quiz->answerMode).allRightShowsHints || quiz->hintsRevealed) return;
    const int count = fieldCount(quiz);
    for (int f = 1; f <= count; ++f) {
        if (!verdictIsRight(panel, idVerdictBase + f)) return;
    }
    quiz->hintsRevealed = 1;
    for (int n = 1; n <= quiz->questionCount; ++n) showHint(panel, n, SW_SHOW);
}

}  // namespace

void checkAnswerField(QuizState* quiz, HWND panel, int id) {
    char shown[255];
    GetDlgItemTextA(panel, id + verdictOffset, shown, sizeof shown);
    const FieldOwner owner = fieldOwner(quiz, id);
    QuestionNode* node = questionAt(quiz, owner.index);
    if (!node) return;
    char typed[textSize];
    GetDlgItemTextA(panel, id, typed, sizeof typed);
    const char* verdict = judgeAnswer(owner.k == 1 ? node->answer : node->secondAnswer, typed);
    if (std::strcmp(verdict, shown) == 0) return;

    SetDlgItemTextA(panel, id + verdictOffset, verdict);
    const int n = owner.index + 1;
    if (std::strcmp(verdict, verdictRight) != 0) {
        if (!answerMode(quiz->answerMode).wrongKeepsHint) showHint(panel, n, SW_HIDE);
        quiz->hintsRevealed = 0;
    } else {
        const int answers = fieldsPerQuestion(quiz);
        int right = 0;
        for (int j = 1; j <= answers; ++j) {
            right += fieldIsRight(panel, fieldId(quiz, n, j), j == 1 ? node->answer : node->secondAnswer);
        }
        if (right == answers) markSolved(quiz, panel, node, n);
    }
    revealHintsWhenAllRight(quiz, panel);
    updateScore(quiz, panel);
}
