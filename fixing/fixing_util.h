#pragma once
// Small helpers shared by the fixing rules.
#include <algorithm>
#include <string>

#include "document/document.h"

namespace lm::fixing {

inline constexpr char kSpace = ' ';
inline constexpr char kBreak = '|';
inline constexpr char kDash = '-';
// Largest value a 16-bit index can take.
inline constexpr int kMaxIndex = 32767;

inline int CountChar(const std::string& s, char c) {
  return static_cast<int>(std::count(s.begin(), s.end(), c));
}

// 1-based position of the first space at or after the 1-based position
// `from`, or 0 when there is none.
inline int FirstSpaceFrom(const std::string& s, int from) {
  if (from < 1) from = 1;
  if (static_cast<size_t>(from) > s.size()) return 0;
  size_t p = s.find(kSpace, static_cast<size_t>(from - 1));
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

// 1-based position of the last space at or before the 1-based position `to`,
// or 0 when there is none.
inline int LastSpaceUpTo(const std::string& s, int to) {
  if (to < 1 || s.empty()) return 0;
  size_t p = s.rfind(kSpace, static_cast<size_t>(to - 1));
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

// The text with the character at the 1-based position `pos` replaced.
inline std::string ReplacedAt(std::string s, int pos, char c) {
  s[static_cast<size_t>(pos - 1)] = c;
  return s;
}

// One more rewrite; the 16-bit counter stops at its largest value.
inline void CountFix(Document& doc) {
  if (doc.FixCount < kMaxFixCount) ++doc.FixCount;
}

// True when the line supplies all three fields itself. The decomposition
// carries missing fields over from the entry decomposed before, so a rule
// that rebuilt such a line would write another entry's frames or text into it.
inline bool SuppliesAllFields(const std::string& line) {
  size_t p = line.find('}');
  if (p == std::string::npos || p + 2 > line.size()) return false;
  return line.find('}', p + 2) != std::string::npos;
}

// Replaces the entry at CurrentIndex by `line` and counts the rewrite.
inline void WriteLineAtCurrent(Document& doc, std::string line) {
  doc.List1.SetItem(doc.CurrentIndex, std::move(line));
  CountFix(doc);
}

// Writes the current frames with a new text at CurrentIndex and counts it.
inline void WriteTextAtCurrent(Document& doc, const std::string& text) {
  WriteLineAtCurrent(doc, doc.FramePair() + text);
}

}  // namespace lm::fixing
