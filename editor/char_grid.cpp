#include "char_grid.h"

namespace lm {

std::string RowString(const Document& doc, int row) {
  std::string s;
  for (int c = row * kRowCells; c < (row + 1) * kRowCells; ++c) s += doc.Text2[c];
  return s;
}

void ShowEntryInGrid(Document& doc) {
  for (auto& cell : doc.Text2) cell.clear();
  const std::string& t = doc.EntryText;
  const long len = static_cast<long>(t.size());
  int p = 0;
  long k = 1;
  for (long i = 0; i <= len && i <= 82; ++i, ++k) {
    doc.Text2[p] = k <= len ? std::string(1, t[k - 1]) : std::string();
    if (doc.Text2[p] == "|") {
      doc.Text2[p] = " ";
      // A break anywhere in row 1, or in its first cell of row 2, starts row 2.
      if (p < 42) p = 40;
    }
    if (++p > 81) break;
  }
  doc.Label1 = RowString(doc, 0);
  doc.Label2 = RowString(doc, 1);
  doc.GridEntryId = doc.DecomposedId;
  doc.NotifyGridChanged();
}

void ShowEntryAt(Document& doc, int index) {
  const int keep = doc.CurrentIndex;
  doc.CurrentIndex = index;
  const bool decomposed = doc.DecomposeEntry();
  doc.CurrentIndex = keep;
  if (decomposed) {
    ShowEntryInGrid(doc);
  } else {
    ClearGrid(doc);
  }
}

namespace {
// Gap fill and blank collapse inside one row, then its last-cell rule.
void TidyRow(Document& doc, int first) {
  auto& cell = doc.Text2;
  const int last = first + kRowCells - 1;
  for (int c = first; c < last; ++c)
    if (cell[c].empty() && !cell[c + 1].empty()) cell[c] = " ";
  for (int c = first; c < last; ++c) {
    if (cell[c] == " ") {
      if (cell[c + 1].empty()) cell[c].clear();
      if (cell[c + 1] == " ") cell[c].clear();
    }
  }
  if (cell[last - 1].empty()) cell[last].clear();
}
}  // namespace

bool WriteBackGrid(Document& doc) {
  doc.EntryText.clear();
  TidyRow(doc, 0);
  std::string row1 = RowString(doc, 0);
  TidyRow(doc, kRowCells);
  std::string row2 = RowString(doc, 1);
  doc.Label1 = row1;
  doc.Label2 = row2;
  doc.NotifyGridChanged();
  if (!row2.empty()) row1 += "|";
  const std::string text = row1 + row2;

  // Only the entry the grid was filled from may be replaced, with its own
  // frames as they stand in the list now.
  const int target = doc.List1.IndexOfId(doc.GridEntryId, doc.CurrentIndex);
  if (target < 0) {
    doc.EntryText = text;
    return false;
  }
  doc.CurrentIndex = target;
  if (!doc.DecomposeEntry()) return false;
  doc.EntryText = text;
  doc.EntryLine = doc.RebuildLine();
  doc.List1.SetItem(target, doc.EntryLine);
  return true;
}

GridKeyOutcome Text2_KeyDown(Document& doc, int i, int keyCode) {
  GridKeyOutcome out;
  if (doc.NoDocument() || i < 0 || i >= kGridCells) return out;
  if (keyCode == vk::Ctrl || keyCode == vk::Alt) return out;
  if (keyCode == vk::Backspace && i == 0) return out;
  out.handled = true;
  auto& cell = doc.Text2;
  switch (keyCode) {
    case vk::Enter:
      WriteBackGrid(doc);
      out.focusList = true;
      return out;
    case vk::Backspace:
      for (int j = i; j <= 81; ++j) cell[j - 1] = cell[j];
      cell[81].clear();
      out.focusCell = i - 1;
      break;
    case vk::Insert:
      for (int j = 81; j >= i + 1; --j) cell[j] = cell[j - 1];
      cell[i] = " ";
      out.focusCell = i;
      break;
    case vk::Right:
      out.focusCell = i == 81 ? 1 : i + 1;
      return out;
    case vk::Down:
      if (i <= 40) out.focusCell = i + 41;
      return out;
    case vk::Up:
      if (i >= 41) out.focusCell = i - 41;
      return out;
    case vk::Left:
      out.focusCell = i == 0 ? 81 : i - 1;
      return out;
    case vk::Shift:
      return out;
    default:
      cell[i].clear();
      if (i < 81) {
        out.focusCell = i + 1;
        doc.Changed = 1;
      }
      break;
  }
  doc.NotifyGridChanged();
  return out;
}

}  // namespace lm
