// A quiz built into the stand-in player and read back: the stored contents
// land where the player reads them, the player's own resources stay, damaged
// or foreign players are refused, and what dump writes for the media and
// texts. (tests/e2e/pack_commands.sh builds and dumps every quiz, and new
// quizzes of every kind.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pack/exe/quiz_dump.h"
#include "pack/exe/quiz_image.h"
#include "pack/source/quiz_source.h"
#include "pack/source/toml_string.h"
#include "tests/support/pe_samples.h"

namespace {

struct Packed {
    QuizContent content;
    EncodedQuiz encoded;
};

Packed packQuiz(const std::string& file) {
    Packed packed;
    QuizSource source;
    Diagnostics diagnostics;
    EXPECT_TRUE(loadQuizSource(std::string(VYRLA_TEST_DATA) + "/" + file, file, &source, &packed.content, &diagnostics));
    packed.encoded = encodeQuiz(packed.content, nullptr);
    return packed;
}

Player playerOf(Bytes file) {
    Player player;
    std::string error;
    EXPECT_TRUE(readPlayer(std::move(file), &player, &error)) << error;
    return player;
}

std::string playerError(Bytes file) {
    Player player;
    std::string error;
    EXPECT_FALSE(readPlayer(std::move(file), &player, &error));
    return error;
}

std::string dumpError(const StoredQuiz& stored) {
    QuizDump dump;
    std::string error;
    EXPECT_FALSE(dumpQuiz(stored, "vyrla.exe", &dump, &error));
    return error;
}

TEST(QuizImage, TheStoredContentsAreWhereThePlayerReadsThem) {
    // The stand-in carries what the packer codes from its source (should the
    // coding change, data/pe/make_samples.sh makes it again).
    const Player player = playerOf(peSample("tiny-player.exe"));
    const Packed tiny = packQuiz("pe/tiny_quiz.toml");
    EXPECT_EQ(storedQuizOf(player).quizResource, tiny.encoded.quizResource);
    EXPECT_EQ(storedQuizOf(player).codesResource, tiny.encoded.codesResource);

    const Packed packed = packQuiz("picture_quiz/quiz.toml");
    Bytes out;
    std::string error;
    ASSERT_TRUE(buildQuizExecutable(player, packed.content, packed.encoded, &out, nullptr, &error)) << error;
    const Player built = playerOf(out);
    const StoredQuiz stored = storedQuizOf(built);
    EXPECT_TRUE(stored.contentBlock == packed.encoded.contentBlock);
    EXPECT_EQ(stored.quizResource, packed.encoded.quizResource);
    EXPECT_EQ(stored.codesResource, packed.encoded.codesResource);
    ASSERT_EQ(stored.media.size(), packed.content.media.size());
    for (const MediaResource& media : packed.content.media) {
        const auto found = std::find_if(stored.media.begin(), stored.media.end(), [&](const StoredMedia& s) { return s.id == media.id; });
        ASSERT_NE(found, stored.media.end()) << media.id;
        EXPECT_EQ(found->bytes, storedMediaBytes(media)) << media.id;
    }
    // The player's own resources stay as they were, with their languages.
    size_t own = 0;
    for (const Resource& resource : player.resources) {
        if (isQuizResource(resource)) continue;
        ++own;
        const auto found = std::find_if(built.resources.begin(), built.resources.end(), [&](const Resource& r) {
            return r.type == resource.type && r.name == resource.name && r.language == resource.language;
        });
        ASSERT_NE(found, built.resources.end()) << resource.type.display() << " " << resource.name.display();
        EXPECT_EQ(found->bytes, resource.bytes);
        EXPECT_EQ(found->codePage, resource.codePage);
    }
    EXPECT_EQ(own, 11u);  // dialogs, cursor, icons and version
    for (const Resource& resource : built.resources) {
        if (isQuizResource(resource)) EXPECT_EQ(resource.language, 1033u) << "the language the quiz replaced";
    }
}

TEST(QuizImage, WhichResourcesBelongToTheQuiz) {
    const auto quiz = [](ResourceKey type, uint32_t id) {
        Resource resource;
        resource.type = std::move(type);
        resource.name = ResourceKey::id(id);
        return isQuizResource(resource);
    };
    EXPECT_TRUE(quiz(ResourceKey::named("PATCH"), 104) && quiz(ResourceKey::named("patch"), 7) && quiz(ResourceKey::named("IMG"), 1));
    EXPECT_TRUE(quiz(ResourceKey::id(resourceRawData), 401) && quiz(ResourceKey::id(resourceRawData), 10496));
    EXPECT_FALSE(quiz(ResourceKey::id(resourceRawData), 400) || quiz(ResourceKey::id(resourceRawData), 497));
    EXPECT_FALSE(quiz(ResourceKey::id(resourceDialog), 1001) || quiz(ResourceKey::id(resourceIcon), 401));
}

TEST(QuizImage, ForeignDamagedAndEmptyPlayersAreRefused) {
    const Bytes whole = peSample("tiny-player.exe");
    EXPECT_NE(playerError(peSample("tiny-player-32bit.exe")).find("32-bit"), std::string::npos);
    Bytes noSection = whole;
    noSection[sectionHeaderOffset(noSection, ".vyrla") + 2] = 'X';
    EXPECT_NE(playerError(noSection).find("not a Vyrla player"), std::string::npos);
    Bytes smallSection = whole;
    setU32(&smallSection, sectionHeaderOffset(smallSection, ".vyrla") + 8, 69);
    EXPECT_NE(playerError(smallSection).find("too small"), std::string::npos);
    // Dialog 1001 made 1003 in the name table of type 5, the root's fourth entry.
    Bytes noDialog = whole;
    const size_t root = getU32(noDialog, sectionHeaderOffset(noDialog, ".rsrc") + 20);
    ASSERT_EQ(getU32(noDialog, root + 16 + 8 * 3), 5u);
    setU32(&noDialog, root + (getU32(noDialog, root + 16 + 8 * 3 + 4) & 0x7FFFFFFF) + 16, 1003);
    EXPECT_NE(playerError(noDialog).find("dialogs 1001 and 1002"), std::string::npos);

    // Dump says what the player would: no quiz, or a damaged one.
    StoredQuiz stored = storedQuizOf(playerOf(whole));
    stored.quizResource.clear();
    const std::string none = dumpError(stored);
    EXPECT_NE(none.find("carries no quiz"), std::string::npos) << none;
    EXPECT_NE(none.find("Questions non livr\xC3\xA9" "es"), std::string::npos) << none;
    stored.quizResource.assign(40, 0xEE);
    EXPECT_NE(dumpError(stored).find("des reponses"), std::string::npos) << dumpError(stored);
}

TEST(QuizImage, DumpNamesClipsAndQuotesTextsAsThePlayerWould) {
    const auto clip = [](const char* start, size_t length) {
        Bytes bytes(start, start + length);
        bytes.resize(std::max<size_t>(length, 12), 0);
        return clipExtension(bytes);
    };
    EXPECT_EQ(clip("RIFF....WAVE", 12), "wav");
    EXPECT_EQ(clip("RIFF....AVI ", 12), "avi");
    EXPECT_EQ(clip("RIFF....RMID", 12), "mp3");
    EXPECT_EQ(clip("MThd", 4), "mid");
    EXPECT_EQ(clip("\x30\x26\xB2\x75", 4), "wmv");
    EXPECT_EQ(clip("\0\0\x01\xBA", 4), "mpg");
    EXPECT_EQ(clip("\xFF\x00", 2), "mpg");
    EXPECT_EQ(clip("\xFF\xFB", 2), "mp3");
    EXPECT_EQ(clip("ID3", 3), "mp3");
    EXPECT_EQ(clipExtension({}), "mp3");
    EXPECT_EQ(tomlString("a \"b\" \\ c"), "\"a \\\"b\\\" \\\\ c\"");
    EXPECT_EQ(tomlString(std::string("tab\there\x01\x7F", 10)), "\"tab\\there\\u0001\\u007F\"");
    EXPECT_EQ(tomlString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
}

}  // namespace
