// Clip recognition.
//
// Input: the whole of it is a clip. The recognition must read nothing past
// the clip, must give one of the six extensions whatever the bytes, and must
// depend on the first, second and ninth bytes only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "media/media_format.h"
#include "fuzz/require.h"

namespace {

constexpr size_t maxInput = 1 << 12;

bool isKnown(const char* extension) {
    const char* const known[] = {"WAV", "MP3", "AVI", "WMV", "MPG", "MID"};
    for (const char* k : known) {
        if (std::strcmp(extension, k) == 0) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxInput) {
        return 0;
    }
    // Exactly the clip's size, so that a read past its end is caught.
    const std::unique_ptr<unsigned char[]> clip(new unsigned char[size + 1]);
    if (size > 0) std::memcpy(clip.get(), data, size);
    const char* extension = mediaExtension(clip.get(), size);
    require(isKnown(extension));
    // Only the first, second and ninth bytes count: cutting the clip after
    // the ninth, or changing any byte between the second and the ninth,
    // changes nothing.
    require(size <= mediaHeaderBytes || std::strcmp(mediaExtension(clip.get(), mediaHeaderBytes), extension) == 0);
    for (size_t i = 2; i < size && i < mediaHeaderBytes - 1; ++i) {
        clip[i] = static_cast<unsigned char>(~clip[i]);
    }
    require(std::strcmp(mediaExtension(clip.get(), size), extension) == 0);
    return 0;
}
