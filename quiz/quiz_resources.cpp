// The quiz contents of a module: its "PATCH" 104 and 105 resources and the
// ContentBlock compiled into the player.
#include <windows.h>

#include "quiz/content_block.h"
#include "quiz/quiz_platform.h"
#include "quiz/stored_format.h"

namespace {


struct PatchResource {
    HGLOBAL handle = nullptr;
    const uint8_t* bytes = nullptr;
    size_t size = 0;  // 0 when the resource is missing
};

PatchResource findPatch(HMODULE module, WORD id) {
    PatchResource patch;
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), quizResourceType);
    if (!info) {
        return patch;
    }
    patch.handle = LoadResource(module, info);
    if (!patch.handle) {
        return patch;
    }
    patch.bytes = static_cast<const uint8_t*>(LockResource(patch.handle));
    if (patch.bytes) {
        patch.size = SizeofResource(module, info);
    }
    return patch;
}

void releasePatch(PatchResource& patch) {
    if (patch.handle) {
        FreeResource(patch.handle);
        patch.handle = nullptr;
    }
}

}  // namespace

LoadReport loadQuizFromModule(QuizState* quiz, HMODULE module, const unsigned char* contentBlock) {
    PatchResource quizPatch = findPatch(module, quizResourceId);
    PatchResource codesPatch = findPatch(module, codesResourceId);

    StoredContents contents{};
    contents.contentBlock = contentBlock;
    contents.quizResource = quizPatch.bytes;
    contents.quizResourceSize = quizPatch.size;
    contents.codesResource = codesPatch.bytes;
    contents.codesResourceSize = codesPatch.size;
    const LoadReport report = loadQuizContents(quiz, contents);

    releasePatch(quizPatch);
    releasePatch(codesPatch);

    if (report.colourChanged) {
        // The construction's brush is replaced, not leaked.
        if (quiz->backgroundBrush) {
            DeleteObject(static_cast<HGDIOBJ>(quiz->backgroundBrush));
        }
        quiz->backgroundBrush = CreateSolidBrush(quiz->color);
    }
    return report;
}

void loadQuiz(QuizState* quiz) {
    loadQuizFromModule(quiz, nullptr, vyrlaContentBlock);
}
