// The export's letters in the module's formats: the object name of a letter (or
// of a letter group, after its first letter), the mesh of its quads with their
// texture coordinates from the atlas, its icon record and its party record.
#pragma once

#include <span>
#include <string>

#include "atlas/atlas.h"
#include "formats/brf.h"
#include "labels/label.h"

// "map_str_%03d" of the letter's id: its mesh and its icon, and with "p_" its party.
std::string letterObjectName(const LabelLetter& letter);
std::string letterObjectName(int id);
// One mesh of a quad per letter, named after the first letter: 4 vertices and 2
// faces a letter, in the letters' order, each with its own texture coordinates
// and opacity. One letter gives the letter's own mesh.
BrfMesh letterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas);
void writeLetterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas, std::string& out);
void writeLetterMesh(const LabelLetter& letter, const GlyphAtlas& atlas, std::string& out);
// Sets letter.icon = k and appends its icon record.
void writeIconRecord(LabelLetter& letter, std::string& out, int k);
// Appends the party record of letter (number p), whose icon is its representative's.
void writePartyRecord(const LabelLetter& letter, int icon, std::string& out, int p);
// The party record named after the letter with id `id`, standing at anchor, turned by angle.
void writePartyRecord(int id, MapPoint anchor, float angle, int icon, std::string& out, int p);
