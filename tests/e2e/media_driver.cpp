// Drives a sound or video quiz player from outside, as a person would: starts
// it, checks that every row hosts a media player, presses each play and stop
// button with the real mouse, and watches the temporary clip files in the
// working directory. A clip that plays is held open by the media player;
// a format the media player cannot render is only written and handed over
// (Wine's player may keep such a file open for a while after failing, so
// only the clips expected to play are held to that).
//
//   vyrla_e2e_media_driver PLAYER.exe ROW... [--shot MARKER-FOLDER]
//
// Each ROW is FILE=CLIP=EXPECTED: the temporary file name the row's play
// button writes, the clip it must hold byte for byte, and "plays" or
// "written" for what the media player is expected to do with it.
#include <cstring>
#include <functional>
#include <vector>

#include "tests/e2e/drive.h"

using namespace drive;

namespace {

struct Row {
    std::string file;
    std::string clip;
    bool plays;
};

bool exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Open elsewhere without leave to share it: the media player has it.
bool heldOpen(const std::string& name) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

// The temporary clip files in the working directory.
std::vector<std::string> mediaFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("vyrla4*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string joined(const std::vector<std::string>& names) {
    std::string all;
    for (const std::string& name : names) all += (all.empty() ? "" : " ") + name;
    return all.empty() ? "(none)" : all;
}

// Waits until the file is there with every byte of the clip, and, where
// the format plays, until the media player holds it.
bool waitForFile(const Row& row, const std::string& clip, bool* held) {
    for (int i = 0; i < 50; ++i) {
        if (exists(row.file) && fileBytes(row.file) == clip) {
            *held = heldOpen(row.file);
            if (*held || !row.plays || i > 20) return true;
        }
        Sleep(100);
    }
    return false;
}

// The player may take a moment to take in a click while a clip starts.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 50; ++i) {
        if (condition()) return true;
        Sleep(100);
    }
    return condition();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vyrla_e2e_media_driver PLAYER.exe FILE=CLIP=plays|written... [--shot FOLDER]\n");
        return 2;
    }
    const std::string exe = argv[1];
    std::string markers;
    std::vector<Row> rows;
    for (int a = 2; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--shot" && a + 1 < argc) {
            markers = argv[++a];
            continue;
        }
        const size_t first = arg.find('=');
        const size_t last = arg.rfind('=');
        if (first == std::string::npos || first == last) {
            std::fprintf(stderr, "bad row: %s\n", arg.c_str());
            return 2;
        }
        rows.push_back({arg.substr(0, first), arg.substr(first + 1, last - first - 1), arg.substr(last + 1) == "plays"});
    }
    const std::string progress = progressName(exe);
    DeleteFileA(progress.c_str());

    Player player;
    check(start(exe, &player), "the player starts and shows its panels");
    if (!player.panel) return 1;
    const int count = static_cast<int>(rows.size());
    for (int n = 1; n <= count; ++n) {
        HWND area = GetDlgItem(player.panel, 9900 + n);
        check(area && GetWindow(area, GW_CHILD), "row " + std::to_string(n) + " hosts a media player in its area");
        check(GetDlgItem(player.panel, 6000 + n) && GetDlgItem(player.panel, 7000 + n),
              "row " + std::to_string(n) + " has its play and stop buttons");
    }
    check(mediaFiles().empty(), "no clip is written before a play", joined(mediaFiles()));

    int playing = 0;
    for (int n = 1; n <= count; ++n) {
        const Row& row = rows[n - 1];
        const std::string clip = fileBytes(row.clip);
        click(GetDlgItem(player.panel, 6000 + n));
        bool held = false;
        const bool written = waitForFile(row, clip, &held);
        check(written, "play " + std::to_string(n) + " writes " + row.file + " with the clip's bytes", joined(mediaFiles()));
        // Where Wine's media player cannot render a format it may still keep
        // the file open, so only a format that plays is held to it.
        if (row.plays) check(held, "the media player plays " + row.file);
        std::printf("format: %s %s\n", row.file.c_str(),
                    row.plays ? (held ? "plays: the media player holds it open" : "NOT held by the media player")
                              : "written and handed over: Wine's media player cannot render it");
        if (row.plays && held) ++playing;
        check(mediaFiles() == std::vector<std::string>{row.file}, "only the file of the row started last is left",
              joined(mediaFiles()));
    }
    std::printf("%d of %d clips played\n", playing, count);

    // Stop: the file of the item started last goes, whichever stop is pressed.
    click(GetDlgItem(player.panel, 7001));
    check(eventually([] { return mediaFiles().empty(); }),
          "a stop button stops the item started last and deletes its file", joined(mediaFiles()));
    click(GetDlgItem(player.panel, 7001));
    check(mediaFiles().empty(), "a second stop does nothing more", joined(mediaFiles()));

    // Play twice: the file is written afresh.
    click(GetDlgItem(player.panel, 6001));
    click(GetDlgItem(player.panel, 6001));
    bool held = false;
    check(waitForFile(rows[0], fileBytes(rows[0].clip), &held), "a second play writes the clip again",
          joined(mediaFiles()));

    // Enter in an answer field judges it and never presses a play button.
    click(GetDlgItem(player.panel, 7002));
    check(eventually([] { return mediaFiles().empty(); }), "stopped before typing", joined(mediaFiles()));
    typeAnswer(player, 1, L"zzz");
    HWND verdict = GetDlgItem(player.panel, 5001);
    check(eventually([verdict] { return text(verdict) == "FAUX"; }), "Enter judges the answer", text(verdict));
    check(mediaFiles().empty(), "Enter plays nothing", joined(mediaFiles()));

    // Close while a clip plays: the answers are saved and the file is gone.
    click(GetDlgItem(player.panel, 6000 + count));
    const std::string last = rows[count - 1].file;
    check(eventually([&last] { return exists(last); }), "the last row plays before closing");
    waitForShot(markers);
    check(stop(&player), "closing ends the player");
    check(mediaFiles().empty(), "closing deletes the last clip file", joined(mediaFiles()));
    std::string expectedSave = "zzz\r\n";
    for (int n = 2; n <= count; ++n) expectedSave += "\r\n";
    check(fileBytes(progress) == expectedSave, "the answers are saved", fileBytes(progress));

    return summary();
}
