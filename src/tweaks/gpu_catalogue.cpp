#include "tweaks/gpu_catalogue.h"

#include "tweaks/gpu_probe.h"

namespace {

constexpr GraphicsTweak kGpuCatalogue[] = {
    {L"HAGS", L"hardware-accelerated GPU scheduling",
     L"HAGS lets the GPU's scheduling processor queue its own work instead of the CPU building a "
     L"command buffer for every submit. That cuts DPC/ISR time on the game thread. Takes effect "
     L"after the next reboot.",
     L"HwSchMode 1/unset  \u2192  2 (on)", kAnyVendor, 2000, kGraphicsRegistry,
     L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers", L"HwSchMode", 2, 0, nullptr, false},
    {L"GAMEDVR", L"Xbox Game DVR / capture",
     L"Game DVR hooks Present() to record clips. That overlay thread competes with the game for "
     L"the GPU. Off means the capture hook is gone.",
     L"AllowGameDVR  \u2192  0", kAnyVendor, 1600, kGraphicsRegistry,
     L"SOFTWARE\\Policies\\Microsoft\\Windows\\GameDVR", L"AllowGameDVR", 0, 0, nullptr, false},
    {L"GAMEDVR2", L"Game DVR enabled flag",
     L"The per-user GameConfigStore copy of the same switch, so Settings UI and the policy agree.",
     L"GameDVR_Enabled  \u2192  0", kAnyVendor, 1400, kGraphicsRegistry,
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\GameDVR", L"AppCaptureEnabled", 0, 0, nullptr,
     false},
    {L"GAMEMODE", L"Windows Game Mode",
     L"Game Mode parks SysMain and gives the foreground game a scheduling bias. Leave it on \u2014 "
     L"it is the opposite of an overlay.",
     L"AutoGameModeEnabled  \u2192  1", kAnyVendor, 1400, kGraphicsRegistry,
     L"SOFTWARE\\Microsoft\\GameBar", L"AutoGameModeEnabled", 1, 0, nullptr, false},
    {L"MMGPU", L"Games multimedia GPU priority",
     L"The MMCSS Games task tells the GPU how important a game thread is. 8 is the maximum GPU "
     L"priority Windows exposes, so a competing decode/overlay cannot steal the queue.",
     L"GPU Priority  \u2192  8", kAnyVendor, 1500, kGraphicsRegistry,
     L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile\\Tasks\\Games",
     L"GPU Priority", 8, 0, nullptr, false},
    {L"MMPRIO", L"Games multimedia CPU priority",
     L"Matching CPU priority 6 (high) and the High scheduling category so the game thread is not "
     L"preempted by a background service mid-frame.",
     L"Priority  \u2192  6", kAnyVendor, 1400, kGraphicsRegistry,
     L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile\\Tasks\\Games",
     L"Priority", 6, 0, nullptr, false},
    {L"NV_DPS", L"NVIDIA disable dynamic P-state",
     L"Dynamic P-states drop the GPU into P2/P5 when the driver thinks the load is light, which is "
     L"how you get clock jitter at 300+ FPS. DisableDynamicPstate = 1 is the kernel-side "
     L"equivalent of CUDA Force P2 State = Off.",
     L"DisableDynamicPstate  \u2192  1", kVendorNvidia, 1800, kGraphicsRegistry, kDisplayClassKey,
     L"DisableDynamicPstate", 1, 0, nullptr, true},
    {L"NV_PERFSRC", L"NVIDIA PerfLevelSrc (max performance)",
     L"0x2222 tells PowerMizer to prefer the maximum performance level on both AC and DC, matching "
     L"the control-panel 'Prefer maximum performance' global 3D setting.",
     L"PerfLevelSrc  \u2192  0x2222", kVendorNvidia, 1600, kGraphicsRegistry, kDisplayClassKey,
     L"PerfLevelSrc", 0x2222, 0, nullptr, true},
    {L"NV_PMIZER", L"NVIDIA PowerMizer",
     L"PowerMizer is the old clock-gating profile. Off (0) stops the driver from downclocking "
     L"between frames to save a few watts.",
     L"PowerMizerEnable  \u2192  0", kVendorNvidia, 1500, kGraphicsRegistry, kDisplayClassKey,
     L"PowerMizerEnable", 0, 0, nullptr, true},
    {L"NV_PMIZERAC", L"NVIDIA PowerMizer AC level",
     L"Level 1 is the highest performance bin PowerMizer will sit in while plugged in.",
     L"PowerMizerLevelAC  \u2192  1", kVendorNvidia, 1400, kGraphicsRegistry, kDisplayClassKey,
     L"PowerMizerLevelAC", 1, 0, nullptr, true},
    {L"NV_HDCP", L"NVIDIA HDCP",
     L"HDCP session setup adds a handshake on some Present paths. Disabling it (RMHdcpKeyGlobZero) "
     L"is a common latency trim; protected streaming may then refuse to play.",
     L"RMHdcpKeyGlobZero  \u2192  1", kVendorNvidia, 1600, kGraphicsRegistry, kDisplayClassKey,
     L"RMHdcpKeyGlobZero", 1, 0, nullptr, true},
    {L"NV_TELEMETRY", L"NVIDIA telemetry service",
     L"NvTelemetryContainer phones home and wakes periodically. Disabled so it cannot compete with "
     L"the game for CPU or the disk.",
     L"NvTelemetryContainer  \u2192  disabled", kVendorNvidia, 1600, kGraphicsService, nullptr,
     nullptr, 0, 0, L"NvTelemetryContainer", false},
    {L"NV_OPTIN", L"NVIDIA data collection opt-out",
     L"The control-panel telemetry preference, so a later driver install does not silently "
     L"re-enable the container.",
     L"OptInOrOutPreference  \u2192  0", kVendorNvidia, 1400, kGraphicsRegistry,
     L"SOFTWARE\\NVIDIA Corporation\\NvControlPanel2\\Client", L"OptInOrOutPreference", 0, 0,
     nullptr, false},
    {L"NV_PWR", L"DRS power management mode",
     L"NVIDIA global 3D: Prefer maximum performance. The GPU stays in P0 instead of bouncing "
     L"P-states when the frame time dips.",
     L"0x1057EB71  \u2192  Prefer maximum performance", kVendorNvidia, 1800, kGraphicsProfile,
     nullptr, nullptr, 1, 0x1057EB71, nullptr, false},
    {L"NV_PWR2", L"DRS power management mode (legacy ID)",
     L"Older drivers used 0x1057E631 for the same switch. Written as well so either ID wins.",
     L"0x1057E631  \u2192  Prefer maximum performance", kVendorNvidia, 1400, kGraphicsProfile,
     nullptr, nullptr, 1, 0x1057E631, nullptr, false},
    {L"NV_TFQ", L"DRS texture filtering quality",
     L"High performance (0x14) biases the texture sampler toward speed. Image quality loss is "
     L"small; frame-time gain is free on most titles.",
     L"0x00CE2691  \u2192  High performance", kVendorNvidia, 1600, kGraphicsProfile, nullptr,
     nullptr, 0x14, 0x00CE2691, nullptr, false},
    {L"NV_VSYNC", L"DRS vertical sync",
     L"Force off. VSync waits for the panel, adding up to a full refresh of input lag. "
     L"G-Sync/FreeSync still work; this only kills classic blocking VSync.",
     L"0x00A879CF  \u2192  Force off", kVendorNvidia, 1800, kGraphicsProfile, nullptr, nullptr,
     0x08416747, 0x00A879CF, nullptr, false},
    {L"NV_ULL", L"DRS ultra low latency",
     L"NVIDIA's pre-rendered frame cap. Ultra keeps at most one frame in the queue, which is the "
     L"lowest click-to-photon the driver will give you without Reflex.",
     L"0x10835000  \u2192  On", kVendorNvidia, 1600, kGraphicsProfile, nullptr, nullptr, 1,
     0x10835000, nullptr, false},
    {L"NV_ULLCPL", L"DRS ultra low latency (control panel)",
     L"The control-panel facing copy of the same switch, set to Ultra so the UI and the driver "
     L"agree.",
     L"0x0005F543  \u2192  Ultra", kVendorNvidia, 1400, kGraphicsProfile, nullptr, nullptr, 2,
     0x0005F543, nullptr, false},
    {L"NV_MPRF", L"DRS max pre-rendered frames",
     L"1 frame in the flip queue. Together with Ultra Low Latency this is the 'Prefer maximum "
     L"performance + low latency' control-panel pair.",
     L"0x007BA09E  \u2192  1", kVendorNvidia, 1500, kGraphicsProfile, nullptr, nullptr, 1,
     0x007BA09E, nullptr, false},
    {L"NV_P2", L"DRS CUDA Force P2 State",
     L"Off. When On, CUDA/compute forces a lower P-state that also drags 3D clocks down during "
     L"mixed workloads (some overlays, browsers, capture).",
     L"0x50166C5E  \u2192  Off", kVendorNvidia, 1600, kGraphicsProfile, nullptr, nullptr, 0,
     0x50166C5E, nullptr, false},
    {L"NV_REBAR", L"DRS Resizable BAR",
     L"Enabled in the driver profile. The CPU can see the whole framebuffer at once instead of 256 "
     L"MB windows. BIOS Above 4G + ReBAR still has to be on for this to take effect.",
     L"0x000F00BA  \u2192  Enabled", kVendorNvidia, 1800, kGraphicsProfile, nullptr, nullptr, 1,
     0x000F00BA, nullptr, false},
    {L"NV_THREAD", L"DRS threaded optimization",
     L"On. Lets the driver build command buffers on a worker thread so the game thread spends less "
     L"time in NvD3D.",
     L"0x20C1221E  \u2192  On", kVendorNvidia, 1500, kGraphicsProfile, nullptr, nullptr, 1,
     0x20C1221E, nullptr, false},
    {L"NV_TRIPLE", L"DRS triple buffering",
     L"Off. Triple buffering adds a frame of latency when VSync is on; with VSync forced off it is "
     L"only extra memory traffic.",
     L"0x20FDD1F9  \u2192  Off", kVendorNvidia, 1400, kGraphicsProfile, nullptr, nullptr, 0,
     0x20FDD1F9, nullptr, false},
    {L"NV_ANSEL", L"DRS Ansel",
     L"Ansel photo mode injects a capture overlay. Off removes that hook from the Present path.",
     L"0x1075D972  \u2192  Off", kVendorNvidia, 1400, kGraphicsProfile, nullptr, nullptr, 0,
     0x1075D972, nullptr, false},
    {L"NV_SHADERCACHE", L"DRS shader cache",
     L"Keep the shader cache on. Compiling shaders mid-game is hitching; the cache is the opposite "
     L"of bloat.",
     L"0x00198FFF  \u2192  On", kVendorNvidia, 1400, kGraphicsProfile, nullptr, nullptr, 1,
     0x00198FFF, nullptr, false},
    {L"AMD_ULPS", L"AMD Ultra-Low Power State",
     L"ULPS powers the extra GPU down on multi-GPU / the iGPU-dGPU mux. The wake from ULPS is a "
     L"stutter. Off keeps the discrete GPU fully awake.",
     L"EnableUlps  \u2192  0", kVendorAmd, 1600, kGraphicsRegistry, kDisplayClassKey, L"EnableUlps",
     0, 0, nullptr, true},
    {L"AMD_DELAG", L"AMD Radeon Anti-Lag",
     L"Anti-Lag limits the CPU from running too far ahead of the GPU, which is the AMD equivalent "
     L"of NVIDIA Low Latency. On.",
     L"KMD_DeLagEnabled  \u2192  1", kVendorAmd, 1600, kGraphicsRegistry, kDisplayClassKey,
     L"KMD_DeLagEnabled", 1, 0, nullptr, true},
    {L"AMD_PG", L"AMD DMA power gating",
     L"Power-gating the display DMA engine adds a wake latency on flips. Disabled for a stable "
     L"Present path.",
     L"DisableDrmdmaPowerGating  \u2192  1", kVendorAmd, 1500, kGraphicsRegistry, kDisplayClassKey,
     L"DisableDrmdmaPowerGating", 1, 0, nullptr, true},
    {L"AMD_PG2", L"AMD graphics power gating",
     L"Same idea for the graphics block: DisablePowerGating = 1 keeps the 3D pipe from dropping "
     L"into a gated idle between frames.",
     L"DisablePowerGating  \u2192  1", kVendorAmd, 1500, kGraphicsRegistry, kDisplayClassKey,
     L"DisablePowerGating", 1, 0, nullptr, true},
    {L"AMD_SLEEP", L"AMD SCLK deep sleep",
     L"PP_SclkDeepSleepDisable = 1 stops the shader clock from collapsing between draws, which is "
     L"a common source of 1% low dips on Radeon.",
     L"PP_SclkDeepSleepDisable  \u2192  1", kVendorAmd, 1500, kGraphicsRegistry, kDisplayClassKey,
     L"PP_SclkDeepSleepDisable", 1, 0, nullptr, true},
    {L"AMD_STUTTER", L"AMD Stutter Mode",
     L"The driver's 'stutter mode' is a frame-pacing clamp that can add latency. 0 leaves pacing "
     L"to the game / DXGI.",
     L"StutterMode  \u2192  0", kVendorAmd, 1400, kGraphicsRegistry, kDisplayClassKey,
     L"StutterMode", 0, 0, nullptr, true},
};

}  // namespace

std::span<const GraphicsTweak> GpuCatalogue() { return kGpuCatalogue; }
