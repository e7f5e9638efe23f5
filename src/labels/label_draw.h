// Drawing of labels in the editor view: the curve, the node markers and handles of
// the selected label, and every letter as a black, alpha-blended textured quad.
#pragma once

#include "atlas/atlas.h"
#include "labels/label.h"

void drawLabel(Label& label, bool selected, int activeNode, const GlyphAtlas& atlas);
void drawNodeMarker(MapPoint p, bool highlighted);
void drawLetter(const LabelLetter& letter, const GlyphAtlas& atlas);
