// What the OC scanner's status log says: a verdict, the scan's progress, and whether it
// runs or is connected. The last occurrence of each marker counts.
#pragma once

#include <string>

// 1 succeeded, -1 failed, 0 no verdict (yet).
int ScanStatus(const std::wstring& logText);
// X / Y from the last "Scanning point X of Y"; -1 when there is none, it is malformed, or
// Y is 0.
double ScanProgress(const std::wstring& logText);
// "Start scanning", "Resume scanning" or "Scanning point" appears.
bool HasRunningMarker(const std::wstring& logText);
bool HasConnectedMarker(const std::wstring& logText);
bool HasFailedToStartMarker(const std::wstring& logText);
bool HasExportedMarker(const std::wstring& logText);
