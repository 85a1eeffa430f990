// TweakRow: the display model of one setting of a tuning step; each step builds its
// list before it writes anything.
#pragma once

#include <cstdint>
#include <string>

struct TweakRow {
  std::wstring id;
  std::wstring title;
  std::wstring explanation;
  std::wstring detail;     // the target text, replaced by the outcome line while the step runs
  std::int32_t state = 0;  // 0 pending, 1 running, 2 done, 3 failed
};
