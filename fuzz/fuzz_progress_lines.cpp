// The saved answers' lines and file name.
//
// Input: the whole of it is the file's bytes, read line by line until the
// position passes the end; every text must be at most 80 bytes and each read
// must move on. The bytes up to the first zero are also an executable path,
// named into a buffer whose size comes from the input's length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "quiz/progress_lines.h"
#include "fuzz/require.h"

namespace {

constexpr size_t maxInput = 1 << 16;
constexpr char canary = '#';

void checkLines(const uint8_t* data, size_t size) {
    size_t position = 0;
    size_t lines = 0;
    while (position <= size) {
        char text[answerFieldLimit + 1];  // a write past it is seen by the sanitizer
        const size_t before = position;
        readProgressLine(data, size, &position, text);
        require(strnlen(text, sizeof text) <= static_cast<size_t>(answerFieldLimit));
        require(position > before && ++lines <= size + 1);
        // The text is the start of the line, up to a CR, a zero or 80 bytes.
        const size_t length = std::strlen(text);
        require(length == 0 || std::memcmp(text, data + before, length) == 0);
        require(std::memchr(text, '\r', length) == nullptr);
    }
}

void checkFileName(const uint8_t* data, size_t size) {
    const size_t pathLength = strnlen(reinterpret_cast<const char*>(data), size);
    const std::unique_ptr<char[]> path(new char[pathLength + 1]);
    std::memcpy(path.get(), data, pathLength);
    path[pathLength] = '\0';

    const size_t nameSize = size % 300;
    const std::unique_ptr<char[]> name(new char[nameSize + 1]);
    std::memset(name.get(), canary, nameSize + 1);
    if (progressFileName(path.get(), name.get(), nameSize)) {
        const size_t length = strnlen(name.get(), nameSize);
        require(length < nameSize && length >= 3 && std::memcmp(name.get() + length - 3, "txt", 3) == 0);
        require(std::memchr(name.get(), '\\', length) == nullptr);
    }
    require(name[nameSize] == canary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxInput) {
        return 0;
    }
    checkLines(data, size);
    checkFileName(data, size);
    return 0;
}
