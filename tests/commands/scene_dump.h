#pragma once
// Everything the undo history must give back, as text: every field of every
// record in tree order (floats by their bits), the nesting, portal links as
// tree positions, lightmaps, start position, selection and clipboard. Two
// scenes with equal dumps are the same to the last bit. The clipboard is no
// part of the history (undo leaves it as it is), so it can be left out.

#include <bit>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "document/editor.h"
#include "models/md2.h"

namespace qx::test {

inline void DumpFloat(std::string& out, float f) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x ", std::bit_cast<uint32_t>(f));
  out += buf;
}

inline void DumpVector(std::string& out, const Vector& v) {
  DumpFloat(out, v.x);
  DumpFloat(out, v.y);
  DumpFloat(out, v.z);
}

inline void DumpInt(std::string& out, long long v) {
  out += std::to_string(v) + " ";
}

inline std::string DumpScene(const Editor& e, bool with_clipboard = true) {
  std::unordered_map<const TSector*, int> position;
  int next = 0;
  e.Tree.Walk([&](TSector* n) { position[n] = next++; });
  auto pos = [&](const TSector* n) { return n && position.count(n) ? position.at(n) : -1; };
  std::string out;
  e.Tree.Walk([&](TSector* n) {
    int depth = 0;
    for (const TSector* p = n->Parent; p; p = p->Parent) ++depth;
    out += "node ";
    DumpInt(out, depth);
    DumpInt(out, n->Id);
    out += "[" + n->Name + "] ";
    for (long long v : {(long long)n->NodeType,     (long long)n->Kind,          (long long)n->VertexCount,
                        (long long)n->TextureIndex, (long long)n->NoCollision,   (long long)n->Visible,
                        (long long)n->NoInsideTest, (long long)n->NoFrustum,     (long long)n->NoShadow,
                        (long long)n->EnvMapping,   (long long)n->ColorKey,      (long long)n->LightingMode,
                        (long long)n->ObjectType,   (long long)n->TriangleCount, (long long)n->Marked,
                        (long long)n->Shadow,       (long long)n->IsLinked,      (long long)n->LinkedSectorId,
                        (long long)n->ParticleType, (long long)n->ImageIndex})
      DumpInt(out, v);
    DumpVector(out, n->Centroid);
    DumpVector(out, n->BoundsMin);
    DumpVector(out, n->BoundsMax);
    DumpVector(out, n->BoundsCenter);
    DumpVector(out, n->Position);
    DumpFloat(out, n->Heading);
    DumpFloat(out, n->Brightness);
    DumpFloat(out, n->Range);
    DumpFloat(out, n->ParticleSpeed);
    for (float c : n->Color) DumpFloat(out, c);
    out += "link ";
    DumpInt(out, pos(n->LinkedSector));
    out += "loader ";
    if (n->ModelLoader) {
      DumpInt(out, n->ModelLoader->VertexCount());
      DumpInt(out, n->ModelLoader->FrameCount());
      DumpInt(out, n->ModelLoader->TriangleCount());
      for (float f : n->ModelLoader->FramePositions()) DumpFloat(out, f);
    } else {
      out += "none ";
    }
    out += "\n";
    for (const TVertex& v : n->Vertices) {
      out += "  v ";
      DumpInt(out, v.Id);
      DumpVector(out, v.Position);
      for (float c : v.Color) DumpFloat(out, c);
      for (float c : v.TexCoord) DumpFloat(out, c);
      for (float c : v.LightmapCoord) DumpFloat(out, c);
      DumpInt(out, v.Marked);
      out += "\n";
    }
    for (const TTriangle& t : n->Triangles) {
      out += "  t ";
      DumpInt(out, t.V0);
      DumpInt(out, t.V1);
      DumpInt(out, t.V2);
      DumpVector(out, t.Normal);
      DumpFloat(out, t.Distance);
      DumpInt(out, t.LightmapTexture);
      DumpInt(out, t.LightmapIndex);
      out += "\n";
    }
  });
  out += "lightmaps ";
  for (const Lightmap& l : e.LightmapList) {
    DumpInt(out, l.width);
    DumpInt(out, l.height);
    out += std::string(l.rgb.begin(), l.rgb.end()) + " ";
  }
  out += "\nstart ";
  DumpVector(out, e.StartPosition);
  out += "\nselection ";
  for (const TSector* n : e.SelectionList) DumpInt(out, pos(n));
  out += "tree ";
  DumpInt(out, pos(e.TreeSelection));
  out += "vertex ";
  DumpInt(out, pos(e.CurrentVertexNode));
  DumpInt(out, e.CurrentVertexIndex);
  if (with_clipboard) {
    out += "\nclipboard ";
    DumpInt(out, e.ClipboardFilled);
    for (const TSector* n : e.ClipboardList) DumpInt(out, pos(n));
  }
  out += "\n";
  return out;
}

}  // namespace qx::test
