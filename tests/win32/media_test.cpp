// Sound and video rows: the hosted media players, the play and stop buttons,
// the temporary files of the clips, and the failures around them. The clips
// are this executable's own "IMG" resources (data/media4.toml: WAV, MP3,
// MIDI, AVI), as they are a player's.
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <wmp.h>

#include <algorithm>

#include "media/media_clip.h"
#include "media/media_host.h"
#include "media/media_player.h"
#include "tests/win32/player_fixture.h"

namespace {

// Records the play states a media player reports through its event
// interface, as it tells a page that hosts it. It lives on the test's stack.
class PlayStates : public IDispatch {
public:
    explicit PlayStates(IWMPPlayer* player) {
        IConnectionPointContainer* points = nullptr;
        if (!player || FAILED(player->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) return;
        if (SUCCEEDED(points->FindConnectionPoint(__uuidof(_WMPOCXEvents), &point))) point->Advise(this, &cookie);
        points->Release();
    }
    ~PlayStates() {
        if (!point) return;
        point->Unadvise(cookie);
        point->Release();
    }
    bool saw(long state) const { return std::count(states.begin(), states.end(), state) > 0; }
    HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
        const bool ours = riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_WMPOCXEvents);
        *out = ours ? this : nullptr;
        return ours ? S_OK : E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT WINAPI Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override {
        VARIANT state;
        VariantInit(&state);
        if (id == 5101 && parameters && parameters->cArgs == 1 &&  // the play-state event
            SUCCEEDED(VariantChangeType(&state, &parameters->rgvarg[0], 0, VT_I4))) {
            states.push_back(V_I4(&state));
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
    return std::string(static_cast<const char*>(LockResource(LoadResource(nullptr, found))), SizeofResource(nullptr, found));
}

// The clip files in the working directory, in order.
std::vector<std::string> mediaFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("vyrla4*", &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> none;

std::string playerUrl(int n) {
    BSTR url = nullptr;
    if (!mediaPlayer(n) || FAILED(mediaPlayer(n)->get_URL(&url)) || !url) return "";
    char text[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, url, -1, text, sizeof text, nullptr, nullptr);
    SysFreeString(url);
    return text;
}

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
    void click(HWND button) {
        SendMessageA(button, BM_CLICK, 0, 0);
        pump();
    }
    void play(int n) { click(playButton(n)); }
    void stop(int n) { click(stopButton(n)); }
    // Pumps until the player reports the state, or a few seconds pass.
    bool waitFor(const PlayStates& states, WMPPlayState state) {
        for (int i = 0; i < 150 && !states.saw(state); ++i, Sleep(20)) pump();
        return states.saw(state);
    }
};

void video(QuizState* quiz) { quiz->kind = kindVideo; }
void pictureKind(QuizState* quiz) { quiz->kind = kindPicture; }

// Wine's media player plays WAV, MP3 and AVI here; it has no MIDI renderer,
// so the MIDI file is only written and handed over.
TEST_F(MediaRows, EachClipIsWrittenWholeUnderItsFormatsNameAndPlayed) {
    open("media4");
    EXPECT_TRUE(shownMessages.empty());
    const struct {
        const char* name;
        bool plays;
    } rows[] = {{"vyrla401.WAV", true}, {"vyrla402.MP3", true}, {"vyrla403.MID", false}, {"vyrla404.AVI", true}, {"vyrla401.WAV", true}};
    for (int i = 0; i < 5; ++i) {
        const int n = i % 4 + 1;
        SCOPED_TRACE(rows[i].name);
        EXPECT_NE(GetWindow(picture(n), GW_CHILD), nullptr) << "the media area hosts the player";
        EXPECT_EQ(GetWindowLongA(playButton(n), GWL_STYLE) & (BS_TYPEMASK | BS_ICON), BS_PUSHBUTTON | BS_ICON);
        EXPECT_NE(SendMessageA(stopButton(n), BM_GETIMAGE, IMAGE_ICON, 0), 0);
        PlayStates states(mediaPlayer(n)), before(mediaPlayer(currentMedia()));
        play(n);
        EXPECT_EQ(currentMedia(), n);
        EXPECT_EQ(mediaFiles(), std::vector<std::string>{rows[i].name}) << "only the file of the row played last";
        EXPECT_EQ(fileBytes(rows[i].name), clipBytes(n));
        EXPECT_EQ(playerUrl(n), rows[i].name);
        EXPECT_TRUE(!rows[i].plays || waitFor(states, wmppsPlaying));
        EXPECT_TRUE(i != 1 || before.saw(wmppsStopped)) << "the row played before stops";
    }
}

TEST_F(MediaRows, AnyStopButtonOrClosingStopsTheItemStartedLastAndDeletesItsFile) {
    open("media4");
    stop(1);
    EXPECT_EQ(currentMedia(), 0) << "a stop before any play does nothing";
    PlayStates fourth(mediaPlayer(4)), second(mediaPlayer(2));
    play(4);
    ASSERT_TRUE(waitFor(fourth, wmppsPlaying));
    stop(1);
    EXPECT_TRUE(fourth.saw(wmppsStopped));
    EXPECT_EQ(mediaFiles(), none);
    play(2);
    ASSERT_TRUE(waitFor(second, wmppsPlaying));
    close();
    EXPECT_TRUE(second.saw(wmppsStopped));
    EXPECT_EQ(mediaFiles(), none);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(mediaPlayer(n), nullptr) << "released with the panel";
    EXPECT_TRUE(shownMessages.empty());
}

// A file that cannot be written must not be handed to the player: it would
// play whatever stands under that name. A missing clip plays nothing either.
TEST_F(MediaRows, AClipThatCannotBeWrittenOrIsMissingIsNotPlayed) {
    CreateDirectoryA("vyrla401.WAV", nullptr);
    writeFileBytes("vyrla402.MP3", "stale");
    HANDLE held = CreateFileA("vyrla402.MP3", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    open("media4", [](QuizState* quiz) {
        appendQuestion(quiz, "silence", "", "");  // its clip is not in the executable
        quiz->questionCount = 5;
    });
    for (int n : {1, 2, 5}) {
        PlayStates states(mediaPlayer(n));
        play(n);
        EXPECT_EQ(currentMedia(), n);
        EXPECT_EQ(playerUrl(n), "") << n;
        EXPECT_FALSE(states.saw(wmppsPlaying)) << n;
    }
    EXPECT_TRUE(shownMessages.empty());
    CloseHandle(held);
    EXPECT_EQ(fileBytes("vyrla402.MP3"), "stale");
    play(2);
    EXPECT_EQ(fileBytes("vyrla402.MP3"), clipBytes(2)) << "once free, the file is written whole";
    RemoveDirectoryA("vyrla401.WAV");
}

// This executable, loaded as data, with the data entry of clip 401 pointing
// outside the file: the clip is found but cannot be loaded.
HMODULE moduleWithUnloadableClip(const std::string& folder) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(401), "IMG");
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const DWORD entry[] = {DWORD(bytes - reinterpret_cast<const char*>(GetModuleHandleA(nullptr))), SizeofResource(nullptr, found)};
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string image = fileBytes(self);
    const size_t at = image.find(std::string(reinterpret_cast<const char*>(entry), sizeof entry));  // its address and size
    if (at == std::string::npos) return nullptr;
    image.replace(at, 4, "\0\xFF\xFF\x7F", 4);
    const std::string path = folder + "\\unloadable.exe";
    writeFileBytes(path.c_str(), image);
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

TEST_F(MediaRows, AClipThatCannotBeLoadedGivesTheMessageOfItsKind) {
    HMODULE module = moduleWithUnloadableClip(folder);
    ASSERT_NE(module, nullptr);
    ASSERT_NE(FindResourceA(module, MAKEINTRESOURCEA(401), "IMG"), nullptr);
    const char* messages[] = {"Impossible de charger le fichier audio.", "Impossible de charger le fichier vid\xE9o."};
    for (int kind : {kindSound, kindVideo}) {
        reopen("media4", kind == kindVideo ? video : nullptr);
        setClipModule(module);
        play(1);
        ASSERT_EQ(shownMessages.size(), 1u);
        EXPECT_EQ(shownMessages[0].text, messages[kind == kindVideo]);
        EXPECT_EQ(shownMessages[0].caption, "Vyrla");
        EXPECT_EQ(mediaFiles(), none);
        play(2);
        EXPECT_EQ(shownMessages.size(), 1u) << "another clip of that module loads";
        EXPECT_EQ(mediaFiles(), std::vector<std::string>{"vyrla402.MP3"});
        setClipModule(nullptr);
    }
    FreeLibrary(module);
}

TEST_F(MediaRows, OnlyClicksOnPlayAndStopButtonsAct) {
    open("media4");
    for (WPARAM command : {MAKEWPARAM(6001, BN_SETFOCUS), MAKEWPARAM(6001, BN_KILLFOCUS), MAKEWPARAM(6001, BN_DBLCLK),
                           MAKEWPARAM(6001, 1), WPARAM(6000), WPARAM(6097), WPARAM(5001), WPARAM(9901)}) {
        SendMessageA(panel, WM_COMMAND, command, reinterpret_cast<LPARAM>(playButton(1)));
    }
    pump();
    EXPECT_EQ(currentMedia(), 0);
    play(2);
    for (WPARAM command : {MAKEWPARAM(7002, BN_SETFOCUS), WPARAM(7000), WPARAM(7097)}) SendMessageA(panel, WM_COMMAND, command, 0);
    pump();
    EXPECT_EQ(mediaFiles(), std::vector<std::string>{"vyrla402.MP3"}) << "only a click on a stop button stops";
    SendMessageA(panel, WM_COMMAND, 7096, 0);
    pump();
    EXPECT_EQ(mediaFiles(), none) << "the last stop button of the range";
}

TEST_F(MediaRows, NoOtherKindOfQuizHasPlayersOrPlays) {
    for (const char* name : {"text3", "picture4", "media4"}) {
        reopen(name, name[0] == 'm' ? pictureKind : nullptr);  // media4 played as a picture quiz
        for (int n = 1; n <= 4; ++n) EXPECT_EQ(mediaPlayer(n), nullptr) << name << " " << n;
        for (WPARAM command : {6001, 7001}) SendMessageA(panel, WM_COMMAND, command, 0);
        EXPECT_EQ(currentMedia(), 0) << name;
        EXPECT_TRUE(shownMessages.empty()) << name;
    }
}

// Enter in an answer field judges it. The dialog keyboard handling presses
// its default button on Enter, or a button styled as the default: there is
// none, even after Tab has passed over a play button, or when the panel is
// handed a play button's id as its default.
TEST_F(MediaRows, EnterInAnAnswerFieldJudgesAndNeverPlays) {
    open("media4", video);
    EXPECT_EQ(placeInParent(picture(4)).bottom - placeInParent(picture(4)).top, 200) << "a video row shows its player";
    EXPECT_TRUE(IsWindowVisible(GetWindow(picture(4), GW_CHILD)));
    SetFocus(field(1));
    tab();
    ASSERT_EQ(GetDlgCtrlID(GetFocus()), 6001);
    SendMessageA(panel, DM_SETDEFID, 6001, 0);
    type(2, "sirene");
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {  // as the message loop hands them over
        MSG key{GetFocus(), message, VK_RETURN, message == WM_KEYUP ? LPARAM(0xC01C0001) : 0x001C0001, 0, {0, 0}};
        if (!IsDialogMessageA(panel, &key)) DispatchMessageA(&key);
        pump();
    }
    EXPECT_EQ(verdict(2), "BRAVO");
    EXPECT_EQ(currentMedia(), 0);
    EXPECT_EQ(HIWORD(SendMessageA(panel, DM_GETDEFID, 0, 0)), 0);
}

// Without "atl.dll" nothing can host a player: every row is built, its
// buttons are inert, the failure is said once, and the answers are still
// judged and saved.
TEST_F(PlayerWindows, RowsWithoutPlayersAreBuiltAndStillAnswered) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(attachControl, nullptr);
    open("media4");
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(stopButton(n) && !mediaPlayer(n)) << n;
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].text, "Erreur WindowsMediaPlater");
    EXPECT_EQ(shownMessages[0].caption, "VYRLA");
    SendMessageA(playButton(1), BM_CLICK, 0, 0);
    pump();
    EXPECT_EQ(mediaFiles(), none);
    answer(4, "mire");
    EXPECT_EQ(verdict(4), "BRAVO");
    close();
    EXPECT_EQ(fileBytes(progressName.c_str()), "\r\n\r\n\r\nmire\r\n");
    CoUninitialize();
}

}  // namespace
