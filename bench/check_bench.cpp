// "Level prüfen" on a big level: the full check, and the live re-check after
// one edit (a quad's corner moved, a light moved, a quad added), as the panel
// runs it from the document's change sets.
//
//   check_bench [LEVEL.qxm] [--repeat N]
//
// Without a file the lightmap benchmark's level of 128 rooms is built in
// process (the same as `lightmap_bench --rooms 128 --save FILE.qxm` writes).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "commands/level_check.h"
#include "document/map_document_io.h"
#include "support/scene_generator.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The machine is shared: the thread's own processor time shows the work
// without the waits for a core.
double CpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  int repeat = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--repeat" && i + 1 < argc)
      repeat = std::max(1, std::atoi(argv[++i]));
    else if (a[0] != '-')
      file = a;
    else {
      std::fprintf(stderr, "usage: %s [LEVEL.qxm] [--repeat N]\n", argv[0]);
      return 2;
    }
  }
  qx::Editor e;
  if (!file.empty()) {
    std::string error;
    if (!qx::LoadMapDocument(e, file, &error)) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
      return 1;
    }
  } else {
    qx::test::BuildRoomLevel(e, 128, 512);
  }
  std::vector<qx::TSector*> quads, lights;
  e.Tree.Walk([&](qx::TSector* n) {
    if (n->NodeType == qx::kPolygon) quads.push_back(n);
    if (n->NodeType == qx::kLight) lights.push_back(n);
  });
  std::printf("level: %zu nodes, %zu quads, %zu lights\n", e.Tree.Count(), quads.size(), lights.size());

  std::vector<double> full, full_cpu;
  size_t count = 0;
  for (int i = 0; i < repeat; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMillis();
    count = qx::CheckDocument(e).size();
    full_cpu.push_back(CpuMillis() - c0);
    full.push_back(Since(t0));
  }
  std::printf("full check: %zu findings, median %.1f ms (processor %.1f ms), max %.1f ms\n", count,
              Median(full), Median(full_cpu), *std::max_element(full.begin(), full.end()));

  qx::LevelChecker checker(e);
  checker.SetActive(true);
  std::vector<double> geometry, light, insert, rooms, cpu;
  for (int i = 0; i < repeat && !quads.empty(); ++i) {
    qx::TSector* q = quads[(size_t(i) * 7919) % quads.size()];
    q->Vertices[0].Position.y += (i % 2) ? -1.0f : 1.0f;
    e.Changed(q, qx::kChangeGeometry);
    auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMillis();
    e.PublishChanges();  // the checker updates in the listener
    cpu.push_back(CpuMillis() - c0);
    geometry.push_back(Since(t0));
    rooms.push_back(checker.LastStats().rooms_checked);
    if (!lights.empty()) {
      qx::TSector* l = lights[(size_t(i) * 31) % lights.size()];
      l->Position.x += 1;
      e.Changed(l, qx::kChangeGeometry);
      t0 = std::chrono::steady_clock::now();
      e.PublishChanges();
      light.push_back(Since(t0));
    }
    qx::TSector* room = q->Parent;
    qx::TSector* added = qx::test::AddQuad(
        e, room, {q->Vertices[1].Position.x, 30, q->Vertices[1].Position.z}, {5, 0, 0}, {0, 5, 0});
    added->Id = e.NextId();
    t0 = std::chrono::steady_clock::now();
    e.PublishChanges();
    insert.push_back(Since(t0));
    e.Tree.Remove(added);
    e.PublishChanges();
  }
  std::printf(
      "live re-check after a quad's corner moved: median %.1f ms (processor %.1f ms), max %.1f ms (rooms "
      "checked "
      "again: %.0f)\n",
      Median(geometry), Median(cpu),
      geometry.empty() ? 0 : *std::max_element(geometry.begin(), geometry.end()), Median(rooms));
  std::printf("live re-check after a light moved: median %.1f ms, max %.1f ms\n", Median(light),
              light.empty() ? 0 : *std::max_element(light.begin(), light.end()));
  std::printf("live re-check after a quad was added: median %.1f ms, max %.1f ms\n", Median(insert),
              insert.empty() ? 0 : *std::max_element(insert.begin(), insert.end()));
  return 0;
}
