// Writes the drawing benchmark's level (bench_level.h) into a folder:
//   make_bench_level FOLDER [ROOMS]   -> FOLDER/level.qxm, FOLDER/level.tex
// 500 rooms (the default) are 50,000 quads.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_help.h"
#include "bench_level.h"
#include "document/map_document_io.h"
#include "textures/texture_library_file.h"

constexpr const char* kUsage =
    "Aufruf: make_bench_level ORDNER [RÄUME]\n"
    "Schreibt das Level der Zeichen-Benchmarks nach ORDNER/level.qxm und ORDNER/level.tex\n"
    "(Vorgabe 500 Räume, 50000 Vierecke).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const int rooms = argc > 2 ? std::atoi(argv[2]) : 500;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  qx::Editor e;
  qx::bench::BuildBenchLevel(e, rooms);
  std::string message;
  if (!qx::SaveMapDocument(e, folder / "level.qxm", &message) ||
      !qx::SaveTextureLibrary(e.Textures, folder / "level.tex", message)) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  }
  std::printf("%s\n%s\n", (folder / "level.qxm").string().c_str(), (folder / "level.tex").string().c_str());
  return 0;
}
