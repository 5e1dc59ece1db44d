#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "media/browser_media.h"
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

// What a web page plays in its own players and what it says it cannot.
TEST(BrowserMedia, PlaysWhatBrowsersPlayAndNamesTheRest) {
    struct Case {
        std::string clip;
        const char* type;  // null: not played
        const char* name;
    };
    const Case cases[] = {
        {std::string("RIFF\x24\x08\0\0WAVEfmt ", 16), "audio/wav", "WAV"},
        {std::string("RIFF\xc2\x7d\0\0AVI LIST", 16), nullptr, "AVI"},
        {std::string("ID3\x04\0\0\0\0\0\x23", 10), "audio/mpeg", "MP3"},
        {"\xff\xfb\x90\x00", "audio/mpeg", "MP3"},
        {"\xff\xfd\x90\x00", nullptr, "?"},  // MPEG audio layer II: not an MP3
        {"OggS\0\x02", "audio/ogg", "Ogg"},
        {std::string("\0\0\0\x18" "ftypisom", 12), "video/mp4", "MP4"},
        {"\x1a\x45\xdf\xa3\x9f", "video/webm", "WebM"},
        {std::string("MThd\0\0\0\x06", 8), nullptr, "MIDI"},
        {"\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9", nullptr, "WMV"},
        {std::string("\0\0\x01\xba\x21\0\x01\0\x01", 9), nullptr, "MPEG"},
        {"", nullptr, "?"},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<unsigned char[]> bytes(new unsigned char[c.clip.empty() ? 1 : c.clip.size()]);
        std::memcpy(bytes.get(), c.clip.data(), c.clip.size());
        const char* type = browserMediaType(bytes.get(), c.clip.size());
        EXPECT_STREQ(type ? type : "none", c.type ? c.type : "none") << testing::PrintToString(c.clip);
        EXPECT_STREQ(clipFormatName(bytes.get(), c.clip.size()), c.name) << testing::PrintToString(c.clip);
    }
}

}  // namespace
