#pragma once
// The character grid: 82 one-character cells in two rows of 41, the manual
// editor of the current entry's text, and its two preview rows.
#include <string>

#include "document/document.h"

namespace lm {

// Virtual-key codes the grid and the list react to.
namespace vk {
inline constexpr int Backspace = 8, Enter = 13, Shift = 16, Ctrl = 17, Alt = 18, Left = 37,
                     Up = 38, Right = 39, Down = 40, Insert = 45, Other = 0;
}

// Lays EntryText into the cells and the preview rows.
void ShowEntryInGrid(Document& doc);

// Decomposes the entry at `index` and shows it, leaving CurrentIndex alone.
// An entry that cannot be decomposed cannot be edited there: the grid is
// emptied so that no write-back can reach another entry.
void ShowEntryAt(Document& doc, int index);

// The cells of one row (0: cells 0..40, 1: cells 41..81) joined.
std::string RowString(const Document& doc, int row);

struct GridKeyOutcome {
  bool handled = false;   // false: the key only gets the cell's own text input
  int focusCell = -1;     // cell that gets the focus, -1 to leave it
  bool focusList = false; // the write-back hands the focus to the entry list
};

// A key going down in cell `index`, before its character reaches that cell.
GridKeyOutcome Text2_KeyDown(Document& doc, int index, int keyCode);

// Tidies both rows, writes the grid's text back into the entry it was filled
// from and returns false when that entry no longer exists (nothing written).
bool WriteBackGrid(Document& doc);

}  // namespace lm
