// Starting Windows' own tools hidden, with a time-out. No output is captured: callers
// that need a tool's output read it themselves.
#pragma once

#include <cstdint>
#include <string>

// The exit code of the tool. 258 when it ran past `timeoutMs` (it was terminated); the
// system error when it could not be started (2 for a missing executable), or 1 when
// there was none. `arguments` are passed unchanged after the quoted executable path.
std::uint32_t RunHidden(const std::wstring& exePath, const std::wstring& arguments,
                        std::uint32_t timeoutMs);
// powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "<command>".
// The command is inserted verbatim: it must not contain unescaped double quotes.
std::uint32_t RunPowerShell(const std::wstring& command, std::uint32_t timeoutMs);
// powercfg.exe from the system directory, 20 s time-out.
std::uint32_t RunPowercfg(const std::wstring& arguments);
// The system directory joined with `fileName`.
std::wstring SystemToolPath(const std::wstring& fileName);
