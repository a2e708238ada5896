#pragma once
// Inside the files layer: the 8-bit tables that charset.cpp builds, for the
// code page guess, and the converter wrapper the conversions share.
#include <iconv.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/encoding.h"

namespace lm {

// The character each byte of an 8-bit code page decodes to (stand-ins for
// undefined bytes: U+0080..U+009F or U+F700 + the byte).
const std::array<char32_t, 256>& CodePageTable(Encoding e);
constexpr bool IsCodePageStandIn(char32_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xF780 && c <= 0xF7FF); }

// That table, from the page's upper half as the converter reads it (0: the
// byte is undefined): an undefined byte keeps its C1 control where the page
// does not use that, else U+F700 + the byte, and of two bytes that read as
// the same character the later keeps U+F700 + itself, so that every byte
// survives a round trip. Made when the program is built.
constexpr std::array<char32_t, 256> ToUnicodeOf(const char32_t (&half)[128]) {
  std::array<char32_t, 256> to{};
  for (unsigned b = 0; b < 0x80; ++b) to[b] = b;
  std::array<bool, 256> defined{}, usedC1{};
  for (unsigned b = 0x80; b < 0x100; ++b) {
    const char32_t cp = half[b - 0x80];
    if (cp == 0) continue;
    to[b] = cp;
    defined[b] = true;
    if (cp < 0x100) usedC1[cp] = true;
  }
  for (unsigned b = 0x80; b < 0x100; ++b)
    if (!defined[b]) to[b] = b <= 0x9F && !usedC1[b] ? b : 0xF700 + b;
  // The upper half by character, then byte; a character two bytes share is
  // then found next to itself.
  struct Pair {
    char32_t cp = 0;
    unsigned b = 0;
  };
  std::array<Pair, 128> sorted{};
  const auto sort = [&sorted] {
    for (size_t i = 1; i < sorted.size(); ++i)
      for (size_t k = i; k > 0; --k) {
        const Pair x = sorted[k - 1], y = sorted[k];
        if (x.cp < y.cp || (x.cp == y.cp && x.b <= y.b)) break;
        sorted[k - 1] = y;
        sorted[k] = x;
      }
  };
  for (unsigned b = 0x80; b < 0x100; ++b) sorted[b - 0x80] = {to[b], b};
  sort();
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (sorted[i].cp != sorted[i - 1].cp) continue;
    const unsigned b = sorted[i].b;
    to[b] = 0xF700 + b;
    sorted[i].cp = to[b];
    sort();
    i = 0;
  }
  return to;
}

// How well the lines read in a page the guess may choose (a higher score
// is better), as the guess reckons it from the runs of bytes beyond ASCII,
// and the plain way, byte by byte: the two must agree.
int CodePageScore(Encoding page, const std::vector<std::string_view>& lines, bool plain);

// One iconv descriptor. Each Convert starts from the initial state and ends
// with the converter's state flushed, so that every call stands alone.
class Converter {
 public:
  Converter(const char* to, const char* from);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // The whole of `in` appended to `out`; false (out as it was) when any of
  // it fails.
  bool Convert(std::string_view in, std::string& out);
  // What iconv says for exactly `in`: 0 converted (appended to `out`),
  // EINVAL incomplete, EILSEQ invalid.
  int Try(std::string_view in, std::string& out);

 private:
  iconv_t cd_;
};

}  // namespace lm
