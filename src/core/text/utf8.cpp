#include "text/utf8.h"

namespace mozhou::text {

char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  std::size_t need;
  char32_t cp;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return kInvalidCodePoint;
  }
  if (pos + need >= s.size()) {
    ++pos;
    return kInvalidCodePoint;
  }
  for (std::size_t i = 1; i <= need; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kInvalidCodePoint;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kInvalidCodePoint;
  }
  pos += need + 1;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string encodeUtf8(char32_t cp) {
  std::string s;
  appendUtf8(s, cp);
  return s;
}

bool isValidUtf8(std::string_view s) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    if (decodeUtf8(s, pos) == kInvalidCodePoint) return false;
  }
  return true;
}

std::size_t utf8Length(std::string_view s) {
  std::size_t pos = 0, n = 0;
  while (pos < s.size()) {
    decodeUtf8(s, pos);
    ++n;
  }
  return n;
}

std::size_t utf8Offset(std::string_view s, std::size_t chars) {
  std::size_t pos = 0;
  while (chars > 0 && pos < s.size()) {
    decodeUtf8(s, pos);
    --chars;
  }
  return pos;
}

}  // namespace mozhou::text
