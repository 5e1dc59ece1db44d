#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "media/media_format.h"

namespace {

// The extension the media player is handed, from the clip's first, second
// and ninth bytes; a byte the clip does not have matches no test.
TEST(MediaExtension, ByTheFirstSecondAndNinthBytes) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("RIFF\x24\x08\0\0WAVEfmt ", 16), "WAV"}, {std::string("RIFF\xc2\x7d\0\0AVI LIST", 16), "AVI"},
        {std::string("RIFF\0\0\0\0RMID", 12), "MP3"},       // any other RIFF form
        {std::string("R\0\0\0\0\0\0\0a", 9), "MP3"},        // the ninth byte is compared exactly
        {std::string("RIFF\0\0\0\0", 8), "MP3"},            // no ninth byte
        {std::string("rIFF\0\0\0\0W", 9), "MP3"},           // 'r' is not 'R'
        {std::string("MThd\0\0\0\x06\0\x01", 10), "MID"}, {"M", "MID"}, {"\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9", "WMV"},
        {std::string("\0\0\x01\xba\x21\0\x01\0\x01", 9), "MPG"},  // an MPEG pack header
        {std::string("\0\0\0\0\0\0\0\0A", 9), "AVI"}, {std::string("\0\0\0\0\0\0\0\0W", 9), "AVI"},
        {std::string("\0\0\0\0\0\0\0\0R", 9), "MPG"}, {std::string("\0", 1), "MPG"}, {std::string("\xff\0", 2), "MPG"},
        {"\xff\xfb\x90\x00", "MP3"}, {"\xff", "MP3"},  // no second byte: not 0x00
        {std::string("ID3\x04\0\0\0\0\0\x23TSSE", 14), "MP3"}, {"", "MP3"},
    };
    for (const auto& [clip, extension] : cases) {
        // In a buffer of exactly its size, so that the sanitizer catches a read past its end.
        const std::unique_ptr<unsigned char[]> bytes(new unsigned char[clip.empty() ? 1 : clip.size()]);
        std::memcpy(bytes.get(), clip.data(), clip.size());
        EXPECT_STREQ(mediaExtension(bytes.get(), clip.size()), extension) << testing::PrintToString(clip);
    }
}

}  // namespace
