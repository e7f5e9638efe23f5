// A disk that fills up in the middle of a write: the label store and each of the
// four export files, cut at every byte (or, for the texture, at a wide spread of
// points). The file on disk must stay as it was before, byte for byte, the user
// must see the failure, nothing in memory may change, and the next write without
// failure must succeed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "atlas/atlas.h"
#include "atlas/dds.h"
#include "config/config.h"
#include "export/export.h"
#include "labels/label.h"
#include "labels/label_store.h"
#include "overlay/message_log.h"
#include "platform/platform.h"
#include "terrain/terrain.h"

namespace {

const char* FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

const char* BRF_FAILED = "Problems exporting BRF file :( \n";
const char* ICONS_FAILED = "Problems exporting map_icons.txt :( \n";
const char* PARTIES_FAILED = "Problems exporting parties.txt :( \n";
const char* DDS_FAILED = "(4/4) Problems exporting texture file?!? :( \n";
const char* STORE_FAILED = "Cannot save internal file?!";
const char* STORE_SAVED = "All label saved. Will be loaded at the next run.";

std::string makeTempDir() {
    std::string dir = (std::filesystem::temp_directory_path() / "vt_writefail_XXXXXX").string();
    if (!mkdtemp(dir.data())) return {};
    return dir;
}

std::string fileBytes(const std::string& path) {
    std::string bytes;
    if (!readBinaryFile(path, bytes)) return "<missing>";
    return bytes;
}

void putFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool logHas(const MessageLog& log, const std::string& text) {
    for (const std::string& m : log.slots)
        if (m == text) return true;
    return false;
}

// No "<name>.new" file may be left behind by a failed write.
std::vector<std::string> leftovers(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.path().extension() == ".new") found.push_back(entry.path().string());
    return found;
}

Label straightLabel(MapPoint a, MapPoint b, const std::string& text) {
    Label label;
    initFromDrag(label, a, b);
    for (char c : text) label.letters.push_back(makeLetter(c));
    updateCurve(label);
    layoutLetters(label);
    return label;
}

// Text, nodes and attributes of two label lists, exactly.
void expectSameLabels(const LabelList& a, const LabelList& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(labelText(a[i]), labelText(b[i])) << i;
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(a[i].nodes[k].x, b[i].nodes[k].x) << i;
            EXPECT_EQ(a[i].nodes[k].y, b[i].nodes[k].y) << i;
        }
        EXPECT_EQ(a[i].size, b[i].size);
        EXPECT_EQ(a[i].visibility, b[i].visibility);
        EXPECT_EQ(a[i].width, b[i].width);
        EXPECT_EQ(a[i].italic, b[i].italic);
        EXPECT_EQ(a[i].spare, b[i].spare);
    }
}

struct WriteFailureGuard {
    ~WriteFailureGuard() { setWriteFailureAfter(-1); }
};

// Standard output goes nowhere while it lives: thousands of exports would print
// their letter-height traces.
struct QuietStdout {
    int saved = -1;
    QuietStdout() {
        std::fflush(stdout);
        saved = ::dup(1);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved >= 0) {
            ::dup2(saved, 1);
            ::close(saved);
        }
    }
};

}  // namespace

TEST(StoreWriteFailure, EveryCutKeepsTheOldStoreAndTheLabels) {
    WriteFailureGuard guard;
    const std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    resetLetterIds();

    LabelStore store;
    store.path = dir + "/savedData.txt";
    const std::string oldStore = "v1\n1\nO l d |  1.000000 2.000000  0.330000 0.000000  0.660000 0.000000  "
                                 "3.000000 4.000000  1.000000 35 100 0 0\n";
    putFile(store.path, oldStore);

    LabelList labels;
    labels.push_back(straightLabel({10.5f, -3.25f}, {20, -3.25f}, "Ab c"));
    labels.push_back(straightLabel({-40, 7}, {-10, 9}, ""));
    labels.back().size = 2.25f;
    labels.back().italic = 1;
    labels.push_back(straightLabel({0, 0}, {0.001f, 123456.7f}, "Brask Hold"));
    labels.back().visibility = 80;
    const LabelList before = labels;

    std::string expected = "v1\n3\n";
    for (const Label& label : labels) writeLabel(label, expected);

    for (size_t n = 0; n < expected.size(); ++n) {
        MessageLog log;
        setWriteFailureAfter(static_cast<long long>(n));
        EXPECT_FALSE(saveLabels(labels, store, log)) << "cut after " << n;
        setWriteFailureAfter(-1);
        ASSERT_EQ(fileBytes(store.path), oldStore) << "cut after " << n;
        ASSERT_TRUE(logHas(log, STORE_FAILED)) << "cut after " << n;
        EXPECT_FALSE(logHas(log, STORE_SAVED));
    }
    expectSameLabels(labels, before);
    EXPECT_TRUE(leftovers(dir).empty());

    // A budget of exactly the file's size is no failure at all.
    MessageLog log;
    setWriteFailureAfter(static_cast<long long>(expected.size()));
    EXPECT_TRUE(saveLabels(labels, store, log));
    setWriteFailureAfter(-1);
    EXPECT_EQ(fileBytes(store.path), expected);
    EXPECT_TRUE(logHas(log, STORE_SAVED));

    // The saved store loads back to the labels that were kept in memory.
    LabelList loaded;
    ASSERT_TRUE(loadLabels(loaded, store));
    ASSERT_EQ(loaded.size(), labels.size());
    for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labelText(loaded[i]), labelText(labels[i]));
    std::filesystem::remove_all(dir);
}

TEST(StoreWriteFailure, ADamagedStoreAndItsBackupSurviveEveryCut) {
    WriteFailureGuard guard;
    const std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    resetLetterIds();

    // A store cut short in its second label: loading keeps the first label and asks
    // for a backup of the damaged file before the next save replaces it.
    LabelStore store;
    store.path = dir + "/savedData.txt";
    const std::string damaged = "v1\n2\nA b |  1 2  0.33 0  0.66 0  3 4  1.0 35 100 0 0\nC d |  5 6  0.3";
    putFile(store.path, damaged);
    LabelList labels;
    ASSERT_TRUE(loadLabels(labels, store));
    ASSERT_EQ(labels.size(), 1u);
    ASSERT_TRUE(store.keepBackup);
    addLetter(labels[0], 'x');

    std::string expected = "v1\n1\n";
    writeLabel(labels[0], expected);
    const size_t total = damaged.size() + expected.size();
    for (size_t n = 0; n < total; ++n) {
        MessageLog log;
        setWriteFailureAfter(static_cast<long long>(n));
        EXPECT_FALSE(saveLabels(labels, store, log)) << "cut after " << n;
        setWriteFailureAfter(-1);
        ASSERT_EQ(fileBytes(store.path), damaged) << "cut after " << n;
        ASSERT_TRUE(logHas(log, STORE_FAILED)) << "cut after " << n;
        // The backup is either not there yet or the whole damaged file.
        const std::string bak = fileBytes(store.path + ".bak");
        EXPECT_TRUE(bak == "<missing>" || bak == damaged) << "cut after " << n;
        EXPECT_TRUE(store.keepBackup);
    }
    EXPECT_TRUE(leftovers(dir).empty());

    MessageLog log;
    EXPECT_TRUE(saveLabels(labels, store, log));
    EXPECT_EQ(fileBytes(store.path), expected);
    EXPECT_EQ(fileBytes(store.path + ".bak"), damaged);
    EXPECT_FALSE(store.keepBackup);
    std::filesystem::remove_all(dir);
}

namespace {

const std::string ICONS_ORIG =
    "map_icons_file version 1\n"
    "2\n"
    "town_icon 0 town 0.500000 0 0 0 0 0\n\n\n"
    "castle_icon 0 castle 0.600000 0 0 0 0 0\n\n\n";
const std::string PARTIES_ORIG =
    "partiesfile 1\n"
    "1 1\n"
    " 1 0 0 p_main_party Main_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0 \n0.0\n";

const char* const EXPORT_FILES[4] = {"Resource/map_names.brf", "map_icons.txt", "parties.txt",
                                     "textures/map_names.dds"};

// A tiny module: a flat square map, the two orig lists, a 64 x 64 letter texture.
struct TinyModule {
    std::string dir;
    AppConfig config;
    TerrainMesh terrain;
    GlyphAtlas atlas;

    bool open() {
        dir = makeTempDir();
        if (dir.empty()) return false;
        config.module_path = dir + "/";
        config.font = FONT;
        config.charset = "abcdefgh ";
        config.texture_width = 64;
        config.texture_height = 64;
        config.mip_map = {100, 90, 80};
        std::filesystem::create_directory(dir + "/Resource");
        std::filesystem::create_directory(dir + "/textures");
        putFile(dir + "/map_icons.orig.txt", toCrlf(ICONS_ORIG));
        putFile(dir + "/parties.orig.txt", toCrlf(PARTIES_ORIG));
        const std::string map = "4\n-50 -50 1\n50 -50 2\n50 50 3\n-50 50 4\n2\n0 0 0 0 1 2\n1 0 0 0 2 3\n";
        std::string error;
        if (!parseTerrainMesh(terrain, map.data(), map.size(), error)) return false;
        return buildGlyphAtlas(atlas, config.charset, config.font, 64, 64, false);
    }
    ~TinyModule() {
        releaseGlyphAtlas(atlas);
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::vector<std::string> files() const {
        std::vector<std::string> bytes;
        for (const char* name : EXPORT_FILES) bytes.push_back(fileBytes(dir + "/" + name));
        return bytes;
    }
};

LabelList exportLabels() {
    LabelList labels;
    labels.push_back(straightLabel({-20, 0}, {20, 5}, "ab"));
    labels.push_back(straightLabel({-30, -30}, {-10, -25}, "h"));
    labels.back().italic = 1;
    applyAttributes(labels.back());
    return labels;
}

}  // namespace

TEST(ExportWriteFailure, EveryCutKeepsThePreviousModuleFiles) {
    WriteFailureGuard guard;
    QuietStdout quiet;
    TinyModule module;
    ASSERT_TRUE(module.open());

    // The previous export, of other labels, is what must survive the failures.
    {
        resetLetterIds();
        LabelList old;
        old.push_back(straightLabel({0, 0}, {30, 30}, "ed"));
        MessageLog log;
        exportModule(old, module.terrain, module.atlas, module.config, log);
        for (const char* message : {BRF_FAILED, ICONS_FAILED, PARTIES_FAILED, DDS_FAILED})
            ASSERT_FALSE(logHas(log, message));
    }
    const std::vector<std::string> previous = module.files();
    for (const std::string& bytes : previous) ASSERT_NE(bytes, "<missing>");

    // What an export without failure writes for the labels under test, in a second
    // module, and the sizes of the four files in the order they are written.
    std::vector<std::string> fresh;
    {
        TinyModule reference;
        ASSERT_TRUE(reference.open());
        resetLetterIds();
        LabelList labels = exportLabels();
        MessageLog log;
        exportModule(labels, reference.terrain, reference.atlas, reference.config, log);
        fresh = reference.files();
    }
    for (size_t f = 0; f < 4; ++f) ASSERT_NE(fresh[f], previous[f]) << EXPORT_FILES[f];

    const char* const failed[4] = {BRF_FAILED, ICONS_FAILED, PARTIES_FAILED, DDS_FAILED};
    resetLetterIds();
    LabelList labels = exportLabels();
    const LabelList before = labels;

    // The cut points: every byte of the three small files; for the texture the
    // header bytes, each mip level's boundaries and an even spread between them.
    std::vector<std::set<size_t>> cuts(4);
    for (size_t f = 0; f < 3; ++f)
        for (size_t n = 0; n < fresh[f].size(); ++n) cuts[f].insert(n);
    const size_t dds = fresh[3].size();
    for (size_t n : {size_t(0), size_t(1), size_t(3), size_t(4), size_t(5), size_t(127), size_t(128), size_t(129)})
        cuts[3].insert(n);
    size_t levelStart = 128;
    for (int w = 64, h = 64; levelStart < dds; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
        for (size_t n : {levelStart - 1, levelStart, levelStart + 1}) cuts[3].insert(n);
        levelStart += static_cast<size_t>((w + 3) / 4) * static_cast<size_t>((h + 3) / 4) * 16;
        if (w == 1 && h == 1) break;
    }
    for (size_t i = 0; i < 160; ++i) cuts[3].insert(i * dds / 160);
    cuts[3].insert(dds - 1);

    size_t before_f = 0;  // bytes of the files written before file f
    for (size_t f = 0; f < 4; ++f) {
        for (size_t n : cuts[f]) {
            if (n >= fresh[f].size()) continue;
            MessageLog log;
            setWriteFailureAfter(static_cast<long long>(before_f + n));
            exportModule(labels, module.terrain, module.atlas, module.config, log);
            setWriteFailureAfter(-1);
            const std::vector<std::string> now = module.files();
            // The files before f were written whole; f and every later one failed
            // (the full disk stays full) and kept their previous bytes.
            for (size_t g = 0; g < 4; ++g) {
                if (g < f) {
                    ASSERT_EQ(now[g], fresh[g]) << EXPORT_FILES[f] << " cut after " << n;
                    EXPECT_FALSE(logHas(log, failed[g]));
                } else {
                    ASSERT_EQ(now[g], previous[g]) << EXPORT_FILES[f] << " cut after " << n;
                    ASSERT_TRUE(logHas(log, failed[g])) << EXPORT_FILES[f] << " cut after " << n;
                }
            }
            ASSERT_TRUE(leftovers(module.dir).empty()) << EXPORT_FILES[f] << " cut after " << n;
            // The files written before f are put back for the next cut.
            for (size_t g = 0; g < f; ++g) putFile(module.dir + "/" + EXPORT_FILES[g], previous[g]);
        }
        before_f += fresh[f].size();
    }
    expectSameLabels(labels, before);

    // The atlas is the charset's again, and the next export goes through.
    MessageLog log;
    exportModule(labels, module.terrain, module.atlas, module.config, log);
    for (const char* message : failed) EXPECT_FALSE(logHas(log, message));
    EXPECT_EQ(module.files(), fresh);
    EXPECT_TRUE(atlasHasChar(module.atlas, 'h'));
}
