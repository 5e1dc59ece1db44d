// Writes a new executable from a checked one: a new resource section, some
// bytes replaced inside named sections, and headers made consistent again
// (section table, image size, data directories, symbol table pointer, debug
// data offsets, checksum). Everything else is copied byte for byte, and no
// clock is read: the same input gives the same output.
//
// Where the new resources go:
// - When the resource section is the last section, both in memory and in the
//   file, and the resource directory starts it, the section is rewritten in
//   place at its own address, growing or shrinking; whatever follows the
//   sections' data in the file (a symbol table) moves with its end.
// - Otherwise (linkers usually put the relocations after the resources) a
//   new section ".rsrc" is appended after the last one, and the old resource
//   directory is cleared to zeroes where it stands, so that no stale resource
//   stays readable; an old section that held nothing but resources keeps its
//   address and size, so that no other section moves, and is renamed
//   ".oldrsrc". Building over the output again then finds the resources last
//   and rewrites them in place, so the file does not keep growing.
// A signature (certificate table) cannot hold once the resources change, so
// it is dropped with a note.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"

// Bytes to put into a section's stored data at an offset from its start.
struct SectionPatch {
    std::string section;  // exact section name
    uint32_t offset;
    std::vector<uint8_t> bytes;
};

struct PeRewrite {
    std::vector<Resource> resources;  // the whole new resource tree
    std::vector<SectionPatch> patches;
};

// Fails (with nothing in *output) when a patch does not fit its section, the
// headers have no room for another section, other data shares the resource
// section, or the result would pass the format's sizes. Notes, such as a
// dropped signature, are appended to *notes when given.
bool rewritePeImage(const PeImage& image, const PeRewrite& rewrite, std::vector<uint8_t>* output,
                    std::vector<std::string>* notes, PeProblem* problem);
