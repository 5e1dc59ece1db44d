// The player stores every text as single-byte Windows-1252; quiz sources are
// UTF-8. These conversions are exact: a character with no Windows-1252 byte
// is reported, never guessed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UnmappableCharacter {
    uint32_t codePoint;  // U+FFFD for a broken UTF-8 sequence
    size_t position;     // counted in characters from 1
};

// Converts UTF-8 to Windows-1252. Each character without a byte of its own
// becomes "?" in the result and is listed in *unmappable (when given).
std::string utf8ToWindows1252(std::string_view utf8, std::vector<UnmappableCharacter>* unmappable);

// Windows-1252 to UTF-8. The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
std::string windows1252ToUtf8(std::string_view bytes);

// "U+4E2D" style name of a code point, with at least four hex digits.
std::string codePointName(uint32_t codePoint);

// The UTF-8 form of one code point.
std::string utf8FromCodePoint(uint32_t codePoint);

// The offset of the first byte that breaks strict UTF-8, or npos.
size_t firstInvalidUtf8(const std::string& text);
