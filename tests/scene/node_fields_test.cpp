#include "scene/node_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "support/scene_samples.h"

namespace qx {
namespace {

struct Slot {
  std::string name;
  size_t offset, size, align;
};

template <class Record>
std::vector<Slot> Slots(const Record& sample) {
  std::vector<Slot> slots;
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    using T = std::remove_reference_t<decltype(sample.*F::member)>;
    const auto* base = reinterpret_cast<const char*>(&sample);
    const auto* at = reinterpret_cast<const char*>(&(sample.*F::member));
    slots.push_back({f.name, size_t(at - base), sizeof(T), alignof(T)});
  });
  return slots;
}

// A member the table forgets leaves a hole in the record larger than any
// padding the compiler could have put there.
template <class Record>
void ExpectTableCoversEveryMember(const Record& sample) {
  const std::vector<Slot> slots = Slots(sample);
  std::set<std::string> names;
  size_t end = 0;
  for (const Slot& s : slots) {
    EXPECT_TRUE(names.insert(s.name).second) << s.name << " twice";
    ASSERT_GE(s.offset, end) << s.name << " out of declaration order";
    EXPECT_LT(s.offset - end, s.align) << "a member before " << s.name << " is missing from the table";
    end = s.offset + s.size;
  }
  EXPECT_LT(sizeof(Record) - end, alignof(Record)) << "a member after " << slots.back().name << " is missing";
}

TEST(NodeFields, TableDescribesEveryMemberInDeclarationOrder) {
  ExpectTableCoversEveryMember(TVertex{});
  ExpectTableCoversEveryMember(TTriangle{});
  const TSector sector;
  ExpectTableCoversEveryMember(sector);
  static_assert(FieldChange<&TSector::Position>() == kChangeGeometry);
  static_assert(FieldChange<&TSector::TextureIndex>() == kChangeAppearance);
  static_assert(FieldChange<&TVertex::Color, TVertex>() == kChangeAppearance);
}

// A quad with values no default has, its twin made by the snapshot copy.
struct Pair {
  Editor e;
  TSector* a;
  TSector b;
  Pair() {
    a = test::AddQuad(e, nullptr, {1, 2, 3}, "Q");
    a->TextureIndex = 7;
    a->Vertices[1].Color[2] = std::numeric_limits<float>::quiet_NaN();
    a->Triangles[1].LightmapIndex = 4;
    a->Triangles[1].LightmapTexture = 12;
    a->BoundsMax = {5, 5, 5};
    CopyFields(*a, b);
  }
};

TEST(NodeFields, ChangeKindsFollowTheFieldThatDiffers) {
  struct Case {
    const char* what;
    std::function<void(TSector&)> change;
    uint8_t kind;
  };
  const std::vector<Case> cases = {
      {"vertex position", [](TSector& n) { n.Vertices[2].Position.y += 1; }, kChangeGeometry},
      {"plane", [](TSector& n) { n.Triangles[0].Distance = 3; }, kChangeGeometry},
      {"fewer vertices", [](TSector& n) { n.ResizeVertices(3); }, kChangeGeometry},
      {"heading", [](TSector& n) { n.Heading = 10; }, kChangeGeometry},
      {"texture", [](TSector& n) { n.TextureIndex = 8; }, kChangeAppearance},
      {"vertex colour -0", [](TSector& n) { n.Vertices[0].Color[0] = -0.0f; }, kChangeAppearance},
      {"lightmap index", [](TSector& n) { n.Triangles[1].LightmapIndex = 0; }, kChangeAppearance},
      {"visibility", [](TSector& n) { n.Visible = 0; }, kChangeAppearance},
      {"collision flag", [](TSector& n) { n.NoCollision = 1; }, kChangeOther},
      {"name", [](TSector& n) { n.Name = "R"; }, kChangeOther},
      {"link id", [](TSector& n) { n.LinkedSectorId = 9; }, kChangeOther},
      {"move and recolour",
       [](TSector& n) {
         n.Vertices[0].Position.x = 0;
         n.Vertices[3].TexCoord[1] = 0.5f;
       },
       kChangeGeometry | kChangeAppearance},
      // Not document content: no change, though a snapshot keeps them.
      {"mark", [](TSector& n) { n.Marked = 1; }, 0},
      {"vertex mark", [](TSector& n) { n.Vertices[1].Marked = 1; }, 0},
      {"bounds", [](TSector& n) { n.BoundsMax.x = 6; }, 0},
      {"GL name", [](TSector& n) { n.Triangles[1].LightmapTexture = 13; }, 0},
      {"tree links", [](TSector& n) { n.LinkedSector = &n; }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Pair p;
    ASSERT_TRUE(SameFields(*p.a, p.b, FieldScope::kWhole));
    EXPECT_EQ(ChangeKindBetween(*p.a, p.b), 0);  // NaN equals itself
    c.change(p.b);
    EXPECT_EQ(ChangeKindBetween(*p.a, p.b), c.kind);
    EXPECT_EQ(ChangeKindBetween(p.b, *p.a), c.kind);
    EXPECT_EQ(SameFields(*p.a, p.b, FieldScope::kDocument), c.kind == 0);
    const bool only_links = std::string(c.what) == "tree links";
    EXPECT_EQ(SameFields(*p.a, p.b, FieldScope::kWhole), only_links);
  }
}

TEST(NodeFields, ASnapshotLeavesTreeLinksAndLoaderAloneAndNeedsNoRoomOnceReserved) {
  Pair p;
  TSector child;
  TSector other;
  other.Parent = &child;
  other.LinkedSector = &child;
  ReserveFields(*p.a, other);
  const TVertex* vertices = other.Vertices.data();
  const TTriangle* triangles = other.Triangles.data();
  EXPECT_NE(vertices, nullptr);
  EXPECT_TRUE(SameFields(TSector(), other, FieldScope::kWhole));  // room, no content
  CopyFields(*p.a, other);
  EXPECT_EQ(other.Vertices.data(), vertices);
  EXPECT_EQ(other.Triangles.data(), triangles);
  EXPECT_TRUE(SameFields(*p.a, other, FieldScope::kWhole));
  EXPECT_EQ(other.Parent, &child);
  EXPECT_EQ(other.LinkedSector, &child);
  EXPECT_TRUE(other.Children.empty());
  EXPECT_TRUE(SameLabel(*p.a, other));
  other.ImageIndex = 1;
  EXPECT_FALSE(SameLabel(*p.a, other));
}

TEST(NodeFields, APastedCopyTakesWhatItsFamilyUsesAndNothingOfTheOriginalsOwn) {
  Editor e;
  TSector* room = test::AddSector(e, nullptr, "Raum");
  room->NoInsideTest = 1;
  room->Marked = 1;
  room->Position = {1, 1, 1};  // no sector field: a copy does not take it
  room->BoundsMax = {9, 9, 9};
  TSector copy;
  CopyFieldsForPaste(*room, copy);
  EXPECT_EQ(copy.Name, "Raum");
  EXPECT_EQ(copy.Id, 0u);
  EXPECT_EQ(copy.NoInsideTest, 1);
  EXPECT_EQ(copy.Visible, 1);
  EXPECT_EQ(copy.Marked, 0);
  EXPECT_TRUE(SameBits(copy.Position, {}));
  EXPECT_TRUE(SameBits(copy.BoundsMax, {}));

  TSector* portal = test::AddPortal(e, room, {0, 0, 0}, room);
  portal->Vertices[2].Marked = 1;
  TSector pasted_portal;
  CopyFieldsForPaste(*portal, pasted_portal);
  EXPECT_EQ(pasted_portal.LinkedSector, nullptr);
  EXPECT_EQ(pasted_portal.IsLinked, 0);
  EXPECT_EQ(pasted_portal.LinkedSectorId, 0u);
  ASSERT_EQ(pasted_portal.Vertices.size(), 4u);
  EXPECT_EQ(pasted_portal.Vertices[2].Id, 0u);
  EXPECT_EQ(pasted_portal.Vertices[2].Marked, 0);
  EXPECT_TRUE(SameBits(pasted_portal.Vertices[2].Position, portal->Vertices[2].Position));

  TSector* quad = test::AddQuad(e, room, {0, 0, 0});
  quad->Triangles[1] = {3, 2, 1, {0, 0, 1}, 4, 77, 2};
  quad->Vertices[0].LightmapCoord[0] = 0.25f;
  TSector pasted_quad;
  CopyFieldsForPaste(*quad, pasted_quad);
  const TTriangle& t = pasted_quad.Triangles.at(1);
  EXPECT_EQ(t.V0, 3);
  EXPECT_EQ(t.Distance, 4);
  EXPECT_EQ(t.LightmapTexture, 0u);
  EXPECT_EQ(t.LightmapIndex, 0);
  EXPECT_EQ(pasted_quad.Vertices[0].LightmapCoord[0], 0.25f);
  EXPECT_EQ(pasted_quad.ImageIndex, 0);  // the caller gives the icon

  TSector* light = test::AddLight(e, room, {4, 5, 6});
  light->Kind = 1;
  light->Color[1] = 12;
  TSector pasted_light;
  CopyFieldsForPaste(*light, pasted_light);
  EXPECT_EQ(ChangeKindBetween(*light, pasted_light), kChangeOther);  // the id alone
  pasted_light.Id = light->Id;
  pasted_light.ImageIndex = light->ImageIndex;
  EXPECT_TRUE(SameFields(*light, pasted_light, FieldScope::kDocument));
}

}  // namespace
}  // namespace qx
