#pragma once
// Conversions between the encodings of model/encoding.h and the UTF-8 that
// entry text is held in. An 8-bit code page decodes one byte to one
// character, so every rule counts in a Windows-1250 file what it counts in a
// UTF-8 one; an East Asian encoding decodes its characters of one to four
// bytes to one character each.
//
// The code page tables come from the system's converter (iconv), built once
// per code page. A byte the code page leaves undefined keeps a code point of
// its own, so that any 8-bit file survives a round trip byte for byte. The
// East Asian encodings go through the converter whole, and keep the bytes
// it cannot read back as they are in the same way.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/encoding.h"

namespace lm {

// 8-bit text to UTF-8 and back. Encoding fails for a character the code
// page cannot hold.
std::string DecodeSingleByte(Encoding e, std::string_view bytes);
std::optional<std::string> EncodeSingleByte(Encoding e, std::string_view utf8);
// The same, appended to `out`; false (and `out` as it was) when a character
// does not fit the page.
void AppendDecodedSingleByte(Encoding e, std::string_view bytes, std::string& out);
bool AppendEncodedSingleByte(Encoding e, std::string_view utf8, std::string& out);
// UTF-8 text to the page where it stands (a character is one byte at most).
// False when a character does not fit: `notHeld` then names every one that
// does not, as CharactersNotHeld does, and `text` is no text.
bool EncodeSingleByteInPlace(Encoding e, std::string& text, std::vector<std::string>& notHeld);
// The lines of 8-bit `text` (views into it, in order) that hold a byte
// beyond ASCII, decoded, each of their views moved to its decoded text; the
// others stay as they are. The buffers the views then show are returned.
std::vector<std::unique_ptr<char[]>> DecodeLinesBeyondAscii(Encoding e, std::string_view text,
                                                            std::vector<std::string_view>& lines);

// The offset of the first byte beyond ASCII at or after `from`, or s.size():
// FindNonAscii, sixteen bytes at a time.
size_t FindHighByte(std::string_view s, size_t from);
// The same for the text from byte `from` on, the bytes before it left as
// they are; false, with `failedAt` where the first character that does not
// fit stands: the text from there on is as it was, the text before it no
// text. `from` starts a character.
bool EncodeSingleByteInPlaceFrom(Encoding e, std::string& text, size_t from, size_t& failedAt);

// East Asian text to UTF-8, whole: a multi-byte character's byte may look
// like a line end or a "|" of its own. A byte that starts no character of
// the encoding, and each byte of a character the converter would write back
// as other bytes, is kept as a code point of its own (U+10FF00 + the byte);
// `keptBytes` counts them.
struct MultiByteText {
  std::string utf8;
  size_t keptBytes = 0;
};
MultiByteText DecodeMultiByte(Encoding e, std::string_view bytes);
// And back; nothing when a character has no bytes in the encoding.
std::optional<std::string> EncodeMultiByte(Encoding e, std::string_view utf8);

// UTF-16 and UTF-32 (without their mark) to UTF-8 and back; nothing for
// text that is not valid.
std::optional<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian);
std::optional<std::string> EncodeUtf16(std::string_view utf8, bool bigEndian);
std::optional<std::string> DecodeUtf32(std::string_view bytes, bool bigEndian);
std::optional<std::string> EncodeUtf32(std::string_view utf8, bool bigEndian);

// Whether the encoding can hold every character of the UTF-8 text.
bool CanHold(Encoding e, std::string_view utf8);
// The characters of the UTF-8 text the encoding cannot hold, each once, in
// the order they first come.
std::vector<std::string> CharactersNotHeld(Encoding e, std::string_view utf8);
// "ż, ł and ć", at most ten named ("… and 4 more"); a character that
// shows as nothing is named by its code point ("U+0301").
std::string ListCharacters(const std::vector<std::string>& characters);
// "ż, ł and ć do not fit Windows-1252", "ż does not fit Windows-1252"; ""
// for no characters.
std::string NotHeldReason(Encoding e, const std::vector<std::string>& characters);

// The most likely code page of 8-bit text that is neither ASCII nor UTF-8:
// Windows-1252 unless the letters clearly fit another code page better.
// The DOS and KOI8 pages are never guessed, only chosen.
Encoding GuessCodePage(std::string_view bytes);
// The most likely encoding of text that is neither ASCII nor UTF-8: an East
// Asian one when the letters say so and the bytes are valid in it (its text
// is then in `decoded`), else GuessCodePage.
Encoding GuessLegacyEncoding(std::string_view bytes, MultiByteText& decoded);

}  // namespace lm
