#include "engine/page_base.h"

#include <atomic>
#include <memory>

namespace mozhou::engine {
namespace {
std::atomic<std::shared_ptr<const std::string>>& slot() {
  static std::atomic<std::shared_ptr<const std::string>> value{std::make_shared<const std::string>()};
  return value;
}
}  // namespace

std::string pageBase() { return *slot().load(); }

void setPageBase(std::string base) {
  slot().store(std::make_shared<const std::string>(std::move(base)));
}

}  // namespace mozhou::engine
