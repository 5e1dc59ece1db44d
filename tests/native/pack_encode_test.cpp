// The packer's output read back through the player's own loader: every field,
// scrambled and plain, every answer mode, the key positions, and the fallback
// to plain storage when scrambled bytes would expand as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "pack/source/quiz_source.h"
#include "pack/stored/lzw_compress.h"
#include "pack/stored/quiz_encode.h"
#include "pack/stored/rc_output.h"
#include "pack/stored/windows1252.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"
#include "quiz/scramble.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes coded(const Bytes& expanded) {
    return lzwCompress(expanded.data(), expanded.size());
}

bool expandsAsStored(const Bytes& bytes) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(bytes.data(), bytes.size(), &block, &reported);
    lzwFree(block);
    return result == lzwOk;
}

Bytes scrambledFrom(Bytes bytes, int keyPosition) {
    scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    return bytes;
}

// Distinct texts in every field, so that a text read into the wrong field
// shows. Windows-1252: "\xE9" é, "\xE8" è, "\xEA" ê.
QuizContent sampleQuiz(int mode, int answers, bool scramble) {
    QuizContent quiz;
    quiz.kind = answers == 2 ? kindPicture : kindText;
    quiz.answersPerQuestion = answers;
    quiz.answerMode = mode;
    quiz.red = 10;
    quiz.green = 20;
    quiz.blue = 30;
    quiz.title = "Capitales d'Europe";
    quiz.author = "Jos\xE9 et Zo\xE9";
    quiz.description = "Trouvez la capitale de chaque pays.";
    quiz.caption1 = "Ville";
    quiz.caption2 = "Pays";
    quiz.link = "https://example.org";
    quiz.footer = "Pied de page";
    quiz.scramble = scramble;
    quiz.questions = {
        {"Paris", "France", "Capitale de la France", "La ville lumi\xE8re", "Sur la Seine"},
        {"Bruxelles", "Belgique", "Capitale de la Belgique", "Le Manneken-Pis", "Sur la Senne"},
        {"Luxembourg", "-", "Capitale du Grand-Duch\xE9", "M\xEAme nom que le pays", "Sur l'Alzette"},
    };
    quiz.codes = {"A1", "B2"};
    return quiz;
}

std::vector<std::string> loaderMessages;

void recordLoaderMessage(const char* text, const char*, unsigned) {
    loaderMessages.push_back(text);
}

// A QuizState filled by the loader from the stored contents.
struct Loaded {
    explicit Loaded(const EncodedQuiz& encoded) : state(new QuizState) {
        setQuizDefaults(state.get());
        loaderMessages.clear();
        const MessageSink previous = setMessageSink(recordLoaderMessage);
        report = loadQuizContents(state.get(), storedContents(encoded));
        setMessageSink(previous);
    }
    ~Loaded() { freeQuestionList(state.get()); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    std::unique_ptr<QuizState> state;
    LoadReport report{};
};

// The loaded state against the quiz, field by field, written out here rather
// than through readBackDifferences so that the two check each other.
void expectLoadedAs(const QuizContent& quiz, const Loaded& loaded) {
    EXPECT_TRUE(loaderMessages.empty()) << loaderMessages.front();
    ASSERT_EQ(loaded.report.outcome, LoadOutcome::loaded);
    const QuizState& state = *loaded.state;
    EXPECT_EQ(state.linkText, quiz.link);
    EXPECT_EQ(state.footerText, quiz.footer);
    EXPECT_EQ(state.kind, quiz.kind);
    EXPECT_EQ(state.questionCount, static_cast<int>(quiz.questions.size()));
    EXPECT_EQ(state.answersPerQuestion, quiz.answersPerQuestion);
    EXPECT_EQ(state.title, quiz.title);
    EXPECT_EQ(state.author, quiz.author);
    EXPECT_EQ(state.description, quiz.description);
    EXPECT_EQ(state.answerCaption1, quiz.caption1);
    EXPECT_EQ(state.answerCaption2, quiz.caption2);
    EXPECT_EQ(state.answerMode, quiz.answerMode);
    EXPECT_EQ(state.red, quiz.red);
    EXPECT_EQ(state.green, quiz.green);
    EXPECT_EQ(state.blue, quiz.blue);
    const bool hasHints = quiz.answerMode != 0 && quiz.answerMode != 5;
    const QuestionNode* node = state.head;
    for (size_t i = 0; i < quiz.questions.size(); ++i, node = node->next) {
        SCOPED_TRACE("question " + std::to_string(i + 1));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->answer, quiz.questions[i].answer);
        EXPECT_EQ(node->secondAnswer, quiz.answersPerQuestion == 2 ? quiz.questions[i].secondAnswer : "");
        EXPECT_EQ(node->prompt, quiz.questions[i].prompt);
        EXPECT_EQ(node->hint, hasHints ? quiz.questions[i].hint : "");
        EXPECT_EQ(state.codes[i], i < quiz.codes.size() ? quiz.codes[i] : "") << "code " << i + 1;
    }
    EXPECT_EQ(node, nullptr);
}

TEST(PackWindows1252, ConvertsBothWays) {
    std::string utf8 = "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ";
    std::string bytes = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97"
                        "\x98\x99\x9A\x9B\x9C\x9E\x9F";
    // ASCII and Latin-1 map to themselves.
    for (uint32_t c = 1; c <= 0xFF; ++c) {
        if (c < 0x80 || c > 0x9F) {
            utf8 += utf8FromCodePoint(c);
            bytes.push_back(static_cast<char>(c));
        }
    }
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252(utf8, &unmappable), bytes);
    EXPECT_TRUE(unmappable.empty());
    EXPECT_EQ(windows1252ToUtf8(bytes), utf8);
    // The five undefined bytes read back as the replacement character.
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // Broken UTF-8 is reported, not guessed at: a cut sequence, an overlong
    // "/", a surrogate.
    EXPECT_EQ(utf8ToWindows1252("a\xC3", &unmappable), "a?");
    EXPECT_EQ(utf8ToWindows1252("\xC0\xAF", &unmappable), "??");
    EXPECT_EQ(utf8ToWindows1252("\xED\xA0\x80", &unmappable), "???");
    EXPECT_EQ(unmappable.size(), 6u);
}

TEST(PackExpanded, ContentsFollowTheStoredFormat) {
    QuizContent quiz = sampleQuiz(0, 1, true);
    quiz.link = "L";
    quiz.footer = "F\x80";
    EXPECT_EQ(expandedContentBlock(quiz), bytesOf("VYL|F\x80|"));
    EXPECT_EQ(expandedCodes(quiz), bytesOf("A1\r\nB2\r\n\r\n"));

    quiz.kind = kindSound;
    quiz.answerMode = 3;
    quiz.title = "T";
    quiz.author = "A";
    quiz.description = "D";
    quiz.caption1 = "C1";
    quiz.caption2 = "";
    quiz.questions = {{"a1", "ignored", "p1", "h1", "x1"}, {"a2", "", "p2", "h2", "x2"}};
    EXPECT_EQ(expandedQuizResource(quiz), bytesOf(std::string("\0\x03\x02\x01", 4) + "T|A|D|C1||a1|p1|a2|p2|\x03" +
                                                  "h1|x1|h2|x2|\x0A\x14\x1E"));
}

class PackEncodeModes : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(PackEncodeModes, EveryFieldReadsBackThroughTheLoader) {
    const auto [mode, scramble] = GetParam();
    for (int answers : {1, 2}) {
        SCOPED_TRACE(answers);
        const QuizContent quiz = sampleQuiz(mode, answers, scramble);
        std::vector<std::string> notes;
        const EncodedQuiz encoded = encodeQuiz(quiz, &notes);
        EXPECT_TRUE(notes.empty());
        const Loaded loaded(encoded);
        expectLoadedAs(quiz, loaded);
        EXPECT_EQ(loaded.report.contentBlockUnscrambled, scramble);
        EXPECT_EQ(loaded.report.quizUnscrambled, scramble);
        EXPECT_EQ(loaded.report.codesUnscrambled, scramble);
        EXPECT_TRUE(readBackDifferences(quiz, encoded).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(PackAllModes, PackEncodeModes, ::testing::Combine(::testing::Range(0, 8), ::testing::Bool()));

TEST(PackEncode, TheQuizResourceKeyStartsWhereTheContentBlockKeyEnded) {
    const QuizContent quiz = sampleQuiz(1, 1, true);
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    ASSERT_TRUE(encoded.contentBlockScrambled && encoded.quizScrambled && encoded.codesScrambled);
    // 69 scrambled bytes of a 21-byte key end on key position 6.
    EXPECT_EQ(encoded.quizKeyStart, 6);
    Bytes contentBlock = coded(expandedContentBlock(quiz));
    contentBlock.resize(storedContentBlockSize, 0);
    EXPECT_EQ(Bytes(encoded.contentBlock.begin(), encoded.contentBlock.end()), scrambledFrom(contentBlock, 0));
    EXPECT_EQ(encoded.quizResource, scrambledFrom(coded(expandedQuizResource(quiz)), 6));
    EXPECT_EQ(encoded.codesResource, scrambledFrom(coded(expandedCodes(quiz)), 0));
    EXPECT_EQ(Loaded(encoded).report.quizKeyStart, 6);
}

// The loader takes any content that expands as stored as it is. Scrambled
// codes can: a first line whose second character is "E" scrambles into the
// end code right after the first byte.
TEST(PackEncodeFallback, CodesThatExpandScrambledAreStoredPlain) {
    QuizContent quiz = sampleQuiz(1, 1, true);
    quiz.codes = {"LE CODE", "DEUX"};
    const Bytes codes = coded(expandedCodes(quiz));
    ASSERT_TRUE(expandsAsStored(scrambledFrom(codes, 0)));

    std::vector<std::string> notes;
    const EncodedQuiz encoded = encodeQuiz(quiz, &notes);
    EXPECT_TRUE(encoded.contentBlockScrambled);
    EXPECT_TRUE(encoded.quizScrambled);
    EXPECT_EQ(encoded.quizKeyStart, 6);
    EXPECT_FALSE(encoded.codesScrambled);
    EXPECT_EQ(encoded.codesResource, codes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("codes resource"), std::string::npos) << notes[0];
    expectLoadedAs(quiz, Loaded(encoded));
    EXPECT_TRUE(readBackDifferences(quiz, encoded).empty());

    // What the fallback prevents: stored scrambled anyway, the loader would
    // take the codes as they are, and the read-back check sees it.
    EncodedQuiz scrambledAnyway = encoded;
    scrambledAnyway.codesResource = scrambledFrom(codes, 0);
    scrambledAnyway.codesScrambled = true;
    const Loaded loaded(scrambledAnyway);
    EXPECT_FALSE(loaded.report.codesUnscrambled);
    EXPECT_STRNE(loaded.state->codes[0], "LE CODE");
    EXPECT_FALSE(readBackDifferences(quiz, scrambledAnyway).empty());
}

TEST(PackReadBack, ReportsTheFieldsThatDifferAndTheLoadersMessages) {
    const QuizContent quiz = sampleQuiz(1, 1, true);
    EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    QuizContent other = quiz;
    other.questions[1].hint = "Autre indice";
    other.codes[0] = "Z9";
    const std::vector<std::string> differences = readBackDifferences(other, encoded);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].rfind("question 2, hint:", 0), 0u) << differences[0];
    EXPECT_EQ(differences[1].rfind("code 1:", 0), 0u) << differences[1];

    encoded.codesResource.clear();
    const std::vector<std::string> failed = readBackDifferences(quiz, encoded);
    ASSERT_FALSE(failed.empty());
    EXPECT_NE(failed[0].find("Erreur dans le d\xC3\xA9" "cryptage des codes"), std::string::npos) << failed[0];
}

TEST(PackRcOutput, ScriptMediaAndDepfile) {
    // Pictures are stored with their half-bytes exchanged; PNGs and clips as they are.
    EXPECT_EQ(storedMediaBytes({401, MediaStorage::pictureSwapped, {0x1F, 0x00, 0xFF, 0xD8}, {}}),
              Bytes({0xF1, 0x00, 0xFF, 0x8D}));
    EXPECT_EQ(storedMediaBytes({402, MediaStorage::pngRawData, {0x89, 'P', 'N', 'G'}, {}}), bytesOf("\x89PNG"));
    EXPECT_EQ(storedMediaBytes({403, MediaStorage::clipPlain, {'R', 'I', 'F', 'F'}, {}}), bytesOf("RIFF"));

    QuizContent quiz = sampleQuiz(1, 2, true);
    quiz.media = {{401, MediaStorage::pictureSwapped, {1}, {}},
                  {10401, MediaStorage::pngRawData, {2}, {}},
                  {402, MediaStorage::clipPlain, {3}, {}}};
    EXPECT_EQ(resourceScript(quiz, "quiz.toml"),
              "// Quiz resources written by vyrla-pack from quiz.toml.\n"
              "104 PATCH \"patch104.bin\"\n"
              "105 PATCH \"patch105.bin\"\n"
              "401 IMG \"img401.bin\"\n"
              "10401 RCDATA \"img10401.bin\"\n"
              "402 IMG \"img402.bin\"\n");
    EXPECT_EQ(depfilePath(fs::path("/a b/c#d$e.jpg")), "/a\\ b/c\\#d$$e.jpg");
    EXPECT_EQ(depfile(fs::path("/out/quiz.rc"), {fs::path("/q/quiz.toml"), fs::path("/q/my pics/1.jpg")}),
              "/out/quiz.rc: \\\n  /q/quiz.toml \\\n  /q/my\\ pics/1.jpg\n");
}

QuizContent loadFixture(const fs::path& quizFile) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_TRUE(loadQuizSource(quizFile, "quiz.toml", &source, &content, &diagnostics)) << quizFile;
    return content;
}

TEST(PackRcOutput, PictureQuizFixtureGivesEveryFile) {
    const fs::path quizFile = fs::absolute(fs::path(VYRLA_TEST_DATA) / "picture_quiz" / "quiz.toml").lexically_normal();
    const QuizContent content = loadFixture(quizFile);
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    EXPECT_TRUE(readBackDifferences(content, encoded).empty());

    const fs::path outputDir = fs::temp_directory_path() /
                               ("vyrla-pack-rc-" + std::to_string(std::random_device()())) / "nested" / "out dir";
    const std::vector<OutputFile> files = rcOutputFiles(content, encoded, outputDir, quizFile);
    std::vector<std::string> names;
    for (const OutputFile& file : files) {
        names.push_back(file.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"content.bin", "patch104.bin", "patch105.bin", "img401.bin",
                                               "img10401.bin", "img402.bin", "img403.bin", "img404.bin", "quiz.rc",
                                               "quiz.d"}));
    EXPECT_EQ(files[0].bytes.size(), storedContentBlockSize);
    ASSERT_GE(files[3].bytes.size(), 2u);
    EXPECT_EQ(files[3].bytes[1], 0x8D);  // the JPEG's D8, half-bytes exchanged
    EXPECT_EQ(files[4].bytes[0], 0x89);  // the PNG as it is

    const std::string depfileText(files[9].bytes.begin(), files[9].bytes.end());
    EXPECT_NE(depfileText.find(depfilePath(quizFile.parent_path() / "pics" / "4.png")), std::string::npos);

    std::string error;
    ASSERT_TRUE(writeOutputFiles(outputDir, files, &error)) << error;
    // Writing again replaces every file in full.
    ASSERT_TRUE(writeOutputFiles(outputDir, files, &error)) << error;
    EXPECT_EQ(fs::file_size(outputDir / "content.bin"), storedContentBlockSize);
    EXPECT_EQ(fs::file_size(outputDir / "img401.bin"), files[3].bytes.size());
    fs::remove_all(outputDir.parent_path().parent_path());
}

TEST(PackRcOutput, SoundQuizFixtureStoresClipsPlainAndUnscrambled) {
    const QuizContent content = loadFixture(fs::path(VYRLA_TEST_DATA) / "sound_quiz" / "quiz.toml");
    EXPECT_FALSE(content.scramble);
    ASSERT_EQ(content.media.size(), 2u);
    EXPECT_EQ(content.media[1].id, 402);
    EXPECT_EQ(content.media[1].storage, MediaStorage::clipPlain);
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    EXPECT_FALSE(encoded.quizScrambled);
    expectLoadedAs(content, Loaded(encoded));
}

}  // namespace
