// The search for the next entry that breaks the screen rules, and the two
// menu commands that run it.
#include "document/commands.h"
#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

namespace {
// More than two lines, or a line of 42 characters or more; an entry without
// its own frame fields counts as one to rework.
bool EntryTooLong(const EntryShape& s) {
  if (!s.full || s.textBreaks >= 2) return true;
  if (s.textBreaks == 0) return s.textChars > kScreenLineChars;
  if (s.textChars >= kSeekTooLongTotal) return true;
  return s.firstBar - 1 > kScreenLineChars || s.textChars - s.firstBar > kScreenLineChars;
}

// Decomposes the entry at `p` without moving CurrentIndex.
void DecomposeAt(Document& doc, int p) {
  const int keep = doc.CurrentIndex;
  doc.CurrentIndex = p;
  doc.DecomposeEntry();
  doc.CurrentIndex = keep;
}
}  // namespace

bool SeekTooLong(Document& doc) {
  // Every entry passed over was selected and decomposed in turn; only the
  // last of them shows, so only that one is.
  int passed = -1;
  for (int p = doc.CurrentIndex; p >= 0; ++p) {
    if (doc.List1.Item(p).empty()) break;
    doc.CurrentIndex = p;
    if (EntryTooLong(doc.List1.Shape(p))) {
      doc.SetListIndex(p);
      DecomposeAt(doc, p);
      return true;
    }
    passed = p;
    if (p >= kInt16Max) break;
    doc.CurrentIndex = p + 1;
  }
  if (passed >= 0) {
    doc.SetListIndex(passed);
    DecomposeAt(doc, passed);
  }
  return false;
}

namespace {
// After a search that found nothing, the grid shows the last entry passed
// over again: the one selected.
void ShowSearchResult(Document& doc, bool found) {
  ShowEntry(doc, found ? doc.CurrentIndex : doc.List1.ListIndex());
}
}  // namespace

void Tolong_Click(Document& doc) {
  if (doc.NoDocument()) return;
  doc.CurrentIndex = 0;
  ShowSearchResult(doc, SeekTooLong(doc));
}

void Nextline_Click(Document& doc) {
  if (doc.NoDocument()) return;
  if (doc.CurrentIndex < kInt16Max) ++doc.CurrentIndex;
  ShowSearchResult(doc, SeekTooLong(doc));
}

}  // namespace lm
