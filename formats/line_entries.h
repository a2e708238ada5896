#pragma once
// Shared by the formats whose entries are a line or a few lines of the file
// with nothing between them but blank lines (MPL2, TMPlayer, SubViewer):
// every line of the file ends up in an entry, an entry left as it was read
// is written back from its own lines, and a stop the file does not write is
// worked out the one way that reading and writing agree on.
//
// The SourceCue of such an entry holds, in `timing`, the lines it was read
// from as the file held them, joined by "\n", with the blank lines after
// them (and, for the first entry, those before); the offsets say where its
// times stand in them (stopLength 0: the file writes no stop for it). Its
// `text` is the entry line the reader made of them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/entry.h"
#include "model/format.h"

namespace lm::line_entries {

// The longest an entry whose stop is not written is taken to last.
inline constexpr int64_t kLongestUnwritten = 5000;

// A stop the file does not write, in milliseconds: the next entry's start
// when it comes no later than kLongestUnwritten after this one's, else the
// start and that span.
int64_t UnwrittenStop(int64_t start, std::optional<int64_t> nextStart);

// What a reader made of the lines [from, to) of the file, the first and the
// last of them not blank.
struct Span {
  size_t from = 0, to = 0;
  // kUnreadLine or kFormatLine for a line kept as it was; empty for an entry.
  std::string_view mark;
  // An entry's fields as the file writes them; `stop` empty when the file
  // writes none (Collect works it out).
  std::string start, stop, text;
  // Where the times stand in the span's lines joined by "\n".
  std::uint32_t startAt = 0, startLength = 0, stopAt = 0, stopLength = 0;
};

// The byte offset of byte `at` of line `line` in the lines [from, line]
// joined by "\n".
std::uint32_t OffsetIn(const std::vector<std::string_view>& lines, size_t from, size_t line, size_t at);

// A kept line's span.
Span KeptSpan(size_t line, std::string_view mark);

// The spans (in the file's order, covering every line that is not blank)
// as entries into `out`, each with its SourceCue. Stops the file does not
// write are worked out in `times` (UnwrittenStop); a note counts the lines
// that could not be read.
void Collect(const std::vector<std::string_view>& lines, std::vector<Span>& spans, const TimeSyntax& times,
             ReadEntries& out);

// An entry to be written in the format's own syntax: its fields, its times
// and the start of the next entry with times.
struct Timed {
  const EntryFields& fields;
  int64_t start, stop;
  std::optional<int64_t> nextStart;
};

// Writes the entries of `feed`: an entry as it was read from its own lines
// (while they still give it its stop), a line kept as it was or one without
// times as it stands, any other through `rebuild`; each with the blank
// lines that stood around it in the file, or `blanksAfter` blank lines after
// an entry the file did not hold.
void Write(EntryFeed& feed, const TimeSyntax& times, int blanksAfter,
           const std::function<void(const Timed&, const LineSink&)>& rebuild, const LineSink& emit);

// The screen lines of an entry's text ("|" between them), a "|" that is a
// character shown as one.
std::vector<std::string> ShownScreenLines(std::string_view text);

}  // namespace lm::line_entries
