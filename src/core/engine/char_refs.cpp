#include "engine/char_refs.h"

#include "text/codec.h"
#include "text/regex.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::engine {
namespace {

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string characterOf(std::string_view digits) {
  unsigned long value = 0;
  for (char c : digits) value = value * 10 + static_cast<unsigned long>(c - '0');
  const auto unit = static_cast<char32_t>(value % 65536);
  // A lone surrogate is no character; NUL would cut the text short for every later reader;
  // and the raw-byte code points would turn into stray bytes when the text is written out.
  if (unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF) || text::isRawByteCodePoint(unit)) return "?";
  return text::encodeUtf8(unit);
}

}  // namespace

std::string sun(std::string_view input) {
  std::string out = text::replaceAll(input, "&ldquo;", "\u201C");
  out = text::replaceAll(out, "&rdquo;", "\u201D");
  const text::RegexResult found = text::regexExecute("&#([^&]{1,5});", out);
  if (!found.ok) return out;
  for (const text::RegexMatch& m : found.matches) {
    if (m.subMatches.empty() || !allDigits(m.subMatches[0])) continue;
    out = text::replaceAll(out, m.value, characterOf(m.subMatches[0]));
  }
  return out;
}

}  // namespace mozhou::engine
