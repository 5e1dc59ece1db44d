#include "pack/exe/pe_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr size_t sizeOfInitializedDataField = 8;  // in the optional header
constexpr size_t sizeOfImageField = 56;
constexpr size_t directoriesField = 112;
constexpr size_t debugEntrySize = 28;
constexpr size_t debugRawPointerField = 24;
constexpr size_t numberOfSectionsField = 2;  // in the COFF file header
constexpr size_t symbolTableField = 8;
constexpr char newSectionName[] = ".rsrc";
constexpr char oldSectionName[] = ".oldrsrc";
constexpr uint32_t plainResourceSection = sectionInitializedData | sectionMemoryRead;
constexpr uint64_t maxFileSize = std::numeric_limits<uint32_t>::max();
// Offsets inside the resource tree keep their top bit for the tree's flags.
constexpr uint64_t maxResourceSection = 0x7FFFFFFFu;

bool fail(PeProblem* problem, PeError error, std::string detail) {
    problem->error = error;
    problem->detail = std::move(detail);
    return false;
}

bool overlaps(uint64_t start, uint64_t size, uint64_t otherStart, uint64_t otherSize) {
    return size && otherSize && start < otherStart + otherSize && otherStart < start + size;
}

// Where the resources go and what moves in the file.
struct Plan {
    const PeSection* oldSection = nullptr;  // holds the current resource directory, if any
    size_t oldIndex = 0;
    bool inPlace = false;
    uint32_t newAddress = 0;
    // File bytes [cutStart, cutEnd) of the input are replaced by the new
    // section (plus alignment padding); bytes from cutEnd on move by `shift`.
    size_t cutStart = 0;
    size_t cutEnd = 0;
    size_t newRawOffset = 0;
    int64_t shift = 0;
    // Memory range of the input whose contents are cleared or replaced.
    uint32_t clearedAddress = 0;
    uint32_t clearedSize = 0;
};

bool planLayout(const PeImage& image, Plan* plan, PeProblem* problem) {
    const PeDataDirectory* directory = image.directory(directoryResources);
    if (!directory) {
        return fail(problem, PeError::badOptionalHeader, "it has no entry for a resource directory");
    }
    if (directory->address != 0) {
        plan->oldSection = sectionAt(image, directory->address);
        if (!plan->oldSection) {
            return fail(problem, PeError::badResources, "the resource directory is in no section");
        }
        plan->oldIndex = static_cast<size_t>(plan->oldSection - image.sections.data());
    }
    const PeSection* old = plan->oldSection;
    const PeSection& last = image.sections.back();
    plan->inPlace = old && old == &last && old->rawSize != 0 &&
                    static_cast<size_t>(old->rawOffset) + old->rawSize == image.endOfSectionData() &&
                    directory->address == old->virtualAddress;
    if (plan->inPlace) {
        plan->newAddress = old->virtualAddress;
        plan->cutStart = old->rawOffset;
        plan->cutEnd = static_cast<size_t>(old->rawOffset) + old->rawSize;
        plan->newRawOffset = old->rawOffset;
        plan->clearedAddress = old->virtualAddress;
        plan->clearedSize = old->span();
    } else {
        plan->newAddress = static_cast<uint32_t>(
            std::min<uint64_t>(alignUp(static_cast<uint64_t>(last.virtualAddress) + last.span(), image.sectionAlignment),
                               maxFileSize));
        plan->cutStart = image.endOfSectionData();
        plan->cutEnd = plan->cutStart;
        plan->newRawOffset = static_cast<size_t>(alignUp(plan->cutStart, image.fileAlignment));
        if (old && directory->address == old->virtualAddress) {
            plan->clearedAddress = old->virtualAddress;
            plan->clearedSize = old->span();
        } else if (old) {
            plan->clearedAddress = directory->address;
            plan->clearedSize = directory->size;
        }
        const size_t slot = image.sectionTable + sectionHeaderSize * image.sections.size();
        if (image.sections.size() >= maxSections || slot + sectionHeaderSize > image.sizeOfHeaders ||
            slot + sectionHeaderSize > image.startOfSectionData()) {
            return fail(problem, PeError::noRoomForSection,
                        std::to_string(image.sections.size()) + " section headers fill them");
        }
        // Header data such as bound imports may sit right after the table.
        for (size_t i = 0; i < image.directories.size(); ++i) {
            const PeDataDirectory& other = image.directories[i];
            if (i != directoryCertificates && overlaps(other.address, other.size, slot, sectionHeaderSize)) {
                return fail(problem, PeError::noRoomForSection,
                            "data directory " + std::to_string(i) + " follows the section table");
            }
        }
    }
    return true;
}

// Nothing but the resources may live where they are cleared or replaced.
bool checkClearedRange(const PeImage& image, const Plan& plan, PeProblem* problem) {
    for (size_t i = 0; i < image.directories.size(); ++i) {
        const PeDataDirectory& other = image.directories[i];
        if (i == directoryResources || i == directoryCertificates) {
            continue;
        }
        if (overlaps(other.address, other.size, plan.clearedAddress, plan.clearedSize)) {
            return fail(problem, PeError::unsupportedLayout,
                        "data directory " + std::to_string(i) + " lies among the resources");
        }
    }
    // Relocations into the resources would be applied to the new bytes.
    for (const PeRelocation& relocation : relocationsOf(image)) {
        if (overlaps(relocation.address, relocation.size, plan.clearedAddress, plan.clearedSize)) {
            return fail(problem, PeError::unsupportedLayout, "relocations apply to the resources");
        }
    }
    return true;
}

// A file offset of the input as it is in the output.
bool movedOffset(const Plan& plan, uint64_t offset, uint64_t* moved) {
    if (offset >= plan.cutEnd) {
        *moved = static_cast<uint64_t>(static_cast<int64_t>(offset) + plan.shift);
        return true;
    }
    if (offset >= plan.cutStart && plan.cutEnd > plan.cutStart) {
        return false;  // inside the replaced section
    }
    *moved = offset;
    return true;
}

bool applyPatches(const PeImage& image, const PeRewrite& rewrite, const Plan& plan, std::vector<uint8_t>* out,
                  PeProblem* problem) {
    for (const SectionPatch& patch : rewrite.patches) {
        const PeSection* section = sectionNamed(image, patch.section.c_str());
        if (!section) {
            return fail(problem, PeError::unsupportedLayout, "it has no section " + patch.section);
        }
        if (plan.oldSection == section) {
            return fail(problem, PeError::unsupportedLayout, "section " + patch.section + " holds the resources");
        }
        const uint64_t room = std::min(section->rawSize, section->span());
        if (patch.offset > room || patch.bytes.size() > room - patch.offset) {
            return fail(problem, PeError::unsupportedLayout,
                        "section " + patch.section + " has " + std::to_string(room) + " bytes, too few for " +
                            std::to_string(patch.bytes.size()) + " at offset " + std::to_string(patch.offset));
        }
        // The patched bytes must be nobody else's: not a directory's, and not
        // bytes the loader itself changes when it moves the image.
        const uint64_t address = static_cast<uint64_t>(section->virtualAddress) + patch.offset;
        for (size_t i = 0; i < image.directories.size(); ++i) {
            const PeDataDirectory& directory = image.directories[i];
            if (i != directoryCertificates && overlaps(directory.address, directory.size, address, patch.bytes.size())) {
                return fail(problem, PeError::unsupportedLayout,
                            "data directory " + std::to_string(i) + " lies in section " + patch.section);
            }
        }
        for (const PeRelocation& relocation : relocationsOf(image)) {
            if (overlaps(relocation.address, relocation.size, address, patch.bytes.size())) {
                return fail(problem, PeError::unsupportedLayout, "relocations apply to section " + patch.section);
            }
        }
        std::copy(patch.bytes.begin(), patch.bytes.end(), out->begin() + section->rawOffset + patch.offset);
    }
    return true;
}

bool moveDebugData(const PeImage& image, const Plan& plan, std::vector<uint8_t>* out, PeProblem* problem) {
    const PeDataDirectory* debug = image.directory(directoryDebug);
    if (!debug || debug->size == 0) {
        return true;
    }
    size_t at = 0;
    if (!fileOffsetOf(image, debug->address, debug->size, &at)) {
        return fail(problem, PeError::badDataDirectory, "the debug directory is not in the file");
    }
    const ByteView input(image.file);
    for (size_t entry = 0; entry + debugEntrySize <= debug->size; entry += debugEntrySize) {
        uint32_t pointer = 0;
        input.u32(at + entry + debugRawPointerField, &pointer);
        uint64_t moved = 0;
        if (pointer == 0) {
            continue;
        }
        if (!movedOffset(plan, pointer, &moved)) {
            return fail(problem, PeError::unsupportedLayout, "debug data lies in the resource section");
        }
        putU32(out, at + entry + debugRawPointerField, static_cast<uint32_t>(moved));
    }
    return true;
}

// Writes the fields the packer knows; a new header also gets zeroes where
// an image has no relocations or line numbers, an existing one keeps its own.
void writeSectionHeader(std::vector<uint8_t>* out, size_t at, const PeSection& section, bool isNew) {
    std::memcpy(out->data() + at, section.name, sizeof section.name);
    putU32(out, at + 8, section.virtualSize);
    putU32(out, at + 12, section.virtualAddress);
    putU32(out, at + 16, section.rawSize);
    putU32(out, at + 20, section.rawOffset);
    if (isNew) {
        for (size_t field = 24; field < 36; field += 4) {
            putU32(out, at + field, 0);
        }
    }
    putU32(out, at + 36, section.characteristics);
}

void setName(PeSection* section, const char* name) {
    std::memset(section->name, 0, sizeof section->name);
    std::memcpy(section->name, name, std::min(std::strlen(name), sizeof section->name));
}

}  // namespace

bool rewritePeImage(const PeImage& image, const PeRewrite& rewrite, std::vector<uint8_t>* output,
                    std::vector<std::string>* notes, PeProblem* problem) {
    output->clear();
    *problem = PeProblem{};
    Plan plan;
    if (!planLayout(image, &plan, problem) || !checkClearedRange(image, plan, problem)) {
        return false;
    }

    std::vector<uint8_t> section = buildResourceSection(rewrite.resources, plan.newAddress);
    const uint64_t rawSize = alignUp(section.size(), image.fileAlignment);
    const uint64_t imageEnd = alignUp(static_cast<uint64_t>(plan.newAddress) + section.size(), image.sectionAlignment);
    const uint64_t fileSize = static_cast<uint64_t>(image.file.size()) - (plan.cutEnd - plan.cutStart) +
                              (plan.newRawOffset - plan.cutStart) + rawSize;
    if (section.size() > maxResourceSection || imageEnd > maxFileSize || fileSize > maxFileSize) {
        return fail(problem, PeError::imageTooLarge, std::to_string(section.size()) + " bytes of resources");
    }
    plan.shift = static_cast<int64_t>(plan.newRawOffset - plan.cutStart + rawSize) -
                 static_cast<int64_t>(plan.cutEnd - plan.cutStart);

    // The file: everything before the cut, the new section, everything after.
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(fileSize));
    out.insert(out.end(), image.file.begin(), image.file.begin() + plan.cutStart);
    out.resize(plan.newRawOffset, 0);
    out.insert(out.end(), section.begin(), section.end());
    out.resize(static_cast<size_t>(plan.newRawOffset + rawSize), 0);
    out.insert(out.end(), image.file.begin() + plan.cutEnd, image.file.end());

    if (!applyPatches(image, rewrite, plan, &out, problem) || !moveDebugData(image, plan, &out, problem)) {
        return false;
    }

    std::vector<PeSection> sections = image.sections;
    int64_t initializedData = 0;
    uint32_t dataCharacteristics = plainResourceSection;
    if (plan.inPlace) {
        PeSection& resources = sections[plan.oldIndex];
        initializedData = static_cast<int64_t>(rawSize) - resources.rawSize;
        resources.virtualSize = static_cast<uint32_t>(section.size());
        resources.rawSize = static_cast<uint32_t>(rawSize);
        dataCharacteristics = resources.characteristics;
    } else {
        if (plan.oldSection) {
            // Cleared where it stands: its memory range stays, so nothing moves.
            size_t start = 0;
            const uint32_t stored = std::min(plan.oldSection->rawSize, plan.oldSection->span());
            const uint32_t from = plan.clearedAddress - plan.oldSection->virtualAddress;
            if (from < stored) {
                const uint32_t length = std::min(plan.clearedSize, stored - from);
                fileOffsetOf(image, plan.clearedAddress, length, &start);
                std::fill(out.begin() + start, out.begin() + start + length, 0);
            }
            PeSection& old = sections[plan.oldIndex];
            dataCharacteristics = old.characteristics;
            if (plan.clearedAddress == old.virtualAddress && plan.clearedSize == old.span()) {
                setName(&old, oldSectionName);
            }
        }
        PeSection added{};
        setName(&added, newSectionName);
        added.virtualSize = static_cast<uint32_t>(section.size());
        added.virtualAddress = plan.newAddress;
        added.rawSize = static_cast<uint32_t>(rawSize);
        added.rawOffset = static_cast<uint32_t>(plan.newRawOffset);
        added.characteristics = dataCharacteristics;
        sections.push_back(added);
        initializedData = static_cast<int64_t>(rawSize);
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        writeSectionHeader(&out, image.sectionTable + sectionHeaderSize * i, sections[i], i >= image.sections.size());
    }
    putU16(&out, image.coffHeader + numberOfSectionsField, static_cast<uint16_t>(sections.size()));

    if (image.symbolTableOffset) {
        uint64_t moved = 0;
        if (!movedOffset(plan, image.symbolTableOffset, &moved)) {
            return fail(problem, PeError::unsupportedLayout, "the symbol table lies in the resource section");
        }
        putU32(&out, image.coffHeader + symbolTableField, static_cast<uint32_t>(moved));
    }

    const size_t optional = image.optionalHeader;
    if (dataCharacteristics & sectionInitializedData) {
        uint32_t before = 0;
        ByteView(image.file).u32(optional + sizeOfInitializedDataField, &before);
        const int64_t after = std::max<int64_t>(0, std::min<int64_t>(before + initializedData, maxFileSize));
        putU32(&out, optional + sizeOfInitializedDataField, static_cast<uint32_t>(after));
    }
    const PeSection& lastSection = sections.back();
    const uint64_t sizeOfImage =
        alignUp(static_cast<uint64_t>(lastSection.virtualAddress) + lastSection.span(), image.sectionAlignment);
    putU32(&out, optional + sizeOfImageField, static_cast<uint32_t>(sizeOfImage));
    putU32(&out, optional + directoriesField + 8 * directoryResources, plan.newAddress);
    putU32(&out, optional + directoriesField + 8 * directoryResources + 4, static_cast<uint32_t>(section.size()));

    const PeDataDirectory* certificates = image.directory(directoryCertificates);
    if (certificates && certificates->size) {
        uint64_t moved = 0;
        const uint64_t end = static_cast<uint64_t>(certificates->address) + certificates->size;
        if (end == image.file.size() && certificates->address >= plan.cutEnd &&
            movedOffset(plan, certificates->address, &moved) && moved <= out.size()) {
            out.resize(static_cast<size_t>(moved));
        }
        putU32(&out, optional + directoriesField + 8 * directoryCertificates, 0);
        putU32(&out, optional + directoriesField + 8 * directoryCertificates + 4, 0);
        if (notes) {
            notes->push_back("the player's signature is dropped: no signature holds once its resources change");
        }
    }

    putU32(&out, image.checksumOffset(), peChecksum(out, image.checksumOffset()));
    *output = std::move(out);
    return true;
}
