#include "text/codec.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "text/utf8.h"

namespace mozhou::text {
namespace {

constexpr char32_t kEuro = 0x20AC;

// One iconv descriptor per thread and direction: iconv_t is not thread-safe.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts `in` whole; returns false when iconv rejects any of it.
  bool convert(const char* in, std::size_t inLen, char* out, std::size_t& outLen) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);
    std::size_t left = inLen;
    char* dst = out;
    std::size_t room = outLen;
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) || left != 0)
      return false;
    outLen -= room;
    return true;
  }

 private:
  iconv_t cd_;
};

Iconv& decoder() {
  thread_local Iconv cd("UTF-32LE", "GB18030");
  return cd;
}
Iconv& encoder() {
  thread_local Iconv cd("GB18030", "UTF-32LE");
  return cd;
}

char32_t toCodePoint(const char* b) {
  const auto* u = reinterpret_cast<const unsigned char*>(b);
  return static_cast<char32_t>(u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<char32_t>(u[3]) << 24));
}

// Decodes one GB18030 sequence of `len` bytes; kInvalidCodePoint when iconv rejects it.
char32_t decodeSequence(const char* seq, std::size_t len) {
  char out[8];
  std::size_t outLen = sizeof out;
  if (!decoder().convert(seq, len, out, outLen) || outLen != 4) return kInvalidCodePoint;
  return toCodePoint(out);
}

// Two-byte sequences are by far the most common; both directions are tabulated once.
struct Tables {
  std::vector<char32_t> twoByte;    // index (lead-0x81)*191 + (trail-0x40) -> code point
  std::vector<uint16_t> bmpToPair;  // code point -> lead<<8|trail, 0 when not a pair
  Tables() : twoByte(126 * 191, kInvalidCodePoint), bmpToPair(0x10000, 0) {
    char seq[2];
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        seq[0] = static_cast<char>(lead);
        seq[1] = static_cast<char>(trail);
        const char32_t cp = decodeSequence(seq, 2);
        // GB18030's own euro pair is unassigned in code page 936, where 0x80 is the euro:
        // reading it as raw bytes keeps every byte sequence lossless.
        if (cp == kInvalidCodePoint || isRawByteCodePoint(cp) || cp == kEuro) continue;
        twoByte[(lead - 0x81) * 191 + (trail - 0x40)] = cp;
        if (cp < 0x10000 && bmpToPair[cp] == 0)
          bmpToPair[cp] = static_cast<uint16_t>(lead << 8 | trail);
      }
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

void appendRawByte(std::string& out, unsigned char b) { appendUtf8(out, 0xF780 + (b - 0x80)); }

bool isDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

// Legacy bytes of one code point; empty when it has no encoding.
std::string encodeCodePoint(char32_t cp) {
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  if (isRawByteCodePoint(cp)) return std::string(1, static_cast<char>(cp - 0xF780 + 0x80));
  if (cp == kEuro) return std::string(1, '\x80');
  if (cp < 0x10000) {
    const uint16_t pair = tables().bmpToPair[cp];
    if (pair != 0) return {static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
  }
  const char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                      static_cast<char>((cp >> 16) & 0xFF), static_cast<char>(cp >> 24)};
  char out[8];
  std::size_t outLen = sizeof out;
  if (!encoder().convert(in, 4, out, outLen)) return {};
  return std::string(out, outLen);
}

}  // namespace

std::string fromLegacy(std::string_view bytes) {
  const Tables& t = tables();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (b == 0x80) {
      appendUtf8(out, kEuro);
      ++i;
      continue;
    }
    if (b <= 0xFE && i + 1 < n) {
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      if (b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F) {
        const char32_t cp = t.twoByte[(b - 0x81) * 191 + (b1 - 0x40)];
        if (cp != kInvalidCodePoint) {
          appendUtf8(out, cp);
          i += 2;
          continue;
        }
      } else if (isDigit(b1) && i + 3 < n) {
        const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
        const auto b3 = static_cast<unsigned char>(bytes[i + 3]);
        if (b2 >= 0x81 && b2 <= 0xFE && isDigit(b3)) {
          const char32_t cp = decodeSequence(bytes.data() + i, 4);
          // A code point of the raw-byte range would not survive encoding: keep the bytes.
          if (cp != kInvalidCodePoint && !isRawByteCodePoint(cp)) {
            appendUtf8(out, cp);
            i += 4;
            continue;
          }
        }
      }
    }
    appendRawByte(out, b);
    ++i;
  }
  return out;
}

std::string toLegacy(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++pos;
      continue;
    }
    const char32_t cp = decodeUtf8(utf8, pos);
    std::string enc = cp == kInvalidCodePoint ? std::string() : encodeCodePoint(cp);
    out += enc.empty() ? std::string("?") : enc;
  }
  return out;
}

std::size_t legacyLength(std::string_view utf8) {
  std::size_t len = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      ++len;
      ++pos;
      continue;
    }
    const char32_t cp = decodeUtf8(utf8, pos);
    if (cp == kInvalidCodePoint || cp == kEuro || isRawByteCodePoint(cp)) {
      len += 1;
    } else if (cp < 0x10000 && tables().bmpToPair[cp] != 0) {
      len += 2;
    } else {
      len += 4;
    }
  }
  return len;
}

}  // namespace mozhou::text
