#include <cstring>

#include "panel/check_answer.h"
#include "panel/field_numbers.h"
#include "panel/header_messages.h"
#include "judge/judge_answer.h"
#include "panel/row_layout.h"

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
    SendMessageA(static_cast<HWND>(quiz->headerPanel), headerShowScore, static_cast<WPARAM>(solved), 0);
    relayoutRows(quiz);
}
