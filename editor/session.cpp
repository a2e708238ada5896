#include "session.h"

namespace lm {

CommandResult Session::WriteBackPending() {
  if (!grid.Edited || doc.NoDocument()) return {};
  doc.Begin("Edit entry");
  WriteBackGrid(doc, grid);
  return doc.Commit();
}

CommandResult Session::Run(std::string_view name, const std::function<void()>& command,
                           bool writeBackFirst) {
  CommandResult first;
  if (writeBackFirst) first = WriteBackPending();
  doc.Begin(name);
  command();
  // Still inside the command, so the window redraws the grid with the rest.
  ApplyGridRequest(doc, grid, doc.PendingGridRequest());
  CommandResult result = doc.Commit();
  first.messages.insert(first.messages.end(), result.messages.begin(), result.messages.end());
  result.messages = std::move(first.messages);
  return result;
}

}  // namespace lm
