// The joining and splitting rules the fix walk applies to the current entry.
#include <algorithm>

#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

void JoinLines(Document& doc) {
  std::replace(doc.EntryText.begin(), doc.EntryText.end(), kBreak, kSpace);
}

namespace {
void WriteTextBrokenAt(Document& doc, const Chars& chars, int p) {
  WriteLineAtCurrent(doc, doc.FramePair() + ReplacedAt(doc.EntryText, chars, p, kBreak));
}
}  // namespace

void BreakNearMiddle(Document& doc) {
  const Chars chars(doc.EntryText);
  const int len = chars.size();
  // Forward from just before the middle; when nothing is found the backward
  // rule is deliberately not tried.
  const int p = FirstSpaceFrom(doc.EntryText, chars, len / 2 - 1);
  if (p == 0) return;
  if (p - 1 >= kScreenLineChars) {
    BreakBeforeMiddle(doc);
    return;
  }
  WriteTextBrokenAt(doc, chars, p);
}

void BreakBeforeMiddle(Document& doc) {
  const Chars chars(doc.EntryText);
  const int len = chars.size();
  const int p = LastSpaceUpTo(doc.EntryText, chars, len / 2);
  if (p == 0) return;
  if (len - p >= kScreenLineChars) return;  // the second line would not fit
  WriteTextBrokenAt(doc, chars, p);
}

void JoinDialogueLine(Document& doc) {
  std::string& line = doc.EntryLine;
  const size_t n = line.size();
  // The break inside a speaker's line is the one not followed by a dash; a
  // break at the very end counts as well.
  for (size_t i = 0; i < n; ++i) {
    if (line[i] == kBreak && (i + 1 == n || line[i + 1] != kDash)) {
      line[i] = kSpace;
      WriteLineAtCurrent(doc, line);
      return;
    }
  }
}

void RebreakThreeLines(Document& doc) {
  std::string& line = doc.EntryLine;
  for (int round = 0; round < 2; ++round) {
    const size_t last = line.rfind(kBreak);
    if (last == std::string::npos) break;
    line[last] = kSpace;
  }
  // The middle is taken over the whole entry string, frames included.
  const int start = (CharCount(line) + 7) / 2;
  if (PlaceBreakFrom(doc, start)) CountFix(doc);
}

bool PlaceBreakFrom(Document& doc, int start) {
  const Chars chars(doc.EntryLine);
  const int p = FirstSpaceFrom(doc.EntryLine, chars, start);
  if (p == 0) return false;
  doc.EntryLine[chars.Byte(p - 1)] = kBreak;
  doc.SetItem(doc.CurrentIndex, doc.EntryLine);
  return true;
}

}  // namespace lm
