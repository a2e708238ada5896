#pragma once
// SubRip (".srt"): cues of a number, a timing line
// "00:01:02,500 --> 00:01:04,000" (position coordinates may follow) and text
// lines, with a blank line between cues. A cue is one entry,
// "{00:01:02,500}{00:01:04,000}line one|line two", so every rule works on
// it as on any other entry; the fields keep the times as the file wrote
// them. A "|" in a text line is a character (kLiteralBar in the entry).
//
// Style tags: "<i>…</i>", "<b>", "<u>", "<s>", "<font …>" spans, which run
// over line breaks within a cue, and overrides such as "{\an8}".
#include <string_view>
#include <vector>

#include "model/format.h"

namespace lm {

const Format& SubRip();

// Bytes of the tag at byte `i` ("<i>", "</b>", "<font color=…>", or an
// override such as "{\an8}"), or 0.
size_t SubRipTagAt(std::string_view s, size_t i);

// A timing line: its two times as written, and what follows them.
bool ParseTimingLine(std::string_view line, std::string_view& start, std::string_view& stop);

// The cues of text lines (UTF-8; blank lines included) as entry lines and
// the cues they came from. Odd shapes found in real files are taken:
// missing or wrong numbers, extra blank lines, no blank line before the
// next number, a cue without text. `finalBlank`: the file ended its last
// cue with a blank line.
void ParseSubRip(const std::vector<std::string_view>& lines, std::vector<std::string>& entries,
                 std::vector<SourceCue>& sources, bool& finalBlank);

// Whether `line` is the entry `cue` was read as: its times as written, its
// text lines separated by "|".
bool IsCueAsRead(const SourceCue& cue, std::string_view line);

}  // namespace lm
