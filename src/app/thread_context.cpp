// The per-thread context and the feed binding. thread_local keeps each GUI worker's feed
// invisible to every other thread, and a fresh thread starts with none.
#include "app/thread_context.h"

#include "app/feed.h"

ThreadContext& CurrentThreadContext() {
  thread_local ThreadContext context;
  return context;
}

void BindThreadFeed(gui::Feed* feed) { CurrentThreadContext().feed = feed; }

void UnbindThreadFeed() { CurrentThreadContext().feed = nullptr; }

gui::Feed* CurrentFeed() { return CurrentThreadContext().feed; }
