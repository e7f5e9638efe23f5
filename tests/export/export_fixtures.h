// A scratch module folder for the export tests: the orig lists, the folders the
// export writes into, a configuration and the editor's atlas.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../test_support.h"
#include "atlas/atlas.h"
#include "config/config.h"
#include "export/export.h"
#include "labels/label.h"
#include "labels/letter_geometry.h"
#include "overlay/message_log.h"
#include "platform/platform.h"
#include "terrain/terrain.h"

inline const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

inline const char* const BAD_BRF = "Problems exporting BRF file :( \n";
inline const char* const BAD_ICONS = "Problems exporting map_icons.txt :( \n";
inline const char* const BAD_PARTIES = "Problems exporting parties.txt :( \n";
inline const char* const BAD_DDS = "(4/4) Problems exporting texture file?!? :( \n";
inline const char* const MSG_BRF = "(1/4) Exported resource file \"Resource\\map_names.brf\"! (add it to module.ini)\n";
// The four outputs in the order they are written.
inline const char* const EXPORT_FILES[4] = {"Resource/map_names.brf", "map_icons.txt", "parties.txt",
                                            "textures/map_names.dds"};

inline Label labelWith(const std::string& text, MapPoint from, MapPoint to) {
    Label label;
    initFromDrag(label, from, to);
    for (char32_t c : test_support::chars(text)) addLetter(label, c);
    return label;
}

struct ModuleDir {
    test_support::TempDir dir;
    AppConfig config;
    GlyphAtlas atlas;
    TerrainMesh terrain;
    LabelList labels;
    MessageLog log;
    std::string trace;       // the last export's height trace
    std::vector<std::string> said;  // every message of the last export, oldest first
    bool succeeded = false;  // what the last export returned

    // The orig lists are written with CR LF line ends, as the game ships them.
    ModuleDir(const std::string& iconsOrig, const std::string& partiesOrig, int width = 256, int height = 128) {
        config.module_path = dir.path + "/";
        config.font = kFont;
        config.texture_width = width;
        config.texture_height = height;
        EXPECT_TRUE(buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height, false));
        std::filesystem::create_directory(dir / "Resource");
        std::filesystem::create_directory(dir / "textures");
        put("map_icons.orig.txt", toCrlf(iconsOrig));
        put("parties.orig.txt", toCrlf(partiesOrig));
        resetLetterIds();
    }
    ~ModuleDir() {
        setWriteFailureAfter(-1);
        releaseGlyphAtlas(atlas);
    }

    void put(const std::string& name, const std::string& bytes) { test_support::writeBytes(dir / name, bytes); }
    std::string get(const std::string& name) const { return test_support::readBytes(dir / name); }
    bool has(const std::string& name) const { return std::filesystem::exists(dir / name); }
    std::vector<std::string> outputs() const {
        std::vector<std::string> bytes;
        for (const char* name : EXPORT_FILES) bytes.push_back(get(name));
        return bytes;
    }
    void add(const std::string& text, MapPoint from, MapPoint to) { labels.push_back(labelWith(text, from, to)); }

    // One export with a fresh message log; returns the messages, newest first.
    // The export never changes a label, field for field.
    std::vector<std::string> run() {
        log = MessageLog{};
        const LabelList before = labels;
        trace.clear();
        const Report report = exportModule(labels, terrain, atlas, config, trace);
        succeeded = report.ok;
        said = report.messages;
        for (const std::string& m : report.messages) showMessage(log, m);
        EXPECT_EQ(labels.size(), before.size());
        for (size_t i = 0; i < labels.size() && i < before.size(); ++i)
            EXPECT_TRUE(sameLabel(labels[i], before[i])) << "label " << i;
        return messagesNewestFirst(log);
    }

    // The letters as an export of one letter a mesh sees them: their geometry
    // built and duplicates linked, on a copy.
    LabelList letterRecords() {
        LabelList copy = labels;
        std::string ignored;
        buildAllLetterGeometry(copy, terrain, atlas, ignored);
        countDuplicates(copy);
        return copy;
    }
};
