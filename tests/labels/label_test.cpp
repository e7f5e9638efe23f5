// Label model, layout and editing operations.
#include "labels/label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "../test_support.h"

namespace {

Label straightLabel(MapPoint s, MapPoint e, const std::string& text = "") {
    Label label;
    label.nodes[0] = s;
    label.nodes[1] = MapPoint{1.0f / 3.0f, 0.0f};
    label.nodes[2] = MapPoint{2.0f / 3.0f, 0.0f};
    label.nodes[3] = e;
    for (char32_t c : test_support::chars(text)) addLetter(label, c);
    return label;
}

float dist(MapPoint a, MapPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

void expectNear(MapPoint a, MapPoint b, float tolerance, const std::string& what = "") {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
}

TEST(LabelLayout, LettersSitInTheMiddleOfEqualSlots) {
    // One letter: the middle, its direction back toward the start of the text.
    Label one = straightLabel({0, 0}, {10, 0}, "A");
    expectNear(one.letters[0].position, {5, 0}, 1e-4f);
    expectNear(one.letters[0].direction, {-1, 0}, 1e-6f);
    Label two = straightLabel({0, 0}, {10, 0}, "AB");
    expectNear(two.letters[0].position, {2.5f, 0}, 1e-4f);
    expectNear(two.letters[1].position, {7.5f, 0}, 1e-4f);
    // Spaces take a slot like any other letter.
    Label many = straightLabel({2, 4}, {2, -16}, "ab c ");
    for (size_t i = 0; i < many.letters.size(); ++i) {
        expectNear(many.letters[i].position, {2, 4 - 4 * (static_cast<float>(i) + 0.5f)}, 1e-3f, std::to_string(i));
        expectNear(many.letters[i].direction, {0, 1}, 1e-6f);
    }

    // The nodes of a dragged-out label leave the spacing nearly even.
    Label dragged;
    initFromDrag(dragged, {0, 0}, {30, 40});
    expectNear(dragged.nodes[1], {0.33f, 0}, 0);
    expectNear(dragged.nodes[2], {0.66f, 0}, 0);
    for (char c : std::string("abcd")) addLetter(dragged, c);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(dist(dragged.letters[i].position, {0, 0}), 50.0f * (i + 0.5f) / 4.0f, 0.1f) << i;

    // On a curved label each letter lies on the curve, in order, about one slot apart.
    Label curved = straightLabel({0, 0}, {20, 0});
    curved.nodes[1] = MapPoint{0.2f, -0.6f};
    curved.nodes[2] = MapPoint{0.9f, 0.4f};
    for (char c : std::string("abcdefgh")) addLetter(curved, c);
    float lastT = -1.0f;
    for (const LabelLetter& l : curved.letters) {
        float bestT = 0, best = 1e9f;
        for (int k = 0; k <= 2000; ++k)
            if (const float d = dist(pointAt(curved, k / 2000.0f), l.position); d < best) best = d, bestT = k / 2000.0f;
        EXPECT_LT(best, 0.02f);
        EXPECT_GT(bestT, lastT);
        lastT = bestT;
        EXPECT_NEAR(std::hypot(l.direction.x, l.direction.y), 1.0f, 1e-5);
    }
    const float first = dist(curved.letters[0].position, curved.letters[1].position);
    for (size_t i = 1; i + 1 < curved.letters.size(); ++i)
        EXPECT_NEAR(dist(curved.letters[i].position, curved.letters[i + 1].position), first, first * 0.15f);

    // Coincident nodes: every letter on the point, without a direction.
    Label point = straightLabel({3, 4}, {3, 4});
    point.nodes[1] = point.nodes[2] = MapPoint{0, 0};
    for (char c : std::string("xyz")) addLetter(point, c);
    for (const LabelLetter& l : point.letters) {
        expectNear(l.position, {3, 4}, 1e-5f);
        EXPECT_TRUE(l.direction.x == 0 && l.direction.y == 0);
    }
}

TEST(LabelAttributes, AlphaAndCopiesFollowTheLabel) {
    Label label = straightLabel({0, 0}, {10, 0}, "ab");
    EXPECT_EQ(label.letters[0].alpha, 89);  // default visibility 35
    // Within 0..100 visibility * 255 / 100, truncated; out-of-range values (a
    // hand-edited store) stay within a byte.
    const int cases[][2] = {{0, 0},    {10, 25},    {35, 89},   {37, 94},     {100, 255},
                            {101, 255}, {150, 255}, {-1, 0},    {-40, 0},     {2147483647, 255}, {-2147483647 - 1, 0}};
    for (auto& c : cases) {
        label.visibility = c[0];
        applyAttributes(label);
        EXPECT_EQ(label.letters[1].alpha, c[1]) << c[0];
    }
    label.size = 2.5f;
    label.width = 140;
    label.italic = 1;
    applyAttributes(label);
    for (const LabelLetter& l : label.letters) EXPECT_TRUE(l.size == 2.5f && l.width == 140 && l.italic == 1);

    // Copied attributes take the width as the drag total; letters are updated by the caller.
    Label from;
    from.size = 2.0f;
    from.visibility = 70;
    from.italic = 1;
    from.width = 80;
    from.widthDrag = 65;
    from.spare = 7;
    Label to = straightLabel({0, 0}, {10, 0}, "a ");
    copyAttributes(to, from);
    EXPECT_EQ(std::tuple(to.size, to.visibility, to.italic, to.width, to.widthDrag, to.spare),
              std::tuple(2.0f, 70, 1, 80, 80, 7));
    EXPECT_EQ(to.letters[0].alpha, 89);
    changeWidth(to, 1);
    EXPECT_EQ(to.width, 96);
    EXPECT_EQ(countLetters(to), 1);
}

TEST(LabelNodes, MovingNodesKeepsTheShapeAndLandsUnderThePointer) {
    Label label = straightLabel({0, 0}, {10, 0});
    label.nodes[1] = MapPoint{0.33f, 0.2f};
    label.nodes[2] = MapPoint{0.66f, -0.1f};
    updateCurve(label);
    // The right-hand normal of the chord (10, 0) is (0, -10).
    expectNear(label.curve[1], {3.3f, -2}, 1e-5f);
    // Turning the chord a quarter turn turns the bend with it.
    moveNode(label, {0, 10}, 3);
    expectNear(label.nodes[1], {0.33f, 0.2f}, 1e-7f);
    expectNear(label.curve[1], {2, 3.3f}, 1e-5f);
    expectNear(label.curve[2], {-1, 6.6f}, 1e-5f);
    // Moving the start node keeps the coefficients too.
    moveNode(label, {-5, 0}, 0);
    EXPECT_FLOAT_EQ(label.curve[0].x, -5.0f);
    EXPECT_NEAR(label.nodes[2].y, -0.1f, 1e-7);
    // An inner node read back is where it was put.
    for (int k = 1; k <= 2; ++k)
        for (MapPoint p : {MapPoint{7, -3}, MapPoint{-2.5f, 12}, MapPoint{0, 0}}) {
            moveNode(label, p, k);
            expectNear(label.curve[k], p, 1e-4f);
            EXPECT_NEAR(distanceToNode(label, p, k), 0.0f, 1e-4);
        }

    // A zero-length chord keeps the inner nodes' coefficients and stays finite.
    Label zero = straightLabel({4, 4}, {4, 4}, "ab");
    zero.nodes[1] = MapPoint{0.25f, 0.5f};
    moveNode(zero, {9, 1}, 1);
    moveNode(zero, {-3, 2}, 2);
    expectNear(zero.nodes[1], {0.25f, 0.5f}, 0);
    EXPECT_EQ(zero.nodes[2].x, 2.0f / 3.0f);
    for (const MapPoint& c : zero.curve) EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    for (const LabelLetter& l : zero.letters)
        EXPECT_TRUE(std::isfinite(l.position.x) && std::isfinite(l.direction.x) && std::isfinite(l.direction.y));
    // Pulling the end node away gives the label its chord back.
    moveNode(zero, {14, 4}, 3);
    moveNode(zero, {6, 8}, 1);
    expectNear(zero.curve[1], {6, 8}, 1e-5f);
}

TEST(LabelQueries, CentreExtentDistancesAndText) {
    Label label = straightLabel({0, 2}, {10, 8});
    updateCurve(label);
    expectNear(centre(label), {5, 5}, 0);
    EXPECT_FLOAT_EQ(extent(label), 5.0f);
    label.nodes[3] = MapPoint{2, 30};
    EXPECT_FLOAT_EQ(extent(label), 14.0f);

    Label flat = straightLabel({0, 0}, {10, 0});
    updateCurve(flat);
    EXPECT_NEAR(distanceToCurve(flat, {5, 3}), 3.0f, 0.01f);
    EXPECT_NEAR(distanceToCurve(flat, {0, -2}), 2.0f, 1e-5);
    // The samples stop short of t = 1; far away the distance is capped.
    EXPECT_GT(distanceToCurve(flat, {10, 0}), 0.0f);
    EXPECT_LT(distanceToCurve(flat, {10, 0}), 0.3f);
    EXPECT_EQ(distanceToCurve(flat, {5000, 0}), 1000.0f);
    EXPECT_NEAR(distanceToNode(flat, {10, 4}, 3), 4.0f, 1e-6);
}

TEST(LabelEditing, LetterIdsOnlyGrow) {
    resetLetterIds();
    Label label = straightLabel({0, 0}, {10, 0}, "ab");
    EXPECT_EQ(std::pair(label.letters[0].id, label.letters[1].id), std::pair(0, 1));
    EXPECT_TRUE(removeLastLetter(label));
    EXPECT_EQ(nextLetterId, 3);  // the removal consumed an id
    EXPECT_NEAR(label.letters[0].position.x, 5.0f, 1e-4);  // laid out again
    addLetter(label, 'c');
    EXPECT_EQ(label.letters[1].id, 3);
    EXPECT_TRUE(removeLastLetter(label));
    EXPECT_TRUE(removeLastLetter(label));
    const int before = nextLetterId;
    EXPECT_FALSE(removeLastLetter(label));
    EXPECT_EQ(nextLetterId, before);
}

TEST(LabelEditing, SizeWidthAndVisibilityLimits) {
    Label label = straightLabel({0, 0}, {10, 0}, "a");
    scaleSize(label, 1.0f - 60 * 0.01f);  // a 60 pixel drag down halves, no more
    EXPECT_FLOAT_EQ(label.size, 0.5f);
    scaleSize(label, -3.0f);
    EXPECT_FLOAT_EQ(label.size, 0.25f);
    scaleSize(label, 1.2f);
    EXPECT_FLOAT_EQ(label.letters[0].size, 0.3f);

    // The width follows the drag total, capped to 40..250, with a snapping band
    // of 85..115 around 100 that the band's width is taken out of.
    const int steps[][3] = {{20, 120, 105}, {300, 420, 250}, {-155, 265, 250}, {-1, 264, 249}, {-164, 100, 100},
                            {-15, 85, 100}, {-1, 84, 99},    {32, 116, 101},  {-500, -384, 40}};
    for (auto& s : steps) {
        changeWidth(label, s[0]);
        EXPECT_EQ(std::pair(label.widthDrag, label.width), std::pair(s[1], s[2])) << s[0];
        EXPECT_EQ(label.letters[0].width, s[2]);
    }

    EXPECT_EQ(label.visibility, 35);
    for (int i = 0; i < 20; ++i) changeVisibility(label, 5);
    EXPECT_EQ(std::pair(label.visibility, label.letters[0].alpha), std::pair(100, 255));
    for (int i = 0; i < 30; ++i) changeVisibility(label, -5);
    EXPECT_EQ(std::pair(label.visibility, label.letters[0].alpha), std::pair(10, 25));

    toggleItalic(label);
    EXPECT_EQ(label.letters[0].italic, 1);
    toggleItalic(label);
    EXPECT_EQ(label.letters[0].italic, 0);
}

TEST(LabelEditing, FlipReversesTheReadingDirectionOnTheSameCurve) {
    Label label = straightLabel({0, 0}, {10, 0});
    label.nodes[1] = MapPoint{0.3f, 0.25f};
    label.nodes[2] = MapPoint{0.7f, -0.15f};
    for (char c : std::string("abc")) addLetter(label, c);
    const Label before = label;
    flip(label);
    for (int k = 0; k < 4; ++k) expectNear(label.curve[k], before.curve[3 - k], 1e-5f);
    EXPECT_NEAR(label.letters[0].position.x, before.letters[2].position.x, 1e-3);
    EXPECT_NEAR(label.letters[0].direction.x, -before.letters[2].direction.x, 1e-3);
    flip(label);
    for (int k = 0; k < 4; ++k) expectNear(label.nodes[k], before.nodes[k], 1e-6f);
}

TEST(LabelEditing, CaseCyclesThroughTitleCapitalsAndLower) {
    // Each text and what three presses make of it; only a space starts a word, and
    // non-letters stay. Latin, Greek and Cyrillic letters change case by Unicode's
    // simple mappings; letters without a capital (ß) and characters of other
    // scripts stay as they are.
    const char* const cases[][4] = {{"new town", "New Town", "NEW TOWN", "new town"},
                                    {"saint-denis 2\u00e9", "Saint-denis 2\u00e9", "SAINT-DENIS 2\u00c9", "saint-denis 2\u00e9"},
                                    {"Saint-Denis", "SAINT-DENIS", "saint-denis", "Saint-denis"},
                                    {"12 -", "12 -", "12 -", "12 -"},
                                    {"a b", "A B", "a b", "A B"},
                                    {"москва", "Москва", "МОСКВА", "москва"},
                                    {"ΑΘΉΝΑ", "αθήνα", "Αθήνα", "ΑΘΉΝΑ"},
                                    {"straße łódź ÿ", "Straße Łódź Ÿ", "STRAßE ŁÓDŹ Ÿ", "straße łódź ÿ"},
                                    {"STRAßE", "straße", "Straße", "STRAßE"},
                                    {"中文 ab", "中文 Ab", "中文 AB", "中文 ab"}};
    for (auto& c : cases) {
        Label label = straightLabel({0, 0}, {10, 0}, c[0]);
        for (int i = 1; i <= 3; ++i) {
            cycleCase(label);
            EXPECT_EQ(labelText(label), c[i]) << c[0] << " press " << i;
        }
    }
}

}  // namespace
