// The expanded contents are runs of texts ended by "|" with a few single
// bytes between them. The stored quizzes are trusted by the player's format,
// but these parsers are not: every read stays within the produced bytes, and
// data that ends before a field it must hold makes the whole content fail.
#include "quiz/content_parse.h"
#include "quiz/stored_format.h"

#include <cstring>

namespace {

constexpr uint8_t textEnd = '|';
constexpr uint8_t lineEnd = '\r';

struct Reader {
    const uint8_t* data;
    size_t produced;
    size_t position;
};

bool readByte(Reader& reader, uint8_t* value) {
    if (reader.position >= reader.produced) {
        return false;
    }
    *value = reader.data[reader.position++];
    return true;
}

// Reads up to the next "|" and moves past it. A text longer than the field
// is cut to it; the rest of the text up to its "|" is skipped.
bool readText(Reader& reader, char* field, size_t fieldSize) {
    const size_t start = reader.position;
    size_t end = start;
    while (end < reader.produced && reader.data[end] != textEnd) {
        ++end;
    }
    if (end >= reader.produced) {
        return false;
    }
    size_t length = end - start;
    if (length > fieldSize - 1) {
        length = fieldSize - 1;
    }
    std::memcpy(field, reader.data + start, length);
    field[length] = '\0';
    reader.position = end + 1;
    return true;
}

bool skipText(Reader& reader) {
    char dropped[textSize];
    return readText(reader, dropped, sizeof dropped);
}

}  // namespace

bool parseContentBlock(const uint8_t* data, size_t produced, char (&linkText)[linkTextSize],
                       char (&footerText)[footerTextSize]) {
    // Bytes 0 and 1 carry nothing the player reads.
    Reader reader{data, produced, 2};
    return readText(reader, linkText, sizeof linkText) && readText(reader, footerText, sizeof footerText);
}

bool parseQuizResource(const uint8_t* data, size_t produced, ParsedQuiz* quiz) {
    std::memset(quiz, 0, sizeof *quiz);
    Reader reader{data, produced, 1};  // byte 0 carries nothing the player reads

    uint8_t kindPlusOne = 0;
    uint8_t count = 0;
    uint8_t answers = 0;
    if (!readByte(reader, &kindPlusOne) || !readByte(reader, &count) || !readByte(reader, &answers)) {
        return false;
    }
    // Stored as kind + 1, so a stored 0 reads as kind -1.
    quiz->kind = static_cast<int32_t>(kindPlusOne) - 1;
    if (count > maxQuestions) {
        return false;
    }
    quiz->questionCount = count;
    // Only a stored 2 brings a second answer per record; any other value is one field.
    quiz->answersPerQuestion = answers == 2 ? 2 : 1;

    char* const headerTexts[] = {quiz->title, quiz->author, quiz->description, quiz->answerCaption1,
                                 quiz->answerCaption2};
    for (char* text : headerTexts) {
        if (!readText(reader, text, textSize)) {
            return false;
        }
    }

    for (int i = 0; i < quiz->questionCount; ++i) {
        ParsedQuestion& question = quiz->questions[i];
        if (!readText(reader, question.answer, textSize)) {
            return false;
        }
        if (quiz->answersPerQuestion == 2 && !readText(reader, question.secondAnswer, textSize)) {
            return false;
        }
        if (!readText(reader, question.prompt, textSize)) {
            return false;
        }
    }

    uint8_t mode = 0;
    if (!readByte(reader, &mode)) {
        return false;
    }
    quiz->answerMode = mode;
    const int textsPerQuestion = answerMode(quiz->answerMode).storedTexts;
    if (textsPerQuestion > 0) {
        for (int i = 0; i < quiz->questionCount; ++i) {
            if (!readText(reader, quiz->questions[i].hint, textSize)) {
                return false;
            }
            if (textsPerQuestion == 2 && !skipText(reader)) {
                return false;
            }
        }
    }

    // Red, green, blue in that order, right after the previous field.
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    if (!readByte(reader, &red) || !readByte(reader, &green) || !readByte(reader, &blue)) {
        return false;
    }
    quiz->red = red;
    quiz->green = green;
    quiz->blue = blue;
    return true;
}

void parseCodes(const uint8_t* data, size_t produced, int questionCount, char (*codes)[textSize]) {
    // The stored quizzes were made for a parser that stops a line only at CR
    // or once it has passed the reported length (produced + 2). So a line can
    // take up to three bytes past the produced data; the expander's block has
    // them, zeroed. A line that starts beyond them is empty.
    const size_t reportedLength = produced + 2;
    if (questionCount > maxQuestions) {
        questionCount = maxQuestions;
    }
    size_t p = 0;
    for (int i = 0; i < questionCount; ++i) {
        size_t length = 0;
        while (p <= reportedLength && data[p] != lineEnd) {
            if (length < static_cast<size_t>(textSize - 1)) {
                codes[i][length++] = static_cast<char>(data[p]);
            }
            ++p;
        }
        codes[i][length] = '\0';
        p += 2;  // the CR and the LF after it
    }
}
