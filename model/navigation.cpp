#include "model/navigation.h"

namespace lm {

void ShowEntry(Document& doc, int index) {
  const std::string& line = doc.List1.Item(index);
  const int keep = doc.CurrentIndex;
  doc.CurrentIndex = index;
  const bool shown = doc.List1.Valid(index) && SuppliesAllFields(line) && doc.DecomposeEntry();
  doc.CurrentIndex = keep;
  if (shown) {
    doc.ShowInGrid(index);
  } else {
    doc.SetText1("");
    doc.ClearGrid();
  }
}

void SelectEntry(Document& doc, int row) {
  doc.SetListIndex(row);
  if (!doc.List1.Valid(row)) {
    doc.CurrentIndex = -1;
    doc.ClearGrid();
    return;
  }
  doc.CurrentIndex = row;
  ShowEntry(doc, row);
}

void List1_GotFocus(Document& doc) { doc.CurrentIndex = doc.List1.ListIndex(); }

bool List1_KeyDown(Document& doc, int keyCode) {
  if (doc.NoDocument()) return false;
  const int sel = doc.List1.ListIndex();
  // The list moves its own selection after this; at either end it does not
  // move, and the selected entry stays current.
  if (keyCode == vk::Up) doc.CurrentIndex = sel > 0 ? sel - 1 : sel;
  if (keyCode == vk::Down) doc.CurrentIndex = sel < doc.List1.Count() - 1 ? sel + 1 : sel;
  if (doc.List1.Valid(doc.CurrentIndex)) ShowEntry(doc, doc.CurrentIndex);
  return keyCode == vk::Enter;
}

bool List1_MouseDown(Document& doc) {
  const int sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;  // a press beside every entry
  SelectEntry(doc, sel);
  return true;
}

bool AdjustFrames(Document& doc, int64_t startDelta, int64_t stopDelta) {
  if (doc.NoDocument()) return false;
  const int sel = doc.List1.ListIndex();
  if (!doc.List1.Valid(sel)) return false;
  const std::string& line = doc.List1.Item(sel);
  EntryFields f;
  if (!SplitFullEntry(line, f)) return false;
  const TimeNotation notation = doc.Notation();
  const std::optional<int64_t> start = notation.Parse(f.start);
  const std::optional<int64_t> stop = notation.Parse(f.stop);
  if (!start || !stop) return false;
  // Decomposed as DecomposeEntry does, but the textline waits for the result.
  doc.CurrentIndex = sel;
  doc.DecomposedId = doc.List1.Id(sel);
  doc.StartFrame.assign(f.start);
  doc.StopFrame.assign(f.stop);
  doc.EntryText.assign(f.text);
  doc.EntryLine = doc.RebuildLine();
  // The buttons move by frames: a time moves by as many frames' length.
  const std::optional<int64_t> startUnits = notation.FromFrames(startDelta);
  const std::optional<int64_t> stopUnits = notation.FromFrames(stopDelta);
  if (!startUnits || !stopUnits) return false;
  const std::optional<int64_t> newStart = AddFrames(*start, *startUnits);
  const std::optional<int64_t> newStop = AddFrames(*stop, *stopUnits);
  if (!newStart || !newStop) return false;
  if (*newStart < 0 || *newStop < 0) {
    doc.Message("To low value");
    return false;
  }
  doc.StartFrame = notation.Format(*newStart);
  doc.StopFrame = notation.Format(*newStop);
  doc.EntryLine = doc.RebuildLine();
  doc.SetText1(doc.FramePair());
  doc.SetItem(sel, doc.EntryLine);
  return true;
}

}  // namespace lm
