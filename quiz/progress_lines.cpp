// Reading the saved answers back, line by line, and naming their file.

#include "quiz/progress_lines.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint8_t carriageReturn = 13;
constexpr uint8_t lineFeed = 10;
constexpr size_t textLimit = answerFieldLimit;

}  // namespace

// Only a CR ends the text; the line itself runs on to the next LF. A file with
// bare LF line ends therefore reads as one long line, and whatever sits between
// a CR and the following LF is dropped. The position may end up past `size`
// (the step over the LF is taken even at the end), and later calls then read
// nothing.
void readProgressLine(const uint8_t* bytes, size_t size, size_t* position,
                      char (&text)[answerFieldLimit + 1]) {
    if (bytes == nullptr) {
        size = 0;  // no file: every field starts empty
    }
    size_t at = *position;
    size_t copied = 0;
    while (at < size && bytes[at] != carriageReturn && copied < textLimit) {
        text[copied++] = static_cast<char>(bytes[at++]);
    }
    if (copied == textLimit) {
        while (at < size && bytes[at] != carriageReturn) {
            ++at;
        }
    }
    // A zero byte inside the line ends the field's text there.
    text[copied] = '\0';
    while (at < size && bytes[at] != lineFeed) {
        ++at;
    }
    if (at != SIZE_MAX) {
        ++at;
    }
    *position = at;
}

bool progressFileName(const char* executablePath, char* name, size_t nameSize) {
    if (executablePath == nullptr || name == nullptr || nameSize == 0) {
        return false;
    }
    const char* base = executablePath;
    for (const char* p = executablePath; *p != '\0'; ++p) {
        if (*p == '\\') {
            base = p + 1;
        }
    }
    static constexpr char extension[] = "txt";
    constexpr size_t extensionLength = sizeof extension - 1;
    const size_t baseLength = std::strlen(base);
    // Whatever the last three characters are, they go; a base name shorter
    // than that keeps all of itself and gets "txt" appended.
    const size_t kept = baseLength >= extensionLength ? baseLength - extensionLength : baseLength;
    if (kept + extensionLength + 1 > nameSize) {
        return false;
    }
    std::memcpy(name, base, kept);
    std::memcpy(name + kept, extension, extensionLength + 1);
    return true;
}
