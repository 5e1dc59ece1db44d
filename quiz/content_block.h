// The 70 stored bytes of the ContentBlock live in a section of their own in
// the player image, so that a built executable's quiz can be replaced by a
// tool that finds the section by name.
#pragma once

#define VYRLA_CONTENT_SECTION ".vyrla"

extern "C" const unsigned char vyrlaContentBlock[70];
