// The Lattice view's picture, computed on the CPU exactly as resources/lattice.hlsl computes
// it on the GPU: the oracle the GPU picture is compared with, and the place where the
// conventions both sides share are written down:
//  - world x is the late share (column 0 at x = -1), world y the latency (row 0 at y = -1,
//    the bottom), world z the sample count: a count column rises from the floor z = -1
//    (depth 0) toward z = +1;
//  - the output image has its first row at the top: pixel (u, v) in 0..1 looks along the
//    ray through ndc (2u - 1, 1 - 2v).
// All arithmetic is in float, as on the GPU.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "gui/chart_data.h"

namespace gui {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
using Texel = std::array<float, 4>;

// The two textures the shader reads: hist[row * 128 + column] = (n, after-idle / n,
// late / n, back-to-back / n); stat[column] and stat[128 + column] the statistics texels.
struct LatticeTextures {
  std::array<Texel, kLatticeCells> hist{};
  std::array<Texel, 2 * kLatticeSize> stat{};
};
void FillLatticeTextures(const ChartSnapshot& snapshot, LatticeTextures& textures);

struct Ray {
  Vec3 origin, dir;
};
// The turning camera at `seconds`, looking through ndc (-1..1, y up).
Ray CameraRay(float seconds, float ndcX, float ndcY);

// The grid spans -1..1; the box the rim is drawn on spans a little more.
inline constexpr float kGridHalf = 1.0f;
inline constexpr float kRimHalf = 1.02f;
inline constexpr int kMaxMarchSteps = 260;

// Distances along `ray` where it enters and leaves the cube of half-size `half`; false when
// it misses. `dir` components are pushed away from zero first (see SafeDirection).
bool IntersectCube(const Ray& ray, float half, float& tEnter, float& tLeave);
// Each direction component with a magnitude of at least 1e-6, so that a ray along an axis
// divides by a tiny number instead of zero.
Vec3 SafeDirection(Vec3 dir);

struct CellVisit {
  int cell[3];       // ix, iy, iz
  int crossedAxis;   // -1 for the first cell, else the axis whose plane was crossed
  int crossedPlane;  // index 0..128 of that plane
  Vec3 crossing;     // world point where it was crossed
};

// Walks the cells the ray passes through, front to back, calling visit(CellVisit) until the
// ray leaves the grid, kMaxMarchSteps cells were visited, or visit returns false. The walk
// starts where the ray enters the grid itself, not the wider rim box: a ray coming in through
// the margin still walks the cells it reaches.
template <typename Visit>
void WalkLattice(const Ray& ray, Visit&& visit) {
  const Vec3 d = SafeDirection(ray.dir);
  const Ray safe{ray.origin, d};
  float tEnter = 0, tLeave = 0;
  if (!IntersectCube(safe, kGridHalf, tEnter, tLeave)) return;
  const float dv[3] = {d.x, d.y, d.z};
  const float ov[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
  const float cellsPerUnit = kLatticeSize / (2.0f * kGridHalf);
  CellVisit v{};
  float tNext[3], tDelta[3];
  int step[3];
  for (int a = 0; a < 3; ++a) {
    const float at = ov[a] + dv[a] * (tEnter + 1e-4f);
    const float g = std::floor((at + kGridHalf) * cellsPerUnit);
    v.cell[a] = static_cast<int>(std::fmin(std::fmax(g, 0.0f), kLatticeSize - 1.0f));
    step[a] = dv[a] > 0 ? 1 : -1;
    const float boundary = (v.cell[a] + (step[a] > 0 ? 1 : 0)) / cellsPerUnit - kGridHalf;
    tNext[a] = (boundary - ov[a]) / dv[a];
    tDelta[a] = 1.0f / (cellsPerUnit * std::fabs(dv[a]));
  }
  v.crossedAxis = -1;
  v.crossedPlane = -1;
  for (int i = 0; i < kMaxMarchSteps; ++i) {
    if (!visit(static_cast<const CellVisit&>(v))) return;
    int a = 0;
    if (tNext[1] < tNext[a]) a = 1;
    if (tNext[2] < tNext[a]) a = 2;
    if (tNext[a] > tLeave) return;
    v.cell[a] += step[a];
    if (v.cell[a] < 0 || v.cell[a] >= kLatticeSize) return;
    v.crossedAxis = a;
    v.crossedPlane = v.cell[a] + (step[a] > 0 ? 0 : 1);
    v.crossing = {ov[0] + dv[0] * tNext[a], ov[1] + dv[1] * tNext[a], ov[2] + dv[2] * tNext[a]};
    tNext[a] += tDelta[a];
  }
}

// Whether depth `depth` (0 at the floor z = -1) lies inside the count column of a cell with
// `n` samples: one sample fills the first 4 depths, 64 or more the whole depth.
bool InCountColumn(int depth, float n);

struct PixelRgb {
  float r = 0, g = 0, b = 0;
};
// One pixel of the view at `seconds`; u, v in 0..1 with v = 0 the top row.
PixelRgb ShadeLatticePixel(const LatticeTextures& textures, float seconds, float u, float v);

}  // namespace gui
