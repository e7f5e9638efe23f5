// src/export: from labels to records to files: the letter records and groups,
// the atlas call, the four steps and the icon check. Depends on formats, labels,
// terrain, atlas, config and platform; never on the preview, overlay or app.
//
// The export into the module: the BRF resource, "map_icons.txt", "parties.txt"
// and the DDS letter texture, in four independent steps each reported by one
// message. Every file is written beside its old version and renamed into place.
//
// The export works on records of its own (letter groups) and never changes the
// labels. One mesh, icon and party carries a group of up to `mesh_letters` letters
// of a label; auto keeps one letter a mesh while that fits the module's icons. The
// letters' icons follow the module's own icons, and the game keeps a party's icon
// number in the low 8 bits of its flags, so before anything is written the export
// checks that every letter's icon number lies in 0..255.
#pragma once

#include "atlas/atlas.h"
#include "config/config.h"
#include "labels/label.h"
#include "platform/report.h"
#include "terrain/terrain.h"

// Each step's message in order; after step 1, when the module's "module.ini"
// exists and does not load "map_names", one more saying which line to add.
// Succeeds when every step wrote its file. Fails
// when a step failed, or when nothing was written and one message says why: the
// letters' icon numbers would not fit a party's icon field (0 to 255), or the
// letter atlas could not be built. The "Z=%f " trace of the letters' corner
// heights is appended to trace.
Report exportModule(const LabelList& labels, TerrainMesh& terrain, GlyphAtlas& atlas, const AppConfig& config,
                    std::string& trace);

// The icon count of the module's "map_icons.orig.txt", read as the export reads
// it (the leading integer of its second line); false when the file is missing or
// ends before that line.
bool readOrigIconCount(const AppConfig& config, long long& count);
// How many letter meshes a module of `icons` icons has room for: a party shows
// icons 0 to 255 only.
long long letterIconRoom(long long icons);
