#include "row_layout.h"

#include "field_numbers.h"
#include "header_ids.h"
#include "panel_scroll.h"

namespace {

// Row states of rowHidden.
enum { rowShown = 0, rowCollapsed = 1, rowClosedUp = 2 };

void moveBy(HWND panel, int id, int dy) {
    HWND control = GetDlgItem(panel, id);
    if (!control) return;
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(control, nullptr, place.left, place.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void show(HWND panel, int id, int command) {
    if (HWND control = GetDlgItem(panel, id)) ShowWindow(control, command);
}

bool hideSolvedTicked(const QuizState* quiz) {
    HWND box = GetDlgItem(static_cast<HWND>(quiz->headerPanel), idHideSolved);
    return box && SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A closed-up band gives back its picture height, and its hint area when
// hints exist.
int closedBandHeight(const QuizState* quiz, int band) {
    return quiz->bandHeight[band] + (quiz->answerMode > 1 ? 65 : 0);
}

void shiftFollowingRows(QuizState* quiz, HWND panel, int n, int amount, int sign) {
    for (int m = n + 1; m <= quiz->questionCount; ++m) moveRowControls(quiz, RowMove::shift, SW_SHOW, panel, amount, sign, m);
}

void collapseSolvedRows(QuizState* quiz, HWND panel) {
    int band = 0;
    int collapsed = 0;
    for (int n = 1; n <= quiz->questionCount && band < maxBands; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        if (quiz->rowHidden[n] == rowCollapsed) ++collapsed;
        if (node && node->solved && quiz->rowHidden[n] == rowShown) {
            moveRowControls(quiz, RowMove::collapse, SW_HIDE, panel, quiz->bandHeight[band], -1, n);
            ++collapsed;
            quiz->rowHidden[n] = rowCollapsed;
        }
        if (n % 3 == 0) {
            // A band closes up once, in the pass in which its third row
            // collapses; an incomplete last band never does.
            if (collapsed == 3) {
                const int d = closedBandHeight(quiz, band);
                shiftFollowingRows(quiz, panel, n, d, -1);
                quiz->contentHeight -= d;
                quiz->rowHidden[n] = rowClosedUp;
            }
            ++band;
            collapsed = 0;
        }
    }
}

void restoreRows(QuizState* quiz, HWND panel) {
    int band = 0;
    for (int n = 1; n <= quiz->questionCount && band < maxBands; ++n) {
        const int state = quiz->rowHidden[n];
        if (state == rowCollapsed || state == rowClosedUp) {
            moveRowControls(quiz, RowMove::restore, SW_SHOW, panel, quiz->bandHeight[band], +1, n);
        }
        if (state == rowClosedUp) {
            const int d = closedBandHeight(quiz, band);
            quiz->contentHeight += d;
            shiftFollowingRows(quiz, panel, n, d, +1);
        }
        quiz->rowHidden[n] = rowShown;
        if (n % 3 == 0) ++band;
    }
}

}  // namespace

void moveRowControls(QuizState* quiz, RowMove move, int showCommand, HWND panel, int amount, int sign, int n) {
    const int dy = amount * sign;
    if (move == RowMove::shift) {
        moveBy(panel, idPictureBase + n, dy);
        moveBy(panel, idHintBase + n, dy);
    } else {
        show(panel, idPictureBase + n, showCommand);
        show(panel, idHintBase + n, showCommand);
    }
    moveBy(panel, idNumberBase + n, dy);
    for (int k = 1; k <= fieldsPerQuestion(quiz); ++k) {
        moveBy(panel, fieldId(quiz, n, k), dy);
        moveBy(panel, fieldId(quiz, n, k) + verdictOffset, dy);
    }
}

void relayoutRows(QuizState* quiz) {
    HWND panel = static_cast<HWND>(quiz->questionPanel);
    if (!panel) return;
    if (hideSolvedTicked(quiz)) {
        collapseSolvedRows(quiz, panel);
    } else {
        restoreRows(quiz, panel);
    }
    resetScrollBars(quiz, panel);
}
