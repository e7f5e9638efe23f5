#include "export/export.h"

#include <cstdio>
#include <string>
#include <unordered_set>

#include "atlas/dds.h"
#include "export/brf.h"
#include "export/records.h"
#include "platform/text_format.h"
#include "labels/letter_geometry.h"
#include "platform/platform.h"

namespace {

bool exported(const LabelLetter& letter) { return letter.ch != ' '; }
bool ownsMesh(const LabelLetter& letter) { return exported(letter) && !letter.duplicate.valid(); }

// The distinct characters of the labels' texts in first-occurrence order: the
// atlas built from it equals the one built from the whole joined text.
std::u32string atlasText(const LabelList& labels) {
    std::unordered_set<char32_t> seen;
    std::u32string text;
    for (const Label& label : labels)
        for (const LabelLetter& letter : label.letters)
            if (letter.ch != 0 && seen.insert(letter.ch).second) text.push_back(letter.ch);
    return text;
}

bool exportBrf(const LabelList& labels, const GlyphAtlas& atlas, const AppConfig& config, int meshes,
               MessageLog& log) {
    std::string bytes;
    if (!config.test_mode) bytes += materialBlock();
    writeBrfString(bytes, "mesh");
    writeBrfInt(bytes, meshes);
    for (const Label& label : labels)
        for (const LabelLetter& letter : label.letters)
            if (ownsMesh(letter)) writeLetterMesh(letter, atlas, bytes);
    writeBrfString(bytes, "end");

    std::string path = modulePath(config, "Resource\\map_names.brf");
    createParentFolder(path);
    if (!replaceFileWith(path, bytes)) {
        showMessage(log, "Problems exporting BRF file :( \n");
        return false;
    }
    showMessage(log, "(1/4) Exported resource file \"Resource\\map_names.brf\"! (add it to module.ini)\n");
    return true;
}

// The orig file's header line and count line. False when the file is missing or
// ends before its count line.
bool readOrigHead(const AppConfig& config, const char* name, std::string& text, TextLineReader& in,
                  std::string& header, long long& count) {
    if (!readTextFile(modulePath(config, name), text)) return false;
    in = TextLineReader{&text, 0};
    std::string countLine;
    if (!readTextLine(in, header) || !readTextLine(in, countLine)) return false;
    count = leadingInt(countLine);
    return true;
}

bool exportIcons(LabelList& labels, const AppConfig& config, int meshes, MessageLog& log) {
    const char* problem = "Problems exporting map_icons.txt :( \n";
    std::string orig, header;
    TextLineReader in;
    long long n = 0;
    if (!readOrigHead(config, "map_icons.orig.txt", orig, in, header, n)) {
        showMessage(log, problem);
        return false;
    }
    std::string out = header + "\n";
    out += formatText("%lld\n", n + meshes);
    while (copyTextLine(in, out)) {
    }
    long long k = n;
    for (Label& label : labels)
        for (LabelLetter& letter : label.letters)
            if (ownsMesh(letter)) {
                writeIconRecord(letter, out, static_cast<int>(k));
                ++k;
            }
    if (!replaceFileWith(modulePath(config, "map_icons.txt"), toCrlf(out))) {
        showMessage(log, problem);
        return false;
    }
    std::string message =
        formatText("(2/4) Exported \"map_icons.txt\" file! (%lld new icons, %lld in total)", k - n, k);
    if (k > 255)
        message = formatText("%s WARNING: #icons = %lld>255 - K&W will complain!!", message.c_str(), k);
    showMessage(log, message);
    return true;
}

bool exportParties(const LabelList& labels, const AppConfig& config, int letters, MessageLog& log) {
    const char* problem = "Problems exporting parties.txt :( \n";
    std::string orig, header;
    TextLineReader in;
    long long n = 0;
    if (!readOrigHead(config, "parties.orig.txt", orig, in, header, n)) {
        showMessage(log, problem);
        return false;
    }
    std::string out = header + "\n";
    out += formatText("%lld %lld\n", n + letters, n + letters);
    // The orig parties, two lines each; an orig that ends early is copied as far as it goes.
    for (long long i = 0; i < 2 * n; ++i)
        if (!copyTextLine(in, out)) break;
    long long o = n;
    for (const Label& label : labels)
        for (const LabelLetter& letter : label.letters) {
            if (!exported(letter)) continue;
            int icon = letter.duplicate.valid() ? letterAt(labels, letter.duplicate).icon : letter.icon;
            writePartyRecord(letter, icon, out, static_cast<int>(o));
            ++o;
        }
    if (!replaceFileWith(modulePath(config, "parties.txt"), toCrlf(out))) {
        showMessage(log, problem);
        return false;
    }
    showMessage(log, formatText("(3/4) Exported \"parties.txt\" file! (%lld new objects, %lld in total)\n", o - n, o));
    return true;
}

bool exportTexture(const GlyphAtlas& atlas, const AppConfig& config, MessageLog& log) {
    std::string path = modulePath(config, "textures\\map_names.dds");
    createParentFolder(path);
    if (!writeDdsDxt3(atlas, config.mip_map, path)) {
        showMessage(log, "(4/4) Problems exporting texture file?!? :( \n");
        return false;
    }
    showMessage(log, formatText("(4/4) Exported \"textures\\map_names.dds\" DXT3 %dx%d texture! (%d letters)\n",
                                config.texture_width, config.texture_height, atlas.distinctCount));
    return true;
}

// When the module's icon count is known and the letters' icons, K to K + M - 1,
// would leave 0..255, a party could not show them: its icon number would spill
// into the flags above it (hidden, ship, ...). Says so and returns false. An
// unreadable orig list leaves the icons step to report its own problem, and its
// parties show icon 0.
bool letterIconsFit(const AppConfig& config, int meshes, MessageLog& log) {
    long long icons = 0;
    if (meshes <= 0 || !readOrigIconCount(config, icons)) return true;
    const long long first = icons, last = icons + meshes - 1;
    if (first >= 0 && last <= 255) return true;
    showMessage(log, formatText("Export stopped: the letters need icons %lld to %lld, but a party can only show "
                                "icons 0 to 255 (the module has %lld icons: room for %lld letter meshes, these "
                                "labels need %d)",
                                first, last, icons, letterIconRoom(icons), meshes));
    return false;
}

}  // namespace

bool readOrigIconCount(const AppConfig& config, long long& count) {
    std::string text, header;
    TextLineReader in;
    return readOrigHead(config, "map_icons.orig.txt", text, in, header, count);
}

int countLetterMeshes(const LabelList& labels) {
    int meshes = 0;
    for (const Label& label : labels)
        for (const LabelLetter& letter : label.letters)
            if (ownsMesh(letter)) ++meshes;
    return meshes;
}

long long letterIconRoom(long long icons) { return icons < 0 || icons >= 256 ? 0 : 256 - icons; }

bool exportModule(LabelList& labels, TerrainMesh& terrain, GlyphAtlas& atlas, const AppConfig& config,
                 MessageLog& log) {
    // Icons are assigned afresh by this export; a letter never carries one from before.
    for (Label& label : labels)
        for (LabelLetter& letter : label.letters) letter.icon = 0;

    std::string trace;
    buildAllLetterGeometry(labels, terrain, atlas, trace);
    if (!trace.empty()) std::fwrite(trace.data(), 1, trace.size(), stdout);
    std::fflush(stdout);

    const int duplicates = countDuplicates(labels);
    int letters = 0;
    for (const Label& label : labels) letters += countLetters(label);
    const int meshes = countLetterMeshes(labels);
    // A stopped export shows its one message and leaves the editor's atlas alone.
    if (!letterIconsFit(config, meshes, log)) return false;
    showMessage(log, formatText("Found %d duplicated", duplicates));

    // The texture and the meshes' texture coordinates come from this atlas.
    const bool atlasBuilt = buildGlyphAtlas(atlas, atlasText(labels), config.font, config.texture_width,
                                            config.texture_height, config.test_mode);

    bool written = exportBrf(labels, atlas, config, meshes, log);
    written = exportIcons(labels, config, meshes, log) && written;
    written = exportParties(labels, config, letters, log) && written;
    written = exportTexture(atlas, config, log) && written;

    buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height,
                    config.test_mode);
    return atlasBuilt && written;
}
