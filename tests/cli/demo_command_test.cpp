#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "document/map_document_io.h"
#include "textures/texture_library_file.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

TEST(DemoCommand, WritesADocumentAndItsLibrary) {
  QX_NEED_CLI();
  test::TempDir dir;
  const test::CliResult r = RunCli(dir, "demo " + Quote((dir / "sub" / "demo").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  Editor e;
  std::string error;
  ASSERT_TRUE(LoadMapDocument(e, dir.path() / "sub/demo/demo.qxm", &error)) << error;
  EXPECT_EQ(e.Tree.TopLevel().size(), 3u);
  TextureLibrary lib;
  ASSERT_TRUE(LoadTextureLibrary(lib, dir.path() / "sub/demo/demo.tex", error)) << error;
  EXPECT_EQ(lib.Count(), 5);
  EXPECT_EQ(RunCli(dir, "demo").status, 2);  // the folder is missing
}

}  // namespace
}  // namespace qx
