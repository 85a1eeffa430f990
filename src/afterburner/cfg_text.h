// Edits of Afterburner's INI-style files as bytes: the files belong to another program
// and may be hand-edited, so everything not edited stays byte for byte.
#pragma once

#include <string>
#include <string_view>

// The line ending the text uses: "\r\n" when it has one, else "\n" when it has a line
// feed, else "\r\n" (Afterburner's own).
std::string_view LineEnding(std::string_view text);
// Sets `key` in the [Settings] section: every line there that is exactly the key
// followed by blanks and '=' becomes "key = value" (its own line ending kept). Without
// such a line, one is inserted right after the [Settings] header; without the header, the
// section is added at the end. Keys of other sections and longer keys are not touched.
std::string SetCfgValue(std::string_view text, std::string_view key, std::string_view value);
// Applies the ten settings that let Afterburner be driven and start quietly to the
// MSIAfterburner.cfg next to `exePath`, replacing the file atomically when it changed.
// False when the file is missing, unreadable or could not be written back.
bool SetAfterburnerConfig(const std::wstring& exePath);
