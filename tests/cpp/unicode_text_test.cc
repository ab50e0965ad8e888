#include "text/unicode_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace drovik {
namespace {

struct Sample {
  char32_t code_point;
  bool numeric;
  bool white_space;
};

// Range boundaries and their neighbours, generated from the character
// database by tools/gen_unicode_tables.py.
constexpr Sample kSamples[] = {
#include "unicode_samples.inc"
};

std::string utf8(char32_t cp) {
  std::string out;
  append_utf8(out, cp);
  return out;
}

TEST(UnicodeProperties, MatchTheCharacterDatabase) {
  for (const Sample& s : kSamples) {
    EXPECT_EQ(is_unicode_numeric(s.code_point), s.numeric)
        << std::hex << static_cast<std::uint32_t>(s.code_point);
    EXPECT_EQ(is_unicode_white_space(s.code_point), s.white_space)
        << std::hex << static_cast<std::uint32_t>(s.code_point);
  }
}

TEST(UnicodeProperties, DecodeAndFindWorkOnEncodedText) {
  for (const Sample& s : kSamples) {
    std::string text = "m" + utf8(s.code_point) + "s";
    std::size_t length = 0;
    EXPECT_EQ(static_cast<std::uint32_t>(decode_utf8(text, 1, length)),
              static_cast<std::uint32_t>(s.code_point));
    EXPECT_EQ(length, utf8(s.code_point).size());
    EXPECT_EQ(find_last_unicode_numeric(text), s.numeric ? 1u : std::string::npos);
    std::string padded = utf8(s.code_point) + "m" + utf8(s.code_point);
    EXPECT_EQ(trim_unicode_white_space(padded) == "m", s.white_space);
  }
}

TEST(Utf8, MalformedBytesDecodeToReplacementOneByteAtATime) {
  std::size_t length = 0;
  for (std::string bad :
       {"\xFF", "\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_EQ(static_cast<std::uint32_t>(decode_utf8(bad, 0, length)), 0xFFFDu);
    EXPECT_EQ(length, 1u);
  }
  EXPECT_EQ(trim_unicode_white_space(" \xFF "), "\xFF");
}

TEST(Utf8, LastNumericIsTheLastOneInTheText) {
  EXPECT_EQ(find_last_unicode_numeric("m12"), 2u);
  EXPECT_EQ(find_last_unicode_numeric("m\xC2\xB2x"), 1u);  // superscript two
  EXPECT_EQ(find_last_unicode_numeric("kg"), std::string::npos);
}

TEST(Utf8, EncodesEachLengthAndReplacesSurrogates) {
  EXPECT_EQ(utf8(U'm'), "m");
  EXPECT_EQ(utf8(U'\u00B0'), "\xC2\xB0");
  EXPECT_EQ(utf8(U'\u03A9'), "\xCE\xA9");
  EXPECT_EQ(utf8(U'\u2126'), "\xE2\x84\xA6");
  EXPECT_EQ(utf8(U'\U0001D7CE'), "\xF0\x9D\x9F\x8E");
  EXPECT_EQ(utf8(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8(0xDFFF), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace drovik
