#include "engine/rule_source.h"

#include <cstdint>
#include <limits>

#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

constexpr std::string_view kBr = "{{br}}";

std::string fieldOpen(std::size_t n) { return "<s" + std::to_string(n) + ">"; }
std::string fieldClose(std::size_t n) { return "</s" + std::to_string(n) + ">"; }

struct BlockTags {
  std::string_view open;      // "<dw><wk>"
  std::string_view keyClose;  // "</wk>"
  std::string_view close;     // "</dw>"
};
constexpr BlockTags kSiteRuleTags{"<dw><wk>", "</wk>", "</dw>"};
constexpr BlockTags kSearchSiteTags{"<sw><wn>", "</wn>", "</sw>"};
const BlockTags& tagsOf(RuleBlock block) {
  return block == RuleBlock::SiteRules ? kSiteRuleTags : kSearchSiteTags;
}

// The form a site key takes when it is made from an address; a record under any other
// spelling can never be found.
std::string siteKeyForm(std::string_view key) {
  std::string k = text::toLowerAscii(key);
  k = text::replaceAll(k, "\\", "/");
  k = text::replaceAll(k, "http://", ".");
  k = text::replaceAll(k, "https://", ".");
  k = text::replaceAll(k, "www", ".");
  while (k.find("..") != std::string::npos) k = text::replaceAll(k, "..", ".");
  if (auto slash = k.find('/'); slash != std::string::npos) k.resize(slash);
  return k;
}

// A tag of the record grammar inside a value would end the value early when the record is
// read back, so such a value cannot be packed.
std::optional<std::string> grammarTagIn(std::string_view value) {
  const std::string lower = text::toLowerAscii(value);
  for (std::string_view tag : {"<dw>", "</dw>", "<wk>", "</wk>", "<sw>", "</sw>", "<wn>", "</wn>"})
    if (lower.find(tag) != std::string::npos) return std::string(tag);
  for (std::size_t n = 0; n < kRuleFields; ++n) {
    if (lower.find(fieldOpen(n)) != std::string::npos) return fieldOpen(n);
    if (lower.find(fieldClose(n)) != std::string::npos) return fieldClose(n);
  }
  return std::nullopt;
}

bool fail(std::string* error, std::string_view origin, std::size_t line, std::string_view what) {
  if (error) *error = std::string(origin) + ":" + std::to_string(line) + ": " + std::string(what);
  return false;
}

// "s0" … "s10" → field number.
std::optional<std::size_t> fieldNumber(std::string_view label) {
  if (label.size() < 2 || label.size() > 3 || label[0] != 's') return std::nullopt;
  long long n = 0;
  if (!text::parseInt(label.substr(1), n) || n < 0 || n >= static_cast<long long>(kRuleFields))
    return std::nullopt;
  if (label.size() == 3 && label[1] == '0') return std::nullopt;  // "s01"
  return static_cast<std::size_t>(n);
}

void putLength(std::string& out, std::uint32_t n) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

}  // namespace

bool parseRuleSource(std::string_view text, std::string_view origin, RuleSource& into,
                     std::string* error) {
  RuleSourceRecord* current = nullptr;
  std::array<bool, kRuleFields> seen{};
  const std::vector<std::string> lines = text::splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t lineNo = i + 1;
    std::string_view line = lines[i];
    if (i == 0 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    std::size_t lead = 0;
    while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
    line.remove_prefix(lead);
    if (line.empty() || line.front() == '#') continue;

    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
      return fail(error, origin, lineNo, "expected \"label: value\"");
    const std::string label = text::trim(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    if (value.starts_with(' ')) value.remove_prefix(1);
    const std::string where = std::string(origin) + ":" + std::to_string(lineNo);

    if (label == "key" || label == "name") {
      const bool site = label == "key";
      const std::string key = text::trim(value);
      if (key.empty()) return fail(error, origin, lineNo, "empty " + label);
      if (key.find('<') != std::string::npos || key.find('>') != std::string::npos)
        return fail(error, origin, lineNo, label + " must not contain \"<\" or \">\"");
      if (site && siteKeyForm(key) != key)
        return fail(error, origin, lineNo,
                    "site key \"" + key +
                        "\" is not written the way addresses are turned into "
                        "keys; write \"" +
                        siteKeyForm(key) + "\"");
      auto& list = site ? into.siteRules : into.searchSites;
      for (const RuleSourceRecord& other : list)
        if (other.key == key)
          return fail(error, origin, lineNo,
                      label + " \"" + key + "\" is already used at " + other.origin);
      list.push_back({});
      current = &list.back();
      current->block = site ? RuleBlock::SiteRules : RuleBlock::SearchSites;
      current->key = key;
      current->origin = where;
      seen.fill(false);
    } else if (auto n = fieldNumber(label)) {
      if (!current)
        return fail(error, origin, lineNo, "field before the first \"key:\" or \"name:\" line");
      if (auto tag = grammarTagIn(value))
        return fail(error, origin, lineNo, "value contains the record tag \"" + *tag + "\"");
      if (current->block == RuleBlock::SearchSites && *n == 0 &&
          value.find('<') != std::string_view::npos)
        return fail(error, origin, lineNo, "a search site's address must not contain \"<\"");
      std::string& field = current->fields[*n];
      if (seen[*n]) field += kBr;
      field += value;
      seen[*n] = true;
    } else {
      return fail(error, origin, lineNo, "unknown label \"" + label + "\"");
    }
  }
  return true;
}

void applyReplacements(RuleSource& source, const std::vector<TextReplacement>& replacements) {
  for (auto* list : {&source.searchSites, &source.siteRules})
    for (RuleSourceRecord& record : *list)
      for (const TextReplacement& r : replacements) {
        record.key = text::replaceAll(record.key, r.from, r.to);
        for (std::string& field : record.fields) field = text::replaceAll(field, r.from, r.to);
      }
}

std::vector<TextReplacement> demoSiteReplacements(std::string_view hostPort) {
  const std::size_t colon = hostPort.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == hostPort.size()) return {};
  const std::string port(hostPort.substr(colon + 1));
  return {{std::string(kDemoHostPort), std::string(hostPort)},
          {std::string(kDemoSecondHostPort), "localhost:" + port}};
}

std::string packRecord(const RuleSourceRecord& record) {
  const BlockTags& tags = tagsOf(record.block);
  std::string out(tags.open);
  out += record.key;
  out += tags.keyClose;
  for (std::size_t n = 0; n < kRuleFields; ++n) {
    out += fieldOpen(n);
    out += record.fields[n];
    out += fieldClose(n);
  }
  out += tags.close;
  return out;
}

std::string packBlockText(const std::vector<RuleSourceRecord>& records) {
  std::string out;
  for (const RuleSourceRecord& r : records) {
    out += packRecord(r);
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> packRuleFile(const std::vector<std::string>& blockTexts) {
  std::string out;
  for (const std::string& text : blockTexts) {
    const std::string bytes = text::toLegacy(text);
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      return std::nullopt;
    putLength(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
  }
  return out;
}

std::optional<std::string> packRuleFile(const RuleSource& source) {
  return packRuleFile({packBlockText(source.searchSites), packBlockText(source.siteRules)});
}

std::optional<std::vector<std::string>> unpackRuleFile(std::string_view bytes) {
  std::vector<std::string> blocks;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 4) return std::nullopt;
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i)
      raw |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    const auto length = static_cast<std::int32_t>(raw);
    at += 4;
    if (length < 0 || static_cast<std::size_t>(length) > bytes.size() - at) return std::nullopt;
    blocks.push_back(text::fromLegacy(bytes.substr(at, static_cast<std::size_t>(length))));
    at += static_cast<std::size_t>(length);
  }
  return blocks;
}

std::vector<RuleSourceRecord> parsePackedBlock(std::string_view text, RuleBlock block,
                                               std::vector<std::string>* unreadable) {
  const BlockTags& tags = tagsOf(block);
  std::vector<RuleSourceRecord> records;
  for (const std::string& line : text::splitLines(text)) {
    if (text::trim(line).empty()) continue;
    // Tags match in any letter case, as they do when records are looked up.
    const std::string lower = text::toLowerAscii(line);
    RuleSourceRecord record;
    record.block = block;
    bool ok = lower.starts_with(tags.open);
    std::size_t at = tags.open.size();
    if (ok) {
      const std::string marker = std::string(tags.keyClose) + fieldOpen(0);
      const std::size_t end = lower.find(marker, at);
      ok = end != std::string::npos;
      if (ok) {
        record.key = line.substr(at, end - at);
        at = end + marker.size();
      }
    }
    for (std::size_t n = 0; ok && n < kRuleFields; ++n) {
      const std::string marker =
          fieldClose(n) + (n + 1 < kRuleFields ? fieldOpen(n + 1) : std::string(tags.close));
      const std::size_t end = lower.find(marker, at);
      ok = end != std::string::npos;
      if (ok) {
        record.fields[n] = line.substr(at, end - at);
        at = end + marker.size();
      }
    }
    if (ok && !text::trim(std::string_view(line).substr(at)).empty()) ok = false;
    if (ok) {
      records.push_back(std::move(record));
    } else if (unreadable) {
      unreadable->push_back(line);
    }
  }
  return records;
}

std::string formatRuleSource(const RuleSource& source) {
  std::string out;
  auto section = [&](const std::vector<RuleSourceRecord>& records, std::string_view label,
                     std::string_view heading) {
    if (records.empty()) return;
    out += "# ";
    out += heading;
    out += "\n";
    for (const RuleSourceRecord& r : records) {
      out += "\n";
      out += label;
      out += ": ";
      out += r.key;
      out += "\n";
      for (std::size_t n = 0; n < kRuleFields; ++n) {
        if (r.fields[n].empty()) continue;
        std::size_t from = 0;
        while (true) {
          const std::size_t br = r.fields[n].find(kBr, from);
          const std::string_view part =
              std::string_view(r.fields[n]).substr(from, br == std::string::npos ? br : br - from);
          out += "s" + std::to_string(n) + ":";
          if (!part.empty()) {
            out += " ";
            out += part;
          }
          out += "\n";
          if (br == std::string::npos) break;
          from = br + kBr.size();
        }
      }
    }
    out += "\n";
  };
  section(source.searchSites, "name", "Search sites (block 0)");
  section(source.siteRules, "key", "Site rules (block 1)");
  return out;
}

}  // namespace mozhou::engine
