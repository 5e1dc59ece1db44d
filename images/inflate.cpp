#include "images/inflate.h"

#include <cstring>

// Design notes
//
// - The output is one buffer that holds everything the stream produces, so a
//   match copies straight from bytes already written: there is no window to
//   slide, and a distance is valid exactly when it stays inside the buffer.
// - Bits sit in a 64-bit buffer, least significant first as DEFLATE packs
//   them. While at least 8 bytes of the current input piece remain, a refill
//   is one unaligned load and no branch: it ORs the next 8 bytes in above the
//   valid bits and counts only the whole bytes that fitted. The bits above
//   the count are then the true next input bits, so OR-ing them in again on
//   the next refill changes nothing. Every other refill goes byte by byte
//   and clears those look-ahead bits first.
// - A table entry is everything a symbol needs: its kind, its value (byte,
//   base length or base distance), and how many bits to drop (code length
//   plus extra bits), so one shift drops both and the extra bits are taken
//   from the bits saved before the shift. Codes longer than the root table's
//   index lead to a subtable. Where two short literal codes fit the index
//   together, one entry gives both.
// - The fast loop runs while the input piece has 8 bytes for a refill and
//   the output has room for the longest match plus the 63 bytes a copy may
//   write past its end. Copies move 16 bytes at a time. Everything else goes
//   through the careful path, one symbol at a time, with every byte checked.
// - Past the end of the input the careful path reads zero bits and counts
//   them. The stream is truncated as soon as one of them is used, which also
//   keeps a cut stream from decoding forever: it fails at its next symbol.
// - The output is filled and then decoding stops: whatever follows in the
//   stream is never looked at, since the caller has no use for it.

namespace {

constexpr uint32_t entryPair = 1u << 7;
constexpr uint32_t entryLiteral = 1u << 12;
constexpr uint32_t entrySubtable = 1u << 13;
constexpr uint32_t entryEndOfBlock = 1u << 14;
constexpr uint32_t entryInvalid = 1u << 15;

// Bits 0-5: bits to drop (code length plus extra bits; for a subtable link,
// the subtable's index width). Bit 7: a pair of literals. Bits 8-11: the
// code length alone (of the first literal of a pair). Bits 16-31: the value
// (a pair's second literal in bits 24-31).
inline unsigned entryBits(uint32_t entry) {
    return entry & 0x3F;
}
inline unsigned entryCodeLength(uint32_t entry) {
    return (entry >> 8) & 0xF;
}
inline uint32_t entryValue(uint32_t entry) {
    return entry >> 16;
}
// The extra bits that follow the code, from the bits saved before dropping.
inline uint32_t entryExtra(uint64_t saved, uint32_t entry) {
    return static_cast<uint32_t>((saved & ((uint64_t(1) << entryBits(entry)) - 1)) >> entryCodeLength(entry));
}

constexpr unsigned maxCodeLength = 15;
constexpr unsigned litlenSymbols = 288;
constexpr unsigned distanceSymbols = 32;
constexpr unsigned precodeSymbols = 19;
constexpr unsigned maxLitlenCodes = 286;
constexpr unsigned maxDistanceCodes = 30;
constexpr unsigned endOfBlockSymbol = 256;

constexpr unsigned litlenRootBits = 10;  // five literal lookups in a refill
constexpr unsigned distanceRootBits = 8;
constexpr unsigned precodeRootBits = 7;  // the longest precode: no subtables

// Room for the root table and its subtables. A subtable serves codes sharing
// a root index and holds at least two of them, and at most 2^(15 - root)
// entries, which bounds the total even for the largest alphabet.
constexpr size_t litlenTableSize = (size_t(1) << litlenRootBits) + (litlenSymbols / 2) * (size_t(1) << (15 - litlenRootBits));
constexpr size_t distanceTableSize =
    (size_t(1) << distanceRootBits) + (distanceSymbols / 2) * (size_t(1) << (15 - distanceRootBits));
constexpr size_t precodeTableSize = size_t(1) << precodeRootBits;

constexpr uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                       193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the precode lengths are stored.
constexpr uint8_t precodeOrder[precodeSymbols] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// What an entry says about each symbol, before its code length is added.
struct SymbolKinds {
    uint32_t litlen[litlenSymbols];
    uint32_t distance[distanceSymbols];
    uint32_t precode[precodeSymbols];
};

SymbolKinds makeSymbolKinds() {
    SymbolKinds kinds{};
    for (uint32_t s = 0; s < 256; ++s) {
        kinds.litlen[s] = entryLiteral | (s << 16);
    }
    kinds.litlen[endOfBlockSymbol] = entryEndOfBlock;
    for (uint32_t s = 257; s < 286; ++s) {
        kinds.litlen[s] = (uint32_t(lengthBase[s - 257]) << 16) | lengthExtra[s - 257];
    }
    // 286 and 287 have codes in the fixed code but stand for nothing.
    kinds.litlen[286] = kinds.litlen[287] = entryInvalid;
    for (uint32_t s = 0; s < 30; ++s) {
        kinds.distance[s] = (uint32_t(distanceBase[s]) << 16) | distanceExtra[s];
    }
    kinds.distance[30] = kinds.distance[31] = entryInvalid;
    for (uint32_t s = 0; s < precodeSymbols; ++s) {
        kinds.precode[s] = s << 16;
    }
    return kinds;
}

const SymbolKinds& symbolKinds() {
    static const SymbolKinds kinds = makeSymbolKinds();
    return kinds;
}

enum class CodeKind { precode, litlen, distance };

struct ByteReversal {
    uint8_t of[256];
};

ByteReversal makeByteReversal() {
    ByteReversal reversal{};
    for (unsigned value = 0; value < 256; ++value) {
        unsigned reversed = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            reversed |= ((value >> bit) & 1) << (7 - bit);
        }
        reversal.of[value] = static_cast<uint8_t>(reversed);
    }
    return reversal;
}

// DEFLATE sends Huffman codes most significant bit first into a stream read
// from the least significant end, so tables are indexed by reversed codes.
inline uint32_t reverseBits(uint32_t code, unsigned length) {
    static const ByteReversal reversal = makeByteReversal();
    const uint32_t reversed16 = (uint32_t(reversal.of[code & 0xFF]) << 8) | reversal.of[(code >> 8) & 0xFF];
    return reversed16 >> (16 - length);
}

// Fills `table` for the canonical code of `lengths`. Returns false for a
// code DEFLATE does not accept: over-subscribed, or incomplete, except that
// a literal/length or distance code may be a single code of one bit (and a
// distance code may be empty: a block of literals only). Bits that no code
// covers lead to an invalid entry.
bool buildTable(const uint8_t* lengths, unsigned symbolCount, const uint32_t* kinds, unsigned rootBits,
                uint32_t* table, size_t capacity, CodeKind kind) {
    // Four histograms, so that runs of equal lengths do not wait on one
    // counter in memory.
    unsigned partial[4][maxCodeLength + 1] = {};
    unsigned s = 0;
    for (; s + 4 <= symbolCount; s += 4) {
        ++partial[0][lengths[s]];
        ++partial[1][lengths[s + 1]];
        ++partial[2][lengths[s + 2]];
        ++partial[3][lengths[s + 3]];
    }
    for (; s < symbolCount; ++s) {
        ++partial[0][lengths[s]];
    }
    unsigned count[maxCodeLength + 1];
    for (unsigned length = 0; length <= maxCodeLength; ++length) {
        count[length] = partial[0][length] + partial[1][length] + partial[2][length] + partial[3][length];
    }
    count[0] = 0;
    unsigned longest = maxCodeLength;
    while (longest > 0 && count[longest] == 0) {
        --longest;
    }
    const size_t rootSize = size_t(1) << rootBits;
    if (longest == 0) {
        if (kind != CodeKind::distance) {
            return false;
        }
        for (size_t i = 0; i < rootSize; ++i) {
            table[i] = entryInvalid;
        }
        return true;
    }
    int left = 1;
    for (unsigned length = 1; length <= maxCodeLength; ++length) {
        left = (left << 1) - static_cast<int>(count[length]);
        if (left < 0) {
            return false;
        }
    }
    if (left > 0) {
        // A lone one-bit code: its entry and an invalid one, nothing more.
        if (kind == CodeKind::precode || longest != 1) {
            return false;
        }
        unsigned symbol = 0;
        while (lengths[symbol] == 0) {
            ++symbol;
        }
        for (size_t i = 0; i < rootSize; ++i) {
            // The gap is known from its one bit.
            table[i] = (i & 1) == 0 ? kinds[symbol] + 1 + (1u << 8) : entryInvalid + 1;
        }
        return true;
    }

    // Symbols sorted by code length, then by value: the canonical order.
    unsigned offset[maxCodeLength + 2];
    offset[1] = 0;
    for (unsigned length = 1; length <= maxCodeLength; ++length) {
        offset[length + 1] = offset[length] + count[length];
    }
    uint16_t sorted[litlenSymbols];
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol) {
        if (lengths[symbol] != 0) {
            sorted[offset[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
        }
    }
    // offset[length] now ends the run of that length.

    // Codes up to the root width: the entries of the codes of one length go
    // into the first 2^length entries, which then are copied upwards to fill
    // twice as many. Entries left over for longer codes are overwritten when
    // those come.
    unsigned shortest = 1;
    while (count[shortest] == 0) {
        ++shortest;
    }
    if (shortest > rootBits) {
        return false;  // not complete then: 2^root codes would be needed
    }
    uint32_t code = 0;
    unsigned at = 0;
    size_t filled = size_t(1) << shortest;
    const unsigned lastRootLength = longest < rootBits ? longest : rootBits;
    for (unsigned length = shortest;; ++length) {
        for (; at < offset[length]; ++at) {
            const unsigned symbol = sorted[at];
            table[reverseBits(code, length)] = kinds[symbol] + length + (length << 8);
            ++code;
        }
        if (length == lastRootLength) {
            break;
        }
        std::memcpy(table + filled, table, filled * sizeof table[0]);
        filled *= 2;
        code <<= 1;
    }
    while (filled < rootSize) {
        std::memcpy(table + filled, table, filled * sizeof table[0]);
        filled *= 2;
    }
    if (longest <= rootBits) {
        return true;
    }

    // Longer codes go to subtables, one per root index they share, as wide
    // as the longest code under that index.
    const uint32_t rootMask = static_cast<uint32_t>(rootSize - 1);
    uint8_t subBits[size_t(1) << litlenRootBits];
    std::memset(subBits, 0, rootSize);
    {
        uint32_t longCode = code;
        unsigned previous = rootBits;
        for (unsigned k = at; k < offset[maxCodeLength]; ++k) {
            const unsigned length = lengths[sorted[k]];
            longCode <<= (length - previous);
            previous = length;
            const uint32_t prefix = reverseBits(longCode, length) & rootMask;
            if (length - rootBits > subBits[prefix]) {
                subBits[prefix] = static_cast<uint8_t>(length - rootBits);
            }
            ++longCode;
        }
    }
    size_t nextSubtable = rootSize;
    unsigned previous = rootBits;
    for (; at < offset[maxCodeLength]; ++at) {
        const unsigned symbol = sorted[at];
        const unsigned length = lengths[symbol];
        code <<= (length - previous);
        previous = length;
        const uint32_t reversed = reverseBits(code, length);
        ++code;
        const uint32_t prefix = reversed & rootMask;
        const unsigned width = subBits[prefix] & 0x7F;
        size_t start;
        if (subBits[prefix] & 0x80) {
            start = entryValue(table[prefix]);
        } else {
            start = nextSubtable;
            nextSubtable += size_t(1) << width;
            if (nextSubtable > capacity || start > 0xFFFF) {
                return false;
            }
            table[prefix] = entrySubtable | (static_cast<uint32_t>(start) << 16) | width;
            subBits[prefix] |= 0x80;
        }
        const unsigned subLength = length - rootBits;
        const uint32_t entry = kinds[symbol] + subLength + (subLength << 8);
        for (size_t index = reversed >> rootBits; index < (size_t(1) << width); index += size_t(1) << subLength) {
            table[start + index] = entry;
        }
    }
    return true;
}

// Where two literal codes fit in the root index together, their entry gives
// both, so that one lookup writes two bytes: photographs compress to short
// literal codes, and each lookup waits for the one before it. The entry's
// code length stays the first literal's, for the careful path, which takes
// one literal at a time.
void pairLiterals(uint32_t* table, unsigned rootBits) {
    // Downwards, so that the second entry, at an index no larger, is still
    // a single one when it is read. Without branches: which entries pair up
    // is as good as random.
    for (size_t i = size_t(1) << rootBits; i-- > 0;) {
        const uint32_t first = table[i];
        const unsigned firstBits = entryBits(first);
        const uint32_t second = table[i >> firstBits];
        const unsigned bits = firstBits + entryBits(second);
        const uint32_t pair = entryLiteral | entryPair | ((first & 0x00FF0000u)) | ((second & 0x00FF0000u) << 8) |
                              bits | (firstBits << 8);
        const bool fits = (first & second & entryLiteral) != 0 && bits <= rootBits;
        table[i] = fits ? pair : first;
    }
}

struct FixedTables {
    uint32_t litlen[size_t(1) << litlenRootBits];
    uint32_t distance[size_t(1) << distanceRootBits];
};

FixedTables makeFixedTables() {
    FixedTables fixed{};
    uint8_t lengths[litlenSymbols];
    for (unsigned s = 0; s < litlenSymbols; ++s) {
        lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    }
    buildTable(lengths, litlenSymbols, symbolKinds().litlen, litlenRootBits, fixed.litlen,
               sizeof fixed.litlen / sizeof fixed.litlen[0], CodeKind::litlen);
    std::memset(lengths, 5, distanceSymbols);
    buildTable(lengths, distanceSymbols, symbolKinds().distance, distanceRootBits, fixed.distance,
               sizeof fixed.distance / sizeof fixed.distance[0], CodeKind::distance);
    return fixed;
}

const FixedTables& fixedTables() {
    static const FixedTables fixed = makeFixedTables();
    return fixed;
}

inline uint64_t loadLittleEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

inline void copy8(uint8_t* to, const uint8_t* from) {
    uint64_t v;
    std::memcpy(&v, from, 8);
    std::memcpy(to, &v, 8);
}

inline void copy16(uint8_t* to, const uint8_t* from) {
    uint8_t v[16];
    std::memcpy(v, from, 16);
    std::memcpy(to, v, 16);
}

// Writes the match of `length` bytes at `distance` (1 or more, inside the
// output) to `out`, and up to 63 bytes more past its end, which the caller
// guarantees are inside the buffer and which later output overwrites.
inline void copyMatch(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    uint8_t* const end = out + length;
    if (distance >= 16) {
        // Most matches are short and far: four copies without a test cover
        // them, and a loop the rest (a test on the length is hard to predict). Each 16 bytes are read after the 16
        // before them are written, so a distance of 16 to 31 works as well.
        copy16(out, from);
        copy16(out + 16, from + 16);
        copy16(out + 32, from + 32);
        copy16(out + 48, from + 48);
        out += 64;
        from += 64;
        while (out < end) {
            copy16(out, from);
            copy16(out + 16, from + 16);
            out += 32;
            from += 32;
        }
    } else if (distance >= 8) {
        do {
            copy8(out, from);
            out += 8;
            from += 8;
        } while (out < end);
    } else if (distance == 1) {
        const uint64_t v = uint64_t(from[0]) * 0x0101010101010101ull;
        do {
            std::memcpy(out, &v, 8);
            std::memcpy(out + 8, &v, 8);
            out += 16;
        } while (out < end);
    } else {
        // A short distance repeats its bytes with that period. Eight bytes of
        // the repetition, stored at steps that are whole periods, make the
        // rest without reading bytes that are being written.
        uint8_t pattern[8];
        for (size_t i = 0; i < 8; ++i) {
            pattern[i] = i < distance ? from[i] : pattern[i - distance];
        }
        const size_t step = 8 - 8 % distance;
        do {
            std::memcpy(out, pattern, 8);
            out += step;
        } while (out < end);
    }
}

// Results of decoding inside a block, beside the InflateResult failures.
constexpr int blockDone = -1;
constexpr int outputFull = -2;
constexpr int keepGoing = -3;

// Room the fast loop keeps at the end of the output: the longest match plus
// the overrun of its copy (more than the literals of one refill take).
constexpr size_t fastOutputMargin = 258 + 64;
constexpr size_t fastInputMargin = 8;
constexpr size_t pairingWorthwhile = 16384;

struct Inflater {
    uint64_t bits = 0;
    unsigned count = 0;  // valid bits in `bits`
    const uint8_t* in = nullptr;
    const uint8_t* inEnd = nullptr;
    const InflateSource* more = nullptr;
    size_t zeroBytes = 0;  // zeros fed in past the end of the input

    uint8_t* outStart = nullptr;
    uint8_t* out = nullptr;
    uint8_t* outEnd = nullptr;

    uint32_t litlen[litlenTableSize];
    uint32_t distance[distanceTableSize];
    uint32_t precode[precodeTableSize];
    uint8_t lengths[maxLitlenCodes + maxDistanceCodes];

    bool nextPiece() {
        while (more != nullptr) {
            const uint8_t* data = nullptr;
            size_t size = 0;
            if (!more->next(more->context, &data, &size)) {
                more = nullptr;
                break;
            }
            if (size > 0) {
                in = data;
                inEnd = data + size;
                return true;
            }
        }
        return false;
    }

    // Tops the buffer up to at least 49 bits: with one wide load while the
    // piece has 8 bytes, else byte by byte, with zeros once the input has
    // ended.
    void refill() {
        if (inEnd - in >= 8) {
            bits |= loadLittleEndian64(in) << count;
            in += (63 - count) >> 3;
            count |= 56;
            return;
        }
        if (count < 64) {
            bits &= (uint64_t(1) << count) - 1;
        }
        while (count <= 48) {
            if (in == inEnd && !nextPiece()) {
                ++zeroBytes;
            } else {
                bits |= uint64_t(*in++) << count;
            }
            count += 8;
        }
    }

    void drop(unsigned n) {
        bits >>= n;
        count -= n;
    }

    // True once a zero from past the end of the input has been used.
    bool truncated() const {
        return zeroBytes * 8 > count;
    }

    uint32_t lookup(const uint32_t* table, unsigned rootBits) {
        uint32_t entry = table[bits & ((uint64_t(1) << rootBits) - 1)];
        if (entry & entrySubtable) {
            drop(rootBits);
            entry = table[entryValue(entry) + (bits & ((uint64_t(1) << entryBits(entry)) - 1))];
        }
        return entry;
    }

    // Bits in the buffer that came from the input, not from past its end.
    unsigned realBits() const {
        return zeroBytes * 8 >= count ? 0 : count - static_cast<unsigned>(zeroBytes * 8);
    }

    // An invalid entry is known from the bits its entry counts (none for an
    // empty code); when some of those are zeros from past the end, the
    // stream was cut, not bad.
    int invalid(uint32_t entry) const {
        return realBits() < entryBits(entry) ? inflateTruncated : inflateBadSymbol;
    }

    int carefulSymbol(const uint32_t* litlenTable, const uint32_t* distanceTable);
    int huffmanBlock(const uint32_t* litlenTable, const uint32_t* distanceTable);
    int storedBlock();
    int readDynamicTables();
    InflateResult run(bool zlibWrapper);
};

#if defined(_MSC_VER) && !defined(__clang__)
#define VYRLA_ALWAYS_INLINE __forceinline
#else
#define VYRLA_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

// The fast loop, from the moment the input piece has 16 bytes and the output
// room for a match, until either runs short, the block ends, or the data is
// bad. It is compiled twice, the second time for processors with BMI2, whose
// shifts and bit extraction take fewer instructions.
VYRLA_ALWAYS_INLINE int fastLoopBody(Inflater& s, const uint32_t* litlenTable, const uint32_t* distanceTable) {
    uint64_t b = s.bits;
    unsigned c = s.count;
    const uint8_t* i = s.in;
    uint8_t* o = s.out;
    const uint8_t* const inLimit = s.inEnd - fastInputMargin;
    uint8_t* const outLimit = s.outEnd - fastOutputMargin;
    const uint8_t* const start = s.outStart;
    constexpr uint64_t litlenMask = (uint64_t(1) << litlenRootBits) - 1;
    constexpr uint64_t distanceMask = (uint64_t(1) << distanceRootBits) - 1;
    int result = keepGoing;

    // After a refill all 64 bits of `b` are input, counted or not (the
    // uncounted ones are only counted at the next refill, which ORs the same
    // bits in again). Lookups are made from these bits ahead of the refill,
    // so that the refill's load never waits between one symbol and the next.
    //
    // Only the low 6 bits of `c` count: whole entries are subtracted from
    // it, and shifts take their count modulo 64 anyway, which spares a mask
    // on the path from one symbol to the next.
    auto refill = [&]() {
        b |= loadLittleEndian64(i) << (c & 63);
        i += (~c & 63) >> 3;
        c |= 56;
    };
    auto drop = [&](uint32_t entry) {
        b >>= (entry & 63);
        c -= entry;
    };
    // Writes the literal or pair of a root entry (always two bytes, the
    // second overwritten later when it is not part of the output).
    auto literals = [&](uint32_t entry) {
        const auto value = static_cast<uint16_t>(entryValue(entry));
        std::memcpy(o, &value, 2);
        o += 1 + ((entry >> 7) & 1);
        drop(entry);
    };

    refill();
    uint32_t entry = litlenTable[b & litlenMask];
    // At the top of each round `entry` belongs to the low bits of `b`.
    while (i <= inLimit && o <= outLimit) {
        refill();
        if (entry & entryLiteral) {
            // Root literal entries take at most 10 bits: after five of them
            // 14 of the 64 bits are left for the next lookup.
            literals(entry);
            entry = litlenTable[b & litlenMask];
            if (entry & entryLiteral) {
                literals(entry);
                entry = litlenTable[b & litlenMask];
                if (entry & entryLiteral) {
                    literals(entry);
                    entry = litlenTable[b & litlenMask];
                    if (entry & entryLiteral) {
                        literals(entry);
                        entry = litlenTable[b & litlenMask];
                        if (entry & entryLiteral) {
                            literals(entry);
                            entry = litlenTable[b & litlenMask];
                        }
                    }
                }
            }
            continue;
        }
        if (entry & (entrySubtable | entryEndOfBlock | entryInvalid)) {
            if (entry & entrySubtable) {
                b >>= litlenRootBits;
                c -= litlenRootBits;
                entry = litlenTable[entryValue(entry) + (b & ((uint64_t(1) << entryBits(entry)) - 1))];
            }
            if (entry & entryLiteral) {
                *o++ = static_cast<uint8_t>(entryValue(entry));
                drop(entry);
                entry = litlenTable[b & litlenMask];
                continue;
            }
            if (entry & entryInvalid) {
                result = inflateBadSymbol;
                break;
            }
            if (entry & entryEndOfBlock) {
                drop(entry);
                result = blockDone;
                break;
            }
        }
        // A length (at most 20 bits) and a distance (at most 28) take at
        // most 48 of the 64 bits the refill left, so the next entry can be
        // looked up from the 16 that remain, counted or not.
        uint64_t saved = b;
        drop(entry);
        const size_t length = entryValue(entry) + entryExtra(saved, entry);
        entry = distanceTable[b & distanceMask];
        if (entry & (entrySubtable | entryInvalid)) {
            if (entry & entrySubtable) {
                b >>= distanceRootBits;
                c -= distanceRootBits;
                entry = distanceTable[entryValue(entry) + (b & ((uint64_t(1) << entryBits(entry)) - 1))];
            }
            if (entry & entryInvalid) {
                result = inflateBadSymbol;
                break;
            }
        }
        saved = b;
        drop(entry);
        const size_t distance = entryValue(entry) + entryExtra(saved, entry);
        entry = litlenTable[b & litlenMask];
        if (distance > static_cast<size_t>(o - start)) {
            result = inflateDistanceTooFar;
            break;
        }
        copyMatch(o, distance, length);
        o += length;
    }
    s.bits = b;
    s.count = c & 63;
    s.in = i;
    s.out = o;
    return result;
}

using FastLoop = int (*)(Inflater&, const uint32_t*, const uint32_t*);

int fastLoopPlain(Inflater& s, const uint32_t* litlenTable, const uint32_t* distanceTable) {
    return fastLoopBody(s, litlenTable, distanceTable);
}

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(_MSC_VER)
__attribute__((target("bmi2"))) int fastLoopBmi2(Inflater& s, const uint32_t* litlenTable,
                                                 const uint32_t* distanceTable) {
    return fastLoopBody(s, litlenTable, distanceTable);
}
#endif

FastLoop chooseFastLoop() {
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(_MSC_VER)
    if (__builtin_cpu_supports("bmi2")) {
        return fastLoopBmi2;
    }
#endif
    return fastLoopPlain;
}

FastLoop fastLoop() {
    static const FastLoop chosen = chooseFastLoop();
    return chosen;
}

int Inflater::carefulSymbol(const uint32_t* litlenTable, const uint32_t* distanceTable) {
    refill();
    uint32_t entry = lookup(litlenTable, litlenRootBits);
    if (entry & entryInvalid) {
        return invalid(entry);
    }
    if (entry & entryLiteral) {
        drop(entryCodeLength(entry));
        if (truncated()) {
            return inflateTruncated;
        }
        *out++ = static_cast<uint8_t>(entryValue(entry));
        return out == outEnd ? outputFull : keepGoing;
    }
    uint64_t saved = bits;
    drop(entryBits(entry));
    if (truncated()) {
        return inflateTruncated;
    }
    if (entry & entryEndOfBlock) {
        return blockDone;
    }
    const size_t length = entryValue(entry) + entryExtra(saved, entry);

    entry = lookup(distanceTable, distanceRootBits);
    if (entry & entryInvalid) {
        return invalid(entry);
    }
    saved = bits;
    drop(entryBits(entry));
    if (truncated()) {
        return inflateTruncated;
    }
    const size_t distance = entryValue(entry) + entryExtra(saved, entry);
    if (distance > static_cast<size_t>(out - outStart)) {
        return inflateDistanceTooFar;
    }
    const size_t room = static_cast<size_t>(outEnd - out);
    const size_t n = length < room ? length : room;
    const uint8_t* from = out - distance;
    for (size_t k = 0; k < n; ++k) {
        out[k] = from[k];
    }
    out += n;
    return out == outEnd ? outputFull : keepGoing;
}

int Inflater::huffmanBlock(const uint32_t* litlenTable, const uint32_t* distanceTable) {
    for (;;) {
        if (inEnd - in >= static_cast<ptrdiff_t>(fastInputMargin) &&
            outEnd - out >= static_cast<ptrdiff_t>(fastOutputMargin)) {
            const int result = fastLoop()(*this, litlenTable, distanceTable);
            if (result != keepGoing) {
                return result;
            }
        }
        const int result = carefulSymbol(litlenTable, distanceTable);
        if (result != keepGoing) {
            return result;
        }
    }
}

int Inflater::storedBlock() {
    drop(count & 7);
    if (count < 32) {
        refill();
    }
    const uint32_t length = static_cast<uint32_t>(bits & 0xFFFF);
    const uint32_t complement = static_cast<uint32_t>((bits >> 16) & 0xFFFF);
    drop(32);
    if (truncated()) {
        return inflateTruncated;
    }
    if (complement != (~length & 0xFFFF)) {
        return inflateBadStoredLength;
    }
    size_t remaining = length;
    // The bit buffer holds the first bytes already; the zeros past the end of
    // the input, if any, are its last ones.
    while (remaining > 0 && count >= 8) {
        if (out == outEnd) {
            return outputFull;
        }
        if (count / 8 <= zeroBytes) {
            return inflateTruncated;
        }
        *out++ = static_cast<uint8_t>(bits);
        drop(8);
        --remaining;
    }
    if (remaining == 0) {
        return out == outEnd ? outputFull : blockDone;
    }
    // The rest comes straight from the input, and the look-ahead bits of the
    // last wide load go stale.
    bits = 0;
    while (remaining > 0) {
        if (out == outEnd) {
            return outputFull;
        }
        if (in == inEnd && !nextPiece()) {
            return inflateTruncated;
        }
        size_t n = static_cast<size_t>(inEnd - in);
        if (n > remaining) {
            n = remaining;
        }
        const size_t room = static_cast<size_t>(outEnd - out);
        if (n > room) {
            n = room;
        }
        std::memcpy(out, in, n);
        out += n;
        in += n;
        remaining -= n;
    }
    return out == outEnd ? outputFull : blockDone;
}

int Inflater::readDynamicTables() {
    refill();
    const unsigned litlenCount = static_cast<unsigned>(bits & 31) + 257;
    const unsigned distanceCount = static_cast<unsigned>((bits >> 5) & 31) + 1;
    const unsigned precodeCount = static_cast<unsigned>((bits >> 10) & 15) + 4;
    drop(14);
    if (truncated()) {
        return inflateTruncated;
    }
    if (litlenCount > maxLitlenCodes || distanceCount > maxDistanceCodes) {
        return inflateBadCodeLengths;
    }

    uint8_t precodeLengths[precodeSymbols] = {};
    for (unsigned k = 0; k < precodeCount; ++k) {
        refill();
        precodeLengths[precodeOrder[k]] = static_cast<uint8_t>(bits & 7);
        drop(3);
    }
    if (truncated()) {
        return inflateTruncated;
    }
    if (!buildTable(precodeLengths, precodeSymbols, symbolKinds().precode, precodeRootBits, precode,
                    precodeTableSize, CodeKind::precode)) {
        return inflateBadHuffmanCode;
    }

    // The literal/length and distance lengths form one sequence: a repeat
    // may run from the first into the second.
    const unsigned total = litlenCount + distanceCount;
    unsigned k = 0;
    while (k < total) {
        refill();
        const uint32_t entry = precode[bits & (precodeTableSize - 1)];
        drop(entryBits(entry));
        const unsigned symbol = entryValue(entry);
        if (symbol < 16) {
            if (truncated()) {
                return inflateTruncated;
            }
            lengths[k++] = static_cast<uint8_t>(symbol);
            continue;
        }
        unsigned repeat;
        uint8_t value = 0;
        if (symbol == 16) {
            if (k == 0) {
                return truncated() ? inflateTruncated : inflateBadCodeLengths;
            }
            value = lengths[k - 1];
            repeat = 3 + static_cast<unsigned>(bits & 3);
            drop(2);
        } else if (symbol == 17) {
            repeat = 3 + static_cast<unsigned>(bits & 7);
            drop(3);
        } else {
            repeat = 11 + static_cast<unsigned>(bits & 127);
            drop(7);
        }
        if (truncated()) {
            return inflateTruncated;
        }
        if (repeat > total - k) {
            return inflateBadCodeLengths;
        }
        std::memset(lengths + k, value, repeat);
        k += repeat;
    }
    if (lengths[endOfBlockSymbol] == 0) {
        return inflateBadCodeLengths;
    }
    if (!buildTable(lengths, litlenCount, symbolKinds().litlen, litlenRootBits, litlen, litlenTableSize,
                    CodeKind::litlen) ||
        !buildTable(lengths + litlenCount, distanceCount, symbolKinds().distance, distanceRootBits, distance,
                    distanceTableSize, CodeKind::distance)) {
        return inflateBadHuffmanCode;
    }
    // Pairing costs a pass over the root table: worth it only when many
    // literals may follow.
    if (outEnd - out >= static_cast<ptrdiff_t>(pairingWorthwhile)) {
        pairLiterals(litlen, litlenRootBits);
    }
    return keepGoing;
}

InflateResult Inflater::run(bool zlibWrapper) {
    if (zlibWrapper) {
        refill();
        const unsigned method = static_cast<unsigned>(bits & 0xFF);
        const unsigned flags = static_cast<unsigned>((bits >> 8) & 0xFF);
        drop(16);
        if (truncated()) {
            return inflateTruncated;
        }
        // Method 8 with at most a 32 KiB window, and no preset dictionary.
        if ((method & 15) != 8 || (method >> 4) > 7 || (flags & 0x20) != 0) {
            return inflateBadHeader;
        }
    }
    for (;;) {
        if (out == outEnd) {
            return inflateOk;
        }
        refill();
        const bool last = (bits & 1) != 0;
        const unsigned type = static_cast<unsigned>((bits >> 1) & 3);
        drop(3);
        if (truncated()) {
            return inflateTruncated;
        }
        int result;
        if (type == 0) {
            result = storedBlock();
        } else if (type == 1) {
            result = huffmanBlock(fixedTables().litlen, fixedTables().distance);
        } else if (type == 2) {
            result = readDynamicTables();
            if (result == keepGoing) {
                result = huffmanBlock(litlen, distance);
            }
        } else {
            return inflateBadBlockType;
        }
        if (result == outputFull) {
            return truncated() ? inflateTruncated : inflateOk;
        }
        if (result != blockDone) {
            return static_cast<InflateResult>(result);
        }
        if (last) {
            return out == outEnd ? inflateOk : inflateShortOutput;
        }
    }
}

InflateResult inflateStream(const uint8_t* data, size_t size, const InflateSource* more, uint8_t* output,
                            size_t outputSize, bool zlibWrapper) {
    Inflater inflater;
    inflater.in = data;
    inflater.inEnd = data + size;
    inflater.more = more;
    inflater.outStart = output;
    inflater.out = output;
    inflater.outEnd = output + outputSize;
    if (data == nullptr) {
        inflater.in = inflater.inEnd = nullptr;
    }
    return inflater.run(zlibWrapper);
}

}  // namespace

InflateResult inflateZlib(const uint8_t* data, size_t size, const InflateSource* more, uint8_t* output,
                          size_t outputSize) {
    return inflateStream(data, size, more, output, outputSize, true);
}

InflateResult inflateRaw(const uint8_t* data, size_t size, const InflateSource* more, uint8_t* output,
                         size_t outputSize) {
    return inflateStream(data, size, more, output, outputSize, false);
}

const char* inflateResultName(InflateResult result) {
    switch (result) {
    case inflateOk:
        return "ok";
    case inflateBadHeader:
        return "bad zlib header";
    case inflateBadBlockType:
        return "bad block type";
    case inflateBadStoredLength:
        return "stored length and its complement differ";
    case inflateBadCodeLengths:
        return "bad code lengths";
    case inflateBadHuffmanCode:
        return "bad Huffman code";
    case inflateBadSymbol:
        return "bad symbol";
    case inflateDistanceTooFar:
        return "distance before the start of the output";
    case inflateTruncated:
        return "truncated stream";
    case inflateShortOutput:
        return "stream ends before the output is full";
    }
    return "unknown";
}
