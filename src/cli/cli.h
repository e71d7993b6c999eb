#pragma once
// The command dispatcher of mozhou-cli. Each command file registers itself with a static
// CommandRegistration; the dispatcher picks the longest registered word sequence.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/program_dir.h"

namespace mozhou::cli {

// The words after the command, consumed by the command as it parses them.
class Args {
 public:
  explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}
  // Removes "--name" and reports whether it was there.
  bool flag(const std::string& name);
  // Removes "--name VALUE" or "--name=VALUE" (the last one wins).
  std::optional<std::string> value(const std::string& name);
  // Removes every "--name VALUE"; for options that may repeat.
  std::vector<std::string> values(const std::string& name);
  // What is left once every option has been taken; fails on a leftover "--option".
  bool positional(std::vector<std::string>& out, std::string& error) const;

 private:
  std::vector<std::string> words_;
};

struct Context {
  Args args;
  app::ProgramDir dir;
  bool json = false;
  bool yes = false;
  std::ostream& out;
  std::ostream& err;
};

using CommandFn = int (*)(Context&);

struct CommandRegistration {
  CommandRegistration(const char* words, const char* usage, CommandFn fn);
};

// Prints "mozhou-cli: <message>" on stderr and returns the exit code for bad usage.
int usageError(Context& ctx, const std::string& message);

int run(int argc, char** argv);

}  // namespace mozhou::cli
