#include "commands/session.h"

namespace lm {

CommandResult Session::WriteBackPending() {
  if (!grid.Edited || doc.NoDocument()) return {};
  doc.Begin(UndoName(CommandId::EditEntry));
  WriteBackGrid(doc, grid);
  return doc.Commit();
}

CommandResult Session::Run(CommandId id, const std::function<void()>& command, bool writeBackFirst) {
  CommandResult first;
  if (writeBackFirst) first = WriteBackPending();
  doc.Begin(UndoName(id));
  command();
  // Still inside the command, so the window redraws the grid with the rest.
  ApplyGridRequest(doc, grid, doc.PendingGridRequest());
  CommandResult result = doc.Commit();
  first.messages.insert(first.messages.end(), result.messages.begin(), result.messages.end());
  result.messages = std::move(first.messages);
  return result;
}

CommandResult Session::Run(const CommandRow& row) {
  return Run(row.id, [&] {
    if (row.routine) row.routine(doc);
  });
}

}  // namespace lm
