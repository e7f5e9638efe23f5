// Drawing of labels in the editor view: the curve, the node markers and handles of
// the selected label, and every letter as a black, alpha-blended textured quad.
#pragma once

#include "atlas/atlas.h"
#include "labels/label.h"

// nodeRadius: half a node marker's width in map units (a grabbed node's is a third larger).
void drawLabel(Label& label, bool selected, int activeNode, const GlyphAtlas& atlas, float nodeRadius = 0.3f);
void drawNodeMarker(MapPoint p, bool highlighted, float radius = 0.3f);
void drawLetter(const LabelLetter& letter, const GlyphAtlas& atlas);
