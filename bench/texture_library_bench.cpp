// Reading and writing texture library files and loading MD2 models, the work
// behind start-up (the last library) and "Model...".
#include <benchmark/benchmark.h>

#include "models/md2.h"
#include "models/test_md2.h"
#include "textures/test_bitmaps.h"
#include "textures/texture_library_file.h"

namespace {

std::vector<uint8_t> LibraryFile(int textures, int size) {
  std::vector<qx::TTexNode> entries;
  const auto bmp = qx::test::MakeBmp(size, size);
  for (int i = 0; i < textures; ++i)
    entries.push_back(qx::MakeTexNode(i, "texture" + std::to_string(i), bmp));
  return *qx::WriteTextureLibraryBytes(entries);
}

void BM_ReadLibrary(benchmark::State& state) {
  const auto file = LibraryFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(qx::ReadTextureLibraryBytes(file.data(), file.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ReadLibrary)->Args({100, 256})->Args({20, 1024})->Unit(benchmark::kMillisecond);

void BM_WriteLibrary(benchmark::State& state) {
  const auto file = LibraryFile(100, 256);
  const auto entries = *qx::ReadTextureLibraryBytes(file.data(), file.size());
  for (auto _ : state) benchmark::DoNotOptimize(qx::WriteTextureLibraryBytes(entries));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_WriteLibrary)->Unit(benchmark::kMillisecond);

void BM_LoadMD2(benchmark::State& state) {
  qx::test::Md2Spec s;
  qx::test::Md2Frame f;
  for (int v = 0; v < 2048; ++v) f.vertices.push_back({uint8_t(v), uint8_t(v >> 3), uint8_t(v * 7)});
  s.frames.assign(static_cast<size_t>(state.range(0)), f);
  for (int i = 0; i < 512; ++i) s.tex_coords.push_back({int16_t(i), int16_t(i / 2)});
  for (int t = 0; t < 4000; ++t)
    s.triangles.push_back({int16_t(t % 2048), int16_t((t + 1) % 2048), int16_t((t + 2) % 2048),
                           int16_t(t % 512), int16_t((t + 5) % 512), int16_t((t + 9) % 512)});
  const auto file = qx::test::MakeMd2(s);
  for (auto _ : state) {
    qx::TMD2 m;
    benchmark::DoNotOptimize(m.LoadFromMemory(file.data(), file.size()));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_LoadMD2)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
