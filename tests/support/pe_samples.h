// Executables for the packer's tests: the small real stand-in player made by
// tests/native/data/pe/make_samples.sh, and byte-level changes to it that
// make one damaged header field each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// tests/native/data/pe/NAME
Bytes peSample(const std::string& name);
Bytes readBytes(const std::string& path);

// Offsets of the fields the tests change, read from the file itself.
size_t peHeaderOffset(const Bytes& file);  // of "PE\0\0"
size_t coffOffset(const Bytes& file);      // the COFF file header
size_t optionalOffset(const Bytes& file);  // the optional header
size_t sectionTableOffset(const Bytes& file);
// The section header with this name; npos when there is none.
size_t sectionHeaderOffset(const Bytes& file, const std::string& name);

uint16_t getU16(const Bytes& file, size_t offset);
uint32_t getU32(const Bytes& file, size_t offset);
void setU16(Bytes* file, size_t offset, uint16_t value);
void setU32(Bytes* file, size_t offset, uint32_t value);
