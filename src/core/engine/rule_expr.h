#pragma once
// Rule expressions: the small text-transformation programs of the site rules, one expression
// per line, "{{code}}A{{t}}B", and substitution templates with "[webpath]" and "$1", "$2", ….
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::engine {

// Applies every expression of the list in order; lines that are no expression are skipped.
// A failure inside an expression ends the list with the text as the last expression left it.
std::string guizstr(std::string_view text, std::string_view list);

// Applies one expression. Operator codes "0" (conversion by A), "1" (cut from marker A to
// marker B), "2" (replace A by B), "3" (pregplace), "4" (openhx); any other code, compared
// exactly, leaves the text as it is.
std::string getps(std::string_view text, std::string_view code, std::string_view a,
                  std::string_view b);

// Replaces every match of the pattern by the template expanded with that match's groups; a
// template without "$" is inserted literally. Expansions are not searched again for later
// matches. A pattern that does not compile changes nothing.
std::string pregplace(std::string_view text, std::string_view pattern, std::string_view tmpl);

// Fetches the address the template makes of the pattern's first match (setting the page
// base); the fetched page is the result. Empty text when nothing matches, the address is
// empty or the fetch fails.
std::string openhx(std::string_view text, std::string_view pattern, std::string_view tmpl);

// Expands a template: "[webpath]" is the page base, "$k" the text of group k. Groups are
// substituted from the highest number down, so "$12" means group 12 when there is one and
// group 1 followed by "2" otherwise. Inserted text is never scanned again.
std::string regsp(std::string_view tmpl, const std::vector<std::string>& groups);

// An operand with every "#10" made a line feed, then every "#13" a carriage return.
std::string hcs(std::string_view operand);

// Conversion codes "0" and "3": the text re-encoded as UTF-8 and that byte sequence read as
// legacy text, the way a program that keeps legacy strings holds UTF-8.
std::string legacyToUtf8(std::string_view text);

// Conversion codes "1" and "2": the legacy bytes of the text (a page in UTF-8 read as legacy
// text) decoded as UTF-8. Anything but well-formed UTF-8 of one to three bytes per character
// gives empty text; a character with no place in the legacy code page becomes "?".
std::string utf8ToLegacy(std::string_view text);

}  // namespace mozhou::engine
