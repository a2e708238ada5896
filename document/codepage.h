#pragma once
// Subtitle text is kept in the 8-bit code page it was read in (Windows-1252):
// one byte is one character, so every length and position counts bytes.
#include <optional>
#include <string>

namespace lm {

// Unicode code point of an 8-bit character. Every byte maps to a code point,
// so a decode/encode round trip is lossless.
char32_t DecodeChar(unsigned char byte);

// The byte for a code point, or nothing when the code page cannot hold it.
std::optional<unsigned char> EncodeChar(char32_t codePoint);

std::u32string DecodeText(const std::string& bytes);

// Encodes a whole text; nothing when any character has no byte.
std::optional<std::string> EncodeText(const std::u32string& text);

}  // namespace lm
