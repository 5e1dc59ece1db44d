// Laying out a new image: the resource section appended or rewritten in
// place, everything else kept byte for byte, the headers made consistent,
// and the layouts that cannot be rewritten refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"
#include "pack/exe/pe_writer.h"
#include "tests/support/pe_samples.h"

namespace {

constexpr size_t resourceDirectoryField = 112 + 8 * 2;

PeImage imageOf(Bytes file) {
    PeImage image;
    PeProblem problem;
    EXPECT_TRUE(readPeImage(std::move(file), &image, &problem)) << problem.message();
    return image;
}

std::vector<Resource> resourcesOf(const PeImage& image) {
    std::vector<Resource> resources;
    PeProblem problem;
    EXPECT_TRUE(readResources(image, &resources, &problem)) << problem.message();
    return resources;
}

Resource patch(uint32_t id, Bytes bytes) {
    Resource resource;
    resource.type = ResourceKey::named("PATCH");
    resource.name = ResourceKey::id(id);
    resource.language = 1033;
    resource.bytes = std::move(bytes);
    return resource;
}

// The stand-in player's resources with the first one's bytes replaced.
PeRewrite rewriteWith(const PeImage& image, size_t quizSize) {
    PeRewrite rewrite;
    rewrite.resources = resourcesOf(image);
    rewrite.resources[0].bytes.assign(quizSize, 0x5A);
    return rewrite;
}

Bytes rewritten(const PeImage& image, const PeRewrite& rewrite, std::vector<std::string>* notes = nullptr) {
    Bytes out;
    PeProblem problem;
    EXPECT_TRUE(rewritePeImage(image, rewrite, &out, notes, &problem)) << problem.message();
    return out;
}

PeError refused(const PeImage& image, const PeRewrite& rewrite) {
    Bytes out;
    PeProblem problem;
    EXPECT_FALSE(rewritePeImage(image, rewrite, &out, nullptr, &problem));
    EXPECT_TRUE(out.empty());
    return problem.error;
}

Bytes stored(const PeImage& image, const PeSection& section) {
    return Bytes(image.file.begin() + section.rawOffset, image.file.begin() + section.rawOffset + section.rawSize);
}

// Every header field a loader checks, consistent with the sections.
void expectConsistent(const PeImage& image) {
    const PeSection& last = image.sections.back();
    EXPECT_EQ(image.sizeOfImage, (last.virtualAddress + last.span() + image.sectionAlignment - 1) /
                                     image.sectionAlignment * image.sectionAlignment);
    for (size_t i = 1; i < image.sections.size(); ++i) {
        const PeSection& previous = image.sections[i - 1];
        EXPECT_EQ(image.sections[i].virtualAddress,
                  (previous.virtualAddress + previous.span() + image.sectionAlignment - 1) / image.sectionAlignment *
                      image.sectionAlignment)
            << "no gap before " << image.sections[i].displayName();
    }
    for (const PeSection& section : image.sections) {
        EXPECT_EQ(section.rawOffset % image.fileAlignment, 0u) << section.displayName();
        EXPECT_EQ(section.rawSize % image.fileAlignment, 0u) << section.displayName();
    }
    EXPECT_EQ(image.checksum, peChecksum(image.file, image.checksumOffset()));
}

TEST(PeWriter, AppendsWhenRelocationsFollowTheResources) {
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    const PeRewrite rewrite = rewriteWith(input, 20000);
    const PeImage output = imageOf(rewritten(input, rewrite));
    expectConsistent(output);

    ASSERT_EQ(output.sections.size(), input.sections.size() + 1);
    const PeSection& added = output.sections.back();
    EXPECT_EQ(added.displayName(), ".rsrc");
    EXPECT_EQ(added.characteristics, sectionNamed(input, ".rsrc")->characteristics);
    EXPECT_EQ(output.directory(directoryResources)->address, added.virtualAddress);
    EXPECT_EQ(output.directory(directoryResources)->size, added.virtualSize);

    // The old section keeps its place, cleared and renamed; nothing else moves.
    for (size_t i = 0; i < input.sections.size(); ++i) {
        const PeSection& before = input.sections[i];
        const PeSection& after = output.sections[i];
        EXPECT_EQ(after.virtualAddress, before.virtualAddress);
        EXPECT_EQ(after.virtualSize, before.virtualSize);
        EXPECT_EQ(after.rawOffset, before.rawOffset);
        if (before.displayName() == ".rsrc") {
            EXPECT_EQ(after.displayName(), ".oldrsrc");
            const Bytes cleared = stored(output, after);
            EXPECT_TRUE(std::all_of(cleared.begin(), cleared.end(), [](uint8_t b) { return b == 0; }));
        } else {
            EXPECT_EQ(after.displayName(), before.displayName());
            EXPECT_EQ(stored(output, after), stored(input, before)) << before.displayName();
        }
    }
    const std::vector<Resource> read = resourcesOf(output);
    ASSERT_EQ(read.size(), rewrite.resources.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].bytes, rewrite.resources[i].bytes);
        EXPECT_EQ(read[i].language, rewrite.resources[i].language);
    }
}

TEST(PeWriter, RewritesInPlaceOnceTheResourcesAreLast) {
    const PeImage first = imageOf(rewritten(imageOf(peSample("tiny-player.exe")), rewriteWith(imageOf(peSample("tiny-player.exe")), 20000)));
    for (size_t size : {size_t(100), size_t(70000), size_t(20000)}) {
        const PeRewrite rewrite = rewriteWith(first, size);
        const PeImage again = imageOf(rewritten(first, rewrite));
        expectConsistent(again);
        EXPECT_EQ(again.sections.size(), first.sections.size()) << "no section added for " << size;
        EXPECT_EQ(again.sections.back().virtualAddress, first.sections.back().virtualAddress);
        EXPECT_EQ(resourcesOf(again)[0].bytes, Bytes(size, 0x5A));
        EXPECT_EQ(again.file.size(), again.sections.back().rawOffset + again.sections.back().rawSize);
    }
    // Building the same again gives the same file as the first time.
    EXPECT_EQ(rewritten(first, rewriteWith(first, 20000)), first.file);
}

TEST(PeWriter, SizeOfInitializedDataFollowsTheSection) {
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    const PeImage output = imageOf(rewritten(input, rewriteWith(input, 20000)));
    const uint32_t before = getU32(input.file, input.optionalHeader + 8);
    const uint32_t after = getU32(output.file, output.optionalHeader + 8);
    EXPECT_EQ(after, before + output.sections.back().rawSize);
}

TEST(PeWriter, PatchesGoIntoTheirSection) {
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    PeRewrite rewrite = rewriteWith(input, 10);
    rewrite.patches.push_back({".vyrla", 0, Bytes(70, 0xAB)});
    const PeImage output = imageOf(rewritten(input, rewrite));
    const PeSection* vyrla = sectionNamed(output, ".vyrla");
    ASSERT_NE(vyrla, nullptr);
    const ByteView bytes = bytesAt(output, vyrla->virtualAddress, 72);
    ASSERT_NE(bytes.data(), nullptr);
    EXPECT_TRUE(std::all_of(bytes.data(), bytes.data() + 70, [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(bytes.data()[70], input.file[sectionNamed(input, ".vyrla")->rawOffset + 70]);
}

TEST(PeWriter, PatchesThatDoNotFitAreRefused) {
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    PeRewrite tooLong = rewriteWith(input, 10);
    tooLong.patches.push_back({".vyrla", 0, Bytes(73, 1)});  // the section holds 72
    EXPECT_EQ(refused(input, tooLong), PeError::unsupportedLayout);
    PeRewrite missing = rewriteWith(input, 10);
    missing.patches.push_back({".nothere", 0, Bytes(1, 1)});
    EXPECT_EQ(refused(input, missing), PeError::unsupportedLayout);
    PeRewrite intoResources = rewriteWith(input, 10);
    intoResources.patches.push_back({".rsrc", 0, Bytes(1, 1)});
    EXPECT_EQ(refused(input, intoResources), PeError::unsupportedLayout);
}

// Found by fuzzing: a patch must not overwrite what another part of the
// image reads, nor bytes that the loader relocates.
TEST(PeWriter, PatchesOverOtherDataAreRefused) {
    Bytes directory = peSample("tiny-player.exe");
    const uint32_t vyrla = getU32(directory, sectionHeaderOffset(directory, ".vyrla") + 12);
    setU32(&directory, optionalOffset(directory) + 112 + 8 * 3, vyrla + 0x20);  // exception data
    PeImage input = imageOf(directory);
    PeRewrite rewrite = rewriteWith(input, 10);
    rewrite.patches.push_back({".vyrla", 0, Bytes(70, 1)});
    EXPECT_EQ(refused(input, rewrite), PeError::unsupportedLayout);
    rewrite.patches.back().bytes.resize(0x20);  // up to the exception data: fine
    rewritten(input, rewrite);

    Bytes relocated = peSample("tiny-player.exe");
    const uint32_t relocations = getU32(relocated, sectionHeaderOffset(relocated, ".reloc") + 20);
    setU32(&relocated, relocations, vyrla);  // the block's page becomes .vyrla's
    input = imageOf(relocated);
    rewrite = rewriteWith(input, 10);
    rewrite.patches.push_back({".vyrla", 0, Bytes(70, 1)});
    EXPECT_EQ(refused(input, rewrite), PeError::unsupportedLayout);
}

// Bytes after the sections, as a symbol table is, with the header's pointer.
Bytes withSymbolTable(Bytes file, const Bytes& table) {
    setU32(&file, coffOffset(file) + 8, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

TEST(PeWriter, SymbolTableMovesWithTheEndOfTheSections) {
    const Bytes table = {'S', 'Y', 'M', 'B', 'O', 'L', 'S', 0, 1, 2, 3};
    const PeImage input = imageOf(withSymbolTable(peSample("tiny-player.exe"), table));
    for (int pass = 0; pass < 3; ++pass) {  // appended, then in place twice
        const PeImage source = pass == 0 ? input : imageOf(rewritten(input, rewriteWith(input, 5000)));
        const PeImage output = imageOf(rewritten(source, rewriteWith(source, pass == 2 ? 90000 : 5000)));
        expectConsistent(output);
        const uint32_t pointer = getU32(output.file, output.coffHeader + 8);
        EXPECT_EQ(pointer, output.endOfSectionData());
        ASSERT_EQ(output.file.size(), pointer + table.size());
        EXPECT_TRUE(std::equal(table.begin(), table.end(), output.file.begin() + pointer));
    }
}

TEST(PeWriter, SignatureIsDroppedWithANote) {
    Bytes file = peSample("tiny-player.exe");
    const size_t size = file.size();
    setU32(&file, optionalOffset(file) + 112 + 8 * 4, static_cast<uint32_t>(size));
    setU32(&file, optionalOffset(file) + 112 + 8 * 4 + 4, 16);
    file.resize(size + 16, 0x33);
    const PeImage input = imageOf(file);
    std::vector<std::string> notes;
    const PeImage output = imageOf(rewritten(input, rewriteWith(input, 100), &notes));
    expectConsistent(output);
    EXPECT_EQ(output.directory(directoryCertificates)->address, 0u);
    EXPECT_EQ(output.directory(directoryCertificates)->size, 0u);
    EXPECT_EQ(output.file.size(), output.endOfSectionData());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("signature"), std::string::npos);
}

TEST(PeWriter, DebugDataOffsetsMove) {
    // A debug directory of one entry in .rdata whose data sits after the
    // sections, where a linker may put it.
    Bytes file = peSample("tiny-player.exe");
    const size_t rdata = sectionHeaderOffset(file, ".rdata");
    const uint32_t rdataAddress = getU32(file, rdata + 12);
    const uint32_t rdataOffset = getU32(file, rdata + 20);
    setU32(&file, rdata + 8, 0x100);  // room for the entry in memory
    const uint32_t entryOffset = rdataOffset + 0x80;
    const uint32_t dataOffset = static_cast<uint32_t>(file.size());
    setU32(&file, entryOffset + 16, 4);           // SizeOfData
    setU32(&file, entryOffset + 24, dataOffset);  // PointerToRawData
    setU32(&file, optionalOffset(file) + 112 + 8 * 6, rdataAddress + 0x80);
    setU32(&file, optionalOffset(file) + 112 + 8 * 6 + 4, 28);
    file.insert(file.end(), {'D', 'B', 'G', '!'});
    const PeImage input = imageOf(file);
    const PeImage output = imageOf(rewritten(input, rewriteWith(input, 3000)));
    const uint32_t moved = getU32(output.file, entryOffset + 24);
    EXPECT_EQ(moved, output.endOfSectionData());
    EXPECT_EQ(Bytes(output.file.begin() + moved, output.file.begin() + moved + 4), (Bytes{'D', 'B', 'G', '!'}));
}

TEST(PeWriter, NoRoomForAnotherSectionHeader) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t tableEnd = static_cast<uint32_t>(sectionTableOffset(file) + 40 * getU16(file, coffOffset(file) + 2));
    setU32(&file, optionalOffset(file) + 60, tableEnd);  // SizeOfHeaders: exactly the table
    const PeImage input = imageOf(file);
    EXPECT_EQ(refused(input, rewriteWith(input, 10)), PeError::noRoomForSection);
}

TEST(PeWriter, RelocationsIntoTheResourcesAreRefused) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t relocations = getU32(file, sectionHeaderOffset(file, ".reloc") + 20);
    setU32(&file, relocations, getU32(file, sectionHeaderOffset(file, ".rsrc") + 12));
    const PeImage input = imageOf(file);
    EXPECT_EQ(refused(input, rewriteWith(input, 10)), PeError::unsupportedLayout);
}

// Found by fuzzing: a block longer than the relocation table ends the table
// for the reader, and must for the writer too, or a rewritten image could
// not be rewritten again.
TEST(PeWriter, RelocationBlockLongerThanTheTableEndsIt) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t relocations = getU32(file, sectionHeaderOffset(file, ".reloc") + 20);
    const uint32_t appendedAt = 0xC000;  // where the new resources will go
    setU32(&file, relocations, appendedAt);
    setU32(&file, relocations + 4, 0x580);
    const PeImage input = imageOf(file);
    EXPECT_TRUE(relocationsOf(input).empty());
    const PeImage output = imageOf(rewritten(input, rewriteWith(input, 100)));
    ASSERT_EQ(output.sections.back().virtualAddress, appendedAt);
    EXPECT_EQ(rewritten(output, rewriteWith(output, 100)), output.file);
}

TEST(PeWriter, OtherDataAmongTheResourcesIsRefused) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t resources = getU32(file, optionalOffset(file) + resourceDirectoryField);
    setU32(&file, optionalOffset(file) + 112 + 8 * 3, resources + 0x100);  // exception data
    const PeImage input = imageOf(file);
    EXPECT_EQ(refused(input, rewriteWith(input, 10)), PeError::unsupportedLayout);
}

TEST(PeWriter, ImageWithoutResourcesGetsASection) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, optionalOffset(file) + resourceDirectoryField, 0);
    setU32(&file, optionalOffset(file) + resourceDirectoryField + 4, 0);
    const PeImage input = imageOf(file);
    PeRewrite rewrite;
    rewrite.resources.push_back(patch(104, {1, 2, 3}));
    const PeImage output = imageOf(rewritten(input, rewrite));
    expectConsistent(output);
    EXPECT_EQ(output.sections.size(), input.sections.size() + 1);
    // Nothing was cleared: the old section was no longer the resources'.
    EXPECT_EQ(stored(output, *sectionNamed(output, ".rsrc")), stored(input, *sectionNamed(input, ".rsrc")));
    const std::vector<Resource> read = resourcesOf(output);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].bytes, (Bytes{1, 2, 3}));
}

TEST(PeWriter, NoResourcesAtAllIsAnEmptyTree) {
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    const PeImage output = imageOf(rewritten(input, PeRewrite{}));
    expectConsistent(output);
    EXPECT_TRUE(resourcesOf(output).empty());
}

TEST(PeWriter, TheInputIsNotChanged) {
    const Bytes file = peSample("tiny-player.exe");
    const PeImage input = imageOf(file);
    rewritten(input, rewriteWith(input, 20000));
    EXPECT_EQ(input.file, file);
}

}  // namespace
