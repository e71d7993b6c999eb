#include "support/rule_file.h"

#include "text/codec.h"

namespace mozhou::testing {

std::string ruleBlockLength(std::int32_t length) {
  const auto v = static_cast<std::uint32_t>(length);
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

std::string ruleBlock(std::string_view bytes) {
  return ruleBlockLength(static_cast<std::int32_t>(bytes.size())) + std::string(bytes);
}

std::string siteRecordLine(std::string_view key, const std::vector<std::string>& fields) {
  std::string line = "<dw><wk>" + std::string(key) + "</wk>";
  for (std::size_t n = 0; n < 11; ++n) {
    const std::string num = std::to_string(n);
    line += "<s" + num + ">" + (n < fields.size() ? fields[n] : std::string()) + "</s" + num + ">";
  }
  return line + "</dw>";
}

std::string ruleFile(std::string_view searchText, std::string_view ruleText) {
  return ruleBlock(text::toLegacy(searchText)) + ruleBlock(text::toLegacy(ruleText));
}

}  // namespace mozhou::testing
