#include "document/editor.h"

#include <gtest/gtest.h>

#include "commands/recording_view.h"

namespace qx {
namespace {

using test::RecordingView;

TSector* Quad(Editor& e, TSector* parent, Vector origin) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  for (int i = 0; i < 4; ++i) {
    q->Vertices[i].Id = e.NextId();
    q->Vertices[i].Position = {origin.x + (i & 1) * 10.0f, origin.y + (i >> 1) * 10.0f, origin.z};
  }
  return q;
}

TEST(Editor, NewSceneResetsEverything) {
  Editor e("/opt/quarvex");
  RecordingView view;
  view.Attach(e);
  TSector* s = e.CreateNode(nullptr, kSector);
  s->Id = e.NextId();
  e.SelectionList.push_back(s);
  e.ClipboardList.push_back(s);
  e.ClipboardFilled = true;
  e.GridSize = 7;
  e.DocumentHasFile = true;
  e.LightmapList.push_back({});
  e.NewScene();
  EXPECT_TRUE(e.Tree.Empty());
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_TRUE(e.ClipboardList.empty());
  EXPECT_FALSE(e.ClipboardFilled);
  EXPECT_EQ(e.IdCounter, 0u);
  EXPECT_EQ(e.GridSize, 20);
  EXPECT_EQ(view.grid, "20");
  EXPECT_EQ(e.CameraPosition, (Vector{0, 80, 70}));
  EXPECT_EQ(e.CameraHeading, 180);
  EXPECT_EQ(e.CameraPitch, -60);
  EXPECT_EQ(e.LookDistance, 50);
  EXPECT_EQ(e.DocumentFileName, std::filesystem::path("/opt/quarvex/Unbennant.qxm"));
  EXPECT_FALSE(e.DocumentHasFile);
  EXPECT_EQ(view.caption, "Quarvex v1.0.0 - Unbennant.qxm");
  EXPECT_TRUE(e.LightmapList.empty());
  EXPECT_GE(view.redraws, 1);
  EXPECT_EQ(e.NextId(), 1u);
}

TEST(Editor, IdsInCreationOrder) {
  Editor e;
  e.NewScene();
  TSector* s = e.CreateNode(nullptr, kSector);
  s->Id = e.NextId();
  TSector* q = Quad(e, s, {});
  EXPECT_EQ(s->Id, 1u);
  EXPECT_EQ(q->Id, 2u);
  EXPECT_EQ(q->Vertices[0].Id, 3u);
  EXPECT_EQ(q->Vertices[3].Id, 6u);
  EXPECT_EQ(e.FindById(2), q);
  EXPECT_EQ(e.FindById(99), nullptr);

  e.IdCounter = 0;
  q->Vertices[2].Id = 0xFFFFFFF0u;  // unsigned comparison
  e.RaiseIdCounterToTree();
  EXPECT_EQ(e.IdCounter, 0xFFFFFFF0u);
}

TEST(ComputeBounds, SectorsAndLeaves) {
  Editor e;
  TSector* empty = e.CreateNode(nullptr, kSector);
  empty->BoundsMin = {1, 1, 1};
  ComputeBounds(empty);
  EXPECT_EQ(empty->BoundsMin, Vector{});
  EXPECT_EQ(empty->BoundsMax, Vector{});
  EXPECT_EQ(empty->BoundsCenter, Vector{});

  TSector* lights_only = e.CreateNode(nullptr, kSector);
  TSector* l = e.CreateNode(lights_only, kLight);
  l->Position = {50, 50, 50};
  ComputeBounds(lights_only);
  EXPECT_EQ(lights_only->BoundsMax, Vector{});

  TSector* room = e.CreateNode(nullptr, kSector);
  TSector* q1 = Quad(e, room, {10, 20, 30});
  TSector* inner = e.CreateNode(room, kSector);
  Quad(e, inner, {-50, 0, 0});
  e.CreateNode(room, kLight)->Position = {1000, 1000, 1000};
  ComputeBounds(room);
  EXPECT_EQ(q1->Centroid, (Vector{15, 25, 30}));
  EXPECT_EQ(q1->BoundsCenter, (Vector{15, 25, 30}));
  EXPECT_EQ(room->BoundsMin, (Vector{-50, 0, 0}));
  EXPECT_EQ(room->BoundsMax, (Vector{20, 30, 30}));
  EXPECT_EQ(room->BoundsCenter, (Vector{-15, 15, 15}));

  // An empty child sector counts with its (0,0,0) box.
  TSector* with_empty = e.CreateNode(nullptr, kSector);
  Quad(e, with_empty, {100, 100, 100});
  e.CreateNode(with_empty, kSector);
  ComputeBounds(with_empty);
  EXPECT_EQ(with_empty->BoundsMin, (Vector{0, 0, 0}));
  EXPECT_EQ(with_empty->BoundsMax, (Vector{110, 110, 100}));

  TSector* no_vertices = e.CreateNode(nullptr, kPolygon);
  ComputeBounds(no_vertices);  // must not read vertex 0
  EXPECT_EQ(no_vertices->BoundsMin, Vector{});
}

TEST(SceneTree, StructureAndNotifications) {
  Editor e;
  TSector* a = e.CreateNode(nullptr, kSector);
  TSector* b = e.CreateNode(nullptr, kSector);
  TSector* c = e.CreateNode(a, kPolygon);
  TSector* d = e.CreateNode(a, kLight);
  EXPECT_EQ(e.Tree.InOrder(), (std::vector<TSector*>{a, c, d, b}));
  EXPECT_EQ(e.Tree.NextSibling(c), d);
  EXPECT_EQ(e.Tree.NextSibling(d), nullptr);
  EXPECT_EQ(e.Tree.FirstChild(a), c);
  EXPECT_EQ(c->Parent, a);

  EXPECT_FALSE(e.Tree.Move(a, c)) << "never into its own subtree";
  EXPECT_TRUE(e.Tree.Move(d, nullptr, a));
  EXPECT_EQ(e.Tree.InOrder(), (std::vector<TSector*>{d, a, c, b}));
  EXPECT_TRUE(e.Tree.Move(a, b));
  EXPECT_EQ(a->Parent, b);
  EXPECT_EQ(e.Tree.InOrder(), (std::vector<TSector*>{d, b, a, c}));

  // Selection, clipboard and portal links forget a removed subtree.
  TSector* portal = e.CreateNode(nullptr, kPortal);
  portal->LinkedSector = a;
  portal->IsLinked = 1;
  portal->LinkedSectorId = 42;
  e.SelectionList = {c, d};
  e.ClipboardList = {a};
  e.ClipboardFilled = true;
  e.TreeSelection = c;
  e.Tree.Remove(a);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{d});
  EXPECT_TRUE(e.ClipboardList.empty());
  EXPECT_FALSE(e.ClipboardFilled);
  EXPECT_EQ(e.TreeSelection, nullptr);
  EXPECT_EQ(portal->LinkedSector, nullptr);
  EXPECT_EQ(portal->IsLinked, 0);
  EXPECT_EQ(portal->LinkedSectorId, 42u);
}

TEST(SceneTree, DeepNestingNeedsNoDeepStack) {
  Editor e;
  TSector* parent = nullptr;
  for (int i = 0; i < 200000; ++i) parent = e.CreateNode(parent, kSector);
  ComputeBounds(e.Tree.First());
  EXPECT_EQ(e.Tree.Count(), 200000u);
  e.Tree.Clear();
  EXPECT_TRUE(e.Tree.Empty());
}

TEST(SectorIcon, FollowsNoInsideTest) {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  EXPECT_EQ(s->ImageIndex, 6);
  s->NoInsideTest = 1;
  UpdateSectorIcon(e.Tree, s);
  EXPECT_EQ(s->ImageIndex, 18);
  EXPECT_EQ(DefaultIcon(kCheckpoint), 25);
  EXPECT_EQ(DefaultIcon(kActor), 28);
}

TEST(Settings, BooleanReadRules) {
  struct Store : SettingsStore {
    std::map<std::string, std::string> v;
    std::string ReadString(const std::string& n, const std::string& f) override {
      return v.count(n) ? v[n] : f;
    }
    void WriteString(const std::string& n, const std::string& x) override { v[n] = x; }
  } s;
  s.v = {{"a", "0"}, {"b", "abc"}, {"c", "2"}, {"d", "1"}};
  EXPECT_FALSE(s.ReadBool("a", true));
  EXPECT_TRUE(s.ReadBool("b", true));
  EXPECT_TRUE(s.ReadBool("c", false));
  EXPECT_TRUE(s.ReadBool("missing", true));
  s.WriteBool("e", false);
  EXPECT_EQ(s.v["e"], "0");
}

}  // namespace
}  // namespace qx
