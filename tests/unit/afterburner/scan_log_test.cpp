// The scanner's status log decides the verdict and the progress: the last marker counts.
#include "afterburner/scan_log.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanLogTest, VerdictFollowsTheLastMarkers) {
  struct Case {
    const char* name;
    std::wstring log;
    int status;
  };
  const Case kCases[] = {
      {"empty", L"", 0},
      {"connected only", L"Connected to MSI Afterburner", 0},
      {"succeeded", L"Start scanning\nScan succeeded", 1},
      {"exported alone is success", L"Overclocked curve exported", 1},
      {"failed", L"Start scanning\nScan failed", -1},
      {"refused to start", L"Failed to start scanning", -1},
      {"failure superseded by a new start", L"Scan failed\nStart scanning\nScanning point 12 of 60",
       0},
      {"success after cancel", L"Scan cancelled\nScan succeeded", 1},
      {"failure after success", L"Scan succeeded\nScan failed", -1},
      {"success, failure, restart", L"Scan succeeded\nScan failed\nResume scanning", 0},
      {"failure, restart, success", L"Scan failed\nStart scanning\nScan succeeded", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScanStatus(c.log), c.status);
  }
}

TEST(ScanLogTest, ProgressIsTheLastPointCount) {
  struct Case {
    const char* name;
    std::wstring log;
    double progress;
  };
  const Case kCases[] = {
      {"none", L"Start scanning", -1},
      {"12 of 60", L"Scan failed\nStart scanning\nScanning point 12 of 60", 0.2},
      {"the last one counts", L"Scanning point 3 of 60\nScanning point 30 of 60", 0.5},
      {"of 0 is unknown, not a division by zero", L"Scanning point 3 of 0", -1},
      {"malformed", L"Scanning point x of 60", -1},
      {"no total", L"Scanning point 3", -1},
      {"absurd count", L"Scanning point 1 of 99999999999", -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(ScanProgress(c.log), c.progress);
  }
}

}  // namespace
