// Every program of the project answers --help with its usage on standard
// output, exits 0 and leaves no file behind: not in the folder it runs in,
// not in a folder named on its command line, not in the settings folders.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/run_cli.h"
#include "support/test_support.h"

namespace qx {
namespace {

struct HelpCase {
  const char* program;    // file name in the build tree (bench/ for the benchmarks)
  const char* arguments;  // OUT names a folder the program would write into
  const char* usage;      // a piece of the usage text
};

const HelpCase kCases[] = {
    {"quarvex", "--help", "Aufruf: quarvex"},
    {"quarvex", "-h OUT/level.qxm", "--frame-stats"},
    {"quarvex-cli", "--help", "Aufruf: quarvex-cli"},
    {"quarvex-cli", "export OUT/a.qxm OUT/b.map --help", "export"},
    {"quarvex-cli", "bake OUT/a.qxm --lightmaps 4x4 --png OUT --help", "bake"},
    {"quarvex-cli", "info --help", "info"},
    {"quarvex-cli", "demo OUT --help", "demo"},
    {"quarvex-cli", "texlib OUT/lib.tex add OUT/x.bmp --help", "texlib"},
    {"bench/make_bench_level", "--help", "Aufruf: make_bench_level"},
    {"bench/make_bench_level", "OUT --help", "ORDNER"},
    {"bench/document_bench", "save OUT/big.qxm --help", "Aufruf: document_bench"},
    {"bench/editing_bench", "--help", "Aufruf: editing_bench"},
    {"bench/lightmap_bench", "--save OUT/level.qxm --help", "Aufruf: lightmap_bench"},
    {"bench/undo_bench", "--help", "Aufruf: undo_bench"},
    {"bench/plane_view_gui_bench", "--help", "Aufruf: plane_view_gui_bench"},
    {"bench/render_gui_bench", "--help", "Aufruf: render_gui_bench"},
    {"bench/texture_library_bench", "--help", "benchmark"},
};

size_t CountEntries(const std::filesystem::path& dir) {
  size_t n = 0;
  for (auto it = std::filesystem::recursive_directory_iterator(dir); it != decltype(it)(); ++it) ++n;
  return n;
}

TEST(Help, EveryProgramPrintsItsUsageAndWritesNothing) {
  for (const HelpCase& c : kCases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
    const std::filesystem::path program = std::filesystem::path(QX_BINARY_DIR) / c.program;
    if (!std::filesystem::exists(program)) {
      // A core-only build (the sanitizer run) has no window and no benchmarks;
      // the command line is in every build.
      if (std::string(c.program) == "quarvex-cli") ADD_FAILURE() << program << " is not built";
      continue;
    }
    test::TempDir dir;
    std::filesystem::create_directories(dir / "work");
    std::filesystem::create_directories(dir / "home");
    std::string args = c.arguments;
    for (size_t at; (at = args.find("OUT")) != std::string::npos;)
      args.replace(at, 3, (dir / "work" / "out").string());
    const std::filesystem::path out = dir / "stdout", err = dir / "stderr";
    // Settings and caches would go below HOME and XDG_*: all inside the folder watched.
    const std::string home = test::Quote((dir / "home").string());
    const std::string command = "cd " + test::Quote((dir / "work").string()) + " && env HOME=" + home +
                                " XDG_CONFIG_HOME=" + home + " XDG_CACHE_HOME=" + home +
                                " XDG_DATA_HOME=" + home + " QT_QPA_PLATFORM=offscreen timeout 60 " +
                                test::Quote(program.string()) + " " + args + " >" +
                                test::Quote(out.string()) + " 2>" + test::Quote(err.string());
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    const auto text = test::ReadFileBytes(out);
    EXPECT_NE(std::string(text.begin(), text.end()).find(c.usage), std::string::npos)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(CountEntries(dir / "work"), 0u);
    EXPECT_EQ(CountEntries(dir / "home"), 0u);
  }
}

}  // namespace
}  // namespace qx
