#include "engine/char_refs.h"

#include <gtest/gtest.h>

#include <string>

namespace mozhou::engine {
namespace {

TEST(CharacterReferences, Decoding) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"&#20013;&#25991;", "中文"},
      {"&#039;s", "'s"},            // leading zeros
      {"&#65;&#65;&#065;", "AAA"},  // repeated, and the same character written differently
      {"&#85549;", "中"},           // 85549 - 65536 = 20013
      {"&ldquo;书&rdquo;", "\u201C书\u201D"},
      {"&LDQUO;", "&LDQUO;"},      // the named quotes match their case exactly
      {"&#x4E2D;", "&#x4E2D;"},    // hexadecimal bodies stay
      {"&#123456;", "&#123456;"},  // a body of more than five characters is no reference
      {"&#12a;", "&#12a;"},
      {"&#;", "&#;"},
      {"&#55357;", "?"},  // half of a surrogate pair is no character
      {"&#0;", "?"},
      {"&#63360;", "?"},           // U+F780 stands for an undecodable byte in our texts
      {"a&#38;#65;b", "a&#65;b"},  // decoded text is not decoded again
      {"&#13;&#10;", "\r\n"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(sun(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace mozhou::engine
