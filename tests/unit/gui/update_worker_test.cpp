#include "gui/update_worker.h"

#include <gtest/gtest.h>

#include <thread>

namespace gui {
namespace {

using Kind = UpdateTick::Kind;

// Takes ticks until one says something (the worker's thread may still run).
UpdateTick Next(UpdateWorker& w, bool prompt) {
  for (int i = 0; i < 5000; ++i) {
    UpdateTick t = w.Take(prompt, L"2.10.1", false);
    if (t.kind != Kind::kNone) return t;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return {};
}

TEST(GuiUpdateWorker, AnnouncedOnceAskedOnClickAndAnApplyErrorShown) {
  GuiHost host;
  host.checkUpdate = [](update::AppUpdate& found, const std::atomic<bool>&, std::wstring&) {
    found.version = L"2.11.0";
    return true;
  };
  int applies = 0;
  host.applyUpdate = [&](const update::AppUpdate&, const std::function<void(const std::wstring&)>&,
                         const std::atomic<bool>&, std::wstring&) {
    ++applies;
    return 1;  // failed, and said nothing about why
  };
  UpdateWorker w(host);
  ASSERT_TRUE(w.StartCheck());
  const UpdateTick first = Next(w, false);
  EXPECT_EQ(first.kind, Kind::kAnnounce);
  EXPECT_EQ(first.text, L"Version 2.11.0 is ready. Open Veltrane to install it.");
  EXPECT_EQ(w.Take(false, L"2.10.1", false).kind, Kind::kNone);  // the same version again
  const UpdateTick ask = Next(w, true);
  EXPECT_EQ(ask.kind, Kind::kAsk);
  ASSERT_TRUE(w.StartApply(ask.offer));
  const UpdateTick error = Next(w, false);
  EXPECT_EQ(error.kind, Kind::kError);
  EXPECT_EQ(error.text, L"The update could not be installed.");
  EXPECT_EQ(applies, 1);
  EXPECT_FALSE(w.RestartPending());
}

TEST(GuiUpdateWorker, NothingWithoutCallbacksAndThePromptText) {
  GuiHost host;  // --yes: no update callbacks
  UpdateWorker w(host);
  EXPECT_FALSE(w.StartCheck());
  EXPECT_FALSE(w.StartApply({}));
  update::AppUpdate offer;
  offer.version = L"2.11.0";
  offer.notes = std::wstring(600, L'n');
  const std::wstring text = UpdatePromptText(offer, L"2.10.1", true);
  EXPECT_EQ(text.find(L"Veltrane 2.11.0 is available.\nThis copy is 2.10.1.\n\n"), 0u);
  EXPECT_NE(text.find(std::wstring(500, L'n') + L"…\n\n"), std::wstring::npos);
  EXPECT_EQ(text.find(std::wstring(501, L'n')), std::wstring::npos);
  EXPECT_NE(text.find(L"including the installed service"), std::wstring::npos);
}

}  // namespace
}  // namespace gui
