#include "export/export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "atlas/dds.h"
#include "export/brf.h"
#include "export/records.h"
#include "labels/letter_geometry.h"
#include "platform/platform.h"

namespace {

const char* FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

const std::string ICONS_ORIG =
    "map_icons_file version 1\n"
    "3\n"
    "town_icon 0 town 0.500000 0 0 0 0 0\n\n\n"
    "castle_icon 0 castle 0.600000 0 0 0 0 0\n\n\n"
    "village_icon 0 village 0.400000 0 0 0 0 0\n\n\n";

const std::string PARTY_0 = " 1 0 0 p_main_party Main_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0 \n0.0\n";
const std::string PARTY_1 = " 1 1 1 p_town_1 Brask_Hold 262144 0 0 3 0 0 0 0 0 12.5 -4.25 12.5 -4.25 0.0 0 \n1.5\n";
const std::string PARTIES_ORIG = "partiesfile 1\n2 2\n" + PARTY_0 + PARTY_1;

std::string le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string brfString(const std::string& s) { return le32(static_cast<uint32_t>(s.size())) + s; }

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class ExportTest : public ::testing::Test {
protected:
    std::string dir;
    AppConfig config;
    GlyphAtlas atlas;
    TerrainMesh terrain;
    LabelList labels;
    MessageLog log;
    std::string trace;

    void SetUp() override {
        dir = (std::filesystem::temp_directory_path() / "vt_export_XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        config.module_path = dir + "/";
        config.font = FONT;
        config.texture_width = 256;
        config.texture_height = 128;
        ASSERT_TRUE(buildGlyphAtlas(atlas, config.charset, config.font, 256, 128, false));
        std::filesystem::create_directory(dir + "/Resource");
        std::filesystem::create_directory(dir + "/textures");
        put("map_icons.orig.txt", toCrlf(ICONS_ORIG));
        put("parties.orig.txt", toCrlf(PARTIES_ORIG));
        resetLetterIds();
    }

    void TearDown() override {
        setWriteFailureAfter(-1);
        releaseGlyphAtlas(atlas);
        std::filesystem::remove_all(dir);
    }

    void put(const std::string& name, const std::string& bytes) {
        FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr) << name;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    std::string get(const std::string& name) {
        std::string bytes;
        EXPECT_TRUE(readBinaryFile(dir + "/" + name, bytes)) << name;
        return bytes;
    }

    bool has(const std::string& name) { return std::filesystem::exists(dir + "/" + name); }

    void addLabel(const std::string& text, MapPoint from, MapPoint to) {
        Label label;
        initFromDrag(label, from, to);
        for (char c : text) addLetter(label, c);
        labels.push_back(label);
    }

    void run() {
        testing::internal::CaptureStdout();
        EXPECT_EQ(exportModule(labels, terrain, atlas, config, log), 1);
        trace = testing::internal::GetCapturedStdout();
    }

    std::vector<std::string> messages() { return messagesNewestFirst(log); }

    // The texture the export must write for the characters of text.
    std::string expectedDds(const std::string& text) {
        GlyphAtlas a;
        buildGlyphAtlas(a, text, FONT, 256, 128, config.test_mode);
        std::string dds = encodeDdsDxt3(a, config.mip_map);
        releaseGlyphAtlas(a);
        return dds;
    }
};

const std::string MSG_BRF = "(1/4) Exported resource file \"Resource\\map_names.brf\"! (add it to module.ini)\n";
const std::string BAD_BRF = "Problems exporting BRF file :( \n";
const std::string BAD_ICONS = "Problems exporting map_icons.txt :( \n";
const std::string BAD_PARTIES = "Problems exporting parties.txt :( \n";
const std::string BAD_DDS = "(4/4) Problems exporting texture file?!? :( \n";

}  // namespace

TEST_F(ExportTest, NoLabelsCopiesTheOrigFiles) {
    run();
    EXPECT_EQ(trace, "");
    std::string brf = get("Resource/map_names.brf");
    ASSERT_EQ(brf.size(), 172u);
    EXPECT_EQ(brf, materialBlock() + brfString("mesh") + le32(0) + brfString("end"));
    EXPECT_EQ(get("map_icons.txt"), toCrlf(ICONS_ORIG));
    EXPECT_EQ(get("parties.txt"), toCrlf(PARTIES_ORIG));
    EXPECT_EQ(get("textures/map_names.dds"), expectedDds(""));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "(4/4) Exported \"textures\\map_names.dds\" DXT3 256x128 texture! (1 letters)\n",
                  "(3/4) Exported \"parties.txt\" file! (0 new objects, 2 in total)\n",
                  "(2/4) Exported \"map_icons.txt\" file! (0 new icons, 3 in total)", MSG_BRF}));
    // The editor's atlas is the charset's again.
    EXPECT_EQ(atlas.distinctCount, 52);
    EXPECT_TRUE(atlas.placed['Z']);
}

TEST_F(ExportTest, DuplicatesShareOneMeshAndIcon) {
    addLabel("ab", MapPoint{0, 0}, MapPoint{10, 0});  // ids 0, 1
    addLabel("a", MapPoint{20, 5}, MapPoint{20, 15});  // id 2: same shape as id 0, turned
    addLabel("  ", MapPoint{0, 30}, MapPoint{10, 30});
    run();

    // Every corner of the three non-space letters is traced, flat ground giving 0.055.
    std::string z;
    for (int i = 0; i < 12; ++i) z += "Z=0.055000 ";
    EXPECT_EQ(trace, z);

    ASSERT_TRUE(labels[0].letters[0].duplicate.valid());
    EXPECT_EQ(labels[0].letters[0].duplicate.label, 1);
    EXPECT_FALSE(labels[0].letters[1].duplicate.valid());
    EXPECT_FALSE(labels[1].letters[0].duplicate.valid());

    // The meshes of the letters that own one, textured from the atlas of the labels' characters.
    GlyphAtlas exportAtlas;
    buildGlyphAtlas(exportAtlas, "ab ", FONT, 256, 128, false);
    std::string meshes;
    writeLetterMesh(labels[0].letters[1], exportAtlas, meshes);
    writeLetterMesh(labels[1].letters[0], exportAtlas, meshes);
    releaseGlyphAtlas(exportAtlas);
    std::string brf = get("Resource/map_names.brf");
    EXPECT_EQ(brf, materialBlock() + brfString("mesh") + le32(2) + meshes + brfString("end"));
    EXPECT_EQ(brf.substr(165, 15), brfString("map_str_001"));

    std::string icons = ICONS_ORIG;
    icons.replace(icons.find("\n3\n"), 3, "\n5\n");
    icons += "map_str_001 1 map_str_001 1.000000 0 0 0 0 0\n\n\n";
    icons += "map_str_002 1 map_str_002 1.000000 0 0 0 0 0\n\n\n";
    EXPECT_EQ(get("map_icons.txt"), toCrlf(icons));
    EXPECT_EQ(labels[0].letters[1].icon, 3);
    EXPECT_EQ(labels[1].letters[0].icon, 4);

    std::string parties = get("parties.txt");
    EXPECT_EQ(parties.substr(0, 21), "partiesfile 1\r\n5 5\r\n ");
    EXPECT_EQ(parties.find(toCrlf(PARTY_0 + PARTY_1)), 20u);
    // Both letters 'a' show the icon of the representative: 4 | 0x84400.
    EXPECT_NE(parties.find(" 1 2 2 p_map_str_000 _ 541700 0 0 3 "), std::string::npos);
    EXPECT_NE(parties.find(" 1 3 3 p_map_str_001 _ 541699 0 0 3 "), std::string::npos);
    EXPECT_NE(parties.find(" 1 4 4 p_map_str_002 _ 541700 0 0 3 "), std::string::npos);
    std::string records;
    writePartyRecord(labels[0].letters[0], 4, records, 2);
    writePartyRecord(labels[0].letters[1], 3, records, 3);
    writePartyRecord(labels[1].letters[0], 4, records, 4);
    EXPECT_EQ(parties, toCrlf("partiesfile 1\n5 5\n" + PARTY_0 + PARTY_1 + records));

    EXPECT_EQ(get("textures/map_names.dds"), expectedDds("ab "));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "(4/4) Exported \"textures\\map_names.dds\" DXT3 256x128 texture! (3 letters)\n",
                  "(3/4) Exported \"parties.txt\" file! (3 new objects, 5 in total)\n",
                  "(2/4) Exported \"map_icons.txt\" file! (2 new icons, 5 in total)", MSG_BRF}));
}

TEST_F(ExportTest, ThreeEqualLettersAllShowTheLastOnesIcon) {
    addLabel("x", MapPoint{0, 0}, MapPoint{4, 0});
    addLabel("x", MapPoint{0, 10}, MapPoint{4, 10});
    addLabel("x", MapPoint{0, 20}, MapPoint{4, 20});
    run();
    std::string parties = get("parties.txt");
    EXPECT_EQ(countOf(parties, " _ 541699 "), 3u);  // icon 3 | 0x84400
    EXPECT_EQ(countOf(get("map_icons.txt"), "map_str_002 1 map_str_002 "), 1u);
    EXPECT_EQ(countOf(get("map_icons.txt"), "map_str_000"), 0u);
    EXPECT_EQ(messages()[1], "(3/4) Exported \"parties.txt\" file! (3 new objects, 5 in total)\n");
    EXPECT_EQ(messages()[2], "(2/4) Exported \"map_icons.txt\" file! (1 new icons, 4 in total)");
}

TEST_F(ExportTest, TestModeLeavesOutTheMaterialBlock) {
    config.test_mode = true;
    run();
    EXPECT_EQ(get("Resource/map_names.brf"), brfString("mesh") + le32(0) + brfString("end"));
    EXPECT_EQ(get("textures/map_names.dds"), expectedDds(""));
}

TEST_F(ExportTest, MissingIconsOrigLeavesTheOldFileAndOtherStepsRun) {
    std::filesystem::remove(dir + "/map_icons.orig.txt");
    put("map_icons.txt", "icons of an earlier export\r\n");
    addLabel("a", MapPoint{0, 0}, MapPoint{4, 0});
    labels[0].letters[0].icon = 999;  // stale from an earlier run
    run();
    EXPECT_EQ(get("map_icons.txt"), "icons of an earlier export\r\n");
    EXPECT_EQ(messages()[2], BAD_ICONS);
    EXPECT_EQ(messages()[3], MSG_BRF);
    EXPECT_EQ(messages()[1], "(3/4) Exported \"parties.txt\" file! (1 new objects, 3 in total)\n");
    // No icon was assigned, so the party shows icon 0 rather than a stale number.
    EXPECT_EQ(labels[0].letters[0].icon, 0);
    EXPECT_NE(get("parties.txt").find(" 1 2 2 p_map_str_000 _ 541696 "), std::string::npos);
    EXPECT_TRUE(has("textures/map_names.dds"));
}

TEST_F(ExportTest, MissingPartiesOrigLeavesTheOldFile) {
    std::filesystem::remove(dir + "/parties.orig.txt");
    put("parties.txt", "parties of an earlier export\r\n");
    run();
    EXPECT_EQ(get("parties.txt"), "parties of an earlier export\r\n");
    EXPECT_EQ(messages()[1], BAD_PARTIES);
    EXPECT_EQ(messages()[2], "(2/4) Exported \"map_icons.txt\" file! (0 new icons, 3 in total)");
    EXPECT_EQ(messages()[0].substr(0, 6), "(4/4) ");
    EXPECT_NE(messages()[0], BAD_DDS);
}

TEST_F(ExportTest, OrigFilesWithoutACountLineAreProblems) {
    put("map_icons.orig.txt", "map_icons_file version 1\r\n");
    put("parties.orig.txt", "");
    addLabel("a", MapPoint{0, 0}, MapPoint{4, 0});
    run();
    EXPECT_FALSE(has("map_icons.txt"));
    EXPECT_FALSE(has("parties.txt"));
    EXPECT_EQ(messages()[2], BAD_ICONS);
    EXPECT_EQ(messages()[1], BAD_PARTIES);
}

TEST_F(ExportTest, OrigLinesAreCopiedAsFarAsTheCountsSay) {
    // Icons: everything after the count line is copied, a last line without a line end included.
    put("map_icons.orig.txt", "hdr\r\n1 and more\r\nsome_icon 0 m 1.0 0 0 0 0 0\r\n\r\nlast");
    // Parties: lines after the 2n+2 first are dropped.
    put("parties.orig.txt", toCrlf("partiesfile 1\n1 1\n" + PARTY_0 + "extra line\nanother\n"));
    run();
    EXPECT_EQ(get("map_icons.txt"), "hdr\r\n1\r\nsome_icon 0 m 1.0 0 0 0 0 0\r\n\r\nlast\r\n");
    EXPECT_EQ(get("parties.txt"), toCrlf("partiesfile 1\n1 1\n" + PARTY_0));

    // An orig that lists more parties than it holds is copied as far as it goes.
    put("parties.orig.txt", toCrlf("partiesfile 1\n7 7\n" + PARTY_1));
    addLabel("q", MapPoint{0, 0}, MapPoint{4, 0});
    run();
    std::string records;
    writePartyRecord(labels[0].letters[0], 1, records, 7);
    EXPECT_EQ(get("parties.txt"), toCrlf("partiesfile 1\n8 8\n" + PARTY_1 + records));
    EXPECT_EQ(messages()[1], "(3/4) Exported \"parties.txt\" file! (1 new objects, 8 in total)\n");
}

TEST_F(ExportTest, MoreThan255IconsWarns) {
    put("map_icons.orig.txt", "hdr\r\n250\r\n");
    addLabel("abcdef", MapPoint{0, 0}, MapPoint{20, 0});
    run();
    EXPECT_EQ(messages()[2],
              "(2/4) Exported \"map_icons.txt\" file! (6 new icons, 256 in total) WARNING: #icons = 256>255 - K&W "
              "will complain!!");
    EXPECT_EQ(get("map_icons.txt").substr(0, 10), "hdr\r\n256\r\n");
    EXPECT_EQ(labels[0].letters[5].icon, 255);

    put("map_icons.orig.txt", "hdr\r\n249\r\n");
    run();
    EXPECT_EQ(messages()[2], "(2/4) Exported \"map_icons.txt\" file! (6 new icons, 255 in total)");
}

TEST_F(ExportTest, AFailedWriteKeepsThePreviousFile) {
    addLabel("ab", MapPoint{0, 0}, MapPoint{10, 0});
    const std::string names[4] = {"Resource/map_names.brf", "map_icons.txt", "parties.txt", "textures/map_names.dds"};
    run();
    std::string full[4];
    for (int i = 0; i < 4; ++i) full[i] = get(names[i]);
    const std::string good[4] = {MSG_BRF, "(2/4) Exported \"map_icons.txt\" file! (2 new icons, 5 in total)",
                                 "(3/4) Exported \"parties.txt\" file! (2 new objects, 4 in total)\n",
                                 "(4/4) Exported \"textures\\map_names.dds\" DXT3 256x128 texture! (2 letters)\n"};
    const std::string bad[4] = {BAD_BRF, BAD_ICONS, BAD_PARTIES, BAD_DDS};

    // One output at a time cannot be created beside its old version (a folder
    // stands in the way): that step reports its problem, its old file stays, and
    // the other steps write theirs.
    for (int failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(failing);
        for (int i = 0; i < 4; ++i) put(names[i], "previous " + std::to_string(i));
        std::filesystem::create_directory(dir + "/" + names[failing] + ".new");
        run();
        std::filesystem::remove(dir + "/" + names[failing] + ".new");
        std::vector<std::string> m = messages();
        ASSERT_EQ(m.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(get(names[i]), i == failing ? "previous " + std::to_string(i) : full[i]) << names[i];
            EXPECT_EQ(m[3 - i], i == failing ? bad[i] : good[i]);
        }
    }

    // The disk fills up in the middle of the texture: the texture keeps its old
    // contents, the files written before it are complete.
    for (int i = 0; i < 4; ++i) put(names[i], "previous " + std::to_string(i));
    setWriteFailureAfter(static_cast<long long>(full[0].size() + full[1].size() + full[2].size()) + 5);
    run();
    setWriteFailureAfter(-1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(get(names[i]), full[i]) << names[i];
    EXPECT_EQ(get(names[3]), "previous 3");
    EXPECT_FALSE(has(names[3] + ".new"));
    EXPECT_EQ(messages(), (std::vector<std::string>{BAD_DDS, good[2], good[1], good[0]}));
}

TEST_F(ExportTest, ModuleNamesResolveCaseInsensitively) {
    std::filesystem::remove(dir + "/Resource");
    std::filesystem::remove(dir + "/textures");
    std::filesystem::remove(dir + "/map_icons.orig.txt");
    std::filesystem::create_directory(dir + "/resource");
    std::filesystem::create_directory(dir + "/TEXTURES");
    put("Map_Icons.Orig.TXT", toCrlf(ICONS_ORIG));
    std::string windowsPath = dir;
    for (char& c : windowsPath)
        if (c == '/') c = '\\';
    config.module_path = windowsPath + "\\";
    run();
    EXPECT_EQ(get("resource/map_names.brf").size(), 172u);
    EXPECT_EQ(get("TEXTURES/map_names.dds"), expectedDds(""));
    EXPECT_EQ(get("map_icons.txt"), toCrlf(ICONS_ORIG));
    EXPECT_FALSE(has("Resource"));
    EXPECT_FALSE(has("textures"));
    EXPECT_EQ(messages()[3], MSG_BRF);
}

TEST_F(ExportTest, MissingFoldersAreCreatedButNotAMissingModule) {
    std::filesystem::remove(dir + "/Resource");
    std::filesystem::remove(dir + "/textures");
    run();
    EXPECT_EQ(get("Resource/map_names.brf").size(), 172u);
    EXPECT_TRUE(has("textures/map_names.dds"));

    // A module folder that does not exist, or a path the system rejects: every step
    // reports its problem and nothing is created.
    for (const std::string& module : {dir + "/absent/", dir + "/" + std::string(1000, 'x') + "\\"}) {
        config.module_path = module;
        run();
        EXPECT_EQ(messages(), (std::vector<std::string>{BAD_DDS, BAD_PARTIES, BAD_ICONS, BAD_BRF}));
    }
    EXPECT_FALSE(has("absent"));
}
