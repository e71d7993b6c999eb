#pragma once
// The one regular-expression facility of the program: ECMAScript 3 semantics, always global
// and case-insensitive, on UTF-8 text. A pattern that does not compile, or a match that runs
// into the engine's backtracking limits, is an error the caller sees (and treats as no match).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::text {

struct RegexMatch {
  std::string value;                    // the matched text
  std::size_t position = 0;             // byte offset of the match in the subject
  std::size_t index = 0;                // the same offset counted in characters
  std::vector<std::string> subMatches;  // group i+1; empty when the group took no part
};

struct RegexResult {
  bool ok = false;
  std::string error;  // why the pattern failed (compile error or match limit)
  std::vector<RegexMatch> matches;
};

struct RegexReplaceResult {
  bool ok = false;
  std::string error;
  std::string text;
};

// Every non-overlapping match, left to right; an empty match advances by one character.
RegexResult regexExecute(std::string_view pattern, std::string_view subject);

// The subject with every match replaced by `replacement`, taken literally.
RegexReplaceResult regexReplace(std::string_view pattern, std::string_view subject,
                                std::string_view replacement);

// True when the pattern compiles.
bool regexValid(std::string_view pattern, std::string* error = nullptr);

// The pattern with every metacharacter escaped, for splicing text into a pattern.
std::string regexEscape(std::string_view text);

}  // namespace mozhou::text
