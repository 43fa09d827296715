#pragma once
// The demo level the project ships as a first look at the editor: three rooms
// joined by doorways, lit and textured. Built in code (textures included), so
// the repository holds no binary files; quarvex-cli writes it out.

#include <cstdint>
#include <vector>

#include "document/editor.h"
#include "textures/bmp.h"  // EncodeBmp24 for the demo textures

namespace qx {

// The demo's textures, 64 x 64, in library order: stein, holz, fliesen, putz, metall.
std::vector<TTexNode> DemoTextures();

enum DemoTexture : uint16_t { kStone = 0, kWood = 1, kTiles = 2, kPlaster = 3, kMetal = 4 };

// Replaces the editor's scene with the demo, built with the room and doorway
// commands: sectors "Halle" (a plan with a corner cut off), "Gang" and
// "Kammer", tiled and lightmapped, seen from inside, joined by doorways with
// portals linked both ways; each room's own light and two coloured ones, all
// with shadows, a platform casting one, a particle system, an actor and a
// checkpoint; the start position in the hall and the camera above the level.
// Vertex colours are white and lightmaps missing until baked.
void BuildDemoScene(Editor& editor);

}  // namespace qx
