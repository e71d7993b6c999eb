// mozhou-pack-rules: packs the readable rule source into the site rule file db/bookset.dat,
// or turns a packed file back into readable source.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/files.h"
#include "engine/rule_source.h"
#include "text/utf8.h"

namespace {

using namespace mozhou;

constexpr const char* kUsage =
    "usage: mozhou-pack-rules [options] SOURCE...\n"
    "       mozhou-pack-rules --unpack FILE [-o OUTPUT]\n"
    "\n"
    "Packs readable rule source files (UTF-8) into a site rule file: block 0 holds the\n"
    "search-site records (\"name:\" records), block 1 the site rule records (\"key:\"\n"
    "records), each block behind its 4-byte little-endian length, in GBK with CR LF.\n"
    "\n"
    "Source layout, one field per line:\n"
    "  # comment\n"
    "  key: .example.com            site rule record, under its site key\n"
    "  name: Example                search-site record, under its site name\n"
    "  s0: ... s10: ...             fields; a field on several lines is joined with {{br}}\n"
    "One space after the colon is dropped; the rest of the line is the value.\n"
    "\n"
    "options:\n"
    "  -o, --output FILE     the file to write (required unless --check)\n"
    "  --host HOST:PORT      move the demo site: 127.0.0.1:8611 becomes HOST:PORT and\n"
    "                        localhost:8611 becomes localhost:PORT\n"
    "  --replace OLD=NEW     replace the text OLD by NEW in every key, name and field\n"
    "                        (may be repeated; applied in the order given, after --host)\n"
    "  --check               read the sources and report problems, write nothing\n"
    "  --unpack FILE         write the readable source of a packed rule file to OUTPUT\n"
    "                        (standard output when -o is not given)\n"
    "  -h, --help            show this text\n";

int usageError(const char* message) {
  std::fprintf(stderr, "mozhou-pack-rules: %s\n%s", message, kUsage);
  return 2;
}

bool writeOut(const std::string& output, std::string_view bytes) {
  if (output.empty() || output == "-") {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  }
  const std::filesystem::path path(output);
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  return app::writeFileAtomic(path, bytes);
}

int unpack(const std::string& input, const std::string& output) {
  const auto bytes = app::readFileBytes(input);
  if (!bytes) {
    std::fprintf(stderr, "mozhou-pack-rules: cannot read %s\n", input.c_str());
    return 1;
  }
  const auto blocks = engine::unpackRuleFile(*bytes);
  if (!blocks) {
    std::fprintf(stderr, "mozhou-pack-rules: %s is not a rule file (a block runs past its end)\n",
                 input.c_str());
    return 1;
  }
  engine::RuleSource source;
  std::vector<std::string> unreadable;
  if (blocks->size() > 0)
    source.searchSites =
        engine::parsePackedBlock((*blocks)[0], engine::RuleBlock::SearchSites, &unreadable);
  if (blocks->size() > 1)
    source.siteRules =
        engine::parsePackedBlock((*blocks)[1], engine::RuleBlock::SiteRules, &unreadable);
  std::string text = engine::formatRuleSource(source);
  if (!unreadable.empty()) {
    text += "# Lines that are no record of their block:\n";
    for (const std::string& line : unreadable) text += "# " + line + "\n";
    std::fprintf(stderr, "mozhou-pack-rules: %zu line(s) are no record; kept as comments\n",
                 unreadable.size());
  }
  if (blocks->size() > 2)
    std::fprintf(stderr, "mozhou-pack-rules: %zu further block(s) ignored\n", blocks->size() - 2);
  if (!writeOut(output, text)) {
    std::fprintf(stderr, "mozhou-pack-rules: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  std::string unpackFile;
  bool check = false;
  std::vector<engine::TextReplacement> hostReplacements;
  std::vector<engine::TextReplacement> replacements;
  std::vector<std::string> sources;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "-o" || arg == "--output") {
      const char* v = value();
      if (!v) return usageError("-o needs a file");
      output = v;
    } else if (arg == "--host") {
      const char* v = value();
      if (!v) return usageError("--host needs HOST:PORT");
      hostReplacements = engine::demoSiteReplacements(v);
      if (hostReplacements.empty()) return usageError("--host needs HOST:PORT");
    } else if (arg == "--replace") {
      const char* v = value();
      const char* eq = v ? std::strchr(v, '=') : nullptr;
      if (!eq || eq == v) return usageError("--replace needs OLD=NEW");
      replacements.push_back({std::string(v, eq), std::string(eq + 1)});
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--unpack") {
      const char* v = value();
      if (!v) return usageError("--unpack needs a file");
      unpackFile = v;
    } else if (arg.starts_with("-") && arg != "-") {
      return usageError(("unknown option " + std::string(arg)).c_str());
    } else {
      sources.emplace_back(arg);
    }
  }
  if (!unpackFile.empty()) return unpack(unpackFile, output);
  if (sources.empty()) return usageError("no source files");
  if (!check && output.empty()) return usageError("no output file (-o)");

  engine::RuleSource source;
  for (const std::string& file : sources) {
    const auto bytes = app::readFileBytes(file);
    if (!bytes) {
      std::fprintf(stderr, "mozhou-pack-rules: cannot read %s\n", file.c_str());
      return 1;
    }
    if (!text::isValidUtf8(*bytes)) {
      std::fprintf(stderr, "mozhou-pack-rules: %s is not UTF-8\n", file.c_str());
      return 1;
    }
    std::string error;
    if (!engine::parseRuleSource(*bytes, file, source, &error)) {
      std::fprintf(stderr, "mozhou-pack-rules: %s\n", error.c_str());
      return 1;
    }
  }
  hostReplacements.insert(hostReplacements.end(), replacements.begin(), replacements.end());
  engine::applyReplacements(source, hostReplacements);
  const auto packed = engine::packRuleFile(source);
  if (!packed) {
    std::fprintf(stderr, "mozhou-pack-rules: the rules are too large for a rule file\n");
    return 1;
  }
  if (check) {
    std::printf("%zu search site(s), %zu site rule record(s)\n", source.searchSites.size(),
                source.siteRules.size());
    return 0;
  }
  if (!writeOut(output, *packed)) {
    std::fprintf(stderr, "mozhou-pack-rules: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
