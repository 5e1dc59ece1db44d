#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "media/media_format.h"

namespace {

// The clip in a buffer of exactly its size, so that the sanitizer catches a
// read past its end.
std::string extensionOf(const std::string& clip) {
    const std::unique_ptr<unsigned char[]> bytes(new unsigned char[clip.size() + (clip.empty() ? 1 : 0)]);
    std::memcpy(bytes.get(), clip.data(), clip.size());
    return mediaExtension(bytes.get(), clip.size());
}

// A nine-byte header: first, second and ninth byte given, the rest filler.
std::string header(unsigned char b0, unsigned char b1, unsigned char b8) {
    std::string clip = "\x01\x01\x01\x01\x01\x01\x01\x01\x01";
    clip[0] = static_cast<char>(b0);
    clip[1] = static_cast<char>(b1);
    clip[8] = static_cast<char>(b8);
    return clip;
}

TEST(MediaExtension, RiffFormsByTheirNinthByte) {
    EXPECT_EQ(extensionOf(std::string("RIFF\x24\x08\0\0WAVEfmt ", 16)), "WAV");
    EXPECT_EQ(extensionOf(std::string("RIFF\xc2\x7d\0\0AVI LIST", 16)), "AVI");
    EXPECT_EQ(extensionOf(header('R', 'I', 'A')), "AVI");
    EXPECT_EQ(extensionOf(header('R', 'I', 'W')), "WAV");
    EXPECT_EQ(extensionOf(std::string("RIFF\0\0\0\0RMID", 12)), "MP3") << "any other RIFF form";
    EXPECT_EQ(extensionOf(header('R', 0, 'a')), "MP3") << "the ninth byte is compared exactly";
}

TEST(MediaExtension, MidiAndAsfByTheirFirstByteAlone) {
    EXPECT_EQ(extensionOf(std::string("MThd\0\0\0\x06\0\x01", 10)), "MID");
    EXPECT_EQ(extensionOf(header('M', 0, 0)), "MID");
    EXPECT_EQ(extensionOf("\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9"), "WMV");
    EXPECT_EQ(extensionOf(header(0x30, 0xFF, 'A')), "WMV");
}

TEST(MediaExtension, LeadingZero) {
    EXPECT_EQ(extensionOf(std::string("\0\0\x01\xba\x21\0\x01\0\x01", 9)), "MPG") << "an MPEG pack header";
    EXPECT_EQ(extensionOf(header(0, 0, 'A')), "AVI");
    EXPECT_EQ(extensionOf(header(0, 0, 'W')), "AVI");
    EXPECT_EQ(extensionOf(header(0, 0, 'R')), "MPG");
}

TEST(MediaExtension, FrameSync) {
    EXPECT_EQ(extensionOf(header(0xFF, 0x00, 0)), "MPG");
    EXPECT_EQ(extensionOf(header(0xFF, 0xF3, 0)), "MP3");
    EXPECT_EQ(extensionOf(header(0xFF, 0xFB, 'A')), "MP3");
}

TEST(MediaExtension, EverythingElseIsMp3) {
    EXPECT_EQ(extensionOf(std::string("ID3\x04\0\0\0\0\0\x23TSSE", 14)), "MP3");
    EXPECT_EQ(extensionOf(header('O', 'g', 'g')), "MP3");
    EXPECT_EQ(extensionOf(header('r', 'I', 'W')), "MP3") << "'r' is not 'R'";
    EXPECT_EQ(extensionOf(header('m', 0, 0)), "MP3");
    EXPECT_EQ(extensionOf(header(0x31, 0, 0)), "MP3");
    EXPECT_EQ(extensionOf(header(0xFE, 0, 0)), "MP3");
}

TEST(MediaExtension, EveryFirstByteGivesOneOfTheSixExtensions) {
    const std::string known[] = {"WAV", "MP3", "AVI", "WMV", "MPG", "MID"};
    for (int b0 = 0; b0 < 256; ++b0) {
        for (int b8 : {0, int{'A'}, int{'W'}, 0xFF}) {
            const std::string got = extensionOf(header(static_cast<unsigned char>(b0), 0, static_cast<unsigned char>(b8)));
            EXPECT_NE(std::find(std::begin(known), std::end(known), got), std::end(known)) << b0;
        }
    }
}

// Shorter than nine bytes: a byte the clip does not have matches no test.
TEST(MediaExtension, ShortClips) {
    EXPECT_EQ(extensionOf(""), "MP3");
    EXPECT_EQ(extensionOf("R"), "MP3");
    EXPECT_EQ(extensionOf(std::string("RIFF\0\0\0\0", 8)), "MP3") << "no ninth byte: neither AVI nor WAV";
    EXPECT_EQ(extensionOf("M"), "MID");
    EXPECT_EQ(extensionOf("MThd"), "MID");
    EXPECT_EQ(extensionOf("\x30"), "WMV");
    EXPECT_EQ(extensionOf(std::string("\0", 1)), "MPG");
    EXPECT_EQ(extensionOf(std::string("\0\0\x01\xba", 4)), "MPG");
    EXPECT_EQ(extensionOf("\xff"), "MP3") << "no second byte: not 0x00";
    EXPECT_EQ(extensionOf(std::string("\xff\0", 2)), "MPG");
    EXPECT_EQ(extensionOf("ID3"), "MP3");
}

TEST(MediaExtension, OnlyTheFirstSecondAndNinthBytesCount) {
    std::string wav = header('R', 'I', 'W');
    for (size_t i : {2u, 3u, 4u, 5u, 6u, 7u}) {
        std::string changed = wav;
        changed[i] = '\0';
        EXPECT_EQ(extensionOf(changed), "WAV") << i;
    }
    EXPECT_EQ(extensionOf(wav + "trailing bytes"), "WAV");
}

}  // namespace
