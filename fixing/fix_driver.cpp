// "Fix text automatic": three passes of the fix walk, the too-long search,
// the long-entry re-break and the display.
#include "editor/char_grid.h"
#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

namespace {

constexpr int kPasses = 3;
constexpr const char* kFault = "Some shit";

// B = 1 and at most one dash: a two-line text whose first line has 41
// characters or more, or whose second line has 42 or more, is joined and
// broken again near its middle. Only one "|" exists, so one check fires.
void RebalanceTwoLines(Document& doc) {
  const std::string& text = doc.EntryText;
  const int len = static_cast<int>(text.size());
  if (len > kWalkJoinMax) return;
  const size_t found = text.find(kBreak);
  if (found == std::string::npos) return;
  const int i = static_cast<int>(found) + 1;
  const bool firstTooLong = i - 1 >= kScreenLineChars;
  const bool secondTooLong = len - i > kScreenLineChars;
  if (firstTooLong || secondTooLong) {
    JoinLines(doc);
    BreakNearMiddle(doc);
  }
}

// Applies the rules to the entry at CurrentIndex; false on an entry the
// 16-bit counts cannot cover, which ends the walk.
bool FixEntry(Document& doc) {
  if (!CanDecompose(doc.EntryLine)) return false;
  // Counted once over the entry as stored; not refreshed after a rewrite.
  const int dashes = CountChar(doc.EntryLine, kDash);
  const int breaks = CountChar(doc.EntryLine, kBreak);
  if (dashes == 2 && breaks == 2) JoinDialogueLine(doc);
  if (dashes == 0 && breaks == 2) RebreakThreeLines(doc);
  if (!doc.DecomposeEntry()) return false;
  if (!SuppliesAllFields(doc.List1.Item(doc.CurrentIndex))) return true;
  const int len = static_cast<int>(doc.EntryText.size());
  if (breaks == 0 && dashes == 0 && len >= kWalkSplitMin && len <= kWalkSplitMax)
    BreakNearMiddle(doc);
  if (breaks == 1 && dashes <= 1) RebalanceTwoLines(doc);
  return true;
}

// The re-break may have divided the entry the grid showed and used the
// decomposed fields as scratch: show the entry the user is left on, the one
// found or else the last, selected.
void ShowFinalEntry(Document& doc, bool found) {
  if (found) {
    ShowEntryAt(doc, doc.CurrentIndex);
    return;
  }
  const int last = doc.List1.Count() - 1;
  if (last < 0) return;
  doc.List1.SetListIndex(last);
  ShowEntryAt(doc, last);
}

}  // namespace

void FixEntries(Document& doc) {
  doc.CurrentIndex = 0;
  const int positions = doc.List1.Count() + 1;
  for (int visit = 0; visit < positions; ++visit) {
    doc.EntryLine = doc.List1.Item(doc.CurrentIndex);
    if (doc.EntryLine.empty()) return;
    if (!FixEntry(doc)) {
      doc.Message(kFault);
      return;
    }
    if (doc.CurrentIndex >= kMaxIndex) return;
    ++doc.CurrentIndex;
  }
}

void Fixlines_Click(Document& doc) {
  if (doc.NoDocument()) return;
  doc.FixCount = 0;
  for (int pass = 1; pass <= kPasses; ++pass) {
    FixEntries(doc);
    doc.CurrentIndex = 0;
    SeekTooLong(doc);
    RebreakLongEntries(doc);
    ShowEntryInGrid(doc);
  }
  if (doc.FixCount > 0) {
    doc.Message("I just fixed " + std::to_string(doc.FixCount) + " lines, for You");
  } else {
    doc.Message("No new changes");
  }
  ShowFinalEntry(doc, SeekTooLong(doc));
}

}  // namespace lm
