#include "panel/row_layout.h"

#include "panel/field_numbers.h"
#include "panel/header_messages.h"
#include "panel/panel_scroll.h"
#include "quiz/stored_format.h"

namespace {

// Row states of rowHidden.
enum { rowShown = 0, rowCollapsed = 1, rowClosedUp = 2 };

void moveWindowBy(HWND panel, HWND control, int dy) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(control, nullptr, place.left, place.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveBy(HWND panel, int id, int dy) {
    if (HWND control = GetDlgItem(panel, id)) moveWindowBy(panel, control, dy);
}

// Both answer captions of every band share one id, so a band's pair is found
// by creation order, two to a band, which the panel's child order keeps.
void moveBandCaptions(HWND panel, int band, int dy) {
    int seen = 0;
    for (HWND child = GetWindow(panel, GW_CHILD); child && seen < 2 * band + 2; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) != idAnswerCaption) continue;
        if (seen++ >= 2 * band) moveWindowBy(panel, child, dy);
    }
}

void show(HWND panel, int id, int command) {
    if (HWND control = GetDlgItem(panel, id)) ShowWindow(control, command);
}

bool hideSolvedTicked(const QuizState* quiz) {
    return SendMessageA(static_cast<HWND>(quiz->headerPanel), headerHidingSolved, 0, 0) == 1;
}

// A closed-up band gives back its picture height, and its hint area when
// hints exist.
int closedBandHeight(const QuizState* quiz, int band) {
    return quiz->bandHeight[band] + (modeHasHintArea(quiz->answerMode) ? 65 : 0);
}

void shiftFollowingRows(QuizState* quiz, HWND panel, int n, int amount, int sign) {
    for (int m = n + 1; m <= quiz->questionCount; ++m) moveRowControls(quiz, RowMove::shift, SW_SHOW, panel, amount, sign, m);
}

// Both passes say whether they moved, showed or hid anything.
bool collapseSolvedRows(QuizState* quiz, HWND panel) {
    bool changed = false;
    int band = 0;
    int collapsed = 0;
    for (int n = 1; n <= quiz->questionCount && band < maxBands; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        if (quiz->rowHidden[n] == rowCollapsed) ++collapsed;
        if (node && node->solved && quiz->rowHidden[n] == rowShown) {
            moveRowControls(quiz, RowMove::collapse, SW_HIDE, panel, quiz->bandHeight[band], -1, n);
            changed = true;
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
    return changed;
}

bool restoreRows(QuizState* quiz, HWND panel) {
    bool changed = false;
    int band = 0;
    for (int n = 1; n <= quiz->questionCount && band < maxBands; ++n) {
        const int state = quiz->rowHidden[n];
        if (state == rowCollapsed || state == rowClosedUp) {
            moveRowControls(quiz, RowMove::restore, SW_SHOW, panel, quiz->bandHeight[band], +1, n);
            changed = true;
        }
        if (state == rowClosedUp) {
            const int d = closedBandHeight(quiz, band);
            quiz->contentHeight += d;
            shiftFollowingRows(quiz, panel, n, d, +1);
        }
        quiz->rowHidden[n] = rowShown;
        if (n % 3 == 0) ++band;
    }
    return changed;
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
    // The captions stand beside the first column's fields and go with them.
    if (fieldsPerQuestion(quiz) == 2 && n % 3 == 1) moveBandCaptions(panel, (n - 1) / 3, dy);
    for (int k = 1; k <= fieldsPerQuestion(quiz); ++k) {
        moveBy(panel, fieldId(quiz, n, k), dy);
        moveBy(panel, fieldId(quiz, n, k) + verdictOffset, dy);
    }
}

void relayoutRows(QuizState* quiz) {
    HWND panel = static_cast<HWND>(quiz->questionPanel);
    if (!panel) return;
    const bool changed = hideSolvedTicked(quiz) ? collapseSolvedRows(quiz, panel) : restoreRows(quiz, panel);
    resetScrollBars(quiz, panel);
    // Moving a control copies its old pixels and hiding a picture leaves its
    // place to the panel's own erasing, which may come after the controls
    // that moved into it have painted: the panel and every control are drawn
    // afresh, at once, so no row is left half drawn.
    if (changed) RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
