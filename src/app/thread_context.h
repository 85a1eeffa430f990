// The per-thread context: the dwell switch and the bound feed. Zero at thread start.
#pragma once

namespace gui {
class Feed;
}

struct ThreadContext {
  bool dwellEnabled = false;
  gui::Feed* feed = nullptr;
};

// The calling thread's context.
ThreadContext& CurrentThreadContext();
