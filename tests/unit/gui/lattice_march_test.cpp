#include "gui/lattice_march.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace gui {
namespace {

using Cells = std::vector<std::array<int, 3>>;

Ray Normalized(Vec3 origin, Vec3 dir) {
  const float len = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
  return {origin, {dir.x / len, dir.y / len, dir.z / len}};
}

Cells Walk(const Ray& ray) {
  Cells cells;
  WalkLattice(ray, [&](const CellVisit& v) {
    cells.push_back({v.cell[0], v.cell[1], v.cell[2]});
    return true;
  });
  return cells;
}

struct Sampled {
  Cells all;       // every cell a sample fell in, in order
  Cells required;  // those the ray stays in for at least three samples
};

// The cells that points taken every 1e-4 along the ray fall in, in order, in double
// precision: no stepping logic at all. A cell the ray only grazes (a sliver at a corner, or a
// plane crossed within float rounding of the entry) is seen by one or two samples or none,
// so only the cells seen by three or more are required of the walk.
Sampled PointSampled(const Ray& ray) {
  Sampled s;
  int run = 0;
  for (double t = 0; t < 8; t += 1e-4) {
    std::array<int, 3> c;
    const double p[3] = {ray.origin.x + ray.dir.x * t, ray.origin.y + ray.dir.y * t,
                         ray.origin.z + ray.dir.z * t};
    bool inside = true;
    for (int a = 0; a < 3; ++a) {
      c[a] = static_cast<int>(std::floor((p[a] + 1) * 64));
      inside = inside && p[a] > -1 && p[a] < 1;
    }
    if (!inside) continue;
    if (s.all.empty() || s.all.back() != c) {
      s.all.push_back(c);
      run = 0;
    }
    if (++run == 3) s.required.push_back(c);
  }
  return s;
}

bool AmongFirstTwo(const std::array<int, 3>& cell, const Cells& cells) {
  return cell == cells[0] || (cells.size() > 1 && cell == cells[1]);
}

// Every required cell is walked, in order; walked cells are face neighbours; the walk starts
// where the samples start and, unless it hit the step limit, ends where they end.
void ExpectWalkMatchesSamples(const Ray& ray) {
  const Cells walked = Walk(ray);
  const Sampled sampled = PointSampled(ray);
  ASSERT_EQ(walked.empty(), sampled.all.empty());
  if (walked.empty()) return;
  EXPECT_TRUE(AmongFirstTwo(walked.front(), sampled.all));
  std::size_t next = 0;
  for (std::size_t i = 0; i < walked.size(); ++i) {
    if (i > 0) {
      int moved = 0;
      for (int a = 0; a < 3; ++a) moved += std::abs(walked[i][a] - walked[i - 1][a]);
      ASSERT_EQ(moved, 1) << "step " << i;
    }
    if (next < sampled.required.size() && walked[i] == sampled.required[next]) ++next;
  }
  if (walked.size() < static_cast<std::size_t>(kMaxMarchSteps)) {
    EXPECT_EQ(next, sampled.required.size());
    const Cells reversed(sampled.all.rbegin(), sampled.all.rend());
    EXPECT_TRUE(AmongFirstTwo(walked.back(), reversed));
  } else {
    EXPECT_GT(next, 200u);
  }
}

TEST(LatticeMarchTest, WalkMatchesPointSampling) {
  struct Case {
    const char* name;
    Vec3 origin, dir;
    std::size_t cells;  // 0: not checked
  };
  const Case cases[] = {
      {"in through the top margin, then down into the grid", {-3, 1.05f, 0.3f}, {1, -0.02f, 0}, 0},
      {"through the margin only", {-3, 1.01f, 0.01f}, {1, 0, 0}, 0},
      {"along z", {0.3f, -0.5f, -3}, {0, 0, 1}, 128},
      {"along x, backwards", {3, 0.2f, 0.7f}, {-1, 0, 0}, 128},
      {"along -y from above", {0.1f, 3, -0.9f}, {0, -1, 0}, 128},
      {"diagonal, step limit", {-3, -3, -3}, {1, 1.01f, 0.99f}, kMaxMarchSteps},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Ray ray = Normalized(c.origin, c.dir);
    ExpectWalkMatchesSamples(ray);
    if (c.cells) EXPECT_EQ(Walk(ray).size(), c.cells);
  }
  EXPECT_TRUE(Walk(Normalized({-3, 1.01f, 0.01f}, {1, 0, 0})).empty());
  EXPECT_FALSE(Walk(Normalized({-3, 1.05f, 0.3f}, {1, -0.02f, 0})).empty());
}

TEST(LatticeMarchTest, CameraRaysWalkLikePointSampling) {
  std::mt19937 random(128);
  std::uniform_real_distribution<float> ndc(-1, 1), time(0, 60);
  for (int i = 0; i < 150; ++i) {
    const Ray ray = CameraRay(time(random), ndc(random), ndc(random));
    SCOPED_TRACE(i);
    ExpectWalkMatchesSamples(ray);
  }
}

// Up on the screen is up in the world, and the image's top row is v = 0.
TEST(LatticeMarchTest, ImageAndWorldAgreeOnUp) {
  EXPECT_GT(CameraRay(0, 0, 1).dir.y, CameraRay(0, 0, -1).dir.y);
  auto textures = std::make_unique<LatticeTextures>();
  const PixelRgb corner = ShadeLatticePixel(*textures, 0, 0, 0);  // misses the cube
  EXPECT_NEAR(corner.b, 0.07f * 0.3f, 1e-6);
}

TEST(LatticeMarchTest, CountColumnsRiseFromTheFloor) {
  struct Case {
    float n;
    int topDepth;  // highest depth inside the column, -1 for none
  };
  // Heights lerp(4/128, 1, ln n / ln 64): 1 -> 0.03125, 32 -> 0.83854, 64 -> 1.
  const Case cases[] = {{0, -1}, {0.5f, -1}, {1, 3}, {32, 106}, {64, 127}, {65535, 127}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    if (c.topDepth >= 0) EXPECT_TRUE(InCountColumn(0, c.n));
    if (c.topDepth >= 0) EXPECT_TRUE(InCountColumn(c.topDepth, c.n));
    if (c.topDepth < 127) EXPECT_FALSE(InCountColumn(c.topDepth + 1, c.n));
  }
  // The columns are opaque: a pixel whose ray meets full ones is lit, not background.
  auto full = std::make_unique<LatticeTextures>();
  for (Texel& texel : full->hist) texel = {64, 0, 0, 1};
  const PixelRgb lit = ShadeLatticePixel(*full, 0, 0.5f, 0.5f);
  const PixelRgb empty = ShadeLatticePixel(*std::make_unique<LatticeTextures>(), 0, 0.5f, 0.5f);
  EXPECT_GT(lit.b, empty.b + 0.5f);
}

}  // namespace
}  // namespace gui
