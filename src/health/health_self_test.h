// The health-status rule check that --self-test runs first.
#pragma once

// 0 when the summary rules hold, a non-zero count otherwise.
int HealthRuleSelfTest();
