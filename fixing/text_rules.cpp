// The joining and splitting rules the fix walk applies to the current entry.
#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

void JoinLines(Document& doc) {
  std::replace(doc.EntryText.begin(), doc.EntryText.end(), kBreak, kSpace);
}

void BreakNearMiddle(Document& doc) {
  const std::string& text = doc.EntryText;
  const int len = static_cast<int>(text.size());
  // Forward from just before the middle; when nothing is found the backward
  // rule is deliberately not tried.
  const int p = FirstSpaceFrom(text, len / 2 - 1);
  if (p == 0) return;
  if (p - 1 >= kScreenLineChars) {
    BreakBeforeMiddle(doc);
    return;
  }
  WriteTextAtCurrent(doc, ReplacedAt(text, p, kBreak));
}

void BreakBeforeMiddle(Document& doc) {
  const std::string& text = doc.EntryText;
  const int len = static_cast<int>(text.size());
  const int p = LastSpaceUpTo(text, len / 2);
  if (p == 0) return;
  if (len - p >= kScreenLineChars) return;  // the second line would not fit
  WriteTextAtCurrent(doc, ReplacedAt(text, p, kBreak));
}

void JoinDialogueLine(Document& doc) {
  const std::string& line = doc.EntryLine;
  const size_t n = line.size();
  // The break inside a speaker's line is the one not followed by a dash; a
  // break at the very end counts as well.
  for (size_t i = 0; i < n; ++i) {
    if (line[i] == kBreak && (i + 1 == n || line[i + 1] != kDash)) {
      doc.EntryLine = ReplacedAt(line, static_cast<int>(i) + 1, kSpace);
      WriteLineAtCurrent(doc, doc.EntryLine);
      return;
    }
  }
}

void RebreakThreeLines(Document& doc) {
  std::string& line = doc.EntryLine;
  for (int round = 0; round < 2; ++round) {
    size_t last = line.rfind(kBreak);
    if (last == std::string::npos) break;
    line[last] = kSpace;
  }
  // The middle is taken over the whole entry string, frames included.
  const int start = (static_cast<int>(line.size()) + 7) / 2;
  if (PlaceBreakFrom(doc, start)) CountFix(doc);
}

bool PlaceBreakFrom(Document& doc, int start) {
  const int p = FirstSpaceFrom(doc.EntryLine, start);
  if (p == 0) return false;
  doc.EntryLine[static_cast<size_t>(p - 1)] = kBreak;
  doc.List1.SetItem(doc.CurrentIndex, doc.EntryLine);
  return true;
}

}  // namespace lm
