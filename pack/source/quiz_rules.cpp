// The rules on a quiz source's values, once quiz_source.cpp has read them
// from TOML: buildQuizContent and what it checks.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <system_error>

#include "pack/source/quiz_source.h"
#include "pack/source/verdict_rules.h"
#include "quiz/windows1252.h"
#include "quiz/stored_format.h"

namespace {

namespace fs = std::filesystem;

// Limits set by the player's fixed fields: each holds its text and a zero.
constexpr size_t maxTextBytes = textSize - 1;
constexpr size_t maxLinkBytes = linkTextSize - 1;
constexpr size_t maxFooterBytes = footerTextSize - 1;
constexpr size_t maxTypedAnswerBytes = 80;  // the text limit of the answer fields
constexpr size_t maxQuestionCount = maxQuestions;

const char* const colourNames[] = {"red", "green", "blue"};

// Character position (from 1) of the byte at `offset` of a UTF-8 text.
size_t characterPosition(const std::string& utf8, size_t offset) {
    size_t position = 0;
    for (size_t i = 0; i <= offset && i < utf8.size(); ++i) {
        if ((static_cast<uint8_t>(utf8[i]) & 0xC0) != 0x80) {
            ++position;
        }
    }
    return position;
}

std::string describeCharacter(uint32_t codePoint) {
    if (codePoint == 0xFFFD) {
        return "a broken UTF-8 sequence";
    }
    return "the character " + codePointName(codePoint) + " \"" + utf8FromCodePoint(codePoint) + "\"";
}

// Converts one text to Windows-1252 and checks what every stored text must
// satisfy: every character has a byte, no "|" (it ends a stored text), no
// line break (it ends a code line, and a text field is one line), no NUL (it
// would cut the player's zero-terminated copy short), and the byte limit.
std::string storedText(const SourcedText& text, const std::string& field, size_t limit, Diagnostics* diagnostics) {
    std::vector<UnmappableCharacter> unmappable;
    std::string converted = utf8ToWindows1252(text.value, &unmappable);
    if (!unmappable.empty()) {
        std::string message = describeCharacter(unmappable[0].codePoint) + " at position " +
                              std::to_string(unmappable[0].position) + " cannot be written in Windows-1252";
        if (unmappable.size() > 1) {
            const size_t more = unmappable.size() - 1;
            message += " (nor can " + std::to_string(more) + (more == 1 ? " more character" : " more characters") +
                       " after it)";
        }
        diagnostics->add(text.line, field, message);
    }
    struct Forbidden {
        char byte;
        const char* why;
    };
    static const Forbidden forbidden[] = {
        {'|', "\"|\", which ends a text in the stored quiz"},
        {'\r', "a line break (CR)"},
        {'\n', "a line break (LF)"},
        {'\0', "a NUL character"},
    };
    for (const Forbidden& f : forbidden) {
        const size_t at = text.value.find(f.byte);
        if (at != std::string::npos) {
            diagnostics->add(text.line, field,
                             std::string("contains ") + f.why + " at position " +
                                 std::to_string(characterPosition(text.value, at)));
        }
    }
    if (converted.size() > limit) {
        diagnostics->add(text.line, field,
                         std::to_string(converted.size()) + " bytes in Windows-1252, at most " +
                             std::to_string(limit) + " fit");
    }
    return converted;
}

// The player trims what is typed but never the expected answer, and its
// answer fields take 80 characters: an expected answer outside those bounds
// could never be answered right.
void checkExpectedAnswer(const SourcedText& text, const std::string& stored, const std::string& field,
                         Diagnostics* diagnostics) {
    if (stored.empty()) {
        diagnostics->add(text.line, field, "is empty, so no typed answer could ever match it");
        return;
    }
    if (stored.front() == ' ' || stored.back() == ' ') {
        diagnostics->add(text.line, field,
                         "begins or ends with a space; typed answers are trimmed, so it could never match");
    }
    if (stored.size() > maxTypedAnswerBytes) {
        diagnostics->add(text.line, field,
                         std::to_string(stored.size()) + " characters, but an answer field takes at most " +
                             std::to_string(maxTypedAnswerBytes));
    }
}

struct FileRead {
    bool ok;
    std::vector<uint8_t> bytes;
};

FileRead readMediaFile(const SourcedText& path, const fs::path& file, const std::string& field,
                       Diagnostics* diagnostics) {
    std::error_code error;
    const std::string shown = "\"" + path.value + "\"";
    if (!fs::exists(file, error)) {
        diagnostics->add(path.line, field, shown + " not found");
        return {false, {}};
    }
    if (!fs::is_regular_file(file, error)) {
        diagnostics->add(path.line, field, shown + " is not a file");
        return {false, {}};
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes;
    if (in) {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in && !in.eof()) {
        diagnostics->add(path.line, field, shown + " cannot be read");
        return {false, {}};
    }
    if (bytes.empty()) {
        diagnostics->add(path.line, field, shown + " is empty");
        return {false, {}};
    }
    return {true, std::move(bytes)};
}

void addPicture(const SourcedText& path, int id, const QuizSource& source, const std::string& field,
                QuizContent* content, Diagnostics* diagnostics) {
    const fs::path file = source.directory / fs::u8path(path.value);
    FileRead read = readMediaFile(path, file, field, diagnostics);
    if (!read.ok) {
        return;
    }
    const PictureFormat format = pictureFormat(read.bytes);
    if (format == PictureFormat::unknown) {
        diagnostics->add(path.line, field, "\"" + path.value + "\" is not a BMP, JPEG, GIF or PNG picture");
        return;
    }
    // The platform's picture loader reads BMP, JPEG and GIF from "IMG"
    // resources; PNG goes through the player's own decoder, which reads raw
    // data resources of the same number.
    const MediaStorage storage = format == PictureFormat::png ? MediaStorage::pngRawData : MediaStorage::pictureSwapped;
    content->media.push_back({id, storage, std::move(read.bytes), file});
}

void addClip(const SourcedText& path, int id, const QuizSource& source, const std::string& field,
             QuizContent* content, Diagnostics* diagnostics) {
    const fs::path file = source.directory / fs::u8path(path.value);
    FileRead read = readMediaFile(path, file, field, diagnostics);
    if (read.ok) {
        content->media.push_back({id, MediaStorage::clipPlain, std::move(read.bytes), file});
    }
}

// A key that the quiz's kind or mode does not store.
void refuse(const SourcedText& text, const std::string& field, const std::string& why, Diagnostics* diagnostics) {
    if (text.present) {
        diagnostics->add(text.line, field, why);
    }
}

int checkKind(const QuizSource& source, Diagnostics* diagnostics) {
    if (!source.kind.present) {
        diagnostics->add(1, "kind", "missing: \"text\", \"picture\", \"sound\" or \"video\"");
        return -1;
    }
    if (source.kind.broken) {
        return -1;
    }
    const int kind = kindFromName(source.kind.value.c_str());
    if (kind >= 0) return kind;
    diagnostics->add(source.kind.line, "kind",
                     "\"" + source.kind.value + "\" is not a kind: use \"text\", \"picture\", \"sound\" or \"video\"");
    return -1;
}

void checkHeader(const QuizSource& source, QuizContent* content, Diagnostics* diagnostics) {
    if (!source.title.present) {
        diagnostics->add(1, "title", "missing");
    } else if (!source.title.broken) {
        content->title = storedText(source.title, "title", maxTextBytes, diagnostics);
    }
    if (source.author.present && !source.author.broken) {
        content->author = storedText(source.author, "author", maxTextBytes, diagnostics);
    }
    if (source.description.present && !source.description.broken) {
        content->description = storedText(source.description, "description", maxTextBytes, diagnostics);
    }
    if (source.captions.present && !source.captions.broken) {
        const auto& captions = source.captions.value;
        if (captions.size() != 2) {
            diagnostics->add(source.captions.line, "captions",
                             "expected two captions (first and second answer field), found " +
                                 std::to_string(captions.size()));
        }
        for (size_t i = 0; i < captions.size() && i < 2; ++i) {
            if (!captions[i].broken) {
                const std::string text =
                    storedText(captions[i], "caption " + std::to_string(i + 1), maxTextBytes, diagnostics);
                (i == 0 ? content->caption1 : content->caption2) = text;
            }
        }
    }
    if (source.link.present && !source.link.broken) {
        content->link = storedText(source.link, "link", maxLinkBytes, diagnostics);
    }
    if (source.footer.present && !source.footer.broken) {
        content->footer = storedText(source.footer, "footer", maxFooterBytes, diagnostics);
    }
}

void checkNumbers(const QuizSource& source, int kind, QuizContent* content, Diagnostics* diagnostics) {
    if (source.mode.present && !source.mode.broken) {
        if (source.mode.value < 0 || source.mode.value > maxAnswerMode) {
            diagnostics->add(source.mode.line, "mode", std::to_string(source.mode.value) + " is not 0 to 7");
        } else {
            content->answerMode = static_cast<int>(source.mode.value);
        }
    }
    if (source.answers.present && !source.answers.broken) {
        if (source.answers.value != 1 && source.answers.value != 2) {
            diagnostics->add(source.answers.line, "answers", std::to_string(source.answers.value) + " is not 1 or 2");
        } else if (source.answers.value == 2 && kind == kindText) {
            diagnostics->add(source.answers.line, "answers",
                             "a text quiz has one answer field per question; 2 needs a picture, sound or video quiz");
        } else {
            content->answersPerQuestion = static_cast<int>(source.answers.value);
        }
    }
    if (source.colour.present && !source.colour.broken) {
        const auto& components = source.colour.value;
        if (components.size() != 3) {
            diagnostics->add(source.colour.line, "colour",
                             "expected three components [red, green, blue], found " + std::to_string(components.size()));
        }
        uint8_t* targets[3] = {&content->red, &content->green, &content->blue};
        for (size_t i = 0; i < components.size() && i < 3; ++i) {
            const Sourced<int64_t>& component = components[i];
            if (component.broken) {
                continue;
            }
            if (component.value < 0 || component.value > 255) {
                diagnostics->add(component.line, std::string("colour, ") + colourNames[i],
                                 std::to_string(component.value) + " is not 0 to 255");
            } else {
                *targets[i] = static_cast<uint8_t>(component.value);
            }
        }
    }
    if (source.scramble.present && !source.scramble.broken) {
        content->scramble = source.scramble.value;
    }
}

void checkQuestion(const QuizSource& source, size_t index, int kind, int mode, int answers, QuizContent* content,
                   Diagnostics* diagnostics) {
    const QuestionSource& question = source.questions.value[index];
    const int number = static_cast<int>(index) + 1;
    const std::string prefix = "question " + std::to_string(number) + ", ";
    QuestionContent stored;

    if (!question.answer.present) {
        diagnostics->add(question.line, prefix + "answer", "missing");
    } else if (!question.answer.broken) {
        stored.answer = storedText(question.answer, prefix + "answer", maxTextBytes, diagnostics);
        checkExpectedAnswer(question.answer, stored.answer, prefix + "answer", diagnostics);
    }

    if (answers == 2) {
        if (!question.second.present) {
            diagnostics->add(question.line, prefix + "second",
                             "missing: with answers = 2 every question has a second answer (\"-\" hides the field)");
        } else if (!question.second.broken) {
            stored.secondAnswer = storedText(question.second, prefix + "second", maxTextBytes, diagnostics);
            checkExpectedAnswer(question.second, stored.secondAnswer, prefix + "second", diagnostics);
        }
    } else {
        refuse(question.second, prefix + "second", "only a quiz with answers = 2 has a second answer", diagnostics);
    }

    checkVerdictTests(question.check, prefix + "check", diagnostics);
    if (question.checkSecond.present) {
        if (answers != 2) {
            diagnostics->add(question.checkSecond.line, prefix + "check_second",
                             "only a quiz with answers = 2 has a second field to test");
        } else if (question.second.present && question.second.value == "-") {
            diagnostics->add(question.checkSecond.line, prefix + "check_second",
                             "the second field of this question is hidden (second = \"-\"): nobody types into it");
        } else {
            checkVerdictTests(question.checkSecond, prefix + "check_second", diagnostics);
        }
    }

    if (question.prompt.present && !question.prompt.broken) {
        stored.prompt = storedText(question.prompt, prefix + "prompt", maxTextBytes, diagnostics);
    } else if (!question.prompt.present && kind == kindText) {
        diagnostics->add(question.line, prefix + "prompt", "missing: a text quiz shows the prompt of every question");
    }

    const int storedTexts = answerMode(mode).storedTexts;
    if (storedTexts == 0) {
        refuse(question.hint, prefix + "hint", "mode " + std::to_string(mode) + " stores no hint", diagnostics);
    } else if (question.hint.present && !question.hint.broken) {
        stored.hint = storedText(question.hint, prefix + "hint", maxTextBytes, diagnostics);
    }
    if (storedTexts == 2) {
        if (question.extra.present && !question.extra.broken) {
            stored.extra = storedText(question.extra, prefix + "extra", maxTextBytes, diagnostics);
        }
    } else {
        refuse(question.extra, prefix + "extra", "only modes 3 and 6 store an extra text", diagnostics);
    }

    const int questionPictureId = pictureId(number);
    const int questionSolvedPictureId = solvedPictureId(number);
    if (kind == kindPicture) {
        if (!question.picture.present) {
            diagnostics->add(question.line, prefix + "picture", "missing: a picture quiz has a picture per question");
        } else if (!question.picture.broken) {
            addPicture(question.picture, questionPictureId, source, prefix + "picture", content, diagnostics);
        }
        if (question.solvedPicture.present && !question.solvedPicture.broken) {
            addPicture(question.solvedPicture, questionSolvedPictureId, source, prefix + "solved_picture", content,
                       diagnostics);
        }
    } else if (kind >= 0) {
        refuse(question.picture, prefix + "picture", "only picture quizzes have pictures", diagnostics);
        refuse(question.solvedPicture, prefix + "solved_picture", "only picture quizzes have pictures", diagnostics);
    }
    if (kind == kindSound || kind == kindVideo) {
        if (!question.clip.present) {
            diagnostics->add(question.line, prefix + "clip", std::string("missing: a ") + kindNames[kind] +
                                                                 " quiz has a clip per question");
        } else if (!question.clip.broken) {
            addClip(question.clip, questionPictureId, source, prefix + "clip", content, diagnostics);
        }
    } else if (kind >= 0) {
        refuse(question.clip, prefix + "clip", "only sound and video quizzes have clips", diagnostics);
    }
    content->questions.push_back(stored);
}

void checkQuestions(const QuizSource& source, int kind, QuizContent* content, Diagnostics* diagnostics) {
    if (source.questions.broken) {
        return;
    }
    const auto& questions = source.questions.value;
    if (questions.empty()) {
        diagnostics->add(1, "question", "a quiz needs at least one [[question]]");
        return;
    }
    if (questions.size() > maxQuestionCount) {
        diagnostics->add(questions[maxQuestionCount].line, "question " + std::to_string(maxQuestionCount + 1),
                         std::to_string(questions.size()) + " questions, at most " +
                             std::to_string(maxQuestionCount) + " fit");
    }
    // A mode or answer count that failed its own check still decides which
    // keys the questions may have, so that their messages come out too.
    const int mode = source.mode.present && !source.mode.broken ? static_cast<int>(source.mode.value) : 0;
    const int answers = source.answers.present && !source.answers.broken ? static_cast<int>(source.answers.value) : 1;
    for (size_t i = 0; i < questions.size(); ++i) {
        checkQuestion(source, i, kind, mode, answers, content, diagnostics);
    }
}

void checkCodes(const QuizSource& source, QuizContent* content, Diagnostics* diagnostics) {
    if (!source.codes.present || source.codes.broken) {
        return;
    }
    const auto& codes = source.codes.value;
    const size_t questionCount = source.questions.broken ? 0 : source.questions.value.size();
    if (codes.size() > questionCount && !source.questions.value.empty()) {
        diagnostics->add(source.codes.line, "codes",
                         std::to_string(codes.size()) + " codes for " + std::to_string(questionCount) +
                             " questions: code i is shown once i questions are solved, so at most one per question");
    }
    for (size_t i = 0; i < codes.size(); ++i) {
        if (!codes[i].broken) {
            content->codes.push_back(storedText(codes[i], "code " + std::to_string(i + 1), maxTextBytes, diagnostics));
        } else {
            content->codes.emplace_back();
        }
    }
}

// The stored contents must fit the ContentBlock and the expander's blocks.
// Measured only on a quiz that passed every other check: the sizes of a
// broken one mean nothing.
void checkSizes(const QuizSource& source, const QuizContent& content, Diagnostics* diagnostics) {
    const ContentSizes sizes = measureContents(content);
    if (sizes.contentBlockCoded > storedContentBlockSize) {
        const int line = source.link.present ? source.link.line : source.footer.present ? source.footer.line : 1;
        diagnostics->add(line, "link, footer",
                         "together they code into " + std::to_string(sizes.contentBlockCoded) +
                             " bytes, but the ContentBlock holds " + std::to_string(storedContentBlockSize) +
                             ": shorten them");
    }
    const int questionsLine = source.questions.line;
    if (sizes.quizExpanded > maxExpandedSize) {
        diagnostics->add(questionsLine, "questions",
                         "the quiz takes " + std::to_string(sizes.quizExpanded) + " bytes, at most " +
                             std::to_string(maxExpandedSize) + " fit: shorten the texts or drop questions");
    } else if (sizes.quizCoded > maxCodedSize) {
        diagnostics->add(questionsLine, "questions",
                         "the quiz codes into " + std::to_string(sizes.quizCoded) + " bytes, at most " +
                             std::to_string(maxCodedSize) + " fit: shorten the texts or drop questions");
    }
    const int codesLine = source.codes.present ? source.codes.line : 1;
    if (sizes.codesExpanded > maxExpandedSize) {
        diagnostics->add(codesLine, "codes",
                         "the codes take " + std::to_string(sizes.codesExpanded) + " bytes, at most " +
                             std::to_string(maxExpandedSize) + " fit");
    } else if (sizes.codesCoded > maxCodedSize) {
        diagnostics->add(codesLine, "codes",
                         "the codes code into " + std::to_string(sizes.codesCoded) + " bytes, at most " +
                             std::to_string(maxCodedSize) + " fit");
    }
}

}  // namespace

PictureFormat pictureFormat(const std::vector<uint8_t>& bytes) {
    const auto startsWith = [&](std::initializer_list<uint8_t> magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        return PictureFormat::png;
    }
    if (startsWith({0xFF, 0xD8, 0xFF})) {
        return PictureFormat::jpeg;
    }
    if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'})) {
        return PictureFormat::gif;
    }
    if (startsWith({'B', 'M'})) {
        return PictureFormat::bmp;
    }
    return PictureFormat::unknown;
}

bool buildQuizContent(const QuizSource& source, QuizContent* content, Diagnostics* diagnostics) {
    const size_t before = diagnostics->errors.size();
    const int kind = checkKind(source, diagnostics);
    content->kind = kind < 0 ? 0 : kind;
    checkHeader(source, content, diagnostics);
    checkNumbers(source, kind, content, diagnostics);
    checkQuestions(source, kind, content, diagnostics);
    checkCodes(source, content, diagnostics);
    if (diagnostics->errors.empty()) {
        checkSizes(source, *content, diagnostics);
    }
    return diagnostics->errors.size() == before;
}
