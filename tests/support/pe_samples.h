// Executables for the packer's tests: the small real stand-in player made by
// tests/native/data/pe/make_samples.sh, and the header fields the tests damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// tests/native/data/pe/NAME
Bytes peSample(const std::string& name);

// Offsets read from the file itself: the COFF file header, the optional
// header, the section table, and the section header with this name (npos
// when there is none).
size_t coffOffset(const Bytes& file);
size_t optionalOffset(const Bytes& file);
size_t sectionTableOffset(const Bytes& file);
size_t sectionHeaderOffset(const Bytes& file, const std::string& name);

uint16_t getU16(const Bytes& file, size_t offset);
uint32_t getU32(const Bytes& file, size_t offset);
void setU16(Bytes* file, size_t offset, uint16_t value);
void setU32(Bytes* file, size_t offset, uint32_t value);
