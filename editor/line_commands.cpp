#include "line_commands.h"

#include <cmath>

#include "document/commands.h"

namespace lm {

namespace {
// The selected entry's fields, or false when there is none to work on.
bool ReadSelected(const Document& doc, int& sel, EntryFields& f) {
  sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;
  return SplitEntryLine(doc.List1.Item(sel), f) && f.hasStart && f.hasStop;
}

void SetFields(Document& doc, const std::string& start, const std::string& stop,
               const std::string& text) {
  doc.StartFrame = start;
  doc.StopFrame = stop;
  doc.EntryText = text;
  doc.EntryLine = doc.RebuildLine();
  doc.SetText1(doc.FramePair());
}
}  // namespace

bool Command14_Click(Document& doc) {
  if (doc.NoDocument() || doc.List1.Count() >= EntryList::kMaxEntries) return false;
  int sel;
  EntryFields f;
  if (!ReadSelected(doc, sel, f)) return false;
  double s, e;
  if (!ParseFrameNumber(f.start, s) || !ParseFrameNumber(f.stop, e)) return false;
  const double m = s + std::floor((e - s) / 2);
  const std::string oldStop = f.stop;
  SetFields(doc, f.start, FormatFrameNumber(m), f.text);
  doc.List1.SetItem(sel, doc.EntryLine);
  doc.List1.InsertItem(sel, doc.EntryLine);  // the selection moves down with its item
  SetFields(doc, FormatFrameNumber(m + 1), oldStop, f.text);
  doc.List1.SetItem(doc.List1.ListIndex(), doc.EntryLine);
  SelectEntry(doc, doc.List1.ListIndex());
  return true;
}

bool Command15_Click(Document& doc) {
  if (doc.NoDocument() || doc.List1.Count() >= EntryList::kMaxEntries) return false;
  int sel;
  EntryFields f;
  if (!ReadSelected(doc, sel, f)) return false;
  doc.List1.InsertItem(sel, "{" + f.start + "}{" + f.stop + "}" + f.text);
  SelectEntry(doc, doc.List1.ListIndex());
  return true;
}

bool Command1_Click(Document& doc) {
  const int k = doc.List1.ListIndex();
  if (!doc.List1.Valid(k)) return false;
  doc.List1.RemoveItem(k);
  SelectEntry(doc, k + 1);
  return true;
}

}  // namespace lm
