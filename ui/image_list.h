#pragma once
// The one image list of the main window: the scene tree's icons (by the
// node's ImageIndex) and the tool bar's pictures. All pictures are drawn
// here, 16 x 16, so no image files are needed.

#include <QIcon>
#include <QPixmap>

namespace qx {

// Indices used by the tool bar (the tree uses those of scene/node.h).
enum ToolImage : int {
  kImageNew = 0,
  kImageOpen = 1,
  kImageSave = 2,
  kImageSaveAs = 3,
  kImageExport = 4,
  kImageBake = 5,
  kImageAxisX = 9,
  kImageAxisY = 10,
  kImageAxisZ = 11,
  kImageMove = 12,
  kImageRotate = 13,
  kImageParent = 14,
  kImageChild = 15,
  kImageRotate90 = 16,
  kImageTexRotate = 19,
  kImageTexMirror = 20,
  kImageLightmaps = 21,
  kImagePortals = 22,
  kImageInvisible = 23,
  kImageMarkers = 26,
  kImagePlay = 29,  // "Testen"
};

inline constexpr int kImageCount = 30;

QPixmap ImageListPixmap(int index);  // an empty picture for an unused index
QIcon ImageListIcon(int index);

// The splash logo, 506 x 45.
QPixmap DrawLogo();

}  // namespace qx
