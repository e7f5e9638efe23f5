// The record loop of "map.txt", shared by the map reader and the sscanf reference
// that the benchmark and the tests check it against. The loop is generic over the
// Reader that converts one number, so both readers apply the same rules of the
// format: the counts, the records, and the message naming the first fault.
//
// A Reader has the members p (the next character) and end, and readInt(int&) and
// readFloat(float&) that skip white space, convert one whole white-space separated
// token and return a MapNumber. The records go into a Mesh with the containers
// `vertices` (of {x, y, z}) and `faces` (with `terrainType` and `corners[3]`): the
// text scanning here knows nothing else of the terrain, whose reader calls it.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>

#include "platform/text_format.h"

namespace maptext {

enum class MapNumber { ok, end, bad, range };

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

inline const char* skipSpace(const char* p, const char* end) {
    while (p < end && isSpace(*p)) ++p;
    return p;
}

inline const char* tokenEnd(const char* p, const char* end) {
    while (p < end && !isSpace(*p)) ++p;
    return p;
}

inline int lineOf(const char* text, const char* at) { return 1 + static_cast<int>(std::count(text, at, '\n')); }

inline std::string numberFault(MapNumber r, const char* text, const char* at, const std::string& what) {
    if (r == MapNumber::end) return "file ends before " + what;
    if (r == MapNumber::range) return formatText("%s on line %d is out of range", what.c_str(), lineOf(text, at));
    return formatText("%s on line %d is not a number", what.c_str(), lineOf(text, at));
}

// Reads a record count (what: "vertex" or "face"); a negative count is a fault.
template <class Reader>
bool readCount(Reader& rd, const char* text, const char* what, int& count, std::string& error) {
    const char* at = skipSpace(rd.p, rd.end);
    const MapNumber r = rd.readInt(count);
    if (r != MapNumber::ok) {
        error = numberFault(r, text, at, formatText("the %s count", what));
        return false;
    }
    if (count < 0) {
        error = formatText("%s count %d is negative", what, count);
        return false;
    }
    return true;
}

// Storage for all records at once, but never more than the rest of the text can
// back (numbers of at least one character and a separator each), so an absurd
// count cannot allocate: the file then ends before the last record.
template <class Reader>
size_t recordCapacity(const Reader& rd, int count, int numbersPerRecord) {
    const size_t backed = static_cast<size_t>(rd.end - rd.p) / (2 * static_cast<size_t>(numbersPerRecord)) + 1;
    return std::min(static_cast<size_t>(count), backed);
}

// Reads n numbers of one record into out, naming the record in a fault.
template <class Reader, class T>
bool readRecord(Reader& rd, const char* text, T* out, int n, const char* what, int i, int count, std::string& error) {
    for (int k = 0; k < n; ++k) {
        const char* at = skipSpace(rd.p, rd.end);
        MapNumber r;
        if constexpr (std::is_same_v<T, float>)
            r = rd.readFloat(out[k]);
        else
            r = rd.readInt(out[k]);
        if (r != MapNumber::ok) {
            error = numberFault(r, text, at, formatText("%s %d of %d", what, i, count));
            return false;
        }
        if constexpr (std::is_same_v<T, float>) {
            if (!std::isfinite(out[k])) {
                error = formatText("%s %d on line %d has a coordinate that is not a finite number", what, i,
                                   lineOf(text, at));
                return false;
            }
        }
    }
    return true;
}

template <class Reader, class Mesh>
bool parseRecords(Reader& rd, Mesh& mesh, const char* text, std::string& error) {
    int nv = 0;
    if (!readCount(rd, text, "vertex", nv, error)) return false;
    mesh.vertices.reserve(recordCapacity(rd, nv, 3));
    for (int i = 0; i < nv; ++i) {
        float xyz[3];
        if (!readRecord(rd, text, xyz, 3, "vertex", i, nv, error)) return false;
        mesh.vertices.push_back({xyz[0], xyz[1], xyz[2]});
    }
    int nf = 0;
    if (!readCount(rd, text, "face", nf, error)) return false;
    mesh.faces.reserve(recordCapacity(rd, nf, 6));
    for (int i = 0; i < nf; ++i) {
        int fields[6];
        if (!readRecord(rd, text, fields, 6, "face", i, nf, error)) return false;
        auto& f = mesh.faces.emplace_back();
        f.terrainType = fields[0];
        for (int k = 0; k < 3; ++k) {
            const int idx = fields[3 + k];
            if (idx < 0 || idx >= nv) {
                error = nv > 0 ? formatText("face %d corner %d index %d is not a vertex (0..%d)", i, k, idx, nv - 1)
                               : formatText("face %d corner %d index %d is not a vertex (the map has none)", i, k, idx);
                return false;
            }
            f.corners[k] = idx;
        }
    }
    return true;
}

// The vertices and faces of map text, appended to the mesh's (empty) containers.
template <class Reader, class Mesh>
bool parseMapRecords(Mesh& mesh, const char* text, size_t size, std::string& error) {
    error.clear();
    Reader rd;
    rd.p = text;
    rd.end = text + size;
    return parseRecords(rd, mesh, text, error);
}

}  // namespace maptext
