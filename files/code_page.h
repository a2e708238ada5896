#pragma once
// Inside the files layer: the 8-bit tables that charset.cpp builds, for the
// code page guess, and the converter wrapper the conversions share.
#include <iconv.h>

#include <array>
#include <string>
#include <string_view>

#include "model/encoding.h"

namespace lm {

// The character each byte of an 8-bit code page decodes to (stand-ins for
// undefined bytes: U+0080..U+009F or U+F700 + the byte).
const std::array<char32_t, 256>& CodePageTable(Encoding e);
inline bool IsCodePageStandIn(char32_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xF780 && c <= 0xF7FF); }

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
