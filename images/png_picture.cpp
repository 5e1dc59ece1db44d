#include "images/png_picture.h"

#include "quiz/messages.h"
#include "images/picture_loader.h"
#include "images/png_bitmap.h"

namespace {
constexpr char captionInformation[] = "Information";
}  // namespace

HBITMAP loadPngResource(HMODULE module, int id, int boxWidth, int boxHeight) {
    PngState state;
    pngInit(&state);
    // No such resource, not a PNG, or a kind the decoder does not take: no
    // picture, and nothing to say.
    if (!pngLoadResource(&state, module, id)) {
        pngRelease(&state);
        return nullptr;
    }
    // Decoded into the bitmap's own memory: a phone photo costs its bitmap,
    // not its bitmap and its filtered rows beside it.
    HBITMAP bitmap = pngDecodeBitmap(&state, nullptr, pngDefaultFormat);
    const bool refused = state.lastError == pngErrorBitmapRefused;
    pngRelease(&state);
    if (!bitmap) {
        showMessage(refused ? "Error: couldn't create bitmap" : "Error: couldn't decode PNG resource",
                    captionInformation, messageOk | messageIconError);
        return nullptr;
    }
    return scaleToBox(bitmap, boxWidth, boxHeight);
}
