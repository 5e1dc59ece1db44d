#include "pack/stored/load_as_player.h"

#include "quiz/messages.h"

namespace {

// The loader reports through the one message sink, a plain function.
std::vector<LoaderMessage>* recorded = nullptr;

void record(const char* text, const char* caption, unsigned) {
    if (recorded) recorded->push_back({caption, text});
}

}  // namespace

StoredContents storedContents(const uint8_t* contentBlock, const std::vector<uint8_t>& quizResource,
                              const std::vector<uint8_t>& codesResource) {
    StoredContents contents{};
    contents.contentBlock = contentBlock;
    contents.quizResource = quizResource.data();
    contents.quizResourceSize = quizResource.size();
    contents.codesResource = codesResource.data();
    contents.codesResourceSize = codesResource.size();
    return contents;
}

void LoadedQuizDeleter::operator()(QuizState* quiz) const {
    freeQuestionList(quiz);
    delete quiz;
}

PlayerLoad loadLikePlayer(const StoredContents& contents) {
    PlayerLoad load{LoadedQuiz(new QuizState), {}, {}};
    setQuizDefaults(load.quiz.get());
    recorded = &load.messages;
    const MessageSink previous = setMessageSink(record);
    load.report = loadQuizContents(load.quiz.get(), contents);
    setMessageSink(previous);
    recorded = nullptr;
    return load;
}

LoadedQuiz loadAsPlayer(const StoredContents& contents, LoadOutcome* outcome) {
    PlayerLoad load = loadLikePlayer(contents);
    if (outcome) *outcome = load.report.outcome;
    return std::move(load.quiz);
}
