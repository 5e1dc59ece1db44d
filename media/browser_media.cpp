#include "media/browser_media.h"

#include <cstring>

#include "media/media_format.h"

namespace {

bool startsWith(const unsigned char* clip, size_t size, size_t offset, const char* text) {
    const size_t length = std::strlen(text);
    return size >= offset + length && std::memcmp(clip + offset, text, length) == 0;
}

// An MPEG audio frame header of layer III: sync bits, then layer bits 01.
bool mp3Frame(const unsigned char* clip, size_t size) {
    return size >= 2 && clip[0] == 0xFF && (clip[1] & 0xE0) == 0xE0 && (clip[1] & 0x06) == 0x02;
}

struct Format {
    const char* name;
    const char* mimeType;  // null: not played by browsers
};

Format formatOf(const unsigned char* clip, size_t size) {
    if (startsWith(clip, size, 0, "RIFF") && startsWith(clip, size, 8, "WAVE")) return {"WAV", "audio/wav"};
    if (startsWith(clip, size, 0, "ID3") || mp3Frame(clip, size)) return {"MP3", "audio/mpeg"};
    if (startsWith(clip, size, 0, "OggS")) return {"Ogg", "audio/ogg"};
    if (startsWith(clip, size, 0, "fLaC")) return {"FLAC", "audio/flac"};
    if (startsWith(clip, size, 4, "ftyp")) return {"MP4", "video/mp4"};
    if (startsWith(clip, size, 0, "\x1A\x45\xDF\xA3")) return {"WebM", "video/webm"};
    // The rest by the player's own recognition, which names them all.
    const char* extension = mediaExtension(clip, size);
    if (std::strcmp(extension, "MID") == 0) return {"MIDI", nullptr};
    if (std::strcmp(extension, "MPG") == 0) return {"MPEG", nullptr};
    if (std::strcmp(extension, "MP3") == 0) return {"?", nullptr};
    return {extension, nullptr};
}

}  // namespace

const char* browserMediaType(const unsigned char* clip, size_t size) { return formatOf(clip, size).mimeType; }

const char* clipFormatName(const unsigned char* clip, size_t size) { return formatOf(clip, size).name; }
