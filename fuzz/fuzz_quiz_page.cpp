// A quiz page's data, as the page reads it and as the packer reads it back.
//
// Input starting with "<": a whole page, read back by the packer (finding
// the data, base64, the bundle); every resource it gives must lie within
// the ids a quiz uses. Otherwise: the bundle's bytes, loaded as the page
// loads them, then a round played on them (the input is also the answers
// file), with every field typed, judged and filled, and the state written
// out. Every verdict, text and answers line must stay within its field.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/require.h"
#include "judge/judge_answer.h"
#include "pack/web/quiz_page.h"
#include "quiz/messages.h"
#include "quiz/page_bundle.h"
#include "quiz/quiz_loader.h"
#include "quiz/stored_format.h"
#include "web/page_json.h"
#include "web/page_round.h"

namespace {

constexpr size_t maxInput = 1 << 18;

void quiet(const char*, const char*, unsigned) {}

void readBackPage(const uint8_t* data, size_t size) {
    StoredQuiz stored;
    std::string error;
    if (!storedQuizOfPage(std::vector<uint8_t>(data, data + size), &stored, &error)) {
        require(!error.empty());
        return;
    }
    for (const StoredMedia& media : stored.media) {
        require(media.id > firstPictureId && media.id <= firstSolvedPictureId + maxQuestions);
    }
}

void playBundle(const uint8_t* data, size_t size) {
    PageBundle bundle;
    const char* error = nullptr;
    if (!readPageBundle(data, size, &bundle, &error)) {
        require(error != nullptr);
        return;
    }
    for (const BundleResource& resource : bundle.resources) {
        require(resource.bytes >= data && resource.bytes + resource.size <= data + size);
    }
    static QuizState quiz;
    freeQuestionList(&quiz);
    setQuizDefaults(&quiz);
    const BundleResource* quizResource = findBundleResource(bundle, bundlePatch, quizResourceId);
    const BundleResource* codes = findBundleResource(bundle, bundlePatch, codesResourceId);
    const StoredContents contents{bundle.contentBlock, quizResource ? quizResource->bytes : nullptr,
                                  quizResource ? quizResource->size : 0, codes ? codes->bytes : nullptr,
                                  codes ? codes->size : 0};
    loadQuizContents(&quiz, contents);
    require(quizJson(quiz, bundle, {}).back() == '}');

    static PageRound round;
    startRound(&round, &quiz, data, size);
    const std::string typed(reinterpret_cast<const char*>(data), std::min<size_t>(size, 120));
    for (int f = 1; f <= round.fields; ++f) {
        setFieldText(&round, f, typed.c_str() + f % (typed.size() + 1));
        judgeField(&round, f);
        require(std::strlen(round.typed[f]) <= size_t(answerFieldLimit));
    }
    if (round.fields > 0) fillUnsolvedFields(&round, 1);
    setHideSolved(&round, true);
    require(round.solvedCount >= 0 && round.solvedCount <= quiz.questionCount);
    require(stateJson(round).back() == '}');
    const std::string answers = answersFileBytes(round);
    require(answers.size() <= size_t(round.fields) * (answerFieldLimit + 2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxInput) return 0;
    setMessageSink(quiet);
    if (size > 0 && data[0] == '<') {
        readBackPage(data, size);
    } else {
        playBundle(data, size);
    }
    return 0;
}
