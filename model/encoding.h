#pragma once
// The encodings a subtitle file is read and written in, by name. Entry text
// is held as UTF-8 whatever the file's encoding; the conversions are in
// files/charset.h.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lm {

enum class Encoding {
  Windows1250,
  Windows1251,
  Windows1252,
  Windows1253,
  Windows1254,
  Windows1255,
  Windows1256,
  Windows1257,
  Windows1258,
  Iso8859_2,
  Iso8859_5,
  Iso8859_7,
  Iso8859_9,
  Iso8859_13,
  Iso8859_15,
  Koi8R,
  Koi8U,
  Ibm852,
  Ibm866,
  Utf8,
  Utf8Bom,
  Utf16LE,
  Utf16BE,  // always with their byte order mark
  Utf32LE,
  Utf32BE,  // the same
  // East Asian encodings of one to four bytes a character.
  Big5,
  Gb18030,
  ShiftJis,
  EucJp,
  EucKr,
  Iso2022Jp,
};

// An 8-bit code page: one byte, one character.
bool IsSingleByte(Encoding e);
// One of the East Asian encodings, read and written whole through the
// system's converter.
bool IsMultiByte(Encoding e);
bool IsUtf16(Encoding e);
bool IsUtf32(Encoding e);
// UTF-16 or UTF-32: marked, and full of NUL bytes.
inline bool IsWideUnicode(Encoding e) { return IsUtf16(e) || IsUtf32(e); }
// "Windows-1250", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "Shift_JIS".
const char* EncodingName(Encoding e);
// What the encoding is for: "Central European", "Cyrillic", "Japanese"; ""
// for Unicode.
const char* EncodingScript(Encoding e);
// A name as people and programs write it: "windows-1250", "cp1250",
// "ISO-8859-2", "latin2", "utf8", "sjis" … (case and punctuation do not
// matter).
std::optional<Encoding> EncodingFromName(std::string_view name);
// A name without case and punctuation: "iso88592".
std::string EncodingKey(std::string_view name);
// The encodings a user may choose to read a file in.
const std::vector<Encoding>& ChoosableEncodings();

// The system converter's name for the encoding, and a dense index of it.
const char* IconvName(Encoding e);
size_t EncodingIndex(Encoding e);
size_t EncodingCount();

}  // namespace lm
