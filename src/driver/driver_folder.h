// Where driver packages, the 7-Zip installer and the unpack folders go.
#pragma once

#include <string>

// "\\Veltrane\\drivers" under ProgramData ("C:\\ProgramData" when the variable is missing
// or 260 characters or longer), unless the user's DriverDir setting names an absolute
// folder of 1 to 200 characters without a quote.
std::wstring DriverFolder();
// DriverFolder(), created with its parents when missing; empty when it cannot be made.
std::wstring EnsureDriverFolder();
