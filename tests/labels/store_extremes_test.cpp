// Hand-edited stores with values at the ends of their ranges: the labels load,
// their letters get usable opacities, and they save back unchanged.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "labels/label_store.h"

TEST(StoreExtremes, VisibilityAtTheIntLimitsGivesAByteOfOpacity) {
    const std::string text =
        "v1\n3\n"
        "a b |  0 0  0.33 0  0.66 0  10 0  1.0 2147483647 100 0 0\n"
        "c |  0 0  0.33 0  0.66 0  10 0  1.0 -2147483648 100 0 0\n"
        "d |  0 0  0.33 0  0.66 0  10 0  1.0 99999999999 100 0 0\n";
    LabelList labels;
    std::string error;
    resetLetterIds();
    ASSERT_TRUE(parseLabelStore(labels, text, error)) << error;
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].visibility, INT_MAX);
    EXPECT_EQ(labels[1].visibility, INT_MIN);
    EXPECT_EQ(labels[2].visibility, INT_MAX);  // clamped on reading
    for (const LabelLetter& l : labels[0].letters) EXPECT_EQ(l.alpha, 255);
    EXPECT_EQ(labels[1].letters[0].alpha, 0);
    EXPECT_EQ(labels[2].letters[0].alpha, 255);

    // The values themselves are kept as read until the next edit clamps them.
    std::string out;
    writeLabel(labels[1], out);
    EXPECT_NE(out.find(" -2147483648 100 0 0\n"), std::string::npos) << out;

    // Within 0..100 the opacity is visibility * 255 / 100, truncated.
    Label label = labels[0];
    for (int v : {0, 10, 35, 37, 100}) {
        label.visibility = v;
        applyAttributes(label);
        EXPECT_EQ(label.letters[1].alpha, v * 255 / 100) << v;
    }
    label.visibility = 101;
    applyAttributes(label);
    EXPECT_EQ(label.letters[1].alpha, 255);
    label.visibility = -1;
    applyAttributes(label);
    EXPECT_EQ(label.letters[1].alpha, 0);
}
