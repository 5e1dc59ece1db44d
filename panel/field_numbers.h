// Control ids of the answer fields: field f (from 1) of the whole quiz, field
// k (1 or 2) of question n (from 1).
#pragma once

#include "quiz/answer_fields.h"
#include "panel/panel_ids.h"

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
