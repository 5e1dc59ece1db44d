// Quiz executables made by `vyrla-pack build` from the default player, one
// per demo quiz, checked with Windows' own functions: every quiz resource has
// the bytes the build's own packing wrote and the checksum agrees with
// imagehlp. (The e2e runs start players and drive them.)
//
// The build lists them in NAME|EXE|RC-FOLDER lines, after PLAYER|path.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct BuiltQuiz {
    std::string name, exe, rcFolder;
};

std::vector<BuiltQuiz> builtQuizzes() {
    std::vector<BuiltQuiz> quizzes;
    std::ifstream list(VYRLA_BUILT_QUIZZES);
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        BuiltQuiz quiz;
        std::getline(fields, quiz.name, '|');
        std::getline(fields, quiz.exe, '|');
        std::getline(fields, quiz.rcFolder, '|');
        if (quiz.name != "PLAYER" && !quiz.name.empty()) quizzes.push_back(quiz);
    }
    EXPECT_FALSE(quizzes.empty()) << VYRLA_BUILT_QUIZZES;
    return quizzes;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

LPCSTR asResource(const std::string& name) {
    return name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1))) : name.c_str();
}

// The bytes FindResource finds: "TYPE" or "#10", "#ID".
std::string resourceBytes(HMODULE module, const std::string& type, const std::string& name) {
    HRSRC info = FindResourceA(module, asResource(name), asResource(type));
    if (!info) return "<missing>";
    return std::string(static_cast<const char*>(LockResource(LoadResource(module, info))), SizeofResource(module, info));
}

TEST(BuiltQuiz, WindowsFindsEveryQuizResourceWithItsBytes) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        HMODULE module = LoadLibraryExA(quiz.exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);  // its resources, not its code
        ASSERT_NE(module, nullptr) << quiz.exe << " error " << GetLastError();
        // The build's resource script: "ID TYPE \"file\"" lines.
        std::ifstream script(quiz.rcFolder + "/quiz.rc");
        int found = 0;
        for (std::string line; std::getline(script, line);) {
            std::istringstream fields(line);
            std::string id, type, file;
            if (line.empty() || line[0] == '/' || !(fields >> id >> type >> file)) continue;
            EXPECT_EQ(resourceBytes(module, type == "RCDATA" ? "#10" : type, "#" + id),
                      fileBytes(quiz.rcFolder + "/" + file.substr(1, file.size() - 2)))
                << quiz.name << " " << type << " " << id;
            found += type == "PATCH";
        }
        EXPECT_EQ(found, 2) << quiz.name;
        FreeLibrary(module);
    }
}

TEST(BuiltQuiz, ChecksumAgreesWithImagehlp) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        DWORD inHeader = 0, computed = 0;
        ASSERT_EQ(MapFileAndCheckSumA(quiz.exe.c_str(), &inHeader, &computed), CHECKSUM_SUCCESS) << quiz.name;
        EXPECT_NE(inHeader, 0u) << quiz.name;
        EXPECT_EQ(inHeader, computed) << quiz.name;
    }
}

}  // namespace
