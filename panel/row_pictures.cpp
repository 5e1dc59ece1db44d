#include "panel/row_pictures.h"

#include "panel/panel_ids.h"
#include "images/picture_loader.h"
#include "panel/row_geometry.h"
#include "quiz/stored_format.h"

namespace {

bool pending[maxQuestions + 1];

// How far beyond the view pictures are decoded ahead of being scrolled to.
constexpr int lookAhead = pictureBox + 80;

}  // namespace

void clearPendingPictures() {
    for (bool& p : pending) p = false;
}

void setPicturePending(int n) {
    if (n >= 1 && n <= maxQuestions) pending[n] = true;
}

void loadVisiblePictures(QuizState* quiz, HWND panel) {
    if (quiz->kind != kindPicture) return;
    RECT client;
    GetClientRect(panel, &client);
    for (int n = 1; n <= quiz->questionCount && n <= maxQuestions; ++n) {
        if (!pending[n]) continue;
        HWND picture = GetDlgItem(panel, idPictureBase + n);
        if (!picture) continue;
        RECT place;
        GetWindowRect(picture, &place);
        MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
        if (place.top > client.bottom + lookAhead || place.bottom < client.top - lookAhead) continue;
        pending[n] = false;
        if (SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)) continue;
        attachPicture(picture, loadPicture(GetModuleHandleA(nullptr), pictureId(n), mediaResourceType, pictureBox, pictureBox));
    }
}
