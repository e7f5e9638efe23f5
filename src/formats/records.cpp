#include "formats/records.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/text_format.h"
#include "platform/platform.h"

bool readTextLine(TextLineReader& in, std::string& line) {
    line.clear();
    if (!in.text || in.pos >= in.text->size()) return false;
    const std::string& text = *in.text;
    size_t end = text.find('\n', in.pos);
    if (end == std::string::npos) {
        // A last line without a line end is still a line.
        line.assign(text, in.pos, std::string::npos);
        in.pos = text.size();
    } else {
        line.assign(text, in.pos, end - in.pos);
        in.pos = end + 1;
    }
    return true;
}

bool copyTextLine(TextLineReader& in, std::string& out) {
    std::string line;
    if (!readTextLine(in, line)) return false;
    out += line;
    out += '\n';
    return true;
}

int leadingInt(const std::string& line) {
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    int value = 0;
    return parseDecimalInt(p, end, value) ? value : 0;
}

bool parsePartyPositions(std::vector<MapPoint>& positions, const std::string& text) {
    TextLineReader in{&text, 0};
    std::string line;
    if (!readTextLine(in, line)) return true;  // an empty file lists no parties
    int count = readTextLine(in, line) ? leadingInt(line) : 0;
    // Every party takes lines of the text, so the loop ends with the text however
    // large the count claims to be.
    for (int i = 0; i < count; ++i) {
        if (!readTextLine(in, line)) return false;
        int a, b, c;
        char s1[256], s2[256];
        unsigned u;
        int d[8];
        float x, y;
        int fields = std::sscanf(line.c_str(), " %d %d %d %255s %255s %u %d %d %d %d %d %d %d %d %f %f", &a, &b,
                                 &c, s1, s2, &u, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7], &x, &y);
        if (fields < 16) return false;
        bool hidden = (x == 1.0f && y == 1.0f) || (x == 0.0f && y == 0.0f);
        if (!hidden) positions.push_back(MapPoint{x, y});
        if (!readTextLine(in, line)) return false;  // the party's second line
    }
    return true;
}

bool readPartyPositions(std::vector<MapPoint>& positions, const std::string& path) {
    std::string text;
    if (!readTextFile(path, text)) return false;
    return parsePartyPositions(positions, text);
}

std::string exportedRecordIn(const std::string& text, bool parties) {
    // The id is a party line's fourth field, the name an icon line's first.
    const int field = parties ? 3 : 0;
    const std::string prefix = parties ? "p_map_str_" : "map_str_";
    TextLineReader in{&text, 0};
    std::string line;
    while (readTextLine(in, line)) {
        size_t at = 0;
        for (int k = 0;; ++k) {
            const size_t begin = line.find_first_not_of(" \t\r", at);
            if (begin == std::string::npos) break;
            at = std::min(line.find_first_of(" \t\r", begin), line.size());
            if (k < field) continue;
            if (line.compare(begin, prefix.size(), prefix) == 0) return line.substr(begin, at - begin);
            break;
        }
    }
    return std::string();
}

void appendIconRecord(const std::string& name, std::string& out) {
    out += formatText("%s %d %s %f 0 0 0 0 0\n\n\n", name.c_str(), 1, name.c_str(), 1.0);
}

void appendPartyRecord(const std::string& name, MapPoint anchor, float angle, int icon, std::string& out, int p) {
    double x = anchor.x, y = anchor.y;
    float turned = angle + 4.712389f;
    out += formatText(" 1 %d %d p_%s _ %u 0 0 3 0 0 0 0 0 %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f 0.0 0 \n%f\n", p,
                      p, name.c_str(), static_cast<unsigned>(icon) | 0x84400u, x, y, x, y, x, y,
                      static_cast<double>(turned));
}
