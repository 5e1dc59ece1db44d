#include "web/page_round.h"

#include <cstdio>
#include <cstring>

#include "judge/judge_answer.h"
#include "quiz/answer_fields.h"
#include "quiz/stored_format.h"

namespace {

struct Owner {
    int n;  // question from 1
    int k;  // 1: against the answer, 2: against the second answer
};

Owner ownerOf(const PageRound& round, int f) {
    if (fieldsPerQuestion(round.quiz) == 2) return {(f - 1) / 2 + 1, f % 2 == 1 ? 1 : 2};
    return {f, 1};
}

int fieldOf(const PageRound& round, int n, int k) { return fieldsPerQuestion(round.quiz) * (n - 1) + k; }

const char* expectedOf(const QuestionNode* node, int k) { return k == 1 ? node->answer : node->secondAnswer; }

bool validField(const PageRound& round, int f) { return f >= 1 && f <= round.fields; }

bool isRight(const PageRound& round, int f) {
    return round.verdict[f] && std::strcmp(round.verdict[f], verdictRight) == 0;
}

// Hint statics exist in the rows of picture, sound and video quizzes only.
bool hasHints(const QuizState* quiz) { return quiz->kind != kindText && modeHasHintArea(quiz->answerMode); }

void showHint(PageRound* round, int n, bool shown) {
    if (hasHints(round->quiz)) round->hintShown[n] = shown;
}

void markSolved(PageRound* round, QuestionNode* node, int n) {
    node->solved = 1;
    const AnswerMode mode = answerMode(round->quiz->answerMode);
    if (mode.solvedShowsHint) showHint(round, n, true);
    if (mode.solvedSwapsPicture && round->quiz->kind == kindPicture) round->solvedPicture[n] = true;
    if (mode.solvedWritesHint) copyText(round->hintText[n], textSize, node->hint);
}

void revealHintsWhenAllRight(PageRound* round) {
    QuizState* quiz = round->quiz;
    if (!answerMode(quiz->answerMode).allRightShowsHints || quiz->hintsRevealed) return;
    for (int f = 1; f <= round->fields; ++f) {
        if (!isRight(*round, f)) return;
    }
    quiz->hintsRevealed = 1;
    for (int n = 1; n <= quiz->questionCount; ++n) showHint(round, n, true);
}

int countSolved(const PageRound& round) {
    const int answers = fieldsPerQuestion(round.quiz);
    int solved = 0;
    for (int n = 1; n <= round.quiz->questionCount; ++n) {
        int right = 0;
        for (int k = 1; k <= answers; ++k) right += isRight(round, fieldOf(round, n, k));
        solved += right == answers;
    }
    return solved;
}

// The player folds a solved row once while "Cacher" is ticked, and closes a
// band up in the pass that folds its third row; an incomplete last band
// never closes up. Unticked, every row is shown again.
void relayoutRows(PageRound* round) {
    QuizState* quiz = round->quiz;
    if (!round->hideSolved) {
        for (int n = 1; n <= quiz->questionCount; ++n) quiz->rowHidden[n] = pageRowShown;
        return;
    }
    int collapsed = 0;
    for (int n = 1; n <= quiz->questionCount; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        if (quiz->rowHidden[n] == pageRowCollapsed) ++collapsed;
        if (node && node->solved && quiz->rowHidden[n] == pageRowShown) {
            ++collapsed;
            quiz->rowHidden[n] = pageRowCollapsed;
        }
        if (n % 3 == 0) {
            if (collapsed == 3) quiz->rowHidden[n] = pageRowClosedUp;
            collapsed = 0;
        }
    }
}

void updateScore(PageRound* round) {
    round->solvedCount = countSolved(*round);
    relayoutRows(round);
}

}  // namespace

bool fieldHidden(const PageRound& round, int f) {
    const Owner owner = ownerOf(round, f);
    const QuestionNode* node = questionAt(round.quiz, owner.n - 1);
    return owner.k == 2 && node && std::strcmp(node->secondAnswer, "-") == 0;
}

void startRound(PageRound* round, QuizState* quiz, const uint8_t* answers, size_t size) {
    *round = PageRound{};
    round->quiz = quiz;
    round->fields = fieldCount(quiz);
    quiz->hintsRevealed = 0;
    for (int n = 1; n <= maxQuestions; ++n) quiz->rowHidden[n] = pageRowShown;
    for (QuestionNode* node = quiz->head; node; node = node->next) node->solved = 0;
    const AnswerMode mode = answerMode(quiz->answerMode);
    for (int n = 1; n <= quiz->questionCount; ++n) {
        const QuestionNode* node = questionAt(quiz, n - 1);
        if (mode.wordCount) {
            char phrase[32];
            wordCountPhrase(node ? node->answer : "", phrase);
            copyText(round->hintText[n], textSize, phrase);
        } else if (node) {
            copyText(round->hintText[n], textSize, node->hint);
        }
        round->hintShown[n] = mode.wordCount && hasHints(quiz);
    }
    // An empty file is one the player cannot map: it restores nothing.
    const uint8_t* data = size ? answers : nullptr;
    size_t position = 0;
    for (int f = 1; f <= round->fields; ++f) {
        readProgressLine(data, data ? size : 0, &position, round->typed[f]);
        if (fieldHidden(*round, f)) std::strcpy(round->typed[f], "-");
        round->verdict[f] = verdictEmpty;
        judgeField(round, f);
    }
}

void setFieldText(PageRound* round, int f, const char* text) {
    if (!validField(*round, f)) return;
    copyText(round->typed[f], answerFieldLimit + 1, text ? text : "");
}

void judgeField(PageRound* round, int f) {
    if (!validField(*round, f)) return;
    QuizState* quiz = round->quiz;
    const Owner owner = ownerOf(*round, f);
    QuestionNode* node = questionAt(quiz, owner.n - 1);
    if (!node) return;
    const char* verdict = judgeAnswer(expectedOf(node, owner.k), round->typed[f]);
    if (std::strcmp(verdict, round->verdict[f]) == 0) return;

    round->verdict[f] = verdict;
    if (std::strcmp(verdict, verdictRight) != 0) {
        if (!answerMode(quiz->answerMode).wrongKeepsHint) showHint(round, owner.n, false);
        quiz->hintsRevealed = 0;
    } else {
        const int answers = fieldsPerQuestion(quiz);
        int right = 0;
        // A field not yet restored holds no text, so it is not right yet.
        for (int k = 1; k <= answers; ++k) {
            right += sameAnswer(expectedOf(node, k), round->typed[fieldOf(*round, owner.n, k)]);
        }
        if (right == answers) markSolved(round, node, owner.n);
    }
    revealHintsWhenAllRight(round);
    updateScore(round);
}

void fillUnsolvedFields(PageRound* round, int f) {
    if (!validField(*round, f)) return;
    char text[answerFieldLimit + 1];
    std::strcpy(text, round->typed[f]);
    // An empty text would erase every answer not yet right.
    if (text[std::strspn(text, " ")] == '\0') return;
    bool filled[maxFields + 1] = {};
    for (int g = 1; g <= round->fields; ++g) {
        if (isRight(*round, g)) continue;
        std::strcpy(round->typed[g], text);
        filled[g] = true;
    }
    for (int g = 1; g <= round->fields; ++g) {
        if (filled[g]) judgeField(round, g);
    }
    judgeField(round, f);
}

void setHideSolved(PageRound* round, bool hide) {
    round->hideSolved = hide && round->quiz->kind == kindPicture;
    updateScore(round);
}

std::string answersFileBytes(const PageRound& round) {
    std::string bytes;
    for (int f = 1; f <= round.fields; ++f) {
        bytes += round.typed[f];
        bytes += "\r\n";
    }
    return bytes;
}

std::string scoreText(const PageRound& round) {
    char text[32];
    std::snprintf(text, sizeof text, " %d / %d", round.solvedCount, round.quiz->questionCount);
    return text;
}

const char* rewardCode(const PageRound& round) {
    const int solved = round.solvedCount;
    return solved >= 1 && solved <= maxQuestions ? round.quiz->codes[solved - 1] : "      ";
}
