// The search for the next entry that breaks the screen rules, and the two
// menu commands that run it.
#include "model/navigation.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

bool EntryTooLong(const EntryShape& s, const Profile& profile) {
  if (!s.full) return false;  // a line without times is no entry to rework
  if (s.textBreaks >= profile.lines) return true;
  const int most = profile.ScreenLineChars();
  if (s.textBreaks == 0) return s.textChars > most;
  if (s.textChars >= profile.SeekTooLongTotal()) return true;
  return s.firstBar - 1 > most || s.textChars - s.firstBar > most;
}

namespace {
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
    if (EntryTooLong(doc.List1.Shape(p), doc.RuleProfile())) {
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
void ShowSearchResult(Document& doc, bool found) { ShowEntry(doc, found ? doc.CurrentIndex : doc.List1.ListIndex()); }
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
