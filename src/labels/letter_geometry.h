// Each letter's quad on the terrain, for the export and ctrl-d, and the search for
// letters of the same shape that can share one exported mesh.
//
// buildAllLetterGeometry builds, for every non-space letter, its corners in its own
// frame (direction (1, 0)), the corner heights above the terrain under its centre,
// its angle and its anchor. It asks the terrain for five heights per letter, through
// the spatial index or (useIndex false) the linear scan. The "Z=%f " trace of every
// corner height is appended to trace; the caller prints it as one line.
//
// countDuplicates links each letter to a later one of the same shape (label by
// label), evens out their values, and finally re-links every chain to its
// representative, the letter at its end which gets its own mesh and icon.
#pragma once

#include <string>

#include "atlas/atlas.h"
#include "labels/label.h"
#include "terrain/map_transform.h"
#include "terrain/terrain.h"

MapPoint edgeOffset(const LabelLetter& letter, const GlyphAtlas& atlas, int k);
// A letter's quad with its current direction, as offsets from its centre: v along
// the curve toward the start of the text (half the quad's width, g = glyphAspect *
// size * width / 100), e0 to the top edge and -e1 to the bottom edge. Its corners
// are 0 = -v + e0 (top, end side), 1 = -v - e1, 2 = v - e1 and 3 = v + e0.
struct LetterQuad {
    MapPoint v, e0, e1;
};
LetterQuad letterQuad(const LabelLetter& letter, const GlyphAtlas& atlas);
// The x/y box of everything drawLabel draws for the label with its current curve
// (updateCurve): the curve, inside the hull of its four points; a selection's node
// markers and handles, within 0.5 of those points; and every letter's quad.
MapRect labelRect(const Label& label, const GlyphAtlas& atlas);
// True when p lies inside the quad of one of the label's letters as drawLabel
// draws it (spaces included: their quads are drawn too, without ink).
bool letterQuadHolds(const Label& label, const GlyphAtlas& atlas, MapPoint p);
// Returns the ground height under the letter's centre, which its corner heights are relative to.
float buildGeometry(LabelLetter& letter, TerrainMesh& terrain, const GlyphAtlas& atlas,
                    std::string& trace, bool useIndex = true);
void buildAllLetterGeometry(LabelList& labels, TerrainMesh& terrain, const GlyphAtlas& atlas,
                            std::string& trace, bool useIndex = true);
bool sameShape(const LabelLetter& a, const LabelLetter& b);
void mergeDuplicate(LabelLetter& a, LabelLetter& b, LetterRef bRef);
int countDuplicates(LabelList& labels);
// The letter a reference names.
LabelLetter& letterAt(LabelList& labels, LetterRef ref);
const LabelLetter& letterAt(const LabelList& labels, LetterRef ref);
