// How many answer fields a quiz has: the numbering the player, its answers
// file and the packer's tools all count by.
#pragma once

#include "quiz/quiz_state.h"

// A text quiz has one field per question whatever the quiz declares, so that
// building, judging, saving, F1 and the score all count the same fields.
inline int fieldsPerQuestion(const QuizState* quiz) {
    return quiz->kind != kindText && quiz->answersPerQuestion == 2 ? 2 : 1;
}

inline int fieldCount(const QuizState* quiz) {
    return quiz->questionCount > 0 ? fieldsPerQuestion(quiz) * quiz->questionCount : 0;
}
