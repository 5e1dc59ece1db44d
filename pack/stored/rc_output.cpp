#include "pack/stored/rc_output.h"
#include "quiz/stored_format.h"

#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

const char* mediaType(const MediaResource& media) {
    return media.storage == MediaStorage::pngRawData ? "RCDATA" : mediaResourceType;
}

std::vector<uint8_t> textBytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

std::string mediaFileName(const MediaResource& media) {
    return "img" + std::to_string(media.id) + ".bin";
}

std::string resourceScript(const QuizContent& quiz, const std::string& quizFileName) {
    // Lines end with LF only and name no folder, so that every build machine
    // writes the same bytes.
    std::string script = "// Quiz resources written by vyrla-pack from " + quizFileName + ".\n";
    for (const int id : {quizResourceId, codesResourceId}) {
        script += std::to_string(id) + " " + quizResourceType + " \"patch" + std::to_string(id) + ".bin\"\n";
    }
    for (const MediaResource& media : quiz.media) {
        script += std::to_string(media.id) + " " + mediaType(media) + " \"" + mediaFileName(media) + "\"\n";
    }
    return script;
}

std::string depfilePath(const fs::path& path) {
    const std::string text = path.generic_u8string();
    std::string escaped;
    for (const char c : text) {
        if (c == ' ' || c == '#') {
            escaped.push_back('\\');
        } else if (c == '$') {
            escaped.push_back('$');
        }
        escaped.push_back(c);
    }
    return escaped;
}

std::string depfile(const fs::path& target, const std::vector<fs::path>& prerequisites) {
    std::string text = depfilePath(target) + ":";
    for (const fs::path& prerequisite : prerequisites) {
        text += " \\\n  " + depfilePath(prerequisite);
    }
    return text + "\n";
}

std::vector<OutputFile> rcOutputFiles(const QuizContent& quiz, const EncodedQuiz& encoded, const fs::path& outputDir,
                                      const fs::path& quizFile) {
    std::vector<OutputFile> files;
    files.push_back({"content.bin", {encoded.contentBlock.begin(), encoded.contentBlock.end()}});
    files.push_back({"patch104.bin", encoded.quizResource});
    files.push_back({"patch105.bin", encoded.codesResource});
    std::vector<fs::path> prerequisites = {quizFile};
    for (const MediaResource& media : quiz.media) {
        files.push_back({mediaFileName(media), storedMediaBytes(media)});
        const fs::path source = media.sourceFile.is_absolute() ? media.sourceFile : quizFile.parent_path() / media.sourceFile;
        prerequisites.push_back(source.lexically_normal());
    }
    files.push_back({"quiz.rc", textBytes(resourceScript(quiz, quizFile.filename().u8string()))});
    files.push_back({"quiz.d", textBytes(depfile(outputDir / "quiz.rc", prerequisites))});
    return files;
}

bool writeOutputFiles(const fs::path& outputDir, const std::vector<OutputFile>& files, std::string* error) {
    std::error_code code;
    fs::create_directories(outputDir, code);
    if (code || !fs::is_directory(outputDir, code)) {
        *error = outputDir.u8string() + ": cannot create the folder" + (code ? ": " + code.message() : "");
        return false;
    }
    for (const OutputFile& file : files) {
        const fs::path path = outputDir / file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            *error = path.u8string() + ": cannot be written";
            return false;
        }
    }
    return true;
}
