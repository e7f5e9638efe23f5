// Map icons and parties: the line reader shared by the orig files, the reader of
// the module's party positions, and the icon and party records the export writes.
//
// Text is held in memory with LF line ends; the export converts what it writes to
// CR LF. A last line without a line end is still a line, and lines have no length limit.
#pragma once

#include <string>

#include <vector>

#include "terrain/terrain.h"

struct TextLineReader {
    const std::string* text = nullptr;
    size_t pos = 0;
};

// The next line without its line end; false at the end of the text.
bool readTextLine(TextLineReader& in, std::string& line);
// Reads one line and appends it with "\n" to out; false at the end of the text.
bool copyTextLine(TextLineReader& in, std::string& out);
// The leading decimal integer of a line, 0 if there is none.
int leadingInt(const std::string& line);

// A module's orig list ("parties.orig.txt", "map_icons.orig.txt"): its header
// line, the count its second line begins with, and where its records begin.
struct OrigList {
    std::string text;
    std::string header;
    long long count = 0;
    size_t records = 0;  // offset in text of the line after the count line
};
// False when the file is missing or ends before its count line.
bool readOrigList(const std::string& path, OrigList& list);

// Reads "parties.orig.txt" and appends the shown party positions and, when names
// is given, each one's id and name (the same count as the positions appended).
bool readPartyPositions(std::vector<MapPoint>& positions, const std::string& path,
                        std::vector<PartyName>* names = nullptr);
bool parsePartyPositions(std::vector<MapPoint>& positions, const std::string& text,
                         std::vector<PartyName>* names = nullptr);

// One party of a parties file, as the game reads it.
struct PartyRecord {
    int icon = 0;  // the low 8 bits of the party's flags
    float x = 0, y = 0;
    float angle = 0;  // the rotation on the party's second line, radians
};
// The parties of a parties file (header line, count line, two lines a party).
bool parseParties(const std::string& text, std::vector<PartyRecord>& parties, std::string& error);
// The mesh name of each icon of a map icons file, by icon number. Reading stops
// at the first record it cannot follow; the icons after it name no mesh.
std::vector<std::string> parseIconMeshes(const std::string& text);

// The name of the first record an export wrote into a module list: in a party
// list a party whose id begins with "p_map_str_", in an icon list an icon whose
// name begins with "map_str_". Empty when the list holds none: it is the
// module's own.
std::string exportedRecordIn(const std::string& text, bool parties);

// Appends the icon record `name` showing the mesh of the same name, and two empty lines.
void appendIconRecord(const std::string& name, std::string& out);
// Appends party number p, "p_" + name, standing at anchor, turned by angle, showing icon.
void appendPartyRecord(const std::string& name, MapPoint anchor, float angle, int icon, std::string& out, int p);
