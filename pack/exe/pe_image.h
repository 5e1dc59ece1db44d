// Reading and checking a 64-bit Windows executable (PE32+): the DOS header,
// the COFF file header, the optional header with its data directories and
// the section table. Pure code over the file's bytes: every offset and size
// read from the file is checked against the file before it is used, so any
// file, however damaged, gives either an image or one error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pack/io/byte_view.h"

enum class PeError {
    none,
    tooShort,             // shorter than a DOS header
    notExecutable,        // no "MZ" signature
    noPeHeader,           // the DOS header points nowhere, or no "PE\0\0" there
    truncatedHeaders,     // the file ends inside the headers or the section table
    thirtyTwoBit,         // a PE32 (32-bit) executable
    wrongMachine,         // PE32+, but not for x86-64
    notProgram,           // an object file or a DLL
    badOptionalHeader,    // sizes or counts that cannot be right
    badAlignment,         // file or section alignment not a valid power of two
    badSectionTable,      // sections out of order, overlapping or outside the image
    truncatedSection,     // a section's data runs past the end of the file
    badDataDirectory,     // a data directory outside the image
    badResources,         // the resource tree is damaged
    tooManyResources,     // more resources or resource bytes than the file can hold
    noRoomForSection,     // the headers have no space for another section header
    imageTooLarge,        // the new image would pass the format's 32-bit sizes
    unsupportedLayout,    // debug data or a symbol table inside the resource section
};

// The fixed text of each error, for messages.
const char* peErrorText(PeError error);

// One error and what exactly was wrong, e.g. which section and where.
struct PeProblem {
    PeError error = PeError::none;
    std::string detail;

    // "text (detail)", or the text alone.
    std::string message() const;
};

// Section characteristics the packer sets or reads.
constexpr uint32_t sectionInitializedData = 0x00000040u;
constexpr uint32_t sectionMemoryRead = 0x40000000u;
constexpr uint32_t sectionMemoryWrite = 0x80000000u;

struct PeSection {
    char name[8];  // as stored: NUL-padded, not terminated when all 8 are used
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
    uint32_t characteristics;

    std::string displayName() const;
    // The bytes the section takes in memory: its virtual size, or its raw
    // size when the virtual size is 0.
    uint32_t span() const { return virtualSize ? virtualSize : rawSize; }
};

struct PeDataDirectory {
    uint32_t address;  // an RVA, except for the certificate table: a file offset
    uint32_t size;
};

// Indexes of the data directories the packer reads or changes.
constexpr size_t directoryResources = 2;
constexpr size_t directoryCertificates = 4;
constexpr size_t directoryRelocations = 5;
constexpr size_t directoryDebug = 6;

constexpr uint16_t machineAmd64 = 0x8664;
constexpr uint16_t machineI386 = 0x014C;
constexpr uint16_t magicPe32 = 0x10B;
constexpr uint16_t magicPe32Plus = 0x20B;
// The Windows loader refuses images with more sections than this.
constexpr size_t maxSections = 96;
constexpr size_t sectionHeaderSize = 40;
constexpr size_t dataDirectoryCount = 16;

struct PeImage {
    std::vector<uint8_t> file;

    // Offsets into `file` of the structures the writer changes.
    size_t coffHeader = 0;      // just after "PE\0\0"
    size_t optionalHeader = 0;  // just after the COFF file header
    size_t sectionTable = 0;
    uint16_t optionalHeaderSize = 0;
    uint16_t characteristics = 0;

    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t sizeOfImage = 0;
    uint32_t checksum = 0;
    uint32_t symbolTableOffset = 0;  // 0 when there is none

    std::vector<PeSection> sections;  // in table order, which is address order
    std::vector<PeDataDirectory> directories;

    // File offset of the optional header's CheckSum field.
    size_t checksumOffset() const { return optionalHeader + 64; }
    // The first byte after every section's data: what follows (a symbol
    // table, a signature) is the overlay.
    size_t endOfSectionData() const;
    // The smallest file offset of any section's data: the headers can grow
    // up to it.
    size_t startOfSectionData() const;
    const PeDataDirectory* directory(size_t index) const {
        return index < directories.size() ? &directories[index] : nullptr;
    }
};

// Reads and checks `file`. On failure returns false with the first problem
// found; the image is then not to be used.
bool readPeImage(std::vector<uint8_t> file, PeImage* image, PeProblem* problem);

// The section whose memory range holds `rva`, or null.
const PeSection* sectionAt(const PeImage& image, uint32_t rva);

// The first section with exactly this name, or null.
const PeSection* sectionNamed(const PeImage& image, const char* name);

// The `size` bytes at `rva`, when they all lie in the stored data of one
// section; an empty view otherwise (bytes that exist only in memory, as
// zeroes past a section's stored data, are not stored anywhere to be read).
ByteView bytesAt(const PeImage& image, uint32_t rva, uint32_t size);

// File offset of `rva` under the same rule, with room for `size` bytes;
// false when there is none.
bool fileOffsetOf(const PeImage& image, uint32_t rva, uint32_t size, size_t* offset);

// One address the loader patches when it moves the image.
struct PeRelocation {
    uint64_t address;  // an RVA
    uint32_t size;     // bytes patched
};

// Every relocation of the base relocation table, in table order. A block too
// small or too long for the table ends it.
std::vector<PeRelocation> relocationsOf(const PeImage& image);

// The checksum of the optional header, computed over `file` with the four
// bytes at `checksumOffset` taken as zero: the one's-complement sum of the
// file's 16-bit little-endian words (an odd last byte padded with a zero),
// folded to 16 bits, plus the file's length.
uint32_t peChecksum(const std::vector<uint8_t>& file, size_t checksumOffset);
