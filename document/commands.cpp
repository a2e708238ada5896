#include "commands.h"

#include "editor/char_grid.h"

namespace lm {

void SelectEntry(Document& doc, int row) {
  doc.List1.SetListIndex(row);
  if (!doc.List1.Valid(row)) {
    doc.CurrentIndex = -1;
    ClearGrid(doc);
    return;
  }
  doc.CurrentIndex = row;
  ShowEntryAt(doc, row);
}

void List1_GotFocus(Document& doc) { doc.CurrentIndex = doc.List1.ListIndex(); }

bool List1_KeyDown(Document& doc, int keyCode) {
  if (doc.NoDocument()) return false;
  const int sel = doc.List1.ListIndex();
  bool toGrid = false;
  // The list moves its own selection after this; at either end it does not
  // move, and the selected entry stays current.
  if (keyCode == 38) doc.CurrentIndex = sel > 0 ? sel - 1 : sel;
  if (keyCode == 40) doc.CurrentIndex = sel < doc.List1.Count() - 1 ? sel + 1 : sel;
  if (keyCode == 13) toGrid = true;
  if (doc.List1.Valid(doc.CurrentIndex)) ShowEntryAt(doc, doc.CurrentIndex);
  return toGrid;
}

bool List1_MouseDown(Document& doc) {
  const int sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;  // a press beside every entry
  SelectEntry(doc, sel);
  return true;
}

bool AdjustFrames(Document& doc, int startDelta, int stopDelta) {
  if (doc.NoDocument()) return false;
  const int sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;
  EntryFields f;
  if (!SplitEntryLine(doc.List1.Item(sel), f) || !f.hasStart || !f.hasStop) return false;
  double start = 0, stop = 0;
  if (!ParseFrameNumber(f.start, start) || !ParseFrameNumber(f.stop, stop)) return false;
  doc.CurrentIndex = sel;
  doc.DecomposedId = doc.List1.Id(sel);
  doc.StartFrame = f.start;
  doc.StopFrame = f.stop;
  doc.EntryText = f.text;
  doc.EntryLine = doc.RebuildLine();
  start += startDelta;
  stop += stopDelta;
  if (start < 0 || stop < 0) {
    doc.Message("To low value");
    return false;
  }
  doc.StartFrame = FormatFrameNumber(start);
  doc.StopFrame = FormatFrameNumber(stop);
  doc.EntryLine = doc.RebuildLine();
  doc.SetText1(doc.FramePair());
  doc.List1.SetItem(sel, doc.EntryLine);
  return true;
}

}  // namespace lm
