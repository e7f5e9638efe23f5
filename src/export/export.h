// The export into the module: the BRF resource, "map_icons.txt", "parties.txt"
// and the DDS letter texture, in four independent steps each reported by one
// message. Every file is written beside its old version and renamed into place.
#pragma once

#include "atlas/atlas.h"
#include "config/config.h"
#include "labels/label.h"
#include "overlay/message_log.h"
#include "terrain/terrain.h"

int exportModule(LabelList& labels, TerrainMesh& terrain, GlyphAtlas& atlas,
                 const AppConfig& config, MessageLog& log);
