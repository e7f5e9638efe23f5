// veltrune-bench: times each fast path of the editor against its plain reference
// and checks that both give the same result.
//
//   veltrune-bench [--small] [--json FILE] [--check] [--keep]
//
// The large case is generated here: a 512 x 512 grid of hills on an island
// (524,288 faces, five terrain types from sea to rock) with 200 labels of 24
// letters; the small case is the bundled example module; the real-size case, a
// generated map of a real module's size and terrain types, only has its frames
// measured. All are written to a temporary folder. Each timing is the best of three runs, or a single run when
// one run already takes long.
// --check exits with status 1 when any pair of outputs differs.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/recovery.h"
#include "atlas/atlas.h"
#include "bench/bench.h"
#include "bench/reference.h"
#include "config/config.h"
#include "export/export.h"
#include "export/letter_groups.h"
#include "preview/preview.h"
#include "formats/records.h"
#include "labels/label_store.h"
#include "labels/letter_geometry.h"
#include "mapgen.h"
#include "overlay/message_log.h"
#include "platform/platform.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

namespace fs = std::filesystem;

namespace {

const char* const FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const DEFAULT_CHARSET = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";
const char* const EXPORT_FILES[4] = {"Resource/map_names.brf", "map_icons.txt", "parties.txt",
                                     "textures/map_names.dds"};

// A run this long is not repeated: its noise is small against its length.
constexpr double LONG_RUN_S = 2.0;
// A full reference expected to take longer than this is measured on a subset only.
constexpr double FULL_REFERENCE_LIMIT_S = 60.0;

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The best of up to reps runs of body; prepare runs untimed before each.
double bestOf(int reps, const std::function<void()>& prepare, const std::function<void()>& body) {
    double best = 1e300;
    for (int r = 0; r < reps; ++r) {
        prepare();
        double t0 = now();
        body();
        double t = now() - t0;
        best = std::min(best, t);
        if (t > LONG_RUN_S) break;
    }
    return best;
}

// Standard output is sent to /dev/null for the lifetime of this record (the
// export prints its long height trace there).
struct QuietStdout {
    int saved = -1;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, 1);
            close(saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;
};

bool writeText(const fs::path& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(MapPoint a, MapPoint b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y); }
bool sameBits(MapVertex a, MapVertex b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }

bool sameMesh(const TerrainMesh& a, const TerrainMesh& b) {
    if (a.vertices.size() != b.vertices.size() || a.faces.size() != b.faces.size()) return false;
    if (!sameBits(a.boxMin, b.boxMin) || !sameBits(a.boxMax, b.boxMax)) return false;
    for (size_t i = 0; i < a.vertices.size(); ++i)
        if (!sameBits(a.vertices[i], b.vertices[i])) return false;
    for (size_t i = 0; i < a.faces.size(); ++i) {
        const MapFace& f = a.faces[i];
        const MapFace& g = b.faces[i];
        if (f.corners[0] != g.corners[0] || f.corners[1] != g.corners[1] || f.corners[2] != g.corners[2] ||
            f.terrainType != g.terrainType || !sameBits(f.light, g.light))
            return false;
    }
    return true;
}

// Every field the letter geometry and the duplicate search write.
bool sameGeometry(const LabelList& a, const LabelList& b) {
    if (a.size() != b.size()) return false;
    for (size_t l = 0; l < a.size(); ++l) {
        if (a[l].letters.size() != b[l].letters.size()) return false;
        for (size_t k = 0; k < a[l].letters.size(); ++k) {
            const LabelLetter& x = a[l].letters[k];
            const LabelLetter& y = b[l].letters[k];
            if (x.ch != y.ch || x.alpha != y.alpha || !sameBits(x.size, y.size) || !sameBits(x.angle, y.angle) ||
                !sameBits(x.anchor, y.anchor) || x.duplicate.label != y.duplicate.label ||
                x.duplicate.letter != y.duplicate.letter)
                return false;
            for (int i = 0; i < 4; ++i)
                if (!sameBits(x.cornerZ[i], y.cornerZ[i]) || !sameBits(x.corners[i], y.corners[i])) return false;
        }
    }
    return true;
}

bool sameAtlas(const GlyphAtlas& a, const GlyphAtlas& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels &&
           a.distinctCount == b.distinctCount && a.glyphHeight == b.glyphHeight && a.fontSize == b.fontSize &&
           a.cells == b.cells;
}

int exportedLetters(const LabelList& labels) {
    int n = 0;
    for (const Label& label : labels) n += countLetters(label);
    return n;
}

// One workload: a working folder with "Veltrune.cfg", "savedData.txt" and the
// module folder the configuration names.
struct BenchCase {
    std::string name;   // "large" or "small"
    fs::path workDir;
    fs::path moduleDir;
    std::string configText;
    int atlasWidth = 1024, atlasHeight = 512;
    int referenceSubset = 0;  // labels the slow geometry reference is first run on (0: all)
};

std::string configText(const std::string& modulePath) {
    std::string text = "module_path = \"" + modulePath + "\"\n";
    text += "texture_size = 1024 x 512\n";
    text += std::string("font = \"") + FONT + "\"\n";
    text += std::string("charset = \"") + DEFAULT_CHARSET + "\"\n";
    text += "test_mode = 0\n";
    text += "mip_map = [100,100,90,80,70]\n";
    return text;
}

bool writeModule(const fs::path& dir, const MapGenParams& params, int labels, int lettersPerLabel,
                 BenchCase& out) {
    out.workDir = dir;
    out.moduleDir = dir / "module";
    fs::create_directories(out.moduleDir);
    out.configText = configText(out.moduleDir.string() + "/");
    return writeText(out.moduleDir / "map.txt", generateMapText(params)) &&
           writeText(out.moduleDir / "parties.orig.txt", toCrlf(generatePartiesOrig(params.seed, 60, params.box))) &&
           writeText(out.moduleDir / "map_icons.orig.txt", toCrlf(generateMapIconsOrig(40))) &&
           writeText(dir / "savedData.txt", generateLabelStore(params.seed + 1, labels, lettersPerLabel, params.box)) &&
           writeText(dir / "Veltrune.cfg", out.configText);
}

bool makeLargeCase(const fs::path& root, BenchCase& out) {
    MapGenParams params;
    params.gridX = 512;
    params.gridY = 512;
    params.seed = 7;
    params.box = MapBox{-1024, -1024, 1024, 1024};
    params.maxHeight = 60;
    params.hills = 40;
    out.name = "large";
    out.atlasWidth = 2048;
    out.atlasHeight = 2048;
    out.referenceSubset = 20;
    // 200 labels fit the 216 icons the module leaves only with the letters of a label grouped.
    return writeModule(root / "large", params, 200, 24, out);
}

// The bundled example module, copied so the export cannot touch the source
// tree; a small generated module stands in when the example is not there.
bool makeSmallCase(const fs::path& root, BenchCase& out) {
    out.name = "small";
    const fs::path example = fs::path(VT_SOURCE_DIR) / "example";
    const fs::path dir = root / "small";
    std::string cfg;
    if (readTextFile((example / "Veltrune.cfg").string(), cfg) && fs::exists(example / "module" / "map.txt")) {
        std::error_code ec;
        fs::copy(example, dir, fs::copy_options::recursive, ec);
        if (ec) return false;
        AppConfig config;
        if (!parseConfig(config, cfg, "Veltrune.cfg")) return false;
        out.workDir = dir;
        out.moduleDir = fs::path(resolvePath((dir / config.module_path).string()));
        out.configText = cfg;
        out.atlasWidth = config.texture_width;
        out.atlasHeight = config.texture_height;
        if (fs::exists(dir / "savedData.txt")) return true;
        // No bundled labels: 20 generated ones over the example map.
        TerrainMesh map;
        std::string text, error;
        if (!readTextFile((out.moduleDir / "map.txt").string(), text) ||
            !parseTerrainMesh(map, text.data(), text.size(), error))
            return false;
        const MapBox box{map.boxMin.x, map.boxMin.y, map.boxMax.x, map.boxMax.y};
        return writeText(dir / "savedData.txt", generateLabelStore(11, 20, 10, box));
    }
    out.name = "small(gen)";
    MapGenParams params;
    params.seed = 3;
    return writeModule(dir, params, 20, 10, out);
}

bool loadCaseConfig(const BenchCase& bc, AppConfig& config) {
    return parseConfig(config, bc.configText, (bc.workDir / "Veltrune.cfg").string()).ok;
}

bool loadCaseLabels(const BenchCase& bc, LabelList& labels) {
    std::string text, error;
    if (!readTextFile((bc.workDir / "savedData.txt").string(), text)) return false;
    resetLetterIds();
    parseLabelStore(labels, text, error);
    return error.empty();
}

std::string fmt(const char* format, double a, double b = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

// --- the measurements --------------------------------------------------------

bool benchMapLoad(const BenchCase& bc, std::vector<BenchRow>& rows, TerrainMesh& loaded) {
    const std::string path = (bc.moduleDir / "map.txt").string();
    std::string text;
    if (!readTextFile(path, text)) {
        std::printf("cannot read %s\n", path.c_str());
        return false;
    }
    // Both readers start from the text in memory; the fast one also builds the
    // height index, the reference does not.
    bool ok = true;
    std::string error;
    double fast = bestOf(3, [&] { loaded = TerrainMesh{}; },
                         [&] { ok = parseTerrainMesh(loaded, text.data(), text.size(), error) && ok; });
    TerrainMesh reference;
    double ref = bestOf(3, [&] { reference = TerrainMesh{}; },
                        [&] { ok = parseTerrainMeshScanf(reference, text.data(), text.size(), error) && ok; });
    TerrainMesh fromFile;
    double file = bestOf(3, [&] { fromFile = TerrainMesh{}; }, [&] { ok = readTerrainMesh(fromFile, path).ok && ok; });
    const double mb = static_cast<double>(text.size()) / 1e6;
    BenchRow row;
    row.name = "map parse " + bc.name + " (" + std::to_string(loaded.faces.size()) + " faces, " +
               fmt("%.1f MB: %.0f MB/s; ", mb, mb / fast) + fmt("from the file %.3f s)", file);
    row.fastS = fast;
    row.referenceS = ref;
    row.identical = ok && sameMesh(loaded, reference) && sameMesh(fromFile, reference);
    rows.push_back(row);
    return ok;
}

// buildAllLetterGeometry and countDuplicates on a fresh copy of labels.
struct GeometryRun {
    LabelList labels;
    std::string trace;
    int duplicates = 0;
};

double runGeometry(const LabelList& source, TerrainMesh& terrain, const GlyphAtlas& atlas, bool useIndex,
                   GeometryRun& run, int reps) {
    return bestOf(reps, [&] {
        run.labels = source;
        run.trace.clear();
    }, [&] {
        buildAllLetterGeometry(run.labels, terrain, atlas, run.trace, useIndex);
        run.duplicates = countDuplicates(run.labels);
    });
}

bool sameRun(const GeometryRun& a, const GeometryRun& b) {
    return a.duplicates == b.duplicates && a.trace == b.trace && sameGeometry(a.labels, b.labels);
}

void benchGeometry(const BenchCase& bc, TerrainMesh& terrain, std::vector<BenchRow>& rows) {
    LabelList labels;
    GlyphAtlas atlas;
    if (!loadCaseLabels(bc, labels) || !buildGlyphAtlas(atlas, DEFAULT_CHARSET, FONT, 1024, 512, false)) {
        std::printf("geometry %s: cannot load the labels or build the atlas\n", bc.name.c_str());
        rows.push_back(BenchRow{"letter geometry " + bc.name + " (no workload)", 0, -1, false});
        releaseGlyphAtlas(atlas);
        return;
    }
    const int all = static_cast<int>(labels.size());
    const int letters = exportedLetters(labels);
    GeometryRun fast, reference;
    const double fastS = runGeometry(labels, terrain, atlas, true, fast, 3);

    double refS = -1;
    bool identical = false;
    bool estimated = false;
    if (bc.referenceSubset > 0 && bc.referenceSubset < all) {
        LabelList subset(labels.begin(), labels.begin() + bc.referenceSubset);
        const int subsetLetters = exportedLetters(subset);
        GeometryRun subFast, subRef;
        const double subFastS = runGeometry(subset, terrain, atlas, true, subFast, 3);
        const double subRefS = runGeometry(subset, terrain, atlas, false, subRef, 1);
        const bool subIdentical = sameRun(subFast, subRef);
        rows.push_back(BenchRow{"letter geometry+dups " + bc.name + ", " + std::to_string(bc.referenceSubset) +
                                    " of " + std::to_string(all) + " labels (" + std::to_string(subsetLetters) +
                                    " letters)",
                                subFastS, subRefS, subIdentical});
        // The face scans grow with the letters; the duplicate search is the same
        // code in both runs and small beside them.
        const double estimate = subRefS * letters / std::max(1, subsetLetters);
        if (estimate > FULL_REFERENCE_LIMIT_S) {
            refS = estimate;
            identical = subIdentical;
            estimated = true;
        }
    }
    if (!estimated) {
        refS = runGeometry(labels, terrain, atlas, false, reference, 1);
        identical = sameRun(fast, reference);
    }
    rows.push_back(BenchRow{"letter geometry+dups " + bc.name + ", " + std::to_string(all) + " labels (" +
                                std::to_string(letters) + " letters, " + std::to_string(fast.duplicates) + " dups" +
                                (estimated ? ", reference extrapolated from the subset)" : ")"),
                            fastS, refS, identical});
    releaseGlyphAtlas(atlas);
}

void benchAtlasText(const std::string& title, const std::string& text, int w, int h, std::vector<BenchRow>& rows) {
    GlyphAtlas fast, reference;
    bool okFast = false, okRef = false;
    const double fastS = bestOf(3, [] {}, [&] { okFast = buildGlyphAtlas(fast, text, FONT, w, h, false).ok; });
    const double refS = bestOf(3, [] {}, [&] { okRef = buildGlyphAtlasCountdown(reference, text, FONT, w, h, false).ok; });
    rows.push_back(BenchRow{"glyph atlas " + title + " " + std::to_string(w) + "x" + std::to_string(h) + " (size " +
                                std::to_string(fast.fontSize) + ")",
                            fastS, refS, okFast && okRef && sameAtlas(fast, reference)});
    releaseGlyphAtlas(fast);
    releaseGlyphAtlas(reference);
}

void benchAtlas(const BenchCase& bc, std::vector<BenchRow>& rows) {
    benchAtlasText(bc.name + ", default charset", DEFAULT_CHARSET, bc.atlasWidth, bc.atlasHeight, rows);
    // The export builds the atlas from the labels' own characters; a short text
    // overshoots the first size estimate and the countdown renders many sizes.
    benchAtlasText(bc.name + ", export of one label \"Woodmere Marsh\"", "Woodmere Marsh", bc.atlasWidth,
                   bc.atlasHeight, rows);
}

// Runs "veltrune -b" in dir with standard output thrown away; true when it ran and exited 0.
bool runProcess(const std::string& program, const fs::path& dir, const std::vector<std::string>& args) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        if (chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool runBatchProcess(const std::string& program, const fs::path& dir) { return runProcess(program, dir, {"-b"}); }

// The same export in this process, into a copy of the module: configuration,
// labels, map and atlas read as the batch mode reads them, then exportModule.
bool exportInProcess(const BenchCase& bc, const fs::path& module) {
    AppConfig config;
    if (!loadCaseConfig(bc, config)) return false;
    config.module_path = module.string() + "/";
    LabelList labels;
    LabelStore store;
    store.path = (bc.workDir / "savedData.txt").string();
    loadLabels(labels, store);
    TerrainMesh terrain;
    GlyphAtlas atlas;
    bool ok = readTerrainMesh(terrain, modulePath(config, "map.txt")).ok;
    buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height,
                    config.test_mode);
    std::string trace;
    exportModule(labels, terrain, atlas, config, trace);
    releaseGlyphAtlas(atlas);
    return ok;
}

bool sameExportFiles(const fs::path& a, const fs::path& b) {
    for (const char* name : EXPORT_FILES) {
        std::string x, y;
        if (!readBinaryFile((a / name).string(), x) || !readBinaryFile((b / name).string(), y) || x != y) {
            std::printf("export %s differs (or is missing)\n", name);
            return false;
        }
    }
    return true;
}

void benchBatchExport(const BenchCase& bc, const std::string& program, std::vector<BenchRow>& rows) {
    const std::string name = "batch export " + bc.name + " (process veltrune -b; reference: in-process export)";
    if (access(program.c_str(), X_OK) != 0) {
        std::printf("%s: %s is missing, row skipped\n", bc.name.c_str(), program.c_str());
        rows.push_back(BenchRow{name + " - program missing", 0, -1, false});
        return;
    }
    const fs::path refModule = bc.workDir / "module-reference";
    std::error_code ec;
    fs::remove_all(refModule, ec);
    fs::copy(bc.moduleDir, refModule, fs::copy_options::recursive, ec);
    for (const char* f : EXPORT_FILES) fs::remove(refModule / f, ec);

    bool ran = true;
    const double fastS = bestOf(3, [] {}, [&] { ran = runBatchProcess(program, bc.workDir) && ran; });
    bool inProcess = true;
    const double refS = bestOf(1, [] {}, [&] { inProcess = exportInProcess(bc, refModule); });
    rows.push_back(BenchRow{name, fastS, refS, ran && inProcess && sameExportFiles(bc.moduleDir, refModule)});
}

// What choosing the group size costs: the export's letter records and groups with
// mesh_letters = 1 against auto, whose choice is compared with a fixed plan of the
// size it chose. The batch export's time (the row before) puts the cost in proportion.
void benchGroupChoice(const BenchCase& bc, TerrainMesh& terrain, std::vector<BenchRow>& rows) {
    LabelList labels;
    GlyphAtlas atlas;
    AppConfig config;
    long long icons = 0;
    const bool configRead = loadCaseConfig(bc, config);
    config.module_path = bc.moduleDir.string() + "/";
    if (!loadCaseLabels(bc, labels) || !configRead || !readOrigIconCount(config, icons) ||
        !buildGlyphAtlas(atlas, config.charset, config.font, config.texture_width, config.texture_height, false)) {
        rows.push_back(BenchRow{"group choice " + bc.name + " (no workload)", 0, -1, false});
        releaseGlyphAtlas(atlas);
        return;
    }
    const double exportS = rows.empty() ? 0 : rows.back().fastS;
    GroupChoice one, chosen;
    const double oneS = bestOf(3, [] {}, [&] {
        one = chooseGroups(buildExportLetters(labels, terrain, atlas), 1, true, icons);
    });
    const double autoS = bestOf(3, [] {}, [&] {
        chosen = chooseGroups(buildExportLetters(labels, terrain, atlas), 0, true, icons);
    });
    const GroupPlan fixed = groupLetters(buildExportLetters(labels, terrain, atlas), chosen.plan.size);
    bool same = chosen.fits && fixed.meshes == chosen.plan.meshes && fixed.groups.size() == chosen.plan.groups.size();
    const auto asLabels = [](const LetterGroup& group) {
        LabelList list(1);
        list[0].letters = group.letters;
        return list;
    };
    for (size_t i = 0; same && i < fixed.groups.size(); ++i)
        same = fixed.groups[i].representative == chosen.plan.groups[i].representative &&
               sameGeometry(asLabels(fixed.groups[i]), asLabels(chosen.plan.groups[i]));
    const double share = exportS > 0 ? std::max(0.0, 100.0 * (autoS - oneS) / exportS) : 0;
    rows.push_back(BenchRow{"group choice " + bc.name + ", mesh_letters = 1 (" + std::to_string(one.plan.meshes) +
                                " meshes, " + (one.fits ? "fits" : "stops") + ") vs auto (" +
                                std::to_string(chosen.plan.size) + " to a mesh, " +
                                std::to_string(chosen.plan.meshes) + " meshes): choosing costs " +
                                fmt("%.1f%% of the batch export)", share),
                            oneS, autoS, same});
    releaseGlyphAtlas(atlas);
}

// The picture of the export: "veltrune -p" as a process (map, colours and the
// exported files read, drawn, PNG written) against the same picture drawn and
// encoded in this process; the PNG bytes must be equal. It draws what the batch
// export row wrote into the case's module.
void benchPreview(const BenchCase& bc, const std::string& program, std::vector<BenchRow>& rows) {
    const int size = 2048;
    AppConfig config;
    PreviewExport exported;
    const bool configured = loadCaseConfig(bc, config);
    config.module_path = bc.moduleDir.string() + "/";
    const Report loaded = configured ? loadPreviewExport(config, exported) : failure("no configuration");
    if (!loaded) {
        std::printf("%s: no export to draw: %s\n", bc.name.c_str(), loaded.messages.front().c_str());
        rows.push_back(BenchRow{"preview " + bc.name + " (no export)", 0, -1, false});
        return;
    }
    bool ran = true;
    const double fastS = bestOf(3, [] {}, [&] {
        ran = runProcess(program, bc.workDir, {"-p", "bench.png", std::to_string(size)}) && ran;
    });
    std::string png;
    PreviewResult result;
    const double refS = bestOf(1, [] {}, [&] {
        TerrainMesh terrain;
        TerrainColorTable colors;
        QuietStdout quiet;
        if (!readTerrainMesh(terrain, modulePath(config, "map.txt")) ||
            !readPartyPositions(terrain.partyPositions, modulePath(config, "parties.orig.txt")) ||
            !loadPreviewExport(config, exported))
            return;
        readTerrainColors(colors, (bc.workDir / "mapcolors.txt").string());
        PreviewImage image;
        if (renderPreview(terrain, colors, exported, size, image, result)) png = encodePng(image);
    });
    std::string written;
    const bool same = ran && !png.empty() && readBinaryFile((bc.workDir / "bench.png").string(), written) && written == png;
    rows.push_back(BenchRow{"preview " + bc.name + ", " + std::to_string(size) + " px, " + std::to_string(result.drawn) +
                                " letter parties (process veltrune -p; reference: in-process)",
                            fastS, refS, same});
}

// The editor's frames after a node drag against its full frames, at the start
// view; the row's name gives the first frame after start-up.
void benchEditFrame(const std::string& title, const TerrainMesh& terrain, const TerrainColorTable& colors,
                    const LabelList& labels, std::vector<BenchRow>& rows) {
    Editor ed;
    ed.terrain = terrain;
    ed.colors = colors;
    ed.labels = labels;
    showMessage(ed.log, BANNER);
    const std::string name = "edit frame " + title + ", after a node drag vs full frame";
    if (!buildGlyphAtlas(ed.atlas, DEFAULT_CHARSET, FONT, 1024, 512, false)) {
        rows.push_back(BenchRow{name + " (no atlas)", 0, -1, false});
        return;
    }
    const EditFrameBench eb = benchEditFrames(ed, 20);
    releaseGlyphAtlas(ed.atlas);
    if (!eb.ran) {
        std::printf("edit frame %s skipped: %s\n", title.c_str(), eb.note.c_str());
        return;
    }
    if (!eb.note.empty()) std::printf("edit frame %s: %s\n", title.c_str(), eb.note.c_str());
    rows.push_back(BenchRow{name + " (" + std::to_string(eb.frames) + " of each, best; first frame after start-up " +
                                fmt("%.3f s)", eb.firstFrameS),
                            eb.editS, eb.fullS, eb.identical});
}

// The case's labels, and its parties' positions and names for the markers.
bool loadDrawingLabels(const BenchCase& bc, TerrainMesh& terrain, LabelList& labels) {
    return readPartyPositions(terrain.partyPositions, (bc.moduleDir / "parties.orig.txt").string(),
                              &terrain.partyNames) &&
           loadCaseLabels(bc, labels);
}

void benchDrawing(const BenchCase& bc, TerrainMesh& terrain, std::vector<BenchRow>& rows) {
    LabelList labels;
    GlyphAtlas atlas;
    const TerrainColorTable colors;  // the palette's colours, as without "mapcolors.txt"
    if (!loadDrawingLabels(bc, terrain, labels) || !buildGlyphAtlas(atlas, DEFAULT_CHARSET, FONT, 1024, 512, false)) {
        rows.push_back(BenchRow{"frame " + bc.name + " (no workload)", 0, -1, false});
        releaseGlyphAtlas(atlas);
        return;
    }
    const struct {
        float zoom;
        const char* view;
    } views[2] = {{3.0f, "start view"}, {1.0f, "whole map"}};
    for (const auto& v : views) {
        FrameBench fb = benchFrames(terrain, colors, labels, atlas, v.zoom, 10, 5);
        if (!fb.ran) {
            std::printf("frame %s skipped: %s\n", bc.name.c_str(), fb.note.c_str());
            releaseGlyphAtlas(atlas);
            return;
        }
        if (!fb.note.empty()) std::printf("frame %s: %s\n", bc.name.c_str(), fb.note.c_str());
        const std::string frame = "frame " + bc.name + ", " + v.view + ", ";
        rows.push_back(BenchRow{frame + "terrain+labels, compiled vs immediate (" + std::to_string(fb.compiledFrames) +
                                    "/" + std::to_string(fb.immediateFrames) +
                                    " frames, best of each; first compiled frame " + fmt("%.3f s)", fb.firstCompiledS),
                                fb.whole.compiledS, fb.whole.immediateS, fb.whole.identical});
        for (int p = 0; p < FRAME_PARTS; ++p)
            rows.push_back(BenchRow{frame + FRAME_PART_NAMES[p] + " alone", fb.parts[p].compiledS,
                                    fb.parts[p].immediateS, fb.parts[p].identical});
    }
    releaseGlyphAtlas(atlas);
    benchEditFrame(bc.name + " (" + std::to_string(terrain.faces.size()) + " faces, " +
                       std::to_string(labels.size()) + " labels)",
                   terrain, colors, labels, rows);
}

// A module of a real module's size: 41,472 faces with the terrain types of real
// maps, 60 parties and 100 labels of 14 letters. Like a real map it spends its
// faces on the land in the middle: the start view shows 41% of them, as on a real
// module's map, where a uniform grid shows 22%. Only its frames are measured.
void runRealSizeCase(const fs::path& root, std::vector<BenchRow>& rows) {
    MapGenParams params;
    params.gridX = params.gridY = 144;
    params.seed = 7;
    params.box = MapBox{-500, -500, 500, 500};
    params.maxHeight = 40;
    params.hills = 25;
    params.realTerrain = true;
    params.centreDetail = 3.5f;
    BenchCase bc;
    TerrainMesh terrain;
    LabelList labels;
    std::printf("== real-size case\n");
    std::fflush(stdout);
    if (!writeModule(root / "real-size", params, 100, 14, bc) ||
        !readTerrainMesh(terrain, (bc.moduleDir / "map.txt").string()) || !loadDrawingLabels(bc, terrain, labels)) {
        rows.push_back(BenchRow{"edit frame real-size (not prepared)", 0, -1, false});
        return;
    }
    std::set<int> types;
    for (const MapFace& f : terrain.faces) types.insert(f.terrainType);
    benchEditFrame("real-size (" + std::to_string(terrain.faces.size()) + " faces, " + std::to_string(types.size()) +
                       " terrain types, " + std::to_string(labels.size()) + " labels)",
                   terrain, TerrainColorTable{}, labels, rows);
}

// --- output ------------------------------------------------------------------

void printTable(const std::vector<BenchRow>& rows) {
    size_t width = 11;
    for (const BenchRow& r : rows) width = std::max(width, r.name.size());
    const int w = static_cast<int>(width);
    std::printf("\n%-*s | %10s | %11s | %8s | %s\n", w, "measurement", "fast s", "reference s", "ratio", "identical");
    std::printf("%s\n", std::string(width + 50, '-').c_str());
    for (const BenchRow& r : rows) {
        std::string ref = r.referenceS < 0 ? "-" : fmt("%.4f", r.referenceS);
        std::string ratio = r.referenceS < 0 || r.fastS <= 0 ? "-" : fmt("%.1fx", r.referenceS / r.fastS);
        std::printf("%-*s | %10.4f | %11s | %8s | %s\n", w, r.name.c_str(), r.fastS, ref.c_str(), ratio.c_str(),
                    r.identical ? "yes" : "NO");
    }
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

bool writeJson(const std::string& path, const std::vector<BenchRow>& rows) {
    std::string out = "[\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const BenchRow& r = rows[i];
        const bool hasRef = r.referenceS >= 0;
        out += "  {\"name\": " + jsonString(r.name) + ", \"fast_s\": " + jsonNumber(r.fastS) +
               ", \"reference_s\": " + (hasRef ? jsonNumber(r.referenceS) : "null") +
               ", \"ratio\": " + (hasRef && r.fastS > 0 ? jsonNumber(r.referenceS / r.fastS) : "null") +
               ", \"identical\": " + (r.identical ? "true" : "false") + "}";
        out += i + 1 < rows.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return replaceFileWith(path, out);
}

// The recovery copy the editor writes between events while labels are unsaved,
// against F2's save of the same labels: both whole-file replacements of the store's
// text, whose bytes must be equal.
void benchRecoveryCopy(const BenchCase& bc, std::vector<BenchRow>& rows) {
    LabelList labels;
    if (!loadCaseLabels(bc, labels)) {
        rows.push_back(BenchRow{"recovery copy " + bc.name + " (no workload)", 0, -1, false});
        return;
    }
    size_t letters = 0;
    for (const Label& label : labels) letters += label.letters.size();
    RecoveryState recovery;
    recovery.path = (bc.workDir / RECOVERY_FILE).string();
    LabelStore store;
    store.path = (bc.workDir / "bench_saved.txt").string();
    bool ok = true;
    const double fastS = bestOf(3, [] {}, [&] { ok = writeRecoveryCopy(recovery, labels, 1, 0).ok && ok; });
    const double refS = bestOf(3, [] {}, [&] { ok = saveLabels(labels, store).ok && ok; });
    std::string copy, saved;
    const bool same = ok && readBinaryFile(recovery.path, copy) && readBinaryFile(store.path, saved) && copy == saved;
    rows.push_back(BenchRow{"recovery copy " + bc.name + ", " + std::to_string(labels.size()) + " labels (" +
                                std::to_string(letters) + " letters) vs F2's save",
                            fastS, refS, same});
}

void runCase(const BenchCase& bc, const std::string& program, std::vector<BenchRow>& rows) {
    std::printf("== %s case in %s\n", bc.name.c_str(), bc.workDir.c_str());
    std::fflush(stdout);
    TerrainMesh terrain;
    if (!benchMapLoad(bc, rows, terrain)) return;
    benchGeometry(bc, terrain, rows);
    benchAtlas(bc, rows);
    benchBatchExport(bc, program, rows);
    benchGroupChoice(bc, terrain, rows);
    benchPreview(bc, program, rows);
    benchRecoveryCopy(bc, rows);
    if (bc.name == "large") benchDrawing(bc, terrain, rows);
}

void usage() {
    std::printf("usage: veltrune-bench [--small] [--json FILE] [--check] [--keep]\n");
}

}  // namespace

int main(int argc, char** argv) {
    bool smallOnly = false, check = false, keep = false;
    std::string jsonPath;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--small") {
            smallOnly = true;
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--keep") {
            keep = true;
        } else if (arg == "--json" && i + 1 < argc) {
            jsonPath = argv[++i];
        } else {
            usage();
            return 2;
        }
    }

    char pattern[] = "/tmp/veltrune-bench.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::printf("cannot create a temporary folder\n");
        return 2;
    }
    const fs::path root = pattern;
    std::error_code ec;
    const std::string program = (fs::read_symlink("/proc/self/exe", ec).parent_path() / "veltrune").string();

    std::vector<BenchRow> rows;
    const double start = now();
    BenchCase small;
    if (makeSmallCase(root, small)) {
        runCase(small, program, rows);
    } else {
        std::printf("cannot prepare the small case\n");
        rows.push_back(BenchRow{"small case (not prepared)", 0, -1, false});
    }
    if (!smallOnly) {
        runRealSizeCase(root, rows);
        BenchCase large;
        std::printf("== generating the large case\n");
        std::fflush(stdout);
        if (makeLargeCase(root, large)) {
            runCase(large, program, rows);
        } else {
            std::printf("cannot prepare the large case\n");
            rows.push_back(BenchRow{"large case (not prepared)", 0, -1, false});
        }
    }

    printTable(rows);
    std::printf("\ntotal %.1f s\n", now() - start);
    if (!jsonPath.empty() && !writeJson(jsonPath, rows)) std::printf("cannot write %s\n", jsonPath.c_str());
    if (keep)
        std::printf("workloads kept in %s\n", root.c_str());
    else
        fs::remove_all(root, ec);

    if (check)
        for (const BenchRow& r : rows)
            if (!r.identical) return 1;
    return 0;
}
