// Drives the real player from outside, as a person would: starts it, clicks
// into answer fields and types with real keyboard input, reads the verdicts
// and the score back from its windows, closes it, checks the saved answers,
// and starts it again to see them restored.
//
//   vyrla_e2e_driver PLAYER.exe [SCREENSHOT-MARKER-FOLDER]
//
// With a marker folder it writes "ready" there once the answers are in and
// waits for "shot" before closing, so that a screenshot can be taken.
#include "tests/e2e/drive.h"

using namespace drive;

namespace {

std::string verdict(const Player& player, int field) { return text(GetDlgItem(player.panel, 5000 + field)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vyrla_e2e_driver PLAYER.exe [MARKER-FOLDER]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const std::string markers = argc > 2 ? argv[2] : "";
    const std::string progress = progressName(exe);
    DeleteFileA(progress.c_str());

    Player player;
    check(start(exe, &player), "the player starts and shows its panels");
    if (!player.panel) return 1;
    check(text(player.window) == "La France en douze questions", "the title bar shows the quiz title", text(player.window));
    check(text(GetDlgItem(player.header, 32)) == " 0 / 12", "the score starts at 0", text(GetDlgItem(player.header, 32)));

    typeAnswer(player, 1, L"mediterranee");
    check(verdict(player, 1) == "Presque", "accents count: two edits away", verdict(player, 1));
    typeAnswer(player, 3, L"Loire");
    check(verdict(player, 3) == "BRAVO", "a right answer", verdict(player, 3));
    typeAnswer(player, 4, L"la tour eiffel");
    check(verdict(player, 4) == "Trop long", "the answer with three characters more", verdict(player, 4));
    typeAnswer(player, 12, L"Jeanne d'Arc");
    check(verdict(player, 12) == "BRAVO", "a right answer at the bottom of the list", verdict(player, 12));
    typeAnswer(player, 11, L"Camembret");
    check(verdict(player, 11) == "Anagramme", "two letters swapped", verdict(player, 11));
    const std::string score = text(GetDlgItem(player.header, 32));
    check(score == " 2 / 12", "the score counts the right answers", score);
    const std::string code = text(GetDlgItem(player.header, 30));
    check(code == "MA", "the reward code of two right answers", code);

    waitForShot(markers);
    check(stop(&player), "closing ends the player");
    const std::string saved = fileBytes(progress);
    const std::string expected =
        "mediterranee\r\n\r\nLoire\r\nla tour eiffel\r\n\r\n\r\n\r\n\r\n\r\n\r\nCamembret\r\nJeanne d'Arc\r\n";
    check(saved == expected, "the saved answers, one line per field", saved);

    Player again;
    check(start(exe, &again), "the player starts again");
    if (again.panel) {
        check(text(GetDlgItem(again.panel, 4003)) == "Loire", "answers are restored", text(GetDlgItem(again.panel, 4003)));
        check(verdict(again, 1) == "Presque" && verdict(again, 3) == "BRAVO" && verdict(again, 11) == "Anagramme",
              "restored answers are judged again");
        check(text(GetDlgItem(again.header, 32)) == " 2 / 12", "the score is restored", text(GetDlgItem(again.header, 32)));
        stop(&again);
    }
    return summary();
}
