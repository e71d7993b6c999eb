#include "engine/rule_expr.h"

#include <cstdint>
#include <iterator>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "engine/char_refs.h"
#include "engine/fetcher.h"
#include "engine/page_base.h"
#include "text/codec.h"
#include "text/regex.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::engine {
namespace {

constexpr std::string_view kExpressionPattern = "{{(.*?)}}(.*?){{t}}(.*)";
constexpr std::string_view kWebpath = "[webpath]";

std::string cut(std::string_view text, std::string_view start, std::string_view end) {
  std::string out(text);
  if (!start.empty()) {
    const std::size_t p = out.find(start);
    if (p != std::string::npos) out.erase(0, p);
  }
  if (!end.empty()) {
    const std::size_t p = out.find(end);
    if (p != std::string::npos) out.erase(p + end.size());
  }
  return out;
}

std::string convert(std::string_view text, std::string_view code) {
  if (code == "0" || code == "3") return legacyToUtf8(text);
  if (code == "1" || code == "2") return utf8ToLegacy(text);
  if (code == "4") return sun(text);
  return std::string(text);
}

// One expression; exceptions are left to the caller, which ends the list on them.
std::string apply(std::string_view text, std::string_view code, std::string_view a,
                  std::string_view b) {
  const std::string base = pageBase();
  const std::string opA = text::replaceAll(a, kWebpath, base);
  const std::string opB = text::replaceAll(b, kWebpath, base);
  if (code == "0") return convert(text, opA);
  if (code == "1") return cut(text, opA, opB);
  if (code == "2") return text::replaceAll(text, opA, opB);
  if (code == "3") return pregplace(text, opA, opB);
  if (code == "4") return openhx(text, opA, opB);
  return std::string(text);
}

// A piece of a template being expanded: text still to be searched for references, or text
// already put in (a group, the page base) that must stay as it is.
struct Piece {
  std::string text;
  bool open;
};

// Splits every open piece at `needle`, putting `value` in its place as a closed piece.
std::vector<Piece> substitute(std::vector<Piece> pieces, std::string_view needle,
                              std::string_view value) {
  std::vector<Piece> out;
  out.reserve(pieces.size());
  for (Piece& piece : pieces) {
    if (!piece.open || piece.text.find(needle) == std::string::npos) {
      out.push_back(std::move(piece));
      continue;
    }
    std::size_t from = 0;
    for (std::size_t at; (at = piece.text.find(needle, from)) != std::string::npos;
         from = at + needle.size()) {
      if (at > from) out.push_back({piece.text.substr(from, at - from), true});
      out.push_back({std::string(value), false});
    }
    if (from < piece.text.size()) out.push_back({piece.text.substr(from), true});
  }
  return out;
}

// A stretch [start, end) of the original text already given over to an expansion.
struct Claim {
  std::size_t end;
  std::size_t expansion;
};

bool overlapsClaim(const std::map<std::size_t, Claim>& claims, std::size_t start, std::size_t end) {
  auto it = claims.upper_bound(start);
  if (it != claims.end() && it->first < end) return true;
  return it != claims.begin() && std::prev(it)->second.end > start;
}

// Every position where each of `values` occurs in `text`, ascending. One rolling-hash pass
// over the text per distinct length, so a page with thousands of matches is not searched
// once per match.
std::unordered_map<std::string_view, std::vector<std::size_t>> occurrences(
    std::string_view text, const std::vector<std::string_view>& values) {
  constexpr std::uint64_t kBase = 1000003;
  auto hashOf = [](std::string_view s) {
    std::uint64_t h = 0;
    for (char c : s) h = h * kBase + static_cast<unsigned char>(c);
    return h;
  };
  std::map<std::size_t, std::unordered_multimap<std::uint64_t, std::string_view>> byLength;
  for (std::string_view v : values) byLength[v.size()].emplace(hashOf(v), v);

  std::unordered_map<std::string_view, std::vector<std::size_t>> found;
  for (const auto& [length, table] : byLength) {
    if (length == 0 || length > text.size()) continue;
    std::uint64_t top = 1;  // kBase^(length-1)
    for (std::size_t i = 1; i < length; ++i) top *= kBase;
    std::uint64_t h = hashOf(text.substr(0, length));
    for (std::size_t p = 0;; ++p) {
      const auto [first, last] = table.equal_range(h);
      for (auto it = first; it != last; ++it)
        if (text.compare(p, length, it->second) == 0) found[it->second].push_back(p);
      if (p + length >= text.size()) break;
      h = (h - static_cast<unsigned char>(text[p]) * top) * kBase +
          static_cast<unsigned char>(text[p + length]);
    }
  }
  return found;
}

std::string join(const std::vector<Piece>& pieces) {
  std::string out;
  for (const Piece& piece : pieces) out += piece.text;
  return out;
}

}  // namespace

std::string hcs(std::string_view operand) {
  return text::replaceAll(text::replaceAll(operand, "#10", "\n"), "#13", "\r");
}

std::string regsp(std::string_view tmpl, const std::vector<std::string>& groups) {
  std::vector<Piece> pieces{{std::string(tmpl), true}};
  pieces = substitute(std::move(pieces), kWebpath, pageBase());
  for (std::size_t k = groups.size(); k >= 1; --k)
    pieces = substitute(std::move(pieces), "$" + std::to_string(k), groups[k - 1]);
  return join(pieces);
}

std::string pregplace(std::string_view text, std::string_view pattern, std::string_view tmpl) {
  if (tmpl.find('$') == std::string_view::npos) {
    text::RegexReplaceResult replaced = text::regexReplace(pattern, text, tmpl);
    return replaced.ok ? std::move(replaced.text) : std::string(text);
  }
  const text::RegexResult found = text::regexExecute(pattern, text);
  if (!found.ok) return std::string(text);
  // Each match's text is replaced wherever it stands in the text, but never inside an
  // expansion already put in, which would otherwise be expanded a second time. The
  // replacements are collected as claims on the original text and applied once at the end.
  std::vector<std::string_view> values;
  {
    std::unordered_set<std::string_view> seen;
    for (const text::RegexMatch& m : found.matches)
      if (!m.value.empty() && seen.insert(m.value).second) values.push_back(m.value);
  }
  const auto where = occurrences(text, values);
  std::map<std::size_t, Claim> claims;
  std::vector<std::string> expansions;
  std::unordered_set<std::string_view> done;
  for (const text::RegexMatch& m : found.matches) {
    if (m.value.empty() || !done.insert(m.value).second) continue;
    const auto hit = where.find(m.value);
    if (hit == where.end()) continue;
    // Left to right, the occurrences that overlap neither each other nor an earlier claim.
    std::vector<std::size_t> at;
    std::size_t free = 0;
    for (std::size_t p : hit->second) {
      if (p < free || overlapsClaim(claims, p, p + m.value.size())) continue;
      at.push_back(p);
      free = p + m.value.size();
    }
    if (at.empty()) continue;
    expansions.push_back(regsp(tmpl, m.subMatches));
    for (std::size_t p : at) claims.emplace(p, Claim{p + m.value.size(), expansions.size() - 1});
  }
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (const auto& [start, claim] : claims) {
    out.append(text.substr(pos, start - pos));
    out += expansions[claim.expansion];
    pos = claim.end;
  }
  out.append(text.substr(pos));
  return out;
}

std::string openhx(std::string_view text, std::string_view pattern, std::string_view tmpl) {
  const text::RegexResult found = text::regexExecute(pattern, text);
  if (!found.ok || found.matches.empty()) return {};
  const std::string address = regsp(tmpl, found.matches.front().subMatches);
  if (address.empty()) return {};
  return opurl(address, nullptr, 0, 1);
}

std::string getps(std::string_view text, std::string_view code, std::string_view a,
                  std::string_view b) {
  try {
    return apply(text, code, a, b);
  } catch (...) {
    return std::string(text);
  }
}

std::string guizstr(std::string_view text, std::string_view list) {
  std::string current(text);
  try {
    for (const std::string& line : text::splitLines(list)) {
      if (line.empty()) continue;
      const text::RegexResult found = text::regexExecute(kExpressionPattern, line);
      if (!found.ok || found.matches.empty()) continue;
      const std::vector<std::string>& g = found.matches.front().subMatches;
      if (g.size() != 3) continue;
      current = apply(current, g[0], hcs(g[1]), hcs(g[2]));
    }
  } catch (...) {
  }
  return current;
}

std::string legacyToUtf8(std::string_view input) {
  // Our text is UTF-8 already; only bytes that never formed a character need replacing.
  std::string utf8;
  utf8.reserve(input.size());
  std::size_t pos = 0;
  while (pos < input.size()) {
    const std::size_t start = pos;
    const char32_t cp = text::decodeUtf8(input, pos);
    if (cp == text::kInvalidCodePoint || text::isRawByteCodePoint(cp)) {
      utf8 += '?';
    } else {
      utf8.append(input.substr(start, pos - start));
    }
  }
  return text::fromLegacy(utf8);
}

std::string utf8ToLegacy(std::string_view input) {
  const std::string bytes = text::toLegacy(input);
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const char32_t cp = text::decodeUtf8(bytes, pos);
    if (cp == text::kInvalidCodePoint || cp > 0xFFFF) return {};
    if (text::isRawByteCodePoint(cp)) {
      out += '?';
    } else {
      text::appendUtf8(out, cp);
    }
  }
  return out;
}

}  // namespace mozhou::engine
