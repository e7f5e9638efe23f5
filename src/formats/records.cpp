#include "formats/records.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/text_format.h"
#include "platform/platform.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Tokens {
    const std::string& text;
    size_t pos = 0;
    bool next(std::string& token) {
        while (pos < text.size() && isBlank(text[pos])) ++pos;
        const size_t start = pos;
        while (pos < text.size() && !isBlank(text[pos])) ++pos;
        token.assign(text, start, pos - start);
        return !token.empty();
    }
    // A non-negative whole number.
    bool count(long long& value) {
        std::string token;
        if (!next(token) || token.size() > 9) return false;
        value = 0;
        for (char c : token) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        return true;
    }
    bool skip(long long n) {
        std::string token;
        for (long long i = 0; i < n; ++i)
            if (!next(token)) return false;
        return true;
    }
};

// One icon record: name, flags, mesh, scale, sound, three offsets, then its
// triggers (interval, operation count, and per operation its code, parameter
// count and parameters).
bool readIcon(Tokens& in, std::string& mesh) {
    long long triggers = 0;
    if (!in.skip(2) || !in.next(mesh) || !in.skip(5) || !in.count(triggers)) return false;
    for (long long t = 0; t < triggers; ++t) {
        long long operations = 0;
        if (!in.skip(1) || !in.count(operations)) return false;
        for (long long o = 0; o < operations; ++o) {
            long long parameters = 0;
            if (!in.skip(1) || !in.count(parameters) || !in.skip(parameters)) return false;
        }
    }
    return true;
}

}  // namespace

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

bool readOrigList(const std::string& path, OrigList& list) {
    if (!readTextFile(path, list.text)) return false;
    TextLineReader in{&list.text, 0};
    std::string countLine;
    if (!readTextLine(in, list.header) || !readTextLine(in, countLine)) return false;
    list.count = leadingInt(countLine);
    list.records = in.pos;
    return true;
}

bool parsePartyPositions(std::vector<MapPoint>& positions, const std::string& text, std::vector<PartyName>* names) {
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
        if (!hidden) {
            positions.push_back(MapPoint{x, y});
            if (names) {
                std::string name = s2;
                std::replace(name.begin(), name.end(), '_', ' ');
                names->push_back(PartyName{s1, std::move(name)});
            }
        }
        if (!readTextLine(in, line)) return false;  // the party's second line
    }
    return true;
}

bool readPartyPositions(std::vector<MapPoint>& positions, const std::string& path, std::vector<PartyName>* names) {
    std::string text;
    if (!readTextFile(path, text)) return false;
    return parsePartyPositions(positions, text, names);
}

bool parseParties(const std::string& text, std::vector<PartyRecord>& parties, std::string& error) {
    parties.clear();
    TextLineReader in{&text, 0};
    std::string line;
    if (!readTextLine(in, line) || !readTextLine(in, line)) {
        error = "it ends before its count line";
        return false;
    }
    const int count = leadingInt(line);
    for (int i = 0; i < count; ++i) {
        int a, b, c;
        char s1[256], s2[256];
        unsigned flags;
        int d[8];
        PartyRecord party;
        if (!readTextLine(in, line)) {
            error = formatText("it ends after %d of its %d parties", i, count);
            return false;
        }
        const int fields =
            std::sscanf(line.c_str(), " %d %d %d %255s %255s %u %d %d %d %d %d %d %d %d %f %f", &a, &b, &c, s1, s2,
                        &flags, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7], &party.x, &party.y);
        if (fields < 16 || !readTextLine(in, line) || std::sscanf(line.c_str(), "%f", &party.angle) != 1) {
            error = formatText("party %d of %d cannot be read", i, count);
            return false;
        }
        party.icon = static_cast<int>(flags & 0xFF);
        parties.push_back(party);
    }
    return true;
}

std::vector<std::string> parseIconMeshes(const std::string& text) {
    std::vector<std::string> meshes;
    TextLineReader lines{&text, 0};
    std::string line;
    if (!readTextLine(lines, line) || !readTextLine(lines, line)) return meshes;
    const int count = leadingInt(line);
    Tokens in{text, lines.pos};
    std::string mesh;
    for (int i = 0; i < count && readIcon(in, mesh); ++i) meshes.push_back(mesh);
    return meshes;
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
