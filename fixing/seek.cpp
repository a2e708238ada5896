// The search for the next entry that breaks the screen rules, and the two
// menu commands that run it.
#include "editor/char_grid.h"
#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

bool TextTooLong(const std::string& text) {
  const int breaks = CountChar(text, kBreak);
  const int len = static_cast<int>(text.size());
  if (breaks >= 2) return true;
  if (breaks == 0 && len > kScreenLineChars) return true;
  if (len >= kSeekTooLongTotal) return true;
  if (breaks == 1) {
    const int i = static_cast<int>(text.find(kBreak)) + 1;
    if (i - 1 > kScreenLineChars) return true;    // the line before it
    if (len - i > kScreenLineChars) return true;  // the line after it
  }
  return false;
}

bool SeekTooLong(Document& doc) {
  for (;;) {
    const int p = doc.CurrentIndex;
    const std::string& line = doc.List1.Item(p);
    // Past the end this keeps the fields of the last entry passed over.
    const bool decomposed = doc.DecomposeEntry();
    if (line.empty()) return false;
    doc.List1.SetListIndex(p);
    if (!decomposed || !SuppliesAllFields(line) || TextTooLong(doc.EntryText)) return true;
    if (p >= kMaxIndex) return false;
    doc.CurrentIndex = p + 1;
  }
}

namespace {
// After a search that found nothing the fields still hold the last entry
// passed over, which the grid shows again.
void ShowSearchResult(Document& doc, bool found) {
  if (found) {
    ShowEntryAt(doc, doc.CurrentIndex);
  } else {
    ShowEntryInGrid(doc);
  }
}
}  // namespace

void Tolong_Click(Document& doc) {
  if (doc.NoDocument()) return;
  doc.CurrentIndex = 0;
  ShowSearchResult(doc, SeekTooLong(doc));
}

void Nextline_Click(Document& doc) {
  if (doc.NoDocument()) return;
  if (doc.CurrentIndex < kMaxIndex) ++doc.CurrentIndex;
  ShowSearchResult(doc, SeekTooLong(doc));
}

}  // namespace lm
