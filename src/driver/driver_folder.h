// Where driver packages, the 7-Zip installer and the unpack folders go.
#pragma once

#include <string>

// "\\drivers" in the data folder (which comes from Windows, never from the environment),
// unless the user's DriverDir setting names an absolute folder of 1 to 200 characters
// without a quote that only administrators may change (what is kept there runs
// elevated).
std::wstring DriverFolder();
// The folder used while no DriverDir is chosen.
std::wstring DefaultDriverFolder();
// DriverFolder(), ready for writing: the default one made or checked level by level with
// the protected access list. A chosen folder that is not safe is named with the reason
// and the default folder is used. Empty (with the reason printed) when none can be used.
std::wstring EnsureDriverFolder();
