#include "gui/lattice_march.h"

#include <algorithm>

namespace gui {

namespace {

constexpr PixelRgb kElectric{0x34 / 255.0f, 0x7B / 255.0f, 0xFF / 255.0f};
constexpr PixelRgb kBlueprint{0x12 / 255.0f, 0x3A / 255.0f, 0x91 / 255.0f};
constexpr PixelRgb kIcy{0x8D / 255.0f, 0xB8 / 255.0f, 0xFF / 255.0f};
constexpr PixelRgb kCoolWhite{0xF4 / 255.0f, 0xF7 / 255.0f, 0xFF / 255.0f};
constexpr PixelRgb kGridGrey{0.55f, 0.57f, 0.60f};
constexpr PixelRgb kBackground{0.012f, 0.028f, 0.07f};
constexpr float kCell = 1.0f / kLatticeSize;
constexpr float kHeatOpaque = 0.97f;
constexpr float kGridCap = 0.045f;

float Saturate(float x) { return std::fmin(std::fmax(x, 0.0f), 1.0f); }
PixelRgb Lerp(PixelRgb a, PixelRgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Vec3 RotateY(Vec3 p, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}
Vec3 RotateX(Vec3 p, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return {p.x, p.y * c - p.z * s, p.y * s + p.z * c};
}
Vec3 RotateZ(Vec3 p, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return {p.x * c - p.y * s, p.x * s + p.y * c, p.z};
}

// Front-to-back compositing of the data and, separately, of the mesh, so the mesh can be
// kept faint whatever the data does.
struct Layers {
  PixelRgb heat, grid;
  float heatAlpha = 0, gridAlpha = 0;

  void AddHeat(PixelRgb c, float alpha) {
    const float w = (1 - heatAlpha) * alpha;
    heat = {heat.r + c.r * w, heat.g + c.g * w, heat.b + c.b * w};
    heatAlpha += w;
  }
  void AddGrid(float alpha) {
    if (alpha < 0.0004f) return;
    const float w = std::fmin(alpha * (1 - heatAlpha), kGridCap - gridAlpha);
    if (w <= 0) return;
    grid = {grid.r + kGridGrey.r * w, grid.g + kGridGrey.g * w, grid.b + kGridGrey.b * w};
    gridAlpha += w;
  }
};

// The rim: how close the entry point is to one of the cube's edges.
float RimAlpha(Vec3 p) {
  const float f[3] = {kRimHalf - std::fabs(p.x), kRimHalf - std::fabs(p.y),
                      kRimHalf - std::fabs(p.z)};
  const float lo = std::fmin(std::fmin(f[0], f[1]), f[2]);
  const float hi = std::fmax(std::fmax(f[0], f[1]), f[2]);
  const float mid = f[0] + f[1] + f[2] - lo - hi;
  const float e2 = lo * lo + mid * mid;
  return 0.012f * std::exp(-140.0f * e2);
}

// A crossed cell plane: a line where the crossing lies near the crossed cell's edge.
float PlaneAlpha(const CellVisit& v) {
  const float p[3] = {v.crossing.x, v.crossing.y, v.crossing.z};
  float d = 1;
  for (int a = 0; a < 3; ++a) {
    if (a == v.crossedAxis) continue;
    const float g = (p[a] + kGridHalf) * (kLatticeSize / (2 * kGridHalf));
    const float fr = g - std::floor(g);
    d = std::fmin(d, std::fmin(fr, 1 - fr));
  }
  const float eighth = v.crossedPlane / 8.0f;
  const bool major = eighth - std::floor(eighth) < 1.0f / 16;
  return major ? 0.007f * std::exp(-160.0f * d * d) : 0.0018f * std::exp(-520.0f * d * d);
}

void ShadeCell(const LatticeTextures& textures, const CellVisit& v, Layers& layers) {
  const int ix = v.cell[0], iy = v.cell[1], iz = v.cell[2];
  const Texel& h = textures.hist[iy * kLatticeSize + ix];
  const Texel& s0 = textures.stat[ix];
  const Texel& s1 = textures.stat[kLatticeSize + ix];
  const float y = (iy + 0.5f) * kCell;
  if (s1[2] > 0.5f) {
    const float width = std::fmax(s0[3], 1.6f * kCell);
    const float q = std::fabs(y - s0[0]) / width;
    layers.AddHeat(Lerp(kElectric, kIcy, Saturate(s1[0])), 0.42f * std::exp(-q * q));
    if (std::fabs(s0[1] - s0[0]) > 1.5f * kCell && std::fabs(y - s0[1]) <= 0.55f * kCell) {
      layers.AddHeat(kIcy, 0.50f);
    }
    if (std::fabs(y - s0[2]) <= 0.55f * kCell) {
      layers.AddHeat(Lerp(kIcy, kCoolWhite, 0.35f), 0.55f);
    }
  }
  const float n = h[0];
  if (InCountColumn(iz, n)) {
    PixelRgb c = Lerp(kBlueprint, kElectric, 0.5f + 0.5f * Saturate(std::log(n) / std::log(48.0f)));
    c = Lerp(c, kIcy, h[1]);
    c = Lerp(c, Lerp(kIcy, kCoolWhite, 0.4f), h[2]);
    layers.AddHeat(c, 0.94f);
  }
}

}  // namespace

bool InCountColumn(int depth, float n) {
  if (!(n >= 1)) return false;
  const float height = 4 * kCell + (1 - 4 * kCell) * Saturate(std::log(n) / std::log(64.0f));
  return (depth + 0.5f) * kCell <= height;
}

void FillLatticeTextures(const ChartSnapshot& snapshot, LatticeTextures& textures) {
  for (int i = 0; i < kLatticeCells; ++i) {
    const LatticeCell& c = snapshot.cells[i];
    const float n = c.all;
    textures.hist[i] =
        c.all == 0 ? Texel{0, 0, 0, 0} : Texel{n, c.afterIdle / n, c.late / n, c.backToBack / n};
  }
  for (int column = 0; column < kLatticeSize; ++column) {
    textures.stat[column] = snapshot.stats[column].levels;
    textures.stat[kLatticeSize + column] = snapshot.stats[column].score;
  }
}

Vec3 SafeDirection(Vec3 d) {
  auto away = [](float x) { return x < 0 ? std::fmin(x, -1e-6f) : std::fmax(x, 1e-6f); };
  return {away(d.x), away(d.y), away(d.z)};
}

bool IntersectCube(const Ray& ray, float half, float& tEnter, float& tLeave) {
  const Vec3 d = SafeDirection(ray.dir);
  const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
  const float dv[3] = {d.x, d.y, d.z};
  tEnter = -1e30f;
  tLeave = 1e30f;
  for (int a = 0; a < 3; ++a) {
    const float t0 = (-half - o[a]) / dv[a], t1 = (half - o[a]) / dv[a];
    tEnter = std::fmax(tEnter, std::fmin(t0, t1));
    tLeave = std::fmin(tLeave, std::fmax(t0, t1));
  }
  tEnter = std::fmax(tEnter, 0.0f);
  return tLeave > tEnter;
}

Ray CameraRay(float seconds, float ndcX, float ndcY) {
  const float yaw = 0.32f * seconds;
  const float pitch = 0.40f + 0.16f * std::sin(0.21f * seconds);
  const float roll = 0.08f * std::sin(0.17f * seconds);
  const float len =
      std::sqrt(ndcX * 0.7f * ndcX * 0.7f + ndcY * 0.7f * ndcY * 0.7f + 1.45f * 1.45f);
  Vec3 origin{0, 0, -3.65f};
  Vec3 dir{ndcX * 0.7f / len, ndcY * 0.7f / len, 1.45f / len};
  origin = RotateZ(RotateX(RotateY(origin, yaw), pitch), roll);
  dir = RotateZ(RotateX(RotateY(dir, yaw), pitch), roll);
  return {origin, dir};
}

PixelRgb ShadeLatticePixel(const LatticeTextures& textures, float seconds, float u, float v) {
  const float ndcX = 2 * u - 1, ndcY = 1 - 2 * v;
  const float shade = 1 - 0.35f * (ndcX * ndcX + ndcY * ndcY);
  const PixelRgb background{kBackground.r * shade, kBackground.g * shade, kBackground.b * shade};
  const Ray ray = CameraRay(seconds, ndcX, ndcY);
  float tEnter = 0, tLeave = 0;
  if (!IntersectCube(ray, kRimHalf, tEnter, tLeave)) return background;

  Layers layers;
  const Vec3 d = SafeDirection(ray.dir);
  const float te = tEnter + 1e-4f;
  layers.AddGrid(
      RimAlpha({ray.origin.x + d.x * te, ray.origin.y + d.y * te, ray.origin.z + d.z * te}));
  WalkLattice(ray, [&](const CellVisit& cell) {
    if (cell.crossedAxis >= 0) layers.AddGrid(PlaneAlpha(cell));
    ShadeCell(textures, cell, layers);
    return layers.heatAlpha <= kHeatOpaque;
  });

  auto mix = [&](float bg, float heat, float grid) {
    return Saturate((bg * (1 - layers.heatAlpha) + heat) * (1 - layers.gridAlpha) + grid);
  };
  return {mix(background.r, layers.heat.r, layers.grid.r),
          mix(background.g, layers.heat.g, layers.grid.g),
          mix(background.b, layers.heat.b, layers.grid.b)};
}

}  // namespace gui
