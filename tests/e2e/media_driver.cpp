// Plays sound and video quizzes from outside: checks that every row hosts a
// media player, presses each play button with the real mouse and watches the
// clip file it writes in the working directory, held open by the media
// player where Wine renders the format (WAV, MP3, AVI), then a stop button,
// and closing while a clip plays. The desktop is shot meanwhile as sound-quiz.png and
// video-quiz.png.
//
//   vyrla_e2e_media_driver MARKER-FOLDER PLAYER.exe...
#include <functional>
#include <vector>

#include "tests/e2e/drive.h"

using namespace drive;

namespace {

// The clip files in the working directory, joined.
std::string mediaFiles() {
    std::string names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("vyrla4*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names += (names.empty() ? "" : " ") + std::string(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Open elsewhere without leave to share it: the media player has it.
bool heldOpen(const std::string& name) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file == INVALID_HANDLE_VALUE ? GetLastError() == ERROR_SHARING_VIOLATION : !CloseHandle(file);
}

// The player may take a moment to take in a click while a clip starts.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 50 && !condition(); ++i) Sleep(100);
    return condition();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return std::fprintf(stderr, "usage: vyrla_e2e_media_driver MARKER-FOLDER PLAYER.exe...\n"), 2;
    for (int a = 2; a < argc; ++a) {
        const std::string exe = argv[a];
        std::printf("== %s\n", exe.c_str());
        DeleteFileA(progressName(exe).c_str());
        Player player;
        if (!check(player.start(exe), "the player starts and shows its panels")) continue;
        int count = 0;
        while (player.control(6000 + count + 1) && player.control(7000 + count + 1)) ++count;
        for (int n = 1; n <= count; ++n) {
            const std::string row = "row " + std::to_string(n);
            check(GetWindow(player.control(9900 + n), GW_CHILD), row + " hosts a media player in its area");
            click(player.control(6000 + n));
            std::string file;
            const std::string expected = "vyrla" + std::to_string(400 + n) + ".";
            check(eventually([&] { return (file = mediaFiles()).rfind(expected, 0) == 0 && file.find(' ') == std::string::npos; }),
                  row + " writes its clip file, the only one", mediaFiles());
            const std::string format = file.substr(file.find('.') + 1);
            if (format == "WAV" || format == "MP3" || format == "AVI") {
                check(eventually([&file] { return heldOpen(file); }), "the media player plays " + file);
            } else {
                std::printf("format: %s written and handed over: Wine's media player cannot render it\n", file.c_str());
            }
            if (n == count) waitForShot(argv[1], exe.substr(6, exe.size() - 10) + "-quiz");
        }
        check(count > 0, "the quiz has media rows");
        click(player.control(7001));
        check(eventually([] { return mediaFiles().empty(); }), "a stop button stops the item started last and deletes its file",
              mediaFiles());
        click(player.control(6000 + count));
        check(player.stop(), "closing ends the player");
        check(mediaFiles().empty(), "closing deletes the clip file", mediaFiles());
    }
    return summary();
}
