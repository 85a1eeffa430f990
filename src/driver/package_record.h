// The record of the last verified package download, kept in the product key (which only
// administrators can write) so a file in the driver folder is reused only when its bytes
// are the ones this program verified.
#pragma once

#include <string>

void RecordPackage(const std::wstring& path, const std::wstring& sha256);
void ForgetPackageRecord();
// The record names `path` and the file still hashes to the recorded value.
bool MatchesPackageRecord(const std::wstring& path);
// The SHA-256 of a whole file, streamed; empty when it cannot be read or hashed.
std::wstring HashFile(const std::wstring& path);
