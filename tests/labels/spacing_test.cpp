// Proportional spacing: letters by the font's advances and kerning.
#include <gtest/gtest.h>

#include "../test_support.h"
#include "labels/label.h"

namespace {

TEST(ProportionalLayout, AdvancesKerningAndOneEqualGap) {
    // At k = 0.5: the ends touched; a pair kerned by -6 on a curve shorter by k * 6
    // moving the later letters by k * kern; one letter; a curve shorter than the text.
    struct Case { std::vector<float> advances; float kern, length; std::vector<float> arcs; };
    for (const Case& c : {Case{{10, 30, 20, 10}, 0, 65, {2.5f, 22.5f, 45, 62.5f}},
                          Case{{10, 30, 20, 10}, -6, 62, {2.5f, 22.5f, 42, 59.5f}}, Case{{10}, 0, 40, {20}},
                          Case{{10, 30, 20, 10}, 0, 20, {2.5f, 7.5f, 15, 17.5f}}}) {
        std::vector<LetterAdvance> letters;
        for (float a : c.advances) letters.push_back({a, letters.size() == 1 ? c.kern : 0, 0});
        EXPECT_EQ(proportionalArcLengths(letters, 0.5f, c.length), c.arcs) << c.length;
    }
}

// A proportional label on the straight curve from (0, 0) to (length, 0), inner nodes at a and a + 0.02.
std::vector<LabelLetter> laidOut(const std::string& text, float length, float a, const GlyphAtlas& atlas) {
    Label label;
    label.nodes[1] = {a, 0};
    label.nodes[2] = {a + 0.02f, 0};
    label.nodes[3] = {length, 0};
    for (char32_t c : test_support::chars(text)) label.letters.push_back(makeLetter(c));
    toggleSpacing(label, atlas);
    return label.letters;
}

TEST(ProportionalLayout, ByArcLengthAndByTheFont) {
    // Advance 16 on a 10-pixel surface (quads shifted by -3) at k = 0.1: with the inner
    // nodes bunched at either end the middle letter stands at the middle of the curve.
    GlyphAtlas atlas;
    atlas.glyphHeight = 20;
    atlas.cells['x'] = GlyphCell{0, 0, 10, 2, 12, 16, 0};
    for (float a : {0.02f, 0.96f}) EXPECT_NEAR(laidOut("xxx", 100, a, atlas)[1].position.x, 50 - 0.3f, 0.02f) << a;

    testing::internal::CaptureStdout();
    ASSERT_TRUE(buildGlyphAtlas(atlas, std::string("AVIlumination"), "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                1024, 512, false));
    testing::internal::GetCapturedStdout();
    EXPECT_LT(glyphKerning(atlas, U'A', U'V'), glyphKerning(atlas, U'A', U'A'));
    const std::vector<LabelLetter> l = laidOut("Illumination", 40, 0.33f, atlas);
    EXPECT_LT(l[1].position.x - l[0].position.x, l[5].position.x - l[4].position.x);  // "I"-"l" against "m"-"i"
    releaseGlyphAtlas(atlas);
}

}  // namespace
