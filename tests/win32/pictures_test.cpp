// Picture quizzes: pictures loaded from the executable's own resources and
// fitted to their boxes, the band arithmetic, the solved-state swap, and
// collapsing the rows of solved questions under "Cacher".
#include <cstdio>
#include <cstring>

#include "images/picture_loader.h"
#include "panel/row_pictures.h"
#include "tests/win32/player_fixture.h"

namespace {

HBITMAP shownBitmap(HWND pictureStatic) {
    return reinterpret_cast<HBITMAP>(SendMessageA(pictureStatic, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// Each kind of file is fitted to its box; a PNG, through the player's own
// decoder, comes in the platform's colour order (solved.png is all gold).
// Nothing, an icon (420) or a metafile (421) gives no picture and no message.
TEST(PictureLoading, EveryKindOfFileIsFittedToItsBox) {
    MessageRecorder recorder;
    const struct {
        int id, box, width, height;
    } cases[] = {{401, 260, 260, 200}, {402, 260, 260, 200}, {403, 260, 260, 130}, {404, 260, 260, 195}, {10401, 260, 260, 260},
                 {10401, 150, 150, 150}, {10404, 260, 260, 260}, {499, 260, 0, 0}, {420, 260, 0, 0}, {421, 260, 0, 0}};
    for (const auto& c : cases) {
        HBITMAP picture = loadPicture(GetModuleHandleA(nullptr), c.id, "IMG", 260, c.box);
        EXPECT_EQ(picture ? bitmapSize(picture).cx * 1000 + bitmapSize(picture).cy : 0, c.width * 1000 + c.height) << c.id;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ before = SelectObject(dc, picture);
        EXPECT_TRUE(c.id != 10404 || GetPixel(dc, 130, 130) == RGB(255, 215, 0)) << GetPixel(dc, 130, 130);
        SelectObject(dc, before);
        DeleteDC(dc);
        DeleteObject(picture);
    }
    // A PNG is decoded into memory it shares with its bitmap: deleting the
    // bitmap gives all of it back, handle and address space. A leaked handle
    // would keep the next free handle value from coming back.
    auto freeHandle = [] {
        HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        CloseHandle(probe);
        return probe;
    };
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    const DWORDLONG addressSpace = memory.ullAvailVirtual;
    const HANDLE handle = freeHandle();
    for (int i = 0; i < 300; ++i) DeleteObject(loadPicture(GetModuleHandleA(nullptr), 10404, "IMG", 260, 260));
    EXPECT_EQ(freeHandle(), handle);
    GlobalMemoryStatusEx(&memory);
    EXPECT_LT(addressSpace - memory.ullAvailVirtual, DWORDLONG(4) << 20);
    const uint8_t garbage[] = "not a picture at all";
    EXPECT_EQ(pictureFromBytes(garbage, sizeof garbage), nullptr);
    EXPECT_TRUE(shownMessages.empty());
}

using PictureRows = PlayerWindows;

TEST_F(PictureRows, BandsTakeTheirTallestPicture) {
    open("bands");
    EXPECT_AT(picture(3), 626, 40, 260, 130);  // centred in its band of 200
    EXPECT_AT(verdictStatic(3), 626, 234, 260, 20);
    EXPECT_AT(picture(4), 46, 275, 260, 195);
    EXPECT_AT(field(4), 46, 480, 260, 20);
    EXPECT_EQ(quiz.contentHeight, 540);
}

// The window opens with every box empty at its final place, and answers at
// once; the pictures come afterwards, one per turn, the view's first.
TEST_F(PictureRows, PicturesAreDecodedAfterTheWindowOpensOneAtATime) {
    pumpOnOpen = false;
    open("bands");
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(shownBitmap(picture(n)), nullptr) << n;
    EXPECT_AT(picture(4), 46, 275, 260, 195);
    SetWindowPos(window, nullptr, 0, 0, 700, 260, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(panel, WM_VSCROLL, SB_BOTTOM, 0);  // only question 4's band is in the view
    EXPECT_TRUE(decodeNextPicture(&quiz, panel));
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(shownBitmap(picture(n)) != nullptr, n == 4) << n;
    answer(1, "orange");  // the messages run, and the idle turns decode the rest
    EXPECT_EQ(verdict(1), "BRAVO");
    for (int n = 2; n <= 4; ++n) EXPECT_NE(shownBitmap(picture(n)), nullptr) << n;
    EXPECT_FALSE(decodeNextPicture(&quiz, panel));
}

TEST_F(PictureRows, ASolvedOrRestoredRightQuestionShowsItsSolvedPictureRecentred) {
    writeFileBytes(progressName.c_str(), "\r\nviolet\r\n");
    open("bands");
    EXPECT_AT(picture(2), 366, 5, 200, 200);
    HBITMAP before = shownBitmap(picture(1));
    answer(1, "orange");
    EXPECT_AT(picture(1), 76, 5, 200, 200);
    HBITMAP after = shownBitmap(picture(1));
    EXPECT_EQ(bitmapSize(after).cx, 200);
    EXPECT_EQ(GetObjectType(before), 0u) << "the picture it replaced is deleted";
    answer(1, "orange ");  // the same verdict: nothing happens again
    EXPECT_EQ(shownBitmap(picture(1)), after);
}

// The same quiz, with its solved-state pictures, played as a sound quiz:
// its media area must not be moved or resized, whatever band height is known.
TEST_F(PictureRows, OnlyPictureQuizzesSwapInASolvedPicture) {
    open("bands", [](QuizState* q) {
        q->kind = kindSound;
        q->bandHeight[0] = 200;
    });
    const RECT before = placeInParent(picture(1));
    answer(1, "orange");
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_AT(picture(1), before.left, before.top, 0, 0);
}

class Collapsing : public PlayerWindows {
protected:
    void tick() {
        SendMessageA(GetDlgItem(header, 33), BM_CLICK, 0, 0);
        pump();
    }
    int top(HWND control) { return placeInParent(control).top; }
};

TEST_F(Collapsing, ASolvedRowFoldsUpUnderItsPictureAndTheLastBandNeverClosesUp) {
    open("bands");
    answer(2, "violet");
    tick();
    EXPECT_FALSE(isVisible(picture(2)));
    EXPECT_EQ(top(field(2)), 15);
    EXPECT_EQ(top(numberLabel(2)), 17);
    EXPECT_EQ(top(field(1)), 215) << "other rows stay";
    EXPECT_EQ(quiz.contentHeight, 540);
    tick();
    EXPECT_TRUE(isVisible(picture(2)));
    EXPECT_EQ(top(field(2)), 215);
    answer(4, "marine");
    tick();
    EXPECT_EQ(top(field(4)), 480 - 195) << "alone in its band: it folds up, the band stays";
    EXPECT_EQ(quiz.contentHeight, 540);
}

void withHints(QuizState* quiz) { quiz->answerMode = 3; }

TEST_F(Collapsing, ACompleteBandClosesUpAndReopens) {
    open("bands", withHints);
    const int height = quiz.contentHeight;
    answer(1, "orange");
    answer(2, "violet");
    answer(3, "wrong");
    tick();
    EXPECT_EQ(top(field(4)), 560) << "two rows collapsed: the band stays";
    answer(3, "sarcelle");  // solved while ticked: collapses at once, the band closes up
    EXPECT_EQ(top(field(4)), 560 - 200 - 65);
    EXPECT_EQ(top(hintStatic(4)), 560 + 46 - 200 - 65) << "its hint moves with it";
    EXPECT_EQ(quiz.contentHeight, height - 265);
    ShowWindow(hintStatic(1), SW_HIDE);
    tick();
    EXPECT_EQ(top(field(4)), 560);
    EXPECT_EQ(top(field(1)), 215);
    EXPECT_EQ(quiz.contentHeight, height);
    EXPECT_TRUE(isVisible(hintStatic(1))) << "every restored row shows its hint";
    EXPECT_TRUE(isVisible(picture(3)));
}

// Two fields a question: the answer captions of a band (two of them, one
// id) stand beside its first column's fields and move with them.
TEST_F(Collapsing, EachBandKeepsItsAnswerCaptionsBesideItsFields) {
    open("bands", [](QuizState* quiz) {
        quiz->answersPerQuestion = 2;
        quiz->answerMode = 3;
        for (QuestionNode* node = quiz->head; node; node = node->next) std::strcpy(node->secondAnswer, "-");
    });
    auto captionTops = [this] {
        std::vector<int> tops;
        for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetDlgCtrlID(child) == 156) tops.push_back(top(child));
        return tops;
    };
    answer(1, "orange");
    tick();
    EXPECT_EQ(captionTops(), (std::vector<int>{17, 37, 562, 582}));
    answer(3, "violet");
    answer(5, "sarcelle");  // the first band closes up
    EXPECT_EQ(captionTops(), (std::vector<int>{17, 37, 297, 317}));
    tick();
    EXPECT_EQ(captionTops(), (std::vector<int>{217, 237, 562, 582}));
}

// Live GDI objects. Wine keeps no count: there, a few thousand new brushes
// take every free slot of the handle table and then new ones, so the highest
// slot they get, less their number, is the slots held by live objects.
long gdiObjectCount() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count) return static_cast<long>(count);
    constexpr int probes = 4000;
    static HBRUSH brushes[probes];
    long highest = 0;
    for (HBRUSH& brush : brushes) {
        brush = CreateSolidBrush(0);
        const long slot = static_cast<long>(reinterpret_cast<UINT_PTR>(brush) & 0xFFFF);
        if (slot > highest) highest = slot;
    }
    for (HBRUSH brush : brushes) DeleteObject(brush);
    return highest + 1 - probes;
}

TEST_F(PictureRows, TenThousandSwapsLeakNoGdiObject) {
    open("bands");
    HWND edit = field(1);
    auto judge = [&](const char* text) {
        SetWindowTextA(edit, text);
        SendMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    };
    for (int i = 0; i < 100; ++i) judge(i % 2 ? "x" : "orange");  // the loader's caches fill on first use
    const long before = gdiObjectCount();
    for (int i = 0; i < 10000; ++i) {
        judge("orange");  // a swap to the solved picture
        judge(i % 2 ? "orang" : "x");
    }
    const long after = gdiObjectCount();
    std::printf("live GDI objects before %ld, after 10000 swaps and 20000 verdict changes %ld\n", before, after);
    EXPECT_EQ(after, before);
}

}  // namespace
