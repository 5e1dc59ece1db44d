// Importing a question bank kept as CSV or TSV: RFC 4180 quoting, embedded
// separators, quotes and line breaks, a BOM, either line end, the columns
// the header names, and the texts the player cannot hold.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pack/banks/bank_file.h"
#include "pack/banks/csv_reader.h"
#include "pack/banks/import_bank.h"
#include "pack/source/quiz_source.h"

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(VYRLA_TEST_DATA) + "/teachers/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string replacedAll(std::string text, const std::string& what, const std::string& by) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + by.size())) {
        text.replace(at, what.size(), by);
    }
    return text;
}

struct Row {
    int line;
    std::string prompt;
    std::string answer;
    std::string hint;

    bool operator==(const Row& other) const {
        return line == other.line && prompt == other.prompt && answer == other.answer && hint == other.hint;
    }
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.line << ", \"" << row.prompt << "\", \"" << row.answer << "\", \"" << row.hint << "\"}";
}

std::vector<Row> rowsOf(const QuestionBank& bank) {
    std::vector<Row> rows;
    for (const BankQuestion& q : bank.questions) {
        rows.push_back({q.line, q.prompt, q.answer, q.hint});
    }
    return rows;
}

std::vector<std::string> notesOf(const QuestionBank& bank) {
    std::vector<std::string> list;
    for (const BankNote& note : bank.notes) {
        list.push_back(std::to_string(note.line) + ": " + note.message);
    }
    return list;
}

std::vector<std::string> checkErrors(const std::string& toml) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    if (parseQuizSource(toml, "quiz.toml", ".", &source, &diagnostics)) {
        buildQuizContent(source, &content, &diagnostics);
    }
    return diagnostics.formatted();
}

ImportOptions csvOptions(const std::string& name = "bank.csv") {
    ImportOptions options;
    options.bankName = name;
    return options;
}

// bank.csv: a BOM, CR LF line ends, a quoted comma, doubled quotes, a quoted
// line break, an answer with spaces around it, a character Windows-1252 has
// not, a "|", a blank line, an empty prompt and an empty answer.
const std::vector<Row> bankRows = {
    {2, "Capitale de la France, bien sûr", "Paris", "Ville lumière"},
    {3, "Il a dit \"bonjour\"", "bonjour", ""},
    {4, "Sur deux\r\nlignes", " Lyon ", ""},
    {6, "Capitale de la Chine", "北京", ""},
    {7, "Avec une barre", "a|b", ""},
    {9, "", "vide", ""},
    {10, "sans réponse", "", ""},
};

TEST(PackImportCsv, QuotingBomAndCrLf) {
    const QuestionBank bank = readCsvBank(dataFile("bank.csv"), 0);
    EXPECT_TRUE(bank.usable);
    EXPECT_EQ(rowsOf(bank), bankRows);
    EXPECT_EQ(notesOf(bank), std::vector<std::string>{"1: column 4, \"Comment\", is not imported: the columns are "
                                                      "prompt, answer, second, hint and extra"});
}

TEST(PackImportCsv, LfLineEndsReadTheSame) {
    const std::string lf = replacedAll(dataFile("bank.csv"), "\r\n", "\n");
    std::vector<Row> expected = bankRows;
    expected[2].prompt = "Sur deux\nlignes";
    EXPECT_EQ(rowsOf(readCsvBank(lf, 0)), expected);
}

TEST(PackImportCsv, TheWrittenSourcePassesTheCheckAndSaysWhatItChanged) {
    const std::string csv = dataFile("bank.csv");
    const ImportResult result = importBank(bytesOf(csv), csvOptions());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 3u);
    EXPECT_EQ(result.setAside, 4u);
    EXPECT_EQ(checkErrors(result.source), std::vector<std::string>{});
    EXPECT_EQ(result.messages,
              (std::vector<std::string>{
                  "bank.csv:1: column 4, \"Comment\", is not imported: the columns are prompt, answer, second, hint "
                  "and extra",
                  "bank.csv:4: prompt: line breaks made spaces; the player shows one line",
                  R"(bank.csv:4: answer " Lyon " trimmed to "Lyon": typed answers lose their surrounding spaces, )"
                  "so it could never match",
                  R"(bank.csv:6: not imported (kept as a comment): answer: the character U+5317 "北" at position 1 )"
                  "cannot be written in Windows-1252 (nor can 1 more character after it)",
                  R"(bank.csv:7: not imported (kept as a comment): answer: contains "|", which ends a text in the )"
                  "stored quiz at position 2",
                  "bank.csv:9: not imported (kept as a comment): prompt: missing: a text quiz shows the prompt of "
                  "every question",
                  "bank.csv:10: not imported (kept as a comment): answer: is empty, so no typed answer could ever "
                  "match it",
                  "bank.csv: the hints are stored, but a text quiz does not show them",
              }));
    EXPECT_NE(result.source.find("mode = 2\n"), std::string::npos) << "a mode that stores the hints";
    EXPECT_NE(result.source.find("[[question]]\nprompt = \"Capitale de la France, bien sûr\"\nanswer = \"Paris\"\n"
                                 "hint = \"Ville lumière\"\n"),
              std::string::npos)
        << result.source;
    EXPECT_NE(result.source.find("prompt = \"Sur deux lignes\"\nanswer = \"Lyon\"\n"), std::string::npos);
    EXPECT_NE(result.source.find("prompt = \"Il a dit \\\"bonjour\\\"\"\n"), std::string::npos);
}

TEST(PackImportCsv, AMissingRequiredColumnIsAnErrorAndNothingIsWritten) {
    const QuestionBank bank = readCsvBank("prompt,reponse\r\nCapitale,Paris\r\n", 0);
    EXPECT_FALSE(bank.usable);
    EXPECT_EQ(notesOf(bank),
              (std::vector<std::string>{
                  "1: column 2, \"reponse\", is not imported: the columns are prompt, answer, second, hint and extra",
                  R"(1: no "answer" column: the header row names "prompt", "reponse")",
              }));
    const ImportResult result = importBank(bytesOf("prompt,reponse\r\nCapitale,Paris\r\n"), csvOptions());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.source, "");

    EXPECT_EQ(notesOf(readCsvBank("answer;hint\nParis;x\n", 0)),
              std::vector<std::string>{R"(1: no "prompt" column: the header row names "answer", "hint")"});
    EXPECT_EQ(notesOf(readCsvBank("", 0)), std::vector<std::string>{"1: no header row: the file is empty"});
    EXPECT_EQ(notesOf(readCsvBank("prompt,answer,answer\n", 0)),
              std::vector<std::string>{R"(1: the header row names the column "answer" twice)"});
}

TEST(PackImportCsv, SeparatorsColumnOrderAndCase) {
    EXPECT_EQ(rowsOf(readCsvBank(" Answer ;PROMPT\nParis;\"France; pays\"\n", 0)),
              (std::vector<Row>{{2, "France; pays", "Paris", ""}}));
    EXPECT_EQ(rowsOf(readCsvBank("prompt\tanswer\n\"a\ttab\"\tb\nc,d\te\n", '\t')),
              (std::vector<Row>{{2, "a\ttab", "b", ""}, {3, "c,d", "e", ""}}));
    // Fewer cells than columns are empty; more are said.
    const QuestionBank bank = readCsvBank("prompt,answer,hint\nq,a\nr,b,c,extra cell\n", 0);
    EXPECT_EQ(rowsOf(bank), (std::vector<Row>{{2, "q", "a", ""}, {3, "r", "b", "c"}}));
    EXPECT_EQ(notesOf(bank), std::vector<std::string>{"3: 1 cell beyond the header row's columns not imported"});
}

TEST(PackImportCsv, BrokenQuotingIsReportedWithItsLine) {
    const QuestionBank bank = readCsvBank("prompt,answer\n\"a\"x,b\nc,d\ne,\"never closed\nf,g\n", 0);
    EXPECT_EQ(rowsOf(bank), (std::vector<Row>{{3, "c", "d", ""}}));
    EXPECT_EQ(notesOf(bank), (std::vector<std::string>{
                                 "2: skipped: text after the closing quote of a field",
                                 "4: skipped: a quoted field opened on line 4 is never closed",
                             }));
    // A quote inside an unquoted field is an ordinary character.
    EXPECT_EQ(rowsOf(readCsvBank("prompt,answer\n5\" pouces,a\"b\n", 0)),
              (std::vector<Row>{{2, "5\" pouces", "a\"b", ""}}));
}

TEST(PackImportCsv, SecondAnswersNeedTwoFieldsAndGetPlaceholders) {
    const std::string csv = "prompt,answer,second\nNote,Do,Ut\nAutre,Mi,\n";
    const ImportResult text = importBank(bytesOf(csv), csvOptions());
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.messages, std::vector<std::string>{"bank.csv:2: second answers need two answer fields, which a "
                                                      "text quiz does not have: import with --kind picture, sound "
                                                      "or video"});

    ImportOptions options = csvOptions();
    options.kind = 2;  // sound
    const ImportResult sound = importBank(bytesOf(csv), options);
    ASSERT_TRUE(sound.ok) << (sound.messages.empty() ? "" : sound.messages[0]);
    EXPECT_NE(sound.source.find("answers = 2\n"), std::string::npos);
    EXPECT_NE(sound.source.find("answer = \"Do\"\nsecond = \"Ut\"\nclip = \"clips/question-1.wav\"\n"),
              std::string::npos)
        << sound.source;
    EXPECT_NE(sound.source.find("answer = \"Mi\"\nsecond = \"-\"\nclip = \"clips/question-2.wav\"\n"),
              std::string::npos)
        << "an empty second answer hides the field";
    ASSERT_EQ(sound.media.size(), 2u);
    EXPECT_EQ(sound.media[0].path, "clips/question-1.wav");
    EXPECT_EQ(std::string(sound.media[1].bytes.begin(), sound.media[1].bytes.begin() + 4), "RIFF");
}

TEST(PackImportCsv, ModesFollowTheTextsTheBankHas) {
    ImportOptions options = csvOptions();
    const ImportResult extra = importBank(bytesOf("prompt,answer,hint,extra\nq,a,h,e\n"), options);
    ASSERT_TRUE(extra.ok);
    EXPECT_NE(extra.source.find("mode = 6\n"), std::string::npos);
    EXPECT_NE(extra.source.find("hint = \"h\"\nextra = \"e\"\n"), std::string::npos);

    options.mode = 0;
    const ImportResult refused = importBank(bytesOf("prompt,answer,hint\nq,a,\nr,b,h\n"), options);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.messages, std::vector<std::string>{"bank.csv:3: the bank has hints, which mode 0 does not "
                                                         "store: choose mode 1, 2, 3, 4, 6 or 7"});
}

TEST(PackImportCsv, EncodingsOtherThanUtf8) {
    std::vector<BankNote> notes;
    // UTF-16 little-endian with its BOM, as spreadsheets write "Unicode text".
    const std::vector<uint8_t> utf16 = {0xFF, 0xFE, 'a', 0, '\t', 0, 0xE9, 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(bankText(utf16, &notes), "a\t\xC3\xA9\n\xF0\x9F\x98\x80");
    EXPECT_TRUE(notes.empty());
    // Windows-1252 bytes are not UTF-8: the whole file is read as Windows-1252.
    EXPECT_EQ(bankText(bytesOf("prompt,answer\nCapitale,Paris\nEl\xE8ve,\x80\n"), &notes),
              "prompt,answer\nCapitale,Paris\nEl\xC3\xA8ve,\xE2\x82\xAC\n");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].line, 3);
    EXPECT_EQ(bankText(bytesOf("\xEF\xBB\xBFprompt"), &notes), "prompt");
}

}  // namespace
