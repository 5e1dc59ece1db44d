#include "images/picture_header.h"

namespace {

class Bytes {
public:
    Bytes(const uint8_t* bytes, size_t length, bool swapped) : bytes_(bytes), length_(length), swapped_(swapped) {}
    bool has(size_t end) const { return end <= length_; }
    uint32_t at(size_t i) const {
        const uint8_t b = bytes_[i];
        return swapped_ ? static_cast<uint8_t>((b << 4) | (b >> 4)) : b;
    }
    uint32_t little16(size_t i) const { return at(i) | at(i + 1) << 8; }
    uint32_t little32(size_t i) const { return little16(i) | little16(i + 2) << 16; }
    uint32_t big16(size_t i) const { return at(i) << 8 | at(i + 1); }
    uint32_t big32(size_t i) const { return big16(i) << 16 | big16(i + 2); }

private:
    const uint8_t* bytes_;
    size_t length_;
    bool swapped_;
};

bool positive(int64_t width, int64_t height, PictureSize* size) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    *size = {static_cast<int>(width), static_cast<int>(height)};
    return true;
}

bool bmpSize(const Bytes& b, PictureSize* size) {
    if (!b.has(26)) return false;
    if (b.little32(14) == 12) return positive(b.little16(18), b.little16(20), size);  // the old core header
    const int32_t height = static_cast<int32_t>(b.little32(22));
    return positive(static_cast<int32_t>(b.little32(18)), height < 0 ? -int64_t{height} : height, size);
}

bool jpegSize(const Bytes& b, PictureSize* size) {
    size_t i = 2;
    while (b.has(i + 4)) {
        if (b.at(i) != 0xFF) return false;
        const uint32_t marker = b.at(i + 1);
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;  // image data before any frame header
        const size_t length = b.big16(i + 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) return b.has(i + 9) && positive(b.big16(i + 7), b.big16(i + 5), size);
        if (length < 2) return false;
        i += 2 + length;
    }
    return false;
}

}  // namespace

bool pictureHeaderSize(const uint8_t* bytes, size_t length, bool nibbleSwapped, PictureSize* size) {
    const Bytes b(bytes, length, nibbleSwapped);
    if (!b.has(10)) return false;
    if (b.at(0) == 'B' && b.at(1) == 'M') return bmpSize(b, size);
    if (b.at(0) == 'G' && b.at(1) == 'I' && b.at(2) == 'F') return positive(b.little16(6), b.little16(8), size);
    if (b.at(0) == 0x89 && b.at(1) == 'P' && b.at(2) == 'N' && b.at(3) == 'G') {
        return b.has(24) && positive(b.big32(16), b.big32(20), size);
    }
    if (b.at(0) == 0xFF && b.at(1) == 0xD8) return jpegSize(b, size);
    return false;
}
