#pragma once
// The open document and its character grid, changed one command at a time.
// Both front ends' window code runs every user command through here.
#include <functional>
#include <string_view>

#include "document/document.h"
#include "editor/char_grid.h"

namespace lm {

class Session {
 public:
  Document doc;
  CharGrid grid;

  // Runs `command` as one command of the document and shows the entry it
  // asks for in the grid. Edits waiting in the grid are first written back
  // as Enter writes them, as a step of their own, so that no command can
  // replace or save around what the user typed; the grid's own key handling
  // passes writeBackFirst = false. The messages of both come back, in order.
  CommandResult Run(std::string_view name, const std::function<void()>& command,
                    bool writeBackFirst = true);
  // Writes back edits waiting in the grid, if there are any.
  CommandResult WriteBackPending();
};

}  // namespace lm
