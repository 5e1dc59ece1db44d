// The files of `vyrla-pack rc`: the stored contents, the picture and clip
// resources, a resource script naming them and a depfile for the build.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/stored/quiz_encode.h"

struct OutputFile {
    std::string name;  // bare file name inside the output folder
    std::vector<uint8_t> bytes;
};

// Resource file name of a picture or clip, e.g. "img401.bin".
std::string mediaFileName(const MediaResource& media);

// The resource script: PATCH 104 and 105, then every picture and clip, by
// bare file name (the build puts the output folder on the include path).
std::string resourceScript(const QuizContent& quiz, const std::string& quizFileName);

// A path in Make's depfile syntax: forward slashes, spaces and "#" escaped
// with a backslash, "$" doubled.
std::string depfilePath(const std::filesystem::path& path);

// "target: prerequisite ..." with one prerequisite per continued line.
std::string depfile(const std::filesystem::path& target, const std::vector<std::filesystem::path>& prerequisites);

// Every file of the output, in writing order: content.bin, patch104.bin,
// patch105.bin, the media files, quiz.rc and quiz.d. `outputDir` and
// `quizFile` must be absolute: the depfile names them as they are.
std::vector<OutputFile> rcOutputFiles(const QuizContent& quiz, const EncodedQuiz& encoded,
                                      const std::filesystem::path& outputDir, const std::filesystem::path& quizFile);

// Creates the folder if needed and writes every file in full. On failure
// returns false with a message naming the file.
bool writeOutputFiles(const std::filesystem::path& outputDir, const std::vector<OutputFile>& files,
                      std::string* error);
