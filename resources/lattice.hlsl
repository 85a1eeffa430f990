// Lattice view: a 128 x 128 x 128 cell cube spanning -1..1, ray-marched per pixel.
// x is the late share (column), y the latency (row 0 at the bottom), z the sample count: a
// count column rises from the floor z = -1. Texture row iy holds latency row iy; the image's
// top row is uv.y = 0 and looks along ndc y = +1. src/gui/lattice_march.cpp computes the
// same picture on the CPU and must change with this file.
//
// Written for two compilers: Windows' own, and (under the test-only VELTRANE_WINE_HLSL) the
// one Wine ships, which has no user functions, no break, no ?:, no loops it can compile and
// none of sin, cos, exp, log, sqrt or frac. Helpers are therefore macros, the march is one
// step macro that ends through a flag (looped here, written out 260 times there), and the
// intrinsics go through one-line wrappers that the compatibility branch replaces with
// arithmetic. The program compiles this text with no macro.

cbuffer Frame : register(b0) {
  float time;
  float res;
  float2 pad;
};
Texture2D histTex : register(t0);
Texture2D statTex : register(t1);
SamplerState samp0 : register(s0);

#ifdef VELTRANE_WINE_HLSL
// Wine's preprocessor loses a parameter passed on to another macro: each wrapper stands alone.
#define SIN_INTO(dst, x) { float r_ = (x) - 6.2831853 * floor((x) / 6.2831853 + 0.5); \
    float q_ = r_ * r_; dst = r_ * (1.0 + q_ * (-1.0 / 6.0 + q_ * (1.0 / 120.0 + \
    q_ * (-1.0 / 5040.0 + q_ * (1.0 / 362880.0 - q_ / 39916800.0))))); }
#define COS_INTO(dst, x) { float r_ = (x) + 1.5707963; \
    r_ = r_ - 6.2831853 * floor(r_ / 6.2831853 + 0.5); \
    float q_ = r_ * r_; dst = r_ * (1.0 + q_ * (-1.0 / 6.0 + q_ * (1.0 / 120.0 + \
    q_ * (-1.0 / 5040.0 + q_ * (1.0 / 362880.0 - q_ / 39916800.0))))); }
#define EXP1(x) pow(2.7182818, (x))
#define SQRT1(x) pow((x), 0.5)
// Natural log of 1 <= x < 2^32: exact halvings down to 1..2, then the atanh series.
#define LOG_INTO(dst, x) { float m_ = (x); float e_ = 0.0; \
    if (m_ >= 65536.0) { m_ = m_ / 65536.0; e_ = e_ + 16.0; } \
    if (m_ >= 256.0) { m_ = m_ / 256.0; e_ = e_ + 8.0; } \
    if (m_ >= 16.0) { m_ = m_ / 16.0; e_ = e_ + 4.0; } \
    if (m_ >= 4.0) { m_ = m_ / 4.0; e_ = e_ + 2.0; } \
    if (m_ >= 2.0) { m_ = m_ / 2.0; e_ = e_ + 1.0; } \
    float z_ = (m_ - 1.0) / (m_ + 1.0); float z2_ = z_ * z_; \
    dst = e_ * 0.69314718 + 2.0 * z_ * (1.0 + z2_ * (1.0 / 3.0 + z2_ * (0.2 + z2_ / 7.0))); }
// The walk spelled out step by step: Wine's compiler emits nothing usable for a loop.
#define MARCH_4_STEPS MARCH_STEP MARCH_STEP MARCH_STEP MARCH_STEP
#define MARCH_20_STEPS MARCH_4_STEPS MARCH_4_STEPS MARCH_4_STEPS MARCH_4_STEPS MARCH_4_STEPS
#define MARCH_ALL_STEPS MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS \
    MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS \
    MARCH_20_STEPS MARCH_20_STEPS MARCH_20_STEPS
#else
#define SIN_INTO(dst, x) { dst = sin(x); }
#define COS_INTO(dst, x) { dst = cos(x); }
#define EXP1(x) exp(x)
#define SQRT1(x) sqrt(x)
#define LOG_INTO(dst, x) { dst = log(x); }
#define MARCH_ALL_STEPS [loop] for (int i = 0; i < 260; i++) { MARCH_STEP }
#endif

#define ELECTRIC float3(0.203922, 0.482353, 1.0)
#define BLUEPRINT float3(0.070588, 0.227451, 0.568627)
#define ICY float3(0.552941, 0.721569, 1.0)
#define COOL_WHITE float3(0.956863, 0.968627, 1.0)
#define GRID_GREY float3(0.55, 0.57, 0.60)
#define CELL (1.0 / 128.0)

// Rotations by yaw about y, pitch about x, roll about z (c, s: cosine and sine).
#define ROTATE_Y(p, c, s) float3((p).x * (c) + (p).z * (s), (p).y, -(p).x * (s) + (p).z * (c))
#define ROTATE_X(p, c, s) float3((p).x, (p).y * (c) - (p).z * (s), (p).y * (s) + (p).z * (c))
#define ROTATE_Z(p, c, s) float3((p).x * (c) - (p).y * (s), (p).x * (s) + (p).y * (c), (p).z)

// A ray along an axis divides by a tiny number instead of zero.
#define AWAY_INTO(dst, x) { dst = max((x), 1e-6); if ((x) < 0.0) { dst = min((x), -1e-6); } }

// Entry and exit distances of the cube of half-size h (entry not behind the origin).
#define INTERSECT_INTO(dst, o, d, h) { float3 t0_ = (-(h) - (o)) / (d); \
    float3 t1_ = ((h) - (o)) / (d); float3 lo_ = min(t0_, t1_); float3 hi_ = max(t0_, t1_); \
    dst = float2(max(max(max(lo_.x, lo_.y), lo_.z), 0.0), min(min(hi_.x, hi_.y), hi_.z)); }

// Front to back: data (heat) and mesh (grid) are composited separately; the mesh stays faint,
// weak lines are dropped and its total is capped.
#define ADD_HEAT(c, a) { float w_ = (1.0 - heatA) * (a); heat = heat + (c) * w_; \
    heatA = heatA + w_; }
#define ADD_GRID(a) { float a_ = (a); if (a_ >= 0.0004) { \
    float w_ = min(a_ * (1.0 - heatA), 0.045 - gridA); \
    if (w_ > 0.0) { grid = grid + GRID_GREY * w_; gridA = gridA + w_; } } }

// One cell of the walk: the plane just crossed, the cell's data, then the step into the
// neighbour across the nearest cell plane (ties: x, then y). A finished walk clears `alive`.
#define MARCH_STEP \
  if (alive > 0.5) { \
    if (crossed > 0.5) { \
      /* A crossed cell plane: a line where the crossing lies near the crossed cell's */ \
      /* edge, every eighth plane a stronger one. */ \
      float3 g = (crossing + 1.0) * 64.0; \
      float3 fr = g - floor(g); \
      float3 dd = min(fr, 1.0 - fr) * (1.0 - axis) + axis; \
      float de = min(min(dd.x, dd.y), dd.z); \
      float eighth = plane / 8.0; \
      float meshA = 0.0018 * EXP1(-520.0 * de * de); \
      if (eighth - floor(eighth) < 1.0 / 16.0) { \
        meshA = 0.007 * EXP1(-160.0 * de * de); \
      } \
      ADD_GRID(meshA); \
    } \
    float4 h = histTex.Load(int3(int(cell.x), int(cell.y), 0)); \
    float4 s0 = statTex.Load(int3(int(cell.x), 0, 0)); \
    float4 s1 = statTex.Load(int3(int(cell.x), 1, 0)); \
    float y = (cell.y + 0.5) * CELL; \
    if (s1.z > 0.5) { \
      /* The candidate mapped to this column: its latency band, after-idle and p99 marks. */ \
      float q = abs(y - s0.x) / max(s0.w, 1.6 * CELL); \
      float3 band = lerp(ELECTRIC, ICY, saturate(s1.x)); \
      float bandA = 0.42 * EXP1(-q * q); \
      ADD_HEAT(band, bandA); \
      if (abs(s0.y - s0.x) > 1.5 * CELL && abs(y - s0.y) <= 0.55 * CELL) { \
        ADD_HEAT(ICY, 0.50); \
      } \
      if (abs(y - s0.z) <= 0.55 * CELL) { \
        float3 p99 = lerp(ICY, COOL_WHITE, 0.35); \
        ADD_HEAT(p99, 0.55); \
      } \
    } \
    if (h.x >= 1.0) { \
      LOG_INTO(lnN, h.x); \
      float height = 4.0 * CELL + (1.0 - 4.0 * CELL) * saturate(lnN / ln64); \
      if ((cell.z + 0.5) * CELL <= height) { \
        float3 c = lerp(BLUEPRINT, ELECTRIC, 0.5 + 0.5 * saturate(lnN / ln48)); \
        c = lerp(c, ICY, h.y); \
        c = lerp(c, lerp(ICY, COOL_WHITE, 0.4), h.z); \
        ADD_HEAT(c, 0.94); \
      } \
    } \
    if (heatA > 0.97) { \
      alive = 0.0; \
    } \
    axis = float3(0.0, 0.0, 1.0); \
    if (tNext.y <= tNext.z) { \
      axis = float3(0.0, 1.0, 0.0); \
    } \
    if (tNext.x <= tNext.y && tNext.x <= tNext.z) { \
      axis = float3(1.0, 0.0, 0.0); \
    } \
    float tHit = dot(axis, tNext); \
    if (tHit > span.y) { \
      alive = 0.0; \
    } \
    cell = cell + axis * stepDir; \
    if (min(min(cell.x, cell.y), cell.z) < 0.0 || max(max(cell.x, cell.y), cell.z) > 127.0) { \
      alive = 0.0; \
    } \
    plane = dot(axis, cell + max(-stepDir, 0.0)); \
    crossing = o + d * tHit; \
    tNext = tNext + axis * tDelta; \
    crossed = 1.0; \
  }

// One triangle over the whole target: (0,0), (2,0), (0,2) in uv, no vertex buffer. Results
// leave through out parameters: Wine's compiler drops a returned value.
void vs(uint id : SV_VertexID, out float4 pos : SV_Position, out float2 uv : TEXCOORD0) {
  float f = (float)id;
  float2 p = float2(2.0 * saturate(1.0 - abs(f - 1.0)), 2.0 * saturate(f - 1.0));
  pos = float4(p.x * 2.0 - 1.0, 1.0 - p.y * 2.0, 0.0, 1.0);
  uv = p;
}

void ps(float4 pos : SV_Position, float2 uv : TEXCOORD0, out float4 color : SV_Target) {
  float2 ndc = float2(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0);
  float3 bg = float3(0.012, 0.028, 0.07) * (1.0 - 0.35 * dot(ndc, ndc));

  // The camera circles the cube and nods.
  float yaw = 0.32 * time;
  float nod = 0.0;
  float tilt = 0.0;
  SIN_INTO(nod, 0.21 * time);
  SIN_INTO(tilt, 0.17 * time);
  float pitch = 0.40 + 0.16 * nod;
  float roll = 0.08 * tilt;
  float cy = 0.0;
  float sy = 0.0;
  float cp = 0.0;
  float sp = 0.0;
  float cr = 0.0;
  float sr = 0.0;
  COS_INTO(cy, yaw);
  SIN_INTO(sy, yaw);
  COS_INTO(cp, pitch);
  SIN_INTO(sp, pitch);
  COS_INTO(cr, roll);
  SIN_INTO(sr, roll);
  float3 raw = float3(ndc * 0.70, 1.45);
  float3 o0 = float3(0.0, 0.0, -3.65);
  float3 d0 = raw / SQRT1(dot(raw, raw));
  float3 o1 = ROTATE_Y(o0, cy, sy);
  float3 o2 = ROTATE_X(o1, cp, sp);
  float3 o = ROTATE_Z(o2, cr, sr);
  float3 d1 = ROTATE_Y(d0, cy, sy);
  float3 d2 = ROTATE_X(d1, cp, sp);
  float3 d3 = ROTATE_Z(d2, cr, sr);
  float3 d = d3;
  AWAY_INTO(d.x, d3.x);
  AWAY_INTO(d.y, d3.y);
  AWAY_INTO(d.z, d3.z);

  float3 heat = float3(0.0, 0.0, 0.0);
  float heatA = 0.0;
  float3 grid = float3(0.0, 0.0, 0.0);
  float gridA = 0.0;
  float lnN = 0.0;
  float ln64 = 0.0;
  float ln48 = 0.0;
  LOG_INTO(ln64, 64.0);
  LOG_INTO(ln48, 48.0);

  float2 rim = float2(0.0, 0.0);
  INTERSECT_INTO(rim, o, d, 1.02);
  float2 span = float2(0.0, 0.0);
  INTERSECT_INTO(span, o, d, 1.0);
  if (rim.y > rim.x) {
    // The rim: how close the entry point is to one of the cube's edges.
    float3 f = 1.02 - abs(o + d * (rim.x + 1e-4));
    float lo = min(min(f.x, f.y), f.z);
    float mid = f.x + f.y + f.z - lo - max(max(f.x, f.y), f.z);
    float rimA = 0.012 * EXP1(-140.0 * (lo * lo + mid * mid));
    ADD_GRID(rimA);
  }

  // The walk starts where the ray enters the grid itself, so a ray that comes in through
  // the margin between rim and grid still walks the cells it reaches.
  float alive = 0.0;
  if (rim.y > rim.x && span.y > span.x) {
    alive = 1.0;
  }
  float3 stepDir = d / abs(d);
  float3 cell = clamp(floor((o + d * (span.x + 1e-4) + 1.0) * 64.0), 0.0, 127.0);
  float3 tNext = ((cell + max(stepDir, 0.0)) / 64.0 - 1.0 - o) / d;
  float3 tDelta = 1.0 / (64.0 * abs(d));
  float3 axis = float3(0.0, 0.0, 0.0);
  float plane = 0.0;
  float3 crossing = o;
  float crossed = 0.0;
  MARCH_ALL_STEPS
  float3 c = (bg * (1.0 - heatA) + heat) * (1.0 - gridA) + grid;
  color = float4(saturate(c), 1.0);
}
