// Letter groups: the export's own records of what it writes, built from a label
// list that it never changes.
//
// buildExportLetters gives every non-space letter of every label its quad on the
// terrain (corners in its own frame, corner heights, anchor and angle) and keeps
// the ground height under its centre. Its id, which names the letter's objects
// ("map_str_%03d"), is its place among all letters of all labels, spaces
// included: the ids of a freshly loaded store, so one set of labels always
// exports the same names. groupLetters(n) then cuts each label's
// non-space letters, in reading order, into groups of up to n (spaces do not
// break a group; no group spans two labels). A group becomes one mesh of a quad
// per letter, one icon and one party, named after its first letter and standing
// at its middle letter (index k / 2 of k) with that letter's angle. Every letter's
// corners are moved into that frame, and its heights made relative to the ground
// under the anchor, so the game draws each letter where a party of its own would
// have put it. With n = 1 every group is one letter, exactly as the letter itself.
//
// Two groups share one mesh when they hold as many letters and every pair of
// letters at the same place has the same shape (sameShape, in the group frame);
// the search and the evening-out of sizes, opacities and heights are those of
// countDuplicates, group for letter.
//
// chooseGroups settles n from the `mesh_letters` setting: a fixed n, or (auto) 1
// when one letter per mesh fits the module's icons, else the smallest n that fits.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "atlas/atlas.h"
#include "labels/label.h"
#include "terrain/terrain.h"

struct ExportLetters {
    // Per label: its non-space letters with their geometry, and the ground under each centre.
    std::vector<std::vector<LabelLetter>> labels;
    std::vector<std::vector<float>> ground;
    int letters = 0;    // non-space letters in all
    std::string trace;  // the "Z=%f " trace of every corner height
};

struct LetterGroup {
    std::vector<LabelLetter> letters;  // corners and corner heights in the group's frame
    MapPoint anchor;                   // the middle letter's anchor and angle
    float angle = 0;
    int representative = -1;  // the group whose mesh and icon this one shows; -1: its own
    int icon = 0;             // set when the icons are written
};

struct GroupPlan {
    int size = 1;                     // n: letters per group at most
    std::vector<LetterGroup> groups;  // label by label, in reading order
    std::vector<size_t> labelStart;   // index of each label's first group, then the group count
    int duplicates = 0;               // groups that show another group's mesh
    int meshes = 0;                   // groups with a mesh of their own
};

ExportLetters buildExportLetters(const LabelList& labels, TerrainMesh& terrain, const GlyphAtlas& atlas,
                                 bool useIndex = true);
GroupPlan groupLetters(const ExportLetters& letters, int n);
// The most non-space letters of one label (at least 1): from this n on, every label is one group.
int longestLabel(const ExportLetters& letters);
// Whether a module of `icons` icons can show `meshes` more: a party shows icons 0 to 255 only.
bool meshesFit(long long icons, int meshes);

struct GroupChoice {
    GroupPlan plan;        // the groups to export; on a stop, those whose numbers the message gives
    bool fits = true;      // false: the export must stop
    int perLabelMeshes = 0;  // the meshes with one group per label, when the export stops
};
// `setting` is the `mesh_letters` value (0: auto). With the module's icon count
// unknown (iconsKnown false), auto means 1 and nothing stops here.
GroupChoice chooseGroups(const ExportLetters& letters, int setting, bool iconsKnown, long long icons);
