#pragma once
// YouTube SBV (".sbv"): cues of a timing line "0:00:01.000,0:00:03.500" and
// text lines, a blank line between cues; no numbers, no header. A cue is one
// entry, "{0:00:01.000}{0:00:03.500}line one|line two", the times as the
// file wrote them; a "|" in its text is a character (kLiteralBar).
//
// No style tags: YouTube shows every character of an SBV text as it is, so
// the text is plain (PlainText()), and what another format styles arrives
// as its bare text.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& YouTubeSbv();

// A timing line: its two times (views into `line`), read as leniently as
// SubRip's (ParseSubRipTime), a "," between them, blanks around allowed.
bool ParseSbvTimingLine(std::string_view line, std::string_view& start, std::string_view& stop);
// "H:MM:SS.mmm", the hours without a leading zero, as YouTube writes them.
std::string FormatSbvTime(int64_t milliseconds);

}  // namespace lm
