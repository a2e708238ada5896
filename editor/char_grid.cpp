#include "char_grid.h"

#include "document/commands.h"

namespace lm {

std::string CharGrid::RowString(int row) const {
  std::string s;
  for (int c = row * kRowCells; c < (row + 1) * kRowCells; ++c) s += Text2[static_cast<size_t>(c)];
  return s;
}

void CharGrid::Clear() {
  for (auto& cell : Text2) cell.clear();
  Label1.clear();
  Label2.clear();
  EntryId = 0;
  Edited = false;
}

void ShowEntryInGrid(CharGrid& grid, std::string_view text, std::uint64_t entryId) {
  grid.Clear();
  auto& cell = grid.Text2;
  size_t at = 0;  // byte position of character k
  int p = 0;
  // At most the first 83 characters are examined: two or more "|" landing
  // in cell 41 hold the position there.
  for (int i = 0; i <= kGridCells; ++i) {
    std::string_view c = at < text.size() ? NextChar(text, at) : std::string_view();
    cell[static_cast<size_t>(p)].assign(c);
    if (c == "|") {
      cell[static_cast<size_t>(p)] = " ";
      // A break anywhere in row 1, or in the first cell of row 2, starts row 2.
      if (p < kRowCells + 1) p = kRowCells - 1;
    }
    if (c.empty() || ++p >= kGridCells) break;
  }
  grid.Label1 = grid.RowString(0);
  grid.Label2 = grid.RowString(1);
  grid.EntryId = entryId;
}

void ShowEntryAt(const Document& doc, CharGrid& grid, int index) {
  const std::string& line = doc.List1.Item(index);
  EntryFields f;
  if (!doc.List1.Valid(index) || !SplitFullEntry(line, f)) {
    grid.Clear();
    return;
  }
  ShowEntryInGrid(grid, f.text, doc.List1.Id(index));
}

void ApplyGridRequest(const Document& doc, CharGrid& grid, const GridRequest& request) {
  if (request.kind == GridRequest::Show) ShowEntryAt(doc, grid, request.index);
  if (request.kind == GridRequest::Clear) grid.Clear();
}

bool FileCanHold(const Document& doc, std::string_view text) {
  return CanHold(doc.FileEncoding(), text);
}

bool PutCharacter(const Document& doc, CharGrid& grid, int index, std::string_view character) {
  if (grid.EntryId == 0 || index < 0 || index >= kGridCells || !FileCanHold(doc, character))
    return false;
  grid.Text2[static_cast<size_t>(index)].assign(character);
  grid.Edited = true;
  return true;
}

namespace {
// Gap fill and blank collapse inside one row, then its last-cell rule.
void TidyRow(CharGrid& grid, int first) {
  auto& cell = grid.Text2;
  const int last = first + kRowCells - 1;
  auto at = [&](int c) -> std::string& { return cell[static_cast<size_t>(c)]; };
  for (int c = first; c < last; ++c)
    if (at(c).empty() && !at(c + 1).empty()) at(c) = " ";
  for (int c = first; c < last; ++c) {
    if (at(c) == " ") {
      if (at(c + 1).empty()) at(c).clear();
      if (at(c + 1) == " ") at(c).clear();
    }
  }
  if (at(last - 1).empty()) at(last).clear();
}
}  // namespace

bool WriteBackGrid(Document& doc, CharGrid& grid) {
  doc.EntryText.clear();
  TidyRow(grid, 0);
  std::string row1 = grid.RowString(0);
  TidyRow(grid, kRowCells);
  const std::string row2 = grid.RowString(1);
  grid.Label1 = row1;
  grid.Label2 = row2;
  if (!row2.empty()) row1 += "|";
  const std::string text = row1 + row2;
  grid.Edited = false;
  doc.TypingWrittenBack();

  // Only the entry the grid was filled from may be replaced, with its own
  // frames as they stand in the list now.
  const int target = doc.List1.IndexOfId(grid.EntryId, doc.CurrentIndex);
  if (target < 0 || !SuppliesAllFields(doc.List1.Item(target))) {
    doc.EntryText = text;
    return false;
  }
  doc.CurrentIndex = target;
  if (!doc.DecomposeEntry()) return false;
  doc.EntryText = text;
  doc.EntryLine = doc.RebuildLine();
  doc.SetItem(target, doc.EntryLine);
  return true;
}

GridKeyOutcome Text2_KeyDown(Document& doc, CharGrid& grid, int i, int keyCode) {
  GridKeyOutcome out;
  if (doc.NoDocument() || grid.EntryId == 0 || i < 0 || i >= kGridCells) return out;
  if (keyCode == vk::Ctrl || keyCode == vk::Alt) return out;
  if (keyCode == vk::Backspace && i == 0) return out;
  out.handled = true;
  auto& cell = grid.Text2;
  auto at = [&](int c) -> std::string& { return cell[static_cast<size_t>(c)]; };
  switch (keyCode) {
    case vk::Enter:
      WriteBackGrid(doc, grid);
      out.focusList = true;
      return out;
    case vk::Backspace:
      for (int j = i; j <= 81; ++j) at(j - 1) = at(j);
      at(81).clear();
      out.focusCell = i - 1;
      break;
    case vk::Insert:
      for (int j = 81; j >= i + 1; --j) at(j) = at(j - 1);
      at(i) = " ";
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
      at(i).clear();
      if (i < 81) {
        out.focusCell = i + 1;
        doc.MarkTyped();
      }
      break;
  }
  grid.Edited = true;
  return out;
}

}  // namespace lm
