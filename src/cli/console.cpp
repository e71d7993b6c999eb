#include "cli/console.h"

#include <ostream>

#include "store/connection.h"
#include "text/strings.h"

namespace mozhou::cli {

void ConsolePrompter::tsxx(std::string_view message) {
  ++messages_;
  err_ << message << "\n";
}

bool ConsolePrompter::qrxx(std::string_view message) {
  if (yes_) return true;
  err_ << message << " (use --yes to confirm)\n";
  declined_ = true;
  return false;
}

std::unique_ptr<store::Database> openDatabase(Context& ctx, ConsolePrompter& prompter) {
  return store::connectioncreat(ctx.dir, prompter);
}

bool parseId(Context& ctx, const std::string& text, long long& id) {
  if (!text::parseInt(text, id) || id <= 0) {
    ctx.err << "mozhou-cli: \"" << text << "\" is not an id\n";
    return false;
  }
  return true;
}

}  // namespace mozhou::cli
