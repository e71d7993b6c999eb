#include "cli/cli.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>

namespace mozhou::cli {
namespace {

struct Command {
  std::vector<std::string> words;
  std::string usage;
  CommandFn fn;
};

std::vector<Command>& registry() {
  static std::vector<Command> commands;
  return commands;
}

std::vector<std::string> splitWords(const char* s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

void printHelp(std::ostream& os, const std::vector<std::string>& prefix) {
  os << "usage: mozhou-cli [--dir DIR] [--json] [--yes] COMMAND ...\n\ncommands:\n";
  for (const Command& c : registry()) {
    if (!std::equal(prefix.begin(), prefix.end(), c.words.begin(),
                    c.words.begin() + std::min(prefix.size(), c.words.size())))
      continue;
    os << "  " << c.usage << "\n";
  }
  os << "\n  --version           print the program version\n"
        "  --dir DIR           use DIR as the program directory (default: the executable's)\n"
        "  --json              one UTF-8 JSON object per line\n"
        "  --yes               answer every question with yes\n";
}

}  // namespace

CommandRegistration::CommandRegistration(const char* words, const char* usage, CommandFn fn) {
  registry().push_back({splitWords(words), usage, fn});
}

bool Args::flag(const std::string& name) {
  auto it = std::find(words_.begin(), words_.end(), name);
  if (it == words_.end()) return false;
  words_.erase(std::remove(words_.begin(), words_.end(), name), words_.end());
  return true;
}

std::optional<std::string> Args::value(const std::string& name) {
  std::optional<std::string> found;
  for (auto& v : values(name)) found = std::move(v);
  return found;
}

std::vector<std::string> Args::values(const std::string& name) {
  std::vector<std::string> found;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    const std::string& w = words_[i];
    if (w == name && i + 1 < words_.size()) {
      found.push_back(words_[++i]);
    } else if (w.rfind(name + "=", 0) == 0) {
      found.push_back(w.substr(name.size() + 1));
    } else {
      rest.push_back(w);
    }
  }
  words_ = std::move(rest);
  return found;
}

bool Args::positional(std::vector<std::string>& out, std::string& error) const {
  out.clear();
  bool literal = false;
  for (const std::string& w : words_) {
    if (!literal && w == "--") {
      literal = true;
      continue;
    }
    if (!literal && w.size() > 2 && w.rfind("--", 0) == 0) {
      error = "unknown option " + w;
      return false;
    }
    out.push_back(w);
  }
  return true;
}

int usageError(Context& ctx, const std::string& message) {
  ctx.err << "mozhou-cli: " << message << "\n";
  return 2;
}

int run(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  Args global(words);
  if (global.flag("--version")) {
    std::cout << "墨舟 mozhou-cli " << MOZHOU_VERSION << "\n";
    return 0;
  }
  const bool help = global.flag("--help") || global.flag("-h");
  auto dirOpt = global.value("--dir");
  const bool json = global.flag("--json");
  const bool yes = global.flag("--yes");
  std::vector<std::string> remaining;
  // The command words and its own options: argv minus the global options taken above.
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--version" || w == "--help" || w == "-h" || w == "--json" || w == "--yes") continue;
    if (w == "--dir") {
      ++i;
      continue;
    }
    if (w.rfind("--dir=", 0) == 0) continue;
    remaining.push_back(w);
  }
  const Command* best = nullptr;
  for (const Command& c : registry()) {
    if (c.words.size() > remaining.size()) continue;
    if (!std::equal(c.words.begin(), c.words.end(), remaining.begin())) continue;
    if (!best || c.words.size() > best->words.size()) best = &c;
  }
  if (!best) {
    if (help || remaining.empty()) {
      printHelp(help ? std::cout : std::cerr, remaining);
      return help ? 0 : 2;
    }
    std::cerr << "mozhou-cli: unknown command \"" << remaining[0] << "\" (see --help)\n";
    return 2;
  }
  if (help) {
    std::cout << "usage: mozhou-cli " << best->usage << "\n";
    return 0;
  }
  Context ctx{Args({remaining.begin() + static_cast<long>(best->words.size()), remaining.end()}),
              dirOpt ? app::ProgramDir(*dirOpt) : app::ProgramDir::ofExecutable(),
              json,
              yes,
              std::cout,
              std::cerr};
  return best->fn(ctx);
}

}  // namespace mozhou::cli
