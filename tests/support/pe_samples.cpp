#include "tests/support/pe_samples.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

Bytes peSample(const std::string& name) {
    std::ifstream in(std::string(VYRLA_TEST_DATA) + "/pe/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t getU16(const Bytes& file, size_t offset) { return static_cast<uint16_t>(file.at(offset) | file.at(offset + 1) << 8); }
uint32_t getU32(const Bytes& file, size_t offset) { return getU16(file, offset) | uint32_t{getU16(file, offset + 2)} << 16; }

void setU16(Bytes* file, size_t offset, uint16_t value) {
    file->at(offset) = static_cast<uint8_t>(value);
    file->at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

void setU32(Bytes* file, size_t offset, uint32_t value) {
    setU16(file, offset, static_cast<uint16_t>(value));
    setU16(file, offset + 2, static_cast<uint16_t>(value >> 16));
}

size_t coffOffset(const Bytes& file) { return getU32(file, 0x3C) + 4; }  // after "PE\0\0"
size_t optionalOffset(const Bytes& file) { return coffOffset(file) + 20; }
size_t sectionTableOffset(const Bytes& file) { return optionalOffset(file) + getU16(file, coffOffset(file) + 16); }

size_t sectionHeaderOffset(const Bytes& file, const std::string& name) {
    for (size_t i = 0, at = sectionTableOffset(file); i < getU16(file, coffOffset(file) + 2); ++i, at += 40) {
        if (std::strncmp(reinterpret_cast<const char*>(&file.at(at)), name.c_str(), 8) == 0) return at;
    }
    return std::string::npos;
}
