#pragma once
// UTF-8 primitives shared by the codec, the regular-expression service and the text tools.
#include <cstddef>
#include <string>
#include <string_view>

namespace mozhou::text {

inline constexpr char32_t kInvalidCodePoint = 0xFFFFFFFF;

// Decodes the code point at `pos` and advances `pos` past it. A malformed sequence
// (bad lead, missing continuation, overlong form, surrogate, beyond U+10FFFF) yields
// kInvalidCodePoint and advances by one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& pos);

void appendUtf8(std::string& out, char32_t cp);
std::string encodeUtf8(char32_t cp);

bool isValidUtf8(std::string_view s);

// Number of code points; each malformed byte counts as one.
std::size_t utf8Length(std::string_view s);

// Byte offset of the character with index `chars` (clamped to the end).
std::size_t utf8Offset(std::string_view s, std::size_t chars);

}  // namespace mozhou::text
