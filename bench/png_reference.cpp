#include "bench/png_reference.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct ReadCursor {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (count > cursor->size - cursor->at) {
        png_error(png, "file ends early");
    }
    std::memcpy(out, cursor->data + cursor->at, count);
    cursor->at += count;
}

void keepError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Sample `channel` of pixel `x` of a libpng row, at its full depth.
unsigned sampleAt(const PngReference& reference, const std::vector<uint8_t>& row, uint32_t x, unsigned channel) {
    const unsigned channels = reference.colourType == 2 ? 3 : reference.colourType == 4 ? 2 : reference.colourType == 6 ? 4 : 1;
    const unsigned depth = static_cast<unsigned>(reference.bitDepth);
    if (depth < 8) {
        const size_t bit = size_t(x) * depth;
        return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
    }
    const size_t bytes = depth / 8;
    const uint8_t* sample = row.data() + (size_t(x) * channels + channel) * bytes;
    return bytes == 1 ? sample[0] : (unsigned(sample[0]) << 8) | sample[1];
}

void putBits(std::vector<uint8_t>& out, uint32_t x, uint32_t bits, unsigned value) {
    const size_t bit = size_t(x) * bits;
    out[bit / 8] |= static_cast<uint8_t>(value << (8 - bits - bit % 8));
}

}  // namespace

PngReference decodeWithLibpng(const uint8_t* data, size_t size) {
    PngReference reference;
    ReadCursor cursor{data, size, 0};
    std::vector<png_bytep> rowPointers;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reference.error, keepError, ignoreWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        reference.decoded = false;
        reference.rows.clear();
        return reference;
    }
    png_set_read_fn(png, &cursor, readFromMemory);
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);
    reference.width = png_get_image_width(png, info);
    reference.height = png_get_image_height(png, info);
    reference.colourType = png_get_color_type(png, info);
    reference.bitDepth = png_get_bit_depth(png, info);
    reference.interlace = png_get_interlace_type(png, info);
    if (reference.interlace != PNG_INTERLACE_NONE) {
        png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    reference.rows.assign(reference.height, std::vector<uint8_t>(rowBytes, 0));
    rowPointers.resize(reference.height);
    for (uint32_t y = 0; y < reference.height; ++y) {
        rowPointers[y] = reference.rows[y].data();
    }
    png_read_image(png, rowPointers.data());
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) == PNG_INFO_PLTE) {
        for (int i = 0; i < entries; ++i) {
            reference.palette.push_back(palette[i].red);
            reference.palette.push_back(palette[i].green);
            reference.palette.push_back(palette[i].blue);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    reference.decoded = true;
    return reference;
}

std::vector<uint8_t> expectedBitmapRow(const PngReference& reference, uint32_t y, uint8_t code, uint32_t outBits) {
    const std::vector<uint8_t>& row = reference.rows[y];
    std::vector<uint8_t> out((size_t(reference.width) * outBits + 7) / 8, 0);
    const bool wide = reference.bitDepth == 16;
    for (uint32_t x = 0; x < reference.width; ++x) {
        // Samples at full depth; `high` keeps the top byte, `little` stores
        // a 16-bit sample low byte first.
        auto sample = [&](unsigned channel) { return sampleAt(reference, row, x, channel); };
        auto high = [&](unsigned channel) { return static_cast<uint8_t>(wide ? sample(channel) >> 8 : sample(channel)); };
        uint8_t* pixel = outBits >= 8 ? out.data() + size_t(x) * (outBits / 8) : nullptr;
        auto little = [&](size_t at, unsigned value) {
            pixel[at] = static_cast<uint8_t>(value);
            pixel[at + 1] = static_cast<uint8_t>(value >> 8);
        };
        switch (code) {
        case 0:  // copy: the samples as they are
            if (outBits < 8) {
                putBits(out, x, outBits, sample(0));
            } else {
                const size_t bytes = outBits / 8;
                std::memcpy(pixel, row.data() + size_t(x) * bytes, bytes);
            }
            break;
        case 1:
            for (unsigned c = 0; c < outBits / 16; ++c) {
                little(2 * c, sample(c));
            }
            break;
        case 2:
        case 3:
            little(0, sample(2));
            little(2, sample(1));
            little(4, sample(0));
            break;
        case 4:
            little(0, sample(2));
            little(2, sample(1));
            little(4, sample(0));
            little(6, sample(3));
            break;
        case 5:
            little(0, sample(0));
            break;
        case 6:  // high byte of a 16-bit grey; grey byte of grey with alpha; both high bytes of GA16
            pixel[0] = high(0);
            if (outBits == 16) {
                pixel[1] = high(1);
            }
            break;
        case 7:
        case 8:
        case 12:
        case 13:
            pixel[0] = high(2);
            pixel[1] = high(1);
            pixel[2] = high(0);
            break;
        case 9:
        case 14:
            pixel[0] = high(2);
            pixel[1] = high(1);
            pixel[2] = high(0);
            pixel[3] = high(3);
            break;
        case 10:
            pixel[0] = high(0);
            break;
        case 11:
            putBits(out, x, 4, sample(0));
            break;
        default:
            break;
        }
    }
    return out;
}

RowDifference compareBitmap(const PngReference& reference, const uint8_t* pixels, uint32_t stride, uint8_t code,
                            uint32_t outBits) {
    RowDifference difference;
    const size_t usedBits = size_t(reference.width) * outBits;
    for (uint32_t y = 0; y < reference.height; ++y) {
        const std::vector<uint8_t> expected = expectedBitmapRow(reference, y, code, outBits);
        const uint8_t* ours = pixels + size_t(y) * stride;
        for (size_t i = 0; i < expected.size(); ++i) {
            uint8_t mask = 0xFF;
            if ((i + 1) * 8 > usedBits) {
                mask = static_cast<uint8_t>(0xFF << (8 - (usedBits - i * 8)));
            }
            if ((ours[i] & mask) != (expected[i] & mask)) {
                difference.found = true;
                difference.row = y;
                difference.byte = static_cast<uint32_t>(i);
                difference.ours = ours[i];
                difference.expected = expected[i];
                return difference;
            }
        }
    }
    return difference;
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
