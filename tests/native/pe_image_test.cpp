// The packer's executable side, on the stand-in player of data/pe: the reader and
// its resource tree, one damaged field at a time; the writer, appending or
// rewriting the resources with everything else kept; and a quiz built into the
// player. (tests/e2e/pack_commands.sh builds and dumps every quiz.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"
#include "pack/exe/pe_writer.h"
#include "pack/exe/quiz_dump.h"
#include "pack/exe/quiz_image.h"
#include "pack/source/quiz_source.h"
#include "pack/source/toml_string.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes peSample(const std::string& name) {
    std::ifstream in(std::string(VYRLA_TEST_DATA) + "/pe/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
uint16_t getU16(const Bytes& f, size_t at) { return static_cast<uint16_t>(f.at(at) | f.at(at + 1) << 8); }
uint32_t getU32(const Bytes& f, size_t at) { return getU16(f, at) | uint32_t{getU16(f, at + 2)} << 16; }
void setU16(Bytes* f, size_t at, uint16_t value) { f->at(at) = uint8_t(value), f->at(at + 1) = uint8_t(value >> 8); }
void setU32(Bytes* f, size_t at, uint32_t value) { setU16(f, at, uint16_t(value)), setU16(f, at + 2, uint16_t(value >> 16)); }

struct Read {
    PeImage image;
    std::vector<Resource> resources;
    PeProblem problem;
};

// The image and its resources; the first problem met.
Read read(Bytes file) {
    Read r;
    const bool image = readPeImage(std::move(file), &r.image, &r.problem);
    EXPECT_EQ(image, r.problem.error == PeError::none) << r.problem.message();
    if (image && !readResources(r.image, &r.resources, &r.problem)) EXPECT_TRUE(r.resources.empty());
    return r;
}

TEST(PeImage, ReadsTheStandInPlayer) {
    const Read r = read(peSample("tiny-player.exe"));
    std::string names;
    for (const PeSection& section : r.image.sections) names += section.displayName() + " ";
    for (const Resource& x : r.resources) names += x.type.display() + "/" + x.name.display() + "/" + std::to_string(x.language) + " ";
    EXPECT_EQ(names, ".text .rdata .vyrla .pdata .xdata .idata .rsrc .reloc \"PATCH\"/104/1033 \"PATCH\"/105/1033 1/1/1033 "
                        "3/1/1033 3/2/1033 3/3/1033 3/4/1033 5/1001/1033 5/1002/1033 12/1003/1033 14/1004/1033 14/1005/1033 16/1/1033 ");
    EXPECT_EQ(peChecksum(r.image.file, r.image.checksumOffset()), r.image.checksum);  // the linker's own
}

// Where a damage goes, and what it puts there.
using At = std::function<size_t(const Bytes&)>;
using Damage = std::function<void(Bytes*)>;
At at(size_t offset) { return [=](const Bytes&) { return offset; }; }
// The COFF file header (after "PE\0\0"), the optional header, and the section header with this name.
At coff(size_t field) { return [=](const Bytes& f) { return getU32(f, 0x3C) + 4 + field; }; }
At opt(size_t field) { return [=](const Bytes& f) { return coff(20 + field)(f); }; }
At sec(const std::string& name, size_t field) {
    return [=](const Bytes& f) {
        size_t at = opt(getU16(f, coff(16)(f)))(f);
        while (name.compare(0, 8, std::string(reinterpret_cast<const char*>(&f.at(at)), 8).c_str()) != 0) at += 40;
        return at + field;
    };
}
At end(int64_t plus) { return [=](const Bytes& f) { return f.size() + plus; }; }
At valueAt(At field, uint32_t plus = 0) { return [=](const Bytes& f) { return getU32(f, field(f)) + plus; }; }
// In the resource tree: a field of its root, whose entry `i` is at 16 + 8 * i
// ("PATCH", then the types 1, 3, 5...), or of the table an entry points to.
At rsrc(size_t field) { return [=](const Bytes& f) { return getU32(f, sec(".rsrc", 20)(f)) + field; }; }
At below(At entry, size_t field) { return [=](const Bytes& f) { return rsrc(field)(f) + (getU32(f, entry(f) + 4) & 0x7FFFFFFF); }; }
Damage set32(At where, uint32_t value) { return [=](Bytes* f) { setU32(f, where(*f), value); }; }
Damage set16(At where, uint16_t value) { return [=](Bytes* f) { setU16(f, where(*f), value); }; }
Damage put(At where, At value) { return [=](Bytes* f) { setU32(f, where(*f), static_cast<uint32_t>(value(*f))); }; }
Damage cut(At size) { return [=](Bytes* f) { f->resize(size(*f)); }; }
Damage both(Damage a, Damage b) { return [=](Bytes* f) { a(f), b(f); }; }
Damage align(uint32_t section, uint32_t file) { return both(set32(opt(32), section), set32(opt(36), file)); }
Damage directory(size_t index, At address, uint32_t size) { return both(put(opt(112 + 8 * index), address), set32(opt(116 + 8 * index), size)); }

std::vector<Resource> resourcesOf(const PeImage& image) { return read(image.file).resources; }
// The image's resources with the quiz's bytes replaced by `size` bytes.
PeRewrite rewriteWith(const PeImage& image, size_t quizSize, std::vector<SectionPatch> patches = {}) {
    PeRewrite rewrite{resourcesOf(image), std::move(patches)};
    if (!rewrite.resources.empty()) rewrite.resources[0].bytes.assign(quizSize, 0x5A);
    return rewrite;
}

// The new file, or the error with nothing written.
PeError rewrite(const PeImage& image, const PeRewrite& rewrite, Bytes* out) {
    PeProblem problem;
    EXPECT_EQ(rewritePeImage(image, rewrite, out, nullptr, &problem), !out->empty());
    return problem.error;
}

Player playerOf(Bytes file, std::string* error = nullptr) {
    Player player;
    std::string message;
    EXPECT_EQ(readPlayer(std::move(file), &player, &message), error == nullptr) << message;
    if (error) *error = message;
    return player;
}

std::string playerError(Bytes file) {
    std::string error;
    return playerOf(std::move(file), &error), error;
}

// Each damage gives its own error when the file is read or, once it reads,
// when a quiz (and a patch) is written into it.
TEST(PeImage, EachDamageGivesItsOwnError) {
    const std::vector<SectionPatch> block = {{".vyrla", 0, Bytes(70, 1)}};
    const Damage exceptionData = put(opt(136), valueAt(sec(".vyrla", 12), 0x20));
    const At patch104 = below(rsrc(16), 16), language = below(patch104, 16);  // and below(language, 0) its data entry
    const struct {
        const char* what;
        Damage damage;
        PeError error;
        std::vector<SectionPatch> patches = {};
        const char* player = nullptr;  // what reading it as a player says
    } cases[] = {
        {"63 bytes", cut(at(63)), PeError::tooShort},
        {"text", [](Bytes* f) { f->assign(200, 'k'); }, PeError::notExecutable},
        {"DOS header pointing past the end", set32(at(0x3C), 0xFFFFFFF0u), PeError::noPeHeader},
        {"PE32 magic", set16(opt(0), magicPe32), PeError::thirtyTwoBit},
        {"ARM64", set16(coff(0), 0xAA64), PeError::wrongMachine},
        {"DLL", set16(coff(18), 0x2022), PeError::notProgram},
        {"object", set16(coff(18), 0x0020), PeError::notProgram},
        {"cut in the COFF header", cut(coff(10)), PeError::truncatedHeaders},
        {"cut in the section table", cut(sec(".text", 50)), PeError::truncatedHeaders},
        {"last byte cut", cut(end(-1)), PeError::truncatedSection},
        {"alignments 0x1000/0x300", align(0x1000, 0x300), PeError::badAlignment},
        {"alignments 0x800/0x1000", align(0x800, 0x1000), PeError::badAlignment},
        {"alignments 0x800/0x200", align(0x800, 0x200), PeError::badAlignment},
        {"17 data directories", set32(opt(108), 17), PeError::badOptionalHeader},
        {"17 data directories with room for them", both(set32(opt(108), 17), set16(coff(16), 248)), PeError::badOptionalHeader},
        {"optional header too small", set16(coff(16), 100), PeError::badOptionalHeader},
        {"no sections", set16(coff(2), 0), PeError::badSectionTable},
        {"97 sections", set16(coff(2), 97), PeError::badSectionTable},
        {"two sections at one address", set32(sec(".rdata", 12), 0x1000), PeError::badSectionTable},
        {"two sections share stored bytes", put(sec(".vyrla", 20), valueAt(sec(".rdata", 20))), PeError::badSectionTable},
        {"unaligned section", set32(sec(".vyrla", 12), 0x3004), PeError::badSectionTable},
        {"section past the image size", set32(opt(56), 0x3000), PeError::badSectionTable},
        {"section data inside the headers", set32(sec(".text", 20), 0x100), PeError::badSectionTable},
        {"huge stored size", set32(sec(".reloc", 16), 0xFFFFFE00u), PeError::truncatedSection},
        {"directory outside the image", directory(2, at(0xFFFFFF00u), 0x1000), PeError::badDataDirectory},
        // The certificate table is measured against the file; one over
        // section data would be cut away with it (found by fuzzing).
        {"signature past the file", directory(4, end(0), 8), PeError::badDataDirectory},
        {"signature over section data", directory(4, end(-16), 16), PeError::badDataDirectory},
        // Found by fuzzing: past the last section, in a larger declared image,
        // it fell outside once the writer recomputed the image size.
        {"directory past every section", both(put(opt(56), valueAt(opt(56), 0x4000)), directory(1, valueAt(opt(56), -0x3000), 8)),
         PeError::badDataDirectory},
        {"directory in the headers", directory(1, at(0x300), 0x20), PeError::none},
        {"directory in a section's padding", directory(1, valueAt(sec(".vyrla", 12), 0xF00), 0x100), PeError::none},
        {"directory past the padding", directory(1, valueAt(sec(".vyrla", 12), 0xF00), 0x101), PeError::badDataDirectory},
        {"relocation past the image", put(valueAt(sec(".reloc", 20)), valueAt(opt(56))), PeError::badDataDirectory},
        {"no resource directory", directory(2, at(0), 0), PeError::none},
        {"table reached twice", set32(rsrc(20), 0x80000000u), PeError::badResources},
        {"two types sharing a name table", put(rsrc(28), valueAt(rsrc(36))), PeError::badResources},
        {"table outside the section", set32(rsrc(28), 0xFFFFFFF0u), PeError::badResources},
        {"name outside the section", set32(rsrc(16), 0x8000FFF0u), PeError::badResources},
        {"name running past the end", set16([](const Bytes& f) { return rsrc(getU32(f, rsrc(16)(f)) & 0x7FFFFFFF)(f); }, 0xFFFF),
         PeError::badResources},
        {"data where a table belongs", put(rsrc(28), [](const Bytes& f) { return getU32(f, rsrc(28)(f)) & 0x7FFFFFFF; }),
         PeError::badResources},
        {"table where data belongs", put(below(patch104, 20), valueAt(rsrc(20))), PeError::badResources},
        {"data outside the file", set32(below(language, 0), 0xFFFFFF00u), PeError::badResources},
        {"data larger than the file", set32(below(language, 4), 0x7FFFFFFFu), PeError::tooManyResources},
        {"counts past the section", set16(rsrc(14), 0xFFFF), PeError::badResources},
        {"a number among the names", set16(rsrc(12), 2), PeError::badResources},
        {"the same type twice", set32(rsrc(32), 1), PeError::badResources},  // icons made cursors
        {"directory eight bytes before its section's end",
         directory(2, [](const Bytes& f) { return getU32(f, sec(".rsrc", 12)(f)) + getU32(f, sec(".rsrc", 8)(f)) - 8; }, 8),
         PeError::badResources},
        // Written: patches that do not fit, and layouts that cannot be rewritten.
        {"a patch longer than its section", {}, PeError::unsupportedLayout, {{".vyrla", 0, Bytes(73, 1)}}},
        {"a patch into no section", {}, PeError::unsupportedLayout, {{".nothere", 0, {1}}}},
        {"a patch into the resources", {}, PeError::unsupportedLayout, {{".rsrc", 0, {1}}}},
        // Found by fuzzing: a patch must not overwrite what another part of
        // the image reads, nor bytes that the loader relocates.
        {"a patch over exception data", exceptionData, PeError::unsupportedLayout, block},
        {"a patch up to exception data", exceptionData, PeError::none, {{".vyrla", 0, Bytes(0x20, 1)}}},
        {"a patch over relocated bytes", put(valueAt(sec(".reloc", 20)), valueAt(sec(".vyrla", 12))), PeError::unsupportedLayout, block},
        {"relocations into the resources", put(valueAt(sec(".reloc", 20)), valueAt(sec(".rsrc", 12))), PeError::unsupportedLayout},
        {"other data among the resources", put(opt(136), valueAt(opt(128), 0x100)), PeError::unsupportedLayout},
        // Read as a player: the section of the ContentBlock and the dialogs
        // (1001 made 1003 in the name table of type 5, the root's fourth entry).
        {"no .vyrla section", set16(sec(".vyrla", 2), 'X' | 'r' << 8), PeError::none, {}, "not a Vyrla player"},
        {".vyrla too small", set32(sec(".vyrla", 8), 69), PeError::none, {}, "too small"},
        {"no dialog 1001", set32(below(rsrc(40), 16), 1003), PeError::none, {}, "dialogs 1001 and 1002"},
        {"no room for another section header", put(opt(60), sec(".reloc", 40)), PeError::noRoomForSection},
    };
    for (const auto& c : cases) {
        Bytes file = peSample("tiny-player.exe");
        if (c.damage) c.damage(&file);
        Read r = read(file);
        Bytes out;
        if (r.problem.error == PeError::none) r.problem.error = rewrite(r.image, rewriteWith(r.image, 10, c.patches), &out);
        EXPECT_EQ(r.problem.error, c.error) << c.what << ": " << r.problem.message();
        if (c.player) EXPECT_NE(playerError(file).find(c.player), std::string::npos) << c.what << ": " << playerError(file);
    }
    EXPECT_EQ(read(peSample("tiny-player-32bit.exe")).problem.error, PeError::thirtyTwoBit);
}

PeImage imageOf(Bytes file) {
    Read r = read(std::move(file));
    EXPECT_EQ(r.problem.error, PeError::none) << r.problem.message();
    return std::move(r.image);
}

// The new image, checked.
PeImage rewritten(const PeImage& image, const PeRewrite& r) {
    Bytes out;
    EXPECT_EQ(rewrite(image, r, &out), PeError::none);
    const PeImage written = imageOf(out);
    // Every header field a loader checks, consistent with the sections.
    const auto aligned = [&](uint64_t size) { return (size + image.sectionAlignment - 1) / image.sectionAlignment * image.sectionAlignment; };
    uint64_t next = written.sections.front().virtualAddress;
    for (const PeSection& section : written.sections) {
        EXPECT_EQ(section.virtualAddress, next) << "no gap before " << section.displayName();
        EXPECT_EQ(section.rawOffset % image.fileAlignment + section.rawSize % image.fileAlignment, 0u) << section.displayName();
        next = aligned(section.virtualAddress + section.span());
    }
    EXPECT_EQ(written.sizeOfImage, next);
    EXPECT_EQ(written.checksum, peChecksum(written.file, written.checksumOffset()));
    return written;
}

TEST(PeWriter, AppendsAfterTheRelocationsThenRewritesInPlace) {
    const auto stored = [](const PeImage& image, const PeSection& s) {
        return Bytes(image.file.begin() + s.rawOffset, image.file.begin() + s.rawOffset + s.rawSize);
    };
    const PeImage input = imageOf(peSample("tiny-player.exe"));
    const PeRewrite rewrite = rewriteWith(input, 20000);
    const PeImage output = rewritten(input, rewrite);
    ASSERT_EQ(output.sections.size(), input.sections.size() + 1);
    const PeSection& added = output.sections.back();
    EXPECT_EQ(added.displayName(), ".rsrc");
    EXPECT_EQ(added.characteristics, sectionNamed(input, ".rsrc")->characteristics);
    EXPECT_EQ(std::tie(output.directory(directoryResources)->address, output.directory(directoryResources)->size),
              std::tie(added.virtualAddress, added.virtualSize));
    EXPECT_EQ(getU32(output.file, opt(8)(output.file)), getU32(input.file, opt(8)(input.file)) + added.rawSize);
    // The old section keeps its place, cleared and renamed; nothing else moves.
    for (size_t i = 0; i < input.sections.size(); ++i) {
        const PeSection& before = input.sections[i];
        const PeSection& after = output.sections[i];
        const bool old = before.displayName() == ".rsrc";
        EXPECT_EQ(after.displayName(), old ? ".oldrsrc" : before.displayName());
        EXPECT_EQ(std::tie(after.virtualAddress, after.virtualSize, after.rawOffset),
                  std::tie(before.virtualAddress, before.virtualSize, before.rawOffset));
        EXPECT_EQ(stored(output, after), old ? Bytes(before.rawSize, 0) : stored(input, before)) << before.displayName();
    }
    const std::vector<Resource> read = resourcesOf(output);
    for (size_t i = 0; i < std::max(read.size(), rewrite.resources.size()); ++i) EXPECT_EQ(read.at(i).bytes, rewrite.resources.at(i).bytes);

    // Now the resources come last: rewritten in place, growing or shrinking.
    for (size_t size : {100, 70000, 20000}) {
        const PeImage again = rewritten(output, rewriteWith(output, size));
        EXPECT_EQ(again.sections.size(), output.sections.size()) << "no section added for " << size;
        EXPECT_EQ(again.sections.back().virtualAddress, output.sections.back().virtualAddress);
        EXPECT_EQ(resourcesOf(again)[0].bytes, Bytes(size, 0x5A));
        EXPECT_EQ(again.file.size(), again.endOfSectionData());
    }
    EXPECT_EQ(rewritten(output, rewrite).file, output.file) << "the same again gives the same file";
}

// The stand-in carries what the packer codes from its source (should the
// coding change, data/pe/make_samples.sh makes it again); a quiz built into it
// keeps the player's own resources as they were, all in one language.
TEST(QuizImage, BuildingKeepsThePlayersOwnResources) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    const auto load = [](const std::string& name) {
        QuizSource source;
        QuizContent content;
        Diagnostics diagnostics;
        EXPECT_TRUE(loadQuizSource(VYRLA_TEST_DATA + name, name, &source, &content, &diagnostics));
        return content;
    };
    const EncodedQuiz encoded = encodeQuiz(load("/pe/tiny_quiz.toml"), nullptr);
    const StoredQuiz stored = storedQuizOf(player);
    EXPECT_EQ(std::tie(stored.quizResource, stored.codesResource), std::tie(encoded.quizResource, encoded.codesResource));
    const QuizContent content = load("/picture_quiz/quiz.toml");
    Bytes out;
    std::string error;
    ASSERT_TRUE(buildQuizExecutable(player, content, encodeQuiz(content, nullptr), &out, nullptr, &error)) << error;
    const Player built = playerOf(out);
    size_t own = 0;
    for (const Resource& resource : player.resources) {
        const auto found = std::find_if(built.resources.begin(), built.resources.end(), [&](const Resource& r) {
            return r.type == resource.type && r.name == resource.name && r.language == resource.language;
        });
        ASSERT_NE(found, built.resources.end()) << resource.type.display() << " " << resource.name.display();
        own += !isQuizResource(resource) && found->bytes == resource.bytes && found->codePage == resource.codePage;
    }
    EXPECT_EQ(own, 11u);  // dialogs, cursor, icons and version
    for (const Resource& resource : built.resources) EXPECT_EQ(resource.language, 1033u);
}

TEST(QuizImage, DumpRefusesAPlayerWithoutItsQuizOrWithADamagedOne) {
    // Dump says what the player would: no quiz, or a damaged one.
    StoredQuiz stored = storedQuizOf(playerOf(peSample("tiny-player.exe")));
    QuizDump dump;
    std::string error;
    for (size_t size : {0, 40}) {
        stored.quizResource.assign(size, 0xEE);
        EXPECT_FALSE(dumpQuiz(stored, "vyrla.exe", &dump, &error));
        EXPECT_NE(error.find(size ? "des reponses" : "carries no quiz: the player would say \"Questions non livr\xC3\xA9" "es\""), std::string::npos) << error;
    }
}

TEST(QuizImage, DumpNamesClipsAndQuotesTextsAsThePlayerWould) {
    std::string extensions;
    for (const std::string& start : std::vector<std::string>{"RIFF....WAVE", "RIFF....AVI ", "RIFF....RMID", "MThd", "\x30\x26\xB2\x75", std::string("\0\0\x01\xBA", 4),
                                    std::string("\xFF\0", 2), "\xFF\xFB", "ID3", ""}) {
        Bytes clip(start.begin(), start.end());
        if (!clip.empty()) clip.resize(12, 0);
        extensions += clipExtension(clip) + " ";
    }
    EXPECT_EQ(extensions, "wav avi mp3 mid wmv mpg mpg mp3 mp3 mp3 ");
    EXPECT_EQ(tomlString("a \"b\" \\ c"), "\"a \\\"b\\\" \\\\ c\"");
    EXPECT_EQ(tomlString(std::string("tab\there\x01\x7F", 10)), "\"tab\\there\\u0001\\u007F\"");
}
}  // namespace
