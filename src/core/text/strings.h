#pragma once
// String helpers used throughout the program. All work on UTF-8 text byte-wise, which is
// safe because every delimiter they look for is ASCII or a whole UTF-8 sequence.
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::text {

// Replaces every occurrence of `from` left to right; inserted text is not searched again.
// An empty `from` leaves the text unchanged.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// Drops leading and trailing spaces and control characters (bytes up to 0x20).
std::string trim(std::string_view s);

// Splits at CR LF, CR or LF. A final line break does not start another (empty) line;
// empty text gives no lines.
std::vector<std::string> splitLines(std::string_view s);

// Every line ended by CR LF, the last one too; empty text stays empty.
std::string normaliseLineBreaks(std::string_view s);

bool iequals(std::string_view a, std::string_view b);  // ASCII letters without regard to case
std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);

// Decimal parsing that accepts only an optional sign and digits (surrounding blanks allowed).
bool parseInt(std::string_view s, long long& out);

}  // namespace mozhou::text
