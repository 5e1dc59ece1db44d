// Fonts and brushes of the QuizState: made at construction, deleted once at teardown.
#include <windows.h>

#include <cstring>

#include "quiz/quiz_platform.h"

namespace {

constexpr COLORREF failColour = 0x0000FF;     // behind "FAUX"
constexpr COLORREF anagramColour = 0x0064FF;  // behind "Anagramme"
constexpr COLORREF hintColour = 0x26CBFF;     // behind every other feedback word
constexpr COLORREF promptColour = 0xC0FFFF;   // behind the question text of a row

HFONT makeFont(LONG height, LONG weight, BYTE italic, const char* faceName) {
    LOGFONTA description;
    std::memset(&description, 0, sizeof description);
    description.lfHeight = height;
    description.lfWeight = weight;
    description.lfItalic = italic;
    lstrcpynA(description.lfFaceName, faceName, LF_FACESIZE);
    return CreateFontIndirectA(&description);
}

// Deletes a font or brush of the record once: the field is cleared, so a
// second teardown finds nothing to delete.
void deleteHandle(void** handle) {
    if (*handle) {
        DeleteObject(static_cast<HGDIOBJ>(*handle));
        *handle = nullptr;
    }
}

}  // namespace

void constructQuizState(QuizState* quiz) {
    setQuizDefaults(quiz);
    quiz->scoreFont = makeFont(25, FW_NORMAL, FALSE, "Arial");
    // An empty face name: the system's default face.
    quiz->titleFont = makeFont(-15, FW_BOLD, TRUE, "");
    quiz->backgroundBrush = CreateSolidBrush(RGB(quiz->red, quiz->green, quiz->blue));
    quiz->failBrush = CreateSolidBrush(failColour);
    quiz->anagramBrush = CreateSolidBrush(anagramColour);
    quiz->hintBrush = CreateSolidBrush(hintColour);
    quiz->promptBrush = CreateSolidBrush(promptColour);
}

void destroyQuizState(QuizState* quiz) {
    deleteHandle(&quiz->backgroundBrush);
    deleteHandle(&quiz->failBrush);
    deleteHandle(&quiz->anagramBrush);
    deleteHandle(&quiz->hintBrush);
    deleteHandle(&quiz->promptBrush);
    deleteHandle(&quiz->titleFont);
    // Made by the question panel, so it may never have been created.
    deleteHandle(&quiz->questionFont);
    deleteHandle(&quiz->scoreFont);
    freeQuestionList(quiz);
}
