#pragma once
// The character grid: one-character cells in two rows as wide as a screen
// line of the document's profile (41 by default), the manual editor of the
// current entry's text, and its two preview rows.
//
// The cells hold the visible text only. Style markup is kept beside them
// and written back where it was: the markup that starts a screen line with
// its row, a tag inside a line with the character it stands before (it
// moves with that character), and markup after the last character at the
// end of its row.
//
// Nothing of an entry is lost by showing it: text beyond what the cells
// hold stays with the grid (Overflow) and is written back after it, and a
// further line break folded into row 2 as a blank stays a line break.
//
// With ShowMarkup the cells show the markup too, as characters: what is
// typed is the entry's text as it is written back, tags and all.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace lm {

struct CharGrid {
  explicit CharGrid(int rowCells = Profile().ScreenLineChars()) { SetRowCells(rowCells); }
  // Cells in a row, and in all; a new width empties the grid.
  int RowCells() const { return rowCells_; }
  int Cells() const { return 2 * rowCells_; }
  void SetRowCells(int rowCells);

  // Each cell holds one character, a blank " ", or nothing "".
  std::vector<std::string> Text2;
  std::string Label1, Label2;
  // Whether the preview shows the row in italics.
  bool Italic1 = false, Italic2 = false;
  // Markup starting each row, standing before each cell's character, and
  // ending each row.
  std::array<std::string, 2> LineMarkup, EndMarkup;
  std::vector<std::string> CellMarkup;
  // A blank that stands for a line break folded into row 2.
  std::vector<bool> Break;
  // The entry's text beyond the cells, markup included.
  std::string Overflow;
  // Whose style tags the cells keep beside them: those of the text, or
  // none while ShowMarkup.
  const StyleDialect* markup = &PlainText();
  // Whose style tags the text carries; the preview rows hide them.
  const StyleDialect* dialect = &PlainText();
  // The markup is shown in the cells as characters. A setting of the view:
  // Clear keeps it.
  bool ShowMarkup = false;
  // The entry the grid was filled from (0: none). The write-back goes to this
  // entry and to no other; with none, the cells take no typing.
  std::uint64_t EntryId = 0;
  // The cells were changed since they were filled: a write-back is due.
  bool Edited = false;

  // The cells of one row (0: the first RowCells cells, 1: the others)
  // joined.
  std::string RowString(int row) const;
  // The cell's character as the user sees it (a "|" that is text as "|").
  std::string Shown(int index) const;
  void Clear();

 private:
  int rowCells_ = 0;
};

// Lays a text into the cells and the preview rows.
void ShowEntryInGrid(CharGrid& grid, std::string_view text, std::uint64_t entryId, const StyleDialect& markup);
// Shows the text of the entry at `index`; an entry that cannot be shown
// (see ShowEntry) empties the grid.
void ShowEntryAt(const Document& doc, CharGrid& grid, int index);
void ApplyGridRequest(const Document& doc, CharGrid& grid, const GridRequest& request);
// Shows the markup in the cells as characters, or keeps it beside them
// again, and lays the entry the grid shows out anew. Edits waiting in the
// grid are to be written back first (Session::Run does).
void ShowMarkupInGrid(const Document& doc, CharGrid& grid, bool shown);

// Whether the document's file can hold the text (an 8-bit code page cannot
// hold every character); CharactersNotHeld (files/charset.h) names those
// it cannot, NotHeldReason says so.
bool FileCanHold(const Document& doc, std::string_view text);
// A character typed into cell `index` after the key handler has run; false,
// changing nothing, for one the file cannot hold (then named in `refused`,
// when given), for a control character, or while no entry is shown. A "|"
// is a line break, or a character where the document's format says so.
bool PutCharacter(const Document& doc, CharGrid& grid, int index, std::string_view character,
                  std::string* refused = nullptr);

// "… 25 more: you understand me now?" while text lies beyond the cells;
// empty otherwise.
std::string OverflowNote(const CharGrid& grid);
// The entry's visible text as the grid holds it, screen lines separated by
// a line break (what Ctrl+C copies).
std::string GridVisibleText(const CharGrid& grid);
// Empties the grid, the text beyond it included (Ctrl+X, after copying).
void ClearGridText(Document& doc, CharGrid& grid);
// Types `text` (UTF-8) from cell `index` on as typing would: a line break
// in row 1 goes on in row 2, one further on is folded into row 2 as the grid
// shows a third line (at the start of row 2 it would end an empty line, and
// goes); a character the file cannot hold is left out (and named in
// `refused`, when given, each once), so is any other control character than
// a tab (a blank), and what does not fit goes before the text beyond the
// grid. CR LF, a lone CR and the Unicode line and paragraph separators are
// line breaks. Returns the cell after the last one typed into, or -1 when
// nothing could be typed.
int PasteIntoGrid(Document& doc, CharGrid& grid, int index, std::string_view text,
                  std::vector<std::string>* refused = nullptr);
// Whether writing the grid back would change its entry.
bool WriteBackWouldChange(const Document& doc, const CharGrid& grid);

struct GridKeyOutcome {
  bool handled = false;    // false: the key only gets the cell's own text input
  int focusCell = -1;      // cell that gets the focus, -1 to leave it
  bool focusList = false;  // the write-back hands the focus to the entry list
};

// A key going down in cell `index`, before its character reaches that cell.
GridKeyOutcome Text2_KeyDown(Document& doc, CharGrid& grid, int index, int keyCode);

// Tidies both rows and writes the grid's text back into the entry it was
// filled from, with that entry's own frames; false when that entry is gone or
// does not supply its fields (nothing written).
bool WriteBackGrid(Document& doc, CharGrid& grid);

}  // namespace lm
