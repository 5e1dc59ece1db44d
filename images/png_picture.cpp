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
    if (!pngDecode(&state)) {
        showMessage("Error: couldn't decode PNG resource", captionInformation, messageOk | messageIconError);
        pngRelease(&state);
        return nullptr;
    }
    HBITMAP bitmap = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0);
    pngRelease(&state);
    if (!bitmap) {
        showMessage("Error: couldn't create bitmap", captionInformation, messageOk | messageIconError);
        return nullptr;
    }
    return scaleToBox(bitmap, boxWidth, boxHeight);
}
