#pragma once
// Saving the document: Save to the current path, Save As from the Save
// dialog, the overwrite of a write-protected file after the user agrees, and
// the two prompts, "Save ?" (`SaveForm`) and "Write protected file !"
// (`Skrivskydd`). Both prompts exist at most once and are modal, so that no
// other document can take the place of the one they ask about; closing one
// with its close box or Esc is its "Cancel".
#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "commands/session.h"
#include "files/file_io.h"
#include "model/document.h"
#include "windows/remembered_folders.h"

namespace lm::ui {

// "Do You want to save Your changes?" with "Yes", "No" and "Cancel".
class SaveForm : public QWidget {
  Q_OBJECT
 public:
  SaveForm(QWidget* owner, std::function<void()> yes, std::function<void()> no);

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Esc is Cancel

 private:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();

  std::function<void()> yes_, no_;
};

// "The file is write protected. Do You want to overwrite it?" with "Yes" and
// "Cancel".
class Skrivskydd : public QWidget {
  Q_OBJECT
 public:
  Skrivskydd(QWidget* owner, std::function<void()> yes);

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Esc is Cancel

 private:
  void Command1_Click();
  void Command2_Click();

  std::function<void()> yes_;
};

class SaveFlow : public QObject {
  Q_OBJECT
 public:
  // `showSaveDialog` shows the Save dialog and runs its argument once the
  // document was saved from it. The prompts belong to `mainWindow`.
  SaveFlow(Session& session, const RememberedFolders& folders, QWidget* mainWindow,
           std::function<void(std::function<void()>)> showSaveDialog, QObject* parent = nullptr);
  ~SaveFlow() override;

  // File > Save: writes the document to its current path.
  void Save();
  // The Save dialog's "Save": writes the document to the path in the name
  // box, which becomes the current path (and the saved state) once the
  // document is there, after asking before replacing another existing file;
  // `dirListPath` is remembered in "savedir.txt". `onSaved` runs once the
  // document is written (now, or after the overwrite prompt). Returns whether
  // the Save dialog is to close.
  bool SaveAs(const QString& nameBoxText, const QString& dirListPath, std::function<void()> onSaved);
  // "Save ?": "Yes" shows the Save dialog and runs `afterSave` once the
  // document is saved there; "No" runs `afterNo`; "Cancel" does nothing.
  void AskToSave(std::function<void()> afterSave, std::function<void()> afterNo);
  // Closes both prompts without an answer.
  void CloseWindows();

  SaveForm* saveChangesPrompt() const { return saveForm_; }
  Skrivskydd* writeProtectedPrompt() const { return skrivskydd_; }

 private:
  // A failed write: the write-protected prompt for a read-only file, else
  // the message that says why (nothing for a write the user declined).
  // `onSaved` runs after a successful overwrite.
  void WriteFailed(const std::string& path, const WriteResult& result, const FileStamp& seen, bool newPath,
                   std::function<void()> onSaved);
  // A write succeeded: the state is the saved one, the file is as `written`,
  // and `path` becomes the document's when `newPath`.
  void Saved(const std::string& path, const FileStamp& written, bool newPath, const Format* format = nullptr);
  // Whether `path` is the document's own file (by name, or the same file).
  bool IsOwnFile(const std::string& path) const;
  // Whether the document may be written over what is at `path` now (its
  // stamp is left in `seen`): asks before overwriting the document's own
  // file when someone else has changed it since it was read or written, and
  // before replacing another existing file; true to go on.
  bool MayWriteOver(const std::string& path, FileStamp& seen);
  // Writes the document to `path` while the file there is as `seen`; when
  // another program changes it meanwhile, MayWriteOver asks again. Changed
  // when the user then says no: nothing was written.
  WriteResult WriteGuarded(const std::string& path, const Format* format, FileStamp seen);
  // The write-protected prompt's "Yes": clears the read-only attribute,
  // writes, and sets the attribute again.
  void Overwrite();

  Session& session_;
  Document& doc_;
  const RememberedFolders& folders_;
  QPointer<QWidget> mainWindow_;
  std::function<void(std::function<void()>)> showSaveDialog_;
  QPointer<SaveForm> saveForm_;
  QPointer<Skrivskydd> skrivskydd_;
  // What the write-protected prompt asked about.
  struct Overwriting {
    std::string path;
    bool newPath = false;  // from Save As: the path becomes the document's
    std::function<void()> onSaved;
    const Format* format = nullptr;  // written as
    FileStamp seen;                  // the file as it was when asked about
  } overwriting_;
};

// The messages a failed save shows.
QString CannotWriteMessage(const std::string& path, const WriteResult& result);

}  // namespace lm::ui
