#pragma once
// A thread's wait hook: what a blocking operation on that thread calls while it waits, so a
// window on the main thread stays live. Threads without a hook simply wait.
#include <functional>

namespace mozhou::app {

void setWaitHook(std::function<void()> hook);  // for the calling thread; empty removes it
void runWaitHook();                            // calls the calling thread's hook, if any

}  // namespace mozhou::app
