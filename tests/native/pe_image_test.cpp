// The PE32+ reader on a real small executable, and on one damaged field at a
// time: each damage gives its own error, never a crash or a read outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pack/exe/pe_image.h"
#include "tests/support/pe_samples.h"

namespace {

PeError errorOf(Bytes file) {
    PeImage image;
    PeProblem problem;
    const bool ok = readPeImage(std::move(file), &image, &problem);
    EXPECT_EQ(ok, problem.error == PeError::none) << problem.message();
    return problem.error;
}

TEST(PeImage, ReadsTheStandInPlayer) {
    PeImage image;
    PeProblem problem;
    ASSERT_TRUE(readPeImage(peSample("tiny-player.exe"), &image, &problem)) << problem.message();
    EXPECT_EQ(image.fileAlignment, 0x200u);
    EXPECT_EQ(image.sectionAlignment, 0x1000u);
    std::vector<std::string> names;
    for (const PeSection& section : image.sections) {
        names.push_back(section.displayName());
    }
    const std::vector<std::string> expected = {".text", ".rdata", ".vyrla", ".pdata",
                                               ".xdata", ".idata", ".rsrc", ".reloc"};
    EXPECT_EQ(names, expected);
    ASSERT_NE(image.directory(directoryResources), nullptr);
    EXPECT_EQ(image.directory(directoryResources)->address, sectionNamed(image, ".rsrc")->virtualAddress);
    EXPECT_EQ(image.endOfSectionData(), image.file.size());
}

// The linker's own checksum is the oracle.
TEST(PeImage, ChecksumMatchesTheLinkers) {
    PeImage image;
    PeProblem problem;
    ASSERT_TRUE(readPeImage(peSample("tiny-player.exe"), &image, &problem));
    ASSERT_NE(image.checksum, 0u);
    EXPECT_EQ(peChecksum(image.file, image.checksumOffset()), image.checksum);
}

TEST(PeImage, ChecksumOfAnOddLengthCountsTheLastByteAsALowByte) {
    // Words 0x0201 and 0x0003, the field (bytes 4-7) skipped, plus 5 bytes.
    const Bytes file = {1, 2, 3, 0, 0xFF};
    EXPECT_EQ(peChecksum(file, 4), 0x0201u + 0x0003u + 5u);
}

TEST(PeImage, ChecksumFoldsCarries) {
    const Bytes file = {0xFF, 0xFF, 0x02, 0x00, 0, 0, 0, 0};
    // 0xFFFF + 0x0002 = 0x10001, folded to 0x0002; plus 8 bytes.
    EXPECT_EQ(peChecksum(file, 4), 0x0002u + 8u);
}

TEST(PeImage, BytesAtStaysInsideStoredData) {
    PeImage image;
    PeProblem problem;
    ASSERT_TRUE(readPeImage(peSample("tiny-player.exe"), &image, &problem));
    const PeSection* vyrla = sectionNamed(image, ".vyrla");
    ASSERT_NE(vyrla, nullptr);
    EXPECT_NE(bytesAt(image, vyrla->virtualAddress, vyrla->virtualSize).data(), nullptr);
    EXPECT_EQ(bytesAt(image, vyrla->virtualAddress, vyrla->virtualSize + 1).data(), nullptr);
    EXPECT_EQ(bytesAt(image, 0xFFFFFFF0u, 32).data(), nullptr);
    EXPECT_EQ(bytesAt(image, 0, 4).data(), nullptr);  // headers are not a section
}

TEST(PeImage, EmptyAndTinyFilesAreTooShort) {
    EXPECT_EQ(errorOf({}), PeError::tooShort);
    EXPECT_EQ(errorOf(Bytes(63, 0)), PeError::tooShort);
}

TEST(PeImage, TextIsNotAnExecutable) {
    const std::string text = "kind = \"text\"\ntitle = \"Ceci n'est pas un programme\"\n" + std::string(100, ' ');
    EXPECT_EQ(errorOf(Bytes(text.begin(), text.end())), PeError::notExecutable);
}

TEST(PeImage, DosHeaderPointingNowhere) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, 0x3C, 0xFFFFFFF0u);
    EXPECT_EQ(errorOf(file), PeError::noPeHeader);
    setU32(&file, 0x3C, 0x40);  // inside the DOS stub: no signature there
    EXPECT_EQ(errorOf(file), PeError::noPeHeader);
}

TEST(PeImage, ThirtyTwoBitExecutable) {
    EXPECT_EQ(errorOf(peSample("tiny-player-32bit.exe")), PeError::thirtyTwoBit);
    // Either the machine or the magic number says so.
    Bytes file = peSample("tiny-player.exe");
    setU16(&file, optionalOffset(file), magicPe32);
    EXPECT_EQ(errorOf(file), PeError::thirtyTwoBit);
}

TEST(PeImage, OtherProcessor) {
    Bytes file = peSample("tiny-player.exe");
    setU16(&file, coffOffset(file), 0xAA64);  // ARM64
    EXPECT_EQ(errorOf(file), PeError::wrongMachine);
}

TEST(PeImage, DllAndObjectAreNotPrograms) {
    Bytes dll = peSample("tiny-player.exe");
    setU16(&dll, coffOffset(dll) + 18, static_cast<uint16_t>(getU16(dll, coffOffset(dll) + 18) | 0x2000));
    EXPECT_EQ(errorOf(dll), PeError::notProgram);
    Bytes object = peSample("tiny-player.exe");
    setU16(&object, coffOffset(object) + 18, static_cast<uint16_t>(getU16(object, coffOffset(object) + 18) & ~2));
    EXPECT_EQ(errorOf(object), PeError::notProgram);
}

TEST(PeImage, TruncatedEverywhere) {
    const Bytes whole = peSample("tiny-player.exe");
    const size_t sections = sectionTableOffset(whole);
    for (size_t size : {size_t(70), coffOffset(whole) + 10, optionalOffset(whole) + 100, sections + 50}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(errorOf(cut), PeError::truncatedHeaders) << "cut at " << size;
    }
    // Past the headers, a missing end of section data.
    for (size_t size : {size_t(0x1000), whole.size() - 1, whole.size() - 0x200}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(errorOf(cut), PeError::truncatedSection) << "cut at " << size;
    }
}

TEST(PeImage, BadAlignments) {
    const Bytes whole = peSample("tiny-player.exe");
    const size_t optional = optionalOffset(whole);
    const struct {
        uint32_t section;
        uint32_t file;
    } cases[] = {{0x1000, 0x300}, {0x1000, 0}, {0x1000, 256}, {0x800, 0x1000}, {0x800, 0x200}, {0x3000, 0x200}};
    for (const auto& alignment : cases) {
        Bytes file = whole;
        setU32(&file, optional + 32, alignment.section);
        setU32(&file, optional + 36, alignment.file);
        EXPECT_EQ(errorOf(file), PeError::badAlignment) << alignment.section << " " << alignment.file;
    }
}

TEST(PeImage, TooManyDataDirectories) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, optionalOffset(file) + 108, 17);
    EXPECT_EQ(errorOf(file), PeError::badOptionalHeader);
}

TEST(PeImage, OptionalHeaderTooSmall) {
    Bytes file = peSample("tiny-player.exe");
    setU16(&file, coffOffset(file) + 16, 100);
    EXPECT_EQ(errorOf(file), PeError::badOptionalHeader);
}

TEST(PeImage, NoSectionsOrTooMany) {
    Bytes none = peSample("tiny-player.exe");
    setU16(&none, coffOffset(none) + 2, 0);
    EXPECT_EQ(errorOf(none), PeError::badSectionTable);
    Bytes many = peSample("tiny-player.exe");
    setU16(&many, coffOffset(many) + 2, 97);
    EXPECT_EQ(errorOf(many), PeError::badSectionTable);
}

TEST(PeImage, SectionsOutOfOrderOrOverlapping) {
    Bytes file = peSample("tiny-player.exe");
    const size_t rdata = sectionHeaderOffset(file, ".rdata");
    setU32(&file, rdata + 12, 0x1000);  // the same address as .text
    EXPECT_EQ(errorOf(file), PeError::badSectionTable);

    Bytes shared = peSample("tiny-player.exe");
    const size_t vyrla = sectionHeaderOffset(shared, ".vyrla");
    setU32(&shared, vyrla + 20, getU32(shared, sectionHeaderOffset(shared, ".rdata") + 20));
    EXPECT_EQ(errorOf(shared), PeError::badSectionTable);

    Bytes unaligned = peSample("tiny-player.exe");
    setU32(&unaligned, sectionHeaderOffset(unaligned, ".vyrla") + 12, 0x3004);
    EXPECT_EQ(errorOf(unaligned), PeError::badSectionTable);
}

TEST(PeImage, SectionPastTheImageSize) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, optionalOffset(file) + 56, 0x3000);
    EXPECT_EQ(errorOf(file), PeError::badSectionTable);
}

TEST(PeImage, SectionDataInsideTheHeaders) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, sectionHeaderOffset(file, ".text") + 20, 0x100);
    EXPECT_EQ(errorOf(file), PeError::badSectionTable);
}

TEST(PeImage, HugeSectionSizesDoNotWrap) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, sectionHeaderOffset(file, ".reloc") + 16, 0xFFFFFE00u);
    EXPECT_EQ(errorOf(file), PeError::truncatedSection);
    Bytes virtualSize = peSample("tiny-player.exe");
    setU32(&virtualSize, sectionHeaderOffset(virtualSize, ".reloc") + 8, 0xFFFFFFF0u);
    EXPECT_EQ(errorOf(virtualSize), PeError::badSectionTable);
}

TEST(PeImage, DataDirectoryOutsideTheImage) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, optionalOffset(file) + 112 + 8 * 2, 0xFFFFFF00u);
    setU32(&file, optionalOffset(file) + 112 + 8 * 2 + 4, 0x1000);
    EXPECT_EQ(errorOf(file), PeError::badDataDirectory);
    // The certificate table is measured against the file, not the image.
    Bytes signedFile = peSample("tiny-player.exe");
    setU32(&signedFile, optionalOffset(signedFile) + 112 + 8 * 4, static_cast<uint32_t>(signedFile.size()));
    setU32(&signedFile, optionalOffset(signedFile) + 112 + 8 * 4 + 4, 8);
    EXPECT_EQ(errorOf(signedFile), PeError::badDataDirectory);
    // Found by fuzzing: a signature over section data, which dropping it
    // would have cut away.
    setU32(&signedFile, optionalOffset(signedFile) + 112 + 8 * 4, static_cast<uint32_t>(signedFile.size() - 16));
    setU32(&signedFile, optionalOffset(signedFile) + 112 + 8 * 4 + 4, 16);
    EXPECT_EQ(errorOf(signedFile), PeError::badDataDirectory);
}

// Found by fuzzing: a directory past the last section, inside a declared
// image size larger than the sections, fell outside the image once the
// writer recomputed that size.
TEST(PeImage, DataDirectoryOutsideEverySection) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t imageSize = getU32(file, optionalOffset(file) + 56);
    setU32(&file, optionalOffset(file) + 56, imageSize + 0x4000);
    setU32(&file, optionalOffset(file) + 112 + 8 * 1, imageSize + 0x1000);
    EXPECT_EQ(errorOf(file), PeError::badDataDirectory);
    // In the headers (as bound imports are) or in a section's alignment
    // padding is fine.
    setU32(&file, optionalOffset(file) + 112 + 8 * 1, 0x300);
    setU32(&file, optionalOffset(file) + 112 + 8 * 1 + 4, 0x20);
    EXPECT_EQ(errorOf(file), PeError::none);
    const size_t vyrla = sectionHeaderOffset(file, ".vyrla");
    setU32(&file, optionalOffset(file) + 112 + 8 * 1, getU32(file, vyrla + 12) + 0xF00);
    setU32(&file, optionalOffset(file) + 112 + 8 * 1 + 4, 0x100);
    EXPECT_EQ(errorOf(file), PeError::none);
    setU32(&file, optionalOffset(file) + 112 + 8 * 1 + 4, 0x101);
    EXPECT_EQ(errorOf(file), PeError::badDataDirectory);
}

TEST(PeImage, RelocationOutsideEverySection) {
    Bytes file = peSample("tiny-player.exe");
    const uint32_t relocations = getU32(file, sectionHeaderOffset(file, ".reloc") + 20);
    setU32(&file, relocations, getU32(file, optionalOffset(file) + 56));  // the page past the image
    EXPECT_EQ(errorOf(file), PeError::badDataDirectory);
}

TEST(PeImage, RelocationsAreReadAsTheLoaderReadsThem) {
    PeImage image;
    PeProblem problem;
    ASSERT_TRUE(readPeImage(peSample("tiny-player.exe"), &image, &problem));
    const std::vector<PeRelocation> relocations = relocationsOf(image);
    ASSERT_FALSE(relocations.empty());
    bool inData = false;
    for (const PeRelocation& relocation : relocations) {
        EXPECT_EQ(relocation.size, 8u) << "64-bit pointers";
        const PeSection* section = sectionAt(image, static_cast<uint32_t>(relocation.address));
        ASSERT_NE(section, nullptr);
        inData = inData || section->displayName() == ".rdata";  // the pointer to the ContentBlock
    }
    EXPECT_TRUE(inData);
}

TEST(PeImage, EveryErrorHasItsOwnText) {
    const std::string none = peErrorText(PeError::none);
    std::vector<std::string> seen;
    for (int error = static_cast<int>(PeError::tooShort); error <= static_cast<int>(PeError::unsupportedLayout);
         ++error) {
        const std::string text = peErrorText(static_cast<PeError>(error));
        EXPECT_NE(text, "unknown error");
        EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << text;
        seen.push_back(text);
    }
}

}  // namespace
