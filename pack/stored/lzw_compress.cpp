#include "pack/stored/lzw_compress.h"

#include <cstring>
#include <memory>

namespace {

constexpr unsigned endCode = 256;
constexpr unsigned widenCode = 257;
constexpr unsigned resetCode = 258;
constexpr unsigned firstFreeCode = 259;
constexpr unsigned dictionarySize = 4096;
constexpr int startWidth = 9;

// Packs codes most significant bit first.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}

    void put(unsigned code, int width) {
        bits_ = (bits_ << width) | code;
        count_ += width;
        while (count_ >= 8) {
            count_ -= 8;
            out_.push_back(static_cast<uint8_t>(bits_ >> count_));
        }
    }

    // Pads the last byte with zero bits.
    void finish() {
        if (count_ > 0) {
            out_.push_back(static_cast<uint8_t>(bits_ << (8 - count_)));
            count_ = 0;
        }
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t bits_ = 0;
    int count_ = 0;
};

// The dictionary as a trie: child[code][byte] is the code of the string
// `code` followed by `byte`, or 0 when there is none (no string ever has
// code 0 as a child, so 0 is free to mean "absent"). A row is cleared when
// its code is defined, so a reset only has to clear the 256 literal rows.
struct Trie {
    uint16_t child[dictionarySize][256];

    void clearRow(unsigned code) { std::memset(child[code], 0, sizeof child[code]); }
    void clearLiterals() { std::memset(child, 0, 256 * sizeof child[0]); }
};

}  // namespace

std::vector<uint8_t> lzwCompress(const uint8_t* data, size_t length) {
    std::vector<uint8_t> out;
    if (length == 0) {
        // The expander takes the first code as a byte, so no stream stands
        // for an empty text; an empty result expands to "no input".
        return out;
    }
    out.reserve(length + length / 2 + 16);

    // Left uninitialised on purpose: only the rows in use are ever cleared.
    std::unique_ptr<Trie> trie(new Trie);
    trie->clearLiterals();
    CodeWriter writer(out);
    int width = startWidth;
    unsigned nextFree = firstFreeCode;

    auto emit = [&](unsigned code) {
        while (code >= (1u << width)) {
            writer.put(widenCode, width);
            ++width;
        }
        writer.put(code, width);
    };

    unsigned current = data[0];
    bool currentIsLiteral = true;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t byte = data[i];
        const unsigned next = trie->child[current][byte];
        if (next != 0) {
            current = next;
            currentIsLiteral = false;
            continue;
        }
        emit(current);
        // The expander defines an entry one code late, from the string it
        // holds and the first byte of the next one: that is `current`
        // followed by `byte`, numbered nextFree on both sides.
        if (nextFree == dictionarySize) {
            // The dictionary is full: reset now, before the next code would
            // make the expander define entry 4096. The expander keeps the
            // string it holds across the reset, so its entry 259 is
            // `current` followed by `byte`. That entry can only be reached
            // through the trie when `current` is a single byte; otherwise it
            // is numbered but never used.
            writer.put(resetCode, width);
            width = startWidth;
            trie->clearLiterals();
            nextFree = firstFreeCode;
            trie->clearRow(nextFree);
            if (currentIsLiteral) {
                trie->child[current][byte] = static_cast<uint16_t>(nextFree);
            }
        } else {
            trie->clearRow(nextFree);
            trie->child[current][byte] = static_cast<uint16_t>(nextFree);
        }
        ++nextFree;
        current = byte;
        currentIsLiteral = true;
    }
    emit(current);
    writer.put(endCode, width);
    writer.finish();
    return out;
}
