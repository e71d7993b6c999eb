#pragma once
// Decoding of the character references that chapter pages carry instead of characters.
#include <string>
#include <string_view>

namespace mozhou::engine {

// "&ldquo;" and "&rdquo;" become curly quotation marks, then every decimal reference
// "&#NNNNN;" (one to five digits, leading zeros allowed) becomes the character of that
// UTF-16 code unit (the number taken modulo 65536). A body that is not all digits, hexadecimal
// ones included, is left as it is. A code unit that stands for no character the legacy code
// page can hold (a surrogate half, NUL, the code points reserved for undecodable bytes)
// becomes "?".
std::string sun(std::string_view text);

}  // namespace mozhou::engine
