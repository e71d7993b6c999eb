#include "app/startup.h"

namespace mozhou::app {
namespace {
void call(const std::function<void()>& fn) {
  if (fn) fn();
}
}  // namespace

void DeferredStartup::tick() {
  if (intervalMs_ == kFirstIntervalMs && !started_) {
    started_ = true;
    intervalMs_ = kAdvertisementIntervalMs;
    call(steps_.connectioncreat);
    call(steps_.drawbookpanel);
    call(steps_.loadRuleText);
    // Update-all starts with the rule text as it is on disk, before the rule-file check.
    if (steps_.autodbook && steps_.autodbook()) call(steps_.updateAll);
    call(steps_.upset);
    call(steps_.updaterCheck);
    if (steps_.autoup && steps_.autoup()) call(steps_.versionCheck);
  }
  call(steps_.advertise);
}

void Shutdown::run() {
  if (done_) return;
  done_ = true;
  call(closeDatabase_);
  for (const auto& fn : rest_) call(fn);
}

}  // namespace mozhou::app
