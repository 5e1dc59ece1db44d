// `vyrla-pack try`: the verdicts an author previews are the player's.
#include <gtest/gtest.h>

#include <sstream>

#include "pack/results/try_verdicts.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

namespace {

EncodedQuiz packedQuiz(const char* toml) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_TRUE(parseQuizSource(toml, "quiz.toml", ".", &source, &diagnostics));
    EXPECT_TRUE(buildQuizContent(source, &content, &diagnostics));
    std::vector<std::string> notes;
    return encodeQuiz(content, &notes);
}

TEST(PackTry, PrintsThePlayersVerdictForEachLine) {
    const char text[] = "kind = \"text\"\ntitle = \"T\"\n[[question]]\nprompt = \"p\"\nanswer = \"Méditerranée\"\n"
                        "[[question]]\nprompt = \"q\"\nanswer = \"Tour Eiffel\"\n";
    std::istringstream in("1\tmediterranee\n1\tMéditerranée \r\n2\tla tour eiffel\n\n2\ttour\n");
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_TRUE(tryVerdicts(packedQuiz(text), in, out, errors));
    EXPECT_EQ(out.str(),
              "1\tmediterranee\tPresque\n"
              "1\tMéditerranée \tBRAVO\n"
              "2\tla tour eiffel\tTrop long\n"
              "2\ttour\tFAUX\n");
    EXPECT_EQ(errors.str(), "");
}

TEST(PackTry, ReportsLinesItCannotReadAndGoesOn) {
    const char text[] = "kind = \"text\"\ntitle = \"T\"\n[[question]]\nprompt = \"p\"\nanswer = \"Paris\"\n";
    std::istringstream in("Paris\n2\tParis\n1.2\tParis\n1\tpari\n");
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_FALSE(tryVerdicts(packedQuiz(text), in, out, errors));
    EXPECT_EQ(out.str(), "1\tpari\tQuasiment\n");
    EXPECT_NE(errors.str().find("line 1:"), std::string::npos);
    EXPECT_NE(errors.str().find("line 2:"), std::string::npos);
    EXPECT_NE(errors.str().find("line 3:"), std::string::npos) << "a text quiz has no second field";
}

TEST(PackTry, TypedTextIsCutToTheFieldsEightyCharacters) {
    const char text[] = "kind = \"text\"\ntitle = \"T\"\n[[question]]\nprompt = \"p\"\nanswer = \"Paris\"\n";
    std::istringstream in("1\t" + std::string(79, ' ') + "Paris\n");
    std::ostringstream out;
    std::ostringstream errors;
    tryVerdicts(packedQuiz(text), in, out, errors);
    EXPECT_EQ(out.str(), "1\t" + std::string(79, ' ') + "P\tFAUX\n");
}

}  // namespace
