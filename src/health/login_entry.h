// Which copy of the program starts at sign-in, and the Run entry that starts it.
#pragma once

#include <string>

// The installed copy, unless the running copy carries a higher file version; the running
// copy when the installed one is missing or has no readable version.
std::wstring PreferredExecutablePath();

// Writes "Veltrane" under the user's Run key as the double-quoted preferred path, or
// deletes it. A key that cannot be written is left as it was.
void UpdateLoginEntry(bool enabled);
