#pragma once
// SubViewer (".sub"), in its two versions. Lines of the file's own
// structure (the header, "[SUBTITLE]", "[COLF]…,[STYLE]…,[SIZE]…,[FONT]…",
// "[END]") are kept as they were (kFormatLine), as is every line before the
// first cue; a converted document gets the header the version writes.
// Style is the header's, for the whole file: the text holds no tags.
//
// SubViewer 2: "[INFORMATION]" … "[END INFORMATION]", then cues of a timing
// line "00:00:01.00,00:00:03.00" (centiseconds) and a text line, "[br]"
// between the screen lines, a blank line between cues. A "|" in the text
// is a character (kLiteralBar in the entry).
//
// SubViewer 1: "[TITLE]", "[AUTHOR]" … each with its value on the next
// line, then cues of "[00:00:01]" (whole seconds), a text line with "|"
// between the screen lines and "[00:00:03]", and "[END]" at the end. A cue
// whose stop line is missing (a line of the structure or the file's end
// comes first) lasts until the next starts, five seconds at most (see
// line_entries.h); it is written with one once it changes.
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& SubViewer2();
const Format& SubViewer1();

// "00:00:01.00,00:00:03.00" (blanks around the comma allowed): its two
// times, views into `line`.
bool ParseSubViewer2Timing(std::string_view line, std::string_view& start, std::string_view& stop);
// "[00:00:01]": its time, a view into `line`.
bool ParseSubViewer1Time(std::string_view line, std::string_view& time);

}  // namespace lm
