#include "quiz/windows1252.h"

#include <cstdio>

namespace {

constexpr uint32_t replacementCharacter = 0xFFFD;

// Code points of the bytes 0x80 to 0x9F. Zero marks the five undefined bytes:
// nothing converts to them, so a stored text never holds one.
constexpr uint32_t highControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

// The byte of a code point, or -1 when Windows-1252 has none. U+0080 to U+009F
// (the C1 controls) have none: those bytes stand for other characters.
int windows1252Byte(uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<int>(codePoint);
    }
    for (int i = 0; i < 32; ++i) {
        if (highControlRange[i] != 0 && highControlRange[i] == codePoint) {
            return 0x80 + i;
        }
    }
    return -1;
}

// Decodes one UTF-8 sequence at text[*at] and moves past it. A broken
// sequence gives U+FFFD and moves one byte.
uint32_t nextCodePoint(std::string_view text, size_t* at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(*at);
    int extra = 0;
    uint32_t value = 0;
    uint32_t smallest = 0;
    if (lead < 0x80) {
        ++*at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07u;
        smallest = 0x10000;
    } else {
        ++*at;
        return replacementCharacter;
    }
    if (*at + static_cast<size_t>(extra) >= text.size()) {
        ++*at;
        return replacementCharacter;
    }
    for (int i = 1; i <= extra; ++i) {
        const uint8_t next = byte(*at + static_cast<size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return replacementCharacter;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++*at;
        return replacementCharacter;
    }
    *at += static_cast<size_t>(extra) + 1;
    return value;
}

}  // namespace

std::string utf8ToWindows1252(std::string_view utf8, std::vector<UnmappableCharacter>* unmappable) {
    std::string result;
    result.reserve(utf8.size());
    size_t at = 0;
    size_t position = 0;
    while (at < utf8.size()) {
        const uint32_t codePoint = nextCodePoint(utf8, &at);
        ++position;
        const int mapped = codePoint == replacementCharacter ? -1 : windows1252Byte(codePoint);
        if (mapped < 0) {
            result.push_back('?');
            if (unmappable) {
                unmappable->push_back({codePoint, position});
            }
        } else {
            result.push_back(static_cast<char>(mapped));
        }
    }
    return result;
}

std::string utf8FromCodePoint(uint32_t codePoint) {
    std::string out;
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
    return out;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string result;
    result.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        uint32_t codePoint = byte;
        if (byte >= 0x80 && byte <= 0x9F) {
            codePoint = highControlRange[byte - 0x80];
            if (codePoint == 0) {
                codePoint = replacementCharacter;
            }
        }
        result += utf8FromCodePoint(codePoint);
    }
    return result;
}

std::string codePointName(uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    return name;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t firstInvalidUtf8(const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        // A broken sequence moves one byte; a real U+FFFD moves three.
        if (nextCodePoint(text, &at) == replacementCharacter && at - start == 1) return start;
    }
    return std::string::npos;
}
