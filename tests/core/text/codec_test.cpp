#include "text/codec.h"

#include <gtest/gtest.h>

#include <string>

#include "text/utf8.h"

namespace mozhou::text {
namespace {

TEST(Codec, KnownCharactersBothWays) {
  struct Case {
    std::string legacy;
    std::string utf8;
  } cases[] = {
      {"abc 123", "abc 123"},
      {"\xC4\xAB\xD6\xDB", "墨舟"},             // GBK two-byte pairs
      {"\xB5\xDA\xD2\xBB\xD5\xC2", "第一章"},
      {"\x80", "€"},                             // code page 936 reads 0x80 as the euro sign
      {"\xA1\xA1", "\xE3\x80\x80"},              // ideographic space
      {"\x81\x30\x81\x30", "\xC2\x80"},          // first four-byte sequence: U+0080
      {"\x95\x32\x82\x36", "\xF0\xA0\x80\x80"},  // U+20000, outside the BMP
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fromLegacy(c.legacy), c.utf8) << c.utf8;
    EXPECT_EQ(toLegacy(c.utf8), c.legacy) << c.utf8;
    EXPECT_EQ(legacyLength(c.utf8), c.legacy.size()) << c.utf8;
  }
}

TEST(Codec, EveryTwoBytePairRoundTrips) {
  int decoded = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = fromLegacy(pair);
      ASSERT_TRUE(isValidUtf8(utf8));
      ASSERT_EQ(toLegacy(utf8), pair) << std::hex << lead << " " << trail;
      if (utf8Length(utf8) == 1) ++decoded;
    }
  }
  EXPECT_GT(decoded, 23000);  // GBK proper holds 21 886 characters, GB18030 more
}

TEST(Codec, FourByteRangeRoundTrips) {
  // A sample across the whole four-byte space, BMP and supplementary planes.
  for (int b1 = 0x81; b1 <= 0xFE; b1 += 3) {
    for (int b2 = 0x30; b2 <= 0x39; ++b2) {
      for (int b3 = 0x81; b3 <= 0xFE; b3 += 7) {
        for (int b4 = 0x30; b4 <= 0x39; b4 += 3) {
          const std::string seq{static_cast<char>(b1), static_cast<char>(b2),
                                static_cast<char>(b3), static_cast<char>(b4)};
          const std::string utf8 = fromLegacy(seq);
          ASSERT_TRUE(isValidUtf8(utf8));
          ASSERT_EQ(toLegacy(utf8), seq) << std::hex << b1 << b2 << b3 << b4;
        }
      }
    }
  }
}

TEST(Codec, UndecodableBytesSurviveARoundTrip) {
  const std::string cases[] = {
      "\xFF",                       // never a lead byte
      "\x81",                       // lead byte at the end
      "\x81\x20",                   // lead byte before an ASCII byte that cannot trail
      "\x81\x30\x20",               // cut four-byte sequence
      "\xE5\xA2\xA8\xE8\x88\x9F",   // UTF-8 "墨舟" read as legacy text
      "\xFE\x39\xFE\x39\xFF\x80",   // beyond the last four-byte sequence
  };
  for (const std::string& bytes : cases) {
    const std::string utf8 = fromLegacy(bytes);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(toLegacy(utf8), bytes);
    EXPECT_EQ(legacyLength(utf8), bytes.size());
  }
  EXPECT_EQ(fromLegacy("\xFF"), encodeUtf8(0xF7FF));
  EXPECT_EQ(fromLegacy("\x81 "), encodeUtf8(0xF781) + " ");
}

TEST(Codec, EveryByteSequenceRoundTrips) {
  // Pseudo-random byte soup: whatever it holds, decoding and encoding give it back.
  unsigned x = 12345;
  std::string soup;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    soup.push_back(static_cast<char>((x >> 16) & 0xFF));
  }
  const std::string utf8 = fromLegacy(soup);
  EXPECT_TRUE(isValidUtf8(utf8));
  EXPECT_EQ(toLegacy(utf8), soup);
}

TEST(Codec, LegacyLengthCountsBytesOfTheCodePage) {
  EXPECT_EQ(legacyLength(""), 0u);
  EXPECT_EQ(legacyLength("第1章 a"), 2u + 1 + 2 + 1 + 1);
}

}  // namespace
}  // namespace mozhou::text
