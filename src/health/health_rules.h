// The two status rules every check ends with, and the start of every check record.
#pragma once

#include <string>

#include "health/health_check.h"

// A record with its identity and checkedAt set; status Unknown until a rule decides.
HealthCheck NewHealthCheck(const wchar_t* id, const wchar_t* group, const wchar_t* title,
                           const wchar_t* repairStep);

// Status 3 with the short sentence; nothing is left to repair.
void MarkDisabled(HealthCheck& check);

// Marks a check the user turned off in Settings and says whether it was, so a check that
// reads the machine stops before reading anything.
bool MarkedDisabled(HealthCheck& check);

// Rule A, for the fixed checks that compare one value.
void ApplyRuleA(HealthCheck& check, bool disabled, bool readOk, bool live);

// Rule B, for the per-tweak checks generated from the step tables.
struct RuleBInput {
  bool disabled = false;
  bool readOk = false;
  bool live = false;
  bool unsupported = false;
  bool stepWanted = true;
};
void ApplyRuleB(HealthCheck& check, const RuleBInput& input);
