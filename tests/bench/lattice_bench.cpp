// The lattice's CPU side on the window thread: refilling a source's textures from a full
// picture (only when the picture changed), and rebuilding Home's last scan from a run file
// (off the window thread, once per new file).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "gui/last_scan.h"
#include "gui/lattice_march.h"

namespace {

void BM_LatticeFillFullPicture(benchmark::State& state) {
  auto picture = std::make_unique<gui::ChartSnapshot>();
  for (int i = 0; i < gui::kLatticeCells; ++i) {
    gui::LatticeCell& c = picture->cells[static_cast<std::size_t>(i)];
    c.all = static_cast<std::uint16_t>(1 + i % 900);
    c.afterIdle = static_cast<std::uint16_t>(c.all / 3);
    c.backToBack = static_cast<std::uint16_t>(c.all - c.afterIdle);
    c.late = static_cast<std::uint16_t>(c.all / 5);
  }
  auto textures = std::make_unique<gui::LatticeTextures>();
  for (auto _ : state) {
    gui::FillLatticeTextures(*picture, *textures);
    benchmark::DoNotOptimize(textures->hist[777]);
  }
}
BENCHMARK(BM_LatticeFillFullPicture);

// A run file of `rows` sweep rows in the program's own number formats.
std::string RunFile(int rows) {
  std::string text = "phase,requested_units,...\r\n";
  for (int i = 0; i < rows; ++i) {
    text += "sweep," + std::to_string(5000 + i) + ",5000,0.5000," + std::to_string(18 + i % 40) +
            ",0.41000,0.42000,0.05000,0.30000,0.55000,0.61000,0.90000," + std::to_string(i % 60) +
            ".000,0.47000,1,9,0.52000,0.53000,0.06000,0.40000,0.70000,0.80000,1.10000,4.000,"
            "0.59000,0,0.53000,0,0,0\r\n";
  }
  return text;
}

void BM_LastScanReplay(benchmark::State& state) {
  const std::string text = RunFile(static_cast<int>(state.range(0)));
  auto picture = std::make_unique<gui::ChartSnapshot>();
  for (auto _ : state) benchmark::DoNotOptimize(gui::ReplayRunRows(text, *picture));
}
BENCHMARK(BM_LastScanReplay)->Arg(200)->Arg(4096);

}  // namespace
