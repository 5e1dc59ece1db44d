// Picture quizzes: pictures loaded from the executable's own resources and
// fitted to their boxes, the band arithmetic, the solved-state swap, and
// collapsing the rows of solved questions under "Cacher".
#include <cstdio>
#include <cstring>

#include "images/picture_loader.h"
#include "tests/win32/player_fixture.h"

namespace {

HBITMAP shownBitmap(HWND pictureStatic) {
    return reinterpret_cast<HBITMAP>(SendMessageA(pictureStatic, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

TEST(PictureLoading, EveryKindOfFileIsFittedToItsBox) {
    const struct {
        int id, box, width, height;
    } cases[] = {{401, 260, 260, 200}, {402, 260, 260, 200}, {403, 260, 260, 130}, {404, 260, 260, 195},
                 {10401, 260, 260, 260}, {10401, 150, 150, 150}, {10404, 260, 260, 260}};  // 10404: a PNG
    for (const auto& c : cases) {
        HBITMAP picture = loadPicture(GetModuleHandleA(nullptr), c.id, "IMG", 260, c.box);
        ASSERT_NE(picture, nullptr) << c.id;
        EXPECT_EQ(bitmapSize(picture).cx, c.width) << c.id;
        EXPECT_EQ(bitmapSize(picture).cy, c.height) << c.id;
        DeleteObject(picture);
    }
}

// The player's own PNG decoder hands over a bitmap in the platform's colour
// order: solved.png is all gold.
TEST(PictureLoading, APngReachesThePlayerInItsColours) {
    HBITMAP picture = loadPicture(GetModuleHandleA(nullptr), 10404, "IMG", 260, 260);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ before = SelectObject(dc, picture);
    EXPECT_EQ(GetPixel(dc, 130, 130), RGB(255, 215, 0));
    SelectObject(dc, before);
    DeleteDC(dc);
    DeleteObject(picture);
}

TEST(PictureLoading, MissingUnreadableIconOrMetafileGiveNoPictureAndNoMessage) {  // 420: an icon, 421: a metafile
    MessageRecorder recorder;
    for (int id : {499, 420, 421}) EXPECT_EQ(loadPicture(GetModuleHandleA(nullptr), id, "IMG", 260, 260), nullptr) << id;
    const uint8_t garbage[] = "not a picture at all";
    EXPECT_EQ(pictureFromBytes(garbage, sizeof garbage), nullptr);
    EXPECT_TRUE(shownMessages.empty());
}

using PictureRows = PlayerWindows;

TEST_F(PictureRows, BandsTakeTheirTallestPictureAndTwoFieldsMoveTheColumnsRight) {
    open("bands");
    EXPECT_AT(picture(3), 626, 40, 260, 130);  // centred in its band of 200
    EXPECT_AT(verdictStatic(3), 626, 234, 260, 20);
    EXPECT_AT(picture(4), 46, 275, 260, 195);
    EXPECT_AT(field(4), 46, 480, 260, 20);
    EXPECT_EQ(quiz.contentHeight, 540);
    reopen("bands", [](QuizState* q) { q->answersPerQuestion = 2; });
    EXPECT_AT(verdictStatic(2), 306, 234, 60, 20);
    EXPECT_AT(field(7), 106, 480, 201, 20);
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

// The answer captions of every band, in band order: two to a band, one id.
std::vector<int> captionTops(HWND panel) {
    std::vector<int> tops;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == 156) tops.push_back(placeInParent(child).top);
    }
    return tops;
}

TEST_F(Collapsing, EachBandKeepsItsAnswerCaptionsBesideItsFields) {
    open("bands", [](QuizState* quiz) {
        quiz->answersPerQuestion = 2;
        quiz->answerMode = 3;
        for (QuestionNode* node = quiz->head; node; node = node->next) std::strcpy(node->secondAnswer, "-");
    });
    const std::vector<int> start = {217, 237, 562, 582};
    EXPECT_EQ(captionTops(panel), start);
    answer(1, "orange");
    tick();
    EXPECT_EQ(captionTops(panel), (std::vector<int>{17, 37, 562, 582})) << "they follow the first column's fields";
    answer(3, "violet");
    answer(5, "sarcelle");
    EXPECT_EQ(top(field(7)), 560 - 265);
    EXPECT_EQ(captionTops(panel), (std::vector<int>{17, 37, 297, 317})) << "the next band's captions close up with it";
    tick();
    EXPECT_EQ(captionTops(panel), start);
}

// Live GDI objects of the process. Wine keeps no such count; there, the
// count is read off the handle table instead: a few thousand new brushes take
// every free slot and then new ones, so the highest slot they get, less their
// number, is the number of slots held by live objects.
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
    // Caches of the platform's picture loader fill on first use.
    for (int i = 0; i < 50; ++i) {
        judge("orange");
        judge("x");
    }
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
