// Deterministic French prose for the benchmarks: real words with their
// accents as Windows-1252 bytes, commas, sentences and paragraphs, the same
// bytes on every compiler and platform for a given length and seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t frenchTextDefaultSeed = 20240611u;

// Exactly `length` bytes of text.
std::vector<uint8_t> frenchText(size_t length, uint32_t seed = frenchTextDefaultSeed);
