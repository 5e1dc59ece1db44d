// The stored form: Windows-1252 texts, every mode read back through the player's
// own loader, scrambled and plain, and the fallback to plain storage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/stored/lzw_compress.h"
#include "pack/stored/quiz_encode.h"
#include "quiz/windows1252.h"
#include "quiz/scramble.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes coded(const Bytes& expanded) { return lzwCompress(expanded.data(), expanded.size()); }
Bytes scrambledFrom(Bytes bytes, int keyPosition) {
    scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    return bytes;
}

// Distinct texts in every field, so that a text read into the wrong field shows.
QuizContent sampleQuiz(int mode, int answers, bool scramble) {
    return {answers == 2 ? kindPicture : kindText, answers, mode, 10, 20, 30, "Capitales d'Europe", "Jos\xE9 et Zo\xE9",
            "Trouvez la capitale de chaque pays.", "Ville", "Pays", "https://example.org", "Pied de page",
            {{"Paris", "France", "Capitale de la France", "La ville lumi\xE8re", "Sur la Seine"},
             {"Bruxelles", "Belgique", "Capitale de la Belgique", "Le Manneken-Pis", "Sur la Senne"},
             {"Luxembourg", "-", "Capitale du Grand-Duch\xE9", "M\xEAme nom que le pays", "Sur l'Alzette"}},
            {"A1", "B2"}, scramble, {}};
}

TEST(PackWindows1252, ConvertsBothWays) {
    std::string utf8 = "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ";
    std::string bytes = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97"
                        "\x98\x99\x9A\x9B\x9C\x9E\x9F";
    // ASCII and Latin-1 map to themselves.
    for (uint32_t c = 1; c <= 0xFF; ++c) {
        if (c < 0x80 || c > 0x9F) utf8 += utf8FromCodePoint(c), bytes += char(c);
    }
    std::vector<UnmappableCharacter> unmappable;
    EXPECT_EQ(utf8ToWindows1252(utf8, &unmappable), bytes);
    EXPECT_EQ(windows1252ToUtf8(bytes), utf8);
    // Broken UTF-8 is reported, not guessed at: a cut sequence, an overlong "/", a surrogate.
    EXPECT_EQ(utf8ToWindows1252("a\xC3|\xC0\xAF|\xED\xA0\x80", &unmappable), "a?|??|???");
    EXPECT_EQ(unmappable.size(), 6u);
}

TEST(PackEncode, EveryModeReadsBackThroughTheLoader) {
    for (int mode = 0; mode < 8; ++mode) {
        for (int answers : {1, 2}) {
            for (bool scramble : {false, true}) {
                SCOPED_TRACE("mode " + std::to_string(mode) + ", answers " + std::to_string(answers) + ", scramble " + std::to_string(scramble));
                const EncodedQuiz encoded = encodeQuiz(sampleQuiz(mode, answers, scramble), nullptr);
                EXPECT_EQ(encoded.quizScrambled && encoded.codesScrambled && encoded.contentBlockScrambled, scramble);
                const std::vector<std::string> differences = readBackDifferences(sampleQuiz(mode, answers, scramble), encoded);
                EXPECT_TRUE(differences.empty()) << differences[0];
            }
        }
    }
    // 69 scrambled bytes of a 21-byte key end on key position 6, where the quiz resource's starts.
    const QuizContent quiz = sampleQuiz(1, 1, true);
    const EncodedQuiz encoded = encodeQuiz(quiz, nullptr);
    EXPECT_EQ(encoded.quizResource, scrambledFrom(coded(expandedQuizResource(quiz)), 6));
    // Pictures are stored with their half-bytes exchanged.
    EXPECT_EQ(storedMediaBytes({401, MediaStorage::pictureSwapped, {0x1F, 0xD8}, {}}), Bytes({0xF1, 0x8D}));

    // The read-back check sees a field that differs, and the loader's message.
    QuizContent other = quiz;
    other.questions[1].hint = "Autre indice";
    other.codes[0] = "Z9";
    const std::vector<std::string> differences = readBackDifferences(other, encoded);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].rfind("question 2, hint:", 0), 0u) << differences[0];
    EXPECT_EQ(differences[1].rfind("code 1:", 0), 0u) << differences[1];
    EncodedQuiz noCodes = encoded;
    noCodes.codesResource.clear();
    EXPECT_NE(readBackDifferences(quiz, noCodes).at(0).find("Erreur dans le d\xC3\xA9" "cryptage des codes"), std::string::npos);
}

// The loader takes any content that expands as stored as it is. Scrambled
// codes can: a first line whose second character is "E" scrambles into the
// end code right after the first byte.
TEST(PackEncode, CodesThatExpandScrambledAreStoredPlain) {
    QuizContent quiz = sampleQuiz(1, 1, true);
    quiz.codes = {"LE CODE", "DEUX"};
    const Bytes codes = coded(expandedCodes(quiz));
    std::vector<std::string> notes;
    const EncodedQuiz encoded = encodeQuiz(quiz, &notes);
    EXPECT_TRUE(encoded.contentBlockScrambled && encoded.quizScrambled);
    EXPECT_FALSE(encoded.codesScrambled);
    EXPECT_EQ(encoded.codesResource, codes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("codes resource"), std::string::npos) << notes[0];
    EXPECT_TRUE(readBackDifferences(quiz, encoded).empty());
}
}  // namespace
