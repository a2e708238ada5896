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
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/format.h"

namespace lm {

const Format& SubRip();

// Bytes of the tag at byte `i` ("<i>", "</b>", "<font color=…>", or an
// override such as "{\an8}"), or 0.
size_t SubRipTagAt(std::string_view s, size_t i);

// A time as real files write it (see subrip_times.cpp) in milliseconds; a
// time before the start ("-00:00:01,000") is negative. Nothing for anything
// else.
std::optional<int64_t> ParseSubRipTime(std::string_view field);
// "HH:MM:SS,mmm", with a "-" before a negative time, so that every time
// reads back as itself.
std::string FormatSubRipTime(int64_t milliseconds);
// FormatSubRipTime into `out`, which has room for kMostSubRipTimeChars; the
// end of what was written.
inline constexpr size_t kMostSubRipTimeChars = kMostTimeChars + 1;
char* FormatSubRipTimeTo(char* out, int64_t milliseconds);

// A timing line: its two times as written (views into `line`); position
// coordinates and other words may follow.
bool ParseTimingLine(std::string_view line, std::string_view& start, std::string_view& stop);
// "HH:MM:SS,mmm", as FormatSubRipTime writes a time under 100 hours.
bool IsWrittenTime(std::string_view t);

// Bytes of a byte order mark at the start of a line: "\xEF\xBB\xBF", or, on
// the first line (`first`), the three letters an 8-bit code page made of it
// when a digit or "-" follows them.
size_t LeadingMark(std::string_view line, bool first);

// How much of a sample of non-empty lines the cue structure explains:
// timing lines, the numbers right before them and the text lines after
// each, a few a cue. Decisive when that is at least half the sample.
Fit ProbeCues(const std::vector<std::string_view>& lines);

// The cues of text lines (UTF-8; blank lines included) as entry lines and
// the cues they came from, one for each entry. Odd shapes found in real
// files are taken: missing or wrong numbers, extra blank lines, no blank
// line before the next number, a cue without text, times as lenient as
// ParseSubRipTime. Every line that holds more than blanks ends up in an
// entry: a line that is no part of a cue (a note before the first, a cue
// without a timing line, text after a blank line) is an entry of its own,
// kUnreadLine and the line as it was, with an empty cue, and a note counts
// them. `out.finalBlank`: the file ended its last entry with a blank line.
void ParseSubRip(const std::vector<std::string_view>& lines, ReadEntries& out);
// A text read in pieces, each cut just after an empty line (PieceEnd), the
// entries of each appended to those before: where the piece stands in the
// file, and what the pieces before it leave to tell.
struct SubRipPiece {
  size_t firstLine = 0;                // the file's lines before the piece
  bool last = true;                    // the piece ends the file
  size_t unread = 0, firstUnread = 0;  // lines read as no cue so far, the first's number
};
void ParseSubRip(const std::vector<std::string_view>& lines, ReadEntries& out, SubRipPiece& piece);

// Whether `line` is the entry `cue` was read as: its times as written, its
// text lines separated by "|".
bool IsCueAsRead(const SourceCue& cue, std::string_view line);

}  // namespace lm
