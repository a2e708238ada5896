#pragma once
// SubStation Alpha (".ssa", script type v4.00) and Advanced SubStation
// Alpha (".ass", v4.00+): a script of "[Section]" blocks. In "[Events]" a
// "Format:" line names the fields of the event lines; each "Dialogue:" line
// is one entry, "{0:00:01.00}{0:00:03.50}line one|line two": its Start and
// End fields as the file writes them (h:mm:ss.cc, centiseconds), its Text
// field (the last one, commas and all) with "\N" as "|". Every other line
// (the sections and what they hold, Format, Comment and style lines) is a
// line of the file's own structure (kFormatLine), kept and written back as
// it was, the encoded lines of an embedded font or picture a few hundred to
// an entry; a Dialogue line whose fields cannot be read is kept as a line
// that could not be read (kUnreadLine). A "|" in a Text
// field is a character (kLiteralBar), "\h" a no-break space.
//
// Style tags: override blocks, "{\i1}", "{\an8\c&H0000FF&}", "{\k20}",
// "{comments}", which toggle styles until the next block sets them again
// (spans running over line breaks), and the soft break "\n". A drawing
// ("{\p1}m 0 0 l 10 0{\p0}") is one tag: nothing of it is visible text.
//
// One format for both: a script is written back as the kind it is, and a
// document converted from another format gets a v4.00+ header, whichever
// of the two extensions its file has.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& SubStationAlpha();

// Bytes of the tag at byte `i` of entry text (an override block, a whole
// drawing, "\n"), or 0.
size_t SsaTagAt(std::string_view s, size_t i);

// "h:mm:ss.cc" as real files write it: hours of any number of digits,
// minutes and seconds of one or two, the fraction after "." (or ",") in one
// to three digits (tenths, hundredths, thousandths) or none, a leading "-"
// for a time before the start; blanks around. In milliseconds.
std::optional<int64_t> ParseSsaTime(std::string_view field);
// "h:mm:ss.cc", to the nearest centisecond.
std::string FormatSsaTime(int64_t milliseconds);

}  // namespace lm
