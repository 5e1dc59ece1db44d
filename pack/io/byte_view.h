// Little-endian reads and writes at byte offsets, every one bounds-checked.
// The executable formats are little-endian whatever the machine running the
// packer, so values are put together byte by byte, never by casting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteView(const std::vector<uint8_t>& bytes) : data_(bytes.data()), size_(bytes.size()) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    // True when `length` bytes from `offset` lie inside the view.
    bool has(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }

    bool u8(size_t offset, uint8_t* value) const {
        if (!has(offset, 1)) {
            return false;
        }
        *value = data_[offset];
        return true;
    }

    bool u16(size_t offset, uint16_t* value) const {
        if (!has(offset, 2)) {
            return false;
        }
        *value = static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
        return true;
    }

    bool u32(size_t offset, uint32_t* value) const {
        if (!has(offset, 4)) {
            return false;
        }
        *value = static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
                 static_cast<uint32_t>(data_[offset + 2]) << 16 | static_cast<uint32_t>(data_[offset + 3]) << 24;
        return true;
    }

    // The sub-view of `length` bytes from `offset`; empty when out of bounds.
    ByteView slice(size_t offset, size_t length) const {
        return has(offset, length) ? ByteView(data_ + offset, length) : ByteView();
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Writers into a buffer the caller has sized; out-of-range writes are a
// programming error in the packer, so they are checked and refused loudly.
void putU16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value);
void putU32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value);

// Appenders for building new structures.
void appendU16(std::vector<uint8_t>* bytes, uint16_t value);
void appendU32(std::vector<uint8_t>* bytes, uint32_t value);

// `value` rounded up to a multiple of `alignment` (a power of two). The
// caller makes sure the result fits.
inline uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}
