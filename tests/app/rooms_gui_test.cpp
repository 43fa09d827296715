
namespace qx {
namespace {

// "quarvex --bake 16x16 demo.tex demo.qxm", as scripts/run.sh starts it: the
// first picture shows baked light, and the bake is neither a step to undo nor
// a change to save.
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
