#pragma once
// Small helpers shared by the fixing rules. Positions are 1-based character
// positions, as the rules state them; the characters searched for are ASCII,
// so they are found bytewise and only the positions are counted in
// characters.
#include <string>
#include <string_view>

#include "document/document.h"
#include "document/limits.h"
#include "document/text.h"

namespace lm::fixing {

inline constexpr char kSpace = ' ';
inline constexpr char kBreak = '|';
inline constexpr char kDash = '-';

// 1-based position of the first space at or after position `from`, or 0.
inline int FirstSpaceFrom(std::string_view s, const Chars& chars, int from) {
  if (from < 1) from = 1;
  if (from > chars.size()) return 0;
  const size_t p = s.find(kSpace, chars.Byte(from - 1));
  return p == std::string_view::npos ? 0 : chars.At(p) + 1;
}

// 1-based position of the last space at or before position `to`, or 0.
inline int LastSpaceUpTo(std::string_view s, const Chars& chars, int to) {
  if (to < 1 || s.empty()) return 0;
  if (to > chars.size()) to = chars.size();
  const size_t p = s.rfind(kSpace, chars.Byte(to - 1));
  return p == std::string_view::npos ? 0 : chars.At(p) + 1;
}

// The text with its one-byte character at position `pos` replaced by `c`.
inline std::string ReplacedAt(std::string_view s, const Chars& chars, int pos, char c) {
  std::string out(s);
  out[chars.Byte(pos - 1)] = c;
  return out;
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

}  // namespace lm::fixing
