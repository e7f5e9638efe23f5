#include "export/letter_groups.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>
#include <utility>

#include "export_fixtures.h"
#include "mapgen.h"
#include "platform/text_format.h"

namespace {

const std::string POOL = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ";

// A module over hilly generated ground with `icons` orig icons and 40 labels of 6
// to 14 letters, each with a size and a bend of its own.
struct HillyModule : ModuleDir {
    explicit HillyModule(int icons) : ModuleDir(generateMapIconsOrig(icons), generatePartiesOrig(5, 3, MapBox{})) {
        MapGenParams params;
        params.maxHeight = 30;
        params.hills = 12;
        const std::string map = generateMapText(params);
        std::string error;
        EXPECT_TRUE(parseTerrainMesh(terrain, map.data(), map.size(), error)) << error;
        for (int i = 0; i < 40; ++i) {
            const int n = 6 + i % 9;
            const size_t from = static_cast<size_t>(i % 30), half = static_cast<size_t>(n / 2);
            const std::string text = POOL.substr(from, half) + " " + POOL.substr(from + half, static_cast<size_t>(n) - half);
            const float x = -90.0f + static_cast<float>(i % 5) * 36.0f, y = -90.0f + static_cast<float>(i / 5) * 22.0f;
            add(text, {x, y}, {x + 30.0f, y + static_cast<float>(i % 7) - 3.0f});
            Label& label = labels.back();
            label.nodes[1].y = 0.3f * static_cast<float>(i % 3 - 1);  // bent one way, the other, or straight
            scaleSize(label, 1.0f + 0.03f * static_cast<float>(i));
            layoutLetters(label);
        }
    }
};

MapPoint turned(MapPoint c, float angle) {
    const double ca = std::cos(static_cast<double>(angle)), sa = std::sin(static_cast<double>(angle));
    return MapPoint{static_cast<float>(ca * c.x - sa * c.y), static_cast<float>(sa * c.x + ca * c.y)};
}

}  // namespace

// Every letter of a group stands where its own one-letter party put it: its world
// corners and heights, from the group's anchor, angle and ground, are those of n = 1.
TEST(LetterGroups, GroupedLettersKeepTheirPlaceOnUnevenGround) {
    HillyModule m(100);
    const ExportLetters letters = buildExportLetters(m.labels, m.terrain, m.atlas);
    const GroupPlan single = groupLetters(letters, 1);
    ASSERT_EQ(single.duplicates, 0) << "distinct shapes keep every height its own";
    for (int n : {2, 4, 7}) {
        const GroupPlan plan = groupLetters(letters, n);
        size_t at = 0;  // the same letter in the one-letter plan
        for (const LetterGroup& group : plan.groups) {
            ASSERT_LE(group.letters.size(), static_cast<size_t>(n));
            const float groundHere = heightAt(m.terrain, group.anchor);
            for (const LabelLetter& letter : group.letters) {
                const LetterGroup& own = single.groups.at(at++);
                EXPECT_EQ(letter.id, own.letters[0].id);
                const float ownGround = heightAt(m.terrain, own.anchor);
                for (int i = 0; i < 4; ++i) {
                    const MapPoint a = turned(letter.corners[i], group.angle);
                    const MapPoint b = turned(own.letters[0].corners[i], own.angle);
                    EXPECT_NEAR(group.anchor.x + a.x, own.anchor.x + b.x, 1e-3) << n << " " << letter.id;
                    EXPECT_NEAR(group.anchor.y + a.y, own.anchor.y + b.y, 1e-3) << n << " " << letter.id;
                    EXPECT_NEAR(letter.cornerZ[i] + groundHere, own.letters[0].cornerZ[i] + ownGround, 1e-3);
                }
            }
        }
        EXPECT_EQ(at, single.groups.size());
    }
}

// Auto keeps one letter a mesh while that fits, then takes the smallest group size
// that fits; a fixed size is taken as it is; with no size fitting the export stops
// and says what one mesh per label would need.
TEST(LetterGroups, TheGroupSizeFollowsTheModulesIcons) {
    struct Row {
        int icons, setting;
        bool fits;
        int size;
    };
    for (const Row& row : {Row{0, 0, true, 2}, Row{189, 0, true, 8}, Row{189, 8, true, 8}, Row{250, 0, false, 1},
                           Row{189, 3, false, 3}}) {
        HillyModule m(row.icons);
        m.config.mesh_letters = row.setting;
        const std::vector<std::string> said = m.run();
        const ExportLetters letters = buildExportLetters(m.labels, m.terrain, m.atlas);
        const GroupChoice choice = chooseGroups(letters, row.setting, true, row.icons);
        EXPECT_EQ(m.succeeded, row.fits) << row.icons << " " << row.setting;
        EXPECT_EQ(choice.fits, row.fits);
        EXPECT_EQ(choice.plan.size, row.size);
        if (!row.fits) {
            EXPECT_EQ(said.size(), 1u);
            EXPECT_NE(said[0].find("; one mesh per label would need 40)"), std::string::npos) << said[0];
            continue;
        }
        const int smaller = choice.plan.size - 1;
        if (row.setting == 0 && smaller >= 1) {
            // Auto: the size before the chosen one does not fit, the chosen one does.
            EXPECT_GT(row.icons + groupLetters(letters, smaller).meshes, 256);
            EXPECT_LE(row.icons + choice.plan.meshes, 256);
            std::printf("40 labels, %d letters, %d icons: %d letters to a mesh, %d meshes\n", letters.letters,
                        row.icons, choice.plan.size, choice.plan.meshes);
        }
        // Grouping by auto is said in step 2's own message; a fixed size is the user's own.
        const std::string grouped =
            row.setting == 0 ? formatText("; letters grouped %d to a mesh to fit the module's icons, room for %d",
                                          choice.plan.size, 256 - row.icons)
                             : "";
        EXPECT_EQ(said.at(2), formatText("(2/4) Exported \"map_icons.txt\" file! (%d new icons, %d in total%s)",
                                         choice.plan.meshes, row.icons + choice.plan.meshes, grouped.c_str()));
        EXPECT_EQ(m.said.size(), 5u) << "Found, and the four steps";
    }
}

// Groups of one letter find, link and even out duplicates exactly as the letter
// search does (countDuplicates), over labels full of repeats and near repeats.
TEST(LetterGroups, OneLetterGroupsAreTheLetterSearch) {
    ModuleDir m(generateMapIconsOrig(3), generatePartiesOrig(5, 3, MapBox{}));
    const char* texts[] = {"abab", "b a", "aab", "ba b", "a", "bbaa"};
    for (int i = 0; i < 24; ++i) {
        m.add(texts[i % 6], {0, 10.0f * static_cast<float>(i)}, {20, 10.0f * static_cast<float>(i)});
        if (i % 4 == 1) toggleItalic(m.labels.back());
        if (i % 5 == 2) changeVisibility(m.labels.back(), 2);  // near enough to merge, and evened out
        if (i % 7 == 3) scaleSize(m.labels.back(), 1.5f);
    }
    const LabelList reference = m.letterRecords();
    const GroupPlan plan = groupLetters(buildExportLetters(m.labels, m.terrain, m.atlas), 1);
    std::vector<std::pair<int, int>> where;  // group index -> (label, letter)
    for (int j = 0; j < static_cast<int>(reference.size()); ++j)
        for (int k = 0; k < static_cast<int>(reference[j].letters.size()); ++k)
            if (reference[j].letters[k].ch != ' ') where.emplace_back(j, k);
    ASSERT_EQ(where.size(), plan.groups.size());
    int linked = 0;
    for (size_t g = 0; g < plan.groups.size(); ++g) {
        const LabelLetter& want = reference[where[g].first].letters[where[g].second];
        const LabelLetter& got = plan.groups[g].letters[0];
        const int rep = plan.groups[g].representative;
        EXPECT_EQ(rep < 0 ? std::pair(-1, -1) : where[rep], std::pair(want.duplicate.label, want.duplicate.letter)) << g;
        EXPECT_EQ(std::tuple(got.alpha, got.size, got.cornerZ[0]), std::tuple(want.alpha, want.size, want.cornerZ[0]));
        linked += rep >= 0;
    }
    EXPECT_EQ(plan.duplicates, linked);
    EXPECT_GT(linked, 20);
}
