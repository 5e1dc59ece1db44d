// Importing a question bank: CSV and TSV (quoting, a BOM, the columns the header
// names, other encodings) and GIFT (every construct of the format, the
// short-answer questions taken and every other one skipped with its line).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pack/banks/bank_file.h"
#include "pack/banks/csv_reader.h"
#include "pack/banks/gift_reader.h"
#include "pack/banks/import_bank.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

namespace {
using Texts = std::vector<std::string>;

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(VYRLA_TEST_DATA) + "/teachers/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "LINE: prompt -> answer (hint)" for each question, then "LINE: note" for each note.
Texts read(const QuestionBank& bank) {
    Texts list;
    for (const BankQuestion& q : bank.questions) {
        list.push_back(std::to_string(q.line) + ": " + q.prompt + " -> " + q.answer + (q.hint.empty() ? "" : " (" + q.hint + ")"));
    }
    for (const BankNote& note : bank.notes) list.push_back(std::to_string(note.line) + ": " + note.message);
    return list;
}

// What `vyrla-pack check` says of a written source: nothing, when it is right.
Texts checkErrors(const std::string& toml) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    if (parseQuizSource(toml, "quiz.toml", ".", &source, &diagnostics)) buildQuizContent(source, &content, &diagnostics);
    Texts errors = diagnostics.formatted();
    return errors.empty() ? readBackDifferences(content, encodeQuiz(content, nullptr)) : errors;
}

ImportResult imported(const std::string& bank, const std::string& name, int kind = 0, int mode = -1) {
    ImportOptions options;
    options.bankName = name;
    options.kind = kind;
    options.mode = mode;
    return importBank(bytesOf(bank), options);
}

TEST(PackImportCsv, QuotingBomLineEndsAndColumns) {
    // bank.csv: a BOM, CR LF line ends, a quoted comma, doubled quotes, a
    // quoted line break, spaces around an answer, a character Windows-1252
    // has not, a "|", a blank line, an empty prompt and an empty answer.
    const Texts expected = {"2: Capitale de la France, bien sûr -> Paris (Ville lumière)", "3: Il a dit \"bonjour\" -> bonjour",
                      "4: Sur deux\r\nlignes ->  Lyon ", "6: Capitale de la Chine -> 北京", "7: Avec une barre -> a|b",
                      "9:  -> vide", "10: sans réponse -> ",
                      "1: column 4, \"Comment\", is not imported: the columns are prompt, answer, second, hint and extra"};
    const std::string csv = dataFile("bank.csv");
    EXPECT_EQ(read(readCsvBank(csv, 0)), expected);

    const struct {
        std::string csv;
        char separator;
        Texts read;
    } cases[] = {
        {"prompt,reponse\r\nCapitale,Paris\r\n", 0,
         {"1: column 2, \"reponse\", is not imported: the columns are prompt, answer, second, hint and extra",
          R"(1: no "answer" column: the header row names "prompt", "reponse")"}},
        {"prompt,answer,answer\n", 0, {R"(1: the header row names the column "answer" twice)"}},
        {" Answer ;PROMPT\nParis;\"France; pays\"\n", 0, {"2: France; pays -> Paris"}},
        {"prompt\tanswer\n\"a\ttab\"\tb\nc,d\te\n", '\t', {"2: a\ttab -> b", "3: c,d -> e"}},
        // Fewer cells than columns are empty; more are said.
        {"prompt,answer,hint\nq,a\nr,b,c,extra cell\n", 0,
         {"2: q -> a", "3: r -> b (c)", "3: 1 cell beyond the header row's columns not imported"}},
        {"prompt,answer\n\"a\"x,b\nc,d\ne,\"never closed\nf,g\n", 0,
         {"3: c -> d", "2: skipped: text after the closing quote of a field",
          "4: skipped: a quoted field opened on line 4 is never closed"}},
    };
    for (const auto& c : cases) EXPECT_EQ(read(readCsvBank(c.csv, c.separator)), c.read) << c.csv;
    EXPECT_FALSE(readCsvBank("prompt,reponse\r\nCapitale,Paris\r\n", 0).usable);

    // UTF-16 little-endian with its BOM, as spreadsheets write "Unicode text";
    // bytes that are not UTF-8 make the whole file Windows-1252.
    std::vector<BankNote> notes;
    EXPECT_EQ(bankText({0xFF, 0xFE, 'a', 0, '\t', 0, 0xE9, 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE}, &notes), "a\t\xC3\xA9\n\xF0\x9F\x98\x80");
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(bankText(bytesOf("prompt,answer\nEl\xE8ve,\x80\n"), &notes), "prompt,answer\nEl\xC3\xA8ve,\xE2\x82\xAC\n");
    EXPECT_EQ(notes.at(0).line, 2);
}

TEST(PackImportCsv, TheWrittenSourcePassesTheCheckAndSaysWhatItChanged) {
    const ImportResult result = imported(dataFile("bank.csv"), "bank.csv");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 3u);
    EXPECT_EQ(result.setAside, 4u);
    EXPECT_EQ(checkErrors(result.source), Texts{});
    EXPECT_EQ(result.messages.size(), 8u);
    for (const char* message : {"bank.csv:4: prompt: line breaks made spaces; the player shows one line",
                                R"(bank.csv:4: answer " Lyon " trimmed to "Lyon": typed answers lose their surrounding spaces, so it could never match)",
                                "bank.csv:9: not imported (kept as a comment): prompt: missing: a text quiz shows the prompt of every question",
                                "bank.csv: the hints are stored, but a text quiz does not show them"}) {
        EXPECT_NE(std::find(result.messages.begin(), result.messages.end(), message), result.messages.end()) << message;
    }
    EXPECT_NE(result.source.find("mode = 2\n"), std::string::npos) << "a mode that stores the hints";
    EXPECT_NE(result.source.find("# bank.csv:2\n[[question]]\nprompt = \"Capitale de la France, bien sûr\"\nanswer = \"Paris\"\n"
                                 "hint = \"Ville lumière\"\n\n# bank.csv:3\n[[question]]\nprompt = \"Il a dit \\\"bonjour\\\"\"\n"),
              std::string::npos)
        << result.source;

    // Second answers need two fields, and an empty one hides its field.
    const std::string notes = "prompt,answer,second\nNote,Do,Ut\nAutre,Mi,\n";
    EXPECT_EQ(imported(notes, "b.csv").messages, Texts{"b.csv:2: second answers need two answer fields, which a text quiz "
                                                       "does not have: import with --kind picture, sound or video"});
    const ImportResult sound = imported(notes, "b.csv", 2);
    EXPECT_NE(sound.source.find("answer = \"Mi\"\nsecond = \"-\"\nclip = \"clips/question-2.wav\"\n"), std::string::npos);
    EXPECT_EQ(imported("prompt,answer,hint\nq,a,\nr,b,h\n", "b.csv", 0, 0).messages,
              Texts{"b.csv:3: the bank has hints, which mode 0 does not store: choose mode 1, 2, 3, 4, 6 or 7"});
}

TEST(PackImportGift, TheTestBankImportsEveryShortAnswerAndSkipsEveryOtherTypeWithItsLine) {
    const QuestionBank bank = readGiftBank(dataFile("bank.gift"));
    const Texts all = read(bank);
    EXPECT_EQ(Texts(all.begin(), all.begin() + 8),
              (Texts{"6: Quelle est la capitale de la France ? -> Paris", "9: Quel fleuve traverse Paris ? -> Seine",
                     "17: Deux et deux font _____. -> quatre", "19: Quel signe s'écrit = ou { } ou ~ ou # ou : ? -> égal = : # { } ~",
                     "21: Un <b>mot</b> en gras ? -> gras", "23: Une seule réponse sans signe égal ? -> Rome",
                     "39: Nom de famille ? -> Victor Hugo",  // the first answer worth full marks
                     "43: Voir http://example.org // pas un commentaire -> lien"}));
    // Every other question skipped, or what it loses noted, with its line.
    std::string lines;
    for (const BankNote& note : bank.notes) lines += std::to_string(note.line) + " ";
    EXPECT_EQ(lines, "4 6 6 9 9 17 21 25 27 29 31 33 35 37 39 41 45 48 50 52 54 ");
    EXPECT_EQ(bank.notes[7].message, R"(skipped "QCM": a multiple-choice question; the player only checks typed short answers)");
    EXPECT_EQ(bank.notes[17].message, R"(skipped "Partiel": no answer is worth full marks)");
    const ImportResult result = imported(dataFile("bank.gift"), "bank.gift");
    EXPECT_EQ(result.imported, 8u);
    EXPECT_EQ(checkErrors(result.source), Texts{});
    EXPECT_NE(result.source.find("# bank.gift:6 \"Capitale\"\n# also right in the bank: \"Lutèce\"\n# feedback on \"Lutèce\": "
                                 "\"Son nom antique\"\n[[question]]\nprompt = \"Quelle est la capitale de la France ?\"\n"),
              std::string::npos)
        << result.source;
}

TEST(PackImportGift, LineEndsEscapesAndAFullQuiz) {
    EXPECT_EQ(read(readGiftBank("\xEF\xBB\xBF// un commentaire\r\n\r\nQ1 ?{=un}\r\n\r\n// deux\rQ2 ?\r{=deux}\r\rQ3 ?{=trois}")),
              (Texts{"3: Q1 ? -> un", "6: Q2 ? -> deux", "9: Q3 ? -> trois"}));
    const QuestionBank bank = readGiftBank("::a\\:b::Deux\\nlignes \\\\ et \\{x\\} {=r\\=s\\#t\\~u \\\\ v\\n w#retour\\: \\#1}\n");
    ASSERT_EQ(bank.questions.size(), 1u);
    EXPECT_EQ(bank.questions[0].title, "a:b");
    EXPECT_EQ(read(bank), (Texts{"1: Deux\nlignes \\ et {x} -> r=s#t~u \\ v\n w", "1: feedback kept as a comment: the player gives none"}));
    EXPECT_EQ(bank.questions[0].comments, Texts{R"(feedback on "r=s#t~u \\ v\n w": "retour: #1")"});

    std::string full;
    for (int i = 1; i <= 100; ++i) full += "Question " + std::to_string(i) + " ?{=réponse " + std::to_string(i) + "}\n\n";
    const ImportResult result = imported(full, "bank.gift");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.imported, 96u);
    EXPECT_EQ(result.setAside, 4u);
    EXPECT_EQ(result.messages.front(),
              "bank.gift:193: not imported (kept as a comment): the quiz is full: it holds at most 96 questions");
    EXPECT_EQ(checkErrors(result.source), Texts{});
    // Found by fuzz_gift_import: an import that writes nothing leaves no source.
    const ImportResult none = imported("Capitale ?{=北京}\n\nBarre ?{=a|b}\n\nEspaces {#=  Paris  }\n", "bank.gift");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.source, "");
    EXPECT_EQ(none.messages.back(), "bank.gift: no question could be imported");
}
}  // namespace
