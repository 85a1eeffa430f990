// The machine the contract suites run against. The same suites are linked twice: natively
// with a simulated machine, and into the Windows test executable with the real adapters
// (run under Wine). Each side implements these few functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace contract {

// The system under test; one per test program, so suites clean up what they create.
platform::System& ContractSystem();

// A new, empty folder (a Windows path without trailing backslash) for one test.
std::wstring NewScratchFolder();

// A command line for a helper process that prints "helper says <exit_code>" and a line
// break to standard output, waits `sleep_ms`, then creates `marker_path`
// (when not empty) and exits with `exit_code`. A helper killed at a time-out never
// creates its marker, which is how the suites tell that it is gone.
std::wstring HelperCommandLine(std::uint32_t exit_code, std::uint32_t sleep_ms,
                               const std::wstring& marker_path);
// A helper that starts a child and then waits `sleep_ms` and exits 0. The child opens
// `marker_path` + ".held" without sharing and keeps it open while it lives, waits
// `sleep_ms`, then creates `marker_path`: the held file can be deleted only once the
// child is gone.
std::wstring HelperTreeCommandLine(std::uint32_t sleep_ms, const std::wstring& marker_path);

// Makes `link` a directory link (junction or symbolic link) to the folder `target`;
// false where the system cannot make one, and the suite skips.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// The loopback HTTP server of the network suite ("127.0.0.1" and its port), serving
// /hello, /chunked, /missing, /moved and /early (see loopback_http.py); nullopt when
// none runs, and the suite skips.
std::optional<std::uint16_t> LoopbackHttpPort();

// The same server's answers over TLS on "localhost" (its certificate names nothing else,
// so "127.0.0.1" fails the name check). The certificate authority behind it is made for
// one run, its key deleted once it has signed, and trusted only inside the machine under
// test (the disposable Wine prefix). nullopt when no such listener runs (natively, or
// without openssl), and the suite skips; `trouble` says why the authority could not be
// trusted when the listener runs.
struct LoopbackTls {
  std::uint16_t port = 0;
  std::string trouble;
};
std::optional<LoopbackTls> LoopbackHttpsServer();

// A named file mapping holding `bytes`, made as another program would make it, owned by
// the Administrators group (`admin_owned`, as an elevated program's) or by the user; it
// lasts until the test program ends.
void CreateForeignMapping(const std::wstring& name, const std::string& bytes, bool admin_owned);
// Writes at `path` a program whose signature does not verify (a certificate table of
// bytes that are no signature).
void WriteBadlySignedFile(const std::wstring& path);
// A program signed with code signing by a self-signed certificate whose subject names a
// signer (O "Untrusted Signer Ltd", CN "Untrusted Signer"), so that it chains to no trusted
// root; `alteredAfterSigning` changes one byte after signing as well.
void WriteUntrustedSignedFile(const std::wstring& path, bool alteredAfterSigning);
// A named mutex that another thread holds (`held`) or that is free.
void CreateForeignMutex(const std::wstring& name, bool held);
// A stand-in for the scanner's window: a visible top-level window titled `title` with a
// "Scan" button (control 1001, which reads "Stop" once pressed) and a drop-down list
// (control 1100) of `items`; WM_CLOSE destroys it. Returns the process that owns it, or
// 0 where no window can be made (no display), and the suite skips.
std::uint32_t OpenStandInWindow(const std::wstring& title, const std::vector<std::wstring>& items);
// Points standard output at the NUL device, as a script's ">NUL" does, and back again.
void PointStandardOutputAtNul();
void RestoreStandardOutput();

}  // namespace contract
