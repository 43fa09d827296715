// "Level prüfen": each check on a level with exactly its fault, no false
// alarm on sound levels, the fixes, corrupt input, and the live re-check
// against the full one.
#include "commands/level_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "bench/bench_level.h"
#include "cli/demo_level.h"
#include "commands/level_fixes.h"
#include "lighting/lightmap.h"
#include "support/room_fixtures.h"
#include "support/scene_generator.h"

namespace qx {
namespace {

using test::AddBoxRoom;
using test::AddCornerQuad;
using test::AddPointLight;
using test::AddPortalNode;
using test::BuildTwoRooms;
using test::TwoRooms;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::set<std::string> Codes(const std::vector<Finding>& f) {
  std::set<std::string> out;
  for (const Finding& x : f) out.insert(x.code);
  return out;
}

std::string Dump(const std::vector<Finding>& f) {
  std::string s;
  for (const Finding& x : f) s += std::string(SeverityText(x.severity)) + " " + x.code + ": " + x.text + "\n";
  return s;
}

std::vector<Finding> Check(const Editor& e, std::optional<int> textures = 5, bool stale = false) {
  CheckOptions o;
  o.texture_count = textures;
  o.lightmaps_stale = stale;
  return CheckLevel(e.Tree, e.StartPosition, o);
}

TSector* FindNamed(Editor& e, const char* name) {
  TSector* found = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (!found && n->Name == name) found = n;
  });
  return found;
}

// Every record's saved fields as text, by id: what a fix must leave alone.
std::map<uint32_t, std::string> Snapshot(const Editor& e) {
  std::map<uint32_t, std::string> out;
  e.Tree.Walk([&](TSector* n) {
    std::string s = std::to_string(n->NodeType) + "|" + n->Name + "|" + std::to_string(n->IsLinked) + "|" +
                    std::to_string(n->LinkedSector ? n->LinkedSector->Id : 0) + "|" +
                    std::to_string(n->Position.x) + "," + std::to_string(n->Position.y) + "," +
                    std::to_string(n->Position.z) + "|" + std::to_string(n->Parent ? n->Parent->Id : 0);
    for (const TVertex& v : n->Vertices)
      s += "|" + std::to_string(v.Id) + ":" + std::to_string(v.Position.x) + "," +
           std::to_string(v.Position.y) + "," + std::to_string(v.Position.z);
    out[n->Id] = s;
  });
  out[0] = std::to_string(e.StartPosition.x) + "," + std::to_string(e.StartPosition.y) + "," +
           std::to_string(e.StartPosition.z);
  return out;
}

// Ids whose record differs between two snapshots (0: the start position).
std::set<uint32_t> Differences(const std::map<uint32_t, std::string>& a,
                               const std::map<uint32_t, std::string>& b) {
  std::set<uint32_t> out;
  for (const auto& [id, s] : a)
    if (!b.count(id) || b.at(id) != s) out.insert(id);
  for (const auto& [id, s] : b)
    if (!a.count(id)) out.insert(id);
  return out;
}

// ---- No false alarm ----

TEST(LevelCheck, SoundLevelsGiveNoFinding) {
  struct Case {
    const char* name;
    std::function<void(Editor&)> build;
  } cases[] = {
      {"demo",
       [](Editor& e) {
         BuildDemoScene(e);
         e.Textures.ReplaceAll(DemoTextures());
       }},
      {"box room, one quad a side",
       [](Editor& e) {
         TSector* r = AddBoxRoom(e, "Raum", -50, 50, -50, 50, 60);
         AddPointLight(e, r, {0, 30, 0});
         e.StartPosition = {0, 5, 0};
       }},
      {"box room, tiled 3 x 3",
       [](Editor& e) {
         TSector* r = AddBoxRoom(e, "Raum", 0, 170, 0, 130, 75, 3);
         AddPointLight(e, r, {85, 40, 65});
         e.StartPosition = {10, 5, 10};
       }},
      {"L-shaped room",
       [](Editor& e) {
         test::AddLRoom(e);
         e.StartPosition = {50, 5, 150};
       }},
      {"two rooms joined both ways", [](Editor& e) { BuildTwoRooms(e); }},
      {"walls reaching a hundredth below the floor",
       [](Editor& e) {
         BuildTwoRooms(e);
         e.Tree.Walk([](TSector* n) {
           if (n->NodeType == kPolygon && n->Parent->Name == "Wände")
             for (TVertex& v : n->Vertices)
               if (v.Position.y == 0) v.Position.y = -0.01f;
         });
       }},
  };
  for (const Case& c : cases) {
    Editor e;
    c.build(e);
    const std::vector<Finding> f = CheckDocument(e);
    EXPECT_TRUE(f.empty()) << c.name << ":\n" << Dump(f);
  }
}

TEST(LevelCheck, BenchmarkLevelsHaveNoGapsNorBrokenQuads) {
  // Unconnected rooms and a few lights inside the pillars are true findings;
  // nothing about the rooms' surfaces is.
  Editor e;
  test::BuildRoomLevel(e, 9, 36);
  for (const Finding& f : CheckDocument(e))
    EXPECT_TRUE(f.code == "sector.unreachable" || f.code == "light.inwall") << f.code << ": " << f.text;
  Editor bench;
  bench::BuildBenchLevel(bench, 4, 2);  // rooms without ceilings: only their tops are open
  for (const Finding& f : CheckDocument(bench))
    EXPECT_TRUE(f.code == "room.gap" || f.code == "sector.unreachable" || f.code == "light.outside")
        << f.code << ": " << f.text;
}

// ---- One fault each ----

struct FaultCase {
  const char* code;
  Severity severity;
  std::function<void(Editor&, TwoRooms&)> fault;
  CheckOptions options = {5, false};
};

TEST(LevelCheck, EachFaultGivesExactlyItsFinding) {
  const FaultCase cases[] = {
      {"portal.unlinked", Severity::kError,
       [](Editor& e, TwoRooms& r) {  // on the outer wall, with nothing behind it
         AddPortalNode(e, r.left, {{0, 80, 80}, {0, 80, 120}, {0, 0, 120}, {0, 0, 80}});
       }},
      {"portal.badlink", Severity::kError,
       [](Editor& e, TwoRooms& r) {
         TSector* p = AddPortalNode(e, r.left, {{0, 80, 80}, {0, 80, 120}, {0, 0, 120}, {0, 0, 80}});
         p->IsLinked = 1;
         p->LinkedSectorId = 4711;
       }},
      {"portal.oneway", Severity::kWarning, [](Editor& e, TwoRooms& r) { e.Tree.Remove(r.back); }},
      {"portal.oneway", Severity::kWarning,
       [](Editor&, TwoRooms& r) {  // a way back, but at another place
         for (TVertex& v : r.back->Vertices) v.Position.z += 10;
       }},
      {"portal.nonplanar", Severity::kWarning,
       [](Editor&, TwoRooms& r) { r.there->Vertices[0].Position.x += 0.3f; }},
      {"portal.outside", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         // Into the right room's box, a portal back with it: only the left one is out of place.
         for (TSector* p : {r.there, r.back})
           for (TVertex& v : p->Vertices) v.Position.x += 50;
         e.Tree.Move(r.back, r.right);
       }},
      {"quad.degenerate", Severity::kError,
       [](Editor& e, TwoRooms& r) {
         AddCornerQuad(e, r.left, {50, 1, 50}, {50, 1, 50}, {60, 1, 50}, {60, 1, 60});
       }},
      {"quad.nonplanar", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         AddCornerQuad(e, r.left, {50, 30, 50}, {70, 30, 50}, {50, 30, 70}, {70, 32, 70});
       }},
      {"quad.nonfinite", Severity::kError,
       [](Editor& e, TwoRooms& r) {
         AddCornerQuad(e, r.left, {50, 30, 50}, {70, 30, 50}, {50, 30, 70}, {70, kNaN, 70});
       }},
      {"texture.index", Severity::kError,
       [](Editor& e, TwoRooms&) { FindNamed(e, "Boden")->Children[0]->TextureIndex = 5; }},
      {"model.degenerate", Severity::kError,
       [](Editor& e, TwoRooms& r) {
         test::AddModel(e, r.left,
                        {{50, 30, 50}, {60, 30, 50}, {50, 40, 50}, {70, 30, 50}, {80, 30, 50}, {90, 30, 50}},
                        1);
       }},
      {"model.limit", Severity::kError,
       [](Editor& e, TwoRooms& r) {
         TSector* m = test::AddModel(e, r.left, {{50, 30, 50}, {60, 30, 50}, {50, 40, 50}}, 1);
         m->ResizeVertices(2049);
         for (size_t i = 3; i < m->Vertices.size(); ++i) m->Vertices[i].Position = {50, 30, 50};
       }},
      {"room.gap", Severity::kError,
       [](Editor& e, TwoRooms&) { e.Tree.Remove(FindNamed(e, "Wände")->Children[1].get()); }},
      {"room.gap", Severity::kError,
       [](Editor& e, TwoRooms&) {  // a wall lifted off the floor by a hand's breadth
         for (TVertex& v : FindNamed(e, "Wände")->Children[0]->Vertices)
           if (v.Position.y == 0) v.Position.y = 2;
       }},
      {"room.overlap", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         const TSector* tile = FindNamed(e, "Boden")->Children[0].get();
         AddCornerQuad(e, r.left, tile->Vertices[0].Position, tile->Vertices[1].Position,
                       tile->Vertices[2].Position, tile->Vertices[3].Position);
       }},
      {"room.facing", Severity::kWarning,
       [](Editor& e, TwoRooms&) {
         std::swap(FindNamed(e, "Decke")->Children[0]->Vertices[1],
                   FindNamed(e, "Decke")->Children[0]->Vertices[2]);
       }},
      {"light.outside", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         TSector* l = AddPointLight(e, r.left, {100, 50, -5}, 30);
         l->Shadow = 0;  // it lights the wall's back
       }},
      {"light.unused", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         AddPointLight(e, r.left, {100, 50, 100}, 20);
       }},
      {"light.unused", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         AddPointLight(e, r.left, {100, 50, 100}, 0);
       }},
      {"light.inwall", Severity::kWarning,
       [](Editor& e, TwoRooms& r) {
         TSector* l = AddPointLight(e, r.left, {100, 50, -0.3f}, 30);
         l->Shadow = 0;
       }},
      {"start.outside", Severity::kError,
       [](Editor& e, TwoRooms&) {
         e.StartPosition = {1000, 0, 0};
       }},
      {"sector.unreachable", Severity::kWarning,
       [](Editor& e, TwoRooms&) {
         TSector* far = AddBoxRoom(e, "Fern", 1000, 1100, 0, 100, 50);
         AddPointLight(e, far, {1050, 25, 50});
       }},
      {"lightmaps.stale", Severity::kWarning, [](Editor&, TwoRooms&) {}, {5, true}},
  };
  for (const FaultCase& c : cases) {
    Editor e;
    TwoRooms r = BuildTwoRooms(e);
    ASSERT_TRUE(Check(e).empty()) << Dump(Check(e));
    c.fault(e, r);
    const std::vector<Finding> f = CheckLevel(e.Tree, e.StartPosition, c.options);
    ASSERT_FALSE(f.empty()) << c.code;
    EXPECT_EQ(Codes(f), std::set<std::string>{c.code}) << c.code << ":\n" << Dump(f);
    EXPECT_EQ(f.front().severity, c.severity) << c.code;
    // The finding's first node is the one at fault, named in its text.
    if (!f.front().nodes.empty()) {
      EXPECT_NE(f.front().text.find(NodeLabel(f.front().nodes.front())), std::string::npos) << f.front().text;
      EXPECT_EQ(f.front().ids.front(), f.front().nodes.front()->Id);
    }
  }
}

TEST(LevelCheck, TextsNameTheNodeAsTheEditorDoes) {
  Editor e;
  TwoRooms r = BuildTwoRooms(e);
  r.there->Name = "Gang";
  r.there->Id = 17;
  r.there->IsLinked = 0;
  r.there->LinkedSector = nullptr;
  const std::vector<Finding> f = Check(e);
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f.front().text, "Portal 'Gang' (17) ist mit keinem Sektor verbunden.");
  EXPECT_EQ(f.front().ids, std::vector<uint32_t>{17});
  EXPECT_EQ(f.front().fix, FixKind::kLinkPortal);
}

TEST(LevelCheck, ErrorsComeFirst) {
  Editor e;
  TwoRooms r = BuildTwoRooms(e);
  e.Tree.Remove(r.back);           // a warning
  e.StartPosition = {5000, 0, 0};  // an error
  const std::vector<Finding> f = Check(e);
  ASSERT_EQ(f.size(), 2u) << Dump(f);
  EXPECT_EQ(f[0].code, "start.outside");
  EXPECT_EQ(f[1].code, "portal.oneway");
}

// ---- Fixes ----

TEST(LevelFixes, EachFixRemovesItsFindingAndChangesOnlyWhatItFixes) {
  struct Case {
    const char* code;
    std::function<void(Editor&, TwoRooms&)> fault;
    int changed_records;  // records the fix may change or add (the start position counts as one)
  } cases[] = {
      {"portal.unlinked",
       [](Editor&, TwoRooms& r) {
         r.there->IsLinked = 0;
         r.there->LinkedSector = nullptr;
         r.there->Name = "Portal";
       },
       1},
      {"portal.oneway", [](Editor& e, TwoRooms& r) { e.Tree.Remove(r.back); }, 1},
      {"quad.degenerate",
       [](Editor& e, TwoRooms& r) {
         AddCornerQuad(e, r.left, {50, 1, 50}, {50, 1, 50}, {60, 1, 50}, {60, 1, 60});
       },
       1},
      {"room.facing",
       [](Editor& e, TwoRooms&) {
         TSector* wall = FindNamed(e, "Wände")->Children[2].get();
         std::swap(wall->Vertices[1], wall->Vertices[2]);
       },
       1},
      {"light.inwall",
       [](Editor& e, TwoRooms& r) {
         AddPointLight(e, r.left, {100, 50, -0.3f}, 30)->Shadow = 0;
       },
       1},
      {"start.outside",
       [](Editor& e, TwoRooms&) {
         e.StartPosition = {kInf, 0, 0};
       },
       1},
  };
  for (const Case& c : cases) {
    Editor e;
    TwoRooms r = BuildTwoRooms(e);
    c.fault(e, r);
    e.History.Clear();
    std::vector<Finding> f = Check(e);
    ASSERT_TRUE(Codes(f).count(c.code)) << Dump(f);
    std::erase_if(f, [&](const Finding& x) { return x.code != c.code; });
    ASSERT_NE(f.front().fix, FixKind::kNone) << c.code;
    const auto before = Snapshot(e);
    EXPECT_TRUE(FixFinding(e, f.front())) << c.code;
    EXPECT_TRUE(Check(e).empty()) << c.code << ":\n" << Dump(Check(e));
    EXPECT_EQ(int(Differences(before, Snapshot(e)).size()), c.changed_records) << c.code;
    // One undo step brings the fault back.
    ASSERT_TRUE(e.History.Undo()) << c.code;
    EXPECT_EQ(Snapshot(e), before) << c.code;
    EXPECT_TRUE(Codes(Check(e)).count(c.code));
  }
}

TEST(LevelFixes, ReturnPortalIsTheReversedCopyLinkedBack) {
  Editor e;
  TwoRooms r = BuildTwoRooms(e, false);
  TSector* copy = AddReturnPortal(e, r.there);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Parent, r.right);
  EXPECT_EQ(copy->LinkedSector, r.left);
  EXPECT_EQ(copy->Name, "Links");
  ASSERT_EQ(copy->Vertices.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(copy->Vertices[i].Position, r.there->Vertices[3 - i].Position);
  EXPECT_NE(copy->Vertices[0].Id, r.there->Vertices[3].Id);
}

TEST(LevelFixes, AllOfOneKindIsOneStep) {
  Editor e;
  TwoRooms r = BuildTwoRooms(e, false);
  TSector* third = AddBoxRoom(e, "Drei", 400, 600, 0, 200, 100, 2);
  AddPointLight(e, third, {500, 50, 100});
  AddPortalNode(e, r.right, {{400, 80, 80}, {400, 80, 120}, {400, 0, 120}, {400, 0, 80}}, third);
  e.History.Clear();
  std::vector<Finding> f = CheckDocument(e);
  ASSERT_EQ(Codes(f), std::set<std::string>{"portal.oneway"}) << Dump(f);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(FixAllOfKind(e, f, "portal.oneway"), 2);
  EXPECT_TRUE(CheckDocument(e).empty()) << Dump(CheckDocument(e));
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), kFixAllCommand);
}

TEST(LevelFixes, BakeAgainMakesTheLightmapsCurrent) {
  Editor e;
  BuildTwoRooms(e);
  LevelChecker checker(e);
  checker.SetActive(true);
  ASSERT_EQ(ComputeLightmaps(e, LightmapSize{4, 4}), BakeStatus::kDone);
  e.PublishChanges();
  EXPECT_TRUE(checker.Findings().empty()) << Dump(checker.Findings());
  TSector* light = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType == kLight) light = n;
  });
  light->Position.y += 5;
  e.Changed(light, kChangeGeometry);
  e.PublishChanges();
  ASSERT_EQ(Codes(checker.Findings()), std::set<std::string>{"lightmaps.stale"});
  // Moved back: the lightmaps match again.
  light->Position.y -= 5;
  e.Changed(light, kChangeGeometry);
  e.PublishChanges();
  EXPECT_TRUE(checker.Findings().empty());
  light->Position.y += 5;
  e.Changed(light, kChangeGeometry);
  e.PublishChanges();
  EXPECT_TRUE(FixFinding(e, checker.Findings().front(), LightmapSize{4, 4}));
  EXPECT_TRUE(checker.Findings().empty()) << Dump(checker.Findings());
}

// ---- Corrupt input ----

TEST(LevelCheck, CorruptInputGivesFindingsNotCrashes) {
  struct Case {
    const char* name;
    std::function<void(Editor&, TwoRooms&)> corrupt;
    const char* expected;  // a code that must be among the findings
  } cases[] = {
      {"NaN wall corner",
       [](Editor& e, TwoRooms&) { FindNamed(e, "Wände")->Children[0]->Vertices[2].Position.x = kNaN; },
       "quad.nonfinite"},
      {"infinite floor corner",
       [](Editor& e, TwoRooms&) { FindNamed(e, "Boden")->Children[0]->Vertices[0].Position.y = -kInf; },
       "quad.nonfinite"},
      {"quad of three corners",
       [](Editor& e, TwoRooms&) { FindNamed(e, "Boden")->Children[0]->ResizeVertices(3); }, "quad.corners"},
      {"quad without corners",
       [](Editor& e, TwoRooms&) { FindNamed(e, "Boden")->Children[0]->ResizeVertices(0); }, "quad.corners"},
      {"NaN portal", [](Editor&, TwoRooms& r) { r.there->Vertices[1].Position.z = kNaN; },
       "portal.nonfinite"},
      {"portal of two corners", [](Editor&, TwoRooms& r) { r.there->ResizeVertices(2); },
       "portal.degenerate"},
      {"portal of 300 corners",
       [](Editor&, TwoRooms& r) {
         r.there->ResizeVertices(300);
         for (size_t i = 4; i < 300; ++i) r.there->Vertices[i].Position = r.there->Vertices[3].Position;
       },
       "portal.limit"},
      {"portal linked to a record outside the tree",
       [](Editor&, TwoRooms& r) {
         static TSector stray;  // alive, but no node of the scene
         r.there->LinkedSector = &stray;
       },
       "portal.badlink"},
      {"portal linked to a light",
       [](Editor& e, TwoRooms& r) {
         e.Tree.Walk([&](TSector* n) {
           if (n->NodeType == kLight) r.there->LinkedSector = n;
         });
       },
       "portal.badlink"},
      {"top-level portal", [](Editor& e, TwoRooms& r) { e.Tree.Move(r.there, nullptr); }, "portal.outside"},
      {"NaN light",
       [](Editor& e, TwoRooms& r) {
         AddPointLight(e, r.left, {kNaN, 0, 0});
       },
       "light.nonfinite"},
      {"light of NaN range",
       [](Editor& e, TwoRooms& r) {
         AddPointLight(e, r.left, {100, 50, 100})->Range = kNaN;
       },
       "light.unused"},
      {"NaN start",
       [](Editor& e, TwoRooms&) {
         e.StartPosition = {kNaN, kNaN, kNaN};
       },
       "start.outside"},
      {"model corners beyond its vertices",
       [](Editor& e, TwoRooms& r) {
         TSector* m = test::AddModel(e, r.left, {{50, 30, 50}, {60, 30, 50}, {50, 40, 50}}, 1);
         m->Triangles[0].V1 = 99;
         m->Triangles[0].V2 = -1;
       },
       "model.corners"},
      {"infinite model",
       [](Editor& e, TwoRooms& r) {
         test::AddModel(e, r.left, {{50, 30, 50}, {60, 30, 50}, {50, kInf, 50}}, 1);
       },
       "model.nonfinite"},
      {"quad outside every sector",
       [](Editor& e, TwoRooms&) {
         AddCornerQuad(e, nullptr, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0});
       },
       "quad.degenerate"},
  };
  for (const Case& c : cases) {
    Editor e;
    TwoRooms r = BuildTwoRooms(e);
    c.corrupt(e, r);
    const std::vector<Finding> f = Check(e);
    EXPECT_TRUE(Codes(f).count(c.expected)) << c.name << ":\n" << Dump(f);
    // The live check sees the same.
    LevelChecker checker(e);
    checker.SetActive(true);
    EXPECT_EQ(checker.Findings().size(), f.size()) << c.name;
    // A fix offered on corrupt input never makes it worse than refusing.
    for (const Finding& x : f) ApplyFix(e, x);
    Check(e);
  }
  Editor empty;
  EXPECT_TRUE(CheckDocument(empty).empty());
}

// ---- The live check ----

// After random edits announced as commands announce them, the live check
// (only the touched rooms again) finds what a full check finds.
TEST(LevelChecker, FollowsEditsLikeAFullCheck) {
  Editor e;
  TwoRooms r = BuildTwoRooms(e);
  TSector* third = AddBoxRoom(e, "Drei", 400, 600, 0, 200, 100, 2);
  AddPortalNode(e, third, {{400, 80, 80}, {400, 80, 120}, {400, 0, 120}, {400, 0, 80}}, r.right);
  e.PublishChanges();
  LevelChecker checker(e);
  checker.SetActive(true);
  std::mt19937 rng(7);
  auto pick = [&](uint8_t type) {
    std::vector<TSector*> all;
    e.Tree.Walk([&](TSector* n) {
      if (n->NodeType == type) all.push_back(n);
    });
    return all.empty() ? nullptr : all[rng() % all.size()];
  };
  auto keys = [](const std::vector<Finding>& f) {
    std::vector<std::string> k;
    for (const Finding& x : f) k.push_back(x.Key() + " " + x.text);
    return k;
  };
  for (int step = 0; step < 120; ++step) {
    switch (rng() % 7) {
      case 0:
        if (TSector* q = pick(kPolygon)) {
          q->Vertices[rng() % 4].Position.y += float(int(rng() % 3) - 1) * 3;
          e.Changed(q, kChangeGeometry);
        }
        break;
      case 1:
        if (TSector* q = pick(kPolygon)) e.Tree.Remove(q);
        break;
      case 2:
        if (TSector* s = pick(kSector)) {
          const float x = float(rng() % 600), z = float(rng() % 200);
          AddCornerQuad(e, s, {x, 0, z}, {x + 20, 0, z}, {x, 0, z + 20}, {x + 20, 0, z + 20});
        }
        break;
      case 3:
        if (TSector* l = pick(kLight)) {
          l->Position.x += float(int(rng() % 41) - 20);
          e.Changed(l, kChangeGeometry);
        }
        break;
      case 4:
        if (TSector* p = pick(kPortal)) {
          p->LinkedSector = rng() % 2 ? pick(kSector) : nullptr;
          p->IsLinked = p->LinkedSector ? 1 : 0;
          e.Changed(p, kChangeOther);
        }
        break;
      case 5: {
        TSector* n = pick(kPolygon);
        TSector* s = pick(kSector);
        if (n && s) e.Tree.Move(n, s);
        break;
      }
      case 6:
        e.StartPosition.x += float(int(rng() % 201) - 100);
        e.ChangedStartPosition();
        break;
    }
    e.PublishChanges();
    ASSERT_EQ(keys(checker.Findings()), keys(CheckDocument(e))) << "step " << step;
  }
}

TEST(LevelChecker, RechecksOnlyTheRoomsAnEditTouched) {
  Editor e;
  test::BuildRoomLevel(e, 16, 16);
  LevelChecker checker(e);
  checker.SetActive(true);
  EXPECT_TRUE(checker.LastStats().full);
  EXPECT_EQ(checker.LastStats().rooms_checked, 16);
  TSector* q = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (!q && n->NodeType == kPolygon) q = n;
  });
  q->Vertices[0].Position.y += 1;
  e.Changed(q, kChangeGeometry);
  e.PublishChanges();
  EXPECT_FALSE(checker.LastStats().full);
  EXPECT_EQ(checker.LastStats().rooms_checked, 1);
  EXPECT_TRUE(Codes(checker.Findings()).count("quad.nonplanar"));
  // Inactive, it follows nothing but the bakes.
  checker.SetActive(false);
  q->Vertices[0].Position.y -= 1;
  e.Changed(q, kChangeGeometry);
  e.PublishChanges();
  EXPECT_TRUE(Codes(checker.Findings()).count("quad.nonplanar"));
  checker.SetActive(true);
  EXPECT_FALSE(Codes(checker.Findings()).count("quad.nonplanar"));
}

}  // namespace
}  // namespace qx
