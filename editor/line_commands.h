#pragma once
// "Split Line", "Add Line" and "Delete Line": structure changes around the
// selected entry. Each reads and writes at the selection, and afterwards the
// selected entry is made current and shown, so the grid never shows an entry
// other than the one a later write-back replaces. Each runs inside a command.
#include "model/document.h"

namespace lm {

// Divides the selected entry's frame span in two; both halves keep the text.
bool Command14_Click(Document& doc);
// Inserts a copy of the selected entry before it.
bool Command15_Click(Document& doc);
// Removes the selected entry and selects the one after the next.
bool Command1_Click(Document& doc);

}  // namespace lm
