// Reading whole files, and writing them so that a failure leaves nothing
// half-written: each file is written under a temporary name beside it and
// renamed into place only once it is complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FileContents {
    std::string path;  // relative, with "/" between folders
    std::vector<uint8_t> bytes;
};

// On failure *error says why, without the file's name.
bool readWholeFile(const std::filesystem::path& file, std::vector<uint8_t>* bytes, std::string* error);

// `file` ends up either complete with `bytes` or as it was before. (Where the
// platform cannot rename over an existing file, that file is removed just
// before the rename; no platform the packer is built for needs it.)
bool writeWholeFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes, std::string* error);

// Writes each file under `folder`, making the folders it needs. On failure
// *error names the file.
bool writeFilesUnder(const std::filesystem::path& folder, const std::vector<FileContents>& files,
                     std::string* error);
