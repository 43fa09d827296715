#include "cli/demo_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "document/map_document_io.h"
#include "lighting/lightmap.h"

namespace qx {
namespace {

TEST(DemoLevel, BitmapsRoundTripThroughTheDecoderWithRowPadding) {
  for (int width : {1, 2, 3, 4, 5}) {
    RgbImage img;
    img.width = width;
    img.height = 3;
    for (int i = 0; i < width * 3 * 3; ++i) img.rgb.push_back(static_cast<uint8_t>(i * 37 + width));
    const std::vector<uint8_t> file = EncodeBmp24(img);
    const size_t row = (width * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + row * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | file[3] << 8, static_cast<int>(file.size()));
    const std::optional<RgbImage> back = DecodeBmp24(file);
    ASSERT_TRUE(back) << width;
    EXPECT_EQ(back->width, width);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->rgb, img.rgb) << width;
  }
}

TEST(DemoLevel, TexturesAreDecodable24BitBitmaps) {
  const std::vector<TTexNode> textures = DemoTextures();
  ASSERT_EQ(textures.size(), 5u);
  const char* names[] = {"stein", "holz", "fliesen", "putz", "metall"};
  std::set<std::vector<uint8_t>> pictures;
  for (size_t i = 0; i < textures.size(); ++i) {
    EXPECT_EQ(textures[i].TexName, names[i]);
    ASSERT_TRUE(textures[i].HasPixels());
    EXPECT_EQ(textures[i].Width(), 64);
    EXPECT_EQ(textures[i].Height(), 64);
    pictures.insert(textures[i].Pixels().rgb);
  }
  EXPECT_EQ(pictures.size(), 5u);
  EXPECT_EQ(DemoTextures()[2].Bitmap(), textures[2].Bitmap());  // the same on every run
}

TEST(DemoLevel, SceneIsConsistentAndFacesAreSeenFromInside) {
  Editor e;
  BuildDemoScene(e);
  std::set<uint32_t> ids;
  size_t nodes = 0, polygons = 0, portals = 0, lights = 0;
  e.Tree.Walk([&](TSector* n) {
    ++nodes;
    EXPECT_TRUE(ids.insert(n->Id).second) << "node id " << n->Id;
    for (const TVertex& v : n->Vertices) EXPECT_TRUE(ids.insert(v.Id).second) << "vertex id " << v.Id;
    if (n->NodeType == kPolygon) {
      ++polygons;
      EXPECT_LT(n->TextureIndex, 5);
      EXPECT_EQ(n->LightingMode, 0) << "lightmapped, so that shadows show";
      // A room's shell (not the platform inside it) is drawn and lit on the
      // side its normals point to: the inside.
      const TSector* room = n->Parent;
      if (room && !room->Parent) {
        const Vector to_inside = VectorSubtract(room->BoundsCenter, n->Centroid);
        for (const TTriangle& t : n->Triangles)
          EXPECT_GT(VectorDotD(t.Normal, to_inside), 0) << room->Name << " polygon " << n->Id;
      }
    }
    if (n->NodeType == kPortal) {
      ++portals;
      ASSERT_TRUE(n->IsLinked);
      EXPECT_TRUE(e.Tree.Contains(n->LinkedSector));
      EXPECT_EQ(n->LinkedSector->Id, n->LinkedSectorId);
      EXPECT_NE(n->LinkedSector, n->Parent);
    }
    lights += n->NodeType == kLight;
  });
  EXPECT_EQ(e.Tree.TopLevel().size(), 3u);
  EXPECT_GT(polygons, 120u);
  EXPECT_EQ(portals, 4u);
  EXPECT_EQ(lights, 5u);
  EXPECT_EQ(e.IdCounter, *ids.rbegin());
}

TEST(DemoLevel, LightsReachTheWallsAndTheDocumentKeepsTheColours) {
  Editor e;
  BuildDemoScene(e);
  // Every light casts shadows, as a new one does: a face is lit only from the side it faces.
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType == kLight) {
      EXPECT_EQ(n->Shadow, 1) << "light " << n->Id;
    }
  });
  ASSERT_EQ(ComputeLightmaps(e, LightmapSize{}), BakeStatus::kDone);
  double darkest = 1, brightest = 0;
  size_t unlit = 0;
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType != kPolygon) return;
    double polygon_brightest = 0;
    for (const TVertex& v : n->Vertices)
      for (int c = 0; c < 3; ++c) {
        ASSERT_TRUE(std::isfinite(v.Color[c]));
        darkest = std::min<double>(darkest, v.Color[c]);
        brightest = std::max<double>(brightest, v.Color[c]);
        polygon_brightest = std::max<double>(polygon_brightest, v.Color[c]);
      }
    unlit += polygon_brightest < 64 / 255.0 + 0.05;
  });
  EXPECT_EQ(unlit, 0u);                   // no face turns its lit side away from every light
  EXPECT_GE(darkest, 64 / 255.0 - 1e-6);  // nothing darker than the start value
  EXPECT_GT(brightest, 0.9);              // and some walls well lit

  const std::vector<uint8_t> bytes = WriteMapDocument(e);
  MapDocument doc;
  std::string error;
  ASSERT_TRUE(ReadMapDocument(bytes.data(), bytes.size(), doc, &error)) << error;
  EXPECT_EQ(doc.tree.Count(), e.Tree.Count());
  EXPECT_EQ(doc.camera_position, e.CameraPosition);
  EXPECT_EQ(doc.start_position, e.StartPosition);
}

}  // namespace
}  // namespace qx
