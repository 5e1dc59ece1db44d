// Importing a GIFT question bank: every construct of the format, the
// short-answer questions taken and every other question skipped with its
// line, and a written source that the quiz source's checks accept.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pack/banks/gift_reader.h"
#include "pack/banks/import_bank.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

namespace {

struct Imported {
    std::string prompt;
    std::string answer;
    int line;

    bool operator==(const Imported& other) const {
        return prompt == other.prompt && answer == other.answer && line == other.line;
    }
};

std::ostream& operator<<(std::ostream& out, const Imported& q) {
    return out << "{" << q.line << ", \"" << q.prompt << "\" -> \"" << q.answer << "\"}";
}

std::vector<Imported> questionsOf(const QuestionBank& bank) {
    std::vector<Imported> list;
    for (const BankQuestion& q : bank.questions) {
        list.push_back({q.prompt, q.answer, q.line});
    }
    return list;
}

std::vector<std::string> notesOf(const QuestionBank& bank) {
    std::vector<std::string> list;
    for (const BankNote& note : bank.notes) {
        list.push_back(std::to_string(note.line) + ": " + note.message);
    }
    return list;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> dataFile(const std::string& name) {
    std::ifstream in(std::string(VYRLA_TEST_DATA) + "/teachers/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What `vyrla-pack check` says of a written source: nothing, when it is right.
std::vector<std::string> checkErrors(const std::string& toml) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    if (parseQuizSource(toml, "quiz.toml", ".", &source, &diagnostics)) {
        buildQuizContent(source, &content, &diagnostics);
    }
    std::vector<std::string> errors = diagnostics.formatted();
    if (errors.empty()) {
        errors = readBackDifferences(content, encodeQuiz(content, nullptr));
    }
    return errors;
}

ImportOptions giftOptions() {
    ImportOptions options;
    options.bankName = "bank.gift";
    return options;
}

TEST(PackImportGift, TheIssuesWorkedExample) {
    const QuestionBank bank = readGiftBank("::title:: question {=answer =alternative#feedback}\n");
    ASSERT_EQ(bank.questions.size(), 1u);
    const BankQuestion& q = bank.questions[0];
    EXPECT_EQ(q.title, "title");
    EXPECT_EQ(q.prompt, "question");
    EXPECT_EQ(q.answer, "answer");
    EXPECT_EQ(q.comments, (std::vector<std::string>{R"(also right in the bank: "alternative")",
                                                     R"(feedback on "alternative": "feedback")"}));
    EXPECT_EQ(notesOf(bank), (std::vector<std::string>{
                                 R"(1: other answers kept as a comment: the player accepts one answer, "answer")",
                                 "1: feedback kept as a comment: the player gives none"}));

    const ImportResult result = importBank(bytesOf("::title:: question {=answer =alternative#feedback}\n"),
                                           giftOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 1u);
    EXPECT_NE(result.source.find("# bank.gift:1 \"title\"\n# also right in the bank: \"alternative\"\n"
                                 "# feedback on \"alternative\": \"feedback\"\n[[question]]\n"
                                 "prompt = \"question\"\nanswer = \"answer\"\n"),
              std::string::npos)
        << result.source;
    EXPECT_EQ(checkErrors(result.source), std::vector<std::string>{});
}

TEST(PackImportGift, TheTestBankImportsEveryShortAnswerAndSkipsEveryOtherTypeWithItsLine) {
    const std::vector<uint8_t> bytes = dataFile("bank.gift");
    const QuestionBank bank = readGiftBank(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(questionsOf(bank),
              (std::vector<Imported>{
                  {"Quelle est la capitale de la France ?", "Paris", 6},
                  {"Quel fleuve traverse Paris ?", "Seine", 9},  // its lines joined
                  {"Deux et deux font _____.", "quatre", 17},    // the missing-word form
                  {"Quel signe s'écrit = ou { } ou ~ ou # ou : ?", "égal = : # { } ~", 19},
                  {"Un <b>mot</b> en gras ?", "gras", 21},
                  {"Une seule réponse sans signe égal ?", "Rome", 23},
                  {"Nom de famille ?", "Victor Hugo", 39},  // the first answer worth full marks
                  {"Voir http://example.org // pas un commentaire", "lien", 43},
              }));
    EXPECT_EQ(notesOf(bank),
              (std::vector<std::string>{
                  R"(4: category "$course$/Géographie" left out: a quiz has no categories)",
                  R"(6: other answers kept as a comment: the player accepts one answer, "Paris")",
                  "6: feedback kept as a comment: the player gives none",
                  R"(9: other answers kept as a comment: the player accepts one answer, "Seine")",
                  "9: feedback kept as a comment: the player gives none",
                  R"(17: other answers kept as a comment: the player accepts one answer, "quatre")",
                  "21: HTML question text: its tags are kept as written",
                  R"(25: skipped "QCM": a multiple-choice question; the player only checks typed short answers)",
                  R"(27: skipped "Vrai ou faux": a true/false question; the player only checks typed short answers)",
                  R"(29: skipped "Association": a matching question; the player only checks typed short answers)",
                  R"(31: skipped "Nombre": a numerical question; the player only checks typed short answers)",
                  R"(33: skipped "Rédaction": an essay question (no answer to check); the player only checks typed )"
                  "short answers",
                  "35: skipped: a description, with no answer part {...}",
                  R"(37: skipped "Plusieurs": a multiple-choice question; the player only checks typed short answers)",
                  R"(39: other answers kept as a comment: the player accepts one answer, "Victor Hugo")",
                  R"(41: skipped "Accolade": its answer part is not closed by "}")",
                  R"(45: skipped "Collés": two questions run together (a blank line separates questions))",
                  R"(48: skipped "Partiel": no answer is worth full marks)",
                  R"(50: skipped "Vide": its answer is empty)",
                  R"(52: skipped "Vrai": a true/false question; the player only checks typed short answers)",
                  "54: skipped: its name is not closed by \"::\"",
              }));
    const BankQuestion& river = bank.questions[1];
    EXPECT_EQ(river.comments, (std::vector<std::string>{
                                  R"(feedback on "Seine": "Oui !")",
                                  R"(worth 50% in the bank: "La Seine")",
                                  R"(feedback on "La Seine": "Presque : sans l'article")",
                                  R"(general feedback: "Le fleuve de Paris.")",
                              }));

    const ImportResult result = importBank(bytes, giftOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 8u);
    EXPECT_EQ(result.setAside, 0u);
    EXPECT_EQ(checkErrors(result.source), std::vector<std::string>{});
    // Every message names the bank and a line.
    for (const std::string& message : result.messages) {
        EXPECT_EQ(message.rfind("bank.gift:", 0), 0u) << message;
    }
}

TEST(PackImportGift, LineEndsBomAndComments) {
    const std::string bank = "\xEF\xBB\xBF// un commentaire\r\n\r\nQ1 ?{=un}\r\n\r\n// deux\rQ2 ?\r{=deux}\r\rQ3 ?{=trois}";
    EXPECT_EQ(questionsOf(readGiftBank(bank)),
              (std::vector<Imported>{{"Q1 ?", "un", 3}, {"Q2 ?", "deux", 6}, {"Q3 ?", "trois", 9}}));
}

TEST(PackImportGift, EscapesStandForTheCharacterAndALineBreakBecomesASpace) {
    const QuestionBank bank = readGiftBank(
        "::a\\:b::Deux\\nlignes \\\\ et \\{x\\} {=r\\=s\\#t\\~u \\\\ v\\n w#retour\\: \\#1}\n");
    ASSERT_EQ(bank.questions.size(), 1u);
    EXPECT_EQ(bank.questions[0].title, "a:b");
    EXPECT_EQ(bank.questions[0].prompt, "Deux\nlignes \\ et {x}");
    EXPECT_EQ(bank.questions[0].answer, "r=s#t~u \\ v\n w");
    EXPECT_EQ(bank.questions[0].comments,
              std::vector<std::string>{R"(feedback on "r=s#t~u \\ v\n w": "retour: #1")"});

    const ImportResult result =
        importBank(bytesOf("Deux\\nlignes ?{=un\\n deux}\n"), giftOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.source.find("prompt = \"Deux lignes ?\"\nanswer = \"un deux\"\n"), std::string::npos)
        << result.source;
    EXPECT_EQ(result.messages, (std::vector<std::string>{
                                   "bank.gift:1: prompt: line breaks made spaces; the player shows one line",
                                   "bank.gift:1: answer: line breaks made spaces; the player shows one line",
                               }));
}

TEST(PackImportGift, TextWindows1252CannotHoldIsReportedWithItsLineAndKeptAsAComment) {
    const std::string bank = "Capitale de la France ?{=Paris}\n\n"
                             "::Chine::Capitale de la Chine ?{=北京}\n\n"
                             "Une barre ?{=a|b}\n\n"
                             "Trop long ?{=" + std::string(81, 'x') + "}\n";
    const ImportResult result = importBank(bytesOf(bank), giftOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 1u);
    EXPECT_EQ(result.setAside, 3u);
    EXPECT_EQ(result.messages,
              (std::vector<std::string>{
                  R"(bank.gift:3: not imported (kept as a comment): answer: the character U+5317 "北" at position 1 )"
                  "cannot be written in Windows-1252 (nor can 1 more character after it)",
                  R"(bank.gift:5: not imported (kept as a comment): answer: contains "|", which ends a text in the )"
                  "stored quiz at position 2",
                  "bank.gift:7: not imported (kept as a comment): answer: 81 characters, but an answer field takes at "
                  "most 80",
              }));
    EXPECT_NE(result.source.find("# bank.gift:3 \"Chine\"\n# Not imported: answer: the character U+5317 \"北\" at "
                                 "position 1 cannot be written in Windows-1252 (nor can 1 more character after it)\n"
                                 "# [[question]]\n# prompt = \"Capitale de la Chine ?\"\n# answer = \"北京\"\n"),
              std::string::npos)
        << result.source;
    EXPECT_EQ(checkErrors(result.source), std::vector<std::string>{});
}

TEST(PackImportGift, ABankWithoutShortAnswersWritesNothing) {
    const ImportResult result = importBank(bytesOf("Q ?{~a =b}\n\nR ?{TRUE}\n"), giftOptions());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.source, "");
    EXPECT_EQ(result.messages.back(), "bank.gift: no question to import");
}

// Found by fuzz_gift_import: the source of the last round was left in the
// result of an import that wrote nothing.
TEST(PackImportGift, ABankWhoseQuestionsAllFailTheChecksWritesNothing) {
    const ImportResult result = importBank(
        bytesOf("Capitale ?{=\xE5\x8C\x97\xE4\xBA\xAC}\n\nBarre ?{=a|b}\n\nEspaces {#=  Paris  }\n"), giftOptions());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.source, "");
    EXPECT_EQ(result.setAside, 2u);
    EXPECT_EQ(result.messages.back(), "bank.gift: no question could be imported");
}

TEST(PackImportGift, AFullQuizKeepsTheRestAsComments) {
    std::string bank;
    for (int i = 1; i <= 100; ++i) {
        bank += "Question " + std::to_string(i) + " ?{=réponse " + std::to_string(i) + "}\n\n";
    }
    const ImportResult result = importBank(bytesOf(bank), giftOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 96u);
    EXPECT_EQ(result.setAside, 4u);
    EXPECT_EQ(result.messages.front(),
              "bank.gift:193: not imported (kept as a comment): the quiz is full: it holds at most 96 questions");
    EXPECT_EQ(checkErrors(result.source), std::vector<std::string>{});
}

TEST(PackImportGift, OptionsGiveTheQuizItsTitleKindModeAndColour) {
    ImportOptions options = giftOptions();
    options.title = "Géographie";
    options.colour = {1, 2, 3};
    options.author = "Zoé";
    const ImportResult result = importBank(bytesOf("Capitale ?{=Paris}\n"), options);
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.source.find("kind = \"text\"\n"), std::string::npos);
    EXPECT_NE(result.source.find("title = \"Géographie\"\nauthor = \"Zoé\"\n"), std::string::npos);
    EXPECT_NE(result.source.find("colour = [1, 2, 3]\n"), std::string::npos);
    EXPECT_NE(result.source.find("mode = 0\n"), std::string::npos);

    options.title = "標題";
    const ImportResult refused = importBank(bytesOf("Capitale ?{=Paris}\n"), options);
    EXPECT_FALSE(refused.ok);
    ASSERT_FALSE(refused.messages.empty());
    EXPECT_NE(refused.messages.back().find("the options give a quiz that cannot be built: title: the character "
                                           "U+6A19"),
              std::string::npos)
        << refused.messages.back();
}

}  // namespace
