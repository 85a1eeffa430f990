#include "tweaks/ppm_catalogue.h"

#include "app/output.h"
#include "support/guid_parse.h"

constexpr support::Guid kProcessorSubgroup =
    support::GuidLiteral(L"54533251-82be-4824-96c1-47b60b740d00");

namespace {

constexpr PowerTweak kPpmCatalogue[] = {
    {L"CPMINCORES", L"core parking min cores", L"%",
     L"Windows parks idle cores to save power. Unparking them later costs a DPC and a cache-cold "
     L"wake. Forcing 100% min cores keeps every logical processor live so a frame or note never "
     L"waits on a parked core.",
     100, 1800, support::GuidLiteral(L"0cc5b647-c1df-4637-891a-dec35c318583"), kProcessorSubgroup},
    {L"CPMAXCORES", L"core parking max cores", L"%",
     L"The matching ceiling. 100% means Windows is not allowed to park any core, even under a "
     L"light load.",
     100, 1600, support::GuidLiteral(L"ea062031-0e34-4ff1-9b6d-eb1059334028"), kProcessorSubgroup},
    {L"CPMINCORES1", L"core parking min cores (class 1)", L"%",
     L"The same parking floor for efficiency-class cores (E-cores on hybrid CPUs). Pinning them "
     L"too means the scheduler will not hide half the package behind a park DPC.",
     100, 1600, support::GuidLiteral(L"0cc5b647-c1df-4637-891a-dec35c318584"), kProcessorSubgroup},
    {L"CPMAXCORES1", L"core parking max cores (class 1)", L"%",
     L"Ceiling for class-1 cores. Written even on non-hybrid CPUs; Windows ignores it if the class "
     L"does not exist.",
     100, 1600, support::GuidLiteral(L"ea062031-0e34-4ff1-9b6d-eb1059334029"), kProcessorSubgroup},
    {L"PERFCHECK", L"performance time check interval", L"ms",
     L"ntoskrnl schedules a periodic DPC to re-evaluate P-states and parked cores. Default is ~15 "
     L"ms \u2014 hundreds of extra kernel wake-ups a second. On a locked multiplier those checks "
     L"cannot change frequency, so stretching this to 5000 ms (the maximum) removes that "
     L"background noise.",
     5000, 2200, support::GuidLiteral(L"4d2b0152-7d5c-498b-88e2-34345392a2c5"), kProcessorSubgroup},
    {L"IDLEDEMOTE", L"idle demote threshold", L"%",
     L"How idle the CPU must be before Windows drops a P-state. 95% means it only down-clocks when "
     L"the package is almost completely unused, so a brief lull in a game cannot yank frequency "
     L"down under you.",
     95, 1600, support::GuidLiteral(L"4b92d758-5a24-4851-a470-815d78aee119"), kProcessorSubgroup},
    {L"IDLEPROMOTE", L"idle promote threshold", L"%",
     L"The matching climb-back threshold. Paired with demote at 95%, the idle governor stops "
     L"fidgeting and leaves a static clock alone.",
     95, 1600, support::GuidLiteral(L"7b224883-b3cc-4d79-819f-8374152cbe7c"), kProcessorSubgroup},
    {L"PERFAUTONOMOUS", L"processor autonomous mode", L"",
     L"Autonomous / CPPC2 lets the CPU hardware pick its own P-states. Disabling it puts the OS in "
     L"charge, which is what we want once frequency is locked \u2014 hardware boost logic has "
     L"nothing useful to do.",
     0, 1600, support::GuidLiteral(L"8baa4a8a-14c6-4451-8e8b-14bdbd197537"), kProcessorSubgroup},
    {L"PROCTHROTTLEMIN", L"minimum processor state", L"%",
     L"The floor of the Windows P-state range. 100% tells the kernel not to throttle below the "
     L"current multiplier, so SpeedStep cannot sneak the clock down between loads.",
     100, 1600, support::GuidLiteral(L"893dee8e-2bef-41e0-89c6-b55d0929964c"), kProcessorSubgroup},
    {L"PROCTHROTTLEMAX", L"maximum processor state", L"%",
     L"The ceiling of that range. Held at 100% so nothing in the power plan can cap the locked "
     L"multiplier.",
     100, 1600, support::GuidLiteral(L"bc5038f7-23e0-4960-96da-33abaf5935ec"), kProcessorSubgroup},
    {L"PROCTHROTTLEMIN1", L"minimum processor state (class 1)", L"%",
     L"P-state floor for efficiency-class cores. Same 100% pin so hybrid packages cannot park "
     L"E-cores in a slow bin.",
     100, 1500, support::GuidLiteral(L"893dee8e-2bef-41e0-89c6-b55d0929964d"), kProcessorSubgroup},
    {L"PROCTHROTTLEMAX1", L"maximum processor state (class 1)", L"%",
     L"P-state ceiling for class-1 cores. Written on every machine; ignored if the class is "
     L"absent.",
     100, 1500, support::GuidLiteral(L"bc5038f7-23e0-4960-96da-33abaf5935ed"), kProcessorSubgroup},
    {L"PERFBOOSTPOL", L"processor performance boost policy", L"%",
     L"How aggressively Windows asks for turbo/boost. 100% is opportunistic max \u2014 on a locked "
     L"multiplier this is a no-op, on a boosting CPU it prefers the high bin when work appears.",
     100, 1600, support::GuidLiteral(L"45bcc044-d885-43e2-8605-ee0ec6e96b59"), kProcessorSubgroup},
    {L"PERFBOOSTMODE", L"processor performance boost mode", L"",
     L"0 = disabled. On a locked multiplier the OS boost governor has nothing to do; leaving it on "
     L"still wakes a periodic DPC. Off is the static-clock setting from the tuning guide.",
     0, 1600, support::GuidLiteral(L"be337238-0d82-4146-a960-4f3749d470c7"), kProcessorSubgroup},
    {L"PERFEPP", L"energy performance preference", L"%",
     L"0 = performance, 100 = energy. Pinning 0 tells CPPC to prefer clocks over joules, which is "
     L"what a gaming pass wants.",
     0, 1500, support::GuidLiteral(L"36687f9e-e3a5-4dbf-b1dc-15eb381cdc86"), kProcessorSubgroup},
    {L"PERFEPP1", L"energy performance preference (class 1)", L"%",
     L"The same 0% (performance) bias for efficiency-class cores.", 0, 1500,
     support::GuidLiteral(L"36687f9e-e3a5-4dbf-b1dc-15eb381cdc87"), kProcessorSubgroup},
    {L"LATENCYHINTPERF", L"latency hint processor performance", L"%",
     L"When a multimedia/game latency hint fires, jump to this P-state immediately instead of "
     L"ramping. 100% means a frame start does not wait for the governor.",
     100, 1500, support::GuidLiteral(L"619b7505-003b-4e82-b7a6-4dd29c300971"), kProcessorSubgroup},
    {L"PERFDUTYCYCLING", L"processor duty cycling", L"",
     L"Duty cycling PWM-throttles a core by rapidly gating it. That is extra jitter. Off (0) keeps "
     L"the clock a clock.",
     0, 1500, support::GuidLiteral(L"4e4450b3-6179-4c19-8e8b-24ad116fd435"), kProcessorSubgroup},
    {L"PERFINCTHRESHOLD", L"performance increase threshold", L"%",
     L"How busy a core must be before Windows raises the P-state. 85% (the guide value) stops the "
     L"governor from climbing on brief spikes, which pairs with a locked clock: fewer P-state "
     L"DPCs.",
     85, 1500, support::GuidLiteral(L"06cadf0e-64ed-448a-8927-ce7bf90eb35d"), kProcessorSubgroup},
    {L"PERFINCTHRESHOLD1", L"performance increase threshold (class 1)", L"%",
     L"The same 95% climb threshold for efficiency-class cores, matching the guide's "
     L"PERFINCTHRESHOLD1.",
     95, 1400, support::GuidLiteral(L"06cadf0e-64ed-448a-8927-ce7bf90eb35e"), kProcessorSubgroup},
    {L"PERFINCPOL", L"performance increase policy", L"",
     L"1 = Single. The kernel steps one P-state at a time instead of jumping (Rocket). With boost "
     L"off this is mostly documentation; written so the plan matches the guide exactly.",
     1, 1400, support::GuidLiteral(L"465e1f50-b1da-4e66-aa78-d01ba8d993c5"), kProcessorSubgroup},
    {L"PERFDECPOL", L"performance decrease policy", L"",
     L"1 = Single. Symmetric with the increase policy so the governor does not slam the clock down "
     L"in one jump.",
     1, 1400, support::GuidLiteral(L"40fbefc0-2e9d-4d25-a85c-18326e806d24"), kProcessorSubgroup},
};

}  // namespace

std::span<const PowerTweak> PpmCatalogue() { return kPpmCatalogue; }

std::vector<TweakRow> CpuTuneRows() {
  std::vector<TweakRow> rows;
  rows.push_back(PendingRow(
      L"ULTIMATE", L"Ultimate Performance power plan",
      L"The Ultimate Performance plan (or High Performance if this SKU lacks it) is the base the "
      L"guide writes PPM values onto. Balanced will keep re-parking cores underneath our settings.",
      L"SCHEME_CURRENT  \u2192  Ultimate Performance"));
  for (const PowerTweak& tweak : kPpmCatalogue) {
    rows.push_back(PendingRow(tweak.id, tweak.title, tweak.explanation, L""));
  }
  rows.push_back(PendingRow(
      L"THREADDPC", L"threaded DPCs",
      L"ThreadDpcEnable lets the kernel run DPCs on extra threads, which is more throughput and "
      L"more jitter. 0 forces DPCs onto the interrupting CPU so a frame is not preempted by a "
      L"park/P-state DPC on another core. Takes effect after the next reboot.",
      L"ThreadDpcEnable  \u2192  0"));
  return rows;
}
