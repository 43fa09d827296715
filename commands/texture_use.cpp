#include "commands/texture_use.h"

namespace qx {

namespace {

bool UsesTexture(const TSector& n) {
  return n.NodeType == kPolygon || n.NodeType == kModel;
}

}  // namespace

int CountTextureUsers(const SceneTree& tree, int index) {
  int users = 0;
  tree.Walk([&](TSector* n) { users += UsesTexture(*n) && n->TextureIndex == index; });
  return users;
}

std::string RemoveUsedTextureQuestion(int users) {
  const std::string who = users == 1 ? "einem Knoten" : std::to_string(users) + " Knoten";
  return "Die Textur wird von " + who + " benutzt, " + (users == 1 ? "der" : "die") +
         " danach keine Textur mehr " + (users == 1 ? "zeigt" : "zeigen") + ". Trotzdem löschen?";
}

bool RemoveTextureKeepingPictures(Document& document, int index) {
  const int count = document.Textures.Count();
  if (!document.Textures.Remove(index)) return false;
  document.Tree.Walk([&](TSector* n) {
    if (!UsesTexture(*n)) return;
    const int used = n->TextureIndex;
    if (used < index || used >= count) return;
    n->TextureIndex = used == index ? kNoTexture : static_cast<uint16_t>(used - 1);
    document.Changed(n, kChangeAppearance);
  });
  return true;
}

}  // namespace qx
