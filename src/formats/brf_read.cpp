#include "formats/brf_read.h"

#include <cstring>

#include "platform/text_format.h"

namespace {

// A cursor over the bytes; the first failure stops every later read.
struct BrfCursor {
    const std::string& bytes;
    size_t pos = 0;
    std::string fault;

    bool fail(const std::string& why) {
        if (fault.empty()) fault = why;
        return false;
    }
    bool ok() const { return fault.empty(); }
    size_t left() const { return bytes.size() - pos; }

    bool word(uint32_t& value) {
        if (!ok()) return false;
        if (left() < 4) return fail(formatText("it is cut short at byte %zu", bytes.size()));
        value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[pos + static_cast<size_t>(i)]);
        pos += 4;
        return true;
    }
    bool number(float& value) {
        uint32_t bits = 0;
        if (!word(bits)) return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // A count of records of at least recordBytes each: it must fit in the bytes left.
    bool count(int& value, size_t recordBytes, const char* what) {
        uint32_t w = 0;
        if (!word(w)) return false;
        value = static_cast<int>(w);
        if (value < 0) return fail(formatText("a %s count at byte %zu is negative", what, pos - 4));
        if (static_cast<size_t>(value) > left() / recordBytes)
            return fail(formatText("it is cut short: %d %s at byte %zu need more than the %zu bytes left", value,
                                   what, pos - 4, left()));
        return true;
    }
    bool text(std::string& value) {
        int length = 0;
        if (!count(length, 1, "string byte")) return false;
        value.assign(bytes, pos, static_cast<size_t>(length));
        pos += static_cast<size_t>(length);
        return true;
    }
    bool skipTexts(int n) {
        std::string ignored;
        for (int i = 0; i < n; ++i)
            if (!text(ignored)) return false;
        return true;
    }
    bool skipWords(int n) {
        uint32_t ignored = 0;
        for (int i = 0; i < n; ++i)
            if (!word(ignored)) return false;
        return true;
    }
};

// A name fit for a message: printable ASCII, at most 40 characters.
std::string shown(const std::string& name) {
    std::string out;
    for (char c : name.substr(0, 40)) out += c >= 32 && c < 127 ? c : '?';
    return out;
}

bool readMesh(BrfCursor& in, BrfMesh& mesh) {
    if (!in.text(mesh.name) || !in.skipWords(1) || !in.text(mesh.material)) return false;
    int n = 0;
    if (!in.count(n, 12, "positions")) return false;
    mesh.positions.resize(static_cast<size_t>(n));
    for (BrfPosition& p : mesh.positions)
        if (!in.number(p.x) || !in.number(p.y) || !in.number(p.z)) return false;
    int records = 0;
    if (!in.skipWords(2) || !in.count(records, 36, "vertex records")) return false;
    mesh.vertices.resize(static_cast<size_t>(records));
    for (BrfVertex& v : mesh.vertices) {
        uint32_t position = 0;
        if (!in.word(position) || !in.word(v.colour) || !in.skipWords(3) || !in.number(v.u) || !in.number(v.v) ||
            !in.skipWords(2))
            return false;
        if (position >= static_cast<uint32_t>(n))
            return in.fail(formatText("mesh \"%s\" has a vertex record naming position %u of %d",
                                      shown(mesh.name).c_str(), position, n));
        v.position = static_cast<int>(position);
    }
    int faces = 0;
    if (!in.count(faces, 12, "faces")) return false;
    mesh.faces.resize(static_cast<size_t>(faces) * 3);
    for (int& index : mesh.faces) {
        uint32_t w = 0;
        if (!in.word(w)) return false;
        if (w >= static_cast<uint32_t>(records))
            return in.fail(formatText("mesh \"%s\" has a face naming vertex record %u of %d",
                                      shown(mesh.name).c_str(), w, records));
        index = static_cast<int>(w);
    }
    return true;
}

}  // namespace

bool parseBrf(const std::string& bytes, std::vector<BrfMesh>& meshes, std::string& error) {
    meshes.clear();
    BrfCursor in{bytes, 0, {}};
    std::string section;
    while (in.ok()) {
        const size_t at = in.pos;
        if (!in.text(section)) break;
        if (section == "end") return true;
        int records = 0;
        if (section == "texture") {
            if (!in.count(records, 8, "textures")) break;
            for (int i = 0; i < records; ++i) in.skipTexts(1), in.skipWords(1);
        } else if (section == "material") {
            if (!in.count(records, 48, "materials")) break;
            for (int i = 0; i < records; ++i) in.skipTexts(1), in.skipWords(1), in.skipTexts(6), in.skipWords(4);
        } else if (section == "mesh") {
            if (!in.count(records, 32, "meshes")) break;
            for (int i = 0; i < records && in.ok(); ++i) {
                BrfMesh mesh;
                if (readMesh(in, mesh)) meshes.push_back(std::move(mesh));
            }
        } else {
            in.fail(formatText("it has an unknown section \"%s\" at byte %zu", shown(section).c_str(), at));
        }
    }
    if (in.fault.empty()) in.fail("it ends without its \"end\"");
    error = in.fault;
    return false;
}
