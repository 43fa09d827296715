// Bakes a generated level with the reference computation and the fast baker,
// checks that both give the same bytes, and prints their times and a hash of
// everything the bake wrote (so that bakers of different versions can be
// compared on levels too large for the reference).
//
//   lightmap_bench [--rooms N] [--lights N] [--size N] [--no-reference] [--repeat N] [--save FILE.qxm]
//
// The default level: 14 rooms of 72 quads (1,008 quads, 2,016 triangles),
// 16 lights (every second one casting shadows), 16 x 16 lightmaps. With
// --rooms and no --lights, every room gets four lights. --save writes the
// generated level as a map document, for `quarvex-cli bake`, and bakes nothing.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "bench_help.h"
#include "document/map_document_io.h"
#include "lighting/lightmap.h"
#include "lighting/lightmap_oracle.h"
#include "support/scene_generator.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

bool SameOutput(const qx::Editor& a, const qx::Editor& b) {
  if (a.LightmapList.size() != b.LightmapList.size()) return false;
  for (size_t i = 0; i < a.LightmapList.size(); ++i)
    if (a.LightmapList[i].rgb != b.LightmapList[i].rgb) return false;
  const auto na = a.Tree.InOrder(), nb = b.Tree.InOrder();
  for (size_t i = 0; i < na.size(); ++i) {
    for (size_t t = 0; t < na[i]->Triangles.size(); ++t)
      if (na[i]->Triangles[t].LightmapIndex != nb[i]->Triangles[t].LightmapIndex) return false;
    for (size_t v = 0; v < na[i]->Vertices.size(); ++v)
      if (std::memcmp(na[i]->Vertices[v].LightmapCoord, nb[i]->Vertices[v].LightmapCoord, 8) != 0 ||
          std::memcmp(na[i]->Vertices[v].Color, nb[i]->Vertices[v].Color, 16) != 0)
        return false;
  }
  return true;
}

// FNV-1a over the lightmaps, the triangles' lightmap indices and the
// vertices' lightmap coordinates and colours, in tree order.
uint64_t OutputHash(const qx::Editor& e) {
  uint64_t h = 1469598103934665603ull;
  auto add = [&](const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  for (const qx::Lightmap& lm : e.LightmapList) add(lm.rgb.data(), lm.rgb.size());
  for (const qx::TSector* n : e.Tree.InOrder()) {
    for (const qx::TTriangle& t : n->Triangles) add(&t.LightmapIndex, sizeof t.LightmapIndex);
    for (const qx::TVertex& v : n->Vertices) {
      add(v.LightmapCoord, sizeof v.LightmapCoord);
      add(v.Color, sizeof v.Color);
    }
  }
  return h;
}

}  // namespace

constexpr const char* kUsage =
    "Aufruf: lightmap_bench [--rooms N] [--lights N] [--size N] [--repeat N] [--no-reference]\n"
    "                      [--save DATEI.qxm]\n"
    "Berechnet die Lightmaps eines erzeugten Levels mit der Referenz und dem schnellen Verfahren\n"
    "und vergleicht sie; --save schreibt nur das Level als Map-Dokument.\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  int rooms = 14, lights = -1, size = 16, repeat = 3;
  bool reference = true, rooms_given = false;
  std::string save;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
    if (a == "--rooms")
      rooms = next(), rooms_given = true;
    else if (a == "--lights")
      lights = next();
    else if (a == "--size")
      size = next();
    else if (a == "--repeat")
      repeat = next();
    else if (a == "--no-reference")
      reference = false;
    else if (a == "--save" && i + 1 < argc)
      save = argv[++i];
    else {
      std::fprintf(
          stderr,
          "usage: %s [--rooms N] [--lights N] [--size N] [--repeat N] [--no-reference] [--save FILE.qxm]\n",
          argv[0]);
      return 2;
    }
  }
  if (lights == -1) lights = rooms_given ? 4 * rooms : 16;
  if (rooms < 1 || lights < 0 || size < 1 || repeat < 1) return 2;

  qx::Editor fast, slow;
  qx::test::BuildRoomLevel(fast, rooms, lights);
  qx::test::BuildRoomLevel(slow, rooms, lights);
  size_t quads = 0, triangles = 0;
  fast.Tree.Walk([&](qx::TSector* n) {
    if (n->NodeType == qx::kPolygon) ++quads, triangles += n->Triangles.size();
  });
  std::printf(
      "level: %d rooms, %zu quads, %zu triangles, %d lights (%d casting shadows), %d x %d lightmaps\n", rooms,
      quads, triangles, lights, lights / 2, size, size);

  if (!save.empty()) {
    std::string error;
    if (!qx::SaveMapDocument(fast, save, &error)) {
      std::fprintf(stderr, "%s: %s\n", save.c_str(), error.c_str());
      return 1;
    }
    std::printf("written: %s\n", save.c_str());
    return 0;
  }

  double best = 1e300, best_cpu = 1e300;
  uint64_t queries = 0;
  qx::TexelStats stats;
  for (int r = 0; r < repeat; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    const qx::BakeLists lists = qx::CollectBakeLists(fast.Tree);
    qx::BakeResult result = qx::BakeLightmaps(lists, {size, size});
    queries = result.shadow_queries;
    stats = result.stats;
    qx::ApplyBakeResult(fast, std::move(result), nullptr);
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - t0));
    best_cpu = std::min(best_cpu, double(std::clock() - c0) / CLOCKS_PER_SEC);
  }
  // CPU time is printed too: on a shared machine the wall time also measures the others' load.
  std::printf("fast baker:      %10.3f s (best of %d; %.3f s CPU on %u threads)\n", best, repeat, best_cpu,
              std::thread::hardware_concurrency());
  std::printf("shadow-ray tests: %llu, %.2f million per second (%.2f million per CPU second)\n",
              static_cast<unsigned long long>(queries), queries / best / 1e6, queries / best_cpu / 1e6);
  const double texels = double(fast.LightmapList.size()) * size * size;
  std::printf(
      "shadow decisions: %.2f %% by the per-texel test; %llu blocks, %llu covered at once; "
      "%llu segments, %llu caster lists\n",
      queries ? 100.0 * stats.exact_shadow_tests / queries : 0.0,
      static_cast<unsigned long long>(stats.blocks), static_cast<unsigned long long>(stats.covered_blocks),
      static_cast<unsigned long long>(stats.segments),
      static_cast<unsigned long long>(stats.candidate_lists));
  std::printf("texels summed in light order again: %.2f %%\n",
              texels ? 100.0 * stats.exact_texels / texels : 0.0);
  const double computed = std::max<double>(1, double(stats.exact_lights ? fast.LightmapList.size() : 1));
  std::printf(
      "per lightmap: %.1f light groups opened, %.1f lights summed exactly over a block, %.2f blocks split, "
      "%.1f looks at a block, %.0f cut entries looked at\n",
      stats.opened_groups / computed, stats.exact_lights / computed, stats.split_blocks / computed,
      stats.rounds / computed, stats.cut_entries / computed);
  std::printf("lightmaps:        %zu, %.0f per second\n", fast.LightmapList.size(),
              fast.LightmapList.size() / best);
  std::printf("output hash:      %016llx\n", static_cast<unsigned long long>(OutputHash(fast)));

  if (reference) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    qx::ComputeLightmapsOracle(slow, {size, size});
    const double slow_time = Seconds(std::chrono::steady_clock::now() - t0);
    const double slow_cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    std::printf("reference:       %10.3f s (%.3f s CPU, one thread)\n", slow_time, slow_cpu);
    std::printf("speed-up:        %10.1f x (wall time; %.1f x in CPU time)\n", slow_time / best,
                slow_cpu / best_cpu);
    const bool same = SameOutput(slow, fast);
    std::printf("identical output: %s\n", same ? "yes" : "NO");
    if (!same) return 1;
  }
  return 0;
}
