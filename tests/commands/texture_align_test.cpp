// Lining textures up on the selection: aligning a room, fitting, the panel's
// "Textur" fields, and the lock through every way quads move.

#include "commands/texture_align.h"

#include <gtest/gtest.h>

#include <cmath>

#include "commands/node_position.h"
#include "commands/polygon_ops.h"
#include "commands/recording_view.h"
#include "commands/select_nodes.h"
#include "commands/transform.h"
#include "support/scene_samples.h"
#include "support/test_support.h"
#include "tools/plane_edit.h"

namespace qx {
namespace {

using Tex = std::array<std::array<float, 2>, 4>;

Tex TexOf(const TSector* q) {
  Tex t;
  for (size_t i = 0; i < 4; ++i) t[i] = {q->Vertices[i].TexCoord[0], q->Vertices[i].TexCoord[1]};
  return t;
}

bool SameRepeat(float a, float b) {
  const double d = double(a) - b;
  return std::fabs(d - std::round(d)) <= 1e-4;
}

struct TextureAlignTest : ::testing::Test {
  test::FakePrompts prompts;
  test::MemorySettings settings;
  test::RecordingView view;
  Editor e;
  PointerState drag;
  TSector* room = nullptr;
  TSector* floor = nullptr;
  std::array<TSector*, 4> walls{};

  // A room 100 x 140 on the grid of 20 but off the repeat of 60, walls facing
  // inwards, every quad with a new square's coordinates.
  TextureAlignTest() {
    e.prompts = &prompts;
    e.settings = &settings;
    e.view = &view;
    e.NewScene();
    room = test::AddSector(e, nullptr, "Raum");
    floor = test::AddQuadAt(e, room, {40, 0, -80}, {-60, 0, -80}, {40, 0, 60}, {-60, 0, 60});
    walls[0] = test::AddWall(e, room, -60, -80, 40, -80, 0, 80);
    walls[1] = test::AddWall(e, room, 40, -80, 40, 60, 0, 80);
    walls[2] = test::AddWall(e, room, 40, 60, -60, 60, 0, 80);
    walls[3] = test::AddWall(e, room, -60, 60, -60, -80, 0, 80);
    e.Redraw();
    e.History.Commit();
    e.History.Clear();
  }
  // Wall i ends (corners 0 top, 2 bottom) where wall i+1 starts (1 top, 3 bottom).
  void ExpectCornersContinue() {
    for (size_t i = 0; i < 4; ++i) {
      const TSector* w = walls[i];
      const TSector* next = walls[(i + 1) % 4];
      for (auto [mine, theirs] : {std::pair{0, 1}, std::pair{2, 3}})
        for (int k = 0; k < 2; ++k)
          EXPECT_TRUE(SameRepeat(w->Vertices[mine].TexCoord[k], next->Vertices[theirs].TexCoord[k]))
              << "wall " << i << " corner " << mine << " coordinate " << k;
    }
  }
};

TEST_F(TextureAlignTest, AligningTheRoomMakesEveryCornerContinueInOneUndoStep) {
  test::SelectNodes(e, {room});
  const std::vector<Tex> before = {TexOf(walls[0]), TexOf(walls[1]), TexOf(walls[2]), TexOf(walls[3])};
  EXPECT_EQ(AlignSelectedTextures(e), 5);  // the floor and four walls inside the selected sector
  ExpectCornersContinue();
  // The floor: 100 wide at 60 a repeat.
  EXPECT_NEAR(floor->Vertices[0].TexCoord[0] - floor->Vertices[1].TexCoord[0], 100.0 / 60, 1e-5);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), kAlignTexturesCommand);
  ASSERT_TRUE(e.History.Undo());
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(TexOf(walls[i]), before[i]);

  // A shift set on the walls survives aligning again; another scale starts afresh.
  ASSERT_TRUE(e.History.Redo());
  test::SelectNodes(e, {walls[0], walls[1], walls[2], walls[3]});
  AlignSelectedTextures(e);
  for (TSector* w : walls)
    EXPECT_EQ(TextureFieldTexts(*w), (std::array<std::string, 5>{"0", "0", "60", "60", "0"}));
  EXPECT_EQ(TextureFieldEnter(e, TextureField::kOffsetU, "0,25"), EnterResult::kFocusViewport);
  AlignSelectedTextures(e);
  EXPECT_EQ(TextureFieldTexts(*walls[2])[0], "0.25");
  ExpectCornersContinue();
  SetTextureScale(e, 40);
  AlignSelectedTextures(e);
  EXPECT_EQ(TextureFieldTexts(*walls[2]), (std::array<std::string, 5>{"0", "0", "40", "40", "0"}));
}

TEST_F(TextureAlignTest, FittingAsksForRepeatsAndRefusesNonsense) {
  test::SelectNodes(e, {walls[1]});
  AlignSelectedTextures(e);
  prompts.text_answers = {"1 x 1"};
  EXPECT_EQ(FitSelectedTextures(e), 1);
  EXPECT_EQ(TexOf(walls[1]), (Tex{{{1, 1}, {0, 1}, {1, 0}, {0, 0}}}));
  prompts.text_answers = {"2×3"};
  FitSelectedTextures(e);
  EXPECT_EQ(TexOf(walls[1]), (Tex{{{2, 3}, {0, 3}, {2, 0}, {0, 0}}}));
  EXPECT_EQ(e.History.UndoCount(), 3u);

  for (const char* bad : {"0 x 1", "2 x", "x", "-1", "zwei"}) {
    prompts.text_answers = {bad};
    EXPECT_EQ(FitSelectedTextures(e), 0) << bad;
  }
  EXPECT_EQ(prompts.warnings.size(), 5u);
  EXPECT_EQ(TexOf(walls[1]), (Tex{{{2, 3}, {0, 3}, {2, 0}, {0, 0}}}));
  prompts.text_answers = {std::nullopt};  // cancelled
  EXPECT_EQ(FitSelectedTextures(e), 0);
  EXPECT_EQ(e.History.UndoCount(), 3u);

  EXPECT_EQ(ParseRepeats("1,5 X 2"), (std::pair{1.5f, 2.0f}));
  EXPECT_EQ(ParseRepeats(" 3 "), (std::pair{3.0f, 3.0f}));
  EXPECT_EQ(ParseRepeats("2*4"), (std::pair{2.0f, 4.0f}));
}

// What the fields show and what they set round-trip, each Enter one undo step,
// on every selected quad; a refused text changes nothing.
TEST_F(TextureAlignTest, PanelFieldsRoundTrip) {
  test::SelectNodes(e, {walls[0], walls[1], floor});
  EXPECT_EQ(TextureFieldTexts(*walls[0]), (std::array<std::string, 5>{"1.4", "0", "100", "80", "0"}));
  struct Case {
    TextureField field;
    const char* text;
  };
  const Case cases[] = {{TextureField::kScaleU, "32"},
                        {TextureField::kScaleV, "-48.5"},
                        {TextureField::kRotation, "30"},
                        {TextureField::kOffsetU, "1.125"},
                        {TextureField::kOffsetV, "-0.75"}};
  size_t steps = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(TextureFieldEnter(e, c.field, c.text), EnterResult::kFocusViewport);
    EXPECT_EQ(e.History.UndoCount(), ++steps);
    for (TSector* q : {walls[0], walls[1], floor})
      EXPECT_EQ(TextureFieldTexts(*q)[size_t(c.field)], c.text) << q->Name;
  }
  EXPECT_EQ(TextureFieldTexts(*floor), (std::array<std::string, 5>{"1.125", "-0.75", "32", "-48.5", "30"}));
  // Corners still meet: both walls carry the same projection.
  for (int k = 0; k < 2; ++k) {
    EXPECT_TRUE(SameRepeat(walls[0]->Vertices[0].TexCoord[k], walls[1]->Vertices[1].TexCoord[k]));
    EXPECT_TRUE(SameRepeat(walls[0]->Vertices[2].TexCoord[k], walls[1]->Vertices[3].TexCoord[k]));
  }
  const Tex kept = TexOf(walls[0]);
  EXPECT_EQ(TextureFieldEnter(e, TextureField::kScaleU, "0"), EnterResult::kStayInEdit);
  EXPECT_EQ(TextureFieldEnter(e, TextureField::kRotation, "abc"), EnterResult::kStayInEdit);
  EXPECT_EQ(TexOf(walls[0]), kept);
  EXPECT_EQ(e.History.UndoCount(), steps);
  // A fitted trapezoid is no projection: the fields are empty.
  walls[3]->Vertices[0].Position.y = 120;
  EXPECT_EQ(TextureFieldTexts(*walls[3]), (std::array<std::string, 5>{}));
}

// With the lock on, every way of moving a wall keeps its texture on the
// world (the projection reads back the same); with it off the coordinates
// travel with the wall and turning gives exactly what it always gave.
TEST_F(TextureAlignTest, LockKeepsTexturesOnTheWorldThroughEveryMove) {
  test::SelectNodes(e, {room});
  AlignSelectedTextures(e);
  const auto aligned = *ReadTextureProjection(*walls[0]);
  auto projection_stays = [&](const char* what) {
    const auto now = ReadTextureProjection(*walls[0]);
    ASSERT_TRUE(now) << what;
    EXPECT_NEAR(now->OffsetU, aligned.OffsetU, 1e-4) << what;
    EXPECT_NEAR(now->OffsetV, aligned.OffsetV, 1e-4) << what;
    EXPECT_FLOAT_EQ(now->ScaleU, aligned.ScaleU) << what;
    EXPECT_EQ(now->RotationDegrees, 0) << what;
  };

  SetTextureLock(e, true);
  EXPECT_EQ(settings.values[kSettingTextureLock], "1");
  test::SelectNodes(e, {walls[0]});
  // 3D drag along x (the wall's own plane) and up.
  SetAxisLock(e, AxisLock::kX);
  for (int i = 0; i < 3; ++i) DragStep(e, drag, -40);
  projection_stays("drag x");
  SetAxisLock(e, AxisLock::kY);
  DragStep(e, drag, 40);
  DragStep(e, drag, 40);
  projection_stays("drag y");
  // Typed position.
  ComputeBounds(walls[0]);
  SetSelectedCoordinate(e, kPolygon, AxisLock::kX, 37.5f);
  projection_stays("typed");
  // A corner dragged in vertex mode: still the same projection where it is now.
  SetVertexMode(e, true);
  walls[0]->Vertices[0].Marked = 1;
  SetAxisLock(e, AxisLock::kX);
  DragStep(e, drag, -40);
  DragStep(e, drag, -40);
  walls[0]->Vertices[0].Marked = 0;
  SetVertexMode(e, false);
  projection_stays("vertex");
  // Drag in the front view, 40 units to the right.
  PlaneView front{PlaneKind::kFront};
  front.SetSize(400, 300);
  PlaneMouse mouse{e, front};
  ViewOptions o;
  ComputeBounds(walls[0]);
  const PixelPoint from = front.ToPixel(walls[0]->Centroid);
  const double by = front.ToPixel({40, 0, 0}).x - front.ToPixel({0, 0, 0}).x;
  const Vector start = walls[0]->Vertices[0].Position;
  mouse.Down(MouseButton::kLeft, {}, from.x, from.y, o);
  mouse.Move({}, from.x + by / 2, from.y, o);
  mouse.Move({}, from.x + by, from.y, o);
  mouse.Up(MouseButton::kLeft, {}, from.x + by, from.y, o);
  EXPECT_FLOAT_EQ(walls[0]->Vertices[0].Position.x, start.x + 40);
  projection_stays("front view");
  // Esc puts the coordinates back with the corners, and no step is left.
  const Tex at_rest = TexOf(walls[0]);
  const size_t steps = e.History.UndoCount();
  mouse.Down(MouseButton::kLeft, {}, from.x + by, from.y, o);
  mouse.Move({}, from.x + 2 * by, from.y, o);
  mouse.Cancel();
  EXPECT_EQ(TexOf(walls[0]), at_rest);
  EXPECT_EQ(e.History.UndoCount(), steps);
  // Turned a quarter about y: a wall facing z now faces x, same projection.
  SetAxisLock(e, AxisLock::kY);
  ComputeBounds(walls[0]);
  TurnSelectedObjects(e, 90);
  projection_stays("turned");

  // Lock off: coordinates travel with the wall, turning is as it ever was.
  SetTextureLock(e, false);
  const Tex travelling = TexOf(walls[0]);
  SetAxisLock(e, AxisLock::kY);
  DragStep(e, drag, -40);
  DragStep(e, drag, -40);
  EXPECT_EQ(TexOf(walls[0]), travelling);
  ComputeBounds(walls[0]);
  const Vector c = walls[0]->Centroid;
  const Vector p0 = walls[0]->Vertices[0].Position;
  TurnSelectedObjects(e, 90);
  EXPECT_EQ(TexOf(walls[0]), travelling);
  EXPECT_EQ(walls[0]->Vertices[0].Position, TurnAbout(p0, c, AxisLock::kY, 90));

  // The settings bring the lock and the scale back.
  SetTextureLock(e, true);
  SetTextureScale(e, 45);
  e.TextureLock = false;
  e.TextureScale = 60;
  RestoreTextureSettings(e);
  EXPECT_TRUE(e.TextureLock);
  EXPECT_EQ(e.TextureScale, 45);
}

}  // namespace
}  // namespace qx
