#include "scene/polygon_data.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

void MakeQuad(TSector& q, Vector a, Vector b, Vector c, Vector d) {
  q.NodeType = kPolygon;
  q.ResizeVertices(4);
  q.ResizeTriangles(2);
  q.Vertices[0].Position = a;
  q.Vertices[1].Position = b;
  q.Vertices[2].Position = c;
  q.Vertices[3].Position = d;
}

TEST(UpdatePolygonData, QuadGetsZigZagTrianglesAndPlanes) {
  TSector q;
  MakeQuad(q, {0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0});
  q.Triangles[0].LightmapIndex = 7;
  q.Triangles[1].LightmapTexture = 9;
  UpdatePolygonData(&q);
  EXPECT_EQ(q.Triangles[0].V0, 0);
  EXPECT_EQ(q.Triangles[0].V1, 1);
  EXPECT_EQ(q.Triangles[0].V2, 2);
  EXPECT_EQ(q.Triangles[1].V0, 3);
  EXPECT_EQ(q.Triangles[1].V1, 2);
  EXPECT_EQ(q.Triangles[1].V2, 1);
  for (auto& t : q.Triangles) {
    EXPECT_EQ(t.Normal, (Vector{0, 0, 1}));
    EXPECT_EQ(t.Distance, 0.0f);
  }
  EXPECT_EQ(q.Triangles[0].LightmapIndex, 7) << "lightmap fields untouched";
  EXPECT_EQ(q.Triangles[1].LightmapTexture, 9u);
  EXPECT_EQ(q.TriangleCount, 2);

  // Vertex 0 is used only by triangle 0.
  q.Vertices[0].Position.z = 10;
  const TTriangle before = q.Triangles[1];
  UpdatePolygonData(&q);
  EXPECT_NE(q.Triangles[0].Normal, (Vector{0, 0, 1}));
  EXPECT_EQ(q.Triangles[1].Normal, before.Normal);
  EXPECT_EQ(q.Triangles[1].V0, 3);
}

TEST(UpdatePolygonData, LeavesOtherNodesAlone) {
  UpdatePolygonData(nullptr);
  TSector q;
  MakeQuad(q, {0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0});
  q.Kind = 1;
  UpdatePolygonData(&q);
  EXPECT_EQ(q.Triangles[1].V0, 0) << "non-zero Kind is untouched";

  TSector short_quad;  // damaged: too few vertices, skipped rather than read past
  short_quad.NodeType = kPolygon;
  short_quad.ResizeVertices(2);
  short_quad.ResizeTriangles(2);
  UpdatePolygonData(&short_quad);
  EXPECT_EQ(short_quad.Triangles[1].V0, 0);

  TSector light;
  light.NodeType = kLight;
  UpdatePolygonData(&light);
  TSector model;
  model.NodeType = kModel;
  UpdatePolygonData(&model);
  EXPECT_EQ(model.TriangleCount, 0);
}

TEST(UpdatePolygonData, ModelPlanesFromItsOwnIndices) {
  TSector m;
  m.NodeType = kModel;
  m.ResizeVertices(3);
  m.Vertices[0].Position = {0, 0, 0};
  m.Vertices[1].Position = {1, 0, 0};
  m.Vertices[2].Position = {0, 1, 0};
  m.ResizeTriangles(2);
  m.Triangles[0] = {0, 2, 1, {}, 0, 0, 0};
  m.Triangles[1] = {0, 0, 0, {}, 0, 0, 0};  // degenerate
  UpdatePolygonData(&m);
  EXPECT_EQ(m.Triangles[0].V1, 2);
  EXPECT_EQ(m.Triangles[0].Normal, (Vector{0, 0, -1}));
  EXPECT_TRUE(std::isnan(m.Triangles[1].Normal.x));
}

}  // namespace
}  // namespace qx
