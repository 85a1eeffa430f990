// What the AMD package holds: its nested archives, and the display-driver .inf files.
#pragma once

#include <string>
#include <vector>

// Archives (.7z, .zip) in the unpacked tree, at most 6 levels down, links not entered;
// at most 64 of them and 8 GiB together (the rest are left packed).
std::vector<std::wstring> FindInnerArchives(const std::wstring& root);

// .inf files at most 6 levels down that name the display driver service "amdkmdag" (in
// 8-bit or UTF-16 text), skipping links, paths with a quote and the folders of the other
// components (audio, HDMI, ACP, SAM, wireless, AMDLink, VR). Those under a "\\display\\"
// folder come alone when there are any.
std::vector<std::wstring> FindDisplayInfs(const std::wstring& root);
