#pragma once
// One entry line, "{" start "}{" stop "}" text, cut into its three fields the
// way the decomposition cuts it, and the frame numbers in it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/style.h"

namespace lm {

// The fields of one entry line, as views into it. The first "}" and the one
// character behind it end the start field; the next "}" ends the stop field.
// A field the line does not supply is left unset.
struct EntryFields {
  bool hasStart = false, hasStop = false;
  std::string_view start, stop, text;
};

// Whether the 16-bit character counts cover the line and its start field has
// a length (a line starting with "}" has none).
bool CanDecompose(std::string_view line);
// False, setting nothing, for a line that cannot be decomposed.
bool SplitEntryLine(std::string_view line, EntryFields& fields);
// Decomposes a line that supplies both frame fields itself; false otherwise.
bool SplitFullEntry(std::string_view line, EntryFields& fields);
// True when the line supplies both frame fields itself. Decomposing a line
// that does not carries the missing fields over from the entry decomposed
// before, so such an entry is never rebuilt, shown or written back into;
// it is a line without times, which the rules pass over. A line a reader
// could not read (kUnreadLine) supplies none, whatever it holds.
bool SuppliesAllFields(std::string_view line);

// What the rules look at in an entry line, worked out in one pass and kept
// with the entry until it changes (see EntryList::Shape). Positions and
// lengths of the text count visible characters, and its dashes are those
// outside markup (see markup.h).
struct EntryShape {
  bool known = false;          // worked out yet
  bool decomposable = false;   // CanDecompose
  bool full = false;           // SuppliesAllFields
  // Its two fields are times its reader's notation reads, the middle of
  // which is a time too: told by a reader that wrote them so, else not
  // known (false).
  bool halvable = false;
  int dashes = 0, breaks = 0;  // "-" and "|" in the whole line
  // The text, when the line supplies both fields:
  std::uint32_t textAt = 0;  // byte offset in the line
  int textChars = 0, textBreaks = 0, textDashes = 0;
  int firstBar = 0, lastBar = 0;  // 1-based positions of the first and last "|", 0: none
};
EntryShape ShapeOf(std::string_view line, const StyleDialect& dialect);
// ShapeOf a line known to be decomposable and to supply both fields, its
// text starting at byte `textAt` after fields holding `frameDashes` "-" and
// `frameBreaks` "|": for a reader that has just made the line so.
EntryShape ShapeOfFull(std::string_view line, size_t textAt, int frameDashes, int frameBreaks,
                       const StyleDialect& dialect);

// "{" start "}{" stop "}" text
// `room`: the bytes to make room for, when text is to be appended.
std::string BuildEntryLine(std::string_view start, std::string_view stop, std::string_view text, size_t room = 0);
// Makes `text` the entry line "{" start "}{" stop "}" text, in the room the
// text has where it has enough.
void PutFieldsBefore(std::string& text, std::string_view start, std::string_view stop);

// Frames are whole numbers in 64-bit integers.
// A whole field: optional blanks, an optional sign, digits, optional blanks.
std::optional<int64_t> ParseFrameNumber(std::string_view field);
std::string FormatFrameNumber(int64_t value);
// a + b, or nothing when the sum leaves the 64-bit range.
std::optional<int64_t> AddFrames(int64_t a, int64_t b);
// s + floor((e - s) / 2), or nothing when it or the frame after it would not fit.
std::optional<int64_t> MiddleFrame(int64_t s, int64_t e);

}  // namespace lm
