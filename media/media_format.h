// Recognising a clip's file type from its first bytes, so that the file it
// is written to carries an extension the media player goes by.
// Pure: no platform headers.
#pragma once

#include <cstddef>

// The bytes a recognition looks at: the first, the second and the ninth.
constexpr size_t mediaHeaderBytes = 9;

// One of "WAV", "MP3", "AVI", "WMV", "MPG" or "MID", upper case. A clip
// shorter than nine bytes is recognised from the bytes it has: a byte it
// lacks matches no test, so the rule falls through to its last row.
const char* mediaExtension(const unsigned char* clip, size_t size);
