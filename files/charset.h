#pragma once
// Conversions between the encodings of model/encoding.h and the UTF-8 that
// entry text is held in. An 8-bit code page decodes one byte to one
// character, so every rule counts in a Windows-1250 file what it counts in a
// UTF-8 one.
//
// The code page tables come from the system's converter (iconv), built once
// per code page. A byte the code page leaves undefined keeps a code point of
// its own, so that any 8-bit file survives a round trip byte for byte.
#include <optional>
#include <string>
#include <string_view>

#include "model/encoding.h"

namespace lm {

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
