#pragma once
// What every command shares: messages on stderr, questions answered by --yes, the database.
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "app/prompter.h"
#include "cli/cli.h"
#include "store/database.h"

namespace mozhou::cli {

// Messages are printed on stderr with their exact text. A question is answered yes with
// --yes; without it the question is printed, answered no, and the command should exit 1.
class ConsolePrompter : public app::Prompter {
 public:
  ConsolePrompter(std::ostream& err, bool yes) : err_(err), yes_(yes) {}
  void tsxx(std::string_view message) override;
  bool qrxx(std::string_view message) override;
  bool declined() const { return declined_; }
  int messages() const { return messages_; }

 private:
  std::ostream& err_;
  bool yes_;
  bool declined_ = false;
  int messages_ = 0;
};

// Opens the program directory's database; on failure the message has been printed.
std::unique_ptr<store::Database> openDatabase(Context& ctx, ConsolePrompter& prompter);

// Parses a whole decimal id; false (with a message) when it is not one.
bool parseId(Context& ctx, const std::string& text, long long& id);

}  // namespace mozhou::cli
