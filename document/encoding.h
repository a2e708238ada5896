#pragma once
// The encodings a subtitle file is read and written in. Entry text is held
// as UTF-8 whatever the file's encoding; an 8-bit code page decodes one byte
// to one character, so every rule counts in a Windows-1250 file what it
// counts in a UTF-8 one.
//
// The code page tables come from the system's converter (iconv), built once
// per code page. A byte the code page leaves undefined keeps a code point of
// its own, so that any 8-bit file survives a round trip byte for byte.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lm {

enum class Encoding {
  Windows1250, Windows1251, Windows1252, Windows1253, Windows1254, Windows1255, Windows1256,
  Windows1257, Windows1258, Iso8859_2, Iso8859_5, Iso8859_7, Iso8859_9, Iso8859_13, Iso8859_15,
  Koi8R, Koi8U, Ibm852, Ibm866,
  Utf8, Utf8Bom,
  Utf16LE, Utf16BE,  // always with their byte order mark
};

bool IsSingleByte(Encoding e);
bool IsUtf16(Encoding e);
// "Windows-1250", "UTF-8", "UTF-8 with BOM", "UTF-16LE".
const char* EncodingName(Encoding e);
// What the code page is for: "Central European", "Cyrillic"; "" for Unicode.
const char* EncodingScript(Encoding e);
// A name as people and programs write it: "windows-1250", "cp1250",
// "ISO-8859-2", "latin2", "utf8" … (case and punctuation do not matter).
std::optional<Encoding> EncodingFromName(std::string_view name);
// The encodings a user may choose to read a file in.
const std::vector<Encoding>& ChoosableEncodings();

// 8-bit text to UTF-8 and back. Encoding fails for a character the code
// page cannot hold.
std::string DecodeSingleByte(Encoding e, std::string_view bytes);
std::optional<std::string> EncodeSingleByte(Encoding e, std::string_view utf8);
// Whether the encoding can hold every character of the UTF-8 text.
bool CanHold(Encoding e, std::string_view utf8);

// UTF-16 (without its mark) to UTF-8 and back; nothing for text that is
// not valid.
std::optional<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian);
std::optional<std::string> EncodeUtf16(std::string_view utf8, bool bigEndian);

// The most likely code page of 8-bit text that is neither ASCII nor UTF-8;
// Windows-1252 when nothing better is known.
Encoding GuessCodePage(std::string_view bytes);

}  // namespace lm
