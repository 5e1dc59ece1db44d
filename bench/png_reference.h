// libpng as the independent oracle for the PNG decoder: its decoding of a
// file, and the bitmap rows that decoding predicts for one output format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PngReference {
    bool decoded = false;
    std::string error;  // libpng's message when it refuses the file
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = 0;
    int bitDepth = 0;
    int interlace = 0;
    // libpng's rows, deinterlaced, samples as stored (16-bit ones big-endian).
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> palette;  // red, green, blue per entry
};

// Decodes with libpng, asking for no transformation. Check values are
// ignored (chunk CRCs and Adler-32), as the decoder under test ignores them.
PngReference decodeWithLibpng(const uint8_t* data, size_t size);

// The converted row `y` that a bitmap made with conversion `code` and
// `outBits` bits per pixel must hold, built pixel by pixel from libpng's row.
// Bits past the last pixel are zero.
std::vector<uint8_t> expectedBitmapRow(const PngReference& reference, uint32_t y, uint8_t code, uint32_t outBits);

struct RowDifference {
    bool found = false;
    uint32_t row = 0;
    uint32_t byte = 0;
    uint8_t ours = 0;
    uint8_t expected = 0;
};

// Compares every row of a top-down bitmap (rows `stride` bytes apart) with
// the expected rows; bits past the last pixel of a row are not compared.
RowDifference compareBitmap(const PngReference& reference, const uint8_t* pixels, uint32_t stride, uint8_t code,
                            uint32_t outBits);

std::vector<uint8_t> readFileBytes(const std::string& path);
