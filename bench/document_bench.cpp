// Times saving and loading a big map document: 100,000 nodes in 4,000 sectors
// (a fifth of them nested), 20 quads, 2 lights and a portal per sector, and a
// model of 250 vertices and 500 triangles in every fourth sector.
//   document_bench [nodes]             save and load three times each
//   document_bench save FILE [nodes]   build the scene and save it once
//   document_bench load FILE           load FILE once
// Peak memory: run the single modes under /usr/bin/time -v.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_help.h"
#include "document/map_document_io.h"
#include "support/scene_samples.h"

using namespace qx;

namespace {

constexpr int kGroup = 25;  // nodes per sector: itself, 20 quads, 2 lights, a portal, a model or quad

void BuildScene(Editor& e, int nodes) {
  TSector* outer = nullptr;
  TSector* previous = nullptr;
  for (int g = 0; g * kGroup < nodes; ++g) {
    TSector* parent = g % 5 == 0 ? nullptr : outer;
    TSector* s = test::AddSector(e, parent, "Sektor " + std::to_string(g));
    if (!parent) outer = s;
    const Vector base{float(g % 64) * 400, float(g / 64 % 8) * 200, float(g / 512) * 400};
    for (int q = 0; q < 20; ++q) {
      TSector* quad = test::AddQuad(e, s, {base.x + q * 20, base.y, base.z + q * 10});
      quad->TextureIndex = static_cast<uint16_t>(q);
      quad->Vertices[q % 4].Color[1] = 0.5f;
    }
    test::AddLight(e, s, {base.x, base.y + 50, base.z});
    test::AddLight(e, s, {base.x + 100, base.y + 50, base.z});
    test::AddPortal(e, s, base, previous);
    if (g % 4 == 0)
      test::AddModel(e, s, base, 250, 500);
    else
      test::AddQuad(e, s, base);
    previous = s;
  }
}

// Heap bytes of the scene's records, their arrays and names.
size_t SceneBytes(const Editor& e) {
  size_t bytes = 0;
  e.Tree.Walk([&](TSector* n) {
    bytes += sizeof(TSector) + n->Vertices.capacity() * sizeof(TVertex) +
             n->Triangles.capacity() * sizeof(TTriangle) + n->Children.capacity() * sizeof(void*);
    if (n->Name.capacity() > 15) bytes += n->Name.capacity() + 1;
  });
  return bytes;
}

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool Save(const Editor& e, const std::filesystem::path& path, double& seconds) {
  std::string error;
  const auto t0 = std::chrono::steady_clock::now();
  const bool ok = SaveMapDocument(e, path, &error);
  seconds = Seconds(t0);
  if (!ok) std::fprintf(stderr, "save failed: %s\n", error.c_str());
  return ok;
}

bool Load(Editor& e, const std::filesystem::path& path, double& seconds) {
  std::string error;
  const auto t0 = std::chrono::steady_clock::now();
  const bool ok = LoadMapDocument(e, path, &error);
  seconds = Seconds(t0);
  if (!ok) std::fprintf(stderr, "load failed: %s\n", error.c_str());
  return ok;
}

void Report(const char* what, double seconds) {
  std::printf("%-5s %.3f s\n", what, seconds);
}

int RunAll(int nodes) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "quarvex_document_bench.qxm";
  const long rss_empty = StatusKb("VmRSS:");
  Editor e;
  BuildScene(e, nodes);
  const long rss_scene = StatusKb("VmRSS:");
  std::printf("scene: %zu nodes, %.1f MB of records (RSS +%.1f MB)\n", e.Tree.Count(), SceneBytes(e) / 1e6,
              (rss_scene - rss_empty) / 1e3);
  std::vector<double> saves, loads;
  for (int i = 0; i < 3; ++i) {
    double s;
    if (!Save(e, path, s)) return 1;
    saves.push_back(s);
  }
  std::printf("file: %.1f MB\n", std::filesystem::file_size(path) / 1e6);
  for (int i = 0; i < 3; ++i) {
    Editor loaded;
    double s;
    if (!Load(loaded, path, s)) return 1;
    loads.push_back(s);
    if (loaded.Tree.Count() != e.Tree.Count()) return 1;
  }
  std::sort(saves.begin(), saves.end());
  std::sort(loads.begin(), loads.end());
  std::printf("save  best %.3f s, median %.3f s\n", saves[0], saves[1]);
  std::printf("load  best %.3f s, median %.3f s\n", loads[0], loads[1]);
  std::printf("peak RSS %.1f MB\n", StatusKb("VmHWM:") / 1e3);
  std::filesystem::remove(path);
  return 0;
}

}  // namespace

constexpr const char* kUsage =
    "Aufruf: document_bench [KNOTEN]\n"
    "       document_bench save DATEI.qxm [KNOTEN]\n"
    "       document_bench load DATEI.qxm\n"
    "Misst Speichern und Laden eines großen Map-Dokuments (Vorgabe 100000 Knoten).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "save" && argc > 2) {
    Editor e;
    BuildScene(e, argc > 3 ? std::atoi(argv[3]) : 100000);
    std::printf("scene: %zu nodes, %.1f MB of records, RSS %.1f MB\n", e.Tree.Count(), SceneBytes(e) / 1e6,
                StatusKb("VmRSS:") / 1e3);
    double s;
    if (!Save(e, argv[2], s)) return 1;
    Report("save", s);
    std::printf("peak RSS %.1f MB\n", StatusKb("VmHWM:") / 1e3);
    return 0;
  }
  if (mode == "load" && argc > 2) {
    Editor e;
    double s;
    if (!Load(e, argv[2], s)) return 1;
    std::printf("scene: %zu nodes, %.1f MB of records, RSS %.1f MB\n", e.Tree.Count(), SceneBytes(e) / 1e6,
                StatusKb("VmRSS:") / 1e3);
    Report("load", s);
    std::printf("peak RSS %.1f MB\n", StatusKb("VmHWM:") / 1e3);
    return 0;
  }
  return RunAll(argc > 1 ? std::atoi(argv[1]) : 100000);
}
