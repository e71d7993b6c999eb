#include "text/strings.h"

#include <charconv>

namespace mozhou::text {

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t start = 0;
  for (std::size_t hit; (hit = s.find(from, start)) != std::string_view::npos;
       start = hit + from.size()) {
    out.append(s.substr(start, hit - start));
    out.append(to);
  }
  out.append(s.substr(start));
  return out;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> splitLines(std::string_view s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\r' && s[i] != '\n') continue;
    lines.emplace_back(s.substr(start, i - start));
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < s.size()) lines.emplace_back(s.substr(start));
  return lines;
}

std::string normaliseLineBreaks(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 16);
  for (const std::string& line : splitLines(s)) {
    out += line;
    out += "\r\n";
  }
  return out;
}

namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string toLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

std::string toUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper(c);
  return out;
}

bool parseInt(std::string_view s, long long& out) {
  std::string t = trim(s);
  std::string_view v = t;
  if (!v.empty() && v[0] == '+') v.remove_prefix(1);
  if (v.empty()) return false;
  long long value = 0;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || ptr != v.data() + v.size()) return false;
  out = value;
  return true;
}

}  // namespace mozhou::text
