// A quiz built into the stand-in player and read back: the stored contents
// land where the player reads them, the player's own resources stay, damaged
// or foreign players are refused, and what dump writes for clips and texts.
// (tests/e2e/pack_commands.sh builds and dumps every quiz.)
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

Player playerOf(Bytes file, std::string* error = nullptr) {
    Player player;
    std::string message;
    EXPECT_EQ(readPlayer(std::move(file), &player, &message), error == nullptr) << message;
    if (error) *error = message;
    return player;
}

std::string playerError(Bytes file) {
    std::string error;
    playerOf(std::move(file), &error);
    return error;
}

TEST(QuizImage, TheStoredContentsAreWhereThePlayerReadsThem) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    for (const char* file : {"pe/tiny_quiz.toml", "picture_quiz/quiz.toml"}) {
        QuizSource source;
        QuizContent content;
        Diagnostics diagnostics;
        ASSERT_TRUE(loadQuizSource(std::string(VYRLA_TEST_DATA) + "/" + file, file, &source, &content, &diagnostics));
        const EncodedQuiz encoded = encodeQuiz(content, nullptr);
        if (content.media.empty()) {
            // The stand-in carries what the packer codes from its source
            // (should the coding change, data/pe/make_samples.sh makes it again).
            EXPECT_EQ(storedQuizOf(player).quizResource, encoded.quizResource);
            EXPECT_EQ(storedQuizOf(player).codesResource, encoded.codesResource);
            continue;
        }
        Bytes out;
        std::string error;
        ASSERT_TRUE(buildQuizExecutable(player, content, encoded, &out, nullptr, &error)) << error;
        const Player built = playerOf(out);
        const StoredQuiz stored = storedQuizOf(built);
        EXPECT_TRUE(stored.contentBlock == encoded.contentBlock);
        EXPECT_EQ(std::tie(stored.quizResource, stored.codesResource), std::tie(encoded.quizResource, encoded.codesResource));
        ASSERT_EQ(stored.media.size(), content.media.size());
        for (const MediaResource& media : content.media) {
            const auto found = std::find_if(stored.media.begin(), stored.media.end(), [&](const StoredMedia& s) { return s.id == media.id; });
            ASSERT_NE(found, stored.media.end()) << media.id;
            EXPECT_EQ(found->bytes, storedMediaBytes(media)) << media.id;
        }
        // The player's own resources stay as they were, with their languages;
        // the quiz's take the language of the quiz they replace.
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
}

TEST(QuizImage, ForeignDamagedAndEmptyPlayersAreRefused) {
    const Bytes whole = peSample("tiny-player.exe");
    EXPECT_NE(playerError(peSample("tiny-player-32bit.exe")).find("32-bit"), std::string::npos);
    Bytes file = whole;
    file[sectionHeaderOffset(file, ".vyrla") + 2] = 'X';
    EXPECT_NE(playerError(file).find("not a Vyrla player"), std::string::npos);
    file = whole;
    setU32(&file, sectionHeaderOffset(file, ".vyrla") + 8, 69);
    EXPECT_NE(playerError(file).find("too small"), std::string::npos);
    // Dialog 1001 made 1003 in the name table of type 5, the root's fourth entry.
    file = whole;
    const size_t root = getU32(file, sectionHeaderOffset(file, ".rsrc") + 20);
    ASSERT_EQ(getU32(file, root + 16 + 8 * 3), 5u);
    setU32(&file, root + (getU32(file, root + 16 + 8 * 3 + 4) & 0x7FFFFFFF) + 16, 1003);
    EXPECT_NE(playerError(file).find("dialogs 1001 and 1002"), std::string::npos);

    // Dump says what the player would: no quiz, or a damaged one.
    StoredQuiz stored = storedQuizOf(playerOf(whole));
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
    EXPECT_EQ(tomlString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
}

}  // namespace
