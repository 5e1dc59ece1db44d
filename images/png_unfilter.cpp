#include "images/png_unfilter.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VYRLA_PNG_SSE2 1
#include <emmintrin.h>
#include <tmmintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#include <smmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#define VYRLA_TARGET_SSSE3
#define VYRLA_TARGET_SSE41
#else
#define VYRLA_TARGET_SSSE3 __attribute__((target("ssse3")))
#define VYRLA_TARGET_SSE41 __attribute__((target("sse4.1")))
#endif
// Whether the processor has an instruction set: its bit in ECX of cpuid
// leaf 1 under MSVC, the compiler's own check elsewhere. Asked once each.
#if defined(_MSC_VER)
namespace {
bool cpuidEcxBit(int bit) {
    int info[4];
    __cpuid(info, 1);
    return (info[2] & (1 << bit)) != 0;
}
}  // namespace
#define VYRLA_CPU_HAS(name, bit) cpuidEcxBit(bit)
#else
#define VYRLA_CPU_HAS(name, bit) (__builtin_cpu_supports(name) != 0)
#endif
#endif

// Sub, Average and Paeth depend on the pixel to the left, just unfiltered,
// so they go one pixel at a time. With SSE2 a pixel of 3 to 8 bytes is one
// register and the left pixel stays in it from step to step, instead of
// being written out and read back. Plain code keeps it in variables.

namespace {

inline uint8_t paeth(int left, int above, int aboveLeft) {
    const int p = left + above - aboveLeft;
    const int pa = std::abs(p - left);
    const int pb = std::abs(p - above);
    const int pc = std::abs(p - aboveLeft);
    if (pa <= pb && pa <= pc) {
        return static_cast<uint8_t>(left);
    }
    return static_cast<uint8_t>(pb <= pc ? above : aboveLeft);
}

void unfilterUp(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        current[i] = static_cast<uint8_t>(raw[i] + previous[i]);
    }
}

// Plain code for any distance: each of the D byte lanes has its own left
// neighbour, carried in `left`.
template <unsigned D>
void unfilterSubPlain(const uint8_t* raw, uint8_t* current, size_t bytes) {
    uint8_t left[D] = {};
    for (size_t i = 0; i < bytes; i += D) {
        for (unsigned k = 0; k < D && i + k < bytes; ++k) {
            left[k] = static_cast<uint8_t>(raw[i + k] + left[k]);
            current[i + k] = left[k];
        }
    }
}

template <unsigned D>
void unfilterAveragePlain(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    uint8_t left[D] = {};
    for (size_t i = 0; i < bytes; i += D) {
        for (unsigned k = 0; k < D && i + k < bytes; ++k) {
            left[k] = static_cast<uint8_t>(raw[i + k] + ((left[k] + previous[i + k]) >> 1));
            current[i + k] = left[k];
        }
    }
}

template <unsigned D>
void unfilterPaethPlain(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    uint8_t left[D] = {};
    uint8_t aboveLeft[D] = {};
    for (size_t i = 0; i < bytes; i += D) {
        for (unsigned k = 0; k < D && i + k < bytes; ++k) {
            const uint8_t above = previous[i + k];
            left[k] = static_cast<uint8_t>(raw[i + k] + paeth(left[k], above, aboveLeft[k]));
            aboveLeft[k] = above;
            current[i + k] = left[k];
        }
    }
}

template <unsigned D>
void unfilterPlain(unsigned filter, const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    switch (filter) {
    case 1:
        unfilterSubPlain<D>(raw, current, bytes);
        break;
    case 3:
        unfilterAveragePlain<D>(raw, previous, current, bytes);
        break;
    default:
        unfilterPaethPlain<D>(raw, previous, current, bytes);
        break;
    }
}

#if VYRLA_PNG_SSE2

// One pixel of D bytes (3, 4, 6 or 8) in the low bytes of a register. Loads
// of 3 and 6 bytes read one or two bytes more, stores write them; `exact`
// reads only the pixel, for the last one of a row, whose raw bytes may end
// the buffer.
template <unsigned D>
inline __m128i loadPixel(const uint8_t* p) {
    if (D <= 4) {
        int32_t v;
        std::memcpy(&v, p, 4);
        return _mm_cvtsi32_si128(v);
    }
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

template <unsigned D>
inline __m128i loadPixelExact(const uint8_t* p) {
    uint8_t bytes[8] = {};
    std::memcpy(bytes, p, D);
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
}

template <unsigned D>
inline void storePixel(uint8_t* p, __m128i v) {
    if (D <= 4) {
        const int32_t word = _mm_cvtsi128_si32(v);
        std::memcpy(p, &word, 4);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    }
}

// Runs `step(raw pixel, above pixel)` -> new pixel over the row; the raw
// bytes of the last pixel are read exactly.
template <unsigned D, typename Step>
inline void eachPixel(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes, Step step) {
    size_t i = 0;
    if (bytes > D) {
        for (; i < bytes - D; i += D) {
            storePixel<D>(current + i, step(loadPixel<D>(raw + i), loadPixel<D>(previous + i)));
        }
    }
    storePixel<D>(current + i, step(loadPixelExact<D>(raw + i), loadPixel<D>(previous + i)));
}

template <unsigned D>
void unfilterSubSse2(const uint8_t* raw, uint8_t* current, size_t bytes) {
    __m128i left = _mm_setzero_si128();
    eachPixel<D>(raw, current, current, bytes, [&](__m128i x, __m128i) {
        left = _mm_add_epi8(x, left);
        return left;
    });
}

template <unsigned D>
void unfilterAverageSse2(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i left = _mm_setzero_si128();
    eachPixel<D>(raw, previous, current, bytes, [&](__m128i x, __m128i above) {
        // pavgb rounds up; the floor of the mean is one less where the sum
        // is odd. Grouped so that each step waits for the last one by three
        // instructions only.
        const __m128i odd = _mm_and_si128(_mm_xor_si128(left, above), one);
        left = _mm_sub_epi8(_mm_add_epi8(_mm_avg_epu8(left, above), x), odd);
        return left;
    });
}

template <unsigned D>
void unfilterPaethSse2(const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    // In 16-bit lanes: pa = |b - c|, pb = |a - c|, pc = |a + b - 2c|, where
    // a is left, b above and c above-left, as p - a, p - b and p - c are.
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(0x00FF);
    __m128i left = zero;
    __m128i aboveLeft = zero;
    eachPixel<D>(raw, previous, current, bytes, [&](__m128i x, __m128i abovePixel) {
        const __m128i a = left;
        const __m128i b = _mm_unpacklo_epi8(abovePixel, zero);
        const __m128i c = aboveLeft;
        aboveLeft = b;
        const __m128i bc = _mm_sub_epi16(b, c);
        const __m128i ac = _mm_sub_epi16(a, c);
        const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
        const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
        const __m128i sum = _mm_add_epi16(ac, bc);
        const __m128i pc = _mm_max_epi16(sum, _mm_sub_epi16(zero, sum));
        const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
        const __m128i notB = _mm_cmpgt_epi16(pb, pc);
        const __m128i bOrC = _mm_or_si128(_mm_andnot_si128(notB, b), _mm_and_si128(notB, c));
        const __m128i predictor = _mm_or_si128(_mm_andnot_si128(notA, a), _mm_and_si128(notA, bOrC));
        left = _mm_and_si128(_mm_add_epi16(predictor, _mm_unpacklo_epi8(x, zero)), low);
        return _mm_packus_epi16(left, left);
    });
}

// The same with SSSE3 and SSE4.1, shortened to five steps from one pixel to
// the next: pc = |a - (2c - b)| needs one subtraction from a, not two;
// pabsw replaces max(x, -x); pblendvb replaces and/andnot/or; and the raw
// byte is added to each candidate before choosing, not after, off the chain
// for b and c. Byte adds of zero-extended lanes keep their high bytes zero.
VYRLA_TARGET_SSE41 inline __m128i paethStepSse41(__m128i rawPixel, __m128i abovePixel, __m128i& a, __m128i& c) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i x = _mm_unpacklo_epi8(rawPixel, zero);
    const __m128i b = _mm_unpacklo_epi8(abovePixel, zero);
    const __m128i pa = _mm_abs_epi16(_mm_sub_epi16(b, c));
    const __m128i k = _mm_sub_epi16(_mm_add_epi16(c, c), b);
    const __m128i bx = _mm_add_epi8(b, x);
    const __m128i cx = _mm_add_epi8(c, x);
    // The chain from the left pixel starts here.
    const __m128i pb = _mm_abs_epi16(_mm_sub_epi16(a, c));
    const __m128i pc = _mm_abs_epi16(_mm_sub_epi16(a, k));
    const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    const __m128i bOrC = _mm_blendv_epi8(bx, cx, _mm_cmpgt_epi16(pb, pc));
    a = _mm_blendv_epi8(_mm_add_epi8(a, x), bOrC, notA);
    c = b;
    return _mm_packus_epi16(a, a);
}

template <unsigned D>
VYRLA_TARGET_SSE41 void unfilterPaethSse41(const uint8_t* raw, const uint8_t* previous, uint8_t* current,
                                           size_t bytes) {
    __m128i a = _mm_setzero_si128();
    __m128i c = a;
    size_t i = 0;
    if (bytes > D) {
        for (; i < bytes - D; i += D) {
            storePixel<D>(current + i, paethStepSse41(loadPixel<D>(raw + i), loadPixel<D>(previous + i), a, c));
        }
    }
    storePixel<D>(current + i, paethStepSse41(loadPixelExact<D>(raw + i), loadPixel<D>(previous + i), a, c));
}

bool sse41() {
    static const bool available = VYRLA_CPU_HAS("sse4.1", 19);
    return available;
}

template <unsigned D>
void unfilterSse2(unsigned filter, const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes) {
    switch (filter) {
    case 1:
        unfilterSubSse2<D>(raw, current, bytes);
        break;
    case 3:
        unfilterAverageSse2<D>(raw, previous, current, bytes);
        break;
    default:
        if (sse41()) {
            unfilterPaethSse41<D>(raw, previous, current, bytes);
        } else {
            unfilterPaethSse2<D>(raw, previous, current, bytes);
        }
        break;
    }
}

#endif

}  // namespace

void pngUnfilterRow(unsigned filter, const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes,
                    unsigned distance) {
    if (filter == 0) {
        std::memcpy(current, raw, bytes);
        return;
    }
    if (filter == 2) {
        unfilterUp(raw, previous, current, bytes);
        return;
    }
    switch (distance) {
    case 1:
        unfilterPlain<1>(filter, raw, previous, current, bytes);
        break;
    case 2:
        unfilterPlain<2>(filter, raw, previous, current, bytes);
        break;
#if VYRLA_PNG_SSE2
    case 3:
        unfilterSse2<3>(filter, raw, previous, current, bytes);
        break;
    case 4:
        unfilterSse2<4>(filter, raw, previous, current, bytes);
        break;
    case 6:
        unfilterSse2<6>(filter, raw, previous, current, bytes);
        break;
    default:
        unfilterSse2<8>(filter, raw, previous, current, bytes);
        break;
#else
    case 3:
        unfilterPlain<3>(filter, raw, previous, current, bytes);
        break;
    case 4:
        unfilterPlain<4>(filter, raw, previous, current, bytes);
        break;
    case 6:
        unfilterPlain<6>(filter, raw, previous, current, bytes);
        break;
    default:
        unfilterPlain<8>(filter, raw, previous, current, bytes);
        break;
#endif
    }
}

namespace {

void rgbToBgrPlain(const uint8_t* in, uint32_t pixels, uint8_t* out) {
    for (uint32_t i = 0; i < pixels; ++i, in += 3, out += 3) {
        const uint8_t red = in[0];
        out[1] = in[1];
        out[0] = in[2];
        out[2] = red;
    }
}

void rgbaToBgraPlain(const uint8_t* in, uint32_t pixels, uint8_t* out) {
    for (uint32_t i = 0; i < pixels; ++i, in += 4, out += 4) {
        const uint8_t red = in[0];
        out[1] = in[1];
        out[3] = in[3];
        out[0] = in[2];
        out[2] = red;
    }
}

#if VYRLA_PNG_SSE2

bool ssse3() {
    static const bool available = VYRLA_CPU_HAS("ssse3", 9);
    return available;
}

// Four pixels a step: 16 bytes read (the row buffer has room past its end)
// and 16 written, of which the last 4 are the next step's; the last steps
// are plain so that nothing is written past the row.
VYRLA_TARGET_SSSE3 void rgbToBgrSsse3(const uint8_t* in, uint32_t pixels, uint8_t* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
    uint32_t i = 0;
    for (; i + 6 <= pixels; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * size_t(i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * size_t(i)), _mm_shuffle_epi8(v, order));
    }
    rgbToBgrPlain(in + 3 * size_t(i), pixels - i, out + 3 * size_t(i));
}

VYRLA_TARGET_SSSE3 void rgbaToBgraSsse3(const uint8_t* in, uint32_t pixels, uint8_t* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    uint32_t i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * size_t(i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * size_t(i)), _mm_shuffle_epi8(v, order));
    }
    rgbaToBgraPlain(in + 4 * size_t(i), pixels - i, out + 4 * size_t(i));
}

#endif

}  // namespace

void pngRgbToBgrRow(const uint8_t* in, uint32_t pixels, uint8_t* out) {
#if VYRLA_PNG_SSE2
    if (ssse3()) {
        rgbToBgrSsse3(in, pixels, out);
        return;
    }
#endif
    rgbToBgrPlain(in, pixels, out);
}

void pngRgbaToBgraRow(const uint8_t* in, uint32_t pixels, uint8_t* out) {
#if VYRLA_PNG_SSE2
    if (ssse3()) {
        rgbaToBgraSsse3(in, pixels, out);
        return;
    }
#endif
    rgbaToBgraPlain(in, pixels, out);
}
