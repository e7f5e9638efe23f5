// veltrune-genmap <outdir> [--grid N] [--seed S] [--icons I] [--labels L --letters K]
//
// Writes a generated module into outdir: "map.txt", "parties.orig.txt" and
// "map_icons.orig.txt" with I icons (6 by default; the last two files with CR LF
// line ends, as the game writes them), and "savedData.txt" when --labels is given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mapgen.h"
#include "platform/platform.h"

namespace {

int usage() {
    std::printf("usage: veltrune-genmap <outdir> [--grid N] [--seed S] [--icons I] [--labels L --letters K]\n");
    return 2;
}

bool number(const char* text, long long lo, long long hi, long long& v) {
    char* end = nullptr;
    v = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && v >= lo && v <= hi;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    if (replaceFileWith(path, bytes)) return true;
    std::printf("cannot write \"%s\"\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return usage();
    std::string dir = argv[1];
    if (dir.back() != '/') dir += '/';
    long long grid = 40, seed = 1, icons = 6, labels = -1, letters = 8;
    for (int i = 2; i < argc; ++i) {
        if (i + 1 >= argc) return usage();
        const char* opt = argv[i];
        const char* val = argv[++i];
        bool ok = false;
        if (!std::strcmp(opt, "--grid")) ok = number(val, 1, 2000, grid);
        else if (!std::strcmp(opt, "--seed")) ok = number(val, 0, 0x7fffffffffffffffll, seed);
        else if (!std::strcmp(opt, "--icons")) ok = number(val, 0, 100000, icons);
        else if (!std::strcmp(opt, "--labels")) ok = number(val, 0, 10000000, labels);
        else if (!std::strcmp(opt, "--letters")) ok = number(val, 0, 10000, letters);
        if (!ok) return usage();
    }
    MapGenParams params;
    params.gridX = params.gridY = static_cast<int>(grid);
    params.seed = static_cast<uint64_t>(seed);
    bool ok = writeFile(dir + "map.txt", generateMapText(params));
    ok = writeFile(dir + "parties.orig.txt", toCrlf(generatePartiesOrig(params.seed, 12, params.box))) && ok;
    ok = writeFile(dir + "map_icons.orig.txt", toCrlf(generateMapIconsOrig(static_cast<int>(icons)))) && ok;
    if (labels >= 0)
        ok = writeFile(dir + "savedData.txt",
                       generateLabelStore(params.seed, static_cast<int>(labels), static_cast<int>(letters), params.box)) &&
             ok;
    return ok ? 0 : 1;
}
