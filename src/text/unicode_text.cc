#include "text/unicode_text.h"

#include <algorithm>
#include <array>

namespace drovik {
namespace {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

#include "text/unicode_tables.inc"

template <std::size_t N>
bool in_ranges(const std::array<CodePointRange, N>& ranges, char32_t cp) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), cp,
                             [](char32_t c, const CodePointRange& r) { return c < r.first; });
  return it != ranges.begin() && cp <= std::prev(it)->last;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

bool is_unicode_numeric(char32_t code_point) {
  if (code_point < 0x80) return code_point >= '0' && code_point <= '9';
  return in_ranges(kNumericRanges, code_point);
}

bool is_unicode_white_space(char32_t code_point) {
  if (code_point < 0x80) return code_point == ' ' || (code_point >= 0x09 && code_point <= 0x0D);
  return in_ranges(kWhiteSpaceRanges, code_point);
}

char32_t decode_utf8(std::string_view text, std::size_t i, std::size_t& length) {
  constexpr char32_t kReplacement = 0xFFFD;
  auto lead = static_cast<unsigned char>(text[i]);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t extra;
  char32_t cp;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (i + extra >= text.size()) return kReplacement;
  for (std::size_t k = 1; k <= extra; ++k) {
    auto byte = static_cast<unsigned char>(text[i + k]);
    if (!is_continuation(byte)) return kReplacement;
    cp = (cp << 6) | (byte & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  length = extra + 1;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string_view trim_unicode_white_space(std::string_view text) {
  // A multi-byte character starts and ends with bytes of 0x80 and above, so
  // ASCII ends that are not white space need no decoding.
  auto plain_end = [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && !is_unicode_white_space(byte);
  };
  if (text.empty() || (plain_end(text.front()) && plain_end(text.back()))) return text;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t length;
    if (!is_unicode_white_space(decode_utf8(text, begin, length))) break;
    begin += length;
  }
  // Scanning forward keeps the decoding simple; the end is the byte after
  // the last character that is not white space.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    std::size_t length;
    bool space = is_unicode_white_space(decode_utf8(text, i, length));
    i += length;
    if (!space) end = i;
  }
  return text.substr(begin, end - begin);
}

std::size_t find_last_unicode_numeric(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    for (std::size_t i = text.size(); i-- > 0;) {
      if (text[i] >= '0' && text[i] <= '9') return i;
    }
    return std::string_view::npos;
  }
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length;
    if (is_unicode_numeric(decode_utf8(text, i, length))) found = i;
    i += length;
  }
  return found;
}

}  // namespace drovik
