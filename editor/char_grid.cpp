#include "editor/char_grid.h"

#include <algorithm>

#include "files/charset.h"
#include "model/markup.h"
#include "model/navigation.h"

namespace lm {

void CharGrid::SetRowCells(int rowCells) {
  rowCells_ = std::max(rowCells, 1);
  Text2.assign(static_cast<size_t>(Cells()), std::string());
  CellMarkup.assign(static_cast<size_t>(Cells()), std::string());
  Break.assign(static_cast<size_t>(Cells()), false);
  Clear();
}

std::string CharGrid::RowString(int row) const {
  std::string s;
  for (int c = row * rowCells_; c < (row + 1) * rowCells_; ++c) s += Text2[static_cast<size_t>(c)];
  return s;
}

std::string CharGrid::Shown(int index) const { return ShowLiteralBars(Text2[static_cast<size_t>(index)]); }

void CharGrid::Clear() {
  for (auto& cell : Text2) cell.clear();
  for (auto& markup : CellMarkup) markup.clear();
  Break.assign(Break.size(), false);
  Overflow.clear();
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
  // A line break folded into row 2 shows as a blank.
  std::replace(row2.begin(), row2.end(), '|', ' ');
  grid.Label1 = ShowLiteralBars(row1);
  grid.Label2 = ShowLiteralBars(row2);
  // Italic spans are followed as the text is laid out.
  const StyleDialect& markup = *grid.markup;
  if (!markup.LineScoped()) return;
  grid.Italic1 = IsItalicMarkup(grid.LineMarkup[0], markup);
  grid.Italic2 =
      IsItalicMarkup(grid.LineMarkup[1], markup) || IsItalicMarkup(EntryMarkup(grid.LineMarkup[0], markup), markup);
}
}  // namespace

namespace {
// The preview rows of text as the screen shows it, its markup hidden, for a
// grid that shows the markup as characters.
void PreviewWithoutMarkup(CharGrid& grid, std::string_view text) {
  CharGrid shown(grid.RowCells());
  ShowEntryInGrid(shown, text, grid.EntryId, *grid.dialect);
  grid.Label1 = shown.Label1;
  grid.Label2 = shown.Label2;
  grid.Italic1 = shown.Italic1;
  grid.Italic2 = shown.Italic2;
}
}  // namespace

void ShowEntryInGrid(CharGrid& grid, std::string_view text, std::uint64_t entryId, const StyleDialect& dialect) {
  grid.Clear();
  grid.dialect = &dialect;
  grid.markup = grid.ShowMarkup ? &PlainText() : &dialect;
  const StyleDialect& markup = *grid.markup;
  const bool spans = !markup.LineScoped();
  const int rowCells = grid.RowCells(), cells = grid.Cells();
  auto& cell = grid.Text2;
  size_t at = LinePrefixAt(text, 0, markup);  // byte position of character k
  grid.LineMarkup[0].assign(text.substr(0, at));
  bool italic = false;  // an italic span open
  FollowItalic(grid.LineMarkup[0], markup, italic);
  if (spans) grid.Italic1 = italic;
  std::string pending;     // markup before the next character
  bool lineStart = false;  // `pending` starts a screen line
  bool row2Started = false;
  int p = 0;
  // At most the first Cells() + 1 characters are examined: two or more "|"
  // landing in the first cell of row 2 hold the position there.
  for (int i = 0; i <= cells; ++i) {
    while (const size_t tag = markup.TagAt(text, at)) {
      pending.append(text.substr(at, tag));
      at += tag;
    }
    if (spans) FollowItalic(pending, markup, italic);
    std::string_view c = at < text.size() ? NextChar(text, at) : std::string_view();
    if (c.empty()) {
      cell[static_cast<size_t>(p)].clear();  // over a blank held in row 2's first cell
      break;
    }
    const bool bar = c == "|";
    // A break landing in row 2's first cell is overwritten by what follows it.
    const bool held = bar && p == rowCells;
    if (held) {
      pending.clear();  // the empty line it ends shows nothing
    } else if (p == rowCells && !row2Started) {
      // Row 2 starts a screen line: its own, or the first one running on,
      // whose style it then carries as a break there would.
      grid.LineMarkup[1] = lineStart ? pending : CarriedMarkup(grid.LineMarkup[0], 0, 0, markup) + pending;
      row2Started = true;
      if (spans) grid.Italic2 = italic;
      pending.clear();
    } else {
      grid.CellMarkup[static_cast<size_t>(p)] += pending;
      pending.clear();
    }
    cell[static_cast<size_t>(p)].assign(c);
    lineStart = false;
    if (bar) {
      cell[static_cast<size_t>(p)] = " ";
      // A break anywhere in row 1, or in the first cell of row 2, starts row 2;
      // one further on is folded into row 2.
      if (p > rowCells) grid.Break[static_cast<size_t>(p)] = true;
      if (p < rowCells + 1) p = rowCells - 1;
      const size_t prefix = LinePrefixAt(text, at, markup);
      pending.append(text.substr(at, prefix));
      at += prefix;
      lineStart = true;
    }
    if (++p >= cells) break;
  }
  if (at < text.size()) {
    // What the cells cannot show stays with the grid.
    grid.Overflow = pending;
    grid.Overflow.append(text.substr(at));
  } else {
    // Markup after the last character shown ends its row.
    grid.EndMarkup[p > rowCells ? 1 : 0] = pending;
  }
  grid.EntryId = entryId;
  if (grid.markup != grid.dialect) {
    PreviewWithoutMarkup(grid, text);
  } else {
    SetPreviewRows(grid, grid.RowString(0), grid.RowString(1));
  }
}

void ShowEntryAt(const Document& doc, CharGrid& grid, int index) {
  const std::string& line = doc.List1.Item(index);
  EntryFields f;
  const int rowCells = doc.RuleProfile().ScreenLineChars();
  if (grid.RowCells() != rowCells) grid.SetRowCells(rowCells);
  if (!doc.List1.Valid(index) || !SplitFullEntry(line, f)) {
    grid.Clear();
    return;
  }
  ShowEntryInGrid(grid, f.text, doc.List1.Id(index), doc.TextMarkup());
}

void ApplyGridRequest(const Document& doc, CharGrid& grid, const GridRequest& request) {
  if (request.kind == GridRequest::Show) ShowEntryAt(doc, grid, request.index);
  if (request.kind == GridRequest::Clear) grid.Clear();
}

void ShowMarkupInGrid(const Document& doc, CharGrid& grid, bool shown) {
  grid.ShowMarkup = shown;
  const int index = grid.EntryId == 0 ? -1 : doc.List1.IndexOfId(grid.EntryId, doc.CurrentIndex);
  if (index >= 0) ShowEntryAt(doc, grid, index);
}

bool FileCanHold(const Document& doc, std::string_view text) { return CanHold(doc.FileEncoding(), text); }

namespace {
// What a typed character is in the entry's text.
std::string_view AsText(const Document& doc, std::string_view character) {
  return character == "|" && doc.ReadFormat().BarIsText() ? kLiteralBar : character;
}

// C0 and C1 controls and DEL: no part of an entry's text.
bool IsControl(std::string_view c) {
  const unsigned char first = static_cast<unsigned char>(c[0]);
  if (first < 0x20 || first == 0x7F) return true;
  return first == 0xC2 && c.size() > 1 && static_cast<unsigned char>(c[1]) < 0xA0;
}

bool HoldsControl(std::string_view text) {
  for (size_t i = 0; i < text.size();)
    if (IsControl(NextChar(text, i))) return true;
  return false;
}
}  // namespace

bool PutCharacter(const Document& doc, CharGrid& grid, int index, std::string_view character, std::string* refused) {
  if (grid.EntryId == 0 || index < 0 || index >= grid.Cells()) return false;
  if (character.empty() || HoldsControl(character)) return false;
  if (!FileCanHold(doc, character)) {
    if (refused) refused->assign(character);
    return false;
  }
  grid.Text2[static_cast<size_t>(index)].assign(AsText(doc, character));
  grid.Break[static_cast<size_t>(index)] = false;
  grid.Edited = true;
  return true;
}

namespace {
// The visible characters of text that starts inside a line.
std::string VisibleInsideLine(std::string_view text, const StyleDialect& markup) {
  if (text.empty()) return {};
  const std::string s = "x" + std::string(text);  // so that a "/" first is no line start
  const Visible visible(s, 0, markup);
  std::string out;
  for (int i = 1; i < visible.size(); ++i) {
    size_t b = visible.Byte(i);
    out += NextChar(s, b);
  }
  return out;
}

// The first character of the overflow into `cell`, with the markup before
// it: Backspace and Delete pull the text beyond the grid in.
void PullOverflow(CharGrid& grid, int cell) {
  std::string& rest = grid.Overflow;
  auto& markup = grid.CellMarkup[static_cast<size_t>(cell)];
  size_t at = 0;
  while (const size_t tag = grid.markup->TagAt(rest, at)) at += tag;
  if (at >= rest.size()) return;  // markup alone stays where it is
  markup.append(rest, 0, at);
  std::string_view c = NextChar(rest, at);
  grid.Break[static_cast<size_t>(cell)] = c == "|";
  grid.Text2[static_cast<size_t>(cell)] = c == "|" ? " " : std::string(c);
  rest.erase(0, at);
}

// The cell's character as the text holds it.
std::string CellText(const CharGrid& grid, int c) {
  return grid.Break[static_cast<size_t>(c)] && grid.Text2[static_cast<size_t>(c)] == " "
             ? "|"
             : grid.Text2[static_cast<size_t>(c)];
}
}  // namespace

std::string OverflowNote(const CharGrid& grid) {
  const std::string rest = VisibleInsideLine(grid.Overflow, *grid.markup);
  if (rest.empty()) return {};
  return "\u2026 " + std::to_string(CharCount(rest)) + " more: " + ShowLiteralBars(rest);
}

namespace {
// Gap fill and blank collapse inside one row, then its last-cell rule. A
// blank that stands for a line break is a character here.
void TidyRow(CharGrid& grid, int first) {
  const int rowCells = grid.RowCells();
  for (int c = first; c < first + rowCells; ++c) {
    if (grid.Break[static_cast<size_t>(c)] && grid.Text2[static_cast<size_t>(c)] == " ")
      grid.Text2[static_cast<size_t>(c)] = "|";
    grid.Break[static_cast<size_t>(c)] = false;
  }
  auto& cell = grid.Text2;
  const int last = first + rowCells - 1;
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
  bool lineStart = false;  // after a line break folded into the row
  const StyleDialect& dialect = *grid.markup;
  for (int c = row * grid.RowCells(); c < (row + 1) * grid.RowCells(); ++c) {
    const std::string& markup = grid.CellMarkup[static_cast<size_t>(c)];
    s += lineStart ? markup : MidLineMarkup(markup, dialect);
    const std::string& text = grid.Text2[static_cast<size_t>(c)];
    s += text;
    if (!text.empty()) lineStart = text == "|";
  }
  return s + MidLineMarkup(grid.EndMarkup[static_cast<size_t>(row)], dialect);
}

namespace {
// Tidies both rows and composes the entry text from them: the first row
// keeps the entry's own markup even when it is empty; an empty second row
// is no screen line (unless text beyond the grid follows), and only its
// markup inside the line is kept; the text beyond the grid goes last.
std::string ComposeText(CharGrid& grid) {
  TidyRow(grid, 0);
  TidyRow(grid, grid.RowCells());
  const std::string row2 = grid.RowString(1);
  std::string text = grid.LineMarkup[0] + MarkedRow(grid, 0);
  if (!row2.empty() || !VisibleInsideLine(grid.Overflow, *grid.markup).empty()) text += "|" + grid.LineMarkup[1];
  text += MarkedRow(grid, 1);
  text += grid.Overflow;
  return text;
}
}  // namespace

std::string GridVisibleText(const CharGrid& grid) {
  CharGrid copy = grid;
  TidyRow(copy, 0);
  TidyRow(copy, copy.RowCells());
  std::string out = copy.RowString(0);
  const std::string rest = copy.RowString(1) + VisibleInsideLine(copy.Overflow, *copy.markup);
  if (!rest.empty()) out += "|" + rest;
  std::replace(out.begin(), out.end(), '|', '\n');
  return ShowLiteralBars(out);
}

void ClearGridText(Document& doc, CharGrid& grid) {
  if (grid.EntryId == 0) return;
  for (auto& cell : grid.Text2) cell.clear();
  for (auto& markup : grid.CellMarkup) markup.clear();
  grid.Break.assign(grid.Break.size(), false);
  grid.Overflow.clear();
  grid.EndMarkup = {};
  grid.Edited = true;
  doc.MarkTyped();
}

int PasteIntoGrid(Document& doc, CharGrid& grid, int index, std::string_view text, std::vector<std::string>* refused) {
  const int cells = grid.Cells(), rowCells = grid.RowCells();
  if (grid.EntryId == 0 || index < 0 || index >= cells) return -1;
  int at = index;
  std::string beyond;  // what the cells cannot take
  const auto holds = [&](std::string_view c) {
    if (FileCanHold(doc, c)) return true;
    if (refused && std::find(refused->begin(), refused->end(), c) == refused->end()) refused->emplace_back(c);
    return false;
  };
  bool typed = false;
  for (size_t i = 0; i < text.size();) {
    std::string_view c = NextChar(text, i);
    if (c == "\r" && i < text.size() && text[i] == '\n') continue;  // CR LF is one break
    const bool lineBreak = c == "\n" || c == "\r" || c == "\u0085" || c == "\u2028" || c == "\u2029";
    if (c == "\t") c = " ";
    if (!lineBreak && (IsControl(c) || !holds(c))) continue;
    if (at >= cells) {
      beyond += lineBreak ? std::string_view("|") : AsText(doc, c);
      continue;
    }
    if (lineBreak) {
      if (at < rowCells) {
        at = rowCells;
      } else if (at > rowCells) {
        // Folded into row 2, as the grid shows a third line: still a break.
        grid.Text2[static_cast<size_t>(at)] = " ";
        grid.Break[static_cast<size_t>(at)] = true;
        typed = true;
        ++at;
      }
      continue;
    }
    typed |= PutCharacter(doc, grid, at, c);
    ++at;
  }
  grid.Overflow.insert(0, beyond);
  if (!typed && beyond.empty()) return -1;
  grid.Edited = true;
  doc.MarkTyped();
  return std::min(at, cells - 1);
}

bool WriteBackWouldChange(const Document& doc, const CharGrid& grid) {
  const int target = doc.List1.IndexOfId(grid.EntryId, doc.CurrentIndex);
  EntryFields f;
  if (target < 0 || !SplitFullEntry(doc.List1.Item(target), f)) return false;
  CharGrid copy = grid;
  return ComposeText(copy) != f.text;
}

bool WriteBackGrid(Document& doc, CharGrid& grid) {
  doc.EntryText.clear();
  const std::string text = ComposeText(grid);
  if (grid.markup != grid.dialect) {
    PreviewWithoutMarkup(grid, text);
  } else {
    SetPreviewRows(grid, grid.RowString(0), grid.RowString(1));
  }
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

namespace {
// Removes the character of cell `i` and closes the gap: the cells after it
// move one to the left, the last cell takes the next character beyond the
// grid, and the markup before the removed character stands before the one
// that takes its cell.
void RemoveCell(CharGrid& grid, int i) {
  auto& cell = grid.Text2;
  auto& markup = grid.CellMarkup;
  auto& brk = grid.Break;
  auto at = [](int c) { return static_cast<size_t>(c); };
  const int last = grid.Cells() - 1;
  if (i < last) markup[at(i)] += markup[at(i + 1)];
  for (int j = i + 1; j <= last; ++j) {
    cell[at(j - 1)] = cell[at(j)];
    brk[at(j - 1)] = brk[at(j)];
    if (j > i + 1) markup[at(j - 1)] = markup[at(j)];
  }
  cell[at(last)].clear();
  brk[at(last)] = false;
  if (i < last) markup[at(last)].clear();
  PullOverflow(grid, last);
}

// The first and the last cell of the row of `i` holding a character; -1
// when the row is empty.
int RowEnd(const CharGrid& grid, int i, bool last) {
  const int rowCells = grid.RowCells();
  const int first = i < rowCells ? 0 : rowCells;
  int found = -1;
  for (int c = first; c < first + rowCells; ++c) {
    if (grid.Text2[static_cast<size_t>(c)].empty()) continue;
    found = c;
    if (!last) break;
  }
  return found;
}
}  // namespace

GridKeyOutcome Text2_KeyDown(Document& doc, CharGrid& grid, int i, int keyCode) {
  GridKeyOutcome out;
  const int rowCells = grid.RowCells(), last = grid.Cells() - 1;
  if (doc.NoDocument() || grid.EntryId == 0 || i < 0 || i > last) return out;
  if (keyCode == vk::None || keyCode == vk::Ctrl || keyCode == vk::Alt) return out;
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
      RemoveCell(grid, i - 1);
      out.focusCell = i - 1;
      break;
    case vk::Delete:
      RemoveCell(grid, i);
      out.focusCell = i;
      break;
    case vk::Insert: {
      // The character pushed out of the last cell goes back before the
      // text beyond the grid.
      auto& markup = grid.CellMarkup;
      auto& brk = grid.Break;
      grid.Overflow.insert(0, markup[static_cast<size_t>(last)] + CellText(grid, last));
      for (int j = last; j >= i + 1; --j) {
        at(j) = at(j - 1);
        markup[static_cast<size_t>(j)] = markup[static_cast<size_t>(j - 1)];
        brk[static_cast<size_t>(j)] = brk[static_cast<size_t>(j - 1)];
      }
      at(i) = " ";
      markup[static_cast<size_t>(i)].clear();
      brk[static_cast<size_t>(i)] = false;
      out.focusCell = i;
      break;
    }
    case vk::Home:
    case vk::End: {
      const int c = RowEnd(grid, i, keyCode == vk::End);
      out.focusCell = c >= 0 ? c : (i < rowCells ? 0 : rowCells);
      return out;
    }
    case vk::Right:
      // From the last cell to the second cell of row 1, as it always was.
      out.focusCell = i == last ? 1 : i + 1;
      return out;
    case vk::Down:
      if (i < rowCells) out.focusCell = i + rowCells;
      return out;
    case vk::Up:
      if (i >= rowCells) out.focusCell = i - rowCells;
      return out;
    case vk::Left:
      out.focusCell = i == 0 ? last : i - 1;
      return out;
    case vk::Shift:
      return out;
    default:
      // A key that types a character: it replaces the one in the cell.
      at(i).clear();
      grid.Break[static_cast<size_t>(i)] = false;
      if (i < last) {
        out.focusCell = i + 1;
        doc.MarkTyped();
      }
      break;
  }
  grid.Edited = true;
  return out;
}

}  // namespace lm
