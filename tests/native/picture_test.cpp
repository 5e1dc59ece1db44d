// Fitting pictures into their boxes, and the nibble swap of stored pictures.
#include <gtest/gtest.h>

#include <vector>

#include "images/picture_header.h"
#include "images/picture_math.h"

namespace {

void expectFit(int w, int h, int boxW, int boxH, int fitW, int fitH) {
    const PictureSize fit = fitToBox(w, h, boxW, boxH);
    EXPECT_EQ(fit.width, fitW) << w << "x" << h << " in " << boxW << "x" << boxH;
    EXPECT_EQ(fit.height, fitH) << w << "x" << h << " in " << boxW << "x" << boxH;
}

TEST(PictureFit, LimitingSideMeetsTheBoxExactly) {
    expectFit(520, 260, 260, 260, 260, 130);
    expectFit(100, 50, 260, 260, 260, 130);  // enlarged as well
    expectFit(300, 600, 260, 150, 75, 150);
    expectFit(260, 260, 260, 260, 260, 260);
    // Floating point gives 206 x 199 here; the box side must be met.
    expectFit(100, 97, 260, 200, 206, 200);
}

TEST(PictureFit, EveryRatioMeetsOneSideAndStaysInside) {
    for (int w = 1; w <= 400; w += 7) {
        for (int h = 1; h <= 400; h += 11) {
            const PictureSize fit = fitToBox(w, h, 260, 200);
            EXPECT_TRUE(fit.width == 260 || fit.height == 200) << w << "x" << h;
            EXPECT_LE(fit.width, 260);
            EXPECT_LE(fit.height, 200);
        }
    }
}

TEST(PictureFit, EmptyPicturesOrBoxesFitNothing) {
    expectFit(0, 10, 260, 260, 0, 0);
    expectFit(10, 10, 260, 0, 0, 0);
}

TEST(PictureNibbles, SwapIsItsOwnInverse) {
    uint8_t bytes[] = {0x1F, 0x00, 0xFF, 0xA5};
    swapNibbles(bytes, sizeof bytes);
    EXPECT_EQ(bytes[0], 0xF1);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0x5A);
    swapNibbles(bytes, sizeof bytes);
    EXPECT_EQ(bytes[0], 0x1F);
}

}  // namespace

namespace {

PictureSize headerSize(std::vector<uint8_t> bytes, bool swap = false) {
    if (swap) swapNibbles(bytes.data(), bytes.size());
    PictureSize size{-1, -1};
    if (!pictureHeaderSize(bytes.data(), bytes.size(), swap, &size)) return {0, 0};
    return size;
}

TEST(PictureHeader, SizesOfEachKindWithoutDecoding) {
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x2C, 0x01, 0xC8, 0x00, 0, 0};
    EXPECT_EQ(headerSize(gif).width, 300);
    EXPECT_EQ(headerSize(gif).height, 200);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                0, 0, 4, 0, 0, 0, 3, 0};
    EXPECT_EQ(headerSize(png).width, 1024);
    EXPECT_EQ(headerSize(png).height, 768);
    std::vector<uint8_t> bmp(26, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[14] = 40;
    bmp[18] = 100;
    bmp[22] = 0xCE;  // -50: a top-down bitmap
    for (int i = 23; i < 26; ++i) bmp[i] = 0xFF;
    EXPECT_EQ(headerSize(bmp).width, 100);
    EXPECT_EQ(headerSize(bmp).height, 50);
    // A JPEG: start, an application segment, a fill byte, then the frame header.
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xFF, 0xC2, 0, 17, 8,
                                       0x03, 0x00, 0x04, 0x00, 3};
    EXPECT_EQ(headerSize(jpeg).width, 1024);
    EXPECT_EQ(headerSize(jpeg).height, 768);
    EXPECT_EQ(headerSize(jpeg, true).width, 1024) << "stored pictures are read nibble-swapped";
}

TEST(PictureHeader, UnknownOrCutShortGivesNothing) {
    EXPECT_EQ(headerSize({'B', 'M', 0, 0}).width, 0);
    EXPECT_EQ(headerSize({0xFF, 0xD8, 0xFF, 0xE0, 0, 200, 0, 0, 0, 0, 0, 0}).width, 0);
    EXPECT_EQ(headerSize({0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0, 0, 0, 0, 0, 0}).width, 0) << "no frame before the data";
    EXPECT_EQ(headerSize({'G', 'I', 'F', '8', '9', 'a', 0, 0, 5, 0, 0, 0}).width, 0) << "zero width";
    EXPECT_EQ(headerSize({'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0}).width, 0);
}

}  // namespace
