#pragma once
// The open document and its character grid, changed one command at a time.
// The window runs every user command through here.
#include <functional>

#include "commands/command_table.h"
#include "editor/char_grid.h"
#include "model/document.h"

namespace lm {

class Session {
 public:
  Document doc;
  CharGrid grid;

  // Runs `command` as one command of the document, named after its row,
  // and shows the entry it asks for in the grid. Edits waiting in the grid
  // are first written back as Enter writes them, as a step of their own, so
  // that no command can replace or save around what the user typed; the
  // grid's own key handling passes writeBackFirst = false. The messages of
  // both come back, in order.
  CommandResult Run(CommandId id, const std::function<void()>& command, bool writeBackFirst = true);
  // The row's own routine, run so.
  CommandResult Run(const CommandRow& row);
  // Writes back edits waiting in the grid, if there are any.
  CommandResult WriteBackPending();
};

}  // namespace lm
