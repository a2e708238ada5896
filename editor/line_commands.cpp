#include "editor/line_commands.h"

#include "model/limits.h"
#include "model/navigation.h"

namespace lm {

namespace {
// The selected entry's fields, or false when there is none to work on.
bool ReadSelected(const Document& doc, int& sel, EntryFields& f) {
  sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;
  return SplitFullEntry(doc.List1.Item(sel), f);
}

void SetFields(Document& doc, std::string_view start, std::string_view stop, std::string_view text) {
  doc.StartFrame.assign(start);
  doc.StopFrame.assign(stop);
  doc.EntryText.assign(text);
  doc.EntryLine = doc.RebuildLine();
  doc.SetText1(doc.FramePair());
}

// A document holds at most 32767 entries; a command that would add one
// says so rather than doing nothing without a word.
bool Full(Document& doc) {
  if (doc.List1.Count() < kInt16Max) return false;
  doc.Message("The document is full: it holds " + std::to_string(kInt16Max) + " lines, the most it can.");
  return true;
}
}  // namespace

bool Command14_Click(Document& doc) {
  if (doc.NoDocument() || !doc.List1.Valid(doc.List1.ListIndex()) || Full(doc)) return false;
  int sel;
  EntryFields f;
  if (!ReadSelected(doc, sel, f)) return false;
  const TimeNotation notation = doc.Notation();
  const std::optional<int64_t> s = notation.Parse(f.start);
  const std::optional<int64_t> e = notation.Parse(f.stop);
  if (!s || !e) return false;
  const std::optional<int64_t> m = MiddleFrame(*s, *e);
  // The second half starts a frame after the middle: "middle + 1" in
  // frames, a frame's length in a time.
  const std::optional<int64_t> frame = notation.FromFrames(1);
  const std::optional<int64_t> next = m && frame ? AddFrames(*m, *frame) : std::nullopt;
  if (!next) return false;
  // The views point into the list, which the halves replace.
  const std::string start(f.start), oldStop(f.stop), text(f.text);
  SetFields(doc, start, notation.Format(*m), text);
  doc.SetItem(sel, doc.EntryLine);
  doc.InsertItem(sel, doc.EntryLine);  // the selection moves down with its item
  SetFields(doc, notation.Format(*next), oldStop, text);
  doc.SetItem(doc.List1.ListIndex(), doc.EntryLine);
  SelectEntry(doc, doc.List1.ListIndex());
  return true;
}

bool Command15_Click(Document& doc) {
  if (doc.NoDocument() || !doc.List1.Valid(doc.List1.ListIndex()) || Full(doc)) return false;
  int sel;
  EntryFields f;
  if (!ReadSelected(doc, sel, f)) return false;
  doc.InsertItem(sel, BuildEntryLine(f.start, f.stop, f.text));
  SelectEntry(doc, doc.List1.ListIndex());
  return true;
}

bool Command1_Click(Document& doc) {
  const int k = doc.List1.ListIndex();
  if (!doc.List1.Valid(k)) return false;
  doc.RemoveItem(k);
  SelectEntry(doc, k + 1);
  return true;
}

}  // namespace lm
