#include "commands/grid_snap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/editor.h"

namespace qx {
namespace {

TEST(SnapToGrid, HalvesGoToTheEvenMultiple) {
  EXPECT_EQ(SnapToGrid(30.0f, 20), 40.0f);    // 1.5 -> 2
  EXPECT_EQ(SnapToGrid(-30.0f, 20), -40.0f);  // -1.5 -> -2
  EXPECT_EQ(SnapToGrid(10.0f, 20), 0.0f);     // 0.5 -> 0
  EXPECT_EQ(SnapToGrid(50.0f, 20), 40.0f);    // 2.5 -> 2
  EXPECT_EQ(SnapToGrid(70.0f, 20), 80.0f);    // 3.5 -> 4
  EXPECT_EQ(SnapToGrid(10.0001f, 20), 20.0f);
  EXPECT_EQ(SnapToGrid(5, 20), 0.0f);
  EXPECT_EQ(SnapToGrid(12, 20), 20.0f);
  EXPECT_EQ(SnapToGrid(-31, 20), -40.0f);
  EXPECT_EQ(SnapToGrid(7.5f, 5), 10.0f);  // 1.5 -> 2
  EXPECT_EQ(SnapToGrid(2.5f, 1), 2.0f);
  EXPECT_EQ(SnapToGrid(3.5f, 1), 4.0f);
}

TEST(SnapToGrid, NoNegativeZero) {
  EXPECT_FALSE(std::signbit(SnapToGrid(-5.0f, 20)));   // -0.25 rounds to 0
  EXPECT_FALSE(std::signbit(SnapToGrid(-10.0f, 20)));  // -0.5 goes to the even 0
  EXPECT_FALSE(std::signbit(SnapToGrid(-0.0f, 20)));
}

TEST(SnapToGrid, ExtremeInputsStaySane) {
  EXPECT_EQ(SnapToGrid(12.0f, 0), 12.0f);  // no division by zero
  EXPECT_EQ(SnapToGrid(12.0f, -5), 12.0f);
  const float big = 3.0e38f;
  const float snapped = SnapToGrid(big, 7);
  EXPECT_TRUE(std::isfinite(snapped));
  EXPECT_NEAR(snapped / big, 1.0, 1e-6);
  EXPECT_TRUE(std::isnan(SnapToGrid(std::numeric_limits<float>::quiet_NaN(), 20)));
  EXPECT_EQ(SnapToGrid(1e10f, 500), 1e10f);
}

TSector* AddWithVertex(Editor& e, TSector* parent, uint8_t type, Vector p) {
  TSector* n = e.CreateNode(parent, type);
  n->ResizeVertices(1);
  n->Vertices[0].Position = p;
  n->Position = p;
  return n;
}

TEST(SnapSubtreeToGrid, OnlyPolygonsAndPortalsOfTheSubtree) {
  Editor e;
  TSector* before = AddWithVertex(e, nullptr, kPolygon, {5, 5, 5});
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* poly = AddWithVertex(e, s, kPolygon, {5, 12, -31});
  TSector* light = AddWithVertex(e, s, kLight, {5, 12, -31});
  TSector* model = AddWithVertex(e, s, kModel, {5, 12, -31});
  TSector* sub = e.CreateNode(s, kSector);
  TSector* portal = AddWithVertex(e, sub, kPortal, {31, 29, 1});
  TSector* after = AddWithVertex(e, nullptr, kPolygon, {5, 5, 5});

  SnapSubtreeToGrid(e.Tree, s, false, 20);
  EXPECT_EQ(poly->Vertices[0].Position, (Vector{0, 20, -40}));
  EXPECT_EQ(portal->Vertices[0].Position, (Vector{40, 20, 0}));
  EXPECT_EQ(light->Position, (Vector{5, 12, -31}));
  EXPECT_EQ(light->Vertices[0].Position, (Vector{5, 12, -31}));
  EXPECT_EQ(model->Vertices[0].Position, (Vector{5, 12, -31}));
  EXPECT_EQ(before->Vertices[0].Position, (Vector{5, 5, 5}));
  EXPECT_EQ(after->Vertices[0].Position, (Vector{5, 5, 5}));

  // With siblings: the later top-level nodes follow, the earlier ones do not.
  SnapSubtreeToGrid(e.Tree, s, true, 20);
  EXPECT_EQ(after->Vertices[0].Position, (Vector{0, 0, 0}));
  EXPECT_EQ(before->Vertices[0].Position, (Vector{5, 5, 5}));

  SnapSubtreeToGrid(e.Tree, nullptr, true, 20);  // nothing to do
}

}  // namespace
}  // namespace qx
