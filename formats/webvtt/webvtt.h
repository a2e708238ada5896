#pragma once
// WebVTT (".vtt"): a "WEBVTT" line (and the header lines after it), then
// blocks separated by blank lines: cues of an optional identifier line, a
// timing line "00:01.000 --> 00:04.000" or "01:02:03.500 --> …" with cue
// settings after it ("line:0 align:start"), and text lines; NOTE, STYLE and
// REGION blocks. A cue is one entry, "{00:01.000}{00:04.000}line one|line
// two", the times as the file wrote them; a "|" in its text is a character
// (kLiteralBar). The header and the NOTE, STYLE and REGION blocks are lines
// of the file's own structure (kFormatLine), one entry a line, written back
// as they were.
//
// A cue's settings stand at the start of its entry's text as a tag of the
// dialect, "<line:0 align:start>": it counts as nothing, the grid keeps it
// aside, it carries the place on the screen through conversion (neutral
// position), and the writer moves it back onto the timing line. The
// identifier and the blank lines around a cue stay with its SourceCue.
//
// Style tags: "<i>", "<b>", "<u>", "<c.class>", "<v Speaker>", "<lang en>",
// "<ruby>", "<rt>" spans, which run over line breaks within a cue, and
// timestamps ("<00:01.500>"); any other tag a player hides counts as nothing
// too. The references "&amp; &lt; &gt; &nbsp; &lrm; &rlm;" are one character
// each (see kReferenced): the reader marks them, the writer writes them
// back.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& WebVtt();

// A time as files write it, "mm:ss.ttt" or "hh:mm:ss.ttt", leniently: one
// or two digits for minutes and seconds, "," for ".", one to three digits of
// fraction or none. Nothing for anything else.
std::optional<int64_t> ParseWebVttTime(std::string_view field);
// "HH:MM:SS.mmm".
std::string FormatWebVttTime(int64_t milliseconds);
// A time as players require it: "[hh:]mm:ss.ttt", minutes and seconds
// below 60.
bool IsStrictWebVttTime(std::string_view field);

// A timing line: its two times and its settings (blanks around them left
// out; empty when there are none), as views into `line`.
bool ParseWebVttTimingLine(std::string_view line, std::string_view& start, std::string_view& stop,
                           std::string_view& settings);

const StyleDialect& WebVttDialect();

// Bytes of the tag at byte `i` ("<i>", "</c>", "<v Bob>", "<00:01.000>",
// "<line:0>"), or 0.
size_t WebVttTagAt(std::string_view s, size_t i);
// Whether a tag is cue settings ("<line:0 align:start>").
bool IsSettingsTag(std::string_view tag);
// The settings as the tag that carries them in an entry's text; empty when
// there are none or they cannot be one (a "<", ">" or "|" in them, a word
// that is no setting).
std::string SettingsTag(std::string_view settings);
// The place on the screen settings give (1..9 as on a numeric keypad), 0
// when they give none other than the usual bottom centre; and settings for
// a place.
int SettingsPosition(std::string_view settings);
std::string_view PositionSettings(int position);

// A text line of a cue into the entry (references marked, "|" a character),
// and an entry's screen line back into a text line (references, a "<" that
// starts no tag and a "-->" written so that they read back as they show).
void AppendCueText(std::string& entry, std::string_view line);
void AppendFileText(std::string& line, std::string_view text);

}  // namespace lm
