// The packer's output read back through the player's own loader: every field,
// scrambled and plain, every answer mode, the key positions, and the fallback
// to plain storage when scrambled bytes would expand as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lzw_compress.h"
#include "lzw_expand.h"
#include "messages.h"
#include "quiz_encode.h"
#include "quiz_loader.h"
#include "quiz_source.h"
#include "quiz_state.h"
#include "quiz_texts.h"
#include "rc_output.h"
#include "scramble.h"
#include "windows1252.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

bool expandsAsStored(const uint8_t* bytes, size_t length) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(bytes, length, &block, &reported);
    if (block) {
        lzwFree(block);
    }
    return result == lzwOk;
}

Bytes scrambledFrom(Bytes bytes, int keyPosition) {
    scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    return bytes;
}

// A quiz with distinct texts in every field, so that a text read into the
// wrong field shows. Windows-1252: "\xE9" é, "\x9C" œ, "\x80" €.
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

// A QuizState filled by the loader from stored contents, with the loader's
// messages recorded.
std::vector<std::string> loaderMessages;

void recordLoaderMessage(const char* text, const char*, unsigned) {
    loaderMessages.push_back(text);
}

struct Loaded {
    explicit Loaded(const EncodedQuiz& encoded) : state(new QuizState) {
        setQuizDefaults(state.get());
        loaderMessages.clear();
        const MessageSink previous = setMessageSink(recordLoaderMessage);
        report = loadQuizContents(state.get(), storedContents(encoded));
        setMessageSink(previous);
        messages = loaderMessages;
    }
    ~Loaded() { freeQuestionList(state.get()); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    std::unique_ptr<QuizState> state;
    LoadReport report{};
    std::vector<std::string> messages;
};

// Compares the loaded state with the quiz field by field, written out here
// rather than through readBackDifferences, so that the two check each other.
void expectLoadedAs(const QuizContent& quiz, const Loaded& loaded) {
    EXPECT_TRUE(loaded.messages.empty()) << loaded.messages.front();
    ASSERT_EQ(loaded.report.outcome, LoadOutcome::loaded);
    const QuizState& state = *loaded.state;
    EXPECT_STREQ(state.linkText, quiz.link.c_str());
    EXPECT_STREQ(state.footerText, quiz.footer.c_str());
    EXPECT_EQ(state.kind, quiz.kind);
    EXPECT_EQ(state.questionCount, static_cast<int>(quiz.questions.size()));
    EXPECT_EQ(state.answersPerQuestion, quiz.answersPerQuestion);
    EXPECT_STREQ(state.title, quiz.title.c_str());
    EXPECT_STREQ(state.author, quiz.author.c_str());
    EXPECT_STREQ(state.description, quiz.description.c_str());
    EXPECT_STREQ(state.answerCaption1, quiz.caption1.c_str());
    EXPECT_STREQ(state.answerCaption2, quiz.caption2.c_str());
    EXPECT_EQ(state.answerMode, quiz.answerMode);
    EXPECT_EQ(state.red, quiz.red);
    EXPECT_EQ(state.green, quiz.green);
    EXPECT_EQ(state.blue, quiz.blue);
    const bool hasHints = quiz.answerMode != 0 && quiz.answerMode != 5;
    const QuestionNode* node = state.head;
    for (size_t i = 0; i < quiz.questions.size(); ++i) {
        SCOPED_TRACE("question " + std::to_string(i + 1));
        ASSERT_NE(node, nullptr);
        EXPECT_STREQ(node->answer, quiz.questions[i].answer.c_str());
        EXPECT_STREQ(node->secondAnswer, quiz.answersPerQuestion == 2 ? quiz.questions[i].secondAnswer.c_str() : "");
        EXPECT_STREQ(node->prompt, quiz.questions[i].prompt.c_str());
        EXPECT_STREQ(node->hint, hasHints ? quiz.questions[i].hint.c_str() : "");
        node = node->next;
    }
    EXPECT_EQ(node, nullptr);
    for (size_t i = 0; i < quiz.questions.size(); ++i) {
        EXPECT_STREQ(state.codes[i], i < quiz.codes.size() ? quiz.codes[i].c_str() : "") << "code " << i + 1;
    }
}

// ---------------------------------------------------------------- Windows-1252

TEST(PackWindows1252, HighCharactersMapToTheirBytes) {
    const std::string utf8 = "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ";
    const std::string expected = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97"
                                 "\x98\x99\x9A\x9B\x9C\x9E\x9F";
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252(utf8, &unmappable), expected);
    EXPECT_TRUE(unmappable.empty());
    EXPECT_EQ(windows1252ToUtf8(expected), utf8);
}

TEST(PackWindows1252, AsciiAndLatin1MapToThemselves) {
    std::string utf8;
    std::string expected;
    for (uint32_t c = 1; c <= 0xFF; ++c) {
        if (c >= 0x80 && c <= 0x9F) {
            continue;
        }
        utf8 += utf8FromCodePoint(c);
        expected.push_back(static_cast<char>(c));
    }
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252(utf8, &unmappable), expected);
    EXPECT_TRUE(unmappable.empty());
    EXPECT_EQ(windows1252ToUtf8(expected), utf8);
}

TEST(PackWindows1252, CharactersWithoutAByteAreListedWithTheirPosition) {
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252("Pékin 北京 \xC2\x81", &unmappable), "P\xE9kin ?? ?");
    ASSERT_EQ(unmappable.size(), 3u);
    EXPECT_EQ(unmappable[0].codePoint, 0x5317u);
    EXPECT_EQ(unmappable[0].position, 7u);
    EXPECT_EQ(unmappable[1].codePoint, 0x4EACu);
    EXPECT_EQ(unmappable[1].position, 8u);
    EXPECT_EQ(unmappable[2].codePoint, 0x81u);  // a C1 control: 0x81 is undefined
    EXPECT_EQ(codePointName(0x4EAC), "U+4EAC");
    EXPECT_EQ(codePointName(0x1F600), "U+1F600");
}

TEST(PackWindows1252, BrokenUtf8IsReportedNotGuessed) {
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252("a\xC3", &unmappable), "a?");
    EXPECT_EQ(utf8ToWindows1252("\xC0\xAF", &unmappable), "??");  // overlong "/"
    EXPECT_EQ(utf8ToWindows1252("\xED\xA0\x80", &unmappable), "???");  // a surrogate
    ASSERT_EQ(unmappable.size(), 6u);
    EXPECT_EQ(unmappable[0].codePoint, 0xFFFDu);
}

TEST(PackWindows1252, UndefinedBytesReadBackAsReplacement) {
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

// ---------------------------------------------------------------- expanded bytes

TEST(PackExpanded, ContentBlockHoldsLinkAndFooterFromByteTwo) {
    QuizContent quiz = sampleQuiz(0, 1, true);
    quiz.link = "L";
    quiz.footer = "F\x80";
    EXPECT_EQ(expandedContentBlock(quiz), bytesOf("VYL|F\x80|"));
}

TEST(PackExpanded, QuizResourceInModeThreeCarriesTwoTextsPerQuestion) {
    QuizContent quiz;
    quiz.kind = kindSound;
    quiz.answersPerQuestion = 1;
    quiz.answerMode = 3;
    quiz.red = 10;
    quiz.green = 20;
    quiz.blue = 30;
    quiz.title = "T";
    quiz.author = "A";
    quiz.description = "D";
    quiz.caption1 = "C1";
    quiz.caption2 = "";
    quiz.questions = {{"a1", "ignored", "p1", "h1", "x1"}, {"a2", "", "p2", "h2", "x2"}};
    Bytes expected = {0, 3, 2, 1};
    const Bytes texts = bytesOf("T|A|D|C1||a1|p1|a2|p2|");
    expected.insert(expected.end(), texts.begin(), texts.end());
    expected.push_back(3);
    const Bytes hints = bytesOf("h1|x1|h2|x2|");
    expected.insert(expected.end(), hints.begin(), hints.end());
    expected.insert(expected.end(), {10, 20, 30});
    EXPECT_EQ(expandedQuizResource(quiz), expected);
}

TEST(PackExpanded, ModesZeroAndFivePutTheColourRightAfterTheModeByte) {
    for (int mode : {0, 5}) {
        QuizContent quiz = sampleQuiz(mode, 1, true);
        const Bytes bytes = expandedQuizResource(quiz);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[bytes.size() - 4], mode);
        EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), Bytes({10, 20, 30}));
    }
}

TEST(PackExpanded, TwoAnswerFieldsStoreTheSecondBetweenAnswerAndPrompt) {
    QuizContent quiz = sampleQuiz(0, 2, true);
    quiz.questions.resize(1);
    const Bytes bytes = expandedQuizResource(quiz);
    EXPECT_EQ(bytes[3], 2);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("|Paris|France|Capitale de la France|"), std::string::npos);
}

TEST(PackExpanded, CodesHaveOneLinePerQuestion) {
    QuizContent quiz = sampleQuiz(0, 1, true);
    EXPECT_EQ(expandedCodes(quiz), bytesOf("A1\r\nB2\r\n\r\n"));
}

// ---------------------------------------------------------------- read back

class PackEncodeModes : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(PackEncodeModes, EveryFieldReadsBackThroughTheLoader) {
    const auto [mode, scramble] = GetParam();
    const QuizContent quiz = sampleQuiz(mode, 1, scramble);
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

INSTANTIATE_TEST_SUITE_P(PackAllModes, PackEncodeModes,
                         ::testing::Combine(::testing::Range(0, 8), ::testing::Bool()));

TEST(PackEncode, TwoAnswerFieldsReadBack) {
    for (bool scramble : {true, false}) {
        SCOPED_TRACE(scramble);
        const QuizContent quiz = sampleQuiz(2, 2, scramble);
        const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
        const Loaded loaded(encoded);
        expectLoadedAs(quiz, loaded);
        EXPECT_STREQ(loaded.state->head->secondAnswer, "France");
        EXPECT_TRUE(readBackDifferences(quiz, encoded).empty());
    }
}

TEST(PackEncode, WindowsCharactersSurviveFromTheSourceToTheLoadedQuiz) {
    const fs::path dir = fs::temp_directory_path() / ("vyrla-pack-encode-" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
    {
        std::ofstream out(dir / "quiz.toml", std::ios::binary);
        out << "kind = \"text\"\ntitle = \"Œuvres à 5 €\"\nfooter = \"Cœur\"\nmode = 2\n"
               "[[question]]\nprompt = \"L'élève\"\nanswer = \"Méditerranée\"\nhint = \"Mer — pas océan\"\n";
    }
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    ASSERT_TRUE(loadQuizSource(dir / "quiz.toml", "quiz.toml", &source, &content, &diagnostics));
    fs::remove_all(dir);
    const Loaded loaded(encodeQuiz(content, nullptr));
    ASSERT_EQ(loaded.report.outcome, LoadOutcome::loaded);
    EXPECT_STREQ(loaded.state->title, "\x8Cuvres \xE0 5 \x80");
    EXPECT_STREQ(loaded.state->footerText, "C\x9Cur");
    EXPECT_STREQ(loaded.state->head->prompt, "L'\xE9l\xE8ve");
    EXPECT_STREQ(loaded.state->head->answer, "M\xE9" "diterran\xE9" "e");
    EXPECT_STREQ(loaded.state->head->hint, "Mer \x97 pas oc\xE9" "an");
}

TEST(PackEncode, ScrambledQuizResourceStartsWhereTheContentBlockKeyEnded) {
    const QuizContent quiz = sampleQuiz(1, 1, true);
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    ASSERT_TRUE(encoded.contentBlockScrambled);
    ASSERT_TRUE(encoded.quizScrambled);
    // 69 scrambled bytes of a 21-byte key end on key position 6.
    EXPECT_EQ(encoded.quizKeyStart, 69 % contentKeyLength);
    EXPECT_EQ(encoded.quizKeyStart, 6);

    Bytes contentBlock = lzwCompress(expandedContentBlock(quiz).data(), expandedContentBlock(quiz).size());
    contentBlock.resize(storedContentBlockSize, 0);
    EXPECT_EQ(Bytes(encoded.contentBlock.begin(), encoded.contentBlock.end()), scrambledFrom(contentBlock, 0));
    const Bytes quizBytes = expandedQuizResource(quiz);
    EXPECT_EQ(encoded.quizResource, scrambledFrom(lzwCompress(quizBytes.data(), quizBytes.size()), 6));
    const Bytes codeBytes = expandedCodes(quiz);
    EXPECT_EQ(encoded.codesResource, scrambledFrom(lzwCompress(codeBytes.data(), codeBytes.size()), 0));

    const Loaded loaded(encoded);
    EXPECT_EQ(loaded.report.quizKeyStart, 6);
}

TEST(PackEncode, PlainContentsAreTheCodeAsItIs) {
    const QuizContent quiz = sampleQuiz(4, 1, false);
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    EXPECT_FALSE(encoded.contentBlockScrambled);
    EXPECT_FALSE(encoded.quizScrambled);
    EXPECT_FALSE(encoded.codesScrambled);
    EXPECT_EQ(encoded.quizKeyStart, 0);
    const Bytes quizBytes = expandedQuizResource(quiz);
    EXPECT_EQ(encoded.quizResource, lzwCompress(quizBytes.data(), quizBytes.size()));
    EXPECT_TRUE(expandsAsStored(encoded.contentBlock.data(), encoded.contentBlock.size()));
}

TEST(PackEncode, ContentBlockIsPaddedWithZerosTo70Bytes) {
    QuizContent quiz = sampleQuiz(0, 1, false);
    quiz.link = "";
    quiz.footer = "";
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    const Bytes code = lzwCompress(expandedContentBlock(quiz).data(), expandedContentBlock(quiz).size());
    ASSERT_LT(code.size(), storedContentBlockSize);
    EXPECT_TRUE(std::equal(code.begin(), code.end(), encoded.contentBlock.begin()));
    for (size_t i = code.size(); i < storedContentBlockSize; ++i) {
        EXPECT_EQ(encoded.contentBlock[i], 0) << i;
    }
}

// ---------------------------------------------------------------- scrambled bytes that expand as stored

// The loader takes any content that expands as stored as it is. For the
// ContentBlock and the quiz resource the first two codes make that impossible
// under this key: the second 9-bit code is made of the low bits of byte 1 and
// the top bits of byte 2, and for "VY" (ContentBlock) or the small QuizKind
// byte after the zero byte (quiz resource) the key bytes turn it into a code
// above 259 before any dictionary entry exists, which never expands. The
// codes resource has no such prefix: a first line whose second character is
// "E" scrambles into the end code right after the first byte.

Bytes codedContentBlock(const QuizContent& quiz) {
    Bytes code = lzwCompress(expandedContentBlock(quiz).data(), expandedContentBlock(quiz).size());
    code.resize(storedContentBlockSize, 0);
    return code;
}

TEST(PackEncodeFallback, ScrambledContentBlockNeverExpandsAsStored) {
    std::mt19937 random(11);
    QuizContent quiz = sampleQuiz(1, 1, true);
    for (int attempt = 0; attempt < 500; ++attempt) {
        quiz.link = std::string(1 + random() % 24, static_cast<char>('!' + random() % 90));
        quiz.link[0] = static_cast<char>(0x20 + random() % 0x5C);
        quiz.footer = std::to_string(random());
        const Bytes scrambled = scrambledFrom(codedContentBlock(quiz), 0);
        ASSERT_FALSE(expandsAsStored(scrambled.data(), scrambled.size())) << quiz.link << " / " << quiz.footer;
    }
}

TEST(PackEncodeFallback, ScrambledQuizResourceNeverExpandsAsStored) {
    QuizContent quiz = sampleQuiz(1, 1, true);
    const std::vector<QuestionContent> questions = quiz.questions;
    for (int kind = 0; kind < 4; ++kind) {
        for (int answers = 1; answers <= 2; ++answers) {
            for (int count = 1; count <= 96; ++count) {
                quiz.kind = kind;
                quiz.answersPerQuestion = answers;
                quiz.questions.assign(static_cast<size_t>(count), questions[static_cast<size_t>(count) % 3]);
                const Bytes bytes = expandedQuizResource(quiz);
                const Bytes code = lzwCompress(bytes.data(), bytes.size());
                // Key start 6 after a scrambled ContentBlock, 0 after a plain one.
                for (int keyStart : {0, 6}) {
                    const Bytes scrambled = scrambledFrom(code, keyStart);
                    ASSERT_FALSE(expandsAsStored(scrambled.data(), scrambled.size()))
                        << "kind " << kind << ", answers " << answers << ", " << count << " questions, key " << keyStart;
                }
            }
        }
    }
}

TEST(PackEncodeFallback, CodesThatExpandScrambledAreStoredPlain) {
    QuizContent quiz = sampleQuiz(1, 1, true);
    quiz.codes = {"LE CODE", "DEUX"};
    const Bytes codes = expandedCodes(quiz);
    const Bytes scrambled = scrambledFrom(lzwCompress(codes.data(), codes.size()), 0);
    ASSERT_TRUE(expandsAsStored(scrambled.data(), scrambled.size()));

    std::vector<std::string> notes;
    const EncodedQuiz encoded = encodeQuiz(quiz, &notes);
    EXPECT_TRUE(encoded.contentBlockScrambled);
    EXPECT_TRUE(encoded.quizScrambled);
    EXPECT_EQ(encoded.quizKeyStart, 6);
    EXPECT_FALSE(encoded.codesScrambled);
    EXPECT_EQ(encoded.codesResource, lzwCompress(codes.data(), codes.size()));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("codes resource"), std::string::npos) << notes[0];
    const Loaded loaded(encoded);
    expectLoadedAs(quiz, loaded);
    EXPECT_TRUE(readBackDifferences(quiz, encoded).empty());
}

TEST(PackEncodeFallback, StoringCodesScrambledAnywayWouldLoadTheWrongCodes) {
    // What the fallback prevents: the loader takes the scrambled bytes as
    // they are, and the read-back check sees it.
    QuizContent quiz = sampleQuiz(1, 1, true);
    quiz.codes = {"LE CODE"};
    EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    ASSERT_FALSE(encoded.codesScrambled);
    encoded.codesResource = scrambledFrom(encoded.codesResource, 0);
    encoded.codesScrambled = true;
    const Loaded loaded(encoded);
    EXPECT_FALSE(loaded.report.codesUnscrambled);
    EXPECT_STRNE(loaded.state->codes[0], "LE CODE");
    EXPECT_FALSE(readBackDifferences(quiz, encoded).empty());
}

// ---------------------------------------------------------------- the read-back check itself

TEST(PackReadBack, ReportsAFieldThatDiffers) {
    const QuizContent quiz = sampleQuiz(1, 1, true);
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    QuizContent other = quiz;
    other.questions[1].hint = "Autre indice";
    other.codes[0] = "Z9";
    const std::vector<std::string> differences = readBackDifferences(other, encoded);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].rfind("question 2, hint:", 0), 0u) << differences[0];
    EXPECT_EQ(differences[1].rfind("code 1:", 0), 0u) << differences[1];
}

TEST(PackReadBack, ReportsTheLoadersMessages) {
    const QuizContent quiz = sampleQuiz(1, 1, true);
    EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    encoded.codesResource.clear();
    const std::vector<std::string> differences = readBackDifferences(quiz, encoded);
    ASSERT_FALSE(differences.empty());
    EXPECT_NE(differences[0].find("Erreur dans le d\xC3\xA9" "cryptage des codes"), std::string::npos)
        << differences[0];
}

// ---------------------------------------------------------------- resources and files

TEST(PackMedia, PicturesAreStoredWithTheirHalfBytesExchanged) {
    const MediaResource picture{401, MediaStorage::pictureSwapped, {0x1F, 0x00, 0xFF, 0xD8}, {}};
    EXPECT_EQ(storedMediaBytes(picture), Bytes({0xF1, 0x00, 0xFF, 0x8D}));
    const MediaResource png{402, MediaStorage::pngRawData, {0x89, 'P', 'N', 'G'}, {}};
    EXPECT_EQ(storedMediaBytes(png), Bytes({0x89, 'P', 'N', 'G'}));
    const MediaResource clip{403, MediaStorage::clipPlain, {'R', 'I', 'F', 'F'}, {}};
    EXPECT_EQ(storedMediaBytes(clip), Bytes({'R', 'I', 'F', 'F'}));
}

TEST(PackRcOutput, ScriptNamesEveryResourceByBareFileName) {
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
}

TEST(PackRcOutput, DepfileEscapesSpacesHashesAndDollars) {
    EXPECT_EQ(depfilePath(fs::path("/a b/c#d$e.jpg")), "/a\\ b/c\\#d$$e.jpg");
    EXPECT_EQ(depfile(fs::path("/out/quiz.rc"), {fs::path("/q/quiz.toml"), fs::path("/q/my pics/1.jpg")}),
              "/out/quiz.rc: \\\n  /q/quiz.toml \\\n  /q/my\\ pics/1.jpg\n");
}

TEST(PackRcOutput, PictureQuizFixtureGivesEveryFile) {
    const fs::path quizFile = fs::absolute(fs::path(VYRLA_TEST_DATA) / "picture_quiz" / "quiz.toml").lexically_normal();
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    ASSERT_TRUE(loadQuizSource(quizFile, "quiz.toml", &source, &content, &diagnostics));
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

    // The JPEG is stored with its half-bytes exchanged, the PNGs as they are.
    std::ifstream jpeg(quizFile.parent_path() / "pics" / "1.jpg", std::ios::binary);
    const Bytes jpegBytes((std::istreambuf_iterator<char>(jpeg)), std::istreambuf_iterator<char>());
    ASSERT_GE(files[3].bytes.size(), 2u);
    EXPECT_EQ(files[3].bytes.size(), jpegBytes.size());
    EXPECT_EQ(files[3].bytes[0], 0xFF);
    EXPECT_EQ(files[3].bytes[1], 0x8D);
    EXPECT_EQ(files[4].bytes[0], 0x89);

    const std::string depfileText(files[9].bytes.begin(), files[9].bytes.end());
    EXPECT_EQ(depfileText.rfind(depfilePath(outputDir / "quiz.rc") + ":", 0), 0u) << depfileText;
    EXPECT_NE(depfileText.find(depfilePath(quizFile)), std::string::npos);
    EXPECT_NE(depfileText.find(depfilePath(quizFile.parent_path() / "pics" / "4.png")), std::string::npos);

    std::string error;
    ASSERT_TRUE(writeOutputFiles(outputDir, files, &error)) << error;
    // Writing again replaces every file in full.
    ASSERT_TRUE(writeOutputFiles(outputDir, files, &error)) << error;
    EXPECT_EQ(fs::file_size(outputDir / "content.bin"), storedContentBlockSize);
    EXPECT_EQ(fs::file_size(outputDir / "img401.bin"), jpegBytes.size());
    fs::remove_all(outputDir.parent_path().parent_path());
}

TEST(PackRcOutput, SoundQuizFixtureStoresClipsPlainAndUnscrambled) {
    const fs::path quizFile = fs::absolute(fs::path(VYRLA_TEST_DATA) / "sound_quiz" / "quiz.toml");
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    ASSERT_TRUE(loadQuizSource(quizFile, "quiz.toml", &source, &content, &diagnostics));
    EXPECT_FALSE(content.scramble);
    ASSERT_EQ(content.media.size(), 2u);
    EXPECT_EQ(content.media[1].id, 402);
    EXPECT_EQ(content.media[1].storage, MediaStorage::clipPlain);
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    EXPECT_FALSE(encoded.quizScrambled);
    const Loaded loaded(encoded);
    expectLoadedAs(content, loaded);
    EXPECT_EQ(loaded.state->kind, kindSound);
}

}  // namespace
