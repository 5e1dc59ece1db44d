#include "quiz/quiz_state.h"

#include <cstdlib>
#include <cstring>

QuizState* theQuiz = nullptr;

namespace {

void* allocateNode(size_t size) {
    return std::malloc(size);
}

NodeAllocator nodeAllocator = allocateNode;

}  // namespace

NodeAllocator setNodeAllocator(NodeAllocator allocator) {
    NodeAllocator previous = nodeAllocator;
    nodeAllocator = allocator ? allocator : allocateNode;
    return previous;
}

void copyText(char* field, int size, const char* text) {
    if (size <= 0) {
        return;
    }
    size_t length = 0;
    if (text) {
        const size_t room = static_cast<size_t>(size) - 1;
        while (length < room && text[length] != '\0') {
            ++length;
        }
        std::memcpy(field, text, length);
    }
    field[length] = '\0';
}

void setQuizDefaults(QuizState* quiz) {
    // Everything construction leaves unset (captions, codes, link and footer
    // texts, layout, handles) starts as empty texts, zeros and no handles.
    std::memset(quiz, 0, sizeof *quiz);
    quiz->head = nullptr;
    quiz->tail = nullptr;
    quiz->kind = kindText;
    copyText(quiz->title, textSize, "nom du vyrla");
    copyText(quiz->author, textSize, " createur");
    quiz->questionCount = 2;
    // The colour value and its components disagree until a load sets both.
    quiz->red = 90;
    quiz->green = 95;
    quiz->blue = 150;
    quiz->color = 0xFF6633;
    quiz->answersPerQuestion = 1;
    quiz->answerMode = 0;
    quiz->hintsRevealed = 0;
    quiz->mediaDir[0] = '\0';
}

void appendQuestion(QuizState* quiz, const char* answer, const char* secondAnswer, const char* prompt) {
    QuestionNode scratch;
    std::memset(&scratch, 0, sizeof scratch);
    copyText(scratch.answer, textSize, answer);
    copyText(scratch.secondAnswer, textSize, secondAnswer);
    copyText(scratch.prompt, textSize, prompt);

    auto* node = static_cast<QuestionNode*>(nodeAllocator(sizeof(QuestionNode)));
    if (!node) {
        // The count is left as it is: lookups for the missing numbers find
        // the last node that exists.
        return;
    }
    std::memset(node, 0, sizeof *node);
    std::memcpy(node->answer, scratch.answer, sizeof node->answer);
    std::memcpy(node->secondAnswer, scratch.secondAnswer, sizeof node->secondAnswer);
    std::memcpy(node->prompt, scratch.prompt, sizeof node->prompt);

    node->prev = quiz->tail;
    if (quiz->tail) {
        quiz->tail->next = node;
    }
    if (!quiz->head) {
        quiz->head = node;
    }
    quiz->tail = node;
}

QuestionNode* questionAt(const QuizState* quiz, int index) {
    QuestionNode* node = quiz->head;
    for (int step = 0; node && step < index && node->next; ++step) {
        node = node->next;
    }
    return node;
}

void freeQuestionList(QuizState* quiz) {
    QuestionNode* node = quiz->head;
    while (node) {
        QuestionNode* next = node->next;
        std::free(node);
        node = next;
    }
    quiz->head = nullptr;
    quiz->tail = nullptr;
}
