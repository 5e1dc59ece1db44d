#include "pack/exe/pe_image.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Format notes, from the PE/COFF layout:
// - The DOS header's last field (offset 0x3C) is the file offset of "PE\0\0";
//   the 20-byte COFF file header follows it, then the optional header.
// - In a PE32+ optional header the fixed fields take 112 bytes; the data
//   directories follow, 8 bytes each, as many as NumberOfRvaAndSizes says.
// - Section headers are 40 bytes each and follow the optional header, whose
//   size the COFF header gives (it need not be 112 + 8 * count).
constexpr size_t dosHeaderSize = 64;
constexpr size_t peOffsetField = 0x3C;
constexpr uint32_t plausiblePeOffset = 0x10000;
constexpr size_t coffHeaderSize = 20;
constexpr size_t optionalFixedSize = 112;

constexpr uint16_t fileExecutableImage = 0x0002;
constexpr uint16_t fileDll = 0x2000;

constexpr uint32_t minFileAlignment = 512;
constexpr uint32_t maxFileAlignment = 65536;
constexpr uint32_t pageSize = 4096;
// Far beyond any real image; keeps every sum below in 64 bits and every
// image size in the format's 32.
constexpr uint32_t maxSectionAlignment = 1u << 28;

bool isPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

std::string hex(uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value);
    return "0x" + text;
}

bool fail(PeProblem* problem, PeError error, std::string detail = {}) {
    problem->error = error;
    problem->detail = std::move(detail);
    return false;
}

bool readHeaders(const ByteView& file, PeImage* image, PeProblem* problem) {
    if (file.size() < dosHeaderSize) {
        return fail(problem, PeError::tooShort, std::to_string(file.size()) + " bytes");
    }
    if (file.data()[0] != 'M' || file.data()[1] != 'Z') {
        return fail(problem, PeError::notExecutable);
    }
    uint32_t peOffset = 0;
    file.u32(peOffsetField, &peOffset);
    static const uint8_t signature[4] = {'P', 'E', 0, 0};
    if (!file.has(peOffset, sizeof signature)) {
        // A header the DOS header could well point to, cut off: a truncated
        // file rather than a foreign one.
        const PeError error = peOffset < plausiblePeOffset ? PeError::truncatedHeaders : PeError::noPeHeader;
        return fail(problem, error, "the DOS header points to byte " + std::to_string(peOffset));
    }
    if (std::memcmp(file.data() + peOffset, signature, sizeof signature) != 0) {
        return fail(problem, PeError::noPeHeader);
    }
    image->coffHeader = peOffset + sizeof signature;
    uint16_t machine = 0;
    uint16_t sectionCount = 0;
    if (!file.u16(image->coffHeader, &machine) || !file.u16(image->coffHeader + 2, &sectionCount) ||
        !file.u32(image->coffHeader + 8, &image->symbolTableOffset) ||
        !file.u16(image->coffHeader + 16, &image->optionalHeaderSize) ||
        !file.u16(image->coffHeader + 18, &image->characteristics)) {
        return fail(problem, PeError::truncatedHeaders, "in the COFF file header");
    }
    image->optionalHeader = image->coffHeader + coffHeaderSize;
    uint16_t magic = 0;
    if (!file.u16(image->optionalHeader, &magic)) {
        return fail(problem, PeError::truncatedHeaders, "in the optional header");
    }
    if (machine == machineI386 || magic == magicPe32) {
        return fail(problem, PeError::thirtyTwoBit);
    }
    if (magic != magicPe32Plus) {
        return fail(problem, PeError::badOptionalHeader, "its magic number is " + hex(magic));
    }
    if (machine != machineAmd64) {
        return fail(problem, PeError::wrongMachine, "machine " + hex(machine));
    }
    if (!(image->characteristics & fileExecutableImage) || (image->characteristics & fileDll)) {
        return fail(problem, PeError::notProgram,
                    image->characteristics & fileDll ? "it is a DLL" : "it is not marked as an executable image");
    }
    if (image->optionalHeaderSize < optionalFixedSize) {
        return fail(problem, PeError::badOptionalHeader,
                    "its size is " + std::to_string(image->optionalHeaderSize) + " bytes");
    }
    const size_t optional = image->optionalHeader;
    uint32_t directoryCount = 0;
    if (!file.has(optional, image->optionalHeaderSize) || !file.u32(optional + 32, &image->sectionAlignment) ||
        !file.u32(optional + 36, &image->fileAlignment) || !file.u32(optional + 56, &image->sizeOfImage) ||
        !file.u32(optional + 60, &image->sizeOfHeaders) || !file.u32(optional + 64, &image->checksum) ||
        !file.u32(optional + 108, &directoryCount)) {
        return fail(problem, PeError::truncatedHeaders, "in the optional header");
    }
    if (directoryCount > dataDirectoryCount ||
        optionalFixedSize + 8 * static_cast<size_t>(directoryCount) > image->optionalHeaderSize) {
        return fail(problem, PeError::badOptionalHeader,
                    std::to_string(directoryCount) + " data directories in an optional header of " +
                        std::to_string(image->optionalHeaderSize) + " bytes");
    }
    for (uint32_t i = 0; i < directoryCount; ++i) {
        PeDataDirectory directory{};
        file.u32(optional + optionalFixedSize + 8 * i, &directory.address);
        file.u32(optional + optionalFixedSize + 8 * i + 4, &directory.size);
        image->directories.push_back(directory);
    }
    if (sectionCount == 0 || sectionCount > maxSections) {
        return fail(problem, PeError::badSectionTable, std::to_string(sectionCount) + " sections");
    }
    image->sectionTable = optional + image->optionalHeaderSize;
    if (!file.has(image->sectionTable, sectionHeaderSize * sectionCount)) {
        return fail(problem, PeError::truncatedHeaders, "in the section table");
    }
    for (size_t i = 0; i < sectionCount; ++i) {
        const size_t at = image->sectionTable + sectionHeaderSize * i;
        PeSection section{};
        std::memcpy(section.name, file.data() + at, sizeof section.name);
        file.u32(at + 8, &section.virtualSize);
        file.u32(at + 12, &section.virtualAddress);
        file.u32(at + 16, &section.rawSize);
        file.u32(at + 20, &section.rawOffset);
        file.u32(at + 36, &section.characteristics);
        image->sections.push_back(section);
    }
    return true;
}

bool checkAlignment(const PeImage& image, PeProblem* problem) {
    const uint32_t file = image.fileAlignment;
    const uint32_t section = image.sectionAlignment;
    const std::string both = "file alignment " + hex(file) + ", section alignment " + hex(section);
    if (!isPowerOfTwo(file) || file < minFileAlignment || file > maxFileAlignment || !isPowerOfTwo(section) ||
        section < file || section > maxSectionAlignment) {
        return fail(problem, PeError::badAlignment, both);
    }
    if (section < pageSize && file != section) {
        return fail(problem, PeError::badAlignment, both);
    }
    return true;
}

bool checkSections(const PeImage& image, PeProblem* problem) {
    const uint64_t headersEnd = image.sectionTable + sectionHeaderSize * image.sections.size();
    if (image.sizeOfHeaders < headersEnd || image.sizeOfHeaders > image.file.size()) {
        return fail(problem, PeError::badOptionalHeader,
                    "the headers are said to take " + std::to_string(image.sizeOfHeaders) + " bytes");
    }
    uint64_t nextAddress = alignUp(image.sizeOfHeaders, image.sectionAlignment);
    for (const PeSection& section : image.sections) {
        const std::string name = "section " + section.displayName();
        if (section.virtualAddress % image.sectionAlignment != 0 || section.virtualAddress < nextAddress) {
            return fail(problem, PeError::badSectionTable, name + " at address " + hex(section.virtualAddress));
        }
        nextAddress = alignUp(static_cast<uint64_t>(section.virtualAddress) + section.span(), image.sectionAlignment);
        if (nextAddress > image.sizeOfImage) {
            return fail(problem, PeError::badSectionTable, name + " ends past the image size " + hex(image.sizeOfImage));
        }
        if (section.rawSize == 0) {
            continue;
        }
        const uint64_t rawEnd = static_cast<uint64_t>(section.rawOffset) + section.rawSize;
        if (section.rawOffset < image.sizeOfHeaders) {
            return fail(problem, PeError::badSectionTable, name + "'s data starts inside the headers");
        }
        if (rawEnd > image.file.size()) {
            return fail(problem, PeError::truncatedSection,
                        name + "'s data ends at byte " + std::to_string(rawEnd) + ", the file has " +
                            std::to_string(image.file.size()));
        }
    }
    // Stored data may come in any order in the file, but must not overlap:
    // the writer moves and clears whole ranges.
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (const PeSection& section : image.sections) {
        if (section.rawSize) {
            ranges.emplace_back(section.rawOffset, section.rawSize);
        }
    }
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (static_cast<uint64_t>(ranges[i - 1].first) + ranges[i - 1].second > ranges[i].first) {
            return fail(problem, PeError::badSectionTable, "two sections share stored bytes at " + hex(ranges[i].first));
        }
    }
    return true;
}

// Whether the range lies in one section, up to the section's end in memory.
bool inOneSection(const PeImage& image, uint64_t address, uint64_t size) {
    const uint64_t end = address + size;
    for (const PeSection& section : image.sections) {
        const uint64_t sectionEnd = static_cast<uint64_t>(section.virtualAddress) +
                                    alignUp(section.span(), image.sectionAlignment);
        if (address >= section.virtualAddress && end <= sectionEnd) {
            return true;
        }
    }
    return false;
}

// Every directory but the certificate table (a file range) lies in the
// headers or in one section: the writer keeps sections where they are, so
// the directories stay valid.
bool inHeadersOrOneSection(const PeImage& image, uint32_t address, uint32_t size) {
    const uint64_t end = static_cast<uint64_t>(address) + size;
    return end <= image.sizeOfHeaders || inOneSection(image, address, size);
}

// Base relocations name the addresses the loader patches when it moves the
// image. Each must lie in a section: one past the sections would patch
// whatever the writer puts there next.
bool checkRelocations(const PeImage& image, PeProblem* problem) {
    const PeDataDirectory* relocations = image.directory(directoryRelocations);
    if (!relocations || relocations->size == 0) {
        return true;
    }
    if (!bytesAt(image, relocations->address, relocations->size).data()) {
        return fail(problem, PeError::badDataDirectory, "the relocations are not in the file");
    }
    for (const PeRelocation& relocation : relocationsOf(image)) {
        if (!inOneSection(image, relocation.address, relocation.size)) {
            return fail(problem, PeError::badDataDirectory,
                        "a relocation at " + hex(relocation.address) + " is in no section");
        }
    }
    return true;
}

bool checkDirectories(const PeImage& image, PeProblem* problem) {
    for (size_t i = 0; i < image.directories.size(); ++i) {
        const PeDataDirectory& directory = image.directories[i];
        if (directory.size == 0) {
            continue;
        }
        const uint64_t end = static_cast<uint64_t>(directory.address) + directory.size;
        // Certificates are a file range after every section's data.
        const bool inside = i == directoryCertificates
                                ? directory.address >= image.endOfSectionData() && end <= image.file.size()
                                : inHeadersOrOneSection(image, directory.address, directory.size);
        if (!inside && i == directoryCertificates) {
            return fail(problem, PeError::badDataDirectory,
                        "the signature at byte " + std::to_string(directory.address) +
                            " is not after the sections' data and inside the file");
        }
        if (!inside) {
            return fail(problem, PeError::badDataDirectory,
                        "data directory " + std::to_string(i) + " at " + hex(directory.address) + ", " +
                            std::to_string(directory.size) + " bytes");
        }
    }
    if (image.symbolTableOffset > image.file.size()) {
        return fail(problem, PeError::badOptionalHeader,
                    "the symbol table is said to start at byte " + std::to_string(image.symbolTableOffset));
    }
    return true;
}

}  // namespace

const char* peErrorText(PeError error) {
    switch (error) {
    case PeError::none:
        return "no error";
    case PeError::tooShort:
        return "too short to be a Windows executable";
    case PeError::notExecutable:
        return "not a Windows executable (no MZ header)";
    case PeError::noPeHeader:
        return "not a Windows executable (no PE header)";
    case PeError::truncatedHeaders:
        return "truncated: the file ends inside its headers";
    case PeError::thirtyTwoBit:
        return "a 32-bit executable; the Vyrla player is a 64-bit (PE32+) program";
    case PeError::wrongMachine:
        return "an executable for another processor; the Vyrla player is for x86-64";
    case PeError::notProgram:
        return "not a program";
    case PeError::badOptionalHeader:
        return "damaged: its optional header cannot be right";
    case PeError::badAlignment:
        return "damaged: its alignments are not valid";
    case PeError::badSectionTable:
        return "damaged: its section table cannot be right";
    case PeError::truncatedSection:
        return "truncated: a section's data runs past the end of the file";
    case PeError::badDataDirectory:
        return "damaged: a data directory lies outside its sections";
    case PeError::badResources:
        return "damaged: its resources cannot be read";
    case PeError::tooManyResources:
        return "damaged: its resource tree is larger than the file";
    case PeError::noRoomForSection:
        return "its headers have no room for another section";
    case PeError::imageTooLarge:
        return "the executable would grow too large";
    case PeError::unsupportedLayout:
        return "its layout is not supported";
    }
    return "unknown error";
}

std::string PeProblem::message() const {
    std::string text = peErrorText(error);
    if (!detail.empty()) {
        text += " (" + detail + ")";
    }
    return text;
}

std::string PeSection::displayName() const {
    size_t length = 0;
    while (length < sizeof name && name[length] != '\0') {
        ++length;
    }
    return std::string(name, length);
}

size_t PeImage::endOfSectionData() const {
    size_t end = sizeOfHeaders;
    for (const PeSection& section : sections) {
        if (section.rawSize) {
            end = std::max(end, static_cast<size_t>(section.rawOffset) + section.rawSize);
        }
    }
    return end;
}

size_t PeImage::startOfSectionData() const {
    size_t start = file.size();
    for (const PeSection& section : sections) {
        if (section.rawSize) {
            start = std::min(start, static_cast<size_t>(section.rawOffset));
        }
    }
    return start;
}

bool readPeImage(std::vector<uint8_t> file, PeImage* image, PeProblem* problem) {
    *image = PeImage{};
    *problem = PeProblem{};
    image->file = std::move(file);
    const ByteView view(image->file);
    return readHeaders(view, image, problem) && checkAlignment(*image, problem) && checkSections(*image, problem) &&
           checkDirectories(*image, problem) && checkRelocations(*image, problem);
}

const PeSection* sectionAt(const PeImage& image, uint32_t rva) {
    for (const PeSection& section : image.sections) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.span()) {
            return &section;
        }
    }
    return nullptr;
}

const PeSection* sectionNamed(const PeImage& image, const char* name) {
    for (const PeSection& section : image.sections) {
        if (section.displayName() == name) {
            return &section;
        }
    }
    return nullptr;
}

bool fileOffsetOf(const PeImage& image, uint32_t rva, uint32_t size, size_t* offset) {
    const PeSection* section = sectionAt(image, rva);
    if (!section) {
        return false;
    }
    const uint32_t inSection = rva - section->virtualAddress;
    const uint32_t stored = std::min(section->rawSize, section->span());
    if (inSection > stored || size > stored - inSection) {
        return false;
    }
    *offset = static_cast<size_t>(section->rawOffset) + inSection;
    return true;
}

ByteView bytesAt(const PeImage& image, uint32_t rva, uint32_t size) {
    size_t offset = 0;
    if (!fileOffsetOf(image, rva, size, &offset)) {
        return ByteView();
    }
    return ByteView(image.file).slice(offset, size);
}

std::vector<PeRelocation> relocationsOf(const PeImage& image) {
    std::vector<PeRelocation> found;
    const PeDataDirectory* relocations = image.directory(directoryRelocations);
    if (!relocations || relocations->size == 0) {
        return found;
    }
    const ByteView blocks = bytesAt(image, relocations->address, relocations->size);
    size_t at = 0;
    uint32_t page = 0;
    uint32_t blockSize = 0;
    // Format note: blocks of a page address and a size (both counted in the
    // size), then 16-bit entries: a type in the top four bits, an offset in
    // the page below. A block too small or too long for the table ends it,
    // as the zero padding after the last block does.
    while (blocks.u32(at, &page) && blocks.u32(at + 4, &blockSize) && blockSize >= 8 &&
           blockSize <= blocks.size() - at) {
        for (size_t entry = at + 8; entry + 2 <= at + blockSize; entry += 2) {
            uint16_t value = 0;
            blocks.u16(entry, &value);
            const unsigned type = value >> 12;
            // Type 0 is padding; 10 patches eight bytes, 3 four, the rest two.
            if (type != 0) {
                found.push_back({static_cast<uint64_t>(page) + (value & 0x0FFFu), type == 10u ? 8u : type == 3u ? 4u : 2u});
            }
        }
        at += blockSize;
    }
    return found;
}

uint32_t peChecksum(const std::vector<uint8_t>& file, size_t checksumOffset) {
    // The field itself counts as zero, byte by byte, wherever it falls.
    const auto byteAt = [&](size_t i) -> uint32_t {
        return i >= checksumOffset && i - checksumOffset < 4 ? 0 : file[i];
    };
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        const uint32_t word = byteAt(i) | (i + 1 < file.size() ? byteAt(i + 1) << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}
