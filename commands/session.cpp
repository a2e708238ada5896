#include "commands/session.h"

#include <cerrno>

#include "formats/subtitle_file.h"

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

void Session::SaveInEncoding(Encoding encoding) {
  if (doc.NoDocument() || doc.FileEncoding() == encoding) return;
  doc.SetFileEncoding(encoding);
  recoded_ = true;
  recodedGeneration_ = doc.Generation();
}

int Session::Changed() const {
  return doc.Changed() || (recoded_ && recodedGeneration_ == doc.Generation()) ? 1 : 0;
}

void Session::MarkSaved() { recoded_ = false; }

WriteResult WriteDocumentOver(const Document& doc, const std::string& path, const Format* format,
                              const FileStamp& expected, std::string room) {
  std::string bytes = std::move(room);
  std::string why, note;
  if (!EncodeDocument(doc, format, bytes, &why, &note)) return {WriteStatus::Failed, EILSEQ, why};
  WriteResult result = WriteFileSafely(path, bytes, &expected);
  if (result.ok()) result.note = std::move(note);
  return result;
}

}  // namespace lm
