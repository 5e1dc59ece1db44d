#include "quiz/lzw_expand.h"

#include "quiz/messages.h"
#include "quiz/quiz_texts.h"

#include <cstdlib>
#include <cstring>

// Format notes
//
// The stored blocks follow an LZW variant with a few rules that look like
// mistakes but are what the stored data relies on; keep them:
//
//  - The first code is always a byte: its low 8 bits, whatever its value.
//    It is not looked up and not tested for the control codes, so a first
//    code of 256 starts the output with a zero byte.
//  - Output runs one step late. The string of a code (the "pending" string)
//    is written only when the next ordinary code or the end code arrives, so
//    a failure leaves out the pending string.
//  - A reset (258) brings back the first free code and the starting width but
//    keeps the pending string: the next code defines entry 259 from the
//    string pending before the reset.
//  - The width only grows through the widen code (257), never by itself.
//  - A stream that stops in the middle of a code is read as if the missing
//    bits were zeros; if that gives the end code, the block is complete.
//
// Dictionary entries are (offset, length) into the output block, not copies.
// An entry is defined as the pending string plus the first byte of the next
// string; the pending string is written at the current output position in
// the same step and the next string is written right after it, so the entry
// is simply the bytes from that position on. Until the next step writes it,
// the last byte of the newest entry is missing; the copy below never reads
// it before it exists (see copyString). The one-byte strings 0..255 are
// entries too, pointing into a table of the 256 byte values kept past the
// end of the output in the same block, so that every string is copied the
// same way, without a branch on what kind of code named it.

namespace {

constexpr uint32_t endCode = 256;
constexpr uint32_t widenCode = 257;
constexpr uint32_t resetCode = 258;
constexpr uint32_t firstFreeCode = 259;
constexpr int startWidth = 9;
constexpr int maxWidth = 32;

// Layout of the block: the output, its zeroed slack, room for the 8-byte
// moves to run past the end of a string, the byte-value table, and room for
// an 8-byte read from its last value.
constexpr size_t copyOverrun = 8;
constexpr size_t byteTableOffset = lzwMaxOutput + lzwOutputSlack + copyOverrun + 5;  // 8-aligned
constexpr size_t blockSize = byteTableOffset + 256 + copyOverrun;

static_assert(byteTableOffset % 8 == 0, "the byte table starts 8-aligned");
static_assert(blockSize <= 0xFFFF && lzwMaxString <= 0xFFFF, "entries keep 16-bit offsets and lengths");

struct Entry {
    uint16_t offset;
    uint16_t length;
};

uint64_t loadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__GNUC__)
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
#else
    return (uint64_t(p[0]) << 56) | (uint64_t(p[1]) << 48) | (uint64_t(p[2]) << 40) | (uint64_t(p[3]) << 32) |
           (uint64_t(p[4]) << 24) | (uint64_t(p[5]) << 16) | (uint64_t(p[6]) << 8) | uint64_t(p[7]);
#endif
}

// Reads codes most significant bit first. `bits` holds the unread bits at its
// top; below the `count` valid bits it may hold the true leading bits of the
// next input byte (from a wide load), never anything else, so OR-ing that
// byte in again later is harmless.
class CodeReader {
public:
    CodeReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

    // Reads a code of `width` (1..32) bits. Returns false when the data ends
    // first; `code` then holds the bits there were, followed by zeros.
    bool read(int width, uint32_t& code) {
        if (length_ - position_ >= 8) {
            // Topping up on every code is cheaper than a hard-to-predict
            // test of whether it is needed.
            bits_ |= loadBigEndian64(data_ + position_) >> count_;
            const int taken = (63 - count_) >> 3;
            position_ += static_cast<size_t>(taken);
            count_ += taken * 8;
        } else if (count_ < width) {
            while (count_ <= 56 && position_ < length_) {
                bits_ |= uint64_t(data_[position_++]) << (56 - count_);
                count_ += 8;
            }
            if (count_ < width) {
                const uint64_t gathered = count_ == 0 ? 0 : bits_ >> (64 - count_);
                code = static_cast<uint32_t>(gathered << (width - count_));
                count_ = 0;
                bits_ = 0;
                return false;
            }
        }
        code = static_cast<uint32_t>(bits_ >> (64 - width));
        bits_ <<= width;
        count_ -= width;
        return true;
    }

private:
    const uint8_t* data_;
    size_t length_;
    size_t position_ = 0;
    uint64_t bits_ = 0;
    int count_ = 0;
};

// Writes the string of `length` (at least 1) bytes at `source` to
// `destination`; the caller has checked that it fits in the output.
//
// The source never reaches past the destination's first byte: it ends before
// the destination, or, when a code named the entry defined in its own step
// (the pending string followed by its own first byte), its last byte is the
// destination's first. So the first length - 1 bytes are copied as if apart,
// and the last one afterwards, once the first has been written.
//
// The copy moves 8 bytes at a time and may run up to 7 bytes past the string
// into output not produced yet, which is rewritten or zeroed before anyone
// reads it. Reads from the source stay inside the block for the same reason
// (the byte table has its own room after it).
inline void copyString(uint8_t* destination, const uint8_t* source, size_t length) {
    uint64_t chunk;
    std::memcpy(&chunk, source, 8);
    std::memcpy(destination, &chunk, 8);
    for (size_t i = 8; i < length - 1; i += 8) {
        std::memcpy(&chunk, source + i, 8);
        std::memcpy(destination + i, &chunk, 8);
    }
    destination[length - 1] = source[length - 1];
}

int32_t finish(int32_t result, uint8_t* block, size_t produced, uint8_t** output, int32_t* reportedLength) {
    // The codes parser may read three bytes past the produced data.
    std::memset(block + produced, 0, lzwOutputSlack);
    *output = block;
    *reportedLength = static_cast<int32_t>(produced + 2);
    return result;
}

void* allocateWithMalloc(size_t size) {
    return std::malloc(size);
}

LzwBlockAllocator blockAllocator = allocateWithMalloc;

}  // namespace

LzwBlockAllocator lzwSetBlockAllocator(LzwBlockAllocator allocator) {
    LzwBlockAllocator previous = blockAllocator;
    blockAllocator = allocator ? allocator : allocateWithMalloc;
    return previous;
}

int32_t lzwExpand(const uint8_t* input, size_t inputLength, uint8_t** output, int32_t* reportedLength) {
    auto* block = static_cast<uint8_t*>(blockAllocator(blockSize));
    if (block == nullptr) {
        showMessage(messageOutOfMemory, captionOutOfMemory, messageOk);
        return lzwOutOfMemory;
    }
    if (inputLength > lzwMaxInput) {
        return finish(lzwBadData, block, 0, output, reportedLength);
    }

    CodeReader reader(input, inputLength);
    uint32_t code = 0;
    if (!reader.read(startWidth, code)) {
        return finish(lzwNoInput, block, 0, output, reportedLength);
    }

    // Entries 256..258 are never read: those codes are handled apart.
    Entry dictionary[lzwDictionarySize];
    for (uint16_t value = 0; value < 256; ++value) {
        block[byteTableOffset + value] = static_cast<uint8_t>(value);
        dictionary[value] = Entry{static_cast<uint16_t>(byteTableOffset + value), 1};
    }
    uint32_t nextFree = firstFreeCode;
    int width = startWidth;
    size_t produced = 0;

    // The first code is a byte whatever its value (see the format notes).
    Entry pending = dictionary[code & 0xFF];

    for (;;) {
        if (width > maxWidth) {
            return finish(lzwBadData, block, produced, output, reportedLength);
        }
        const bool complete = reader.read(width, code);
        if (!complete && code != endCode) {
            return finish(lzwBadData, block, produced, output, reportedLength);
        }
        if (code >= endCode) {
            if (code == endCode) {
                if (produced + pending.length > lzwMaxOutput) {
                    return finish(lzwBadData, block, produced, output, reportedLength);
                }
                copyString(block + produced, block + pending.offset, pending.length);
                produced += pending.length;
                return finish(lzwOk, block, produced, output, reportedLength);
            }
            if (code == resetCode) {
                // The pending string stays: the next code defines entry 259
                // from it.
                nextFree = firstFreeCode;
                width = startWidth;
                continue;
            }
            if (code == widenCode) {
                ++width;
                continue;
            }
            if (code > nextFree) {
                return finish(lzwBadData, block, produced, output, reportedLength);
            }
        }

        // An ordinary code: define pending + first byte of c's string, write
        // the pending string, and c's string becomes pending. When c is the
        // entry being defined, its first byte is the pending string's first
        // byte, which is exactly what lands at `produced`.
        //
        // The entry length bound cannot be reached before the output bound
        // (a string of n bytes needs about n * n / 2 bytes of output first);
        // it is checked anyway so that no entry can outgrow its 16-bit length.
        if (nextFree >= static_cast<uint32_t>(lzwDictionarySize) || pending.length >= lzwMaxString ||
            produced + pending.length > lzwMaxOutput) {
            return finish(lzwBadData, block, produced, output, reportedLength);
        }
        dictionary[nextFree] = Entry{static_cast<uint16_t>(produced), static_cast<uint16_t>(pending.length + 1)};
        ++nextFree;
        copyString(block + produced, block + pending.offset, pending.length);
        produced += pending.length;
        pending = dictionary[code];
    }
}

void lzwFree(uint8_t* block) {
    std::free(block);
}
