// Proportional spacing: letters by the font's advances and kerning.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../test_support.h"
#include "labels/label.h"

namespace {

float gapAfter(const std::vector<float>& arcs, size_t i) { return arcs[i + 1] - arcs[i]; }

TEST(ProportionalLayout, AdvancesKerningAndOneEqualGap) {
    const float k = 0.5f;
    const std::vector<LetterAdvance> plain = {{10, 0, 0}, {30, 0, 0}, {20, 0, 0}, {10, 0, 0}};
    // The first and last advances touch the ends; the 30 units left make gaps of 10.
    const std::vector<float> arcs = proportionalArcLengths(plain, k, 65.0f);
    const std::vector<float> expected = {2.5f, 22.5f, 45.0f, 62.5f};
    for (size_t i = 0; i < arcs.size(); ++i) EXPECT_FLOAT_EQ(arcs[i], expected[i]) << i;

    // A pair kerned by -6 on a curve shorter by k * 6 keeps the gap: the letters
    // after the pair move by exactly k * kern, those before stay.
    std::vector<LetterAdvance> kerned = plain;
    kerned[1].kern = -6.0f;
    const std::vector<float> tucked = proportionalArcLengths(kerned, k, 62.0f);
    for (size_t i = 0; i < arcs.size(); ++i) EXPECT_FLOAT_EQ(tucked[i], arcs[i] + (i >= 2 ? -3.0f : 0.0f)) << i;

    // One letter sits in the middle; a quad's shift moves it by k * shift.
    EXPECT_EQ(proportionalArcLengths({{10, 5, 0}}, k, 40.0f), std::vector<float>{20.0f});
    EXPECT_FLOAT_EQ(proportionalArcLengths({{10, 0, 0}, {10, 0, 4}}, k, 40.0f)[1], 37.5f + 2.0f);

    // A curve shorter than the text closes the letters up until they overlap.
    const std::vector<float> squeezed = proportionalArcLengths(plain, k, 20.0f);
    EXPECT_FLOAT_EQ(squeezed.front(), 2.5f);
    EXPECT_FLOAT_EQ(squeezed.back(), 17.5f);
    for (size_t i = 0; i + 1 < plain.size(); ++i)
        EXPECT_LT(gapAfter(squeezed, i), k * (plain[i].advance + plain[i + 1].advance) / 2) << i;
    EXPECT_TRUE(proportionalArcLengths({}, k, 20.0f).empty());
}

// A straight label from (0, 0) to (100, 0) with the inner nodes at the given chord fractions.
Label straight(const std::string& text, float a1, float a2) {
    Label label;
    label.nodes[0] = {0, 0};
    label.nodes[1] = {a1, 0};
    label.nodes[2] = {a2, 0};
    label.nodes[3] = {100, 0};
    label.spare = SPARE_PROPORTIONAL;
    for (char32_t c : test_support::chars(text)) label.letters.push_back(makeLetter(c));
    return label;
}

TEST(ProportionalLayout, LettersGoByArcLengthNotByCurveParameter) {
    // Equal glyphs: the middle letter of three stands at the middle of the curve,
    // however unevenly the curve's parameter runs along it.
    GlyphAtlas atlas;
    atlas.glyphHeight = 20;
    atlas.cells['x'] = GlyphCell{0, 0, 10, 2, 12, 10, 0};
    for (auto [a1, a2] : {std::pair(0.33f, 0.66f), std::pair(0.02f, 0.04f), std::pair(0.96f, 0.98f)}) {
        Label label = straight("xxx", a1, a2);
        layoutLetters(label, atlas);
        EXPECT_NEAR(label.letters[1].position.x, 50.0f, 0.05f) << a1;
        EXPECT_NEAR(label.letters[0].position.x, 0.5f, 0.05f) << a1;  // k = 0.1: half an advance of 10
        EXPECT_NEAR(label.letters[1].direction.x, -1.0f, 1e-5f);
    }
    // Back to equal slots, the letters are where they always were, bit for bit.
    Label label = straight("xxx", 0.02f, 0.04f);
    layoutLetters(label, atlas);
    toggleSpacing(label, atlas);
    Label equal = label;
    layoutLetters(equal);
    EXPECT_FALSE(proportionalSpacing(label));
    EXPECT_TRUE(sameLabel(label, equal));
}

TEST(ProportionalLayout, DejaVuSansKernsAndSetsNarrowLettersCloser) {
    GlyphAtlas atlas;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(buildGlyphAtlas(atlas, std::string("abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- "),
                                "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 1024, 512, false));
    testing::internal::GetCapturedStdout();
    EXPECT_LT(glyphKerning(atlas, U'A', U'V'), glyphKerning(atlas, U'A', U'A'));
    EXPECT_LT(glyphCell(atlas, U'i')->advance, glyphCell(atlas, U'm')->advance);

    Label label = straight("Illumination", 0.33f, 0.66f);
    label.nodes[3] = {40, 0};
    layoutLetters(label, atlas);
    auto centres = [&](size_t a, size_t b) { return label.letters[b].position.x - label.letters[a].position.x; };
    EXPECT_LT(centres(0, 1), centres(4, 5));  // "I" to "l" against "m" to "i"
    releaseGlyphAtlas(atlas);
}

}  // namespace
