#include "pack/stored/quiz_encode.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "pack/stored/lzw_compress.h"
#include "pack/stored/load_as_player.h"
#include "quiz/windows1252.h"
#include "quiz/messages.h"
#include "quiz/quiz_state.h"
#include "quiz/scramble.h"
#include "quiz/stored_format.h"

namespace {

constexpr uint8_t textEnd = '|';

void putText(std::vector<uint8_t>* out, const std::string& text) {
    out->insert(out->end(), text.begin(), text.end());
    out->push_back(textEnd);
}

std::vector<uint8_t> code(const std::vector<uint8_t>& expanded) {
    return lzwCompress(expanded.data(), expanded.size());
}

void scrambleBlock(std::vector<uint8_t>* bytes, int* keyPosition) {
    scrambleWithKey(bytes->data(), bytes->size(), keyPosition);
}

void compareText(const char* what, const std::string& expected, const char* loaded,
                 std::vector<std::string>* differences) {
    if (expected != loaded) {
        differences->push_back(std::string(what) + ": stored \"" + windows1252ToUtf8(expected) +
                               "\", read back \"" + windows1252ToUtf8(loaded) + "\"");
    }
}

void compareNumber(const char* what, long expected, long loaded, std::vector<std::string>* differences) {
    if (expected != loaded) {
        differences->push_back(std::string(what) + ": stored " + std::to_string(expected) + ", read back " +
                               std::to_string(loaded));
    }
}

const char* outcomeName(LoadOutcome outcome) {
    switch (outcome) {
    case LoadOutcome::loaded:
        return "loaded";
    case LoadOutcome::contentBlockFailed:
        return "ContentBlock failed";
    case LoadOutcome::fallback:
        return "fallback quiz";
    case LoadOutcome::quizFailed:
        return "quiz resource failed";
    case LoadOutcome::codesFailed:
        return "codes resource failed";
    }
    return "unknown";
}

}  // namespace

std::vector<uint8_t> expandedContentBlock(const QuizContent& quiz) {
    // The loader skips the first two bytes; "VY" marks the block as ours.
    std::vector<uint8_t> out = {'V', 'Y'};
    putText(&out, quiz.link);
    putText(&out, quiz.footer);
    return out;
}

std::vector<uint8_t> expandedQuizResource(const QuizContent& quiz) {
    std::vector<uint8_t> out;
    out.push_back(0);  // not read by the loader
    out.push_back(static_cast<uint8_t>(quiz.kind + 1));
    out.push_back(static_cast<uint8_t>(quiz.questions.size()));
    out.push_back(static_cast<uint8_t>(quiz.answersPerQuestion));
    putText(&out, quiz.title);
    putText(&out, quiz.author);
    putText(&out, quiz.description);
    putText(&out, quiz.caption1);
    putText(&out, quiz.caption2);
    for (const QuestionContent& question : quiz.questions) {
        putText(&out, question.answer);
        if (quiz.answersPerQuestion == 2) {
            putText(&out, question.secondAnswer);
        }
        putText(&out, question.prompt);
    }
    out.push_back(static_cast<uint8_t>(quiz.answerMode));
    const int texts = answerMode(quiz.answerMode).storedTexts;
    for (const QuestionContent& question : quiz.questions) {
        if (texts >= 1) {
            putText(&out, question.hint);
        }
        if (texts == 2) {
            putText(&out, question.extra);
        }
    }
    out.push_back(quiz.red);
    out.push_back(quiz.green);
    out.push_back(quiz.blue);
    return out;
}

std::vector<uint8_t> expandedCodes(const QuizContent& quiz) {
    // One line per question, so that every count of solved questions finds
    // its line; questions beyond the given codes get an empty one.
    std::vector<uint8_t> out;
    for (size_t i = 0; i < quiz.questions.size(); ++i) {
        if (i < quiz.codes.size()) {
            out.insert(out.end(), quiz.codes[i].begin(), quiz.codes[i].end());
        }
        out.push_back('\r');
        out.push_back('\n');
    }
    return out;
}

ContentSizes measureContents(const QuizContent& quiz) {
    ContentSizes sizes{};
    sizes.contentBlockCoded = code(expandedContentBlock(quiz)).size();
    const std::vector<uint8_t> quizBytes = expandedQuizResource(quiz);
    sizes.quizExpanded = quizBytes.size();
    sizes.quizCoded = code(quizBytes).size();
    const std::vector<uint8_t> codeBytes = expandedCodes(quiz);
    sizes.codesExpanded = codeBytes.size();
    sizes.codesCoded = codeBytes.empty() ? 0 : code(codeBytes).size();
    return sizes;
}

StoredContents storedContents(const EncodedQuiz& encoded) {
    return storedContents(encoded.contentBlock.data(), encoded.quizResource, encoded.codesResource);
}

EncodedQuiz encodeQuiz(const QuizContent& quiz, std::vector<std::string>* notes) {
    if (quiz.questions.empty()) {
        throw std::invalid_argument("encodeQuiz: a quiz has at least one question");
    }
    std::vector<uint8_t> contentBlockCode = code(expandedContentBlock(quiz));
    if (contentBlockCode.size() > storedContentBlockSize) {
        throw std::invalid_argument("encodeQuiz: link and footer do not code into the ContentBlock");
    }
    contentBlockCode.resize(storedContentBlockSize, 0);
    const std::vector<uint8_t> quizCode = code(expandedQuizResource(quiz));
    const std::vector<uint8_t> codesCode = code(expandedCodes(quiz));

    EncodedQuiz encoded{};
    encoded.contentBlockScrambled = quiz.scramble;
    encoded.quizScrambled = quiz.scramble;
    encoded.codesScrambled = quiz.scramble;

    // The loader tries every content as stored first and unscrambles only
    // when that fails. Scrambled bytes that happen to expand would be taken
    // as they are, so such a content is stored plain. Storing the ContentBlock
    // plain moves the quiz resource's key start from 6 back to 0, which gives
    // new scrambled bytes: hence the loop until nothing changes (each pass
    // turns one more content plain, so three passes are the most).
    for (;;) {
        int keyPosition = 0;
        std::copy(contentBlockCode.begin(), contentBlockCode.end(), encoded.contentBlock.begin());
        if (encoded.contentBlockScrambled) {
            scrambleWithKey(encoded.contentBlock.data(), encoded.contentBlock.size(), &keyPosition);
        }
        encoded.quizKeyStart = keyPosition;
        encoded.quizResource = quizCode;
        if (encoded.quizScrambled) {
            scrambleBlock(&encoded.quizResource, &keyPosition);
        }
        int codesKeyPosition = 0;
        encoded.codesResource = codesCode;
        if (encoded.codesScrambled) {
            scrambleBlock(&encoded.codesResource, &codesKeyPosition);
        }
        if (!encoded.contentBlockScrambled && !encoded.quizScrambled && !encoded.codesScrambled) {
            return encoded;
        }

        const LoadReport report = loadLikePlayer(storedContents(encoded)).report;
        bool changed = false;
        if (encoded.contentBlockScrambled && !report.contentBlockUnscrambled) {
            encoded.contentBlockScrambled = false;
            changed = true;
            if (notes) {
                notes->push_back("the scrambled ContentBlock expands as it is stored, so it is stored unscrambled");
            }
        } else if (encoded.quizScrambled && !report.quizUnscrambled) {
            // Judged only while the ContentBlock stands: its key position
            // decides what the quiz resource's scrambled bytes are.
            encoded.quizScrambled = false;
            changed = true;
            if (notes) {
                notes->push_back("the scrambled quiz resource expands as it is stored, so it is stored unscrambled");
            }
        }
        if (encoded.codesScrambled && !report.codesUnscrambled && report.outcome == LoadOutcome::loaded) {
            encoded.codesScrambled = false;
            changed = true;
            if (notes) {
                notes->push_back(
                    "the scrambled codes resource expands as it is stored, so it is stored unscrambled");
            }
        }
        if (!changed) {
            return encoded;
        }
    }
}

std::vector<std::string> readBackDifferences(const QuizContent& quiz, const EncodedQuiz& encoded) {
    std::vector<std::string> differences;
    const PlayerLoad loaded = loadLikePlayer(storedContents(encoded));
    for (const LoaderMessage& message : loaded.messages) {
        differences.push_back("loader message: " + windows1252ToUtf8(message.caption) + ": " +
                              windows1252ToUtf8(message.text));
    }
    if (loaded.report.outcome != LoadOutcome::loaded) {
        differences.push_back(std::string("load outcome: ") + outcomeName(loaded.report.outcome));
        return differences;
    }
    compareNumber("ContentBlock unscrambled", encoded.contentBlockScrambled,
                  loaded.report.contentBlockUnscrambled, &differences);
    compareNumber("quiz resource unscrambled", encoded.quizScrambled, loaded.report.quizUnscrambled,
                  &differences);
    compareNumber("codes resource unscrambled", encoded.codesScrambled, loaded.report.codesUnscrambled,
                  &differences);
    if (encoded.quizScrambled) {
        compareNumber("quiz resource key start", encoded.quizKeyStart, loaded.report.quizKeyStart, &differences);
    }

    const QuizState& state = *loaded.quiz;
    compareText("link", quiz.link, state.linkText, &differences);
    compareText("footer", quiz.footer, state.footerText, &differences);
    compareNumber("kind", quiz.kind, state.kind, &differences);
    compareNumber("question count", static_cast<long>(quiz.questions.size()), state.questionCount, &differences);
    compareNumber("answers", quiz.answersPerQuestion, state.answersPerQuestion, &differences);
    compareText("title", quiz.title, state.title, &differences);
    compareText("author", quiz.author, state.author, &differences);
    compareText("description", quiz.description, state.description, &differences);
    compareText("caption 1", quiz.caption1, state.answerCaption1, &differences);
    compareText("caption 2", quiz.caption2, state.answerCaption2, &differences);
    compareNumber("mode", quiz.answerMode, state.answerMode, &differences);
    compareNumber("colour, red", quiz.red, state.red, &differences);
    compareNumber("colour, green", quiz.green, state.green, &differences);
    compareNumber("colour, blue", quiz.blue, state.blue, &differences);
    const long colour = quiz.red | quiz.green << 8 | quiz.blue << 16;
    compareNumber("colour value", colour, static_cast<long>(state.color), &differences);

    const bool storesHint = answerMode(quiz.answerMode).storedTexts > 0;
    const QuestionNode* node = state.head;
    for (size_t i = 0; i < quiz.questions.size(); ++i) {
        const std::string prefix = "question " + std::to_string(i + 1) + ", ";
        if (!node) {
            differences.push_back(prefix.substr(0, prefix.size() - 2) + ": missing from the question list");
            break;
        }
        const QuestionContent& question = quiz.questions[i];
        compareText((prefix + "answer").c_str(), question.answer, node->answer, &differences);
        compareText((prefix + "second").c_str(), quiz.answersPerQuestion == 2 ? question.secondAnswer : "",
                    node->secondAnswer, &differences);
        compareText((prefix + "prompt").c_str(), question.prompt, node->prompt, &differences);
        compareText((prefix + "hint").c_str(), storesHint ? question.hint : "", node->hint, &differences);
        node = node->next;
    }
    if (node) {
        differences.push_back("question list: more nodes than questions");
    }
    for (size_t i = 0; i < quiz.questions.size() && i < static_cast<size_t>(maxQuestions); ++i) {
        const std::string what = "code " + std::to_string(i + 1);
        compareText(what.c_str(), i < quiz.codes.size() ? quiz.codes[i] : "", state.codes[i], &differences);
    }
    return differences;
}

std::vector<uint8_t> storedMediaBytes(const MediaResource& media) {
    std::vector<uint8_t> bytes = media.fileBytes;
    if (media.storage == MediaStorage::pictureSwapped) {
        for (uint8_t& byte : bytes) {
            byte = static_cast<uint8_t>(byte << 4 | byte >> 4);
        }
    }
    return bytes;
}
