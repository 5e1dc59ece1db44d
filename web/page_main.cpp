// The page's WebAssembly module: the quiz carried by the page is loaded with
// the player's own loader, and every answer is judged by the player's own
// code. The script calls these functions and shows what they return.
#include <emscripten/emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "images/picture_math.h"
#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/page_bundle.h"
#include "quiz/quiz_loader.h"
#include "quiz/stored_format.h"
#include "quiz/windows1252.h"
#include "web/page_json.h"
#include "web/page_round.h"

namespace {

QuizState quiz;
std::vector<uint8_t> bundleBytes;
PageBundle bundle;
PageRound round;
std::vector<PageMessage> messages;
std::string reply;                // the last text handed to the script
std::vector<uint8_t> mediaBytes;  // the last picture or clip handed to the script

void record(const char* text, const char* caption, unsigned) {
    messages.push_back({windows1252ToUtf8(caption), windows1252ToUtf8(text)});
}

const char* hand(std::string text) {
    reply = std::move(text);
    return reply.c_str();
}

}  // namespace

extern "C" {

// Loads the quiz from the page's bytes and starts a round with the saved
// answers (empty: none). Returns 0 when the bytes are no quiz at all.
EMSCRIPTEN_KEEPALIVE int vyrlaOpen(const uint8_t* data, size_t size, const uint8_t* answers, size_t answersSize) {
    bundleBytes.assign(data, data + size);
    const char* error = nullptr;
    if (!readPageBundle(bundleBytes.data(), bundleBytes.size(), &bundle, &error)) {
        messages.push_back({"Vyrla", error});
        return 0;
    }
    const BundleResource* quizResource = findBundleResource(bundle, bundlePatch, quizResourceId);
    const BundleResource* codesResource = findBundleResource(bundle, bundlePatch, codesResourceId);
    freeQuestionList(&quiz);
    setQuizDefaults(&quiz);
    StoredContents contents{};
    contents.contentBlock = bundle.contentBlock;
    contents.quizResource = quizResource ? quizResource->bytes : nullptr;
    contents.quizResourceSize = quizResource ? quizResource->size : 0;
    contents.codesResource = codesResource ? codesResource->bytes : nullptr;
    contents.codesResourceSize = codesResource ? codesResource->size : 0;
    const MessageSink previous = setMessageSink(record);
    loadQuizContents(&quiz, contents);
    setMessageSink(previous);
    startRound(&round, &quiz, answers, answersSize);
    return 1;
}

// Starts again from an answers file, as when the player is opened again.
EMSCRIPTEN_KEEPALIVE void vyrlaRestore(const uint8_t* answers, size_t size) {
    startRound(&round, &quiz, answers, size);
}

EMSCRIPTEN_KEEPALIVE const char* vyrlaQuiz() { return hand(quizJson(quiz, bundle, messages)); }

EMSCRIPTEN_KEEPALIVE const char* vyrlaState() { return hand(stateJson(round)); }

// The typed text arrives as UTF-8; the field holds Windows-1252, with "?"
// for a character it has no byte for, as a field of the player does.
EMSCRIPTEN_KEEPALIVE void vyrlaSetText(int field, const char* utf8) {
    setFieldText(&round, field, utf8ToWindows1252(utf8 ? utf8 : "", nullptr).c_str());
}

EMSCRIPTEN_KEEPALIVE void vyrlaJudge(int field) { judgeField(&round, field); }

EMSCRIPTEN_KEEPALIVE void vyrlaFill(int field) { fillUnsolvedFields(&round, field); }

EMSCRIPTEN_KEEPALIVE void vyrlaHideSolved(int hide) { setHideSolved(&round, hide != 0); }

// The answers file's bytes; their length in *size.
EMSCRIPTEN_KEEPALIVE const char* vyrlaAnswers(size_t* size) {
    reply = answersFileBytes(round);
    *size = reply.size();
    return reply.data();
}

// A picture (kind 'I' or 'R') or clip as a file, by resource id; null when
// there is none. Pictures stored with their halves exchanged come back whole.
EMSCRIPTEN_KEEPALIVE const uint8_t* vyrlaMedia(int id, size_t* size) {
    bool swapped = true;
    const BundleResource* resource = findBundleResource(bundle, bundleImage, id);
    if (!resource) {
        resource = findBundleResource(bundle, bundleRawData, id);
        swapped = false;
    }
    *size = 0;
    if (!resource) return nullptr;
    mediaBytes.assign(resource->bytes, resource->bytes + resource->size);
    const bool picture = quiz.kind == kindPicture;
    if (picture && swapped) swapNibbles(mediaBytes.data(), mediaBytes.size());
    *size = mediaBytes.size();
    return mediaBytes.data();
}

}  // extern "C"
