#pragma once
// The legacy Chinese code page at the program's edges: GB18030 (a superset of GBK).
// Decoding is lossless: a byte that starts no valid sequence becomes U+F780 + (byte - 0x80)
// and encoding turns such a code point back into that byte, so a page in another encoding
// survives a decode/encode round trip unchanged. Byte 0x80 reads as "€", as code page 936 does.
#include <cstddef>
#include <string>
#include <string_view>

namespace mozhou::text {

std::string fromLegacy(std::string_view bytes);
std::string toLegacy(std::string_view utf8);

// Length of the text in bytes of the legacy code page.
std::size_t legacyLength(std::string_view utf8);

// True for the code points that stand for undecodable bytes.
constexpr bool isRawByteCodePoint(char32_t cp) { return cp >= 0xF780 && cp <= 0xF7FF; }

}  // namespace mozhou::text
