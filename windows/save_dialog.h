#pragma once
// `SaveDialog`, the Save dialog ("Save") behind File > Save As: a drive list,
// a folder list, a file list of the subtitle files (every format's extensions) and a name box holding the full
// path that "Save" writes. Browsing only composes the name box; the
// document's path changes once it has been saved there.
#include <functional>

#include <QPointer>
#include <QWidget>

#include "model/document.h"
#include "windows/remembered_folders.h"

class QLineEdit;
class QPushButton;

namespace lm::ui {

class DriveList;
class FileList;
class FolderList;
class SaveFlow;

class SaveDialog : public QWidget {
  Q_OBJECT
 public:
  // `flow` runs Save As; `onSaved` runs once the document is saved from here.
  // The dialog belongs to `mainWindow` and is modal while it is open.
  SaveDialog(const Document& doc, const RememberedFolders& folders, SaveFlow& flow, std::function<void()> onSaved,
             QWidget* mainWindow);

  FileList* file1() const { return file1_; }
  FolderList* dir1() const { return dir1_; }
  DriveList* drive1() const { return drive1_; }
  QLineEdit* text1() const { return text1_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Esc is Cancel

 private:
  void Form_Load();
  void Dir1_Change();
  void Drive1_Change();
  void File1_Click(const QString& name);
  void Command1_Click();
  void Command2_Click();
  // The name box becomes the file list's folder and the document's file name.
  void RecomposeNameBox();

  const Document& doc_;
  const RememberedFolders& folders_;
  SaveFlow& flow_;
  std::function<void()> onSaved_;
  FileList* file1_ = nullptr;
  FolderList* dir1_ = nullptr;
  DriveList* drive1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QLineEdit* text1_ = nullptr;
};

}  // namespace lm::ui
