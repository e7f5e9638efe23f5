// Label model, layout and editing operations.
#include "labels/label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

Label straightLabel(MapPoint s, MapPoint e) {
    Label label;
    label.nodes[0] = s;
    label.nodes[1] = MapPoint{1.0f / 3.0f, 0.0f};
    label.nodes[2] = MapPoint{2.0f / 3.0f, 0.0f};
    label.nodes[3] = e;
    return label;
}

Label withText(Label label, const std::string& text) {
    for (char c : text) addLetter(label, c);
    return label;
}

float dist(MapPoint a, MapPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

TEST(LabelLayout, LettersSitInTheMiddleOfEqualSlotsOnAStraightCurve) {
    Label one = withText(straightLabel({0, 0}, {10, 0}), "A");
    ASSERT_EQ(one.letters.size(), 1u);
    EXPECT_NEAR(one.letters[0].position.x, 5.0f, 1e-4);
    EXPECT_NEAR(one.letters[0].position.y, 0.0f, 1e-6);
    // The direction points back toward the start of the text.
    EXPECT_NEAR(one.letters[0].direction.x, -1.0f, 1e-6);
    EXPECT_NEAR(one.letters[0].direction.y, 0.0f, 1e-6);

    Label two = withText(straightLabel({0, 0}, {10, 0}), "AB");
    EXPECT_NEAR(two.letters[0].position.x, 2.5f, 1e-4);
    EXPECT_NEAR(two.letters[1].position.x, 7.5f, 1e-4);

    // Spaces take a slot like any other letter.
    Label many = withText(straightLabel({2, 4}, {2, -16}), "ab c ");
    for (size_t i = 0; i < many.letters.size(); ++i) {
        EXPECT_NEAR(many.letters[i].position.x, 2.0f, 1e-5);
        EXPECT_NEAR(many.letters[i].position.y, 4.0f - 4.0f * (static_cast<float>(i) + 0.5f), 1e-3) << i;
        EXPECT_NEAR(many.letters[i].direction.y, 1.0f, 1e-6);
    }

    // The nodes of a dragged-out label leave the spacing nearly even.
    Label dragged;
    initFromDrag(dragged, {0, 0}, {30, 40});
    EXPECT_FLOAT_EQ(dragged.nodes[1].x, 0.33f);
    EXPECT_FLOAT_EQ(dragged.nodes[1].y, 0.0f);
    EXPECT_FLOAT_EQ(dragged.nodes[2].x, 0.66f);
    EXPECT_FLOAT_EQ(dragged.nodes[3].y, 40.0f);
    dragged = withText(dragged, "abcd");
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(dist(dragged.letters[i].position, {0, 0}), 50.0f * (i + 0.5f) / 4.0f, 0.1f) << i;
}

TEST(LabelLayout, LettersFollowACurvedLabelInOrderAtEqualArcSteps) {
    Label label = straightLabel({0, 0}, {20, 0});
    label.nodes[1] = MapPoint{0.2f, -0.6f};
    label.nodes[2] = MapPoint{0.9f, 0.4f};
    label = withText(label, "abcdefgh");

    // Each letter lies on the curve, at a parameter that grows along the text.
    float lastT = -1.0f;
    for (const LabelLetter& l : label.letters) {
        float bestT = 0, best = 1e9f;
        for (int k = 0; k <= 2000; ++k) {
            const float t = k / 2000.0f;
            const float d = dist(pointAt(label, t), l.position);
            if (d < best) best = d, bestT = t;
        }
        EXPECT_LT(best, 0.02f);
        EXPECT_GT(bestT, lastT);
        lastT = bestT;
        EXPECT_NEAR(std::hypot(l.direction.x, l.direction.y), 1.0f, 1e-5);
    }
    // Neighbours are about one slot apart (chords of nearly equal arcs).
    const float first = dist(label.letters[0].position, label.letters[1].position);
    for (size_t i = 1; i + 1 < label.letters.size(); ++i)
        EXPECT_NEAR(dist(label.letters[i].position, label.letters[i + 1].position), first, first * 0.15f);
}

TEST(LabelLayout, CoincidentNodesPutEveryLetterOnThePointWithoutDirection) {
    Label label;
    label.nodes[0] = label.nodes[3] = MapPoint{3, 4};
    label.nodes[1] = label.nodes[2] = MapPoint{0, 0};
    label = withText(label, "xyz");
    for (const LabelLetter& l : label.letters) {
        EXPECT_FLOAT_EQ(l.position.x, 3.0f);
        EXPECT_FLOAT_EQ(l.position.y, 4.0f);
        EXPECT_EQ(l.direction.x, 0.0f);
        EXPECT_EQ(l.direction.y, 0.0f);
    }

    // With no letters, layout only refreshes the curve.
    Label empty = straightLabel({1, 1}, {4, 1});
    layoutLetters(empty);
    EXPECT_FLOAT_EQ(empty.curve[1].x, 2.0f);
    EXPECT_FLOAT_EQ(empty.curve[3].x, 4.0f);
}

TEST(LabelAttributes, AlphaAndCopiesFollowTheLabel) {
    Label label = withText(straightLabel({0, 0}, {10, 0}), "ab");
    EXPECT_EQ(label.letters[0].alpha, 89);  // default visibility 35
    // Out-of-range values (a hand-edited store) stay within a byte.
    const int cases[][2] = {{35, 89}, {100, 255}, {10, 25}, {37, 94}, {2147483647, 255}, {-40, 0}, {150, 255}};
    for (auto& c : cases) {
        label.visibility = c[0];
        applyAttributes(label);
        EXPECT_EQ(label.letters[1].alpha, c[1]) << c[0];
    }
    label.size = 2.5f;
    label.width = 140;
    label.italic = 1;
    applyAttributes(label);
    for (const LabelLetter& l : label.letters) {
        EXPECT_EQ(l.size, 2.5f);
        EXPECT_EQ(l.width, 140);
        EXPECT_EQ(l.italic, 1);
    }
}

TEST(LabelNodes, MovingNodesKeepsTheShapeAndLandsUnderThePointer) {
    Label label = straightLabel({0, 0}, {10, 0});
    label.nodes[1] = MapPoint{0.33f, 0.2f};
    label.nodes[2] = MapPoint{0.66f, -0.1f};
    updateCurve(label);
    // The right-hand normal of the chord (10, 0) is (0, -10).
    EXPECT_NEAR(label.curve[1].x, 3.3f, 1e-5);
    EXPECT_NEAR(label.curve[1].y, -2.0f, 1e-5);

    // Turning the chord a quarter turn turns the bend with it.
    moveNode(label, {0, 10}, 3);
    EXPECT_NEAR(label.nodes[1].x, 0.33f, 1e-7);
    EXPECT_NEAR(label.nodes[1].y, 0.2f, 1e-7);
    EXPECT_NEAR(label.curve[1].x, 2.0f, 1e-5);
    EXPECT_NEAR(label.curve[1].y, 3.3f, 1e-5);
    EXPECT_NEAR(label.curve[2].x, -1.0f, 1e-5);
    EXPECT_NEAR(label.curve[2].y, 6.6f, 1e-5);

    // Moving the start node keeps the coefficients too.
    moveNode(label, {-5, 0}, 0);
    EXPECT_FLOAT_EQ(label.curve[0].x, -5.0f);
    EXPECT_NEAR(label.nodes[2].y, -0.1f, 1e-7);

    // An inner node read back is where it was put.
    const MapPoint targets[] = {{7, -3}, {-2.5f, 12}, {0, 0}};
    for (int k = 1; k <= 2; ++k)
        for (MapPoint p : targets) {
            moveNode(label, p, k);
            EXPECT_NEAR(label.curve[k].x, p.x, 1e-4);
            EXPECT_NEAR(label.curve[k].y, p.y, 1e-4);
            EXPECT_NEAR(distanceToNode(label, p, k), 0.0f, 1e-4);
        }
}

TEST(LabelNodes, InnerNodeOfAZeroLengthChordStaysUsable) {
    Label label = straightLabel({4, 4}, {4, 4});
    label.nodes[1] = MapPoint{0.25f, 0.5f};
    label = withText(label, "ab");
    moveNode(label, {9, 1}, 1);
    moveNode(label, {-3, 2}, 2);
    EXPECT_EQ(label.nodes[1].x, 0.25f);
    EXPECT_EQ(label.nodes[1].y, 0.5f);
    EXPECT_EQ(label.nodes[2].x, 2.0f / 3.0f);
    for (const MapPoint& c : label.curve) EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    layoutLetters(label);
    for (const LabelLetter& l : label.letters)
        EXPECT_TRUE(std::isfinite(l.position.x) && std::isfinite(l.direction.x) && std::isfinite(l.direction.y));
    // Pulling the end node away gives the label its chord back.
    moveNode(label, {14, 4}, 3);
    moveNode(label, {6, 8}, 1);
    EXPECT_NEAR(label.curve[1].x, 6.0f, 1e-5);
    EXPECT_NEAR(label.curve[1].y, 8.0f, 1e-5);
}

TEST(LabelQueries, CentreExtentAndDistances) {
    Label label = straightLabel({0, 2}, {10, 8});
    updateCurve(label);
    EXPECT_FLOAT_EQ(centre(label).x, 5.0f);
    EXPECT_FLOAT_EQ(centre(label).y, 5.0f);
    EXPECT_FLOAT_EQ(extent(label), 5.0f);
    label.nodes[3] = MapPoint{2, 30};
    EXPECT_FLOAT_EQ(extent(label), 14.0f);

    Label flat = straightLabel({0, 0}, {10, 0});
    updateCurve(flat);
    EXPECT_NEAR(distanceToCurve(flat, {5, 3}), 3.0f, 0.01f);
    EXPECT_NEAR(distanceToCurve(flat, {0, -2}), 2.0f, 1e-5);
    // The samples stop short of t = 1.
    EXPECT_GT(distanceToCurve(flat, {10, 0}), 0.0f);
    EXPECT_LT(distanceToCurve(flat, {10, 0}), 0.3f);
    EXPECT_EQ(distanceToCurve(flat, {5000, 0}), 1000.0f);
    EXPECT_NEAR(distanceToNode(flat, {10, 4}, 3), 4.0f, 1e-6);
}

TEST(LabelText, WholeTextAndCutCopies) {
    Label label = withText(straightLabel({0, 0}, {1, 0}), "Old Town");
    EXPECT_EQ(labelText(label), "Old Town");
    char buf[5];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(labelTextInto(label, buf, 4), 3u);
    EXPECT_STREQ(buf, "Old");
    EXPECT_EQ(buf[4], 'x');
    EXPECT_EQ(labelTextInto(label, buf, 0), 0u);
    char big[32];
    EXPECT_EQ(labelTextInto(label, big, sizeof big), 8u);
    EXPECT_STREQ(big, "Old Town");
}

TEST(LabelEditing, LetterIdsOnlyGrow) {
    resetLetterIds();
    Label label = straightLabel({0, 0}, {10, 0});
    addLetter(label, 'a');
    addLetter(label, 'b');
    EXPECT_EQ(label.letters[0].id, 0);
    EXPECT_EQ(label.letters[1].id, 1);
    EXPECT_TRUE(removeLastLetter(label));
    EXPECT_EQ(nextLetterId, 3);  // the removal consumed an id
    EXPECT_EQ(label.letters.size(), 1u);
    EXPECT_NEAR(label.letters[0].position.x, 5.0f, 1e-4);  // laid out again
    addLetter(label, 'c');
    EXPECT_EQ(label.letters[1].id, 3);
    EXPECT_TRUE(removeLastLetter(label));
    EXPECT_TRUE(removeLastLetter(label));
    const int before = nextLetterId;
    EXPECT_FALSE(removeLastLetter(label));
    EXPECT_EQ(nextLetterId, before);
    Label copy = withText(straightLabel({0, 0}, {1, 0}), "q");
    Label twin = copy;
    EXPECT_EQ(twin.letters[0].id, copy.letters[0].id);
}

TEST(LabelEditing, SizeWidthAndVisibilityLimits) {
    Label label = withText(straightLabel({0, 0}, {10, 0}), "a");
    scaleSize(label, 1.0f - 60 * 0.01f);  // a 60 pixel drag down halves, no more
    EXPECT_FLOAT_EQ(label.size, 0.5f);
    scaleSize(label, -3.0f);
    EXPECT_FLOAT_EQ(label.size, 0.25f);
    scaleSize(label, 1.2f);
    EXPECT_FLOAT_EQ(label.letters[0].size, 0.3f);

    changeWidth(label, 20);
    EXPECT_EQ(label.widthDrag, 120);
    EXPECT_EQ(label.width, 105);
    changeWidth(label, 300);
    EXPECT_EQ(label.width, 250);
    changeWidth(label, -155);
    EXPECT_EQ(label.widthDrag, 265);
    EXPECT_EQ(label.width, 250);
    changeWidth(label, -1);
    EXPECT_EQ(label.width, 249);
    EXPECT_EQ(label.letters[0].width, 249);
    changeWidth(label, -264 + 100);  // back to 100: inside the snapping band
    EXPECT_EQ(label.width, 100);
    changeWidth(label, -15);  // 85 still snaps
    EXPECT_EQ(label.width, 100);
    changeWidth(label, -1);  // 84
    EXPECT_EQ(label.width, 99);
    changeWidth(label, 32);  // 116
    EXPECT_EQ(label.width, 101);
    changeWidth(label, -500);
    EXPECT_EQ(label.width, 40);

    EXPECT_EQ(label.visibility, 35);
    for (int i = 0; i < 20; ++i) changeVisibility(label, 5);
    EXPECT_EQ(label.visibility, 100);
    EXPECT_EQ(label.letters[0].alpha, 255);
    for (int i = 0; i < 30; ++i) changeVisibility(label, -5);
    EXPECT_EQ(label.visibility, 10);
    EXPECT_EQ(label.letters[0].alpha, 25);

    toggleItalic(label);
    EXPECT_EQ(label.letters[0].italic, 1);
    toggleItalic(label);
    EXPECT_EQ(label.letters[0].italic, 0);
}

TEST(LabelEditing, FlipReversesTheReadingDirectionOnTheSameCurve) {
    Label label = straightLabel({0, 0}, {10, 0});
    label.nodes[1] = MapPoint{0.3f, 0.25f};
    label.nodes[2] = MapPoint{0.7f, -0.15f};
    label = withText(label, "abc");
    const Label before = label;
    flip(label);
    // The same curve, run the other way.
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(label.curve[k].x, before.curve[3 - k].x, 1e-5);
        EXPECT_NEAR(label.curve[k].y, before.curve[3 - k].y, 1e-5);
    }
    EXPECT_NEAR(label.letters[0].position.x, before.letters[2].position.x, 1e-3);
    EXPECT_NEAR(label.letters[0].direction.x, -before.letters[2].direction.x, 1e-3);
    flip(label);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(label.nodes[k].x, before.nodes[k].x, 1e-6);
        EXPECT_NEAR(label.nodes[k].y, before.nodes[k].y, 1e-6);
    }
}

TEST(LabelEditing, CaseCyclesThroughTitleCapitalsAndLower) {
    Label label = withText(straightLabel({0, 0}, {10, 0}), "new town");
    cycleCase(label);
    EXPECT_EQ(labelText(label), "New Town");
    cycleCase(label);
    EXPECT_EQ(labelText(label), "NEW TOWN");
    cycleCase(label);
    EXPECT_EQ(labelText(label), "new town");

    // Only a space starts a word; non-letters and other bytes stay.
    Label hyphen = withText(straightLabel({0, 0}, {10, 0}), "saint-denis 2e\xe9");
    cycleCase(hyphen);
    EXPECT_EQ(labelText(hyphen), "Saint-denis 2e\xe9");
    Label mixed = withText(straightLabel({0, 0}, {10, 0}), "Saint-Denis");
    cycleCase(mixed);
    EXPECT_EQ(labelText(mixed), "SAINT-DENIS");
    Label none = withText(straightLabel({0, 0}, {10, 0}), "12 -");
    cycleCase(none);
    EXPECT_EQ(labelText(none), "12 -");
    Label single = withText(straightLabel({0, 0}, {10, 0}), "a b");
    cycleCase(single);
    EXPECT_EQ(labelText(single), "A B");
    cycleCase(single);
    EXPECT_EQ(labelText(single), "a b");
}

TEST(LabelEditing, CopiedAttributesTakeTheWidthAsDragTotal) {
    Label from;
    from.size = 2.0f;
    from.visibility = 70;
    from.italic = 1;
    from.width = 80;
    from.widthDrag = 65;
    from.spare = 7;
    Label to = withText(straightLabel({0, 0}, {10, 0}), "a ");
    copyAttributes(to, from);
    EXPECT_EQ(to.size, 2.0f);
    EXPECT_EQ(to.visibility, 70);
    EXPECT_EQ(to.italic, 1);
    EXPECT_EQ(to.width, 80);
    EXPECT_EQ(to.widthDrag, 80);
    EXPECT_EQ(to.spare, 7);
    EXPECT_EQ(to.letters[0].alpha, 89);  // applied only by the caller
    changeWidth(to, 1);
    EXPECT_EQ(to.width, 96);
    EXPECT_EQ(countLetters(to), 1);
}
