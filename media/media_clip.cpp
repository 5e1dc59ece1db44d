#include "media/media_clip.h"

#include <cstdio>

#include "media/media_format.h"
#include "media/media_texts.h"
#include "quiz/messages.h"
#include "quiz/quiz_state.h"
#include "quiz/quiz_texts.h"
#include "quiz/stored_format.h"

namespace {

char lastFile[mediaFileNameSize];
HMODULE clipModule;

HMODULE clipSource() { return clipModule ? clipModule : GetModuleHandleA(nullptr); }

void reportNotLoaded(int mediaType) {
    if (mediaType == mediaSound) showMessage(messageSoundNotLoaded, captionVyrla, messageOk);
    if (mediaType == mediaVideo) showMessage(messageVideoNotLoaded, captionVyrla, messageOk);
}

// A failed creation or write must not be played: the name could then stand
// for a stale or partial file. A partial file is removed again.
bool writeWholeFile(const char* name, const void* bytes, DWORD size) {
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool complete = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    const bool closed = CloseHandle(file) != 0;
    if (complete && closed) return true;
    DeleteFileA(name);
    return false;
}

}  // namespace

int extractMedia(int resourceId, int mediaType) {
    HMODULE module = clipSource();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), mediaResourceType);
    if (!found) return 0;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        reportNotLoaded(mediaType);
        return 0;
    }
    const void* bytes = LockResource(loaded);
    if (!bytes) return 0;

    const char* extension = mediaExtension(static_cast<const unsigned char*>(bytes), size);
    const char* folder = theQuiz ? theQuiz->mediaDir : "";
    std::snprintf(lastFile, sizeof lastFile, "%svyrla%d.%s", folder, resourceId, extension);
    // Resources of a loaded module need no release: they live as long as it.
    return writeWholeFile(lastFile, bytes, size) ? 1 : 0;
}

const char* lastMediaFile() { return lastFile; }

void deleteMediaFile() {
    if (!lastFile[0]) return;
    if (DeleteFileA(lastFile) || GetLastError() == ERROR_FILE_NOT_FOUND) lastFile[0] = '\0';
}

HMODULE setClipModule(HMODULE module) {
    HMODULE previous = clipModule;
    clipModule = module;
    return previous;
}
