#pragma once
// Saving the document: Save to the current path, Save As from the Save
// dialog, the overwrite of a write-protected file after the user agrees, and
// the two prompts, "Save ?" (`SaveForm`) and "Write protected file !"
// (`Skrivskydd`). Both prompts are modeless, exist at most once, and closing
// one with its close box is its "Cancel".
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "document/document.h"
#include "windows/remembered_folders.h"

class QLabel;
class QPushButton;

namespace lm::ui {

// "Do You want to save Your changes?" with "Yes", "No" and "Cancel".
class SaveForm : public QWidget {
  Q_OBJECT
 public:
  SaveForm(std::function<void()> yes, std::function<void()> no);

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
  explicit Skrivskydd(std::function<void()> yes);

 private:
  void Command1_Click();
  void Command2_Click();

  std::function<void()> yes_;
};

class SaveFlow : public QObject {
  Q_OBJECT
 public:
  // `showSaveDialog` shows the Save dialog ("Yes" in the save-changes
  // prompt); `endProgram` ends the program ("No" there). `mainWindow` is
  // only what the prompts are centred on.
  SaveFlow(Document& doc, const RememberedFolders& folders, QWidget* mainWindow,
           std::function<void()> showSaveDialog, std::function<void()> endProgram,
           QObject* parent = nullptr);
  ~SaveFlow() override;

  // File > Save: writes the document to its current path.
  void Save();
  // The Save dialog's "Save": the name box becomes the current path and the
  // document is written there; `dirListPath` is remembered in "savedir.txt".
  // Returns whether the Save dialog is to close.
  bool SaveAs(const QString& nameBoxText, const QString& dirListPath);
  // Exit or closing the main window with unsaved changes.
  void ShowSaveChangesPrompt();

  SaveForm* saveChangesPrompt() const { return saveForm_; }
  Skrivskydd* writeProtectedPrompt() const { return skrivskydd_; }

 private:
  void ShowWriteProtectedPrompt(const std::string& path);
  // The write-protected prompt's "Yes": clears the read-only attribute,
  // writes, and sets the attribute again.
  void Overwrite(Skrivskydd* prompt);

  Document& doc_;
  const RememberedFolders& folders_;
  QPointer<QWidget> mainWindow_;
  std::function<void()> showSaveDialog_;
  std::function<void()> endProgram_;
  QPointer<SaveForm> saveForm_;
  QPointer<Skrivskydd> skrivskydd_;
  // The file the write-protected prompt asked about.
  std::string protectedPath_;
};

}  // namespace lm::ui
