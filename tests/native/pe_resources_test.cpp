// The resource tree: read from a real linker's output, written and read
// back, and damaged one field at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"
#include "tests/support/pe_samples.h"

namespace {

struct Tree {
    PeImage image;
    std::vector<Resource> resources;
    PeProblem problem;
    bool ok = false;
};

Tree readTree(Bytes file) {
    Tree tree;
    EXPECT_TRUE(readPeImage(std::move(file), &tree.image, &tree.problem)) << tree.problem.message();
    tree.ok = readResources(tree.image, &tree.resources, &tree.problem);
    return tree;
}

std::string describe(const Resource& resource) {
    return resource.type.display() + "/" + resource.name.display() + "/" + std::to_string(resource.language);
}

Resource resource(ResourceKey type, ResourceKey name, uint32_t language, Bytes bytes) {
    Resource made;
    made.type = std::move(type);
    made.name = std::move(name);
    made.language = language;
    made.bytes = std::move(bytes);
    return made;
}

// File offset of the resource directory of the stand-in player.
size_t rootOffset(const Bytes& file) {
    return getU32(file, sectionHeaderOffset(file, ".rsrc") + 20);
}

// File offset of entry `index` of the table at tree offset `table`.
size_t entryOffset(const Bytes& file, uint32_t table, size_t index) {
    return rootOffset(file) + table + 16 + 8 * index;
}

TEST(PeResources, ReadsWhatTheResourceCompilerWrote) {
    const Tree tree = readTree(peSample("tiny-player.exe"));
    ASSERT_TRUE(tree.ok) << tree.problem.message();
    std::vector<std::string> found;
    for (const Resource& resource : tree.resources) {
        found.push_back(describe(resource));
    }
    const std::vector<std::string> expected = {
        "\"PATCH\"/104/1033", "\"PATCH\"/105/1033", "1/1/1033",     "3/1/1033",    "3/2/1033",
        "3/3/1033",         "3/4/1033",         "5/1001/1033", "5/1002/1033", "12/1003/1033",
        "14/1004/1033",     "14/1005/1033",     "16/1/1033"};
    EXPECT_EQ(found, expected);
}

// The quiz resources hold exactly what the packer codes from the same source.
// (Should the packer's coding ever change, data/pe/make_samples.sh makes the
// stand-in player again.)
TEST(PeResources, QuizBytesAreThePackersOwn) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    ASSERT_TRUE(loadQuizSource(std::string(VYRLA_TEST_DATA) + "/pe/tiny_quiz.toml", "tiny_quiz.toml", &source,
                               &content, &diagnostics));
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    const Tree tree = readTree(peSample("tiny-player.exe"));
    ASSERT_TRUE(tree.ok);
    EXPECT_EQ(tree.resources[0].bytes, encoded.quizResource);
    EXPECT_EQ(tree.resources[1].bytes, encoded.codesResource);
}

TEST(PeResources, KeyOrderPutsTextsFirstWithoutCase) {
    EXPECT_TRUE(resourceKeyLess(ResourceKey::named("ZZZ"), ResourceKey::id(1)));
    EXPECT_FALSE(resourceKeyLess(ResourceKey::id(1), ResourceKey::named("AAA")));
    EXPECT_TRUE(resourceKeyLess(ResourceKey::named("img"), ResourceKey::named("PATCH")));
    EXPECT_TRUE(resourceKeyLess(ResourceKey::named("IMG"), ResourceKey::named("IMGS")));
    EXPECT_TRUE(resourceKeyLess(ResourceKey::id(104), ResourceKey::id(105)));
    EXPECT_FALSE(resourceKeyLess(ResourceKey::named("IMG"), ResourceKey::named("IMG")));
}

// A new section, placed in a copy of the stand-in player, reads back whole.
std::vector<Resource> roundTrip(const std::vector<Resource>& resources, uint32_t* sectionAddress = nullptr) {
    Bytes file = peSample("tiny-player.exe");
    const size_t header = sectionHeaderOffset(file, ".rsrc");
    const uint32_t address = getU32(file, header + 12);
    const uint32_t rawOffset = getU32(file, header + 20);
    const Bytes section = buildResourceSection(resources, address);
    EXPECT_LE(section.size(), 0x3200u) << "the test section must fit the old one";
    std::copy(section.begin(), section.end(), file.begin() + rawOffset);
    setU32(&file, optionalOffset(file) + 112 + 8 * 2 + 4, static_cast<uint32_t>(section.size()));
    if (sectionAddress) {
        *sectionAddress = address;
    }
    const Tree tree = readTree(file);
    EXPECT_TRUE(tree.ok) << tree.problem.message();
    return tree.resources;
}

TEST(PeResources, WrittenTreeReadsBackSorted) {
    const std::vector<Resource> resources = {
        resource(ResourceKey::id(10), ResourceKey::id(409), 0, {1, 2, 3}),
        resource(ResourceKey::named("PATCH"), ResourceKey::id(105), 1036, {5}),
        resource(ResourceKey::named("IMG"), ResourceKey::named("PICTURE"), 0, Bytes(300, 7)),
        resource(ResourceKey::named("PATCH"), ResourceKey::id(104), 1036, Bytes(17, 9)),
        resource(ResourceKey::id(5), ResourceKey::id(1001), 1036, {}),
        resource(ResourceKey::id(5), ResourceKey::id(1001), 1033, {4}),
        resource(ResourceKey::named("IMG"), ResourceKey::id(401), 0, {8, 8}),
    };
    const std::vector<Resource> read = roundTrip(resources);
    std::vector<std::string> order;
    for (const Resource& r : read) {
        order.push_back(describe(r));
    }
    const std::vector<std::string> expected = {"\"IMG\"/\"PICTURE\"/0", "\"IMG\"/401/0",  "\"PATCH\"/104/1036",
                                               "\"PATCH\"/105/1036",  "5/1001/1033", "5/1001/1036",
                                               "10/409/0"};
    ASSERT_EQ(order, expected);
    EXPECT_EQ(read[0].bytes, Bytes(300, 7));
    EXPECT_EQ(read[2].bytes, Bytes(17, 9));
    EXPECT_TRUE(read[5].bytes.empty());
    EXPECT_EQ(read[6].bytes, (Bytes{1, 2, 3}));
}

TEST(PeResources, DataSitsOnEightByteBoundariesAtTheirAddresses) {
    const std::vector<Resource> resources = {
        resource(ResourceKey::named("PATCH"), ResourceKey::id(104), 0, {1, 2, 3}),
        resource(ResourceKey::named("PATCH"), ResourceKey::id(105), 0, {4, 5, 6, 7, 8}),
    };
    const uint32_t address = 0x7000;
    const Bytes section = buildResourceSection(resources, address);
    // Data entries follow the tables and the one name text; find them by
    // walking the tree as the loader would.
    const uint32_t nameTable = getU32(section, 16 + 4) & 0x7FFFFFFF;
    for (size_t i = 0; i < 2; ++i) {
        const uint32_t languageTable = getU32(section, nameTable + 16 + 8 * i + 4) & 0x7FFFFFFF;
        const uint32_t dataEntry = getU32(section, languageTable + 16 + 4);
        EXPECT_EQ(dataEntry % 4, 0u);
        const uint32_t dataAddress = getU32(section, dataEntry);
        const uint32_t size = getU32(section, dataEntry + 4);
        EXPECT_EQ(dataAddress % 8, 0u);
        ASSERT_LE(dataAddress - address + size, section.size());
        EXPECT_TRUE(std::equal(resources[i].bytes.begin(), resources[i].bytes.end(),
                               section.begin() + (dataAddress - address)));
    }
}

TEST(PeResources, SameResourcesSameBytes) {
    const Tree tree = readTree(peSample("tiny-player.exe"));
    ASSERT_TRUE(tree.ok);
    std::vector<Resource> reversed(tree.resources.rbegin(), tree.resources.rend());
    EXPECT_EQ(buildResourceSection(tree.resources, 0x7000), buildResourceSection(reversed, 0x7000));
}

TEST(PeResources, StandInTreeSurvivesARewrite) {
    const Tree tree = readTree(peSample("tiny-player.exe"));
    ASSERT_TRUE(tree.ok);
    const std::vector<Resource> read = roundTrip(tree.resources);
    ASSERT_EQ(read.size(), tree.resources.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(describe(read[i]), describe(tree.resources[i]));
        EXPECT_EQ(read[i].bytes, tree.resources[i].bytes) << describe(read[i]);
    }
}

TEST(PeResources, NoResourceDirectoryMeansNoResources) {
    Bytes file = peSample("tiny-player.exe");
    setU32(&file, optionalOffset(file) + 112 + 8 * 2, 0);
    setU32(&file, optionalOffset(file) + 112 + 8 * 2 + 4, 0);
    const Tree tree = readTree(file);
    EXPECT_TRUE(tree.ok);
    EXPECT_TRUE(tree.resources.empty());
}

// Damaged trees, one field each. The root's first entry is "PATCH".
PeError damaged(void (*damage)(Bytes*)) {
    Bytes file = peSample("tiny-player.exe");
    damage(&file);
    const Tree tree = readTree(file);
    EXPECT_FALSE(tree.ok);
    EXPECT_TRUE(tree.resources.empty());
    return tree.problem.error;
}

TEST(PeResources, TableReachedTwiceIsACycle) {
    EXPECT_EQ(damaged([](Bytes* file) { setU32(file, entryOffset(*file, 0, 0) + 4, 0x80000000u); }),
              PeError::badResources);
}

TEST(PeResources, SharedSubtreeIsRefused) {
    // Two types pointing at one name table would make resources of both.
    EXPECT_EQ(damaged([](Bytes* file) {
                  setU32(file, entryOffset(*file, 0, 1) + 4, getU32(*file, entryOffset(*file, 0, 2) + 4));
              }),
              PeError::badResources);
}

TEST(PeResources, TableOutsideTheSection) {
    EXPECT_EQ(damaged([](Bytes* file) { setU32(file, entryOffset(*file, 0, 1) + 4, 0xFFFFFFF0u); }),
              PeError::badResources);
}

TEST(PeResources, NameOutsideTheSection) {
    EXPECT_EQ(damaged([](Bytes* file) { setU32(file, entryOffset(*file, 0, 0), 0x8000FFF0u); }),
              PeError::badResources);
}

TEST(PeResources, NameRunningPastTheEnd) {
    EXPECT_EQ(damaged([](Bytes* file) {
                  const uint32_t name = getU32(*file, entryOffset(*file, 0, 0)) & 0x7FFFFFFF;
                  setU16(file, rootOffset(*file) + name, 0xFFFF);
              }),
              PeError::badResources);
}

TEST(PeResources, DataWhereATableBelongs) {
    EXPECT_EQ(damaged([](Bytes* file) {
                  const size_t entry = entryOffset(*file, 0, 1);
                  setU32(file, entry + 4, getU32(*file, entry + 4) & 0x7FFFFFFF);
              }),
              PeError::badResources);
}

TEST(PeResources, TableWhereDataBelongs) {
    // The language entry of "PATCH" 104 pointing at a table.
    EXPECT_EQ(damaged([](Bytes* file) {
                  const uint32_t names = getU32(*file, entryOffset(*file, 0, 0) + 4) & 0x7FFFFFFF;
                  const uint32_t languages = getU32(*file, entryOffset(*file, names, 0) + 4) & 0x7FFFFFFF;
                  setU32(file, entryOffset(*file, languages, 0) + 4, 0x80000000u | names);
              }),
              PeError::badResources);
}

TEST(PeResources, DataAddressOutsideTheFile) {
    EXPECT_EQ(damaged([](Bytes* file) {
                  const uint32_t names = getU32(*file, entryOffset(*file, 0, 0) + 4) & 0x7FFFFFFF;
                  const uint32_t languages = getU32(*file, entryOffset(*file, names, 0) + 4) & 0x7FFFFFFF;
                  const uint32_t data = getU32(*file, entryOffset(*file, languages, 0) + 4);
                  setU32(file, rootOffset(*file) + data, 0xFFFFFF00u);
              }),
              PeError::badResources);
}

TEST(PeResources, DataLargerThanTheFile) {
    EXPECT_EQ(damaged([](Bytes* file) {
                  const uint32_t names = getU32(*file, entryOffset(*file, 0, 0) + 4) & 0x7FFFFFFF;
                  const uint32_t languages = getU32(*file, entryOffset(*file, names, 0) + 4) & 0x7FFFFFFF;
                  const uint32_t data = getU32(*file, entryOffset(*file, languages, 0) + 4);
                  setU32(file, rootOffset(*file) + data + 4, 0x7FFFFFFFu);
              }),
              PeError::tooManyResources);
}

TEST(PeResources, CountsPastTheSection) {
    EXPECT_EQ(damaged([](Bytes* file) { setU16(file, rootOffset(*file) + 14, 0xFFFF); }), PeError::badResources);
}

TEST(PeResources, NumberedEntryAmongTheNamedOnes) {
    EXPECT_EQ(damaged([](Bytes* file) { setU16(file, rootOffset(*file) + 12, 2); }), PeError::badResources);
}

TEST(PeResources, SameTypeTwice) {
    // Icons (3) become cursors (1): two entries for type 1.
    EXPECT_EQ(damaged([](Bytes* file) { setU32(file, entryOffset(*file, 0, 2), 1); }), PeError::badResources);
}

TEST(PeResources, DirectoryRunningPastItsSection) {
    // Eight bytes before the section's end: too few for a table.
    EXPECT_EQ(damaged([](Bytes* file) {
                  const size_t header = sectionHeaderOffset(*file, ".rsrc");
                  const size_t directory = optionalOffset(*file) + 112 + 8 * 2;
                  setU32(file, directory, getU32(*file, header + 12) + getU32(*file, header + 8) - 8);
                  setU32(file, directory + 4, 8);
              }),
              PeError::badResources);
}

}  // namespace
