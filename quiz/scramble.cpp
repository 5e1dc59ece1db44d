#include "quiz/scramble.h"

#include "quiz/quiz_texts.h"

void scrambleWithKey(uint8_t* bytes, size_t length, int* keyPosition) {
    int k = *keyPosition % contentKeyLength;
    if (k < 0) {
        k += contentKeyLength;
    }
    // Byte 0 is never scrambled, so the key starts on byte 1.
    for (size_t j = 1; j < length; ++j) {
        bytes[j] ^= static_cast<uint8_t>(contentKey[k]);
        if (++k == contentKeyLength) {
            k = 0;
        }
    }
    *keyPosition = k;
}
