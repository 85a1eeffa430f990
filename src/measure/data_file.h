// Reads of the data folder's files. They may predate the folder's access list, so each is
// read as if a hostile user wrote it: capped in size, and a read that fails is never
// taken for an empty file.
#pragma once

#include <cstdint>
#include <string>

#include "support/result.h"

// Larger files are damaged: left alone, never parsed or replaced.
inline constexpr std::uint64_t kDataFileCap = std::uint64_t{4} << 20;

// The file's bytes. kNotFound when it is missing; kTooLarge above the cap (logged);
// any other failure as the read reported it.
support::Result<std::string> ReadDataFile(const std::wstring& path);

// Empty when `folder` may be written now; else the reason, already printed as an error.
std::wstring ReadyToWrite(const std::wstring& folder);

// Prints why `path` was left as it was after a read or write of it failed.
void ReportDataFileFailure(const std::wstring& path, const support::PortError& error);
