// Numbering of the answer fields: field f (from 1) of the whole quiz, field k
// (1 or 2) of question n (from 1).
#pragma once

#include "panel_ids.h"
#include "quiz_state.h"

// A text quiz has one field per question whatever the quiz declares, so that
// building, judging, saving, F1 and the score all count the same fields.
inline int fieldsPerQuestion(const QuizState* quiz) {
    return quiz->kind != kindText && quiz->answersPerQuestion == 2 ? 2 : 1;
}

inline int fieldCount(const QuizState* quiz) {
    return quiz->questionCount > 0 ? fieldsPerQuestion(quiz) * quiz->questionCount : 0;
}

inline int fieldId(const QuizState* quiz, int n, int k) {
    return idFieldBase + fieldsPerQuestion(quiz) * (n - 1) + k;
}

struct FieldOwner {
    int index;  // question index from 0
    int k;      // 1: judged against `answer`, 2: against `secondAnswer`
};

inline FieldOwner fieldOwner(const QuizState* quiz, int id) {
    const int f = id - idFieldBase;
    if (fieldsPerQuestion(quiz) == 2) return {(f - 1) / 2, f % 2 == 1 ? 1 : 2};
    return {f - 1, 1};
}
