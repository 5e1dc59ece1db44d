// Quiz executables made by `vyrla-pack build` from the default player, one
// per demo quiz, checked with Windows' own functions: the resource functions
// find every quiz resource with the bytes the build's own packing wrote and
// every resource of the player unchanged, the image checksum agrees, the
// ContentBlock is in its section, and the executable starts and shows its
// title, its rows and its pictures or players.
//
// The list of executables comes from the build: NAME|EXE|RC-FOLDER lines,
// after a first line PLAYER|path.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"

namespace {

struct BuiltQuiz {
    std::string name;
    std::string exe;
    std::string rcFolder;
};

std::string playerPath;

std::vector<BuiltQuiz> builtQuizzes() {
    std::vector<BuiltQuiz> quizzes;
    std::ifstream list(VYRLA_BUILT_QUIZZES);
    EXPECT_TRUE(list.good()) << VYRLA_BUILT_QUIZZES;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        BuiltQuiz quiz;
        std::getline(fields, quiz.name, '|');
        std::getline(fields, quiz.exe, '|');
        std::getline(fields, quiz.rcFolder, '|');
        if (quiz.name == "PLAYER") {
            playerPath = quiz.exe;
        } else if (!quiz.name.empty()) {
            quizzes.push_back(quiz);
        }
    }
    return quizzes;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A module loaded as data: its resources, not its code.
struct DataModule {
    explicit DataModule(const std::string& path) : handle(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() {
        if (handle) {
            FreeLibrary(handle);
        }
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE handle;
};

// Resource types and names as text: "#104" for a number.
std::string nameOf(LPCSTR name) {
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : std::string(name);
}

LPCSTR asResource(const std::string& name) {
    return name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1))) : name.c_str();
}

BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    reinterpret_cast<std::set<std::string>*>(found)->insert(nameOf(name));
    return TRUE;
}

BOOL CALLBACK collectType(HMODULE, LPSTR type, LONG_PTR found) {
    reinterpret_cast<std::set<std::string>*>(found)->insert(nameOf(type));
    return TRUE;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<WORD>*>(found)->insert(language);
    return TRUE;
}

std::set<std::string> namesOf(HMODULE module, LPCSTR type) {
    std::set<std::string> names;
    EnumResourceNamesA(module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

// The bytes FindResource finds; "<missing>" when it finds nothing.
std::string resourceBytes(HMODULE module, LPCSTR type, LPCSTR name, WORD language, bool anyLanguage) {
    HRSRC info = anyLanguage ? FindResourceA(module, name, type) : FindResourceExA(module, type, name, language);
    if (!info) {
        return "<missing>";
    }
    HGLOBAL handle = LoadResource(module, info);
    const char* bytes = static_cast<const char*>(LockResource(handle));
    return std::string(bytes, SizeofResource(module, info));
}

// The quiz resources as the build's resource script lists them:
// "ID TYPE \"file\"" lines.
struct Listed {
    std::string type;
    std::string name;
    std::string file;
};

std::vector<Listed> listedResources(const BuiltQuiz& quiz) {
    std::vector<Listed> listed;
    std::ifstream script(quiz.rcFolder + "/quiz.rc");
    std::string line;
    while (std::getline(script, line)) {
        if (line.empty() || line[0] == '/') {
            continue;
        }
        std::istringstream fields(line);
        std::string id;
        std::string type;
        std::string file;
        fields >> id >> type >> file;
        listed.push_back({type == "RCDATA" ? "#10" : type, "#" + id, file.substr(1, file.size() - 2)});
    }
    return listed;
}

bool isQuizResource(const std::string& type, const std::string& name) {
    if (type == "PATCH" || type == "IMG") {
        return true;
    }
    if (type != "#10" || name[0] != '#') {
        return false;
    }
    const int id = std::stoi(name.substr(1));
    return (id > 400 && id <= 496) || (id > 10400 && id <= 10496);
}

TEST(BuiltQuiz, WindowsFindsEveryQuizResourceWithItsBytes) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        SCOPED_TRACE(quiz.name);
        DataModule module(quiz.exe);
        ASSERT_NE(module.handle, nullptr) << quiz.exe << " error " << GetLastError();
        const std::vector<Listed> listed = listedResources(quiz);
        ASSERT_GE(listed.size(), 2u);
        std::map<std::string, std::set<std::string>> expected;
        for (const Listed& resource : listed) {
            expected[resource.type].insert(resource.name);
            EXPECT_EQ(resourceBytes(module.handle, asResource(resource.type), asResource(resource.name), 0, true),
                      fileBytes(quiz.rcFolder + "/" + resource.file))
                << resource.type << " " << resource.name;
        }
        for (const char* type : {"PATCH", "IMG", "#10"}) {
            EXPECT_EQ(namesOf(module.handle, asResource(type)), expected[type]) << type;
        }
    }
}

TEST(BuiltQuiz, EveryResourceOfThePlayerStaysAsItWas) {
    const std::vector<BuiltQuiz> quizzes = builtQuizzes();
    DataModule player(playerPath);
    ASSERT_NE(player.handle, nullptr) << playerPath;
    std::set<std::string> types;
    EnumResourceTypesA(player.handle, collectType, reinterpret_cast<LONG_PTR>(&types));
    ASSERT_TRUE(types.count("#5")) << "dialogs";
    ASSERT_TRUE(types.count("#14")) << "icons";
    ASSERT_TRUE(types.count("#16")) << "version";
    for (const BuiltQuiz& quiz : quizzes) {
        SCOPED_TRACE(quiz.name);
        DataModule built(quiz.exe);
        ASSERT_NE(built.handle, nullptr);
        int compared = 0;
        for (const std::string& type : types) {
            for (const std::string& name : namesOf(player.handle, asResource(type))) {
                if (isQuizResource(type, name)) {
                    continue;
                }
                std::set<WORD> languages;
                EnumResourceLanguagesA(player.handle, asResource(type), asResource(name), collectLanguage,
                                       reinterpret_cast<LONG_PTR>(&languages));
                for (const WORD language : languages) {
                    EXPECT_EQ(resourceBytes(built.handle, asResource(type), asResource(name), language, false),
                              resourceBytes(player.handle, asResource(type), asResource(name), language, false))
                        << type << " " << name << " language " << language;
                    ++compared;
                }
            }
        }
        EXPECT_GE(compared, 8);
    }
}

TEST(BuiltQuiz, ChecksumAgreesWithImagehlp) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        DWORD inHeader = 0;
        DWORD computed = 0;
        ASSERT_EQ(MapFileAndCheckSumA(quiz.exe.c_str(), &inHeader, &computed), CHECKSUM_SUCCESS) << quiz.exe;
        EXPECT_NE(inHeader, 0u) << quiz.name;
        EXPECT_EQ(inHeader, computed) << quiz.name;
    }
}

TEST(BuiltQuiz, ContentBlockIsInItsSection) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        SCOPED_TRACE(quiz.name);
        const std::string file = fileBytes(quiz.exe);
        ASSERT_GT(file.size(), sizeof(IMAGE_DOS_HEADER));
        IMAGE_DOS_HEADER dos;
        std::memcpy(&dos, file.data(), sizeof dos);
        IMAGE_NT_HEADERS64 nt;
        ASSERT_LE(dos.e_lfanew + sizeof nt, file.size());
        std::memcpy(&nt, file.data() + dos.e_lfanew, sizeof nt);
        ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
        const size_t table = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                             nt.FileHeader.SizeOfOptionalHeader;
        bool found = false;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            std::memcpy(&section, file.data() + table + i * sizeof section, sizeof section);
            if (std::memcmp(section.Name, ".vyrla\0\0", 8) == 0) {
                found = true;
                EXPECT_EQ(file.substr(section.PointerToRawData, 70), fileBytes(quiz.rcFolder + "/content.bin"));
            }
        }
        EXPECT_TRUE(found);
    }
}

// ---------------------------------------------------------------- running

struct Search {
    DWORD processId;
    HWND mainWindow;
    HWND messageBox;
};

BOOL CALLBACK findWindows(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "Vyrla") {
        search->mainWindow = window;
    } else if (std::string(name) == "#32770") {
        search->messageBox = window;
    }
    return TRUE;
}

BOOL CALLBACK messageText(HWND child, LPARAM data) {
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    if (std::string(name) == "Static") {
        char text[300] = "";
        GetWindowTextA(child, text, sizeof text);
        *reinterpret_cast<std::string*>(data) += text;
    }
    return TRUE;
}

HWND childHolding(HWND window, int id) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgItem(child, id)) {
            return child;
        }
    }
    return nullptr;
}

int childrenWithId(HWND parent, int id) {
    int found = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        found += GetDlgCtrlID(child) == id ? 1 : 0;
    }
    return found;
}

// The quiz the build packed, loaded as the player loads it: the expected
// title, question count and kind.
std::unique_ptr<QuizState> expectedQuiz(const BuiltQuiz& quiz) {
    const std::string block = fileBytes(quiz.rcFolder + "/content.bin");
    const std::string patch104 = fileBytes(quiz.rcFolder + "/patch104.bin");
    const std::string patch105 = fileBytes(quiz.rcFolder + "/patch105.bin");
    std::unique_ptr<QuizState> state(new QuizState);
    setQuizDefaults(state.get());
    const StoredContents contents{reinterpret_cast<const uint8_t*>(block.data()),
                                  reinterpret_cast<const uint8_t*>(patch104.data()), patch104.size(),
                                  reinterpret_cast<const uint8_t*>(patch105.data()), patch105.size()};
    EXPECT_EQ(loadQuizContents(state.get(), contents).outcome, LoadOutcome::loaded);
    return state;
}

std::string runFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "vyrla-built-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

TEST(BuiltQuiz, StartsAndShowsItsTitleRowsAndPictures) {
    for (const BuiltQuiz& quiz : builtQuizzes()) {
        SCOPED_TRACE(quiz.name);
        const std::unique_ptr<QuizState> expected = expectedQuiz(quiz);
        // A fresh folder, so that no saved answers from an earlier run count.
        const std::string folder = runFolder(quiz.name);
        const std::string exe = folder + "\\" + quiz.name + ".exe";
        DeleteFileA((folder + "\\" + quiz.name + ".txt").c_str());
        ASSERT_TRUE(CopyFileA(quiz.exe.c_str(), exe.c_str(), FALSE)) << GetLastError();

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string command = "\"" + exe + "\"";
        ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                   &startup, &process));
        WaitForInputIdle(process.hProcess, 20000);
        Search search{process.dwProcessId, nullptr, nullptr};
        HWND panel = nullptr;
        for (int i = 0; i < 200 && !panel && !search.messageBox; ++i) {
            EnumWindows(findWindows, reinterpret_cast<LPARAM>(&search));
            if (search.mainWindow) {
                panel = childHolding(search.mainWindow, 4001);
            }
            if (!panel) {
                Sleep(100);
            }
        }
        std::string shown;
        if (search.messageBox) {
            EnumChildWindows(search.messageBox, messageText, reinterpret_cast<LPARAM>(&shown));
        }
        EXPECT_EQ(shown, "") << "the player showed a message";
        EXPECT_NE(panel, nullptr) << "no question panel";
        if (panel) {
            char title[300] = "";
            GetWindowTextA(search.mainWindow, title, sizeof title);
            EXPECT_STREQ(title, expected->title);
            const int count = expected->questionCount;
            const int fields = count * expected->answersPerQuestion;
            for (int f = 1; f <= fields; ++f) {
                EXPECT_NE(GetDlgItem(panel, 4000 + f), nullptr) << "answer field " << f;
            }
            EXPECT_EQ(GetDlgItem(panel, 4000 + fields + 1), nullptr) << "no field past the last";
            if (expected->kind == kindText) {
                // Every row of a text quiz numbers itself with the one id.
                EXPECT_EQ(childrenWithId(panel, 2000), count) << "number labels";
            } else {
                for (int n = 1; n <= count; ++n) {
                    EXPECT_NE(GetDlgItem(panel, 2000 + n), nullptr) << "number label of row " << n;
                }
                EXPECT_EQ(GetDlgItem(panel, 2000 + count + 1), nullptr) << "no row past the last";
            }
            if (expected->kind == kindPicture) {
                // The first band is in view: its pictures are decoded.
                for (int n = 1; n <= 3 && n <= count; ++n) {
                    HBITMAP picture = nullptr;
                    for (int i = 0; i < 50 && !picture; ++i) {
                        picture = reinterpret_cast<HBITMAP>(
                            SendMessageA(GetDlgItem(panel, 9900 + n), STM_GETIMAGE, IMAGE_BITMAP, 0));
                        if (!picture) {
                            Sleep(100);
                        }
                    }
                    EXPECT_NE(picture, nullptr) << "picture of row " << n;
                }
            } else if (expected->kind == kindSound || expected->kind == kindVideo) {
                for (int n = 1; n <= count; ++n) {
                    EXPECT_NE(GetDlgItem(panel, 6000 + n), nullptr) << "play button of row " << n;
                    EXPECT_NE(GetDlgItem(panel, 7000 + n), nullptr) << "stop button of row " << n;
                }
            }
        }
        if (search.messageBox) {
            PostMessageA(search.messageBox, WM_CLOSE, 0, 0);
        }
        if (search.mainWindow) {
            PostMessageA(search.mainWindow, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the player did not close";
            TerminateProcess(process.hProcess, 1);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace
