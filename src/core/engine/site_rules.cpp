#include "engine/site_rules.h"

#include <cstdint>

#include "app/files.h"
#include "text/codec.h"
#include "text/regex.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

// The signed little-endian length at `offset`; nullopt when fewer than four bytes are left.
std::optional<std::int32_t> lengthAt(std::string_view file, std::size_t offset) {
  if (offset > file.size() || file.size() - offset < 4) return std::nullopt;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(file[offset + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}

std::string recordPattern(std::string_view key) {
  std::string p = "<dw><wk>";
  p += key;
  p += "</wk>";
  for (std::size_t n = 0; n < kSiteRecordFields; ++n) {
    const std::string num = std::to_string(n);
    p += "<s" + num + ">(.*?)</s" + num + ">";
  }
  p += "</dw>";
  return p;
}

// The key of the next try: without its first label, or "." once nothing but one label is
// left. A key without a dot cannot shrink and is tried as it is.
void shortenKey(std::string& k) {
  if (k.find('.') == std::string::npos) return;
  k.erase(0, 1);
  const std::size_t dot = k.find('.');
  if (dot == std::string::npos) {
    k.assign(1, '.');
  } else {
    k.erase(0, dot + 1);
  }
}

}  // namespace

std::optional<std::string_view> ruleFileBlock(std::string_view file, int n) {
  if (n < 0) return std::nullopt;
  std::size_t offset = 0;
  for (int i = 0;; ++i) {
    const std::optional<std::int32_t> len = lengthAt(file, offset);
    if (!len || *len < 0) return std::nullopt;
    const auto size = static_cast<std::size_t>(*len);
    if (file.size() - offset - 4 < size) return std::nullopt;
    if (i == n) return file.substr(offset + 4, size);
    offset += 4 + size;
  }
}

std::string getsetstr(const app::ProgramDir& dir, int n) {
  try {
    const std::optional<std::string> file = app::readFileBytes(dir.path("db/bookset.dat"));
    if (!file) return {};
    const std::optional<std::string_view> block = ruleFileBlock(*file, n);
    if (!block) return {};
    return text::normaliseLineBreaks(text::fromLegacy(*block));
  } catch (...) {
    return {};
  }
}

std::string geturlkey(std::string_view address) {
  std::string k = text::toLowerAscii(address);
  k = text::replaceAll(k, "\\", "/");
  k = text::replaceAll(k, "http://", ".");
  k = text::replaceAll(k, "https://", ".");
  k = text::replaceAll(k, "www", ".");
  while (k.find("..") != std::string::npos) k = text::replaceAll(k, "..", ".");
  const std::size_t slash = k.find('/');
  if (slash != std::string::npos) k.erase(slash);
  return k;
}

SiteRecord getdsbykey(std::string_view ruleText, std::string_view key) {
  try {
    std::string k(key);
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (attempt > 0) shortenKey(k);
      const text::RegexResult found = text::regexExecute(recordPattern(k), ruleText);
      if (!found.ok) return {};
      if (!found.matches.empty()) {
        const text::RegexMatch& m = found.matches.front();
        if (m.subMatches.size() != kSiteRecordFields) return {};
        SiteRecord record;
        record.reserve(kSiteRecordFields);
        for (const std::string& field : m.subMatches)
          record.push_back(text::replaceAll(field, "{{br}}", "\r\n"));
        return record;
      }
      if (k == ".") break;
    }
  } catch (...) {
  }
  return {};
}

RuleText::RuleText() : RuleText(std::string()) {}

RuleText::RuleText(std::string text)
    : text_(std::make_shared<const std::string>(std::move(text))) {}

std::shared_ptr<const std::string> RuleText::snapshot() const { return text_.load(); }

void RuleText::replace(std::string text) {
  text_.store(std::make_shared<const std::string>(std::move(text)));
}

void RuleText::load(const app::ProgramDir& dir) { replace(getsetstr(dir, kSiteRuleBlock)); }

SiteRecord RuleText::lookup(std::string_view key) const {
  const std::shared_ptr<const std::string> text = snapshot();
  return getdsbykey(*text, key);
}

}  // namespace mozhou::engine
