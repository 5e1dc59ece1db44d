// Sound and video rows: the hosted media players, the play and stop buttons,
// the temporary files of the clips, and the failures around them. The clips
// are this executable's own "IMG" resources (data/media4.toml: WAV, MP3,
// MIDI, AVI), as they are a player's.
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <wmp.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "media/media_clip.h"
#include "media/media_host.h"
#include "media/media_player.h"
#include "tests/win32/player_fixture.h"

namespace {

constexpr DISPID playStateChange = 5101;  // the media player's play-state event

// Records the play states a media player reports through its event
// interface, the way it tells a page that hosts it.
class PlayStates : public IDispatch {
public:
    explicit PlayStates(IWMPPlayer* player) {
        if (!player) return;
        IConnectionPointContainer* points = nullptr;
        if (SUCCEEDED(player->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
            if (SUCCEEDED(points->FindConnectionPoint(__uuidof(_WMPOCXEvents), &point))) point->Advise(this, &cookie);
            points->Release();
        }
    }
    ~PlayStates() {
        if (!point) return;
        point->Unadvise(cookie);
        point->Release();
    }
    PlayStates(const PlayStates&) = delete;
    PlayStates& operator=(const PlayStates&) = delete;

    bool listening() const { return cookie != 0; }
    bool saw(WMPPlayState state) const { return std::find(states.begin(), states.end(), state) != states.end(); }
    std::string seen() const {
        std::string text;
        for (long s : states) text += std::to_string(s) + " ";
        return text;
    }

    HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_WMPOCXEvents)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count does not own it.
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT WINAPI Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == playStateChange && parameters && parameters->cArgs == 1) {
            VARIANT state;
            VariantInit(&state);
            if (SUCCEEDED(VariantChangeType(&state, &parameters->rgvarg[0], 0, VT_I4))) states.push_back(V_I4(&state));
        }
        return S_OK;
    }

private:
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    std::vector<long> states;
};

std::string clipBytes(int n) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(400 + n), "IMG");
    if (!found) return "";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

bool exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// The media files in the working directory.
std::vector<std::string> mediaFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("vyrla4*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> files(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

std::string playerUrl(int n) {
    IWMPPlayer* player = mediaPlayer(n);
    if (!player) return "(no player)";
    BSTR url = nullptr;
    if (FAILED(player->get_URL(&url)) || !url) return "";
    char text[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, url, -1, text, sizeof text, nullptr, nullptr);
    SysFreeString(url);
    return text;
}

DWORD linkCount(const char* name) {
    HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION information{};
    GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return information.nNumberOfLinks;
}

// Watches the working directory and lists, in order, the names that were
// added ("+name") and removed ("-name").
class FolderChanges {
public:
    FolderChanges() {
        folder = CreateFileA(".", FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        arm();
    }
    ~FolderChanges() {
        CancelIo(folder);
        CloseHandle(overlapped.hEvent);
        CloseHandle(folder);
    }
    FolderChanges(const FolderChanges&) = delete;
    FolderChanges& operator=(const FolderChanges&) = delete;

    // Collects what arrives within the time given, pumping messages meanwhile.
    std::vector<std::string> collect(DWORD milliseconds, const std::function<void()>& pump) {
        const DWORD until = GetTickCount() + milliseconds;
        while (GetTickCount() < until) {
            pump();
            if (WaitForSingleObject(overlapped.hEvent, 20) != WAIT_OBJECT_0) continue;
            DWORD size = 0;
            if (!GetOverlappedResult(folder, &overlapped, &size, FALSE)) break;
            for (size_t at = 0; size;) {
                const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
                char name[MAX_PATH] = "";
                WideCharToMultiByte(CP_ACP, 0, entry->FileName, static_cast<int>(entry->FileNameLength / 2), name,
                                    sizeof name - 1, nullptr, nullptr);
                if (entry->Action == FILE_ACTION_ADDED) changes.push_back(std::string("+") + name);
                if (entry->Action == FILE_ACTION_REMOVED) changes.push_back(std::string("-") + name);
                if (!entry->NextEntryOffset) break;
                at += entry->NextEntryOffset;
            }
            arm();
        }
        return changes;
    }

private:
    void arm() {
        ResetEvent(overlapped.hEvent);
        ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped,
                              nullptr);
    }

    HANDLE folder;
    OVERLAPPED overlapped{};
    alignas(DWORD) BYTE buffer[4096];
    std::vector<std::string> changes;
};

class MediaRows : public PlayerWindows {
protected:
    void SetUp() override {
        PlayerWindows::SetUp();
        startMediaHost();
    }
    void TearDown() override {
        close();
        stopMediaHost();
        setClipModule(nullptr);
        PlayerWindows::TearDown();
    }

    void click(int id) {
        SendMessageA(control(id), BM_CLICK, 0, 0);
        pump();
    }
    void play(int n) { click(6000 + n); }
    void stop(int n) { click(7000 + n); }

    // Pumps until the player reports the state, or a few seconds pass.
    bool waitFor(const PlayStates& states, WMPPlayState state) {
        for (int i = 0; i < 150 && !states.saw(state); ++i) {
            pump();
            Sleep(20);
        }
        return states.saw(state);
    }

    // Sends Enter through the dialog keyboard handling, as the message loop
    // does, to the control that has the focus.
    void enterThroughDialog() {
        MSG down{GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
        if (!IsDialogMessageA(panel, &down)) {
            TranslateMessage(&down);
            DispatchMessageA(&down);
        }
        pump();
        MSG up{GetFocus(), WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001), 0, {0, 0}};
        if (!IsDialogMessageA(panel, &up)) DispatchMessageA(&up);
        pump();
    }
};

void video(QuizState* quiz) { quiz->kind = kindVideo; }

// A fifth question whose clip the executable does not carry.
void fiveQuestions(QuizState* quiz) {
    appendQuestion(quiz, "silence", "", "");
    quiz->questionCount = 5;
}

TEST_F(MediaRows, EveryRowHasItsHostedPlayerAndPlainIconButtons) {
    open("media4");
    EXPECT_TRUE(shownMessages.empty());
    for (int n = 1; n <= 4; ++n) {
        EXPECT_NE(mediaPlayer(n), nullptr) << n;
        EXPECT_NE(GetWindow(picture(n), GW_CHILD), nullptr) << "the media area hosts the player of row " << n;
        for (int id : {6000 + n, 7000 + n}) {
            const LONG style = GetWindowLongA(control(id), GWL_STYLE);
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << id;
            EXPECT_TRUE(style & BS_ICON) << id;
            EXPECT_NE(SendMessageA(control(id), BM_GETIMAGE, IMAGE_ICON, 0), 0) << id;
        }
    }
    EXPECT_EQ(mediaPlayer(5), nullptr);
    EXPECT_EQ(currentMedia(), 0);
}

TEST_F(MediaRows, PlayWritesTheClipByteForByteAndHandsItToThePlayer) {
    open("media4");
    PlayStates states(mediaPlayer(1));
    ASSERT_TRUE(states.listening());
    play(1);
    EXPECT_EQ(currentMedia(), 1);
    EXPECT_EQ(mediaFiles(), files({"vyrla401.WAV"}));
    EXPECT_EQ(fileBytes("vyrla401.WAV"), clipBytes(1));
    EXPECT_EQ(clipBytes(1).size(), 844u);
    EXPECT_EQ(playerUrl(1), "vyrla401.WAV");
    EXPECT_TRUE(waitFor(states, wmppsPlaying)) << "states seen: " << states.seen();
}

// Which formats Wine's media player plays here: WAV, MP3 and the AVI play;
// it has no MIDI renderer, so the MIDI file is only written and handed over.
TEST_F(MediaRows, EachFormatIsWrittenWithItsExtensionAndPlayedWherePossible) {
    open("media4");
    const char* names[] = {"vyrla401.WAV", "vyrla402.MP3", "vyrla403.MID", "vyrla404.AVI"};
    const bool plays[] = {true, true, false, true};
    for (int n = 1; n <= 4; ++n) {
        PlayStates states(mediaPlayer(n));
        play(n);
        EXPECT_EQ(mediaFiles(), files({names[n - 1]})) << "only the file of the row played last";
        EXPECT_EQ(fileBytes(names[n - 1]), clipBytes(n)) << n;
        EXPECT_EQ(playerUrl(n), names[n - 1]);
        if (plays[n - 1]) {
            EXPECT_TRUE(waitFor(states, wmppsPlaying)) << names[n - 1] << ": " << states.seen();
        }
    }
}

TEST_F(MediaRows, ASecondPlayDeletesTheFileAndWritesItAgain) {
    open("media4");
    play(2);
    ASSERT_TRUE(exists("vyrla402.MP3"));
    // A second name for the first file: it outlives the first name only if
    // that name is deleted rather than written over.
    ASSERT_TRUE(CreateHardLinkA("first.MP3", "vyrla402.MP3", nullptr));
    ASSERT_EQ(linkCount("first.MP3"), 2u);
    PlayStates states(mediaPlayer(2));
    play(2);
    EXPECT_EQ(linkCount("first.MP3"), 1u) << "the first file was deleted";
    EXPECT_EQ(fileBytes("vyrla402.MP3"), clipBytes(2)) << "and written again";
    EXPECT_TRUE(waitFor(states, wmppsPlaying)) << states.seen();
    DeleteFileA("first.MP3");
}

TEST_F(MediaRows, PlayOnAnotherRowStopsTheFirstAndDeletesItsFileBeforeWriting) {
    open("media4");
    PlayStates first(mediaPlayer(1));
    play(1);
    ASSERT_TRUE(waitFor(first, wmppsPlaying)) << first.seen();
    FolderChanges changes;
    play(2);
    EXPECT_TRUE(first.saw(wmppsStopped)) << first.seen();
    const std::vector<std::string> seen = changes.collect(1500, [this] { pump(); });
    const std::vector<std::string> expected = {"-vyrla401.WAV", "+vyrla402.MP3"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(mediaFiles(), files({"vyrla402.MP3"}));
    EXPECT_EQ(currentMedia(), 2);
}

// A file that cannot be written must not be handed to the player: it would
// play whatever stands under that name.
TEST_F(MediaRows, AFileThatCannotBeCreatedIsNotPlayed) {
    open("media4");
    ASSERT_TRUE(CreateDirectoryA("vyrla401.WAV", nullptr));
    PlayStates states(mediaPlayer(1));
    play(1);
    EXPECT_EQ(currentMedia(), 1);
    EXPECT_EQ(playerUrl(1), "");
    EXPECT_FALSE(states.saw(wmppsPlaying)) << states.seen();
    EXPECT_TRUE(shownMessages.empty());
    RemoveDirectoryA("vyrla401.WAV");
}

TEST_F(MediaRows, AStaleFileThatCannotBeReplacedIsNotPlayed) {
    writeFileBytes("vyrla402.MP3", "stale");
    HANDLE held = CreateFileA("vyrla402.MP3", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    open("media4");
    PlayStates states(mediaPlayer(2));
    play(2);
    EXPECT_EQ(playerUrl(2), "");
    EXPECT_FALSE(states.saw(wmppsPlaying)) << states.seen();
    CloseHandle(held);
    EXPECT_EQ(fileBytes("vyrla402.MP3"), "stale");
    play(2);
    EXPECT_EQ(fileBytes("vyrla402.MP3"), clipBytes(2)) << "once free, the file is written whole";
    EXPECT_EQ(playerUrl(2), "vyrla402.MP3");
}

TEST_F(MediaRows, StopStopsThePlayerAndDeletesTheFile) {
    open("media4");
    PlayStates states(mediaPlayer(4));
    play(4);
    ASSERT_TRUE(waitFor(states, wmppsPlaying)) << states.seen();
    stop(4);
    EXPECT_TRUE(states.saw(wmppsStopped)) << states.seen();
    EXPECT_EQ(mediaFiles(), files({}));
    EXPECT_EQ(currentMedia(), 4);
}

TEST_F(MediaRows, ClosingThePanelStopsReleasesAndDeletes) {
    open("media4");
    PlayStates states(mediaPlayer(2));
    play(2);
    ASSERT_TRUE(exists("vyrla402.MP3"));
    close();
    EXPECT_TRUE(states.saw(wmppsStopped)) << states.seen();
    EXPECT_EQ(mediaFiles(), files({}));
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(mediaPlayer(n), nullptr) << "released with the panel";
    EXPECT_EQ(currentMedia(), 0);
}

TEST_F(MediaRows, StopBeforeAnyPlayDoesNothing) {
    open("media4");
    stop(3);
    stop(1);
    EXPECT_EQ(currentMedia(), 0);
    EXPECT_EQ(mediaFiles(), files({}));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(MediaRows, TheStopButtonOfAnotherRowStopsTheItemStartedLast) {
    open("media4");
    PlayStates states(mediaPlayer(1));
    play(1);
    ASSERT_TRUE(waitFor(states, wmppsPlaying)) << states.seen();
    stop(3);
    EXPECT_TRUE(states.saw(wmppsStopped)) << states.seen();
    EXPECT_EQ(mediaFiles(), files({}));
}

TEST_F(MediaRows, AMissingClipPlaysNothingAndSaysNothing) {
    open("media4", fiveQuestions);
    ASSERT_NE(mediaPlayer(5), nullptr);
    play(1);
    play(5);
    EXPECT_EQ(currentMedia(), 5);
    EXPECT_EQ(mediaFiles(), files({})) << "row 1's file went, and row 5 has none";
    EXPECT_EQ(playerUrl(5), "");
    EXPECT_TRUE(shownMessages.empty());
}

// The test executable itself, with the data entry of clip 401 pointing
// outside the file, loaded as a data file: the clip is found but cannot be
// loaded.
HMODULE moduleWithUnloadableClip(const std::string& folder) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string image = fileBytes(self);
    auto at = [&image](size_t offset) { return reinterpret_cast<unsigned char*>(&image[offset]); };
    auto word = [&](size_t offset) { return *reinterpret_cast<const WORD*>(at(offset)); };
    auto dword = [&](size_t offset) { return *reinterpret_cast<const DWORD*>(at(offset)); };

    const size_t nt = dword(offsetof(IMAGE_DOS_HEADER, e_lfanew));
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS64*>(at(nt));
    const DWORD resources = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    const auto* sections = IMAGE_FIRST_SECTION(headers);
    size_t base = 0;
    for (int s = 0; s < headers->FileHeader.NumberOfSections; ++s) {
        if (resources >= sections[s].VirtualAddress && resources < sections[s].VirtualAddress + sections[s].Misc.VirtualSize) {
            base = resources - sections[s].VirtualAddress + sections[s].PointerToRawData;
        }
    }
    if (!base) return nullptr;
    // One level of the resource tree: the entry whose name or id matches.
    auto find = [&](size_t directory, const wchar_t* name, WORD id) -> size_t {
        const WORD named = word(directory + 12);
        const WORD ids = word(directory + 14);
        for (int e = 0; e < named + ids; ++e) {
            const size_t entry = directory + 16 + 8 * e;
            const DWORD key = dword(entry);
            bool match = false;
            if (key & 0x80000000u) {
                const size_t text = base + (key & 0x7FFFFFFFu);
                const std::wstring entryName(reinterpret_cast<const wchar_t*>(at(text + 2)), word(text));
                match = name && entryName == name;
            } else {
                match = !name && key == id;
            }
            if (match) return base + (dword(entry + 4) & 0x7FFFFFFFu);
        }
        return 0;
    };
    const size_t type = find(base, L"IMG", 0);
    const size_t clip = type ? find(type, nullptr, 401) : 0;
    if (!clip) return nullptr;
    const size_t data = base + (dword(clip + 16 + 4) & 0x7FFFFFFFu);  // its first language
    *reinterpret_cast<DWORD*>(at(data)) = 0x7FFFFF00u;
    const std::string path = folder + "\\unloadable.exe";
    writeFileBytes(path.c_str(), image);
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

TEST_F(MediaRows, AClipThatCannotBeLoadedGivesTheAudioMessage) {
    open("media4");
    HMODULE module = moduleWithUnloadableClip(folder);
    ASSERT_NE(module, nullptr);
    ASSERT_NE(FindResourceA(module, MAKEINTRESOURCEA(401), "IMG"), nullptr);
    setClipModule(module);
    play(1);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].text, "Impossible de charger le fichier audio.");
    EXPECT_EQ(shownMessages[0].caption, "Vyrla");
    EXPECT_EQ(shownMessages[0].style, static_cast<unsigned>(MB_OK));
    EXPECT_EQ(mediaFiles(), files({}));
    EXPECT_EQ(playerUrl(1), "");
    play(2);
    EXPECT_EQ(shownMessages.size(), 1u) << "another clip of that module loads";
    EXPECT_EQ(mediaFiles(), files({"vyrla402.MP3"}));
    setClipModule(nullptr);
    FreeLibrary(module);
}

TEST_F(MediaRows, AClipThatCannotBeLoadedGivesTheVideoMessage) {
    open("media4", video);
    HMODULE module = moduleWithUnloadableClip(folder);
    ASSERT_NE(module, nullptr);
    setClipModule(module);
    play(1);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].text, "Impossible de charger le fichier vid\xE9o.");
    EXPECT_EQ(shownMessages[0].caption, "Vyrla");
    EXPECT_EQ(shownMessages[0].style, static_cast<unsigned>(MB_OK));
    setClipModule(nullptr);
    FreeLibrary(module);
}

TEST_F(MediaRows, VideoRowsShowThePlayerInTheirArea) {
    open("media4", video);
    const RECT area = placeInParent(picture(4));
    EXPECT_EQ(area.right - area.left, 260);
    EXPECT_EQ(area.bottom - area.top, 200);
    HWND hosted = GetWindow(picture(4), GW_CHILD);
    ASSERT_NE(hosted, nullptr);
    EXPECT_TRUE(IsWindowVisible(hosted));
    PlayStates states(mediaPlayer(4));
    play(4);
    EXPECT_EQ(mediaFiles(), files({"vyrla404.AVI"}));
    EXPECT_TRUE(waitFor(states, wmppsPlaying)) << states.seen();
    stop(1);
    EXPECT_EQ(mediaFiles(), files({})) << "any stop button stops it";
}

TEST_F(MediaRows, CommandsOtherThanClicksAreIgnored) {
    open("media4");
    for (WORD code : {WORD(BN_SETFOCUS), WORD(BN_KILLFOCUS), WORD(BN_DBLCLK), WORD(1)}) {
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(6001, code), reinterpret_cast<LPARAM>(playButton(1)));
    }
    for (WPARAM id : {6000, 6097, 5001, 9901}) SendMessageA(panel, WM_COMMAND, id, 0);
    pump();
    EXPECT_EQ(currentMedia(), 0);
    EXPECT_EQ(mediaFiles(), files({}));

    play(2);
    ASSERT_TRUE(exists("vyrla402.MP3"));
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(7002, BN_SETFOCUS), reinterpret_cast<LPARAM>(stopButton(2)));
    SendMessageA(panel, WM_COMMAND, 7000, 0);
    SendMessageA(panel, WM_COMMAND, 7097, 0);
    pump();
    EXPECT_TRUE(exists("vyrla402.MP3")) << "only a click on a stop button stops";
    SendMessageA(panel, WM_COMMAND, 7096, 0);
    pump();
    EXPECT_FALSE(exists("vyrla402.MP3")) << "the last stop button of the range";
}

void expectNoPlayers(const char* name, HWND panel, int line) {
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(mediaPlayer(n), nullptr) << name << " " << n << ", from line " << line;
    SendMessageA(panel, WM_COMMAND, 6001, 0);
    SendMessageA(panel, WM_COMMAND, 7001, 0);
    EXPECT_EQ(currentMedia(), 0) << name << ", from line " << line;
    EXPECT_TRUE(shownMessages.empty()) << name << ", from line " << line;
}

TEST_F(MediaRows, ATextQuizNeverCreatesAPlayer) {
    open("text3");
    expectNoPlayers("text3", panel, __LINE__);
}

TEST_F(MediaRows, APictureQuizNeverCreatesAPlayer) {
    open("picture4");
    expectNoPlayers("picture4", panel, __LINE__);
}

TEST_F(MediaRows, CommandsReachThePlayersOnlyInSoundAndVideoQuizzes) {
    open("media4");
    quiz.kind = kindPicture;
    play(1);
    EXPECT_EQ(currentMedia(), 0);
    EXPECT_EQ(mediaFiles(), files({}));
    quiz.kind = kindText;
    play(1);
    EXPECT_EQ(currentMedia(), 0);
    quiz.kind = kindVideo;
    play(1);
    EXPECT_EQ(currentMedia(), 1);
    quiz.kind = kindSound;
}

// Enter in an answer field judges it. The dialog keyboard handling presses
// the panel's default button on Enter: there must be none, neither at start
// nor after Tab has passed over a play button and a click has moved on.
TEST_F(MediaRows, EnterInAnAnswerFieldJudgesAndNeverPlays) {
    open("media4");
    type(1, "cloche");
    enterThroughDialog();
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_EQ(currentMedia(), 0);

    SetFocus(field(1));
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    IsDialogMessageA(panel, &tab);
    pump();
    ASSERT_EQ(GetDlgCtrlID(GetFocus()), 6001);
    SendMessageA(field(2), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(field(2), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    pump();
    ASSERT_EQ(GetFocus(), field(2));
    type(2, "sirene");
    enterThroughDialog();
    EXPECT_EQ(verdict(2), "BRAVO");
    EXPECT_EQ(currentMedia(), 0);
    EXPECT_EQ(mediaFiles(), files({}));
}

// The dialog manager presses the button of its default id, and without one
// a button styled as the default. Neither may be a play button, whatever
// default id the panel is handed.
TEST_F(MediaRows, EnterNeverPressesPlayWhateverDefaultTheDialogIsGiven) {
    open("media4");
    for (WPARAM given : {WPARAM(0), WPARAM(6001), WPARAM(6003)}) {
        SendMessageA(panel, DM_SETDEFID, given, 0);
        type(2, "sirene");
        enterThroughDialog();
        EXPECT_EQ(verdict(2), "BRAVO") << given;
        EXPECT_EQ(currentMedia(), 0) << given;
        EXPECT_EQ(mediaFiles(), files({})) << given;
        EXPECT_EQ(HIWORD(SendMessageA(panel, DM_GETDEFID, 0, 0)), 0) << "no default button after " << given;
    }
}

// Every row gets its controls even where no player can be made, and the
// failure is reported once.
void expectRowsWithoutPlayers(HWND panel, int line) {
    for (int n = 1; n <= 4; ++n) {
        for (int id : {4000 + n, 5000 + n, 6000 + n, 7000 + n, 2000 + n}) {
            EXPECT_NE(GetDlgItem(panel, id), nullptr) << "control " << id << ", from line " << line;
        }
        EXPECT_EQ(mediaPlayer(n), nullptr) << "from line " << line;
    }
    ASSERT_EQ(shownMessages.size(), 1u) << "from line " << line;
    EXPECT_EQ(shownMessages[0].text, "Erreur WindowsMediaPlater") << "from line " << line;
    EXPECT_EQ(shownMessages[0].caption, "VYRLA") << "from line " << line;
    EXPECT_EQ(shownMessages[0].style, static_cast<unsigned>(MB_OK)) << "from line " << line;
}

class MediaWithoutPlayers : public PlayerWindows {
protected:
    void TearDown() override {
        close();
        PlayerWindows::TearDown();
    }
    // The rows are inert, the answers are still judged and saved.
    void answerPlayAndSave(int line) {
        SendMessageA(playButton(1), BM_CLICK, 0, 0);
        SendMessageA(stopButton(1), BM_CLICK, 0, 0);
        pump();
        EXPECT_EQ(mediaFiles(), files({})) << "from line " << line;
        EXPECT_EQ(currentMedia(), 0) << "from line " << line;
        answer(4, "mire");
        EXPECT_EQ(verdict(4), "BRAVO") << "from line " << line;
        close();
        EXPECT_EQ(fileBytes(progressName.c_str()), "\r\n\r\n\r\nmire\r\n") << "from line " << line;
    }
};

TEST_F(MediaWithoutPlayers, WithoutAtlEveryRowIsBuiltWithoutAPlayer) {
    // COM runs, but "atl.dll" could not be loaded: nothing to host a player.
    ASSERT_EQ(attachControl, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    open("media4");
    expectRowsWithoutPlayers(panel, __LINE__);
    answerPlayAndSave(__LINE__);
    CoUninitialize();
}

// Stands registered for the media player's class in this process and
// refuses to make one, as COM answers when the media player is not there.
class RefusingFactory : public IClassFactory {
public:
    RefusingFactory() {
        CoRegisterClassObject(__uuidof(WindowsMediaPlayer), this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    }
    ~RefusingFactory() {
        if (cookie) CoRevokeClassObject(cookie);
    }
    RefusingFactory(const RefusingFactory&) = delete;
    RefusingFactory& operator=(const RefusingFactory&) = delete;

    bool registered() const { return cookie != 0; }

    HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI CreateInstance(IUnknown*, REFIID, void** out) override {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    HRESULT WINAPI LockServer(BOOL) override { return S_OK; }

private:
    DWORD cookie = 0;
};

TEST_F(MediaWithoutPlayers, APlayerThatCannotBeCreatedLeavesEveryRowBuilt) {
    startMediaHost();
    ASSERT_NE(attachControl, nullptr);
    {
        RefusingFactory refusing;
        ASSERT_TRUE(refusing.registered());
        open("media4");
        expectRowsWithoutPlayers(panel, __LINE__);
        answerPlayAndSave(__LINE__);
    }
    stopMediaHost();
}

// Records the blocks freed through COM's allocator that hold one of the
// watched texts as a BSTR (the text preceded by its length in bytes), and
// the blocks allocated and not yet freed. COM keeps calling a revoked spy
// until the blocks it saw are freed, from any thread: it is never deleted,
// and it locks.
class BstrSpy : public IMallocSpy {
public:
    explicit BstrSpy(std::vector<std::wstring> watched) : texts(std::move(watched)) { InitializeCriticalSection(&lock); }

    void forget() {
        EnterCriticalSection(&lock);
        freed.clear();
        LeaveCriticalSection(&lock);
    }
    std::vector<std::wstring> freedNow() {
        EnterCriticalSection(&lock);
        std::vector<std::wstring> copy = freed;
        LeaveCriticalSection(&lock);
        return copy;
    }
    std::vector<std::wstring> liveNow() {
        EnterCriticalSection(&lock);
        std::vector<std::wstring> found;
        for (const auto& block : live) {
            for (const auto& text : texts) {
                if (holdsBstr(block.first, block.second, text)) found.push_back(text);
            }
        }
        LeaveCriticalSection(&lock);
        return found;
    }

    HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    SIZE_T WINAPI PreAlloc(SIZE_T request) override {
        requested = request;
        return request;
    }
    void* WINAPI PostAlloc(void* block) override {
        EnterCriticalSection(&lock);
        if (block) live[block] = requested;
        LeaveCriticalSection(&lock);
        return block;
    }
    void* WINAPI PreFree(void* block, BOOL spied) override {
        EnterCriticalSection(&lock);
        auto found = live.find(block);
        if (spied && found != live.end()) {
            for (const auto& text : texts) {
                if (holdsBstr(block, found->second, text)) freed.push_back(text);
            }
            live.erase(found);
        }
        LeaveCriticalSection(&lock);
        return block;
    }
    void WINAPI PostFree(BOOL) override {}
    SIZE_T WINAPI PreRealloc(void* block, SIZE_T request, void** newBlock, BOOL) override {
        EnterCriticalSection(&lock);
        live.erase(block);
        LeaveCriticalSection(&lock);
        requested = request;
        *newBlock = block;
        return request;
    }
    void* WINAPI PostRealloc(void* block, BOOL) override {
        EnterCriticalSection(&lock);
        if (block) live[block] = requested;
        LeaveCriticalSection(&lock);
        return block;
    }
    void* WINAPI PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T WINAPI PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* WINAPI PreDidAlloc(void* block, BOOL) override { return block; }
    int WINAPI PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void WINAPI PreHeapMinimize() override {}
    void WINAPI PostHeapMinimize() override {}

private:
    static bool holdsBstr(const void* block, SIZE_T size, const std::wstring& text) {
        const size_t bytes = text.size() * sizeof(wchar_t);
        const auto* start = static_cast<const unsigned char*>(block);
        for (size_t at = sizeof(DWORD); at + bytes + sizeof(wchar_t) <= size; at += 2) {
            if (std::memcmp(start + at, text.c_str(), bytes + sizeof(wchar_t)) != 0) continue;
            DWORD length;
            std::memcpy(&length, start + at - sizeof(DWORD), sizeof length);
            if (length == bytes) return true;
        }
        return false;
    }

    std::vector<std::wstring> texts;
    std::vector<std::wstring> freed;
    std::map<void*, SIZE_T> live;
    static thread_local SIZE_T requested;  // from PreAlloc to PostAlloc on one thread
    CRITICAL_SECTION lock;
};

thread_local SIZE_T BstrSpy::requested = 0;

// Plays a file on a player of its own, with the file name in a BSTR that it
// frees, and counts the file-name strings freed by then.
size_t namesFreedByADirectPlay(const wchar_t* name, BstrSpy* spy) {
    IWMPPlayer* player = nullptr;
    if (CoCreateInstance(__uuidof(WindowsMediaPlayer), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWMPPlayer),
                         reinterpret_cast<void**>(&player)) != S_OK) {
        return 0;
    }
    IWMPSettings* settings = nullptr;
    if (SUCCEEDED(player->get_settings(&settings)) && settings) {
        settings->put_autoStart(VARIANT_FALSE);
        settings->Release();
    }
    IWMPControls* controls = nullptr;
    player->get_controls(&controls);
    BSTR url = SysAllocString(name);
    player->put_URL(url);
    SysFreeString(url);
    if (controls) controls->play();
    const std::vector<std::wstring> freed = spy->freedNow();
    if (controls) {
        controls->stop();
        controls->Release();
    }
    player->Release();
    return static_cast<size_t>(std::count(freed.begin(), freed.end(), std::wstring(name)));
}

TEST_F(MediaRows, TheModeAndTheFileNameAreBstrsFreedAfterUse) {
    char noCache[8] = "";
    ASSERT_NE(GetEnvironmentVariableA("OANOCACHE", noCache, sizeof noCache), 0u)
        << "run with OANOCACHE=1, so that freed strings reach COM's allocator";
    auto* spy = new BstrSpy({L"none", L"vyrla402.MP3"});
    ASSERT_EQ(CoRegisterMallocSpy(spy), S_OK);
    // The media player makes strings of a file name of its own: count them
    // with a player driven directly, with a string of ours.
    writeFileBytes("vyrla402.MP3", clipBytes(2));
    const size_t ownStrings = namesFreedByADirectPlay(L"vyrla402.MP3", spy);
    DeleteFileA("vyrla402.MP3");
    spy->forget();

    open("media4");
    play(2);
    const std::vector<std::wstring> freed = spy->freedNow();
    const std::vector<std::wstring> live = spy->liveNow();
    CoRevokeMallocSpy();
    EXPECT_EQ(std::count(freed.begin(), freed.end(), L"none"), 4) << "one mode text per player";
    EXPECT_GE(ownStrings, 1u);
    EXPECT_EQ(static_cast<size_t>(std::count(freed.begin(), freed.end(), L"vyrla402.MP3")), ownStrings)
        << "the file name was handed over as a BSTR and freed";
    EXPECT_TRUE(live.empty()) << "no string is left behind";
    EXPECT_EQ(playerUrl(2), "vyrla402.MP3");
}

// The media host undoes only what it did: a caller's own COM and its own
// hold on "atl.dll" outlive a host that was never started.
TEST(MediaHost, StoppingAHostThatNeverStartedLeavesCOMAndAtlAlone) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    HMODULE atl = LoadLibraryA("atl.dll");
    ASSERT_NE(atl, nullptr);
    stopMediaHost();
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "COM is still initialised";
    CoUninitialize();
    EXPECT_EQ(GetModuleHandleA("atl.dll"), atl);
    FreeLibrary(atl);
    CoUninitialize();
}

TEST(MediaHost, StartAndStopAreBalanced) {
    startMediaHost();
    EXPECT_NE(attachControl, nullptr);
    EXPECT_NE(GetModuleHandleA("atl.dll"), nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "the host started COM";
    CoUninitialize();
    stopMediaHost();
    EXPECT_EQ(attachControl, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "and stopped it";
    CoUninitialize();
    stopMediaHost();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "a second stop undoes nothing more";
    CoUninitialize();
}

}  // namespace
