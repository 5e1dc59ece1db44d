// Which clips a web browser plays, recognised from their first bytes: the
// page plays those in its own audio and video elements and says plainly
// that it cannot play the others. Pure: no platform headers.
#pragma once

#include <cstddef>

// The MIME type a browser plays the clip as ("audio/wav", "audio/mpeg",
// "audio/ogg", "audio/flac", "video/mp4", "video/webm"), or null for a
// format that browsers do not play (AVI, WMV, MPEG program streams, MIDI)
// or do not recognise.
const char* browserMediaType(const unsigned char* clip, size_t size);

// A short name of the clip's format for messages: "AVI", "WMV", "MPEG",
// "MIDI", "?" when unrecognised, or one of the playable formats ("WAV", "MP3", "Ogg", "FLAC",
// "MP4", "WebM").
const char* clipFormatName(const unsigned char* clip, size_t size);
