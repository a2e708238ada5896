#pragma once
// EBU STL (EBU Tech 3264, ".stl"): a binary file of records. A General
// Subtitle Information block (1,024 bytes: code page, disk format code with
// the frame rate, display standard, character code table, language, titles,
// the most characters a row and rows, totals, dates) is followed by Text and
// Timing Information blocks of 128 bytes: subtitle group and number,
// extension block number, cumulative status, time codes in and out (hours,
// minutes, seconds, frames), vertical position, justification, comment flag
// and 112 bytes of text, padded with 0x8F. A subtitle whose text is longer
// runs on in extension blocks of the same number.
//
// In the document:
// - the GSI block is a header entry (kFormatLine) that names what it holds;
//   its SourceCue keeps the 1,024 bytes (`timing`) and, in `startLength`,
//   the number of TTI blocks the file held;
// - each subtitle (its blocks together) is one entry "{in}{out}text", times
//   in frames at the rate of the disk format code (STL25.01: 25); its
//   SourceCue keeps the blocks' bytes (`timing`) and the entry line as read
//   (`text`), so an untouched subtitle is written back byte for byte;
// - a comment block (CF 1), a user data block (EBN 0xFE) and bytes after
//   the last whole block are kept lines (kFormatLine, kUnreadLine) with
//   their bytes.
//
// Text goes through the file's character code table (00 Latin ISO 6937,
// 01 Latin/Cyrillic, 02 Latin/Arabic, 03 Latin/Greek, 04 Latin/Hebrew). The
// screen-line break 0x8A is "|" (a "|" of the text is kLiteralBar), 0x8F
// (unused space) is nothing, and a byte the table does not define keeps a
// code point of its own (U+10FF00 + the byte) and is counted in a note.
//
// Style tags: each teletext control code (0x00-0x1F: colours, flash,
// boxing, double height…; 0x80-0x8E but 0x8A: italics 0x80/0x81, underline
// 0x82/0x83, boxing 0x84/0x85) is one private-use character, U+E000 + the
// byte, which counts as nothing; a subtitle placed off the bottom centre
// (by its vertical position and justification) starts with a placement
// mark, U+E100 + the keypad position. Italics and underline run over line
// breaks until turned off; a colour lasts to the end of its row.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/format.h"

namespace lm {

const Format& EbuStl();

// The block sizes.
inline constexpr size_t kGsiBytes = 1024;
inline constexpr size_t kTtiBytes = 128;
inline constexpr size_t kTextFieldBytes = 112;

// The teletext dialect's tags, as the document holds them.
std::string ControlMark(unsigned char code);
std::string PlacementMark(int position);
// Bytes of the tag at byte `i` (a control code or a placement mark), or 0.
size_t EbuStlTagAt(std::string_view s, size_t i);
const StyleDialect& TeletextDialect();

// A text field (the fields of a subtitle's blocks, one after another)
// through character code table `table` (0-4), as entry text.
struct DecodedText {
  std::string text;
  size_t keptBytes = 0;  // bytes the table does not define
  int longestRow = 0;    // characters of the longest screen line
};
DecodedText DecodeTextField(std::string_view bytes, int table);
// Entry text as a text field (without padding); `doubleBreaks` writes two
// 0x8A between screen lines (double-height rows). Nothing when a character
// does not fit the table; `notHeld` then collects those that do not.
std::optional<std::string> EncodeTextField(std::string_view text, int table, bool doubleBreaks,
                                           std::vector<std::string>* notHeld = nullptr);
// Whether every character of the text fits the table.
bool TableHolds(int table, std::string_view text);
// The table's name, as the header entry says it: "Latin", "Latin/Cyrillic".
std::string_view TableName(int table);

// The frame rate a disk format code names ("STL25.01": 25, "STL30.01": 30,
// "STL23.01": 23.976), and the code for a rate.
std::optional<double> DiskFormatRate(std::string_view code);
std::string DiskFormatCode(double frameRate);

}  // namespace lm
