// Two rooms drawn in "Oben" with the mouse, one corner by corner, one as a
// dragged rectangle, joined by a doorway, baked: lit from inside, the portals
// linked both ways, each step undone in turn. With QX_SHOT_DIR set, the
// README's picture of the two rooms is left there.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <iostream>

#include "app/plane_views_gui.h"
#include "commands/room_commands.h"
#include "lighting/lightmap.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

constexpr PlaneKind kTop = PlaneKind::kTop;

std::pair<int, int> TexelRange(const Editor& e, const TSector* q) {
  int lo = 255, hi = 0;
  for (const TTriangle& t : q->Triangles)
    for (uint8_t b : e.LightmapList.at(size_t(t.LightmapIndex)).rgb)
      lo = std::min<int>(lo, b), hi = std::max<int>(hi, b);
  return {lo, hi};
}

bool AllAtX(const TSector* q, float x) {
  for (const TVertex& v : q->Vertices)
    if (v.Position.x != x) return false;
  return true;
}

class RoomsInPlaneViews : public test::PlaneViewsWindow {
 protected:
  // "Raum zeichnen" from the context menu of "Oben".
  void StartDrawing() {
    Insert(kTop, {0, 0, 100}, "PlaneRaumzeichnen");
    ASSERT_TRUE(View(kTop)->Drawing().Active());
  }
  // A click a few pixels off the point: the grid takes it there.
  void ClickNear(const Vector& p) { Click(kTop, Px(kTop, p, 2, -3)); }
  std::vector<TSector*> Rooms() {
    std::vector<TSector*> out;
    for (const auto& n : e().Tree.TopLevel()) out.push_back(n.get());
    return out;
  }
};

TEST_F(RoomsInPlaneViews, TwoDrawnRoomsJoinedByADoorwayBakeLitAndUndoStepByStep) {
  // The demo's textures: rooms take the one selected on the page "Texturen".
  test::WriteDemoFiles(dir.path());
  w->OpenTextureLibraryFile(dir / "demo.tex");
  // Room a: four clicks and a click on the first corner.
  StartDrawing();
  for (const Vector& p : {Vector{-100, 0, -60}, Vector{0, 0, -60}, Vector{0, 0, 60}, Vector{-100, 0, 60}})
    ClickNear(p);
  EXPECT_EQ(View(kTop)->Drawing().Corners().size(), 4u);
  ClickNear({-100, 0, -60});
  ASSERT_FALSE(View(kTop)->Drawing().Active());
  ASSERT_EQ(Rooms().size(), 1u);
  TSector* a = Rooms()[0];
  EXPECT_EQ(e().TreeSelection, a);
  EXPECT_EQ(e().History.UndoName(), "Raum");

  // Room b: one drag, from a's corner (snapped onto it) to the far corner.
  StartDrawing();
  Drag(kTop, Px(kTop, {0, 0, -60}, 3, 2), Px(kTop, {100, 0, 60}, 1, -2));
  ASSERT_FALSE(View(kTop)->Drawing().Active());
  ASSERT_EQ(Rooms().size(), 2u);
  TSector* b = Rooms()[1];
  EXPECT_EQ(b->Parent, nullptr) << "drawn beside room a, not inside it";
  for (TSector* room : {a, b}) {
    size_t floors = 0, walls = 0, lights = 0;
    for (const auto& c : room->Children) {
      floors += c->Name == kFloorName;
      walls += c->Name == kWallName;
      lights += c->NodeType == kLight;
    }
    EXPECT_EQ(floors, 1u);
    EXPECT_EQ(walls, 4u);
    EXPECT_EQ(lights, 1u);
  }

  // The doorway: a's wall on x = 0 chosen in the tree, "Durchgang..." from the menu.
  TSector* wall = nullptr;
  for (const auto& c : a->Children)
    if (c->Name == kWallName && AllAtX(c.get(), 0)) wall = c.get();
  ASSERT_NE(wall, nullptr);
  w->Tree()->expand(w->TreeModel()->IndexOf(a));
  const QRect row = w->Tree()->visualRect(w->TreeModel()->IndexOf(wall));
  QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_EQ(e().TreeSelection, wall);
  bool asked = false;
  test::WhenModal("DurchgangForm", [&](QWidget* d) {
    asked = true;
    EXPECT_EQ(d->findChild<QDoubleSpinBox*>("DoorWidth")->value(), 40) << "two grid steps";
    EXPECT_EQ(d->findChild<QDoubleSpinBox*>("DoorHeight")->value(), 80) << "four grid steps";
    d->findChild<QDoubleSpinBox*>("DoorHeight")->setValue(60);
    auto* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  Do("Durchgang1");
  ASSERT_TRUE(asked);
  EXPECT_EQ(e().History.UndoName(), "Durchgang");
  std::vector<TSector*> portals;
  e().Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPortal) portals.push_back(n);
  });
  ASSERT_EQ(portals.size(), 2u);
  EXPECT_EQ(portals[0]->Parent, a);
  EXPECT_EQ(portals[0]->LinkedSector, b);
  EXPECT_EQ(portals[1]->Parent, b);
  EXPECT_EQ(portals[1]->LinkedSector, a);

  // Baked at 16 x 16: floors and walls lit from inside.
  test::AnswerLightmapSize16();
  Do("ToolButton9");
  ASSERT_FALSE(e().LightmapList.empty());
  for (TSector* room : {a, b})
    for (const auto& c : room->Children) {
      if (c->NodeType != kPolygon || c->Name == kCeilingName) continue;
      const auto [lo, hi] = TexelRange(e(), c.get());
      // The walls either side of the doorway stand back to back in one plane:
      // lit too, each from its own room.
      EXPECT_GT(hi, kLumelStart + 20) << c->Name << " " << c->Id;
      EXPECT_GE(lo, kLumelStart) << c->Name << " " << c->Id;
    }

  // The picture for the README: from inside room a, through the doorway into b.
  e().CameraPosition = {-92, 78, -50};
  e().CameraHeading = 62;
  e().CameraPitch = -12;
  w->Redraw();
  Shot("rooms_doorway.png");

  // Undo takes back the doorway, then each room.
  while (e().History.UndoName() != "Durchgang") ASSERT_TRUE(e().History.Undo());
  Do("Rckgngig1");
  size_t left = 0;
  e().Tree.Walk([&](TSector* n) { left += n->NodeType == kPortal; });
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(e().History.UndoName(), "Raum");
  Do("Rckgngig1");
  EXPECT_EQ(Rooms(), std::vector<TSector*>{a});
  Do("Rckgngig1");
  EXPECT_TRUE(e().Tree.Empty());
}

TEST_F(RoomsInPlaneViews, BackspaceTakesBackEnterClosesEscAbandons) {
  StartDrawing();
  for (const Vector& p : {Vector{0, 0, 0}, Vector{80, 0, 0}, Vector{150, 0, 120}}) ClickNear(p);
  QTest::keyClick(View(kTop), Qt::Key_Backspace);
  ClickNear({80, 0, 60});
  QTest::keyClick(View(kTop), Qt::Key_Return);
  ASSERT_EQ(e().Tree.TopLevel().size(), 1u);
  const TSector* room = e().Tree.First();
  size_t walls = 0;
  for (const auto& c : room->Children) walls += c->Name == kWallName;
  EXPECT_EQ(walls, 3u) << "a triangle";

  StartDrawing();
  ClickNear({-100, 0, 0});
  ClickNear({-40, 0, 0});
  QTest::keyClick(View(kTop), Qt::Key_Escape);
  EXPECT_FALSE(View(kTop)->Drawing().Active());
  ClickNear({-40, 0, 60});  // a plain click again: selects, draws nothing
  EXPECT_EQ(e().Tree.TopLevel().size(), 1u);

  // "Raumhöhe", "Kachelgröße" and "mit Licht" are kept for the next start.
  w->findChild<QSpinBox*>("RoomHeight")->setValue(100);
  w->findChild<QSpinBox*>("TileSize")->setValue(40);
  QTest::mouseClick(w->findChild<QCheckBox*>("RoomLight"), Qt::LeftButton);
  w.reset();
  Start();
  EXPECT_EQ(w->findChild<QSpinBox*>("RoomHeight")->value(), 100);
  EXPECT_EQ(w->findChild<QSpinBox*>("TileSize")->value(), 40);
  EXPECT_FALSE(w->findChild<QCheckBox*>("RoomLight")->isChecked());

  // Chosen while the 2D views are hidden, the command shows them first.
  Do("VierAnsichten1");
  ASSERT_FALSE(View(kTop)->isVisible());
  Do("Raumzeichnen1");
  EXPECT_TRUE(w->Action("VierAnsichten1")->isChecked());
  EXPECT_TRUE(View(kTop)->Drawing().Active());
}

}  // namespace
}  // namespace qx

// "quarvex --bake 16x16 demo.tex demo.qxm", as scripts/run.sh starts it: the
// first picture shows baked light, and the bake is neither a step to undo nor
// a change to save.
namespace qx {
namespace {

TEST(StartupBake, TheOpenedDemoIsLitAtOnce) {
  test::EnsureApp();
  test::TempDir dir;
  test::WriteDemoFiles(dir.path());
  TMain w(QString::fromStdString((dir / "Editor.conf").string()));
  test::FakePrompts prompts;
  w.editor().prompts = &prompts;
  w.SetStartupFiles({QString::fromStdString((dir / "demo.tex").string()),
                     QString::fromStdString((dir / "demo.qxm").string())});
  w.SetStartupBake(LightmapSize{16, 16});
  w.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.StartupDone(); }, 20000));
  if (!w.Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL context";
  ASSERT_EQ(w.editor().Tree.TopLevel().size(), 3u);
  ASSERT_FALSE(w.editor().LightmapList.empty());
  for (const Lightmap& m : w.editor().LightmapList) {
    EXPECT_EQ(m.width, 16);
    EXPECT_EQ(m.height, 16);
  }
  size_t textured = 0;
  w.editor().Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon) textured += n->Triangles[0].LightmapTexture != 0;
  });
  EXPECT_GT(textured, 100u);
  EXPECT_FALSE(w.editor().IsModified());
  EXPECT_FALSE(w.editor().History.CanUndo());
  EXPECT_TRUE(prompts.warnings.empty());
}

}  // namespace
}  // namespace qx
