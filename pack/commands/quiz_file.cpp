#include "pack/commands/quiz_file.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "pack/commands/say.h"
#include "pack/io/file_output.h"
#include "pack/web/quiz_page.h"

namespace fs = std::filesystem;

bool readStoredQuizFile(const fs::path& file, const std::string& shown, StoredQuiz* stored) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(file, &bytes, &error)) {
        say(shown, error);
        return false;
    }
    if (looksLikePage(bytes)) {
        if (storedQuizOfPage(bytes, stored, &error)) return true;
        say(shown, error);
        return false;
    }
    Player player;
    if (!readPlayer(std::move(bytes), &player, &error)) {
        say(shown, error);
        return false;
    }
    *stored = storedQuizOf(player);
    return true;
}

bool isPageName(const fs::path& file) {
    std::string extension = file.extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".html" || extension == ".htm";
}
