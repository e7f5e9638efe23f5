#include "export/export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "formats/dds.h"
#include "export/letter_records.h"
#include "formats/brf.h"
#include "formats/records.h"
#include "export_fixtures.h"
#include "mapgen.h"
#include "platform/text_format.h"

namespace {

// The texels of an atlas, as the texture file is made from them.
RgbaTexels texels(const GlyphAtlas& a) { return {a.width, a.height, a.pixels}; }

const std::string ICONS_ORIG =
    "map_icons_file version 1\n"
    "3\n"
    "town_icon 0 town 0.500000 0 0 0 0 0\n\n\n"
    "castle_icon 0 castle 0.600000 0 0 0 0 0\n\n\n"
    "village_icon 0 village 0.400000 0 0 0 0 0\n\n\n";
const std::string PARTY_0 = " 1 0 0 p_main_party Main_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0 \n0.0\n";
const std::string PARTY_1 = " 1 1 1 p_town_1 Brask_Hold 262144 0 0 3 0 0 0 0 0 12.5 -4.25 12.5 -4.25 0.0 0 \n1.5\n";
const std::string PARTIES_ORIG = "partiesfile 1\n2 2\n" + PARTY_0 + PARTY_1;

std::string brfString(const std::string& s) {
    std::string out;
    writeBrfString(out, s);
    return out;
}

std::string brfFile(const std::string& meshes, int count, bool material = true) {
    std::string out = (material ? materialBlock() : "") + brfString("mesh");
    writeBrfInt(out, count);
    return out + meshes + brfString("end");
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string iconsMessage(int added, int total) {
    return "(2/4) Exported \"map_icons.txt\" file! (" + std::to_string(added) + " new icons, " + std::to_string(total) +
           " in total)";
}
std::string partiesMessage(int added, int total) {
    return "(3/4) Exported \"parties.txt\" file! (" + std::to_string(added) + " new objects, " + std::to_string(total) +
           " in total)\n";
}
std::string ddsMessage(int letters) {
    return "(4/4) Exported \"textures\\map_names.dds\" DXT3 256x128 texture! (" + std::to_string(letters) + " letters)\n";
}

struct ExportTest : ::testing::Test {
    ModuleDir m{ICONS_ORIG, PARTIES_ORIG};

    // The texture the export must write for the characters of text.
    std::string expectedDds(const std::string& text) {
        GlyphAtlas a;
        buildGlyphAtlas(a, text, kFont, 256, 128, m.config.test_mode);
        std::string dds = encodeDdsDxt3(texels(a), m.config.mip_map);
        releaseGlyphAtlas(a);
        return dds;
    }
};

}  // namespace

TEST_F(ExportTest, NoLabelsCopiesTheOrigFiles) {
    EXPECT_EQ(m.run(), (std::vector<std::string>{ddsMessage(1), partiesMessage(0, 2), iconsMessage(0, 3), MSG_BRF}));
    EXPECT_TRUE(m.succeeded);
    EXPECT_EQ(m.trace, "");
    const std::string brf = m.get("Resource/map_names.brf");
    EXPECT_EQ(brf.size(), 172u);
    EXPECT_EQ(brf, brfFile("", 0));
    EXPECT_EQ(m.get("map_icons.txt"), toCrlf(ICONS_ORIG));
    EXPECT_EQ(m.get("parties.txt"), toCrlf(PARTIES_ORIG));
    EXPECT_EQ(m.get("textures/map_names.dds"), expectedDds(""));
    // The editor's atlas is the charset's again.
    EXPECT_EQ(m.atlas.distinctCount, 52);
    EXPECT_TRUE(atlasHasChar(m.atlas, 'Z'));

    // In test mode the material block is left out.
    m.config.test_mode = true;
    m.run();
    EXPECT_EQ(m.get("Resource/map_names.brf"), brfFile("", 0, false));
    EXPECT_EQ(m.get("textures/map_names.dds"), expectedDds(""));
}

// An export of "Москва": the texture holds the six letters, each with ink in its
// cell, and the editor gets its charset's atlas back.
TEST_F(ExportTest, CyrillicLettersInkTheirCells) {
    m.config.charset = "Москва ab";
    ASSERT_TRUE(buildGlyphAtlas(m.atlas, m.config.charset, kFont, 256, 128, false));
    m.add("Москва", {0, 0}, {30, 0});
    EXPECT_EQ(m.run().front(), ddsMessage(6));
    EXPECT_TRUE(m.succeeded);
    const std::string dds = m.get("textures/map_names.dds");
    GlyphAtlas letters;
    ASSERT_TRUE(buildGlyphAtlas(letters, U"Москва", kFont, 256, 128, false));
    EXPECT_EQ(dds, encodeDdsDxt3(texels(letters), m.config.mip_map));
    for (char32_t c : std::u32string(U"Москва")) {
        const GlyphCell& cell = letters.cells.at(c);
        int inked = 0;  // texels of the cell whose 4-bit alpha in the top level is not 0
        for (int y = cell.y; y < cell.y + letters.glyphHeight; ++y)
            for (int x = cell.x; x < cell.x + cell.width; ++x) {
                const size_t block = 128 + (static_cast<size_t>(y / 4) * (256 / 4) + static_cast<size_t>(x / 4)) * 16;
                const int n = (y % 4) * 4 + x % 4;
                inked += ((static_cast<uint8_t>(dds[block + static_cast<size_t>(n / 2)]) >> (n % 2 ? 4 : 0)) & 15) != 0;
            }
        EXPECT_GT(inked, 20) << static_cast<unsigned>(c);
    }
    const std::string parties = m.get("parties.txt");
    EXPECT_EQ(std::count(parties.begin(), parties.end(), '\n'), 2 + 2 * 2 + 2 * 6);
    EXPECT_TRUE(atlasHasChar(m.atlas, 0x41C) && atlasHasChar(m.atlas, 'b'));
    releaseGlyphAtlas(letters);
}

TEST_F(ExportTest, DuplicatesShareOneMeshAndIcon) {
    m.add("ab", {0, 0}, {10, 0});    // ids 0, 1
    m.add("a", {20, 5}, {20, 15});   // id 2: same shape as id 0, turned
    m.add("  ", {0, 30}, {10, 30});  // spaces export nothing
    EXPECT_EQ(m.run(), (std::vector<std::string>{ddsMessage(3), partiesMessage(3, 5), iconsMessage(2, 5), MSG_BRF}));
    // Every corner of the three non-space letters is traced, flat ground giving 0.055.
    std::string z;
    for (int i = 0; i < 12; ++i) z += "Z=0.055000 ";
    EXPECT_EQ(m.trace, z);
    const LabelList labels = m.letterRecords();
    EXPECT_EQ(labels[0].letters[0].duplicate.label, 1);
    EXPECT_FALSE(labels[0].letters[1].duplicate.valid() || labels[1].letters[0].duplicate.valid());

    // One mesh per letter that owns one, textured from the atlas of the labels' characters.
    GlyphAtlas exportAtlas;
    buildGlyphAtlas(exportAtlas, "ab ", kFont, 256, 128, false);
    std::string meshes;
    writeLetterMesh(labels[0].letters[1], exportAtlas, meshes);
    writeLetterMesh(labels[1].letters[0], exportAtlas, meshes);
    releaseGlyphAtlas(exportAtlas);
    EXPECT_EQ(m.get("Resource/map_names.brf"), brfFile(meshes, 2));

    std::string icons = ICONS_ORIG;
    icons.replace(icons.find("\n3\n"), 3, "\n5\n");
    icons += "map_str_001 1 map_str_001 1.000000 0 0 0 0 0\n\n\nmap_str_002 1 map_str_002 1.000000 0 0 0 0 0\n\n\n";
    EXPECT_EQ(m.get("map_icons.txt"), toCrlf(icons));

    // Both letters 'a' show the icon of the representative: 4 | 0x84400.
    const std::string parties = m.get("parties.txt");
    EXPECT_NE(parties.find(" 1 2 2 p_map_str_000 _ 541700 0 0 3 "), std::string::npos);
    EXPECT_NE(parties.find(" 1 3 3 p_map_str_001 _ 541699 0 0 3 "), std::string::npos);
    EXPECT_NE(parties.find(" 1 4 4 p_map_str_002 _ 541700 0 0 3 "), std::string::npos);
    std::string records;
    writePartyRecord(labels[0].letters[0], 4, records, 2);
    writePartyRecord(labels[0].letters[1], 3, records, 3);
    writePartyRecord(labels[1].letters[0], 4, records, 4);
    EXPECT_EQ(parties, toCrlf("partiesfile 1\n5 5\n" + PARTY_0 + PARTY_1 + records));
    EXPECT_EQ(m.get("textures/map_names.dds"), expectedDds("ab "));

    // Three equal letters all show the last one's icon, which alone is listed,
    // named by the export's own count of the letters (the labels' ids run 5 to 7).
    m.labels = {labelWith("x", {0, 0}, {4, 0}), labelWith("x", {0, 10}, {4, 10}), labelWith("x", {0, 20}, {4, 20})};
    EXPECT_EQ(m.run()[2], iconsMessage(1, 4));
    EXPECT_EQ(countOf(m.get("parties.txt"), " _ 541699 "), 3u);  // icon 3 | 0x84400
    EXPECT_EQ(countOf(m.get("map_icons.txt"), "map_str_"), 2u);
    EXPECT_NE(m.get("map_icons.txt").find("map_str_002 1 map_str_002 "), std::string::npos);
}

TEST_F(ExportTest, MissingOrigFilesLeaveTheOldOutputs) {
    // Without the icons orig the old icons stay, the other steps run, and the party
    // shows icon 0 rather than a stale number.
    std::filesystem::remove(m.dir / "map_icons.orig.txt");
    m.put("map_icons.txt", "icons of an earlier export\r\n");
    m.add("a", {0, 0}, {4, 0});
    m.labels[0].letters[0].icon = 999;
    std::vector<std::string> said = m.run();
    EXPECT_EQ(said, (std::vector<std::string>{ddsMessage(1), partiesMessage(1, 3), BAD_ICONS, MSG_BRF}));
    EXPECT_FALSE(m.succeeded);
    EXPECT_EQ(m.get("map_icons.txt"), "icons of an earlier export\r\n");
    EXPECT_NE(m.get("parties.txt").find(" 1 2 2 p_map_str_000 _ 541696 "), std::string::npos);

    // Likewise without the parties orig.
    std::filesystem::remove(m.dir / "parties.orig.txt");
    m.put("parties.txt", "parties of an earlier export\r\n");
    m.labels.clear();
    said = m.run();
    EXPECT_EQ(said[1], BAD_PARTIES);
    EXPECT_EQ(m.get("parties.txt"), "parties of an earlier export\r\n");
    EXPECT_NE(said[0], BAD_DDS);

    // Orig files without a count line are problems too.
    m.put("map_icons.orig.txt", "map_icons_file version 1\r\n");
    m.put("parties.orig.txt", "");
    std::filesystem::remove(m.dir / "map_icons.txt");
    std::filesystem::remove(m.dir / "parties.txt");
    m.add("a", {0, 0}, {4, 0});
    said = m.run();
    EXPECT_EQ(std::pair(said[1], said[2]), std::pair(std::string(BAD_PARTIES), std::string(BAD_ICONS)));
    EXPECT_FALSE(m.has("map_icons.txt") || m.has("parties.txt"));
}

TEST_F(ExportTest, OrigLinesAreCopiedAsFarAsTheCountsSay) {
    // Icons: everything after the count line is copied, a last line without a line end included.
    m.put("map_icons.orig.txt", "hdr\r\n1 and more\r\nsome_icon 0 m 1.0 0 0 0 0 0\r\n\r\nlast");
    // Parties: lines after the 2n+2 first are dropped.
    m.put("parties.orig.txt", toCrlf("partiesfile 1\n1 1\n" + PARTY_0 + "extra line\nanother\n"));
    m.run();
    EXPECT_EQ(m.get("map_icons.txt"), "hdr\r\n1\r\nsome_icon 0 m 1.0 0 0 0 0 0\r\n\r\nlast\r\n");
    EXPECT_EQ(m.get("parties.txt"), toCrlf("partiesfile 1\n1 1\n" + PARTY_0));

    // An orig that lists more parties than it holds is copied as far as it goes.
    m.put("parties.orig.txt", toCrlf("partiesfile 1\n7 7\n" + PARTY_1));
    m.add("q", {0, 0}, {4, 0});
    EXPECT_EQ(m.run()[1], partiesMessage(1, 8));
    std::string records;
    writePartyRecord(m.letterRecords()[0].letters[0], 1, records, 7);
    EXPECT_EQ(m.get("parties.txt"), toCrlf("partiesfile 1\n8 8\n" + PARTY_1 + records));

    // Past 255 icons the game complains: the message says so.
    m.put("map_icons.orig.txt", "hdr\r\n250\r\n");
    m.labels = {labelWith("abcdef", {0, 0}, {20, 0})};
    EXPECT_EQ(m.run()[2], iconsMessage(6, 256) + " WARNING: #icons = 256>255 - K&W will complain!!");
    EXPECT_EQ(m.get("map_icons.txt").substr(0, 10), "hdr\r\n256\r\n");
    EXPECT_EQ(countOf(m.get("parties.txt"), " _ " + std::to_string(255 | 0x84400) + " "), 1u);
    m.put("map_icons.orig.txt", "hdr\r\n249\r\n");
    EXPECT_EQ(m.run()[2], iconsMessage(6, 255));
}

TEST_F(ExportTest, AFileThatCannotBeCreatedKeepsItsPreviousVersion) {
    m.add("ab", {0, 0}, {10, 0});
    m.run();
    const std::vector<std::string> full = m.outputs();
    const std::string good[4] = {MSG_BRF, iconsMessage(2, 5), partiesMessage(2, 4), ddsMessage(2)};
    const std::string bad[4] = {BAD_BRF, BAD_ICONS, BAD_PARTIES, BAD_DDS};
    // One output at a time cannot be created beside its old version (a folder
    // stands in the way): that step reports its problem, its old file stays, and
    // the other steps write theirs.
    for (int failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(failing);
        for (int i = 0; i < 4; ++i) m.put(EXPORT_FILES[i], "previous " + std::to_string(i));
        std::filesystem::create_directory(m.dir / (EXPORT_FILES[failing] + std::string(".new")));
        const std::vector<std::string> said = m.run();
        std::filesystem::remove(m.dir / (EXPORT_FILES[failing] + std::string(".new")));
        EXPECT_FALSE(m.succeeded);
        ASSERT_EQ(said.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(m.get(EXPORT_FILES[i]), i == failing ? "previous " + std::to_string(i) : full[i]) << i;
            EXPECT_EQ(said[3 - i], i == failing ? bad[i] : good[i]);
        }
    }
}

TEST_F(ExportTest, ModulePathsResolveCaseInsensitivelyAndMissingFolders) {
    // Odd letter case on disk and a module path written with backslashes.
    std::filesystem::remove(m.dir / "Resource");
    std::filesystem::remove(m.dir / "textures");
    std::filesystem::remove(m.dir / "map_icons.orig.txt");
    std::filesystem::create_directory(m.dir / "resource");
    std::filesystem::create_directory(m.dir / "TEXTURES");
    m.put("Map_Icons.Orig.TXT", toCrlf(ICONS_ORIG));
    std::string windowsPath = m.dir.path + "\\";
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    m.config.module_path = windowsPath;
    EXPECT_EQ(m.run()[3], MSG_BRF);
    EXPECT_EQ(m.get("resource/map_names.brf").size(), 172u);
    EXPECT_EQ(m.get("TEXTURES/map_names.dds"), expectedDds(""));
    EXPECT_EQ(m.get("map_icons.txt"), toCrlf(ICONS_ORIG));
#ifndef _WIN32
    // Only the spellings on disk were used (on Windows the system finds any spelling itself).
    EXPECT_FALSE(m.has("Resource") || m.has("textures"));
#endif

    // Missing folders inside the module are created.
    std::filesystem::remove_all(m.dir / "resource");
    std::filesystem::remove_all(m.dir / "TEXTURES");
    m.run();
    EXPECT_EQ(m.get("Resource/map_names.brf").size(), 172u);
    EXPECT_TRUE(m.has("textures/map_names.dds"));

    // A module folder that does not exist, or a path the system rejects: every step
    // reports its problem and nothing is created.
    for (const std::string& module : {m.dir / "absent/", m.dir / (std::string(1000, 'x') + "\\")}) {
        m.config.module_path = module;
        EXPECT_EQ(m.run(), (std::vector<std::string>{BAD_DDS, BAD_PARTIES, BAD_ICONS, BAD_BRF}));
    }
    EXPECT_FALSE(m.has("absent"));
}

namespace {

// Every file under the module folder with its bytes.
std::map<std::string, std::string> moduleFiles(const ModuleDir& m) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m.dir.path))
        if (entry.is_regular_file()) files[entry.path().string()] = test_support::readBytes(entry.path().string());
    return files;
}

// The module's files that were added, removed or changed since `before`.
std::vector<std::string> changedSince(const ModuleDir& m, const std::map<std::string, std::string>& before) {
    const std::map<std::string, std::string> now = moduleFiles(m);
    std::vector<std::string> changed;
    for (const auto& [name, bytes] : now)
        if (!before.count(name) || before.at(name) != bytes) changed.push_back(name);
    for (const auto& [name, bytes] : before)
        if (!now.count(name)) changed.push_back(name);
    return changed;
}

std::string stopMessage(int first, int last, int icons, int room, int meshes, int perLabel) {
    return formatText("Export stopped: the letters need icons %d to %d, but a party can only show icons 0 to 255 "
                      "(the module has %d icons: room for %d letter meshes, these labels need %d; one mesh per "
                      "label would need %d)",
                      first, last, icons, room, meshes, perLabel);
}

// A party flag field showing icon k.
std::string partyIcon(int k) { return " _ " + std::to_string(k | 0x84400) + " "; }

}  // namespace

TEST(ExportIconLimit, LetterIconsPast255StopTheExportBeforeAnyFile) {
    const std::string letters = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMN";
    ModuleDir m(generateMapIconsOrig(250), PARTIES_ORIG);
    m.config.mesh_letters = 1;  // one letter a mesh, as the icon numbers below assume

    // 250 orig icons and 6 meshes: the letters take icons 250 to 255 and are
    // written as always.
    m.add(letters.substr(0, 6), {0, 0}, {30, 0});
    std::vector<std::string> said = m.run();
    EXPECT_TRUE(m.succeeded);
    EXPECT_EQ(said[2], iconsMessage(6, 256) + " WARNING: #icons = 256>255 - K&W will complain!!");
    const std::string parties = m.get("parties.txt");
    EXPECT_EQ(countOf(parties, partyIcon(250)), 1u);
    EXPECT_EQ(countOf(parties, partyIcon(255)), 1u);
    const std::map<std::string, std::string> before = moduleFiles(m);

    // One mesh more would need icon 256: one message, and every file stays as it was.
    m.labels = {labelWith(letters.substr(0, 7), {0, 0}, {30, 0})};
    EXPECT_EQ(m.run(), std::vector<std::string>{stopMessage(250, 256, 250, 6, 7, 1)});
    EXPECT_FALSE(m.succeeded);
    EXPECT_EQ(changedSince(m, before), std::vector<std::string>{});
    EXPECT_TRUE(atlasHasChar(m.atlas, 'Z')) << "the editor keeps its atlas";

    // An orig list that already holds more than 256 icons has no room at all, and
    // a count below 0 gives icon numbers below 0.
    for (auto [icons, message] :
         {std::pair{-3, stopMessage(-3, -3, -3, 0, 1, 1)}, {300, stopMessage(300, 300, 300, 0, 1, 1)}}) {
        std::string orig = generateMapIconsOrig(300);
        orig.replace(orig.find("\n300\n"), 5, "\n" + std::to_string(icons) + "\n");
        m.put("map_icons.orig.txt", toCrlf(orig));
        m.labels = {labelWith("a", {0, 0}, {5, 0})};
        const std::map<std::string, std::string> files = moduleFiles(m);
        EXPECT_EQ(m.run(), std::vector<std::string>{message});
        EXPECT_EQ(changedSince(m, files), std::vector<std::string>{});
    }
    // Without letters no icon is needed: the lists are copied as always.
    m.labels = {labelWith("  ", {0, 0}, {5, 0})};
    EXPECT_EQ(m.run()[2], iconsMessage(0, 300) + " WARNING: #icons = 300>255 - K&W will complain!!");
    EXPECT_TRUE(m.succeeded);

    // A module of 189 icons has room for 67 meshes: labels needing 70 stop, labels
    // needing 60 export as always (an italic letter is a mesh of its own).
    m.put("map_icons.orig.txt", toCrlf(generateMapIconsOrig(189)));
    for (size_t half : {35, 30}) {
        const std::string text = letters.substr(0, half);
        m.labels = {labelWith(text, {0, 0}, {80, 0}), labelWith(text, {0, 20}, {80, 20})};
        toggleItalic(m.labels[1]);
        const std::map<std::string, std::string> files = moduleFiles(m);
        said = m.run();
        if (half == 35) {
            EXPECT_EQ(said, std::vector<std::string>{stopMessage(189, 258, 189, 67, 70, 2)});
            EXPECT_EQ(changedSince(m, files), std::vector<std::string>{});
        } else {
            EXPECT_TRUE(m.succeeded);
            EXPECT_EQ(said[2], iconsMessage(60, 249));
            EXPECT_EQ(said[1], partiesMessage(60, 62));
            EXPECT_EQ(countOf(m.get("parties.txt"), partyIcon(248)), 1u);
        }
    }
}

// A letter atlas that cannot be built stops the export before any file, with the reason.
TEST(ExportAtlas, AnAtlasThatCannotBeBuiltWritesNothing) {
    ModuleDir m(ICONS_ORIG, PARTIES_ORIG);
    m.add("ab", {0, 0}, {10, 0});
    m.run();
    const std::map<std::string, std::string> before = moduleFiles(m);
    for (auto [font, height, message] :
         {std::tuple{"nosuch.ttf", 128, "Export stopped: the font \"nosuch.ttf\" cannot be loaded"},
          {kFont, 2, "Export stopped: the letters do not fit the 256 x 2 texture at any font size"}}) {
        m.config.font = font;
        m.config.texture_height = height;
        EXPECT_EQ(m.run(), std::vector<std::string>{message});
        EXPECT_FALSE(m.succeeded);
        EXPECT_EQ(changedSince(m, before), std::vector<std::string>{});
    }
}

// The game loads the exported resource only when "module.ini" lists it: a
// module.ini without the line gets one message right after step 1; with the line,
// or without a module.ini, the messages are the four steps alone.
TEST_F(ExportTest, ModuleIniWithoutTheNamesLineIsSaidAfterStep1) {
    const std::string said = "\"module.ini\" does not load the names yet: add the line load_mod_resource = map_names";
    for (auto [ini, warned] : {std::pair<const char*, bool>{nullptr, false},
                               {"load_mod_resource = other\r\n", true},
                               {"# load_mod_resource = map_names\r\n", true},
                               {"load_mod_resource = other\r\nload_mod_resource = map_names\r\n", false}}) {
        if (ini) m.put("module.ini", ini);
        m.run();
        std::vector<std::string> expected{"Found 0 duplicated", MSG_BRF, iconsMessage(0, 3), partiesMessage(0, 2),
                                          ddsMessage(1)};
        if (warned) expected.insert(expected.begin() + 2, said);
        EXPECT_EQ(m.said, expected) << (ini ? ini : "no module.ini");
        EXPECT_TRUE(m.succeeded);
        // The file is only read.
        if (ini) {
            EXPECT_EQ(m.get("module.ini"), ini);
        }
    }
}
