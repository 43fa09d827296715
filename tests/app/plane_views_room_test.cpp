// A closed room built in the 2D views alone, as a user would: squares from
// the context menu, laid down and stretched by dragging their corners onto
// the grid, moved into place, a light, then baked. No axis-lock drag, no
// typed coordinate: where the floor and the four walls meet, they meet
// exactly, each faces into the room, and the light reaches every one of them.

#include <QCheckBox>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "app/plane_views_gui.h"
#include "lighting/lightmap.h"

namespace qx {
namespace {

constexpr PlaneKind kTop = PlaneKind::kTop, kFront = PlaneKind::kFront, kSide = PlaneKind::kSide;

class RoomInPlaneViews : public test::PlaneViewsWindow {
 protected:
  void VertexMode() {
    auto* box = w->findChild<QCheckBox*>("CheckBox1");
    if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(e().VertexMode);
  }
  // A band around the corners from `a` to `b` (8 pixels to spare), then a drag of corner `a` to `to`.
  void MoveEdge(PlaneKind k, const Vector& a, const Vector& b, const Vector& to) {
    const QPoint pa = Px(k, a), pb = Px(k, b);
    Drag(k, QPoint(std::min(pa.x(), pb.x()) - 8, std::min(pa.y(), pb.y()) - 8),
         QPoint(std::max(pa.x(), pb.x()) + 8, std::max(pa.y(), pb.y()) + 8));
    Drag(k, pa, Px(k, to));
  }
  void MoveCorners(PlaneKind k, const Vector& at, const Vector& to) { MoveEdge(k, at, at, to); }
  // A new upright square of the context menu in "Vorne" (x -40..40, y 0..80 at the look-at point's z = 20).
  TSector* NewSquare() {
    Insert(kFront, {0, 40, 0}, "PlaneQuadrat");
    TSector* q = e().TreeSelection;
    EXPECT_EQ(q->NodeType, kPolygon);
    return q;
  }
};

std::vector<Vector> Corners(const TSector* q) {
  std::vector<Vector> c;
  for (const TVertex& v : q->Vertices) c.push_back(v.Position);
  return c;
}

bool HasCorner(const TSector* q, const Vector& p) {
  const auto c = Corners(q);
  return std::find(c.begin(), c.end(), p) != c.end();
}

// The brightest and darkest texel of a polygon's two lightmaps.
std::pair<int, int> TexelRange(const Editor& e, const TSector* q) {
  int lo = 255, hi = 0;
  for (const TTriangle& t : q->Triangles) {
    const Lightmap& m = e.LightmapList.at(size_t(t.LightmapIndex));
    for (size_t i = 0; i < m.rgb.size(); ++i) {
      lo = std::min<int>(lo, m.rgb[i]);
      hi = std::max<int>(hi, m.rgb[i]);
    }
  }
  return {lo, hi};
}

TEST_F(RoomInPlaneViews, FloorAndFourWallsMeetAndAreBakedLit) {
  ASSERT_NEAR(e().CameraTarget.z, 20, 1e-3);  // the look-at point of a new scene
  Insert(kTop, {0, 0, 0}, "PlaneSektor");
  TSector* room = e().TreeSelection;
  ASSERT_EQ(room->NodeType, kSector);

  // The floor: a square inserted upright, laid flat from the side (top corners
  // back to z = -80, bottom corners forward to z = 80), then widened from above.
  Insert(kFront, {0, 0, 0}, "PlaneQuadrat");
  TSector* floor = e().TreeSelection;
  ASSERT_EQ(floor->Vertices[0].Position.z, 20);
  VertexMode();
  MoveCorners(kSide, {0, 40, 20}, {0, 0, -80});
  MoveCorners(kSide, {0, -40, 20}, {0, 0, 80});
  MoveEdge(kTop, {-40, 0, -80}, {-40, 0, 80}, {-80, 0, -80});
  MoveEdge(kTop, {40, 0, -80}, {40, 0, 80}, {80, 0, -80});

  // The back wall: moved from z = 20 to -80 from above, widened from the front.
  TSector* back = NewSquare();
  Drag(kTop, Vector{0, 0, 20}, Vector{0, 0, -80});
  VertexMode();
  MoveEdge(kFront, {-40, 80, 0}, {-40, 0, 0}, {-80, 80, 0});
  MoveEdge(kFront, {40, 80, 0}, {40, 0, 0}, {80, 80, 0});

  // The front wall must face the other way: its two sides change places.
  TSector* front = NewSquare();
  Drag(kTop, Vector{0, 0, 20}, Vector{0, 0, 80});
  VertexMode();
  MoveEdge(kFront, {-40, 80, 0}, {-40, 0, 0}, {80, 80, 0});
  MoveEdge(kFront, {40, 80, 0}, {40, 0, 0}, {-80, 80, 0});

  // The side walls: turned from above by taking each end to its corner of the room.
  TSector* left = NewSquare();
  VertexMode();
  MoveCorners(kTop, {-40, 0, 20}, {-80, 0, 80});
  MoveCorners(kTop, {40, 0, 20}, {-80, 0, -80});
  TSector* right = NewSquare();
  VertexMode();
  MoveCorners(kTop, {-40, 0, 20}, {80, 0, -80});
  MoveCorners(kTop, {40, 0, 20}, {80, 0, 80});

  Insert(kFront, {0, 40, 0}, "PlaneLichtquelle");
  TSector* light = e().TreeSelection;
  ASSERT_EQ(light->NodeType, kLight);
  EXPECT_EQ(light->Position.y, 40);
  EXPECT_EQ(light->Position.z, 20);
  Shot("room_four_views.png");

  // A closed box: every corner of the room is a corner of the floor or the
  // ceiling edge, and shared by exactly the surfaces that meet there.
  const std::vector<TSector*> walls{back, front, left, right};
  ASSERT_EQ(room->Children.size(), 6u);
  for (float x : {-80.f, 80.f})
    for (float z : {-80.f, 80.f}) {
      const Vector bottom{x, 0, z}, top{x, 80, z};
      EXPECT_TRUE(HasCorner(floor, bottom)) << x << " " << z;
      int walls_at_bottom = 0, walls_at_top = 0;
      for (TSector* wall : walls) {
        walls_at_bottom += HasCorner(wall, bottom);
        walls_at_top += HasCorner(wall, top);
      }
      EXPECT_EQ(walls_at_bottom, 2) << x << " " << z;
      EXPECT_EQ(walls_at_top, 2) << x << " " << z;
    }
  // Each surface faces the middle of the room.
  const Vector middle{0, 40, 0};
  for (TSector* s : {floor, back, front, left, right}) {
    ComputeBounds(s);
    for (const TTriangle& t : s->Triangles) {
      const Vector to_middle = VectorSubtract(middle, s->Centroid);
      EXPECT_GT(VectorDotD(t.Normal, to_middle), 0) << s->Name;
      EXPECT_NEAR(VectorLengthD(t.Normal), 1, 1e-6);
    }
  }
  EXPECT_GT(floor->Triangles[0].Normal.y, 0.999);

  // Baked: every surface is lit above the unlit start, the floor most right below the light.
  test::AnswerLightmapSize16();
  Do("ToolButton9");
  ASSERT_FALSE(e().LightmapList.empty());
  for (TSector* s : {floor, back, front, left, right}) {
    const auto [lo, hi] = TexelRange(e(), s);
    EXPECT_GT(hi, kLumelStart + 20) << s->Name;
    EXPECT_GE(lo, kLumelStart) << s->Name;
  }
  EXPECT_GT(TexelRange(e(), floor).second, 200);
  EXPECT_NE(floor->Triangles[0].LightmapTexture, 0u);
  // The whole room is one undo step per insert and per drag, none of them lost.
  EXPECT_GE(e().History.UndoCount(), 20u);
  EXPECT_TRUE(e().IsModified());
  Shot("room_baked.png");
}

}  // namespace
}  // namespace qx
