#pragma once
// The open document and its character grid, changed one command at a time.
// The window runs every user command through here.
#include <cstdint>
#include <functional>
#include <string>

#include "commands/command_table.h"
#include "editor/char_grid.h"
#include "files/file_io.h"
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

  // The document is to be saved in `encoding` from now on. That is a change
  // of the document no undo takes back (Document::SetFileEncoding alone
  // marks nothing): Changed() holds it until the document is saved or
  // another one is loaded.
  void SaveInEncoding(Encoding encoding);
  // 1 while the document differs from its file: Document::Changed, or an
  // encoding chosen for saving since it was read or last saved.
  int Changed() const;
  // After a successful save: the file is as the document now.
  void MarkSaved();

 private:
  bool recoded_ = false;
  std::uint64_t recodedGeneration_ = 0;  // of the document recoded
};

// The document's file bytes (see EncodeDocument) to `path`, written only
// while the file there is as `expected` says (see WriteFileSafely): a change
// another program makes while the document is encoded and written is
// refused, not lost. The bytes are made in `room`, whose room is kept.
WriteResult WriteDocumentOver(const Document& doc, const std::string& path, const Format* format,
                              const FileStamp& expected, std::string room = {});

}  // namespace lm
