#include "pack/exe/player_file.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "pack/exe/self_path.h"
#include "pack/io/file_output.h"

namespace fs = std::filesystem;

namespace {

constexpr char playerFileName[] = "vyrla.exe";

void say(const std::string& about, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", about.c_str(), what.c_str());
}

}  // namespace

fs::path defaultPlayer(const char* argv0) {
    return packerExecutable(argv0).parent_path() / playerFileName;
}

bool loadPlayer(const fs::path& file, const std::string& shown, Player* player) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(file, &bytes, &error)) {
        say(shown, error);
        return false;
    }
    if (!readPlayer(std::move(bytes), player, &error)) {
        say(shown, error);
        return false;
    }
    return true;
}
