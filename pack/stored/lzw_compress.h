// The LZW coder of the packer: writes streams that lzwExpand gives back
// exactly, widening the codes and resetting the dictionary as it expects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Codes `length` bytes (at least one). The result ends with the end code and
// is padded with zero bits to a whole byte.
std::vector<uint8_t> lzwCompress(const uint8_t* data, size_t length);
