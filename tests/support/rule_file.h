#pragma once
// Site rule files for tests: blocks, rule records and whole files in the on-disk layout.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::testing {

// One block: the 32-bit little-endian length, then the bytes.
std::string ruleBlock(std::string_view bytes);
// A block header with an arbitrary length (negative, or larger than what follows).
std::string ruleBlockLength(std::int32_t length);

// A rule record line (without line break): "<dw><wk>key</wk><s0>…</s0>…<s10>…</s10></dw>".
// Missing fields are empty.
std::string siteRecordLine(std::string_view key, const std::vector<std::string>& fields = {});

// A whole file: block 0 holding the search-site text, block 1 the rule text, both given as
// UTF-8 and stored in the legacy code page.
std::string ruleFile(std::string_view searchText, std::string_view ruleText);

}  // namespace mozhou::testing
