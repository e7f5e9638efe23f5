// The label store "savedData.txt": the user's labels between runs, one line per label.
//
//   v1
//   <count>
//   <text as "%c " per letter, '_' for a space>| <four nodes as " %f %f "> <" %f %d %d %d %d\n": size, visibility, width, italic, spare>
//
// The letters "_" and "|" are written as "|_" and "||": the "|" that ends a text
// is always followed by a blank or a number, so older stores never hold these
// pairs, and a store without such letters is written as it always was.
//
// In version 1 each letter is one byte (ISO 8859-1). A store holding a letter
// above U+00FF is written as version 2: the same layout with the letters in UTF-8
// (a malformed sequence makes its label incomplete). A file without the "v" line
// is version 0: one byte per letter, and its label lines end with size and
// visibility only. Saving writes the whole store beside the old file and renames
// it into place, so a failed save leaves the old store untouched. A damaged store
// loads the labels read completely, says in its report where reading stopped,
// and the next save first keeps the damaged file as "<path>.bak".
#pragma once

#include <string>

#include "labels/label.h"
#include "platform/report.h"

struct LabelStore {
    std::string path = "savedData.txt";
    bool keepBackup = false;  // the loaded file was damaged: keep it as .bak before the next save
    std::string damage;       // how the last load fell short ("label 3 of 7 is incomplete; 2 labels loaded"); empty when whole
    size_t loaded = 0;        // labels the last load read completely
    int stored = -1;          // the label count the file gives; -1 when it could not be read
};

// The message a damaged load gives: "Damaged label store "<path>": <damage>".
std::string storeDamageMessage(const LabelStore& store);

// Saves every label; says "All label saved. Will be loaded at the next run." or
// fails with "Cannot save internal file?!". The caller clears its changed flag on success.
Report saveLabels(const LabelList& labels, LabelStore& store);
// Loads the store into labels (ids renumbered from 0). Fails when the file cannot
// be opened (labels untouched; a file that exists but cannot be read is named).
// A damaged file succeeds with the labels read completely and the damage message.
Report loadLabels(LabelList& labels, LabelStore& store);

// 2 when a letter of the labels lies above U+00FF, else 1.
int storeVersion(const LabelList& labels);
// The whole store as saveLabels writes it (LF line ends).
std::string storeText(const LabelList& labels);
// One label line, appended to out: letters in UTF-8 (version 2) or as one byte each
// (a letter above U+00FF, which no version 1 store holds, still in UTF-8).
void writeLabel(const Label& label, std::string& out, bool utf8 = false);
// Parses the store text into the labels read completely; false with a description
// of where reading stopped in error (empty when the whole file was read). `stored`,
// when given, gets the label count the file gives (-1 when it cannot be read).
bool parseLabelStore(LabelList& labels, const std::string& text, std::string& error, int* stored = nullptr);
