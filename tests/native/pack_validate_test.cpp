// Every check of the quiz source, one failure class per test. Each test writes
// a small quiz.toml into a folder of its own and asserts the message's file,
// line and field.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "quiz_source.h"

namespace {

namespace fs = std::filesystem;

// Lines joined with LF, so that a test reads its line numbers off the list.
std::string lines(std::initializer_list<std::string> list) {
    std::string text;
    for (const std::string& line : list) {
        text += line + "\n";
    }
    return text;
}

std::string repeated(const std::string& piece, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

class PackValidate : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::random_device random;
        dir_ = fs::temp_directory_path() /
               ("vyrla-pack-validate-" + std::string(info->name()) + "-" + std::to_string(random()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void writeFile(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / fs::u8path(name);
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }

    // Every message for `toml`, formatted as the packer prints them.
    std::vector<std::string> errorsOf(const std::string& toml) {
        writeFile("quiz.toml", toml);
        QuizSource source;
        content_ = QuizContent{};
        Diagnostics diagnostics;
        const bool ok = loadQuizSource(dir_ / "quiz.toml", "quiz.toml", &source, &content_, &diagnostics);
        const std::vector<std::string> formatted = diagnostics.formatted();
        EXPECT_EQ(ok, formatted.empty());
        return formatted;
    }

    // Exactly one message, starting with `where` ("quiz.toml:LINE: FIELD:")
    // and containing `what`.
    void expectOneError(const std::string& toml, const std::string& where, const std::string& what) {
        const std::vector<std::string> errors = errorsOf(toml);
        ASSERT_EQ(errors.size(), 1u) << describe(errors);
        EXPECT_EQ(errors[0].rfind(where, 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(what), std::string::npos) << errors[0];
    }

    void expectNoError(const std::string& toml) {
        const std::vector<std::string> errors = errorsOf(toml);
        EXPECT_TRUE(errors.empty()) << describe(errors);
    }

    static std::string describe(const std::vector<std::string>& errors) {
        std::string text = std::to_string(errors.size()) + " messages:";
        for (const std::string& error : errors) {
            text += "\n  " + error;
        }
        return text;
    }

    fs::path dir_;
    QuizContent content_;
};

// A text quiz with one question; the question's keys start on line 4.
std::string textQuiz(std::initializer_list<std::string> header, std::initializer_list<std::string> question) {
    std::string text = lines({R"(kind = "text")", R"(title = "Capitales")"});
    text += lines(header);
    text += "[[question]]\n";
    text += lines(question);
    return text;
}

const std::string minimalPng = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(20, '\0');
const std::string minimalJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(20, '\0');

// ---------------------------------------------------------------- valid

TEST_F(PackValidate, MinimalTextQuizPasses) {
    expectNoError(textQuiz({}, {R"(prompt = "Capitale de la France")", R"(answer = "Paris")"}));
    ASSERT_EQ(content_.questions.size(), 1u);
    EXPECT_EQ(content_.questions[0].answer, "Paris");
    EXPECT_EQ(content_.kind, 0);
    EXPECT_TRUE(content_.scramble);
}

TEST_F(PackValidate, TheDemoQuizPasses) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    const fs::path demo = fs::path(VYRLA_TEST_DATA) / ".." / ".." / ".." / "quizzes" / "demo" / "quiz.toml";
    EXPECT_TRUE(loadQuizSource(demo, "quiz.toml", &source, &content, &diagnostics))
        << describe(diagnostics.formatted());
    EXPECT_GE(content.questions.size(), 8u);
    EXPECT_LE(content.questions.size(), 12u);
}

TEST_F(PackValidate, WindowsCharactersConvertToTheirSingleBytes) {
    expectNoError(textQuiz({R"(author = "Cœur & € ‘guillemets’")"}, {R"(prompt = "Où ?")", R"(answer = "Élève")"}));
    EXPECT_EQ(content_.author, "C\x9C" "ur & \x80 \x91guillemets\x92");
    EXPECT_EQ(content_.questions[0].answer, "\xC9l\xE8ve");
}

// ---------------------------------------------------------------- reading

TEST_F(PackValidate, UnreadableFileIsReportedWithoutLine) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_FALSE(loadQuizSource(dir_ / "absent.toml", "absent.toml", &source, &content, &diagnostics));
    ASSERT_EQ(diagnostics.formatted().size(), 1u);
    EXPECT_EQ(diagnostics.formatted()[0], "absent.toml: cannot be read");
}

TEST_F(PackValidate, SyntaxErrorNamesItsLine) {
    expectOneError(lines({R"(kind = "text")", R"(title = "x")", R"(mode = = 3)"}), "quiz.toml:3: ",
                   "not valid TOML");
}

TEST_F(PackValidate, UnknownTopLevelKeyIsRefusedWithSuggestion) {
    expectOneError(textQuiz({R"(colour2 = [1, 2, 3])"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: colour2: ", "unknown key (did you mean \"colour\"?)");
}

TEST_F(PackValidate, UnknownQuestionKeyIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Paris")", R"(hnit = "h")"}),
                   "quiz.toml:6: question 1, hnit: ", "unknown key (did you mean \"hint\"?)");
}

TEST_F(PackValidate, QuizKeyAfterAQuestionHeaderIsExplained) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Paris")", "mode = 3"}),
                   "quiz.toml:6: question 1, mode: ", "the quiz's own keys go before the first [[question]]");
}

TEST_F(PackValidate, StringKeyOfAnotherTypeIsRefused) {
    expectOneError(lines({R"(kind = "text")", "title = 12", "[[question]]", R"(prompt = "p")", R"(answer = "a b")"}),
                   "quiz.toml:2: title: ", "expected a string, found an integer");
}

TEST_F(PackValidate, IntegerKeyOfAnotherTypeIsRefused) {
    expectOneError(textQuiz({R"(mode = "3")"}, {R"(prompt = "p")", R"(answer = "Paris")"}), "quiz.toml:3: mode: ",
                   "expected an integer, found a string");
}

TEST_F(PackValidate, ScrambleMustBeBoolean) {
    expectOneError(textQuiz({R"(scramble = "yes")"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: scramble: ", "expected true or false");
}

TEST_F(PackValidate, CodesMustBeAnArrayOfStrings) {
    expectOneError(textQuiz({R"(codes = "A1")"}, {R"(prompt = "p")", R"(answer = "Paris")"}), "quiz.toml:3: codes: ",
                   "expected an array of strings");
}

TEST_F(PackValidate, CodeElementMustBeAString) {
    expectOneError(textQuiz({"codes = [", R"(  "A1",)", "  2,", "]"},
                            {R"(prompt = "p")", R"(answer = "Paris")", "[[question]]", R"(prompt = "q")", R"(answer = "Lyon")"}),
                   "quiz.toml:5: code 2: ", "expected a string, found an integer");
}

TEST_F(PackValidate, QuestionMustBeArrayOfTables) {
    expectOneError(lines({R"(kind = "text")", R"(title = "x")", R"(question = "Paris")"}), "quiz.toml:3: question: ",
                   "expected [[question]] tables");
}

// ---------------------------------------------------------------- kind, mode, answers, colour

TEST_F(PackValidate, KindIsRequired) {
    expectOneError(lines({R"(title = "x")", "[[question]]", R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:1: kind: ", "missing");
}

TEST_F(PackValidate, UnknownKindIsRefused) {
    expectOneError(lines({R"(kind = "pictures")", R"(title = "x")", "[[question]]", R"(answer = "Paris")"}),
                   "quiz.toml:1: kind: ", "\"pictures\" is not a kind");
}

TEST_F(PackValidate, TitleIsRequired) {
    expectOneError(lines({R"(kind = "text")", "[[question]]", R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:1: title: ", "missing");
}

TEST_F(PackValidate, ModeAboveSevenIsRefused) {
    expectOneError(textQuiz({"mode = 8"}, {R"(prompt = "p")", R"(answer = "Paris")", R"(hint = "h")"}),
                   "quiz.toml:3: mode: ", "8 is not 0 to 7");
}

TEST_F(PackValidate, NegativeModeIsRefused) {
    expectOneError(textQuiz({"mode = -1"}, {R"(prompt = "p")", R"(answer = "Paris")"}), "quiz.toml:3: mode: ",
                   "-1 is not 0 to 7");
}

TEST_F(PackValidate, AnswersOtherThanOneOrTwoAreRefused) {
    writeFile("1.png", minimalPng);
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "answers = 3", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "1.png")"}),
                   "quiz.toml:3: answers: ", "3 is not 1 or 2");
}

TEST_F(PackValidate, TwoAnswersInATextQuizAreRefused) {
    expectOneError(textQuiz({"answers = 2"}, {R"(prompt = "p")", R"(answer = "Paris")", R"(second = "France")"}),
                   "quiz.toml:3: answers: ", "a text quiz has one answer field per question");
}

TEST_F(PackValidate, ColourComponentAbove255IsRefused) {
    expectOneError(textQuiz({"colour = [51, 256, 255]"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: colour, green: ", "256 is not 0 to 255");
}

TEST_F(PackValidate, NegativeColourComponentIsRefused) {
    expectOneError(textQuiz({"colour = [", "  -1,", "  0,", "  0,", "]"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:4: colour, red: ", "-1 is not 0 to 255");
}

TEST_F(PackValidate, ColourNeedsThreeComponents) {
    expectOneError(textQuiz({"colour = [51, 102]"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: colour: ", "expected three components");
}

TEST_F(PackValidate, ColourComponentMustBeAnInteger) {
    expectOneError(textQuiz({"colour = [51, 102.5, 0]"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: colour, green: ", "expected an integer, found a floating-point number");
}

TEST_F(PackValidate, CaptionsMustBeTwo) {
    expectOneError(textQuiz({R"(captions = ["Ville"])"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: captions: ", "expected two captions");
}

// ---------------------------------------------------------------- limits of texts

TEST_F(PackValidate, TextOf259BytesPassesAnd260IsRefused) {
    expectNoError(textQuiz({R"(description = ")" + std::string(259, 'x') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}));
    expectOneError(textQuiz({R"(description = ")" + std::string(260, 'x') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: description: ", "260 bytes in Windows-1252, at most 259 fit");
}

TEST_F(PackValidate, TextLimitCountsWindowsBytesNotUtf8Bytes) {
    // 259 "é" are 518 bytes of UTF-8 but 259 stored bytes.
    expectNoError(textQuiz({}, {R"(prompt = ")" + repeated("é", 259) + "\"", R"(answer = "Paris")"}));
    expectOneError(textQuiz({}, {R"(prompt = ")" + repeated("é", 260) + "\"", R"(answer = "Paris")"}),
                   "quiz.toml:4: question 1, prompt: ", "260 bytes in Windows-1252");
}

TEST_F(PackValidate, LinkOf25CharactersIsRefused) {
    expectNoError(textQuiz({R"(link = ")" + std::string(24, 'l') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}));
    expectOneError(textQuiz({R"(link = ")" + std::string(25, 'l') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: link: ", "25 bytes in Windows-1252, at most 24 fit");
}

TEST_F(PackValidate, FooterOf40CharactersIsRefused) {
    expectNoError(textQuiz({R"(footer = ")" + std::string(39, 'f') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}));
    expectOneError(textQuiz({R"(footer = ")" + std::string(40, 'f') + "\""}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: footer: ", "40 bytes in Windows-1252, at most 39 fit");
}

TEST_F(PackValidate, CodeLineOf260BytesIsRefused) {
    expectOneError(textQuiz({R"(codes = [")" + std::string(260, 'c') + "\"]"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: code 1: ", "260 bytes");
}

TEST_F(PackValidate, LinkAndFooterThatDoNotCodeInto70BytesAreRefused) {
    // Texts with few repeats code into about 9 bits per byte: 2 + 25 + 40
    // expanded bytes need 76 coded bytes.
    const std::string link = "ABCDEFGHIJKLMNOPQRSTUVWX";
    const std::string footer = "abcdefghijklmnopqrstuvwxyz0123456789!#%";
    expectOneError(textQuiz({R"(link = ")" + link + "\"", R"(footer = ")" + footer + "\""},
                            {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: link, footer: ", "the ContentBlock holds 70");
}

// ---------------------------------------------------------------- characters

TEST_F(PackValidate, BarInATextIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "Paris|Lyon")", R"(answer = "Paris")"}),
                   "quiz.toml:4: question 1, prompt: ", "contains \"|\"");
}

TEST_F(PackValidate, BarInACodeIsRefused) {
    expectOneError(textQuiz({R"(codes = ["A|B"])"}, {R"(prompt = "p")", R"(answer = "Paris")"}), "quiz.toml:3: code 1: ",
                   "contains \"|\", which");
}

TEST_F(PackValidate, LineFeedInATextIsRefused) {
    expectOneError(textQuiz({"mode = 2"}, {R"(prompt = "p")", R"(answer = "Paris")", R"(hint = "deux\nlignes")"}),
                   "quiz.toml:7: question 1, hint: ", "contains a line break (LF) at position 5");
}

TEST_F(PackValidate, LineBreakInAnAnswerIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Pa\nris")"}), "quiz.toml:5: question 1, answer: ",
                   "contains a line break (LF) at position 3");
}

TEST_F(PackValidate, CarriageReturnInACodeIsRefused) {
    expectOneError(textQuiz({R"(codes = ["A\rB"])"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: code 1: ", "contains a line break (CR) at position 2");
}

TEST_F(PackValidate, NulCharacterIsRefused) {
    expectOneError(textQuiz({R"(author = "a\u0000b")"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: author: ", "contains a NUL character");
}

TEST_F(PackValidate, CharacterOutsideWindows1252IsNamed) {
    expectOneError(textQuiz({}, {R"x(prompt = "Capitale de la Chine (中国)")x", R"(answer = "Pékin")"}),
                   "quiz.toml:4: question 1, prompt: ",
                   "the character U+4E2D \"中\" at position 23 cannot be written in Windows-1252 (nor can 1 more character after it)");
}

TEST_F(PackValidate, CharacterBeyondTheBasicPlaneIsNamed) {
    expectOneError(textQuiz({R"(codes = ["Bravo 😀"])"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: code 1: ", "U+1F600");
}

TEST_F(PackValidate, C1ControlCharacterIsRefused) {
    // U+0081 has no Windows-1252 byte: 0x81 is undefined there.
    expectOneError(textQuiz({}, {R"(prompt = "a\u0081b")", R"(answer = "Paris")"}),
                   "quiz.toml:4: question 1, prompt: ", "U+0081");
}

// ---------------------------------------------------------------- expected answers

TEST_F(PackValidate, AnswerIsRequired) {
    expectOneError(textQuiz({}, {R"(prompt = "p")"}), "quiz.toml:3: question 1, answer: ", "missing");
}

TEST_F(PackValidate, AnswerWithLeadingSpaceIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = " Paris")"}), "quiz.toml:5: question 1, answer: ",
                   "begins or ends with a space");
}

TEST_F(PackValidate, AnswerWithTrailingSpaceIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Paris ")"}), "quiz.toml:5: question 1, answer: ",
                   "begins or ends with a space");
}

TEST_F(PackValidate, EmptyAnswerIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "")"}), "quiz.toml:5: question 1, answer: ",
                   "is empty");
}

TEST_F(PackValidate, AnswerLongerThanTheAnswerFieldIsRefused) {
    expectNoError(textQuiz({}, {R"(prompt = "p")", R"(answer = ")" + std::string(80, 'a') + "\""}));
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = ")" + std::string(81, 'a') + "\""}),
                   "quiz.toml:5: question 1, answer: ", "an answer field takes at most 80");
}

TEST_F(PackValidate, PromptIsRequiredInATextQuiz) {
    expectOneError(textQuiz({}, {R"(answer = "Paris")"}), "quiz.toml:3: question 1, prompt: ", "missing");
}

TEST_F(PackValidate, SecondAnswerWithOneAnswerFieldIsRefused) {
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Paris")", R"(second = "France")"}),
                   "quiz.toml:6: question 1, second: ", "only a quiz with answers = 2");
}

TEST_F(PackValidate, SecondAnswerIsRequiredWithTwoAnswerFields) {
    writeFile("1.png", minimalPng);
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "answers = 2", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "1.png")"}),
                   "quiz.toml:4: question 1, second: ", "missing");
}

TEST_F(PackValidate, SecondAnswerWithTrailingSpaceIsRefused) {
    writeFile("1.png", minimalPng);
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "answers = 2", "[[question]]", R"(answer = "Paris")",
                          R"(second = "France ")", R"(picture = "1.png")"}),
                   "quiz.toml:6: question 1, second: ", "begins or ends with a space");
}

TEST_F(PackValidate, HiddenSecondFieldPasses) {
    writeFile("1.png", minimalPng);
    expectNoError(lines({R"(kind = "picture")", R"(title = "x")", "answers = 2", "[[question]]", R"(answer = "Paris")",
                         R"(second = "-")", R"(picture = "1.png")"}));
    EXPECT_EQ(content_.questions[0].secondAnswer, "-");
}

// ---------------------------------------------------------------- texts by mode

TEST_F(PackValidate, HintInModeZeroIsRefused) {
    expectOneError(textQuiz({"mode = 0"}, {R"(prompt = "p")", R"(answer = "Paris")", R"(hint = "h")"}),
                   "quiz.toml:7: question 1, hint: ", "mode 0 stores no hint");
}

TEST_F(PackValidate, HintInModeFiveIsRefused) {
    expectOneError(textQuiz({"mode = 5"}, {R"(prompt = "p")", R"(answer = "Paris")", R"(hint = "h")"}),
                   "quiz.toml:7: question 1, hint: ", "mode 5 stores no hint");
}

TEST_F(PackValidate, ExtraOutsideModesThreeAndSixIsRefused) {
    for (int mode : {0, 1, 2, 4, 5, 7}) {
        SCOPED_TRACE(mode);
        expectOneError(textQuiz({"mode = " + std::to_string(mode)}, {R"(prompt = "p")", R"(answer = "Paris")", R"(extra = "e")"}),
                       "quiz.toml:7: question 1, extra: ", "only modes 3 and 6 store an extra text");
    }
}

TEST_F(PackValidate, HintAndExtraInModesThreeAndSixPass) {
    for (int mode : {3, 6}) {
        SCOPED_TRACE(mode);
        expectNoError(textQuiz({"mode = " + std::to_string(mode)},
                               {R"(prompt = "p")", R"(answer = "Paris")", R"(hint = "h")", R"(extra = "e")"}));
    }
}

// ---------------------------------------------------------------- questions and codes

TEST_F(PackValidate, QuizWithoutQuestionsIsRefused) {
    expectOneError(lines({R"(kind = "text")", R"(title = "x")"}), "quiz.toml:1: question: ", "at least one");
}

TEST_F(PackValidate, NinetySevenQuestionsAreRefused) {
    std::string toml = lines({R"(kind = "text")", R"(title = "x")"});
    for (int i = 0; i < 97; ++i) {
        toml += lines({"[[question]]", R"(prompt = "p")", R"(answer = "Paris")"});
    }
    // Question 97 starts on line 2 + 96 * 3 + 1.
    expectOneError(toml, "quiz.toml:291: question 97: ", "97 questions, at most 96 fit");
}

TEST_F(PackValidate, NinetySixQuestionsPass) {
    std::string toml = lines({R"(kind = "text")", R"(title = "x")"});
    for (int i = 0; i < 96; ++i) {
        toml += lines({"[[question]]", R"(prompt = "p")", R"(answer = "Paris")"});
    }
    expectNoError(toml);
}

TEST_F(PackValidate, MoreCodesThanQuestionsAreRefused) {
    expectOneError(textQuiz({R"(codes = ["A1", "B2"])"}, {R"(prompt = "p")", R"(answer = "Paris")"}),
                   "quiz.toml:3: codes: ", "2 codes for 1 questions");
}

TEST_F(PackValidate, QuizResourceAbove30000BytesIsRefused) {
    // 96 questions of mode 3 with three 259-byte texts each expand to about
    // 75000 bytes.
    std::string toml = lines({R"(kind = "text")", R"(title = "x")", "mode = 3"});
    const std::string text = std::string(259, 't');
    for (int i = 0; i < 96; ++i) {
        toml += lines({"[[question]]", R"(prompt = ")" + text + "\"", R"(answer = "Paris")", R"(hint = ")" + text + "\"",
                       R"(extra = ")" + text + "\""});
    }
    expectOneError(toml, "quiz.toml:4: questions: ", "at most 30000 fit");
}

TEST_F(PackValidate, QuizResourceThatCodesAbove32768BytesIsRefused) {
    // Almost 30000 bytes drawn at random from about 180 characters: LZW
    // codes them into more bytes than they are.
    std::mt19937 random(7);
    std::vector<std::string> alphabet;
    for (uint32_t c = 0x21; c < 0x7F; ++c) {
        if (c != '"' && c != '\\' && c != '|') {
            alphabet.push_back(std::string(1, static_cast<char>(c)));
        }
    }
    for (uint32_t c = 0xA1; c <= 0xFF; ++c) {
        alphabet.push_back(std::string(1, static_cast<char>(0xC0 | (c >> 6))) + static_cast<char>(0x80 | (c & 0x3F)));
    }
    const auto noise = [&](size_t length) {
        std::string text;
        for (size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        return text;
    };
    std::string toml = lines({R"(kind = "text")", R"(title = "x")", "mode = 1"});
    for (int i = 0; i < 96; ++i) {
        toml += lines({"[[question]]", R"(prompt = ")" + noise(150) + "\"", R"(answer = "Paris")",
                       R"(hint = ")" + noise(150) + "\""});
    }
    expectOneError(toml, "quiz.toml:4: questions: ", "the quiz codes into");
}

// ---------------------------------------------------------------- pictures and clips

TEST_F(PackValidate, PictureInATextQuizIsRefused) {
    writeFile("1.png", minimalPng);
    expectOneError(textQuiz({}, {R"(prompt = "p")", R"(answer = "Paris")", R"(picture = "1.png")"}),
                   "quiz.toml:6: question 1, picture: ", "only picture quizzes have pictures");
}

TEST_F(PackValidate, SolvedPictureInASoundQuizIsRefused) {
    writeFile("1.wav", "RIFF....WAVE");
    writeFile("1.png", minimalPng);
    expectOneError(lines({R"(kind = "sound")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(clip = "1.wav")", R"(solved_picture = "1.png")"}),
                   "quiz.toml:6: question 1, solved_picture: ", "only picture quizzes have pictures");
}

TEST_F(PackValidate, ClipInAPictureQuizIsRefused) {
    writeFile("1.png", minimalPng);
    writeFile("1.wav", "RIFF....WAVE");
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "1.png")", R"(clip = "1.wav")"}),
                   "quiz.toml:6: question 1, clip: ", "only sound and video quizzes have clips");
}

TEST_F(PackValidate, PictureIsRequiredInAPictureQuiz) {
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")"}),
                   "quiz.toml:3: question 1, picture: ", "missing");
}

TEST_F(PackValidate, ClipIsRequiredInAVideoQuiz) {
    expectOneError(lines({R"(kind = "video")", R"(title = "x")", "[[question]]", R"(answer = "Paris")"}),
                   "quiz.toml:3: question 1, clip: ", "missing: a video quiz");
}

TEST_F(PackValidate, MissingPictureFileIsRefused) {
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "pics/absent.jpg")"}),
                   "quiz.toml:5: question 1, picture: ", "\"pics/absent.jpg\" not found");
}

TEST_F(PackValidate, PictureThatIsAFolderIsRefused) {
    fs::create_directories(dir_ / "pics");
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "pics")"}),
                   "quiz.toml:5: question 1, picture: ", "is not a file");
}

TEST_F(PackValidate, MissingClipFileIsRefused) {
    expectOneError(lines({R"(kind = "sound")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(clip = "clips/absent.wav")"}),
                   "quiz.toml:5: question 1, clip: ", "\"clips/absent.wav\" not found");
}

TEST_F(PackValidate, EmptyClipFileIsRefused) {
    writeFile("1.wav", "");
    expectOneError(lines({R"(kind = "sound")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(clip = "1.wav")"}),
                   "quiz.toml:5: question 1, clip: ", "is empty");
}

TEST_F(PackValidate, FileThatIsNoPictureIsRefused) {
    writeFile("1.jpg", "This is a text file, not a picture.");
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "1.jpg")"}),
                   "quiz.toml:5: question 1, picture: ", "is not a BMP, JPEG, GIF or PNG picture");
}

TEST_F(PackValidate, SolvedPictureIsCheckedLikeAPicture) {
    writeFile("1.png", minimalPng);
    writeFile("1b.tif", "II*\0");
    expectOneError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                          R"(picture = "1.png")", R"(solved_picture = "1b.tif")"}),
                   "quiz.toml:6: question 1, solved_picture: ", "is not a BMP, JPEG, GIF or PNG picture");
}

TEST_F(PackValidate, PicturePathsMayHoldAccents) {
    writeFile("images/élève.jpg", minimalJpeg);
    expectNoError(lines({R"(kind = "picture")", R"(title = "x")", "[[question]]", R"(answer = "Paris")",
                         R"(picture = "images/élève.jpg")"}));
    ASSERT_EQ(content_.media.size(), 1u);
    EXPECT_EQ(content_.media[0].id, 401);
    EXPECT_EQ(content_.media[0].storage, MediaStorage::pictureSwapped);
}

TEST_F(PackValidate, PicturesAreRecognisedByTheirFirstBytes) {
    EXPECT_EQ(pictureFormat({'B', 'M', 0, 0}), PictureFormat::bmp);
    EXPECT_EQ(pictureFormat({0xFF, 0xD8, 0xFF, 0xE1}), PictureFormat::jpeg);
    EXPECT_EQ(pictureFormat({'G', 'I', 'F', '8', '7', 'a'}), PictureFormat::gif);
    EXPECT_EQ(pictureFormat({'G', 'I', 'F', '8', '9', 'a'}), PictureFormat::gif);
    EXPECT_EQ(pictureFormat({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), PictureFormat::png);
    EXPECT_EQ(pictureFormat({'G', 'I', 'F', '9', '0', 'a'}), PictureFormat::unknown);
    EXPECT_EQ(pictureFormat({0x89, 'P', 'N', 'G'}), PictureFormat::unknown);
    EXPECT_EQ(pictureFormat({'B'}), PictureFormat::unknown);
    EXPECT_EQ(pictureFormat({}), PictureFormat::unknown);
}

// ---------------------------------------------------------------- all at once

TEST_F(PackValidate, EveryErrorIsReportedInLineOrder) {
    const std::vector<std::string> errors = errorsOf(lines({
        R"(kind = "text")",         // 1
        R"(title = "x")",           // 2
        "mode = 9",                 // 3
        R"(codes = ["A", "B|C"])",  // 4
        "[[question]]",             // 5
        R"(prompt = "p")",          // 6
        R"(answer = "Paris ")",     // 7
        "[[question]]",             // 8
        R"(answer = "Lyon")",       // 9
        R"(color = 3)",             // 10
    }));
    ASSERT_EQ(errors.size(), 5u) << describe(errors);
    EXPECT_EQ(errors[0].rfind("quiz.toml:3: mode: ", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind("quiz.toml:4: code 2: ", 0), 0u) << errors[1];
    EXPECT_EQ(errors[2].rfind("quiz.toml:7: question 1, answer: ", 0), 0u) << errors[2];
    EXPECT_EQ(errors[3].rfind("quiz.toml:8: question 2, prompt: ", 0), 0u) << errors[3];
    EXPECT_EQ(errors[4].rfind("quiz.toml:10: question 2, color: unknown key", 0), 0u) << errors[4];
}

}  // namespace
