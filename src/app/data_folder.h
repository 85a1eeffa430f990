// The data folder that the SYSTEM service reads from: only an elevated process makes it,
// with an access list through which only administrators can write, and every use checks
// that it is still that folder.
#pragma once

#include <string>

// Empty when the data folder may be used now; otherwise the sentence that says why it is
// left alone. Elevated: a missing folder is made protected, a link is refused, and one
// owned by anyone but SYSTEM or Administrators is re-secured (refused when that fails).
// Unelevated: never made; an existing one is used with the user's own rights.
std::wstring PrepareDataFolder(const std::wstring& folder);
