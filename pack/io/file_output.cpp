#include "pack/io/file_output.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Beside the target, so that the rename stays on one file system.
fs::path temporaryName(const fs::path& file) {
    fs::path temporary = file;
    temporary += ".vyrla-pack-partial";
    return temporary;
}

}  // namespace

bool readWholeFile(const fs::path& file, std::vector<uint8_t>* bytes, std::string* error) {
    std::error_code code;
    if (!fs::exists(file, code)) {
        *error = "not found";
        return false;
    }
    if (!fs::is_regular_file(file, code)) {
        *error = "not a file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *error = "cannot be opened";
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "cannot be read";
        return false;
    }
    return true;
}

bool writeWholeFile(const fs::path& file, const std::vector<uint8_t>& bytes, std::string* error) {
    const fs::path temporary = temporaryName(file);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            *error = "cannot be created";
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            *error = "cannot be written in full";
            return false;
        }
    }
    std::error_code code;
    fs::rename(temporary, file, code);
    if (code) {
        // Some platforms do not rename over an existing file.
        std::error_code removed;
        fs::remove(file, removed);
        code.clear();
        fs::rename(temporary, file, code);
    }
    if (code) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        *error = "cannot be put in place: " + code.message();
        return false;
    }
    return true;
}

bool writeFilesUnder(const fs::path& folder, const std::vector<FileContents>& files, std::string* error) {
    for (const FileContents& file : files) {
        const fs::path path = folder / fs::u8path(file.path);
        std::error_code code;
        fs::create_directories(path.parent_path(), code);
        std::string why;
        if (code || !writeWholeFile(path, file.bytes, &why)) {
            *error = path.u8string() + ": " + (code ? "its folder cannot be made: " + code.message() : why);
            return false;
        }
    }
    return true;
}
