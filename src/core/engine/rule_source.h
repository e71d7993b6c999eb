#pragma once
// The readable source of the site rule file and its packing into db/bookset.dat.
//
// Rule authors keep the records in UTF-8 text files, one field per line:
//
//   # a comment
//   key: .example.com          <- starts a site rule record (block 1); the site key
//   name: 示例书屋              <- starts a search-site record (block 0); the site name
//   s1: {{1}}<div id="list">{{t}}</div>
//   s1: {{2}}&nbsp;{{t}}       <- a field given on several lines is one rule list: the
//                                 lines are joined with "{{br}}"
//
// After the label's colon one space is dropped; everything else of the line, trailing blanks
// included, is the value. Fields left out are empty. The packed file holds one line per record
// ("<dw><wk>…</wk><s0>…</s0>…<s10>…</s10></dw>" or "<sw><wn>…</wn>…</sw>") in the legacy code
// page with CR LF line ends, each block behind its signed 32-bit little-endian length.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::engine {

inline constexpr std::size_t kRuleFields = 11;

enum class RuleBlock { SearchSites = 0, SiteRules = 1 };

struct RuleSourceRecord {
  RuleBlock block = RuleBlock::SiteRules;
  std::string key;  // site key of a site rule record, site name of a search-site record
  std::array<std::string, kRuleFields> fields;  // packed form: lines joined with "{{br}}"
  std::string origin;                           // "file:line" where the record starts
};

// Both blocks, each in the order the records were read.
struct RuleSource {
  std::vector<RuleSourceRecord> searchSites;
  std::vector<RuleSourceRecord> siteRules;
};

// Reads readable source text and appends its records to `into`. `origin` names the text in
// messages. On a malformed line or a record that could not be packed faithfully, returns
// false with a message naming the line; `into` then holds the records read before it.
bool parseRuleSource(std::string_view text, std::string_view origin, RuleSource& into,
                     std::string* error);

// Text put in place of other text in every key, name and field, in the order given.
struct TextReplacement {
  std::string from;
  std::string to;
};
void applyReplacements(RuleSource& source, const std::vector<TextReplacement>& replacements);

// The demo site's addresses in the shipped rules, 127.0.0.1:8611 and its second name
// localhost:8611, moved to `hostPort` ("127.0.0.1:PORT"; the second name keeps "localhost"
// and takes the new port). Empty when `hostPort` has no port.
inline constexpr std::string_view kDemoHostPort = "127.0.0.1:8611";
inline constexpr std::string_view kDemoSecondHostPort = "localhost:8611";
std::vector<TextReplacement> demoSiteReplacements(std::string_view hostPort);

// One record as its line of the packed block (no line break).
std::string packRecord(const RuleSourceRecord& record);
// A block's text: one line per record, each ended by CR LF.
std::string packBlockText(const std::vector<RuleSourceRecord>& records);
// The container: block 0 (search sites) then block 1 (site rules), in the legacy code page.
// nullopt when a block would not fit its 32-bit length.
std::optional<std::string> packRuleFile(const RuleSource& source);
std::optional<std::string> packRuleFile(const std::vector<std::string>& blockTexts);

// The blocks of a packed file decoded to UTF-8 text, in file order; nullopt when a length is
// negative or runs past the end of the file.
std::optional<std::vector<std::string>> unpackRuleFile(std::string_view bytes);

// The records of one packed block's text. Lines that are not records of that block are
// handed back in `unreadable` (when given) instead of being dropped silently.
std::vector<RuleSourceRecord> parsePackedBlock(std::string_view text, RuleBlock block,
                                               std::vector<std::string>* unreadable = nullptr);

// Readable source for the records, in the layout parseRuleSource reads back unchanged.
std::string formatRuleSource(const RuleSource& source);

}  // namespace mozhou::engine
