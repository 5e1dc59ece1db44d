// Small, valid media files made in code, as placeholders in a new quiz: a
// quiz source that names them builds at once, and the author swaps in real
// pictures and clips later. Integer arithmetic only, so every machine makes
// the same bytes.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// A 24-bit BMP of `width` x `height` in `background` with the digit `digit`
// (0 to 9) in white at its centre; `framed` adds a green frame, the look of a
// solved question.
std::vector<uint8_t> sampleBitmap(int width, int height, Rgb background, int digit, bool framed);

// A PCM WAVE file: 8-bit mono at 8000 samples a second, a triangle tone of
// about `frequency` Hz lasting `milliseconds`.
std::vector<uint8_t> sampleWave(int frequency, int milliseconds);

// An uncompressed AVI: `frames` frames of sampleBitmap's picture, the digit
// counting up from `digit`, at two frames a second.
std::vector<uint8_t> sampleVideo(int width, int height, Rgb background, int digit, int frames);
