// Window and canvas arithmetic: where MainWindow puts its panels, where the
// header moves its controls, where each question row goes, and scrolling.
#include <gtest/gtest.h>

#include <initializer_list>

#include "panel/row_geometry.h"
#include "panel/scroll_math.h"
#include "shell/layout.h"

namespace {

void expectPlaces(std::initializer_list<std::pair<Placement, Placement>> places) {
    for (const auto& [got, want] : places) {
        EXPECT_TRUE(got.x == want.x && got.y == want.y && got.width == want.width && got.height == want.height)
            << got.x << "," << got.y << " " << got.width << "x" << got.height << " instead of " << want.x << "," << want.y << " "
            << want.width << "x" << want.height;
    }
}

TEST(Layout, WindowPanelsHeaderControlsAndRows) {
    const Corner c = centreWindow({0, 0, 1280, 1024}, {10, 10, 940, 610});
    EXPECT_TRUE(c.x == 175 && c.y == 212);
    EXPECT_EQ(centreWindow({0, 0, 800, 600}, {0, 0, 931, 600}).x, -65);  // halves toward zero
    const MainWindowLayout l = layoutMainWindow(914, 561);
    HeaderMove moves[headerMoveCount];
    layoutHeaderPanel(900, moves);
    const int order[] = {29, 24, 25, 26, 27, 28, 122, 33};  // "Cacher" last, on top of the rule and the link
    for (int i = 0; i < headerMoveCount; ++i) EXPECT_EQ(moves[i].id, order[i]);
    const TextRow first = textRow(firstRowTop);
    const BandRow picture = bandRow(1, 1, 2, 5, 200, 150, 200), two = bandRow(1, 2, 2, 5, 200, 260, 200);
    const BandRow video = bandRow(3, 1, 1, 5, 0, 0, 0), sound = bandRow(2, 1, 3, 5, 0, 0, 0);
    expectPlaces({
        {l.questionPanel, {5, 50, 903, 493}}, {l.headerPanel, {5, 2, 903, 49}}, {l.footer, {769, 545, 150, 15}},
        {moves[0].place, {110, 3, 550, 18}}, {moves[1].place, {766, 0, 115, 18}}, {moves[3].place, {793, 25, 105, 18}},
        {moves[7].place, {696, 0, 85, 18}},
        {first.number, {26, 7, 19, 17}}, {first.question, {50, 5, 550, 20}}, {first.field, {610, 5, 170, 20}},
        {first.verdict, {790, 5, 100, 20}}, {textRow(firstRowTop + 2 * textRowHeight).field, {610, 55, 170, 20}},
        {picture.top, {391, 5, 150, 200}}, {picture.fields[0], {336, 215, 260, 20}}, {picture.verdicts[0], {336, 234, 260, 20}},
        {picture.number, {308, 217, 27, 17}}, {bandRow(1, 1, 4, 300, 0, 260, 0).top, {46, 300, 260, 0}},
        {two.fields[1], {396, 234, 201, 20}}, {two.verdicts[0], {596, 215, 60, 20}}, {two.verdicts[1], {596, 234, 60, 20}},
        {two.captions[0], {4, 217, 95, 20}}, {two.captions[1], {3, 237, 95, 20}},
        {video.top, {46, 5, 260, 200}}, {video.fields[0], {66, 215, 240, 20}}, {video.play, {46, 215, 20, 20}},
        {video.stop, {46, 235, 20, 19}}, {sound.top, {626, 5, 0, 0}}, {sound.fields[0], {646, 5, 240, 20}},
        {sound.hint, {626, 51, 260, 65}},
    });
    EXPECT_EQ(bandRow(1, 1, 1, 5, 200, 260, 0).answerTop + bandAnswerHeight(0), 275);
    EXPECT_EQ(bandAnswerHeight(3), 140);
    EXPECT_EQ(bandCanvasWidth + canvasRightMargin(2), 970);
}

TEST(ScrollMath, StepsWheelNotchesAndTheFocusedField) {
    const int vertical[][6] = {
        // code, position, page, track, maximum, target
        {0, 400, 100, 0, 900, 90}, {1, 0, 100, 0, 900, 310},  {2, 300, 199, 0, 900, 101},   {3, 10, 199, 0, 900, 209},
        {5, 10, 199, 77, 900, 77}, {6, 10, 199, 0, 273, 0},   {7, 10, 199, 0, 273, 273},    {500, 10, 199, 0, 273, 60},
        {501, 10, 199, 0, 273, -40}, {4, 10, 199, 99, 273, 10},
    };
    for (const auto& v : vertical) EXPECT_EQ(verticalScrollTarget(v[0], v[1], v[2], v[3], v[4]), v[5]) << "code " << v[0];
    EXPECT_EQ(horizontalScrollTarget(1, 5, 100, 0), 6);
    EXPECT_EQ(horizontalScrollTarget(6, 5, 100, 0), 5);  // no "left end" code horizontally
    // A touchpad's half notches add up; turning back drops what was left.
    int leftover = 0;
    const int wheel[][2] = {{120, 1}, {-120, -1}, {240, 2}, {60, 0}, {60, 1}, {100, 0}, {-30, 0}, {-90, -1}};
    for (const auto& w : wheel) EXPECT_EQ(wheelNotches(&leftover, w[0]), w[1]) << w[0];
    // A field below the view scrolls so that its top is 15 pixels (plus the
    // allowance) below the top of the view, with 112 pixels of room to its
    // left; the view is shortened by 15 pixels for the scroll bar.
    const ViewTarget below = fieldViewTarget(903, 493, 0, 0, 610, 600, 0);
    EXPECT_TRUE(below.scroll && below.vertical == 585 && below.horizontal == 498);
    EXPECT_EQ(fieldViewTarget(903, 493, 0, 100, 46, 600, 200).vertical, 485);
    EXPECT_TRUE(fieldViewTarget(903, 493, 0, 0, 46, 479, 0).scroll);
    EXPECT_FALSE(fieldViewTarget(903, 493, 0, 0, 46, 478, 0).scroll);
}

}  // namespace
