// The checks of the quiz source: one table row per class of error, each
// asserting the message's line and field; and the largest quizzes that pass.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pack/source/quiz_source.h"

namespace {
namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::string, std::string>>;

std::string times(const std::string& piece, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += piece;
    return text;
}

const std::string P = "prompt = \"p\"\n", A = "answer = \"Paris\"\n", Q = "[[question]]\n";
const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(20, '\0');

// A text quiz: the header's lines from line 3, one question after them.
std::string T(const std::string& header, const std::string& question = P + A) {
    return "kind = \"text\"\ntitle = \"x\"\n" + header + (header.empty() ? "" : "\n") + Q + question;
}
// A quiz of `kind` whose question (answer "Paris") starts on line 3 + the header's lines.
std::string M(const std::string& kind, const std::string& header, const std::string& question) {
    return "kind = \"" + kind + "\"\ntitle = \"x\"\n" + header + (header.empty() ? "" : "\n") + Q + A + question;
}

QuizContent content;  // of the last quiz checked

// Every message for `toml` beside `files`, as the packer prints them.
std::vector<std::string> errorsOf(const std::string& toml, Files files = {}) {
    const fs::path dir = fs::temp_directory_path() / ("vyrla-pack-validate-" + std::to_string(std::random_device()()));
    files.emplace_back("quiz.toml", toml);
    for (const auto& [name, bytes] : files) {
        fs::create_directories((dir / fs::u8path(name)).parent_path());
        std::ofstream(dir / fs::u8path(name), std::ios::binary) << bytes;
    }
    QuizSource source;
    content = QuizContent{};
    Diagnostics diagnostics;
    EXPECT_EQ(loadQuizSource(dir / "quiz.toml", "quiz.toml", &source, &content, &diagnostics), diagnostics.errors.empty());
    fs::remove_all(dir);
    return diagnostics.formatted();
}

TEST(PackValidate, EachClassOfErrorNamesItsLineAndField) {
    const std::string big = "\"" + std::string(259, 't') + "\"\n";
    const struct {
        std::string toml;
        std::string where;  // "LINE: FIELD: " after "quiz.toml:"
        std::string what;   // a fragment of the message
        Files files = {};
    } cases[] = {
        {"kind = \"text\"\nmode = = 3", "2: ", "not valid TOML"},
        {T("", P + A + "hnit = \"h\""), "6: question 1, hnit: ", "unknown key (did you mean \"hint\"?)"},
        {T("", P + A + "mode = 3"), "6: question 1, mode: ", "the quiz's own keys go before the first [[question]]"},
        {"kind = \"text\"\ntitle = 12\n" + Q + P + A, "2: title: ", "expected a string, found an integer"},
        {T("codes = [\n\"A1\",\n2,\n]", P + A + Q + P + A), "5: code 2: ", "expected a string, found an integer"},
        {"kind = \"text\"\ntitle = \"x\"\nquestion = \"Paris\"", "3: question: ", "expected [[question]] tables"},
        {"title = \"x\"\n" + Q + P + A, "1: kind: ", "missing"},
        {"kind = \"pictures\"\ntitle = \"x\"\n" + Q + A, "1: kind: ", "\"pictures\" is not a kind"},
        {T("mode = 8"), "3: mode: ", "8 is not 0 to 7"},
        {T("answers = 2", P + A + "second = \"France\""), "3: answers: ", "a text quiz has one answer field per question"},
        {T("colour = [51, 256, 255]"), "3: colour, green: ", "256 is not 0 to 255"},
        {T("colour = [51, 0, 256]"), "3: colour, blue: ", "256 is not 0 to 255"},
        {T("colour = [\n-1,\n0,\n0,\n]"), "4: colour, red: ", "-1 is not 0 to 255"},
        // Texts longer than their field, counted in Windows-1252 bytes.
        {T("", "prompt = \"" + times("é", 260) + "\"\n" + A), "4: question 1, prompt: ", "260 bytes in Windows-1252, at most 259 fit"},
        {T("link = \"" + std::string(25, 'l') + "\""), "3: link: ", "25 bytes in Windows-1252, at most 24 fit"},
        // Few repeats code into about 9 bits per byte: 2 + 25 + 35 expanded bytes need 71, one too many.
        {T("link = \"ABCDEFGHIJKLMNOPQRSTUVWX\"\nfooter = \"abcdefghijklmnopqrstuvwxyz01234567\""), "3: link, footer: ",
         "the ContentBlock holds 70"},
        // Characters that the stored form cannot hold.
        {T("", "prompt = \"Paris|Lyon\"\n" + A), "4: question 1, prompt: ", "contains \"|\""},
        {T("mode = 2", P + A + "hint = \"deux\\nlignes\""), "7: question 1, hint: ", "contains a line break (LF) at position 5"},
        {T("author = \"a\\u0000b\""), "3: author: ", "contains a NUL character"},
        {T("", "prompt = \"Chine (中国)\"\n" + A), "4: question 1, prompt: ",
         "the character U+4E2D \"中\" at position 8 cannot be written in Windows-1252 (nor can 1 more character after it)"},
        {T("", "prompt = \"a\\u0081b\"\n" + A), "4: question 1, prompt: ", "U+0081"},  // 0x81 is undefined there
        // Expected answers.
        {T("", P), "3: question 1, answer: ", "missing"},
        {T("", P + "answer = \"Paris \""), "5: question 1, answer: ", "begins or ends with a space"},
        {T("", P + "answer = \" Paris\""), "5: question 1, answer: ", "begins or ends with a space"},
        {T("", P + "answer = \"" + std::string(81, 'a') + "\""), "5: question 1, answer: ", "an answer field takes at most 80"},
        {T("", P + A + "second = \"France\""), "6: question 1, second: ", "only a quiz with answers = 2"},
        // Texts that the mode does not store.
        {T("mode = 5", P + A + "hint = \"h\""), "7: question 1, hint: ", "mode 5 stores no hint"},
        // Questions, codes and the size of the stored quiz.
        {"kind = \"text\"\ntitle = \"x\"", "1: question: ", "at least one"},
        {T("", times(P + A + Q, 96) + P + A), "291: question 97: ", "97 questions, at most 96 fit"},  // line 3 + 96 * 3
        {T("codes = [\"A1\", \"B2\"]"), "3: codes: ", "2 codes for 1 questions"},
        // 96 questions of mode 3 with three 259-byte texts expand to about 75000 bytes.
        {T("mode = 3", times("prompt = " + big + A + "hint = " + big + "extra = " + big + Q, 95) + P + A), "4: questions: ",
         "at most 30000 fit"},
        // Pictures and clips.
        {T("", P + A + "picture = \"1.png\""), "6: question 1, picture: ", "only picture quizzes have pictures", {{"1.png", png}}},
        {M("picture", "", ""), "3: question 1, picture: ", "missing"},
        {M("picture", "", "picture = \"pics/absent.jpg\""), "5: question 1, picture: ", "\"pics/absent.jpg\" not found"},
        {M("sound", "", "clip = \"1.wav\""), "5: question 1, clip: ", "is empty", {{"1.wav", ""}}},
        {M("picture", "", "picture = \"1.png\"\nsolved_picture = \"1b.tif\""), "6: question 1, solved_picture: ",
         "is not a BMP, JPEG, GIF or PNG picture", {{"1.png", png}, {"1b.tif", std::string("II*\0", 4)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where + c.what);
        const std::vector<std::string> errors = errorsOf(c.toml + "\n", c.files);
        ASSERT_EQ(errors.size(), 1u) << (errors.empty() ? "" : errors[0] + "\n" + errors.back());
        EXPECT_EQ(errors[0].rfind("quiz.toml:" + c.where, 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(c.what), std::string::npos) << errors[0];
    }
}

// The largest texts that fit, and the keys that each kind and mode allow.
TEST(PackValidate, QuizzesAtTheLimitsPass) {
    const std::string cases[] = {
        T("description = \"" + std::string(259, 'x') + "\""),
        T("", "prompt = \"" + times("é", 259) + "\"\n" + A),  // 518 bytes of UTF-8, 259 stored
        T("link = \"" + std::string(24, 'l') + "\"\nfooter = \"" + std::string(39, 'f') + "\""),
        T("link = \"ABCDEFGHIJKLMNOPQRSTUVWX\"\nfooter = \"abcdefghijklmnopqrstuvwxyz0123456\""),  // 70 coded bytes
        T("", P + "answer = \"" + std::string(80, 'a') + "\""),
        T("mode = 3", P + A + "hint = \"h\"\nextra = \"e\""),
        T("", times(P + A + Q, 95) + P + A),
        M("picture", "answers = 2", "second = \"-\"\npicture = \"1.png\""),
    };
    for (const std::string& toml : cases) {
        const std::vector<std::string> errors = errorsOf(toml + "\n", {{"1.png", png}});
        EXPECT_TRUE(errors.empty()) << errors[0];
    }
    EXPECT_EQ(content.questions.at(0).secondAnswer, "-");

    // GIF 87a and 89a are pictures; GIF 90a is not.
    EXPECT_TRUE(pictureFormat({'G', 'I', 'F', '8', '7', 'a'}) == PictureFormat::gif && pictureFormat({'G', 'I', 'F', '9', '0', 'a'}) == PictureFormat::unknown);
}
}  // namespace
