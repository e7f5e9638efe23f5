#include "export/export.h"

#include <cstdio>
#include <functional>
#include <string>
#include <unordered_set>

#include "formats/dds.h"
#include "export/letter_records.h"
#include "formats/brf.h"
#include "formats/module_ini.h"
#include "export/letter_groups.h"
#include "formats/records.h"
#include "platform/text_format.h"
#include "platform/platform.h"

namespace {

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

bool exportBrf(const GroupPlan& plan, const GlyphAtlas& atlas, const AppConfig& config, Report& log) {
    std::string bytes;
    if (!config.test_mode) bytes += materialBlock();
    writeBrfString(bytes, "mesh");
    writeBrfInt(bytes, plan.meshes);
    for (const LetterGroup& group : plan.groups)
        if (group.representative < 0) writeLetterMesh(group.letters, atlas, bytes);
    writeBrfString(bytes, "end");

    std::string path = modulePath(config, "Resource\\map_names.brf");
    createParentFolder(path);
    if (!replaceFileWith(path, bytes)) {
        addMessage(log, "Problems exporting BRF file :( \n");
        return false;
    }
    addMessage(log, "(1/4) Exported resource file \"Resource\\map_names.brf\"! (add it to module.ini)\n");
    return true;
}

// Writes "<name>.txt" as "<name>.orig.txt" extended: the orig header line, then
// what `extend` appends (the new count line, the orig records, the new records),
// and reports the message `extend` returns; or the list's problem when the orig
// list cannot be read or the new list cannot be written.
using ExtendList = std::function<std::string(TextLineReader& in, long long count, std::string& out)>;
bool exportList(const AppConfig& config, const std::string& name, Report& log, const ExtendList& extend) {
    const std::string problem = "Problems exporting " + name + ".txt :( \n";
    OrigList orig;
    if (!readOrigList(modulePath(config, name + ".orig.txt"), orig)) {
        addMessage(log, problem);
        return false;
    }
    std::string out = orig.header + "\n";
    TextLineReader in{&orig.text, orig.records};
    const std::string message = extend(in, orig.count, out);
    if (!replaceFileWith(modulePath(config, name + ".txt"), toCrlf(out))) {
        addMessage(log, problem);
        return false;
    }
    addMessage(log, message);
    return true;
}

// Step 2. When auto grouped the letters, its message says so, so that the
// grouping stays among the four step messages the user reads.
bool exportIcons(GroupPlan& plan, const AppConfig& config, Report& log) {
    const bool grouped = config.mesh_letters == 0 && plan.size > 1;
    return exportList(config, "map_icons", log, [&plan, grouped](TextLineReader& in, long long n, std::string& out) {
        out += formatText("%lld\n", n + plan.meshes);
        while (copyTextLine(in, out)) {
        }
        long long k = n;
        for (LetterGroup& group : plan.groups)
            if (group.representative < 0) {
                writeIconRecord(group.letters.front(), out, static_cast<int>(k));
                group.icon = static_cast<int>(k);
                ++k;
            }
        const std::string grouping =
            grouped ? formatText("; letters grouped %d to a mesh to fit the module's icons, room for %lld", plan.size,
                                 letterIconRoom(n))
                    : "";
        std::string message = formatText("(2/4) Exported \"map_icons.txt\" file! (%lld new icons, %lld in total%s)",
                                         k - n, k, grouping.c_str());
        if (k > 255) message = formatText("%s WARNING: #icons = %lld>255 - K&W will complain!!", message.c_str(), k);
        return message;
    });
}

bool exportParties(const GroupPlan& plan, const AppConfig& config, Report& log) {
    return exportList(config, "parties", log, [&plan](TextLineReader& in, long long n, std::string& out) {
        const long long parties = static_cast<long long>(plan.groups.size());
        out += formatText("%lld %lld\n", n + parties, n + parties);
        // The orig parties, two lines each; an orig that ends early is copied as far as it goes.
        for (long long i = 0; i < 2 * n; ++i)
            if (!copyTextLine(in, out)) break;
        long long o = n;
        for (const LetterGroup& group : plan.groups) {
            const int icon =
                group.representative >= 0 ? plan.groups[static_cast<size_t>(group.representative)].icon : group.icon;
            writePartyRecord(group.letters.front().id, group.anchor, group.angle, icon, out, static_cast<int>(o));
            ++o;
        }
        return formatText("(3/4) Exported \"parties.txt\" file! (%lld new objects, %lld in total)\n", o - n, o);
    });
}

bool exportTexture(const GlyphAtlas& atlas, const AppConfig& config, Report& log) {
    std::string path = modulePath(config, "textures\\map_names.dds");
    createParentFolder(path);
    if (!writeDdsDxt3({atlas.width, atlas.height, atlas.pixels}, config.mip_map, path)) {
        addMessage(log, "(4/4) Problems exporting texture file?!? :( \n");
        return false;
    }
    addMessage(log, formatText("(4/4) Exported \"textures\\map_names.dds\" DXT3 %dx%d texture! (%d letters)\n",
                                config.texture_width, config.texture_height, atlas.distinctCount));
    return true;
}

// Says why the export stops: the letters' icons, K to K + M - 1, would leave 0..255,
// so a party could not show them (its icon number would spill into the flags above
// it: hidden, ship, ...).
void sayIconStop(const GroupChoice& choice, long long icons, Report& log) {
    const int meshes = choice.plan.meshes;
    addMessage(log, formatText("Export stopped: the letters need icons %lld to %lld, but a party can only show "
                                "icons 0 to 255 (the module has %lld icons: room for %lld letter meshes, these "
                                "labels need %d; one mesh per label would need %d)",
                                icons, icons + meshes - 1, icons, letterIconRoom(icons), meshes,
                                choice.perLabelMeshes));
}

}  // namespace

bool readOrigIconCount(const AppConfig& config, long long& count) {
    OrigList list;
    if (!readOrigList(modulePath(config, "map_icons.orig.txt"), list)) return false;
    count = list.count;
    return true;
}

long long letterIconRoom(long long icons) { return icons < 0 || icons >= 256 ? 0 : 256 - icons; }

Report exportModule(const LabelList& labels, TerrainMesh& terrain, GlyphAtlas& atlas, const AppConfig& config,
                    std::string& trace) {
    Report log;
    ExportLetters letters = buildExportLetters(labels, terrain, atlas);
    trace += letters.trace;

    long long icons = 0;
    const bool iconsKnown = readOrigIconCount(config, icons);
    GroupChoice choice = chooseGroups(letters, config.mesh_letters, iconsKnown, icons);
    // A stopped export shows its one message and leaves the editor's atlas alone.
    if (!choice.fits) {
        sayIconStop(choice, icons, log);
        log.ok = false;
        return log;
    }
    // The texture and the meshes' texture coordinates come from this atlas. Without
    // it the module would get a texture without its letters: nothing is written.
    if (!buildGlyphAtlas(atlas, atlasText(labels), config.font, config.texture_width, config.texture_height,
                         config.test_mode)) {
        addMessage(log, "Export stopped: " + atlas.failure);
        buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height,
                        config.test_mode);
        log.ok = false;
        return log;
    }

    GroupPlan& plan = choice.plan;
    addMessage(log, formatText("Found %d duplicated", plan.duplicates));

    bool written = exportBrf(plan, atlas, config, log);
    // The game loads the resource only when "module.ini" lists it.
    if (namesInModuleIni(config.module_path) == NamesInIni::NotLoaded)
        addMessage(log, std::string("\"module.ini\" does not load the names yet: add the line ") + LOAD_NAMES_LINE);
    written = exportIcons(plan, config, log) && written;
    written = exportParties(plan, config, log) && written;
    written = exportTexture(atlas, config, log) && written;

    buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height,
                    config.test_mode);
    log.ok = written;
    return log;
}
