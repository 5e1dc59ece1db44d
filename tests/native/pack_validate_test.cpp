// The checks of the quiz source: one table row per class of error, each
// asserting the message's file, line and field.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pack/source/quiz_source.h"
#include "pack/stored/windows1252.h"

namespace {

namespace fs = std::filesystem;

// Lines joined with LF, so that a case reads its line numbers off the list.
std::string lines(std::initializer_list<std::string> list) {
    std::string text;
    for (const std::string& line : list) {
        text += line + "\n";
    }
    return text;
}

const std::string paris = R"(answer = "Paris")";
const std::string prompt = R"(prompt = "p")";

// A text quiz with one question: the header lines start on line 3, the
// question's keys on line 4 + the header lines.
std::string textQuiz(std::initializer_list<std::string> header,
                     std::initializer_list<std::string> question = {prompt, paris}) {
    return lines({R"(kind = "text")", R"(title = "Capitales")"}) + lines(header) + "[[question]]\n" + lines(question);
}

// A quiz of `kind` whose one question starts on line 3 + the header lines.
std::string mediaQuiz(const std::string& kind, std::initializer_list<std::string> header,
                      std::initializer_list<std::string> question) {
    return lines({"kind = \"" + kind + "\"", R"(title = "x")"}) + lines(header) + "[[question]]\n" + paris + "\n" +
           lines(question);
}

std::string repeated(const std::string& piece, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

std::string questions(int count, std::initializer_list<std::string> question) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[[question]]\n" + lines(question);
    }
    return text;
}

using Files = std::vector<std::pair<std::string, std::string>>;
const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(20, '\0');
const Files onePng = {{"1.png", png}};

class PackValidate : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("vyrla-pack-validate-" + std::string(info->name()) + "-" + std::to_string(std::random_device()()));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Every message for `toml` beside `files`, as the packer prints them.
    std::vector<std::string> errorsOf(const std::string& toml, const Files& files = {}) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        writeFile("quiz.toml", toml);
        for (const auto& [name, bytes] : files) {
            writeFile(name, bytes);
        }
        QuizSource source;
        content_ = QuizContent{};
        Diagnostics diagnostics;
        const bool ok = loadQuizSource(dir_ / "quiz.toml", "quiz.toml", &source, &content_, &diagnostics);
        const std::vector<std::string> formatted = diagnostics.formatted();
        EXPECT_EQ(ok, formatted.empty());
        return formatted;
    }

    void writeFile(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / fs::u8path(name);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
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

struct ErrorCase {
    std::string toml;
    std::string where;  // "quiz.toml:LINE: FIELD: "
    std::string what;   // a fragment of the message
    Files files = {};
};

TEST_F(PackValidate, EachClassOfErrorNamesItsLineAndField) {
    // Almost 30000 bytes drawn from 170 characters: LZW codes them into more
    // bytes than they are.
    std::mt19937 random(7);
    const auto noise = [&random] {
        std::string text;
        for (int k = 0; k < 150; ++k) {
            const uint32_t c = 0x30 + random() % 170;
            text += c == '\\' ? "/" : utf8FromCodePoint(c > 0x7A ? c + 0xA1 - 0x7B : c);
        }
        return "\"" + text + "\"";
    };
    std::string noisyQuiz = lines({R"(kind = "text")", R"(title = "x")", "mode = 1"});
    for (int i = 0; i < 96; ++i) {
        noisyQuiz += lines({"[[question]]", "prompt = " + noise(), paris, "hint = " + noise()});
    }
    const std::string t259(259, 't');
    const ErrorCase cases[] = {
        // The TOML itself: syntax, keys and types.
        {lines({R"(kind = "text")", R"(title = "x")", "mode = = 3"}), "quiz.toml:3: ", "not valid TOML"},
        {textQuiz({"colour2 = [1, 2, 3]"}), "quiz.toml:3: colour2: ", "unknown key (did you mean \"colour\"?)"},
        {textQuiz({}, {prompt, paris, R"(hnit = "h")"}), "quiz.toml:6: question 1, hnit: ",
         "unknown key (did you mean \"hint\"?)"},
        {textQuiz({}, {prompt, paris, "mode = 3"}), "quiz.toml:6: question 1, mode: ",
         "the quiz's own keys go before the first [[question]]"},
        {lines({R"(kind = "text")", "title = 12", "[[question]]", prompt, paris}), "quiz.toml:2: title: ",
         "expected a string, found an integer"},
        {textQuiz({R"(mode = "3")"}), "quiz.toml:3: mode: ", "expected an integer, found a string"},
        {textQuiz({R"(scramble = "yes")"}), "quiz.toml:3: scramble: ", "expected true or false"},
        {textQuiz({R"(codes = "A1")"}), "quiz.toml:3: codes: ", "expected an array of strings"},
        {textQuiz({"codes = [", R"(  "A1",)", "  2,", "]"}, {prompt, paris, "[[question]]", prompt, paris}),
         "quiz.toml:5: code 2: ", "expected a string, found an integer"},
        {lines({R"(kind = "text")", R"(title = "x")", R"(question = "Paris")"}), "quiz.toml:3: question: ",
         "expected [[question]] tables"},
        // Kind, title, mode, answers, colour, captions.
        {lines({R"(title = "x")", "[[question]]", prompt, paris}), "quiz.toml:1: kind: ", "missing"},
        {lines({R"(kind = "pictures")", R"(title = "x")", "[[question]]", paris}), "quiz.toml:1: kind: ",
         "\"pictures\" is not a kind"},
        {lines({R"(kind = "text")", "[[question]]", prompt, paris}), "quiz.toml:1: title: ", "missing"},
        {textQuiz({"mode = 8"}), "quiz.toml:3: mode: ", "8 is not 0 to 7"},
        {textQuiz({"mode = -1"}), "quiz.toml:3: mode: ", "-1 is not 0 to 7"},
        {mediaQuiz("picture", {"answers = 3"}, {R"(picture = "1.png")"}), "quiz.toml:3: answers: ",
         "3 is not 1 or 2", onePng},
        {textQuiz({"answers = 2"}, {prompt, paris, R"(second = "France")"}), "quiz.toml:3: answers: ",
         "a text quiz has one answer field per question"},
        {textQuiz({"colour = [51, 256, 255]"}), "quiz.toml:3: colour, green: ", "256 is not 0 to 255"},
        {textQuiz({"colour = [", "  -1,", "  0,", "  0,", "]"}), "quiz.toml:4: colour, red: ", "-1 is not 0 to 255"},
        {textQuiz({"colour = [51, 102]"}), "quiz.toml:3: colour: ", "expected three components"},
        {textQuiz({"colour = [51, 102.5, 0]"}), "quiz.toml:3: colour, green: ",
         "expected an integer, found a floating-point number"},
        {textQuiz({R"(captions = ["Ville"])"}), "quiz.toml:3: captions: ", "expected two captions"},
        // Texts longer than their field, counted in Windows-1252 bytes.
        {textQuiz({"description = \"" + std::string(260, 'x') + "\""}), "quiz.toml:3: description: ",
         "260 bytes in Windows-1252, at most 259 fit"},
        {textQuiz({}, {"prompt = \"" + repeated("é", 260) + "\"", paris}), "quiz.toml:4: question 1, prompt: ",
         "260 bytes in Windows-1252"},
        {textQuiz({"link = \"" + std::string(25, 'l') + "\""}), "quiz.toml:3: link: ",
         "25 bytes in Windows-1252, at most 24 fit"},
        {textQuiz({"footer = \"" + std::string(40, 'f') + "\""}), "quiz.toml:3: footer: ",
         "40 bytes in Windows-1252, at most 39 fit"},
        {textQuiz({"codes = [\"" + std::string(260, 'c') + "\"]"}), "quiz.toml:3: code 1: ", "260 bytes"},
        // Texts with few repeats code into about 9 bits per byte: 2 + 25 + 40
        // expanded bytes need 76 coded bytes.
        {textQuiz({R"(link = "ABCDEFGHIJKLMNOPQRSTUVWX")", R"(footer = "abcdefghijklmnopqrstuvwxyz0123456789!#%")"}),
         "quiz.toml:3: link, footer: ", "the ContentBlock holds 70"},
        // Characters that the stored form cannot hold.
        {textQuiz({}, {R"(prompt = "Paris|Lyon")", paris}), "quiz.toml:4: question 1, prompt: ", "contains \"|\""},
        {textQuiz({R"(codes = ["A|B"])"}), "quiz.toml:3: code 1: ", "contains \"|\", which"},
        {textQuiz({"mode = 2"}, {prompt, paris, R"(hint = "deux\nlignes")"}), "quiz.toml:7: question 1, hint: ",
         "contains a line break (LF) at position 5"},
        {textQuiz({R"(codes = ["A\rB"])"}), "quiz.toml:3: code 1: ", "contains a line break (CR) at position 2"},
        {textQuiz({R"(author = "a\u0000b")"}), "quiz.toml:3: author: ", "contains a NUL character"},
        {textQuiz({}, {R"x(prompt = "Capitale de la Chine (中国)")x", R"(answer = "Pékin")"}),
         "quiz.toml:4: question 1, prompt: ",
         "the character U+4E2D \"中\" at position 23 cannot be written in Windows-1252 (nor can 1 more character "
         "after it)"},
        {textQuiz({R"(codes = ["Bravo 😀"])"}), "quiz.toml:3: code 1: ", "U+1F600"},
        // U+0081 has no Windows-1252 byte: 0x81 is undefined there.
        {textQuiz({}, {R"(prompt = "a\u0081b")", paris}), "quiz.toml:4: question 1, prompt: ", "U+0081"},
        // Expected answers.
        {textQuiz({}, {prompt}), "quiz.toml:3: question 1, answer: ", "missing"},
        {textQuiz({}, {prompt, R"(answer = "Paris ")"}), "quiz.toml:5: question 1, answer: ",
         "begins or ends with a space"},
        {textQuiz({}, {prompt, R"(answer = "")"}), "quiz.toml:5: question 1, answer: ", "is empty"},
        {textQuiz({}, {prompt, "answer = \"" + std::string(81, 'a') + "\""}), "quiz.toml:5: question 1, answer: ",
         "an answer field takes at most 80"},
        {textQuiz({}, {paris}), "quiz.toml:3: question 1, prompt: ", "missing"},
        {textQuiz({}, {prompt, paris, R"(second = "France")"}), "quiz.toml:6: question 1, second: ",
         "only a quiz with answers = 2"},
        {mediaQuiz("picture", {"answers = 2"}, {R"(picture = "1.png")"}), "quiz.toml:4: question 1, second: ",
         "missing", onePng},
        {mediaQuiz("picture", {"answers = 2"}, {R"(second = "France ")", R"(picture = "1.png")"}),
         "quiz.toml:6: question 1, second: ", "begins or ends with a space", onePng},
        // Texts that the mode does not store.
        {textQuiz({"mode = 5"}, {prompt, paris, R"(hint = "h")"}), "quiz.toml:7: question 1, hint: ",
         "mode 5 stores no hint"},
        {textQuiz({"mode = 7"}, {prompt, paris, R"(extra = "e")"}), "quiz.toml:7: question 1, extra: ",
         "only modes 3 and 6 store an extra text"},
        // Questions, codes and the size of the stored quiz.
        {lines({R"(kind = "text")", R"(title = "x")"}), "quiz.toml:1: question: ", "at least one"},
        // Question 97 starts on line 2 + 96 * 3 + 1.
        {lines({R"(kind = "text")", R"(title = "x")"}) + questions(97, {prompt, paris}),
         "quiz.toml:291: question 97: ", "97 questions, at most 96 fit"},
        {textQuiz({R"(codes = ["A1", "B2"])"}), "quiz.toml:3: codes: ", "2 codes for 1 questions"},
        // 96 questions of mode 3 with three 259-byte texts expand to about 75000 bytes.
        {lines({R"(kind = "text")", R"(title = "x")", "mode = 3"}) +
             questions(96, {"prompt = \"" + t259 + "\"", paris, "hint = \"" + t259 + "\"", "extra = \"" + t259 + "\""}),
         "quiz.toml:4: questions: ", "at most 30000 fit"},
        {noisyQuiz, "quiz.toml:4: questions: ", "the quiz codes into"},
        // Pictures and clips.
        {textQuiz({}, {prompt, paris, R"(picture = "1.png")"}), "quiz.toml:6: question 1, picture: ",
         "only picture quizzes have pictures", onePng},
        {mediaQuiz("sound", {}, {R"(clip = "1.wav")", R"(solved_picture = "1.png")"}),
         "quiz.toml:6: question 1, solved_picture: ", "only picture quizzes have pictures",
         {{"1.wav", "RIFF....WAVE"}, {"1.png", png}}},
        {mediaQuiz("picture", {}, {R"(picture = "1.png")", R"(clip = "1.wav")"}), "quiz.toml:6: question 1, clip: ",
         "only sound and video quizzes have clips", {{"1.wav", "RIFF....WAVE"}, {"1.png", png}}},
        {mediaQuiz("picture", {}, {}), "quiz.toml:3: question 1, picture: ", "missing"},
        {mediaQuiz("video", {}, {}), "quiz.toml:3: question 1, clip: ", "missing: a video quiz"},
        {mediaQuiz("picture", {}, {R"(picture = "pics/absent.jpg")"}), "quiz.toml:5: question 1, picture: ",
         "\"pics/absent.jpg\" not found"},
        {mediaQuiz("picture", {}, {R"(picture = "pics")"}), "quiz.toml:5: question 1, picture: ", "is not a file",
         {{"pics/1.png", png}}},
        {mediaQuiz("sound", {}, {R"(clip = "clips/absent.wav")"}), "quiz.toml:5: question 1, clip: ",
         "\"clips/absent.wav\" not found"},
        {mediaQuiz("sound", {}, {R"(clip = "1.wav")"}), "quiz.toml:5: question 1, clip: ", "is empty", {{"1.wav", ""}}},
        {mediaQuiz("picture", {}, {R"(picture = "1.jpg")"}), "quiz.toml:5: question 1, picture: ",
         "is not a BMP, JPEG, GIF or PNG picture", {{"1.jpg", "This is a text file, not a picture."}}},
        {mediaQuiz("picture", {}, {R"(picture = "1.png")", R"(solved_picture = "1b.tif")"}),
         "quiz.toml:6: question 1, solved_picture: ", "is not a BMP, JPEG, GIF or PNG picture",
         {{"1.png", png}, {"1b.tif", std::string("II*\0", 4)}}},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.where + c.what);
        const std::vector<std::string> errors = errorsOf(c.toml, c.files);
        ASSERT_EQ(errors.size(), 1u) << describe(errors);
        EXPECT_EQ(errors[0].rfind(c.where, 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(c.what), std::string::npos) << errors[0];
    }
}

// The largest texts that fit, and the keys that each kind and mode allow.
TEST_F(PackValidate, QuizzesAtTheLimitsPass) {
    const std::pair<std::string, Files> cases[] = {
        {textQuiz({"description = \"" + std::string(259, 'x') + "\""}), {}},
        // 259 "é" are 518 bytes of UTF-8 but 259 stored bytes.
        {textQuiz({}, {"prompt = \"" + repeated("é", 259) + "\"", paris}), {}},
        {textQuiz({"link = \"" + std::string(24, 'l') + "\"", "footer = \"" + std::string(39, 'f') + "\""}), {}},
        {textQuiz({}, {prompt, "answer = \"" + std::string(80, 'a') + "\""}), {}},
        {textQuiz({"mode = 3"}, {prompt, paris, R"(hint = "h")", R"(extra = "e")"}), {}},
        {textQuiz({"mode = 6"}, {prompt, paris, R"(hint = "h")", R"(extra = "e")"}), {}},
        {lines({R"(kind = "text")", R"(title = "x")"}) + questions(96, {prompt, paris}), {}},
        {mediaQuiz("picture", {"answers = 2"}, {R"(second = "-")", R"(picture = "1.png")"}), onePng},
    };
    for (const auto& [toml, files] : cases) {
        SCOPED_TRACE(toml.substr(0, 200));
        const std::vector<std::string> errors = errorsOf(toml, files);
        EXPECT_TRUE(errors.empty()) << describe(errors);
    }
    EXPECT_EQ(content_.questions[0].secondAnswer, "-");
}

TEST_F(PackValidate, TextsAndPicturesReachTheContent) {
    ASSERT_TRUE(errorsOf(textQuiz({R"(author = "Cœur & € ‘guillemets’")"},
                                  {R"(prompt = "Où ?")", R"(answer = "Élève")"})).empty());
    EXPECT_EQ(content_.kind, 0);
    EXPECT_TRUE(content_.scramble);
    EXPECT_EQ(content_.author, "C\x9C" "ur & \x80 \x91guillemets\x92");
    ASSERT_EQ(content_.questions.size(), 1u);
    EXPECT_EQ(content_.questions[0].answer, "\xC9l\xE8ve");

    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(20, '\0');
    ASSERT_TRUE(errorsOf(mediaQuiz("picture", {}, {R"(picture = "images/élève.jpg")"}),
                         {{"images/élève.jpg", jpeg}}).empty());
    ASSERT_EQ(content_.media.size(), 1u);
    EXPECT_EQ(content_.media[0].id, 401);
    EXPECT_EQ(content_.media[0].storage, MediaStorage::pictureSwapped);
}

TEST_F(PackValidate, TheDemoQuizPasses) {
    QuizSource source;
    Diagnostics diagnostics;
    const fs::path demo = fs::path(VYRLA_TEST_DATA) / ".." / ".." / ".." / "quizzes" / "demo" / "quiz.toml";
    EXPECT_TRUE(loadQuizSource(demo, "quiz.toml", &source, &content_, &diagnostics))
        << describe(diagnostics.formatted());
    EXPECT_GE(content_.questions.size(), 8u);
}

TEST_F(PackValidate, AnUnreadableFileIsReportedWithoutALine) {
    QuizSource source;
    Diagnostics diagnostics;
    EXPECT_FALSE(loadQuizSource(dir_ / "absent.toml", "absent.toml", &source, &content_, &diagnostics));
    EXPECT_EQ(diagnostics.formatted(), std::vector<std::string>{"absent.toml: cannot be read"});
}

TEST_F(PackValidate, EveryErrorIsReportedInLineOrder) {
    const std::vector<std::string> errors = errorsOf(lines({
        R"(kind = "text")",         // 1
        R"(title = "x")",           // 2
        "mode = 9",                 // 3
        R"(codes = ["A", "B|C"])",  // 4
        "[[question]]",             // 5
        prompt,                     // 6
        R"(answer = "Paris ")",     // 7
        "[[question]]",             // 8
        R"(answer = "Lyon")",       // 9
        R"(color = 3)",             // 10
    }));
    ASSERT_EQ(errors.size(), 5u) << describe(errors);
    const char* starts[] = {"quiz.toml:3: mode: ", "quiz.toml:4: code 2: ", "quiz.toml:7: question 1, answer: ",
                            "quiz.toml:8: question 2, prompt: ", "quiz.toml:10: question 2, color: unknown key"};
    for (size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(errors[i].rfind(starts[i], 0), 0u) << errors[i];
    }
}

TEST(PackPictures, AreRecognisedByTheirFirstBytes) {
    using B = std::vector<uint8_t>;
    EXPECT_EQ(pictureFormat(B{'B', 'M', 0, 0}), PictureFormat::bmp);
    EXPECT_EQ(pictureFormat(B{0xFF, 0xD8, 0xFF, 0xE1}), PictureFormat::jpeg);
    EXPECT_EQ(pictureFormat(B{'G', 'I', 'F', '8', '7', 'a'}), PictureFormat::gif);
    EXPECT_EQ(pictureFormat(B{'G', 'I', 'F', '8', '9', 'a'}), PictureFormat::gif);
    EXPECT_EQ(pictureFormat(B{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), PictureFormat::png);
    EXPECT_EQ(pictureFormat(B{'G', 'I', 'F', '9', '0', 'a'}), PictureFormat::unknown);
    EXPECT_EQ(pictureFormat(B{0x89, 'P', 'N', 'G'}), PictureFormat::unknown);
    EXPECT_EQ(pictureFormat(B{}), PictureFormat::unknown);
}

}  // namespace
