// Window and canvas arithmetic: where MainWindow puts its panels, where the
// header moves its controls, and where each question row goes.
#include <gtest/gtest.h>

#include "shell/layout.h"
#include "panel/row_geometry.h"
#include "panel/scroll_math.h"

namespace {

void expectPlace(const Placement& got, int x, int y, int w, int h) {
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
    EXPECT_EQ(got.width, w);
    EXPECT_EQ(got.height, h);
}

TEST(Layout, CentresOnTheReferenceWithTruncatingHalves) {
    const Corner c = centreWindow({0, 0, 1280, 1024}, {10, 10, 940, 610});
    EXPECT_EQ(c.x, 175);
    EXPECT_EQ(c.y, 212);
    const Corner odd = centreWindow({-3, 0, 0, 0}, {0, 0, 0, 0});  // width 3: halves toward zero
    EXPECT_EQ(odd.x, -2);
    const Corner larger = centreWindow({0, 0, 800, 600}, {0, 0, 931, 600});  // -131 / 2 == -65
    EXPECT_EQ(larger.x, -65);
}

TEST(Layout, MainWindowPanelsAndFooter) {
    const MainWindowLayout l = layoutMainWindow(914, 561);
    expectPlace(l.questionPanel, 5, 50, 903, 493);
    expectPlace(l.headerPanel, 5, 2, 903, 49);
    expectPlace(l.footer, 769, 545, 150, 15);
}

TEST(Layout, HeaderMovesInOrderAndCacherLast) {
    HeaderMove moves[headerMoveCount];
    layoutHeaderPanel(900, moves);
    const int order[] = {29, 24, 25, 26, 27, 28, 122, 33};
    for (int i = 0; i < headerMoveCount; ++i) EXPECT_EQ(moves[i].id, order[i]);
    expectPlace(moves[0].place, 110, 3, 550, 18);
    expectPlace(moves[1].place, 766, 0, 115, 18);
    expectPlace(moves[7].place, 696, 0, 85, 18);
    EXPECT_FALSE(moves[2].repaint);
    EXPECT_TRUE(moves[3].repaint);
    // A narrow panel gives negative widths, passed as computed.
    layoutHeaderPanel(300, moves);
    EXPECT_EQ(moves[0].place.width, -50);
    EXPECT_EQ(moves[5].place.width, -24);
}

TEST(RowGeometry, TextRowsAre25PixelsApart) {
    const TextRow first = textRow(firstRowTop);
    expectPlace(first.number, 26, 7, 19, 17);
    expectPlace(first.question, 50, 5, 550, 20);
    expectPlace(first.field, 610, 5, 170, 20);
    expectPlace(first.verdict, 790, 5, 100, 20);
    EXPECT_EQ(textRow(firstRowTop + 2 * textRowHeight).field.y, 55);
}

TEST(RowGeometry, PictureBandWithOneField) {
    const int x[] = {46, 336, 626};
    for (int n = 1; n <= 3; ++n) {
        const BandRow row = bandRow(1, 1, n, 5, 200, 150, 200);
        expectPlace(row.fields[0], x[n - 1], 215, 260, 20);
        expectPlace(row.verdicts[0], x[n - 1], 234, 260, 20);
        expectPlace(row.top, x[n - 1] + 55, 5, 150, 200);
        expectPlace(row.number, x[n - 1] - 28, 217, 27, 17);
    }
    EXPECT_EQ(bandRow(1, 1, 1, 5, 200, 260, 0).answerTop + bandAnswerHeight(0), 275);
}

TEST(RowGeometry, PictureBandWithTwoFields) {
    const BandRow row = bandRow(1, 2, 2, 5, 200, 260, 200);
    expectPlace(row.fields[0], 396, 215, 201, 20);
    expectPlace(row.fields[1], 396, 234, 201, 20);
    expectPlace(row.verdicts[0], 596, 215, 60, 20);
    expectPlace(row.verdicts[1], 596, 234, 60, 20);
    expectPlace(row.captions[0], 4, 217, 95, 20);
    expectPlace(row.captions[1], 3, 237, 95, 20);
    EXPECT_EQ(bandCanvasWidth + canvasRightMargin(2), 970);
}

TEST(RowGeometry, MissingPictureIsCentredWithNoHeight) {
    const BandRow row = bandRow(1, 1, 4, 300, 0, 260, 0);
    expectPlace(row.top, 46, 300, 260, 0);
    EXPECT_EQ(row.answerTop, 310);
}

TEST(RowGeometry, MediaRows) {
    const BandRow video = bandRow(3, 1, 1, 5, 0, 0, 0);
    expectPlace(video.top, 46, 5, 260, 200);
    expectPlace(video.fields[0], 66, 215, 240, 20);
    expectPlace(video.play, 46, 215, 20, 20);
    expectPlace(video.stop, 46, 235, 20, 19);
    const BandRow sound = bandRow(2, 1, 3, 5, 0, 0, 0);
    expectPlace(sound.top, 626, 5, 0, 0);
    expectPlace(sound.fields[0], 646, 5, 240, 20);
    expectPlace(sound.hint, 626, 51, 260, 65);
}

TEST(ScrollMath, StepsByCode) {
    EXPECT_EQ(verticalScrollTarget(0, 400, 100, 0, 900), 90);    // line up
    EXPECT_EQ(verticalScrollTarget(1, 0, 100, 0, 900), 310);     // line down
    EXPECT_EQ(verticalScrollTarget(3, 10, 199, 0, 900), 209);    // page down
    EXPECT_EQ(verticalScrollTarget(5, 10, 199, 77, 900), 77);    // thumb track
    EXPECT_EQ(verticalScrollTarget(7, 10, 199, 0, 273), 273);    // bottom
    EXPECT_EQ(verticalScrollTarget(500, 10, 199, 0, 273), 60);   // wheel down
    EXPECT_EQ(verticalScrollTarget(501, 10, 199, 0, 273), -40);  // wheel up, clamped later
    EXPECT_EQ(verticalScrollTarget(4, 10, 199, 99, 273), 10);    // thumb position: unchanged
    EXPECT_EQ(horizontalScrollTarget(1, 5, 100, 0), 6);
    EXPECT_EQ(horizontalScrollTarget(6, 5, 100, 0), 5);  // no "left end" code horizontally
}

TEST(ScrollMath, WheelAddsUpSmallDeltasAndScrollsOncePerNotch) {
    int leftover = 0;
    EXPECT_EQ(wheelNotches(&leftover, 120), 1);
    EXPECT_EQ(wheelNotches(&leftover, -120), -1);
    EXPECT_EQ(wheelNotches(&leftover, 240), 2);
    EXPECT_EQ(wheelNotches(&leftover, 60), 0);
    EXPECT_EQ(wheelNotches(&leftover, 60), 1);  // a touchpad's half notches add up
    EXPECT_EQ(wheelNotches(&leftover, 100), 0);
    EXPECT_EQ(wheelNotches(&leftover, -30), 0);  // turning back drops what was left
    EXPECT_EQ(wheelNotches(&leftover, -90), -1);
}

TEST(ScrollMath, FocusedFieldComesIntoView) {
    // A field inside the view does not scroll.
    EXPECT_FALSE(fieldViewTarget(903, 493, 0, 0, 610, 55, 0).scroll);
    // One below the view scrolls so that its top is 15 pixels (plus the
    // allowance) below the top of the view, and 112 pixels of room to its left.
    const ViewTarget below = fieldViewTarget(903, 493, 0, 0, 610, 600, 0);
    EXPECT_TRUE(below.scroll);
    EXPECT_EQ(below.vertical, 585);
    EXPECT_EQ(below.horizontal, 498);
    EXPECT_EQ(fieldViewTarget(903, 493, 0, 100, 46, 600, 200).vertical, 485);
    // The view is shortened by 15 pixels for the scroll bar.
    EXPECT_TRUE(fieldViewTarget(903, 493, 0, 0, 46, 479, 0).scroll);
    EXPECT_FALSE(fieldViewTarget(903, 493, 0, 0, 46, 478, 0).scroll);
}

}  // namespace
