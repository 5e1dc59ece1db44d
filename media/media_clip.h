// The clips of sound and video quizzes: "IMG" resources 400 + n of the
// player's own module, written to a temporary file in the working directory
// when they are played.
#pragma once

#include <windows.h>

enum MediaType { mediaSound = 1, mediaVideo = 2 };  // the quiz kind minus one

constexpr int mediaFileNameSize = 261;  // up to 260 characters

// Writes the clip of `resourceId` to "<mediaDir>vyrla<id>.<EXT>" and
// remembers that name as the last media file. Returns 1 once every byte is
// written, 0 otherwise: no such resource (nothing shown), a resource that
// cannot be loaded (the audio or video message), or a file that cannot be
// created or written (nothing shown, and no partial file is left).
int extractMedia(int resourceId, int mediaType);

// The name of the temporary file written last; empty when there is none.
const char* lastMediaFile();

// Deletes the last media file. When it cannot be deleted (still open
// elsewhere) its name is kept, so that a later call can try again.
void deleteMediaFile();

// Where the clips are read from: the player's own module unless replaced.
// Tests hand in a module whose resources they prepared. Null restores the
// player's own module; returns the previous one.
HMODULE setClipModule(HMODULE module);
