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
