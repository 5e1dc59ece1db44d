// Opening the header's link goes through one function, so that tests can
// replace it and no test opens anything.
#pragma once

using LinkOpener = void (*)(const char* target);

void openLink(const char* target);

// Installs an opener and returns the previous one; the default hands the
// target to the shell's "open" verb.
LinkOpener setLinkOpener(LinkOpener opener);
