// Fitting pictures into their boxes, and picture sizes read from their
// headers, nibble-swapped as stored or not, without decoding.
#include <gtest/gtest.h>

#include <vector>

#include "images/picture_header.h"
#include "images/picture_math.h"

namespace {

TEST(Picture, FitMeetsTheLimitingSideExactly) {
    // Enlarged as well; 100 x 97 truncates to 206 x 200; empty pictures and boxes fit nothing.
    const int cases[][6] = {{520, 260, 260, 260, 260, 130}, {100, 50, 260, 260, 260, 130}, {300, 600, 260, 150, 75, 150},
                            {100, 97, 260, 200, 206, 200},  {0, 10, 260, 260, 0, 0},       {10, 10, 260, 0, 0, 0}};
    for (const auto& c : cases) {
        const PictureSize fit = fitToBox(c[0], c[1], c[2], c[3]);
        EXPECT_TRUE(fit.width == c[4] && fit.height == c[5]) << c[0] << "x" << c[1] << " in " << c[2] << "x" << c[3];
    }
}

TEST(Picture, HeaderSizesOfEachKind) {
    // GIF, PNG, a top-down BMP, a JPEG (an application segment, a fill byte, the frame), then no size: a BMP cut
    // short, a JPEG segment past the end, JPEG data before any frame, GIFs of width or height 0, an unknown kind.
    const std::vector<std::vector<uint8_t>> files = {
        {'G', 'I', 'F', '8', '9', 'a', 0x2C, 0x01, 0xC8, 0x00, 0, 0}, {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 4, 0, 0, 0, 3, 0},
        {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 100, 0, 0, 0, 0xCE, 0xFF, 0xFF, 0xFF},
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xFF, 0xC2, 0, 17, 8, 0x03, 0x00, 0x04, 0x00, 3}, {'B', 'M', 0, 0},
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 200, 0, 0, 0, 0, 0, 0}, {0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0, 0, 0, 0, 0, 0},
        {'G', 'I', 'F', '8', '9', 'a', 0, 0, 5, 0, 0, 0}, {'G', 'I', 'F', '8', '9', 'a', 5, 0, 0, 0, 0, 0}, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0}};
    const PictureSize sizes[] = {{300, 200}, {1024, 768}, {100, 50}, {1024, 768}};
    for (bool swapped : {false, true}) {
        for (size_t i = 0; i < files.size(); ++i) {
            std::vector<uint8_t> bytes = files[i];
            if (swapped) swapNibbles(bytes.data(), bytes.size());
            PictureSize size{0, 0}, expected = i < 4 ? sizes[i] : size;
            EXPECT_EQ(pictureHeaderSize(bytes.data(), bytes.size(), swapped, &size), i < 4) << i << " swapped " << swapped;
            EXPECT_TRUE(size.width == expected.width && size.height == expected.height) << i << " swapped " << swapped;
        }
    }
}

}  // namespace
