// A quiz built into the stand-in player and dumped back: every demo quiz and
// test quiz round trip field by field, building over a quiz replaces it
// completely, the player's own resources stay, and a starting quiz of every
// kind builds as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/exe/quiz_dump.h"
#include "pack/exe/quiz_image.h"
#include "pack/io/file_output.h"
#include "pack/source/quiz_source.h"
#include "pack/source/quiz_starter.h"
#include "pack/source/sample_media.h"
#include "pack/source/toml_string.h"
#include "tests/support/pe_samples.h"
#include "quiz/stored_format.h"

namespace {

namespace fs = std::filesystem;

struct Packed {
    QuizContent content;
    EncodedQuiz encoded;
};

Packed packQuiz(const fs::path& file) {
    Packed packed;
    QuizSource source;
    Diagnostics diagnostics;
    const bool ok = loadQuizSource(file, file.u8string(), &source, &packed.content, &diagnostics);
    EXPECT_TRUE(ok) << file << "\n" << (diagnostics.errors.empty() ? "" : diagnostics.formatted()[0]);
    if (ok) {
        packed.encoded = encodeQuiz(packed.content, nullptr);
    }
    return packed;
}

Player playerOf(Bytes file) {
    Player player;
    std::string error;
    EXPECT_TRUE(readPlayer(std::move(file), &player, &error)) << error;
    return player;
}

Bytes build(const Player& player, const Packed& packed) {
    Bytes out;
    std::string error;
    EXPECT_TRUE(buildQuizExecutable(player, packed.content, packed.encoded, &out, nullptr, &error)) << error;
    return out;
}

std::string playerError(Bytes file) {
    Player player;
    std::string error;
    EXPECT_FALSE(readPlayer(std::move(file), &player, &error));
    return error;
}

// A fresh folder under the system's temporary folder.
fs::path scratchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("vyrla-quiz-image-test-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Every quiz source the project ships or tests with.
std::vector<fs::path> allQuizSources() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(VYRLA_QUIZZES)) {
        if (fs::exists(entry.path() / "quiz.toml")) {
            files.push_back(entry.path() / "quiz.toml");
        }
    }
    std::sort(files.begin(), files.end());
    const fs::path data = VYRLA_TEST_DATA;
    files.push_back(data / "picture_quiz" / "quiz.toml");
    files.push_back(data / "sound_quiz" / "quiz.toml");
    files.push_back(data / "pe" / "tiny_quiz.toml");
    return files;
}

void expectSameQuiz(const QuizContent& expected, const QuizContent& got, const std::string& name) {
    EXPECT_EQ(got.kind, expected.kind) << name;
    EXPECT_EQ(got.answersPerQuestion, expected.answersPerQuestion) << name;
    EXPECT_EQ(got.answerMode, expected.answerMode) << name;
    EXPECT_EQ(got.red, expected.red) << name;
    EXPECT_EQ(got.green, expected.green) << name;
    EXPECT_EQ(got.blue, expected.blue) << name;
    EXPECT_EQ(got.title, expected.title) << name;
    EXPECT_EQ(got.author, expected.author) << name;
    EXPECT_EQ(got.description, expected.description) << name;
    EXPECT_EQ(got.caption1, expected.caption1) << name;
    EXPECT_EQ(got.caption2, expected.caption2) << name;
    EXPECT_EQ(got.link, expected.link) << name;
    EXPECT_EQ(got.footer, expected.footer) << name;
    EXPECT_EQ(got.scramble, expected.scramble) << name;
    std::vector<std::string> expectedCodes = expected.codes;
    while (!expectedCodes.empty() && expectedCodes.back().empty()) {
        expectedCodes.pop_back();
    }
    EXPECT_EQ(got.codes, expectedCodes) << name;
    ASSERT_EQ(got.questions.size(), expected.questions.size()) << name;
    for (size_t i = 0; i < got.questions.size(); ++i) {
        const QuestionContent& a = expected.questions[i];
        const QuestionContent& b = got.questions[i];
        const std::string where = name + ", question " + std::to_string(i + 1);
        EXPECT_EQ(b.answer, a.answer) << where;
        EXPECT_EQ(b.secondAnswer, a.secondAnswer) << where;
        EXPECT_EQ(b.prompt, a.prompt) << where;
        EXPECT_EQ(b.hint, a.hint) << where;
        EXPECT_EQ(b.extra, a.extra) << where;
    }
    ASSERT_EQ(got.media.size(), expected.media.size()) << name;
    for (size_t i = 0; i < got.media.size(); ++i) {
        EXPECT_EQ(got.media[i].id, expected.media[i].id) << name;
        EXPECT_TRUE(got.media[i].storage == expected.media[i].storage) << name << " media " << got.media[i].id;
        EXPECT_TRUE(got.media[i].fileBytes == expected.media[i].fileBytes) << name << " media " << got.media[i].id;
    }
}

TEST(QuizImage, EveryQuizRoundTripsThroughBuildAndDump) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    for (const fs::path& file : allQuizSources()) {
        SCOPED_TRACE(file.u8string());
        const Packed packed = packQuiz(file);
        const Player built = playerOf(build(player, packed));
        QuizDump dump;
        std::string error;
        ASSERT_TRUE(dumpQuiz(storedQuizOf(built), "quiz.exe", &dump, &error)) << error;
        EXPECT_TRUE(dump.notes.empty()) << dump.notes[0];
        const fs::path folder = scratchFolder("round-trip");
        std::vector<FileContents> files = dump.files;
        files.push_back({"quiz.toml", Bytes(dump.source.begin(), dump.source.end())});
        ASSERT_TRUE(writeFilesUnder(folder, files, &error)) << error;
        const Packed again = packQuiz(folder / "quiz.toml");
        expectSameQuiz(packed.content, again.content, file.parent_path().filename().u8string());
        // The stored bytes themselves are the same, so the executables are.
        EXPECT_EQ(build(player, again), build(player, packed));
        fs::remove_all(folder);
    }
}

TEST(QuizImage, BuildingTwiceGivesTheSameBytes) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    const Packed packed = packQuiz(fs::path(VYRLA_TEST_DATA) / "picture_quiz" / "quiz.toml");
    EXPECT_EQ(build(player, packed), build(player, packed));
}

TEST(QuizImage, BuildingOverAQuizReplacesItCompletely) {
    const Player fresh = playerOf(peSample("tiny-player.exe"));
    const Packed pictures = packQuiz(fs::path(VYRLA_TEST_DATA) / "picture_quiz" / "quiz.toml");
    const Packed text = packQuiz(fs::path(VYRLA_TEST_DATA) / "pe" / "tiny_quiz.toml");
    const Player withPictures = playerOf(build(fresh, pictures));
    ASSERT_FALSE(storedQuizOf(withPictures).media.empty());

    const Bytes overPictures = build(withPictures, text);
    EXPECT_EQ(overPictures, build(fresh, text)) << "no trace of the picture quiz may remain";
    const Player result = playerOf(overPictures);
    EXPECT_TRUE(storedQuizOf(result).media.empty());
    for (const Resource& resource : result.resources) {
        EXPECT_FALSE(resource.type == ResourceKey::named("IMG")) << resource.name.display();
        EXPECT_FALSE(resource.type == ResourceKey::id(resourceRawData)) << resource.name.display();
    }
    // And the other way round.
    EXPECT_EQ(build(playerOf(build(fresh, text)), pictures), build(fresh, pictures));
}

TEST(QuizImage, PlayersOwnResourcesStayWithTheirLanguages) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    const Packed packed = packQuiz(fs::path(VYRLA_TEST_DATA) / "picture_quiz" / "quiz.toml");
    const Player built = playerOf(build(player, packed));
    std::vector<const Resource*> own;
    for (const Resource& resource : player.resources) {
        if (!isQuizResource(resource)) {
            own.push_back(&resource);
        }
    }
    ASSERT_EQ(own.size(), 11u);  // dialogs, cursor, icons and version
    for (const Resource* resource : own) {
        const auto found = std::find_if(built.resources.begin(), built.resources.end(), [&](const Resource& r) {
            return r.type == resource->type && r.name == resource->name && r.language == resource->language;
        });
        ASSERT_NE(found, built.resources.end()) << resource->type.display() << " " << resource->name.display();
        EXPECT_EQ(found->bytes, resource->bytes);
        EXPECT_EQ(found->codePage, resource->codePage);
    }
    for (const Resource& resource : built.resources) {
        if (isQuizResource(resource)) {
            EXPECT_EQ(resource.language, 1033u) << "the language the quiz replaced";
        }
    }
}

TEST(QuizImage, ContentBlockGoesIntoItsSection) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    const Packed packed = packQuiz(fs::path(VYRLA_TEST_DATA) / "sound_quiz" / "quiz.toml");
    const Player built = playerOf(build(player, packed));
    EXPECT_TRUE(storedQuizOf(built).contentBlock == packed.encoded.contentBlock);
    EXPECT_EQ(storedQuizOf(built).quizResource, packed.encoded.quizResource);
    EXPECT_EQ(storedQuizOf(built).codesResource, packed.encoded.codesResource);
}

TEST(QuizImage, QuizLanguageComesFromTheQuizThenTheDialogs) {
    Resource dialog;
    dialog.type = ResourceKey::id(resourceDialog);
    dialog.name = ResourceKey::id(1001);
    dialog.language = 1036;
    Resource quiz;
    quiz.type = ResourceKey::named("patch");
    quiz.name = ResourceKey::id(104);
    quiz.language = 2057;
    EXPECT_EQ(quizLanguage({dialog, quiz}), 2057u);
    EXPECT_EQ(quizLanguage({dialog}), 1036u);
    EXPECT_EQ(quizLanguage({}), 0u);
}

TEST(QuizImage, WhichResourcesBelongToTheQuiz) {
    const auto make = [](ResourceKey type, uint32_t id) {
        Resource resource;
        resource.type = std::move(type);
        resource.name = ResourceKey::id(id);
        return resource;
    };
    EXPECT_TRUE(isQuizResource(make(ResourceKey::named("PATCH"), 104)));
    EXPECT_TRUE(isQuizResource(make(ResourceKey::named("PATCH"), 7)));
    EXPECT_TRUE(isQuizResource(make(ResourceKey::named("IMG"), 1)));
    EXPECT_TRUE(isQuizResource(make(ResourceKey::id(resourceRawData), 401)));
    EXPECT_TRUE(isQuizResource(make(ResourceKey::id(resourceRawData), 10496)));
    EXPECT_FALSE(isQuizResource(make(ResourceKey::id(resourceRawData), 400)));
    EXPECT_FALSE(isQuizResource(make(ResourceKey::id(resourceRawData), 497)));
    EXPECT_FALSE(isQuizResource(make(ResourceKey::id(resourceDialog), 1001)));
    EXPECT_FALSE(isQuizResource(make(ResourceKey::id(resourceIcon), 401)));
}

TEST(QuizImage, ForeignAndDamagedPlayersAreRefused) {
    EXPECT_NE(playerError(peSample("tiny-player-32bit.exe")).find("32-bit"), std::string::npos);
    const Bytes whole = peSample("tiny-player.exe");
    EXPECT_NE(playerError(Bytes(whole.begin(), whole.begin() + 3000)).find("truncated"), std::string::npos);
    EXPECT_NE(playerError(Bytes(100, 'x')).find("not a Windows executable"), std::string::npos);

    Bytes noSection = whole;
    noSection[sectionHeaderOffset(noSection, ".vyrla") + 2] = 'X';
    EXPECT_NE(playerError(noSection).find("not a Vyrla player"), std::string::npos);

    Bytes smallSection = whole;
    setU32(&smallSection, sectionHeaderOffset(smallSection, ".vyrla") + 8, 69);
    EXPECT_NE(playerError(smallSection).find("too small"), std::string::npos);
}

TEST(QuizImage, PlayerWithoutItsDialogsIsForeign) {
    Bytes file = peSample("tiny-player.exe");
    // Dialog 1001 becomes 1003 in the name table of type 5.
    Player player = playerOf(file);
    const size_t root = getU32(file, sectionHeaderOffset(file, ".rsrc") + 20);
    bool changed = false;
    for (size_t entry = root + 16; entry < root + 16 + 8 * 8 && !changed; entry += 8) {
        if (getU32(file, entry) == 5) {
            const uint32_t names = getU32(file, entry + 4) & 0x7FFFFFFF;
            setU32(&file, root + names + 16, 1003);
            changed = true;
        }
    }
    ASSERT_TRUE(changed);
    EXPECT_NE(playerError(file).find("dialogs 1001 and 1002"), std::string::npos);
}

TEST(QuizImage, PlayerWithoutQuizHasNothingToDump) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    StoredQuiz stored = storedQuizOf(player);
    stored.quizResource.clear();
    QuizDump dump;
    std::string error;
    EXPECT_FALSE(dumpQuiz(stored, "vyrla.exe", &dump, &error));
    EXPECT_NE(error.find("carries no quiz"), std::string::npos) << error;
    EXPECT_NE(error.find("Questions non livr\xC3\xA9" "es"), std::string::npos) << error;
}

TEST(QuizImage, DamagedQuizIsReportedWithThePlayersMessage) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    StoredQuiz stored = storedQuizOf(player);
    stored.quizResource.assign(40, 0xEE);
    QuizDump dump;
    std::string error;
    EXPECT_FALSE(dumpQuiz(stored, "vyrla.exe", &dump, &error));
    EXPECT_NE(error.find("des reponses"), std::string::npos) << error;
}

TEST(QuizImage, DumpOfTheStandInPlayer) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    QuizDump dump;
    std::string error;
    ASSERT_TRUE(dumpQuiz(storedQuizOf(player), "tiny-player.exe", &dump, &error)) << error;
    EXPECT_EQ(dump.source,
              "# The quiz carried by tiny-player.exe, written back by vyrla-pack dump.\n"
              "kind = \"text\"\n"
              "title = \"Petit quiz\"\n"
              "author = \"Vyrla\"\n"
              "description = \"Deux questions.\"\n"
              "link = \"https://example.org\"\n"
              "footer = \"Essai\"\n"
              "mode = 2\n"
              "colour = [10, 20, 30]\n"
              "answers = 1\n"
              "scramble = true\n"
              "codes = [\n"
              "    \"UN\",\n"
              "    \"DEUX\",\n"
              "]\n"
              "\n"
              "[[question]]\n"
              "prompt = \"Un plus un\"\n"
              "answer = \"Deux\"\n"
              "hint = \"Facile\"\n"
              "\n"
              "[[question]]\n"
              "prompt = \"Capitale de l'Italie\"\n"
              "answer = \"Rome\"\n"
              "hint = \"La ville \xC3\xA9ternelle\"\n");
    EXPECT_TRUE(dump.files.empty());
}

TEST(QuizImage, TomlStringsEscapeWhatTheyMust) {
    EXPECT_EQ(tomlString("plain"), "\"plain\"");
    EXPECT_EQ(tomlString("a \"b\" \\ c"), "\"a \\\"b\\\" \\\\ c\"");
    EXPECT_EQ(tomlString(std::string("tab\there\x01\x7F", 10)), "\"tab\\there\\u0001\\u007F\"");
    EXPECT_EQ(tomlString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
}

TEST(QuizImage, ClipExtensionsFollowThePlayersRule) {
    const auto clip = [](std::initializer_list<uint8_t> start) {
        Bytes bytes(start);
        bytes.resize(12, 0);
        return bytes;
    };
    EXPECT_EQ(clipExtension(clip({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'})), "wav");
    EXPECT_EQ(clipExtension(clip({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '})), "avi");
    EXPECT_EQ(clipExtension(clip({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D'})), "mp3");
    EXPECT_EQ(clipExtension(clip({'M', 'T', 'h', 'd'})), "mid");
    EXPECT_EQ(clipExtension(clip({0x30, 0x26, 0xB2, 0x75})), "wmv");
    EXPECT_EQ(clipExtension(clip({0, 0, 1, 0xBA})), "mpg");
    EXPECT_EQ(clipExtension(clip({0xFF, 0x00})), "mpg");
    EXPECT_EQ(clipExtension(clip({0xFF, 0xFB})), "mp3");
    EXPECT_EQ(clipExtension(clip({'I', 'D', '3'})), "mp3");
    EXPECT_EQ(clipExtension({}), "mp3");
}

TEST(QuizImage, EveryStarterQuizChecksAndBuilds) {
    const Player player = playerOf(peSample("tiny-player.exe"));
    for (const char* kind : {"text", "picture", "sound", "video"}) {
        SCOPED_TRACE(kind);
        const int number = kindFromName(kind);
        ASSERT_GE(number, 0);
        const fs::path folder = scratchFolder(std::string("starter-") + kind);
        std::string error;
        ASSERT_TRUE(writeFilesUnder(folder, starterQuiz(number), &error)) << error;
        const Packed packed = packQuiz(folder / "quiz.toml");
        EXPECT_EQ(packed.content.kind, number);
        EXPECT_EQ(packed.content.questions.size(), 3u);
        QuizDump dump;
        ASSERT_TRUE(dumpQuiz(storedQuizOf(playerOf(build(player, packed))), "quiz.exe", &dump, &error)) << error;
        fs::remove_all(folder);
    }
    EXPECT_EQ(kindFromName("texte"), -1);
    EXPECT_TRUE(starterQuiz(4).empty());
}

TEST(QuizImage, PlaceholderMediaAreWhatTheySayTheyAre) {
    const Bytes bitmap = sampleBitmap(80, 60, {1, 2, 3}, 7, true);
    EXPECT_EQ(pictureExtension(bitmap), "bmp");
    EXPECT_EQ(getU32(bitmap, 2), bitmap.size());
    EXPECT_EQ(getU32(bitmap, 18), 80u);
    EXPECT_EQ(bitmap.size(), 14u + 40u + 240u * 60u);
    const Bytes wave = sampleWave(440, 500);
    EXPECT_EQ(clipExtension(wave), "wav");
    EXPECT_EQ(getU32(wave, 4), wave.size() - 8);
    EXPECT_EQ(wave.size(), 44u + 4000u);
    const Bytes video = sampleVideo(80, 60, {1, 2, 3}, 1, 3);
    EXPECT_EQ(clipExtension(video), "avi");
    EXPECT_EQ(getU32(video, 4), video.size() - 8);
    EXPECT_EQ(Bytes(video.begin() + 8, video.begin() + 12), (Bytes{'A', 'V', 'I', ' '}));
    // The same bytes every time, on every machine.
    EXPECT_EQ(sampleVideo(80, 60, {1, 2, 3}, 1, 3), video);
}

}  // namespace
