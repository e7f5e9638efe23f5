// The reference map reader: each number converted by sscanf.
#include <climits>
#include <cstdio>

#include "bench/reference.h"
#include "terrain/map_text.h"

namespace {

using namespace maptext;
using Num = MapNumber;

// The reference: each number converted by sscanf from the text up to the next
// white space (a conversion never crosses white space, so this is the same as
// scanning the whole buffer, without sscanf measuring the rest of it each call).
struct ScanfReader {
    const char* p = nullptr;
    const char* end = nullptr;
    std::string tok;

    bool token() {
        p = skipSpace(p, end);
        if (p == end) return false;
        tok.assign(p, tokenEnd(p, end));
        return true;
    }

    Num readInt(int& v) {
        if (!token()) return Num::end;
        long long ll = 0;
        int n = 0;
        if (std::sscanf(tok.c_str(), "%lld%n", &ll, &n) != 1 || static_cast<size_t>(n) != tok.size()) return Num::bad;
        if (ll < INT_MIN || ll > INT_MAX) return Num::range;
        v = static_cast<int>(ll);
        p += n;
        return Num::ok;
    }

    Num readFloat(float& v) {
        if (!token()) return Num::end;
        int n = 0;
        if (std::sscanf(tok.c_str(), "%f%n", &v, &n) != 1 || static_cast<size_t>(n) != tok.size()) return Num::bad;
        p += n;
        return Num::ok;
    }
};

}  // namespace

bool parseTerrainMeshScanf(TerrainMesh& mesh, const char* text, size_t size, std::string& error) {
    return fillTerrainMesh(mesh, false,
                           [&](TerrainMesh& m) { return parseMapRecords<ScanfReader>(m, text, size, error); });
}
