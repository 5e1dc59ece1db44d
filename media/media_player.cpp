#include "media/media_player.h"

#include <objbase.h>
#include <oleauto.h>
#include <wmp.h>

#include "media/media_clip.h"
#include "media/media_host.h"
#include "media/media_texts.h"
#include "quiz/messages.h"
#include "quiz/quiz_state.h"
#include "quiz/stored_format.h"

namespace {

// Indexed by question number minus one.
struct MediaRows {
    HWND areas[maxQuestions];
    IWMPPlayer* players[maxQuestions];
    IWMPControls* controls[maxQuestions];
    IUnknown* hosts[maxQuestions];
    int current;  // question number of the item started last; 0: none yet
    bool failureReported;
};

MediaRows rows;

constexpr int urlLimit = 512;   // characters of the file name handed to a player
constexpr int modeLimit = 6;    // characters of the mode text

constexpr DWORD playerContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

bool isQuestion(int n) { return n >= 1 && n <= maxQuestions; }

// The players take their texts as BSTRs: a length-prefixed copy from
// OleAut32 that the caller frees once the call returns.
BSTR ansiBstr(const char* text, int limit) {
    wchar_t wide[urlLimit + 1] = L"";
    if (limit > urlLimit) limit = urlLimit;
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, limit + 1)) wide[limit] = L'\0';
    return SysAllocString(wide);
}

void setUrl(IWMPPlayer* player, const char* url) {
    BSTR text = ansiBstr(url, urlLimit);
    if (!text) return;
    player->put_URL(text);
    SysFreeString(text);
}

void reportNoPlayer() {
    if (rows.failureReported) return;
    rows.failureReported = true;
    showMessage(messageNoMediaPlayer, captionNoMediaPlayer, messageOk);
}

// Starting is left to the play button alone. With the control's own
// autostart the file name would start the clip before play does, and a
// player that failed to render it may not survive being started again.
void startOnlyWhenAsked(IWMPPlayer* player) {
    IWMPSettings* settings = nullptr;
    if (FAILED(player->get_settings(&settings)) || !settings) return;
    settings->put_autoStart(VARIANT_FALSE);
    settings->Release();
}

void hideOwnControls(IWMPPlayer* player) {
    BSTR mode = ansiBstr("none", modeLimit);
    if (!mode) return;
    player->put_uiMode(mode);
    SysFreeString(mode);
}

void stopEveryPlayer() {
    for (IWMPControls* controls : rows.controls) {
        if (controls) controls->stop();
    }
}

template <typename Interface>
void release(Interface*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace

int createPlayer(int n, HWND area) {
    if (!isQuestion(n)) return 0;
    const int i = n - 1;
    rows.areas[i] = area;
    // Without "atl.dll" nothing can host a player: the row is built without one.
    if (!attachControl) {
        reportNoPlayer();
        return 0;
    }
    IWMPPlayer* player = nullptr;
    if (CoCreateInstance(__uuidof(WindowsMediaPlayer), nullptr, playerContext, __uuidof(IWMPPlayer),
                         reinterpret_cast<void**>(&player)) != S_OK) {
        release(player);
        reportNoPlayer();
        return 0;
    }
    rows.players[i] = player;
    // The host is taken and kept with the player: some hosts attach nothing
    // when no one takes it, and releasing it with the player lets the player
    // leave its area before COM is shut down.
    attachControl(player, area, &rows.hosts[i]);
    if (FAILED(player->get_controls(&rows.controls[i]))) rows.controls[i] = nullptr;
    startOnlyWhenAsked(player);
    hideOwnControls(player);
    return 1;
}

void playMedia(int n) {
    if (!isQuestion(n)) return;
    const int i = n - 1;
    // A row without a player has inert buttons.
    if (!rows.players[i] || !rows.controls[i]) return;
    stopEveryPlayer();
    deleteLastMediaFile();
    rows.current = n;
    const int mediaType = theQuiz ? theQuiz->kind - 1 : 0;
    if (extractMedia(pictureId(n), mediaType) != 1) return;
    setUrl(rows.players[i], lastMediaFile());
    rows.controls[i]->play();
}

void stopMedia() {
    if (!rows.current) return;
    IWMPControls* controls = rows.controls[rows.current - 1];
    if (!controls) return;
    controls->stop();
    deleteLastMediaFile();
}

void deleteLastMediaFile() {
    if (!lastMediaFile()[0]) return;
    // A player keeps the file it was given open, even once stopped; an empty
    // file name makes it let go, so that the file can be deleted.
    if (rows.current && rows.players[rows.current - 1]) setUrl(rows.players[rows.current - 1], "");
    deleteMediaFile();
}

void closeMediaPlayers() {
    stopEveryPlayer();
    deleteLastMediaFile();
}

void releaseMediaPlayers() {
    closeMediaPlayers();
    for (int i = 0; i < maxQuestions; ++i) {
        release(rows.controls[i]);
        release(rows.hosts[i]);
        release(rows.players[i]);
    }
    rows = MediaRows{};
}

IWMPPlayer* mediaPlayer(int n) { return isQuestion(n) ? rows.players[n - 1] : nullptr; }

int currentMedia() { return rows.current; }
