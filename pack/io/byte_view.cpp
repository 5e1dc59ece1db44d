#include "pack/io/byte_view.h"

#include <stdexcept>

namespace {

void checkRange(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
    if (offset > bytes.size() || length > bytes.size() - offset) {
        throw std::out_of_range("write past the end of a buffer");
    }
}

}  // namespace

void putU16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value) {
    checkRange(*bytes, offset, 2);
    (*bytes)[offset] = static_cast<uint8_t>(value);
    (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void putU32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value) {
    checkRange(*bytes, offset, 4);
    for (size_t i = 0; i < 4; ++i) {
        (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void appendU16(std::vector<uint8_t>* bytes, uint16_t value) {
    bytes->push_back(static_cast<uint8_t>(value));
    bytes->push_back(static_cast<uint8_t>(value >> 8));
}

void appendU32(std::vector<uint8_t>* bytes, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}
