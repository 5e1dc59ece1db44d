#include <cstdio>
#include <cstring>

#include "check_answer.h"
#include "field_numbers.h"
#include "header_ids.h"
#include "judge_answer.h"
#include "row_layout.h"

void updateScore(QuizState* quiz, HWND panel) {
    const int answers = fieldsPerQuestion(quiz);
    int solved = 0;
    for (int n = 1; n <= quiz->questionCount; ++n) {
        int right = 0;
        for (int k = 1; k <= answers; ++k) {
            char text[255];
            GetDlgItemTextA(panel, fieldId(quiz, n, k) + verdictOffset, text, sizeof text);
            right += std::strcmp(text, verdictRight) == 0;
        }
        solved += right == answers;
    }
    HWND header = static_cast<HWND>(quiz->headerPanel);
    char score[32];
    std::snprintf(score, sizeof score, " %d / %d", solved, quiz->questionCount);
    SetDlgItemTextA(header, idScore, score);
    const bool hasCode = solved >= 1 && solved <= maxQuestions;
    SetDlgItemTextA(header, idCode, hasCode ? quiz->codes[solved - 1] : "      ");
    relayoutRows(quiz);
}
