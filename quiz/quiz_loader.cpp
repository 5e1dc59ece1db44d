// The loader expands each content as stored and unscrambles it only when that
// expansion fails: the expander is the test of whether a content is scrambled.
#include "quiz/quiz_loader.h"

#include <cstring>
#include <new>

#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_texts.h"
#include "quiz/scramble.h"
#include "quiz/stored_format.h"

namespace {

// One expanded content; frees its block when it goes out of scope.
class Expanded {
public:
    Expanded() = default;
    Expanded(const Expanded&) = delete;
    Expanded& operator=(const Expanded&) = delete;
    ~Expanded() { release(); }

    void release() {
        if (block_) {
            lzwFree(block_);
            block_ = nullptr;
        }
        reportedLength_ = 0;
    }

    // Expands `input`; true on success. Any block handed back is kept until
    // the next expansion or release, whatever the result.
    bool expand(const uint8_t* input, size_t length) {
        release();
        uint8_t* block = nullptr;
        int32_t reported = 0;
        const int32_t result = lzwExpand(input, length, &block, &reported);
        block_ = block;
        reportedLength_ = block ? reported : 0;
        return result == lzwOk && block_ && reportedLength_ >= 2;
    }

    const uint8_t* bytes() const { return block_; }
    // The bytes produced: the reported length counts two more.
    size_t produced() const { return static_cast<size_t>(reportedLength_) - 2; }

private:
    uint8_t* block_ = nullptr;
    int32_t reportedLength_ = 0;
};

// A heap copy of stored bytes. The stored bytes may sit on read-only pages
// (resources, the player's own data), so they are unscrambled in a copy.
class ScratchCopy {
public:
    ScratchCopy(const uint8_t* bytes, size_t length)
        : bytes_(length ? new (std::nothrow) uint8_t[length] : nullptr), length_(bytes_ ? length : 0) {
        if (bytes_) {
            std::memcpy(bytes_, bytes, length);
        }
    }
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;
    ~ScratchCopy() { delete[] bytes_; }

    uint8_t* bytes() { return bytes_; }
    size_t length() const { return length_; }

private:
    uint8_t* bytes_;
    size_t length_;
};

// Expands a content as stored, or else unscrambled from *keyPosition, which
// moves on by the bytes unscrambled. Sets *unscrambled when the stored form
// did not expand.
bool expandContent(const uint8_t* stored, size_t length, int* keyPosition, Expanded* expanded,
                   bool* unscrambled) {
    // A missing content is zero bytes, which never expand.
    static const uint8_t nothing[1] = {0};
    if (!stored) {
        stored = nothing;
        length = 0;
    }
    if (expanded->expand(stored, length)) {
        return true;
    }
    *unscrambled = true;
    ScratchCopy copy(stored, length);
    if (length && !copy.bytes()) {
        expanded->release();
        return false;
    }
    scrambleWithKey(copy.bytes(), copy.length(), keyPosition);
    return expanded->expand(copy.bytes(), copy.length());
}

void tell(const char* text) {
    showMessage(text, captionVyrla, messageOk);
}

// Shown when the quiz resource is missing: a picture quiz that declares seven
// questions but holds two, so questions 3 to 7 find the second by the lookup rule.
void buildFallbackQuiz(QuizState* quiz) {
    tell(contentKey);
    copyText(quiz->title, textSize, "Nom du vyrla");
    copyText(quiz->author, textSize, "Createur vyrla");
    copyText(quiz->description, textSize, "Explications du vyrla");
    copyText(quiz->answerCaption1, textSize, "TEST");
    copyText(quiz->answerCaption2, textSize, "TEST");
    quiz->questionCount = 7;
    quiz->answersPerQuestion = 1;
    quiz->color = 0xFF6633;
    quiz->answerMode = 3;
    quiz->red = 51;
    quiz->blue = 255;
    quiz->kind = kindPicture;
    quiz->green = 102;
    appendQuestion(quiz, "TEST", "TEST", "emplacement");
    appendQuestion(quiz, "TEST", "TEST", "emplacement");
}

void applyParsedQuiz(QuizState* quiz, const ParsedQuiz& parsed) {
    quiz->kind = parsed.kind;
    quiz->questionCount = parsed.questionCount;
    quiz->answersPerQuestion = parsed.answersPerQuestion;
    copyText(quiz->title, textSize, parsed.title);
    copyText(quiz->author, textSize, parsed.author);
    copyText(quiz->description, textSize, parsed.description);
    copyText(quiz->answerCaption1, textSize, parsed.answerCaption1);
    copyText(quiz->answerCaption2, textSize, parsed.answerCaption2);
    for (int i = 0; i < parsed.questionCount; ++i) {
        const ParsedQuestion& question = parsed.questions[i];
        appendQuestion(quiz, question.answer, question.secondAnswer, question.prompt);
    }
    quiz->answerMode = parsed.answerMode;
    if (answerMode(parsed.answerMode).storedTexts > 0) {
        // Through the lookup rule, as every part finds its questions: should
        // an append have failed, the later hints land on the last node.
        for (int i = 0; i < parsed.questionCount; ++i) {
            if (QuestionNode* node = questionAt(quiz, i)) {
                copyText(node->hint, textSize, parsed.questions[i].hint);
            }
        }
    }
    quiz->red = parsed.red;
    quiz->green = parsed.green;
    quiz->blue = parsed.blue;
    quiz->color = static_cast<ColourRef>(parsed.red) | static_cast<ColourRef>(parsed.green) << 8 |
                  static_cast<ColourRef>(parsed.blue) << 16;
}

}  // namespace

LoadReport loadQuizContents(QuizState* quiz, const StoredContents& contents) {
    LoadReport report{};
    report.outcome = LoadOutcome::loaded;

    // The key position carries from the ContentBlock to the quiz resource:
    // a quiz resource is unscrambled from where the ContentBlock's key ended
    // (0 when it was stored plain), and the codes start again from 0.
    int keyPosition = 0;

    Expanded expanded;
    char linkText[linkTextSize] = {};
    char footerText[footerTextSize] = {};
    const size_t contentBlockLength = contents.contentBlock ? contentBlockSize : 0;
    if (!expandContent(contents.contentBlock, contentBlockLength, &keyPosition, &expanded,
                       &report.contentBlockUnscrambled) ||
        !parseContentBlock(expanded.bytes(), expanded.produced(), linkText, footerText)) {
        tell(messageContentBlockFailed);
        quiz->questionCount = 0;
        report.outcome = LoadOutcome::contentBlockFailed;
        return report;
    }
    expanded.release();
    copyText(quiz->linkText, linkTextSize, linkText);
    copyText(quiz->footerText, footerTextSize, footerText);

    if (!contents.quizResource || contents.quizResourceSize == 0) {
        buildFallbackQuiz(quiz);
        report.outcome = LoadOutcome::fallback;
        report.colourChanged = true;
        return report;
    }

    report.quizKeyStart = keyPosition;
    bool quizParsed = false;
    if (expandContent(contents.quizResource, contents.quizResourceSize, &keyPosition, &expanded,
                      &report.quizUnscrambled)) {
        // About 100 KB: too much for the stack of a GUI thread.
        ParsedQuiz* parsed = new (std::nothrow) ParsedQuiz;
        if (parsed && parseQuizResource(expanded.bytes(), expanded.produced(), parsed)) {
            applyParsedQuiz(quiz, *parsed);
            quizParsed = true;
        }
        delete parsed;
    }
    expanded.release();
    if (!quizParsed) {
        tell(messageQuizFailed);
        quiz->questionCount = 0;
        report.outcome = LoadOutcome::quizFailed;
        return report;
    }
    report.colourChanged = true;

    keyPosition = 0;
    if (!expandContent(contents.codesResource, contents.codesResourceSize, &keyPosition, &expanded,
                       &report.codesUnscrambled)) {
        tell(messageCodesFailed);
        report.outcome = LoadOutcome::codesFailed;
        return report;
    }
    parseCodes(expanded.bytes(), expanded.produced(), quiz->questionCount, quiz->codes);
    return report;
}
