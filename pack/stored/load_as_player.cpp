#include "pack/stored/load_as_player.h"

#include "quiz/messages.h"

namespace {

void silent(const char*, const char*, unsigned) {}

}  // namespace

void LoadedQuizDeleter::operator()(QuizState* quiz) const {
    freeQuestionList(quiz);
    delete quiz;
}

LoadedQuiz loadAsPlayer(const StoredContents& contents, LoadOutcome* outcome) {
    LoadedQuiz quiz(new QuizState);
    setQuizDefaults(quiz.get());
    const MessageSink previous = setMessageSink(silent);
    const LoadReport report = loadQuizContents(quiz.get(), contents);
    setMessageSink(previous);
    if (outcome) {
        *outcome = report.outcome;
    }
    return quiz;
}
