// A disk that fills up in the middle of an export: each of the four files cut at
// every byte (or, for the texture, at a wide spread of points). The files on disk
// must stay as they were before, byte for byte, the user must see the failure,
// the labels must not change, and the next export without failure must succeed.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "export_fixtures.h"
#include "labels/label_store.h"

namespace {

bool logHas(const MessageLog& log, const std::string& text) {
    for (const std::string& m : log.slots)
        if (m == text) return true;
    return false;
}

// A tiny module: a sloping square map, the two orig lists, a 64 x 64 letter texture.
struct TinyModule : ModuleDir {
    TinyModule()
        : ModuleDir("map_icons_file version 1\n2\ntown_icon 0 town 0.500000 0 0 0 0 0\n\n\n"
                    "castle_icon 0 castle 0.600000 0 0 0 0 0\n\n\n",
                    "partiesfile 1\n1 1\n"
                    " 1 0 0 p_main_party Main_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0 \n0.0\n",
                    64, 64) {
        config.charset = "abcdefgh ";
        config.mip_map = {100, 90, 80};
        EXPECT_TRUE(buildGlyphAtlas(atlas, config.charset, config.font, 64, 64, false));
        const std::string map = "4\n-50 -50 1\n50 -50 2\n50 50 3\n-50 50 4\n2\n0 0 0 0 1 2\n1 0 0 0 2 3\n";
        std::string error;
        EXPECT_TRUE(parseTerrainMesh(terrain, map.data(), map.size(), error)) << error;
    }
    void exportLabels(const LabelList& list) {
        labels = list;
        log = MessageLog{};
        trace.clear();
        const Report report = exportModule(labels, terrain, atlas, config, trace);
        succeeded = report.ok;
        for (const std::string& m : report.messages) showMessage(log, m);
    }
};

LabelList testLabels() {
    resetLetterIds();
    LabelList labels = {labelWith("ab", {-20, 0}, {20, 5}), labelWith("h", {-30, -30}, {-10, -25})};
    toggleItalic(labels.back());
    return labels;
}

bool noLeftovers(const std::string& dir) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.path().extension() == ".new") return false;
    return true;
}

}  // namespace

TEST(ExportWriteFailure, EveryCutKeepsThePreviousModuleFiles) {
    TinyModule module;
    const char* const failed[4] = {BAD_BRF, BAD_ICONS, BAD_PARTIES, BAD_DDS};

    // The previous export, of other labels, is what must survive the failures.
    resetLetterIds();
    module.exportLabels({labelWith("ed", {0, 0}, {30, 30})});
    for (const char* message : failed) ASSERT_FALSE(logHas(module.log, message));
    const std::vector<std::string> previous = module.outputs();

    // What an export without failure writes for the labels under test, in a second module.
    std::vector<std::string> fresh;
    {
        TinyModule reference;
        reference.exportLabels(testLabels());
        fresh = reference.outputs();
    }
    for (size_t f = 0; f < 4; ++f) ASSERT_NE(fresh[f], previous[f]) << EXPORT_FILES[f];
    const LabelList labels = testLabels();
    std::string labelsBefore;
    for (const Label& label : labels) writeLabel(label, labelsBefore);

    // The cut points: every byte of the three small files; for the texture the
    // header bytes, each mip level's boundaries and an even spread between them.
    std::vector<std::set<size_t>> cuts(4);
    for (size_t f = 0; f < 3; ++f)
        for (size_t n = 0; n < fresh[f].size(); ++n) cuts[f].insert(n);
    const size_t dds = fresh[3].size();
    cuts[3] = {0, 1, 3, 4, 5, 127, 128, 129, dds - 1};
    for (size_t start = 128, w = 64; start < dds; start += ((w + 3) / 4) * ((w + 3) / 4) * 16, w = std::max<size_t>(w / 2, 1))
        cuts[3].insert({start - 1, start, start + 1});
    for (size_t i = 0; i < 160; ++i) cuts[3].insert(i * dds / 160);

    size_t writtenBefore = 0;  // bytes of the files written before file f
    for (size_t f = 0; f < 4; ++f) {
        for (size_t n : cuts[f]) {
            setWriteFailureAfter(static_cast<long long>(writtenBefore + n));
            module.exportLabels(labels);
            setWriteFailureAfter(-1);
            ASSERT_FALSE(module.succeeded) << EXPORT_FILES[f] << " cut after " << n;
            const std::vector<std::string> now = module.outputs();
            // The files before f were written whole; f and every later one failed
            // (the full disk stays full) and kept their previous bytes.
            for (size_t g = 0; g < 4; ++g) {
                ASSERT_EQ(now[g], g < f ? fresh[g] : previous[g]) << EXPORT_FILES[f] << " cut after " << n;
                ASSERT_EQ(logHas(module.log, failed[g]), g >= f) << EXPORT_FILES[f] << " cut after " << n;
            }
            ASSERT_TRUE(noLeftovers(module.dir.path)) << EXPORT_FILES[f] << " cut after " << n;
            for (size_t g = 0; g < f; ++g) module.put(EXPORT_FILES[g], previous[g]);
        }
        writtenBefore += fresh[f].size();
    }
    std::string labelsAfter;
    for (const Label& label : module.labels) writeLabel(label, labelsAfter);
    EXPECT_EQ(labelsAfter, labelsBefore);

    // The atlas is the charset's again, and the next export goes through.
    module.exportLabels(labels);
    for (const char* message : failed) EXPECT_FALSE(logHas(module.log, message));
    EXPECT_TRUE(module.succeeded);
    EXPECT_EQ(module.outputs(), fresh);
    EXPECT_TRUE(atlasHasChar(module.atlas, 'h'));
}
