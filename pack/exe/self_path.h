// Where the running packer is, to find the player shipped beside it.
#pragma once

#include <filesystem>

// The packer's own executable; `argv0` serves where the platform cannot say.
std::filesystem::path packerExecutable(const char* argv0);
