#pragma once
// Moving through the entry list and shifting frame numbers. Each runs inside
// a command (see Document::Begin).
#include <cstdint>

#include "model/document.h"

namespace lm {

// Decomposes the entry at `index` (CurrentIndex stays) and asks for it in the
// grid. An entry that cannot be decomposed, or that does not supply its own
// frame fields, is shown as nothing: grid and textline cleared, so that no
// write-back can reach it with another entry's fields.
void ShowEntry(Document& doc, int index);

// Makes the entry at `row` current, selected and shown: every move of the
// list's selection by the user goes through here, so the selection,
// CurrentIndex and the grid always name the same entry.
void SelectEntry(Document& doc, int row);

// The entry list got the input focus.
void List1_GotFocus(Document& doc);
// A key went down in the list, before the list moves its selection. Returns
// true when the focus is to go to grid cell 0.
bool List1_KeyDown(Document& doc, int keyCode);
// A mouse button went down in the list (after the press selected the entry
// under it). Returns true when the focus is to go to grid cell 0.
bool List1_MouseDown(Document& doc);

// Adds the deltas to the selected entry's start and stop frames. A result
// below zero is refused with "To low value"; fields that are not whole
// numbers, and results outside the 64-bit range, are refused silently.
// Returns true when the entry was rewritten.
bool AdjustFrames(Document& doc, int64_t startDelta, int64_t stopDelta);

// Virtual-key codes the grid and the list react to.
namespace vk {
// None: a key that produces no character and edits nothing (Esc, Caps
// Lock, a function key, a Ctrl combination); Other: a key that types one.
inline constexpr int None = 0, Backspace = 8, Enter = 13, Shift = 16, Ctrl = 17, Alt = 18, End = 35, Home = 36,
                     Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46, Other = 255;
// The keys the grid acts on that type no character.
inline bool IsEditingKey(int key) {
  return key == Backspace || key == Enter || key == Shift || key == Ctrl || key == Alt || (key >= End && key <= Down) ||
         key == Insert || key == Delete;
}
}  // namespace vk

}  // namespace lm
