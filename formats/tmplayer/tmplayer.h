#pragma once
// TMPlayer (".txt"): one entry per line, its start and its text,
// "00:01:02:text", "|" between the screen lines. Files write the start as
// "0:01:02:" too, with "=" for the last ":", or, a screen line a line,
// "00:01:02,1=first" "00:01:02,2=second". Times are whole seconds.
//
// The file writes no stop: a line with a time and no text ("00:01:05:")
// ends the entry before it, and an entry that nothing ends lasts until the
// next one starts, five seconds at most (see line_entries.h). The entry line
// holds that stop as a time ("{00:01:02}{00:01:05}text"), so the rules and
// conversions work on it; the writer writes the stop as such a line only
// where the next start would not give it back. A time with no text that
// ends no entry is a line of the file's structure (kFormatLine).
//
// No style tags.
#include <cstddef>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& TmPlayer();

// The time that starts a TMPlayer line, as the file writes it.
struct TmPlayerTime {
  std::string_view time;  // "0:01:02"
  char separator = ':';   // before the text: ':' or '='
  int screenLine = 0;     // "00:01:02,2=": 2; 0 where there is none
  size_t textAt = 0;      // where the text starts
};
bool ParseTmPlayerLine(std::string_view line, TmPlayerTime& out);

}  // namespace lm
