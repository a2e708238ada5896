#pragma once
// Small helpers shared by the fixing rules. Positions are 1-based visible
// character positions, as the rules state them (markup counts zero); the
// characters searched for are ASCII, so they are found bytewise and only the
// positions are counted.
#include <string>
#include <string_view>

#include "model/document.h"
#include "model/limits.h"
#include "model/markup.h"
#include "model/text.h"

namespace lm::rules {

inline constexpr char kSpace = ' ';
inline constexpr char kBreak = '|';
inline constexpr char kDash = '-';

// 1-based visible position of the first space at or after position `from`,
// or 0.
inline int FirstSpaceFrom(std::string_view s, const Visible& v, int from) {
  return FindVisibleFrom(s, v, kSpace, from);
}

// 1-based visible position of the last space at or before position `to`, or 0.
inline int LastSpaceUpTo(std::string_view s, const Visible& v, int to) { return FindVisibleUpTo(s, v, kSpace, to); }

// A break that a join had to leave where it was: none.
inline constexpr size_t kNoKeptBreak = std::string_view::npos;

// Where a break goes from position `from` on: the first space where a break
// keeps the text (BreakKeepsText; the next one is taken otherwise), or the
// line break at byte `kept` a join had to leave, when it comes first; 0:
// neither. The text of `s` starts at byte `textAt`; `entryCut`: the break
// starts a new entry.
inline int BreakFrom(std::string_view s, const Visible& v, int from, size_t textAt, const StyleDialect& d,
                     size_t kept = kNoKeptBreak, bool entryCut = false) {
  int p = FirstSpaceFrom(s, v, from);
  while (p != 0 && !BreakKeepsText(s, v.Byte(p - 1), textAt, d, entryCut)) p = FirstSpaceFrom(s, v, p + 1);
  if (kept != kNoKeptBreak) {
    const int k = v.At(kept) + 1;
    if (k >= from && (p == 0 || k < p)) p = k;
  }
  return p;
}

// Where a break goes at or before position `to`: the last space where a
// break keeps the text, or 0.
inline int BreakUpTo(std::string_view s, const Visible& v, int to, size_t textAt, const StyleDialect& d) {
  int p = LastSpaceUpTo(s, v, to);
  while (p != 0 && !BreakKeepsText(s, v.Byte(p - 1), textAt, d)) p = LastSpaceUpTo(s, v, p - 1);
  return p;
}

// Where an entry line's text starts; the whole line when it does not
// supply its fields (the rules then treat all of it as plain text).
inline size_t TextStart(std::string_view line) {
  EntryFields f;
  return SplitFullEntry(line, f) ? static_cast<size_t>(f.text.data() - line.data()) : line.size();
}

// One more rewrite; the 16-bit counter stops at its largest value.
inline void CountFix(Document& doc) {
  if (doc.FixCount < kInt16Max) ++doc.FixCount;
}

// Replaces the entry at CurrentIndex by `line` and counts the rewrite.
inline void WriteLineAtCurrent(Document& doc, std::string line) {
  doc.SetItem(doc.CurrentIndex, std::move(line));
  CountFix(doc);
}

}  // namespace lm::rules
