#include "char_grid.h"

#include "document/commands.h"
#include "document/markup.h"

namespace lm {

std::string CharGrid::RowString(int row) const {
  std::string s;
  for (int c = row * kRowCells; c < (row + 1) * kRowCells; ++c) s += Text2[static_cast<size_t>(c)];
  return s;
}

void CharGrid::Clear() {
  for (auto& cell : Text2) cell.clear();
  for (auto& markup : CellMarkup) markup.clear();
  LineMarkup = {};
  EndMarkup = {};
  Label1.clear();
  Label2.clear();
  Italic1 = Italic2 = false;
  EntryId = 0;
  Edited = false;
}

namespace {
void SetPreviewRows(CharGrid& grid, std::string row1, std::string row2) {
  grid.Label1 = std::move(row1);
  grid.Label2 = std::move(row2);
  grid.Italic1 = IsItalicMarkup(grid.LineMarkup[0]);
  grid.Italic2 = IsItalicMarkup(grid.LineMarkup[1]) || IsItalicMarkup(EntryMarkup(grid.LineMarkup[0]));
}
}  // namespace

void ShowEntryInGrid(CharGrid& grid, std::string_view text, std::uint64_t entryId) {
  grid.Clear();
  auto& cell = grid.Text2;
  size_t at = LinePrefixAt(text, 0);  // byte position of character k
  grid.LineMarkup[0].assign(text.substr(0, at));
  std::string pending;      // markup before the next character
  bool lineStart = false;   // `pending` starts a screen line
  bool row2Started = false;
  int p = 0;
  // At most the first 83 characters are examined: two or more "|" landing
  // in cell 41 hold the position there.
  for (int i = 0; i <= kGridCells; ++i) {
    while (const size_t tag = TagAt(text, at)) {
      pending.append(text.substr(at, tag));
      at += tag;
    }
    std::string_view c = at < text.size() ? NextChar(text, at) : std::string_view();
    if (c.empty()) break;
    const bool bar = c == "|";
    // A break landing in cell 41 is overwritten by what follows it.
    const bool held = bar && p == kRowCells;
    if (held) {
      pending.clear();  // the empty line it ends shows nothing
    } else if (p == kRowCells && !row2Started) {
      // Row 2 starts a screen line: its own, or the first one running on,
      // whose style it then carries as a break there would.
      grid.LineMarkup[1] = lineStart ? pending : CarriedMarkup(grid.LineMarkup[0], 0) + pending;
      row2Started = true;
      pending.clear();
    } else {
      grid.CellMarkup[static_cast<size_t>(p)] += pending;
      pending.clear();
    }
    cell[static_cast<size_t>(p)].assign(c);
    lineStart = false;
    if (bar) {
      cell[static_cast<size_t>(p)] = " ";
      // A break anywhere in row 1, or in the first cell of row 2, starts row 2.
      if (p < kRowCells + 1) p = kRowCells - 1;
      const size_t prefix = LinePrefixAt(text, at);
      pending.append(text.substr(at, prefix));
      at += prefix;
      lineStart = true;
    }
    if (++p >= kGridCells) break;
  }
  // Markup after the last character shown ends its row.
  grid.EndMarkup[p > kRowCells ? 1 : 0] = pending;
  SetPreviewRows(grid, grid.RowString(0), grid.RowString(1));
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

// A row's text with its markup where it stood. Markup inside a line cannot
// use the line-start "/", which would show there.
std::string MarkedRow(const CharGrid& grid, int row) {
  std::string s;
  for (int c = row * kRowCells; c < (row + 1) * kRowCells; ++c) {
    s += MidLineMarkup(grid.CellMarkup[static_cast<size_t>(c)]);
    s += grid.Text2[static_cast<size_t>(c)];
  }
  return s + MidLineMarkup(grid.EndMarkup[static_cast<size_t>(row)]);
}

bool WriteBackGrid(Document& doc, CharGrid& grid) {
  doc.EntryText.clear();
  TidyRow(grid, 0);
  TidyRow(grid, kRowCells);
  const std::string row1 = grid.RowString(0), row2 = grid.RowString(1);
  SetPreviewRows(grid, row1, row2);
  // The first row keeps the entry's own markup even when it is empty; an
  // empty second row is no screen line, and only its markup inside the
  // line is kept.
  std::string text = grid.LineMarkup[0] + MarkedRow(grid, 0);
  if (!row2.empty()) text += "|" + grid.LineMarkup[1];
  text += MarkedRow(grid, 1);
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
    case vk::Backspace: {
      // The markup before the deleted character now stands before the
      // character that takes its cell.
      auto& markup = grid.CellMarkup;
      markup[static_cast<size_t>(i - 1)] += markup[static_cast<size_t>(i)];
      for (int j = i; j <= 81; ++j) at(j - 1) = at(j);
      for (int j = i + 1; j <= 81; ++j) markup[static_cast<size_t>(j - 1)] = markup[static_cast<size_t>(j)];
      at(81).clear();
      markup[81].clear();
      out.focusCell = i - 1;
      break;
    }
    case vk::Insert: {
      auto& markup = grid.CellMarkup;
      grid.EndMarkup[1].insert(0, markup[81]);
      for (int j = 81; j >= i + 1; --j) at(j) = at(j - 1);
      for (int j = 81; j >= i + 1; --j) markup[static_cast<size_t>(j)] = markup[static_cast<size_t>(j - 1)];
      at(i) = " ";
      markup[static_cast<size_t>(i)].clear();
      out.focusCell = i;
      break;
    }
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
