// Plays the demo quiz from outside, as a person would: types answers with the
// real keyboard, reads the verdicts, the score and the code back, has the
// desktop shot as demo-quiz.png, closes and checks the saved answers.
//
//   vyrla_e2e_driver MARKER-FOLDER PLAYER.exe
#include "tests/e2e/drive.h"

using namespace drive;

int main(int argc, char** argv) {
    if (argc < 3) return std::fprintf(stderr, "usage: vyrla_e2e_driver MARKER-FOLDER PLAYER.exe\n"), 2;
    const std::string exe = argv[2];
    DeleteFileA(progressName(exe).c_str());
    Player player;
    if (!check(player.start(exe), "the player starts and shows its panels")) return summary();
    auto score = [](const Player& p) { return text(GetDlgItem(p.header, 32)); };
    auto verdict = [](const Player& p, int field) { return text(p.control(5000 + field)); };
    check(text(player.window) == "La France en douze questions", "the title bar shows the quiz title", text(player.window));
    check(score(player) == " 0 / 12", "the score starts at 0", score(player));
    const struct {
        int field;
        const wchar_t* typed;
        const char* verdict;
    } answers[] = {{1, L"mediterranee", "Presque"}, {3, L"Loire", "BRAVO"}, {4, L"la tour eiffel", "Trop long"},
                   {12, L"Jeanne d'Arc", "BRAVO"}, {11, L"Camembret", "Anagramme"}};
    for (const auto& a : answers) {
        typeAnswer(player, a.field, a.typed);
        check(verdict(player, a.field) == a.verdict, "field " + std::to_string(a.field) + ": " + a.verdict, verdict(player, a.field));
    }
    check(score(player) == " 2 / 12", "the score counts the right answers", score(player));
    check(text(GetDlgItem(player.header, 30)) == "MA", "the reward code of two right answers");
    waitForShot(argv[1], "demo-quiz");
    check(player.stop(), "closing ends the player");
    const std::string saved = fileBytes(progressName(exe));
    check(saved == "mediterranee\r\n\r\nLoire\r\nla tour eiffel\r\n\r\n\r\n\r\n\r\n\r\n\r\nCamembret\r\nJeanne d'Arc\r\n",
          "the saved answers, one line per field", saved);
    return summary();
}
