#include "formats/brf.h"

#include <cstring>

#include "platform/platform.h"

namespace {

std::string buildMaterialBlock() {
    std::string b;
    writeBrfString(b, "texture");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_names.dds");
    writeBrfInt(b, 0x000AA000);
    writeBrfString(b, "material");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_names");
    writeBrfInt(b, 0x00000148);
    writeBrfString(b, "tex_mul_color_alpha");
    writeBrfString(b, "map_names");
    for (int i = 0; i < 4; ++i) writeBrfString(b, "none");
    for (int i = 0; i < 4; ++i) writeBrfInt(b, 0);
    return b;
}

}  // namespace

void writeBrfString(std::string& out, const std::string& text) {
    appendU32LE(out, static_cast<uint32_t>(text.size()));
    out += text;
}

void writeBrfInt(std::string& out, int32_t value) { appendU32LE(out, static_cast<uint32_t>(value)); }

void writeBrfFloat(std::string& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendU32LE(out, bits);
}

const std::string& materialBlock() {
    static const std::string block = buildMaterialBlock();
    return block;
}

void writeBrfMesh(const BrfMesh& mesh, std::string& out) {
    writeBrfString(out, mesh.name);
    writeBrfInt(out, 0);
    writeBrfString(out, mesh.material);
    writeBrfInt(out, static_cast<int32_t>(mesh.positions.size()));
    for (const BrfPosition& p : mesh.positions) {
        writeBrfFloat(out, p.x);
        writeBrfFloat(out, p.y);
        writeBrfFloat(out, p.z);
    }
    writeBrfInt(out, 0);
    writeBrfInt(out, 0);
    writeBrfInt(out, static_cast<int32_t>(mesh.vertices.size()));
    for (const BrfVertex& v : mesh.vertices) {
        writeBrfInt(out, v.position);
        appendU32LE(out, v.colour);
        writeBrfFloat(out, 0.0f);
        writeBrfFloat(out, 0.0f);
        writeBrfFloat(out, 1.0f);
        for (int pair = 0; pair < 2; ++pair) {
            writeBrfFloat(out, v.u);
            writeBrfFloat(out, v.v);
        }
    }
    writeBrfInt(out, static_cast<int32_t>(mesh.faces.size() / 3));
    for (int f : mesh.faces) writeBrfInt(out, f);
}
