#pragma once
// Moving through the entry list and shifting frame numbers.
#include "document.h"

namespace lm {

// Makes the entry at `row` current and shows it: every move of the list's
// selection by the user goes through here, so the selection, CurrentIndex
// and the grid always name the same entry.
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
// below zero is refused with "To low value"; fields that are not numbers are
// left alone. Returns true when the entry was rewritten.
bool AdjustFrames(Document& doc, int startDelta, int stopDelta);

}  // namespace lm
