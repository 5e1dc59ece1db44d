// The quiz contents, two ways per input: the three parsers on the pieces as
// if they were expanded bytes, and the whole loader on them as stored bytes.
//
// Input: byte 0 = question count for the codes parser when the quiz piece
// does not parse; bytes 1-2 and 3-4 = lengths (little-endian) of the quiz
// and codes pieces; then the 70-byte ContentBlock (zero-padded when the input
// is short), the quiz piece and the codes piece, each cut to what is left.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"

namespace {

constexpr size_t headerSize = 5;

void silentSink(const char*, const char*, unsigned) {}

// Each piece gets a heap block of its own exact size, so that a read past it
// is seen, even where the input goes on.
std::unique_ptr<uint8_t[]> exactCopy(const uint8_t* bytes, size_t length, size_t zeroedAfter = 0) {
    const size_t total = length + zeroedAfter;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[total ? total : 1]);
    if (length) {
        std::memcpy(copy.get(), bytes, length);
    }
    std::memset(copy.get() + length, 0, zeroedAfter);
    return copy;
}

struct Pieces {
    uint8_t contentBlock[contentBlockSize];
    const uint8_t* quiz;
    size_t quizLength;
    const uint8_t* codes;
    size_t codesLength;
    int codesQuestionCount;
};

Pieces split(const uint8_t* data, size_t size) {
    Pieces pieces{};
    pieces.codesQuestionCount = data[0] % (maxQuestions + 1);
    size_t wantedQuiz = data[1] | static_cast<size_t>(data[2]) << 8;
    size_t wantedCodes = data[3] | static_cast<size_t>(data[4]) << 8;
    const uint8_t* rest = data + headerSize;
    size_t left = size - headerSize;

    const size_t blockLength = left < contentBlockSize ? left : contentBlockSize;
    std::memcpy(pieces.contentBlock, rest, blockLength);
    rest += blockLength;
    left -= blockLength;

    pieces.quiz = rest;
    pieces.quizLength = wantedQuiz < left ? wantedQuiz : left;
    rest += pieces.quizLength;
    left -= pieces.quizLength;

    pieces.codes = rest;
    pieces.codesLength = wantedCodes < left ? wantedCodes : left;
    return pieces;
}

void parseDirectly(const Pieces& pieces) {
    {
        auto block = exactCopy(pieces.contentBlock, contentBlockSize);
        char linkText[linkTextSize];
        char footerText[footerTextSize];
        parseContentBlock(block.get(), contentBlockSize, linkText, footerText);
    }

    static ParsedQuiz parsed;
    auto quiz = exactCopy(pieces.quiz, pieces.quizLength);
    const bool quizParsed = parseQuizResource(quiz.get(), pieces.quizLength, &parsed);

    // The expander's block: the produced bytes, then three zeroed ones.
    static char codes[maxQuestions][textSize];
    auto lines = exactCopy(pieces.codes, pieces.codesLength, lzwOutputSlack);
    parseCodes(lines.get(), pieces.codesLength, quizParsed ? parsed.questionCount : pieces.codesQuestionCount,
               codes);
}

void loadStored(const Pieces& pieces) {
    static QuizState quiz;
    setQuizDefaults(&quiz);
    auto block = exactCopy(pieces.contentBlock, contentBlockSize);
    auto quizBytes = exactCopy(pieces.quiz, pieces.quizLength);
    auto codesBytes = exactCopy(pieces.codes, pieces.codesLength);
    StoredContents contents{block.get(), quizBytes.get(), pieces.quizLength, codesBytes.get(), pieces.codesLength};
    loadQuizContents(&quiz, contents);
    freeQuestionList(&quiz);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < headerSize) {
        return 0;
    }
    static bool silenced = false;
    if (!silenced) {
        setMessageSink(silentSink);
        silenced = true;
    }
    const Pieces pieces = split(data, size);
    parseDirectly(pieces);
    loadStored(pieces);
    return 0;
}
