#include "media/media_format.h"

namespace {

// A byte past the end of the clip: equal to no byte value.
constexpr int missingByte = -1;

int byteAt(const unsigned char* clip, size_t size, size_t index) {
    return index < size ? clip[index] : missingByte;
}

}  // namespace

const char* mediaExtension(const unsigned char* clip, size_t size) {
    const int b0 = byteAt(clip, size, 0);
    const int b1 = byteAt(clip, size, 1);
    const int b8 = byteAt(clip, size, 8);
    switch (b0) {
    case 'R':
        // A RIFF header names its form at the ninth byte: "AVI " or "WAVE".
        // Any other RIFF form is handed over as MP3, the media player's most
        // forgiving type.
        if (b8 == 'A') return "AVI";
        if (b8 == 'W') return "WAV";
        return "MP3";
    case 'M':  // "MThd"
        return "MID";
    case 0x30:  // the first byte of the ASF header object's GUID
        return "WMV";
    case 0x00:
        // An MPEG pack or sequence header starts 00 00 01; a leading zero
        // with 'A' or 'W' at the ninth byte is taken for a RIFF-style AVI.
        if (b8 == 'A' || b8 == 'W') return "AVI";
        return "MPG";
    case 0xFF:
        // An MPEG frame sync; a zero second byte is not a valid audio frame
        // header, so it is taken for MPEG video.
        return b1 == 0x00 ? "MPG" : "MP3";
    default:
        // Includes the 'I' of a leading ID3 tag.
        return "MP3";
    }
}
