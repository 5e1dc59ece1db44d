#include "pack/source/sample_media.h"

#include "pack/io/byte_view.h"

namespace {

// Digits drawn on a 3 x 5 grid, one row a string, top row first.
const char* const digitRows[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"}, {"###", "..#", "###", "#..", "###"},
    {"###", "..#", "###", "..#", "###"}, {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", ".#.", ".#.", ".#."}, {"###", "#.#", "###", "#.#", "###"},
    {"###", "#.#", "###", "..#", "###"},
};

constexpr Rgb white = {255, 255, 255};
constexpr Rgb green = {40, 170, 60};
constexpr int frameWidth = 4;

void appendTag(std::vector<uint8_t>* bytes, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        bytes->push_back(static_cast<uint8_t>(tag[i]));
    }
}

// Rows of a bottom-up 24-bit DIB, each padded to four bytes.
std::vector<uint8_t> pixels(int width, int height, Rgb background, int digit, bool framed) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out(static_cast<size_t>(stride) * height, 0);
    const int scale = height / 8 > 0 ? height / 8 : 1;
    const int left = (width - 3 * scale) / 2;
    const int top = (height - 5 * scale) / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgb colour = background;
            const int column = (x - left) / scale;
            const int row = (y - top) / scale;
            if (x >= left && y >= top && column < 3 && row < 5 && digitRows[digit % 10][row][column] == '#') {
                colour = white;
            }
            if (framed && (x < frameWidth || y < frameWidth || x >= width - frameWidth || y >= height - frameWidth)) {
                colour = green;
            }
            // Bottom-up rows, blue-green-red order.
            uint8_t* pixel = &out[static_cast<size_t>(height - 1 - y) * stride + 3 * static_cast<size_t>(x)];
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
    return out;
}

void appendInfoHeader(std::vector<uint8_t>* out, int width, int height, size_t imageSize) {
    appendU32(out, 40);  // header size
    appendU32(out, static_cast<uint32_t>(width));
    appendU32(out, static_cast<uint32_t>(height));
    appendU16(out, 1);   // planes
    appendU16(out, 24);  // bits per pixel
    appendU32(out, 0);   // BI_RGB: not compressed
    appendU32(out, static_cast<uint32_t>(imageSize));
    appendU32(out, 2835);  // 72 dots per inch, in dots per metre
    appendU32(out, 2835);
    appendU32(out, 0);
    appendU32(out, 0);
}

// A RIFF chunk: tag, size, data, a pad byte when the size is odd.
void appendChunk(std::vector<uint8_t>* out, const char* tag, const std::vector<uint8_t>& data) {
    appendTag(out, tag);
    appendU32(out, static_cast<uint32_t>(data.size()));
    out->insert(out->end(), data.begin(), data.end());
    if (data.size() % 2) {
        out->push_back(0);
    }
}

std::vector<uint8_t> list(const char* type, const std::vector<uint8_t>& contents) {
    std::vector<uint8_t> data;
    appendTag(&data, type);
    data.insert(data.end(), contents.begin(), contents.end());
    return data;
}

}  // namespace

std::vector<uint8_t> sampleBitmap(int width, int height, Rgb background, int digit, bool framed) {
    const std::vector<uint8_t> image = pixels(width, height, background, digit, framed);
    constexpr uint32_t headersSize = 14 + 40;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    appendU32(&out, static_cast<uint32_t>(headersSize + image.size()));
    appendU32(&out, 0);  // reserved
    appendU32(&out, headersSize);
    appendInfoHeader(&out, width, height, image.size());
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

std::vector<uint8_t> sampleWave(int frequency, int milliseconds) {
    constexpr int rate = 8000;
    const int samples = rate * milliseconds / 1000;
    const int period = frequency > 0 ? rate / frequency : rate;
    std::vector<uint8_t> data;
    for (int i = 0; i < samples; ++i) {
        // A triangle from 64 to 192 around the 8-bit silence of 128.
        const int phase = period > 1 ? i % period : 0;
        const int half = period / 2 > 0 ? period / 2 : 1;
        const int rise = phase < half ? phase : period - phase;
        data.push_back(static_cast<uint8_t>(64 + 128 * rise / half));
    }
    std::vector<uint8_t> format;
    appendU16(&format, 1);  // PCM
    appendU16(&format, 1);  // mono
    appendU32(&format, rate);
    appendU32(&format, rate);  // bytes a second
    appendU16(&format, 1);     // block size
    appendU16(&format, 8);     // bits a sample
    std::vector<uint8_t> body;
    appendTag(&body, "WAVE");
    appendChunk(&body, "fmt ", format);
    appendChunk(&body, "data", data);
    std::vector<uint8_t> out;
    appendChunk(&out, "RIFF", body);
    return out;
}

std::vector<uint8_t> sampleVideo(int width, int height, Rgb background, int digit, int frames) {
    constexpr int framesPerSecond = 2;
    constexpr uint32_t hasIndex = 0x10;
    constexpr uint32_t keyFrame = 0x10;
    const size_t frameSize = pixels(width, height, background, 0, false).size();

    std::vector<uint8_t> mainHeader;
    appendU32(&mainHeader, 1000000 / framesPerSecond);  // microseconds a frame
    appendU32(&mainHeader, static_cast<uint32_t>(frameSize * framesPerSecond));
    appendU32(&mainHeader, 0);  // padding granularity
    appendU32(&mainHeader, hasIndex);
    appendU32(&mainHeader, static_cast<uint32_t>(frames));
    appendU32(&mainHeader, 0);  // initial frames
    appendU32(&mainHeader, 1);  // streams
    appendU32(&mainHeader, static_cast<uint32_t>(frameSize));
    appendU32(&mainHeader, static_cast<uint32_t>(width));
    appendU32(&mainHeader, static_cast<uint32_t>(height));
    for (int i = 0; i < 4; ++i) {
        appendU32(&mainHeader, 0);
    }

    std::vector<uint8_t> streamHeader;
    appendTag(&streamHeader, "vids");
    appendTag(&streamHeader, "DIB ");
    appendU32(&streamHeader, 0);  // flags
    appendU16(&streamHeader, 0);  // priority
    appendU16(&streamHeader, 0);  // language
    appendU32(&streamHeader, 0);  // initial frames
    appendU32(&streamHeader, 1);  // scale
    appendU32(&streamHeader, framesPerSecond);
    appendU32(&streamHeader, 0);  // start
    appendU32(&streamHeader, static_cast<uint32_t>(frames));
    appendU32(&streamHeader, static_cast<uint32_t>(frameSize));
    appendU32(&streamHeader, 0xFFFFFFFFu);  // default quality
    appendU32(&streamHeader, 0);            // sample size: varies
    appendU16(&streamHeader, 0);
    appendU16(&streamHeader, 0);
    appendU16(&streamHeader, static_cast<uint16_t>(width));
    appendU16(&streamHeader, static_cast<uint16_t>(height));

    std::vector<uint8_t> streamFormat;
    appendInfoHeader(&streamFormat, width, height, frameSize);

    std::vector<uint8_t> streamList;
    appendChunk(&streamList, "strh", streamHeader);
    appendChunk(&streamList, "strf", streamFormat);
    std::vector<uint8_t> headerList;
    appendChunk(&headerList, "avih", mainHeader);
    appendChunk(&headerList, "LIST", list("strl", streamList));

    std::vector<uint8_t> movie;
    std::vector<uint8_t> index;
    for (int frame = 0; frame < frames; ++frame) {
        // Offsets count from the "movi" tag, which takes the first four bytes.
        const uint32_t offset = static_cast<uint32_t>(4 + movie.size());
        appendChunk(&movie, "00db", pixels(width, height, background, digit + frame, false));
        appendTag(&index, "00db");
        appendU32(&index, keyFrame);
        appendU32(&index, offset);
        appendU32(&index, static_cast<uint32_t>(frameSize));
    }

    std::vector<uint8_t> body;
    appendTag(&body, "AVI ");
    appendChunk(&body, "LIST", list("hdrl", headerList));
    appendChunk(&body, "LIST", list("movi", movie));
    appendChunk(&body, "idx1", index);
    std::vector<uint8_t> out;
    appendChunk(&out, "RIFF", body);
    return out;
}
