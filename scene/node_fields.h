#pragma once
// Every field of the scene records, described once: what a view must redo
// when it differs (its Change bit), what it is to the document (its tags) and
// which node types use it. Snapshots, pasted copies, comparison and the
// change kinds between two records all walk this table, so a new field is one
// entry here; a field the files store also takes its place in the record
// layout (scene/node_records.cpp), which says where in the record it goes.

#include <cstdint>
#include <type_traits>

#include "scene/change_set.h"
#include "scene/node.h"

namespace qx {

// What a field is besides document content. A field without tags is
// document content: compared, copied by snapshots and pasted with its node.
enum FieldTag : uint8_t {
  // Not document content: selection marks, bounds derived from the geometry,
  // names the graphics context gave. A snapshot keeps it (undo gives the
  // picture back), but a difference alone changes no document, and a pasted
  // copy starts without it.
  kFieldView = 1,
  // The record's own id: a pasted copy is given a fresh one.
  kFieldIdentity = 2,
  // Belongs to the original alone (its link, its lightmap, its icon): a
  // pasted copy starts without it and is given its own.
  kFieldNoPaste = 4,
  // Shown in the tree's row: a change also goes to the tree's listeners.
  kFieldLabel = 8,
  // Tree structure and references between records: the tree and a
  // snapshot's tables hold them, never a copy of fields.
  kFieldTree = 16,
  // An object records share: its owner copies and compares it.
  kFieldShared = 32,
};

// The node types that use a field, by family: the types of a family share
// their fields (and the pages of the properties panel).
enum FieldFamily : uint8_t {
  kFamilySector = 1,
  kFamilySurface = 2,  // polygon, portal, model
  kFamilyPoint = 4,    // light, particle system, actor, checkpoint
  kFamilyAll = 7,
};

constexpr uint8_t FamilyOf(uint8_t node_type) {
  if (node_type == kSector) return kFamilySector;
  return HasVertices(node_type) ? kFamilySurface : kFamilyPoint;
}

template <auto Member, uint8_t ChangeBits, uint8_t Tags = 0, uint8_t Families = kFamilyAll>
struct Field {
  static constexpr auto member = Member;
  static constexpr uint8_t change = ChangeBits;  // for an array: when its length differs
  static constexpr uint8_t tags = Tags;
  static constexpr uint8_t families = Families;
  const char* name;
};

template <class Record>
struct RecordFields;

// Calls visitor(Field<...>{name}) for every field of Record, in declaration order.
template <class Record, class Visitor>
constexpr void ForEachField(Visitor&& visitor) {
  RecordFields<Record>::Visit(visitor);
}

template <>
struct RecordFields<TVertex> {
  template <class V>
  static constexpr void Visit(V& v) {
    using R = TVertex;
    v(Field<&R::Id, kChangeOther, kFieldIdentity>{"Id"});
    v(Field<&R::Position, kChangeGeometry>{"Position"});
    v(Field<&R::Color, kChangeAppearance>{"Color"});
    v(Field<&R::TexCoord, kChangeAppearance>{"TexCoord"});
    v(Field<&R::LightmapCoord, kChangeAppearance>{"LightmapCoord"});
    v(Field<&R::Marked, kChangeAppearance, kFieldView>{"Marked"});
  }
};

template <>
struct RecordFields<TTriangle> {
  template <class V>
  static constexpr void Visit(V& v) {
    using R = TTriangle;
    v(Field<&R::V0, kChangeGeometry>{"V0"});
    v(Field<&R::V1, kChangeGeometry>{"V1"});
    v(Field<&R::V2, kChangeGeometry>{"V2"});
    v(Field<&R::Normal, kChangeGeometry>{"Normal"});
    v(Field<&R::Distance, kChangeGeometry>{"Distance"});
    v(Field<&R::LightmapTexture, kChangeAppearance, kFieldView>{"LightmapTexture"});
    // The copy's triangles are lit by the next bake, not by the original's lightmap.
    v(Field<&R::LightmapIndex, kChangeAppearance, kFieldNoPaste>{"LightmapIndex"});
  }
};

template <>
struct RecordFields<TSector> {
  template <class V>
  static constexpr void Visit(V& v) {
    using R = TSector;
    constexpr uint8_t kBoxed = kFamilySector | kFamilySurface;
    v(Field<&R::Id, kChangeOther, kFieldIdentity>{"Id"});
    v(Field<&R::Name, kChangeOther, kFieldLabel>{"Name"});
    v(Field<&R::NodeType, kChangeOther>{"NodeType"});
    v(Field<&R::Kind, kChangeOther>{"Kind"});
    v(Field<&R::VertexCount, kChangeGeometry, 0, kFamilySurface>{"VertexCount"});
    v(Field<&R::Vertices, kChangeGeometry, 0, kFamilySurface>{"Vertices"});
    v(Field<&R::Centroid, kChangeGeometry, kFieldView, kBoxed>{"Centroid"});
    v(Field<&R::BoundsMin, kChangeGeometry, kFieldView, kBoxed>{"BoundsMin"});
    v(Field<&R::BoundsMax, kChangeGeometry, kFieldView, kBoxed>{"BoundsMax"});
    v(Field<&R::BoundsCenter, kChangeGeometry, kFieldView, kBoxed>{"BoundsCenter"});
    v(Field<&R::TextureIndex, kChangeAppearance, 0, kFamilySurface>{"TextureIndex"});
    v(Field<&R::NoCollision, kChangeOther, 0, kBoxed>{"NoCollision"});
    v(Field<&R::Visible, kChangeAppearance, 0, kBoxed>{"Visible"});
    v(Field<&R::NoInsideTest, kChangeOther, 0, kFamilySector>{"NoInsideTest"});
    v(Field<&R::NoFrustum, kChangeOther, 0, kFamilySurface>{"NoFrustum"});
    v(Field<&R::NoShadow, kChangeOther, 0, kFamilySurface>{"NoShadow"});  // seen only after a bake
    v(Field<&R::EnvMapping, kChangeAppearance, 0, kFamilySurface>{"EnvMapping"});
    v(Field<&R::ColorKey, kChangeAppearance, 0, kFamilySurface>{"ColorKey"});
    v(Field<&R::LightingMode, kChangeAppearance, 0, kFamilySurface>{"LightingMode"});
    v(Field<&R::ObjectType, kChangeOther, 0, kFamilyPoint>{"ObjectType"});
    v(Field<&R::Heading, kChangeGeometry, 0, kFamilyPoint>{"Heading"});
    v(Field<&R::TriangleCount, kChangeGeometry, 0, kFamilySurface>{"TriangleCount"});
    v(Field<&R::Triangles, kChangeGeometry, 0, kFamilySurface>{"Triangles"});
    v(Field<&R::Marked, kChangeAppearance, kFieldView>{"Marked"});
    // A model's Position is where it was inserted; no file stores it and its
    // vertices say where it is, so its copies go without it.
    v(Field<&R::Position, kChangeGeometry, 0, kFamilyPoint>{"Position"});
    v(Field<&R::Brightness, kChangeOther, 0, kFamilyPoint>{"Brightness"});  // seen only after a bake
    v(Field<&R::Range, kChangeOther, 0, kFamilyPoint>{"Range"});
    v(Field<&R::Shadow, kChangeOther, 0, kFamilyPoint>{"Shadow"});
    v(Field<&R::Color, kChangeAppearance, 0, kFamilyPoint>{"Color"});
    v(Field<&R::LinkedSector, kChangeOther, kFieldTree, kFamilySurface>{"LinkedSector"});
    // A copied portal leads nowhere until it is linked again.
    v(Field<&R::IsLinked, kChangeOther, kFieldNoPaste, kFamilySurface>{"IsLinked"});
    v(Field<&R::LinkedSectorId, kChangeOther, kFieldNoPaste, kFamilySurface>{"LinkedSectorId"});
    v(Field<&R::ParticleType, kChangeOther, 0, kFamilyPoint>{"ParticleType"});
    v(Field<&R::ParticleSpeed, kChangeOther, 0, kFamilyPoint>{"ParticleSpeed"});
    v(Field<&R::ModelLoader, kChangeGeometry, kFieldShared, kFamilySurface>{"ModelLoader"});
    v(Field<&R::Parent, kChangeOther, kFieldTree>{"Parent"});
    v(Field<&R::Children, kChangeOther, kFieldTree>{"Children"});
    // The icon follows from the type (and a sector's NoInsideTest): a copy gets its own.
    v(Field<&R::ImageIndex, kChangeOther, kFieldLabel | kFieldNoPaste>{"ImageIndex"});
  }
};

// The Change bit the table gives the field at `Member`.
template <auto Member, class Record = TSector>
constexpr uint8_t FieldChange() {
  uint8_t change = 0;
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<std::remove_cv_t<decltype(F::member)>, decltype(Member)>)
      if (F::member == Member) change = F::change;
  });
  return change;
}

enum class FieldScope {
  kDocument,  // what a document or the lightmaps hold: kFieldView fields are left out
  kWhole,     // every field a snapshot keeps
};

// Bit for bit: -0 differs from 0, and a NaN equals itself.
bool SameBits(const Vector& a, const Vector& b);

// Whether a and b agree in every field of the scope (kFieldTree and
// kFieldShared fields are never compared). Floats compare by their bits: -0
// differs from 0, and a NaN equals itself.
bool SameFields(const TSector& a, const TSector& b, FieldScope scope);
// Whether the fields the tree shows (name, icon) agree.
bool SameLabel(const TSector& a, const TSector& b);
// The OR of the Change bits of the document fields in which a and b differ; 0
// when the document sees no difference.
uint8_t ChangeKindBetween(const TSector& a, const TSector& b);

// Snapshot: every field but the kFieldTree and kFieldShared ones.
void CopyFields(const TSector& from, TSector& to);
// A pasted copy: the document fields `from`'s family uses, without its
// identity and what belongs to it alone; the rest of `to` is left as it is.
void CopyFieldsForPaste(const TSector& from, TSector& to);
// Makes room in `to` for the arrays and texts of `from`, so that a following
// CopyFields(from, to) allocates nothing and cannot fail. Throws
// std::bad_alloc before any field of `to` changes.
void ReserveFields(const TSector& from, TSector& to);

}  // namespace qx
