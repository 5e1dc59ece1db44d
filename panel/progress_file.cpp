#include "panel/progress_file.h"

#include <cstdio>
#include <cstring>

#include "panel/field_numbers.h"
#include "quiz/messages.h"
#include "quiz/quiz_texts.h"

namespace {

// A save that failed: said in the player's own words.
constexpr char messageSaveFailed[] = "Erreur dans la sauvegarde des r\xE9ponses";

bool writeAll(HANDLE file, const char* bytes, DWORD length) {
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

bool writeFields(QuizState* quiz, HANDLE file) {
    HWND panel = static_cast<HWND>(quiz->questionPanel);
    const int count = fieldCount(quiz);
    for (int f = 1; f <= count; ++f) {
        char line[answerFieldLimit + 3] = "";
        const int length = GetDlgItemTextA(panel, idFieldBase + f, line, answerFieldLimit + 1);
        line[length] = '\r';
        line[length + 1] = '\n';
        if (!writeAll(file, line, static_cast<DWORD>(length + 2))) return false;
    }
    return FlushFileBuffers(file) != 0;
}

}  // namespace

bool currentProgressFileName(char* name, size_t nameSize) {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return progressFileName(path, name, nameSize);
}

void openProgress(ProgressReader* reader) {
    *reader = ProgressReader{INVALID_HANDLE_VALUE, nullptr, nullptr, 0, 0};
    char name[MAX_PATH + 4];
    if (!currentProgressFileName(name, sizeof name)) return;
    reader->file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reader->file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(reader->file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 30)) {
        reader->mapping = CreateFileMappingA(reader->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (reader->mapping) {
            reader->bytes = static_cast<const uint8_t*>(MapViewOfFile(reader->mapping, FILE_MAP_READ, 0, 0, 0));
            if (reader->bytes) reader->size = static_cast<size_t>(size.QuadPart);
        }
    }
    if (!reader->bytes) closeProgress(reader);
}

void nextProgressLine(ProgressReader* reader, char (&text)[answerFieldLimit + 1]) {
    readProgressLine(reader->bytes, reader->bytes ? reader->size : 0, &reader->position, text);
}

void closeProgress(ProgressReader* reader) {
    if (reader->bytes) UnmapViewOfFile(reader->bytes);
    if (reader->mapping) CloseHandle(reader->mapping);
    if (reader->file != INVALID_HANDLE_VALUE) CloseHandle(reader->file);
    reader->bytes = nullptr;
    reader->mapping = nullptr;
    reader->file = INVALID_HANDLE_VALUE;
    reader->size = 0;
}

bool saveProgress(QuizState* quiz) {
    // Once the panel is gone (a second close, a "Sauver" click queued behind
    // the first) there are no fields to read: the file keeps the answers the
    // last save wrote instead of being replaced by empty lines.
    HWND panel = static_cast<HWND>(quiz->questionPanel);
    if (!panel || !IsWindow(panel)) return true;
    if (quiz->questionCount <= 0) return true;
    char name[MAX_PATH + 4];
    char temporary[MAX_PATH + 8];
    bool saved = currentProgressFileName(name, sizeof name);
    if (saved) {
        std::snprintf(temporary, sizeof temporary, "%s.tmp", name);
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        saved = file != INVALID_HANDLE_VALUE;
        if (saved) {
            saved = writeFields(quiz, file);
            saved = CloseHandle(file) && saved;
            saved = saved && MoveFileExA(temporary, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            if (!saved) DeleteFileA(temporary);
        }
    }
    if (!saved) showMessage(messageSaveFailed, captionVyrla, messageOk | messageIconWarning);
    return saved;
}
