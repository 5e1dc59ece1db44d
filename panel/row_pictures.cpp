#include "panel/row_pictures.h"

#include "panel/panel_ids.h"
#include "images/picture_loader.h"
#include "panel/row_geometry.h"
#include "quiz/stored_format.h"

namespace {

bool pending[maxQuestions + 1];

// How far beyond the view pictures are decoded ahead of being scrolled to.
constexpr int lookAhead = pictureBox + 80;

// How far question n's picture lies outside the view (0: inside it), or -1
// when it is not waiting or lies beyond the look-ahead.
int distanceFromView(HWND panel, const RECT& client, int n) {
    if (!pending[n]) return -1;
    HWND picture = GetDlgItem(panel, idPictureBase + n);
    if (!picture) return -1;
    RECT place;
    GetWindowRect(picture, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    const int distance = place.top > client.bottom ? place.top - client.bottom
                         : place.bottom < client.top ? client.top - place.bottom
                                                     : 0;
    return distance <= lookAhead ? distance : -1;
}

// The waiting picture within reach that the user will see first, or 0.
int nextPicture(QuizState* quiz, HWND panel) {
    if (quiz->kind != kindPicture) return 0;
    RECT client;
    GetClientRect(panel, &client);
    int best = 0, bestDistance = 0;
    for (int n = 1; n <= quiz->questionCount && n <= maxQuestions; ++n) {
        const int distance = distanceFromView(panel, client, n);
        if (distance >= 0 && (best == 0 || distance < bestDistance)) best = n, bestDistance = distance;
    }
    return best;
}

}  // namespace

void clearPendingPictures() {
    for (bool& p : pending) p = false;
}

void setPicturePending(int n) {
    if (n >= 1 && n <= maxQuestions) pending[n] = true;
}

void queueVisiblePictures(QuizState* quiz, HWND panel) {
    // A timer's tick comes only when no other message waits, so each decode
    // runs between the user's keys and clicks, in modal loops as well.
    if (nextPicture(quiz, panel)) SetTimer(panel, pictureTimer, USER_TIMER_MINIMUM, nullptr);
}

bool decodeNextPicture(QuizState* quiz, HWND panel) {
    const int n = nextPicture(quiz, panel);
    if (n) {
        pending[n] = false;
        HWND picture = GetDlgItem(panel, idPictureBase + n);
        if (!SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)) {
            attachPicture(picture, loadPicture(GetModuleHandleA(nullptr), pictureId(n), mediaResourceType, pictureBox, pictureBox));
        }
    }
    if (!nextPicture(quiz, panel)) KillTimer(panel, pictureTimer);
    return n != 0;
}
