#include "app/wait_hook.h"

namespace mozhou::app {
namespace {
thread_local std::function<void()> tHook;
}

void setWaitHook(std::function<void()> hook) { tHook = std::move(hook); }

void runWaitHook() {
  if (tHook) tHook();
}

}  // namespace mozhou::app
