#pragma once
// `SaveDialog`, the Save dialog ("Save") behind File > Save As: a drive list,
// a folder list, a file list of "*.sub" files and a name box holding the full
// path that "Save" writes. Browsing moves the document's current path along.
#include <QPointer>
#include <QWidget>

#include "document/document.h"
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
  // `flow` runs Save As; `mainWindow` is only what the dialog is centred on.
  SaveDialog(Document& doc, const RememberedFolders& folders, SaveFlow& flow, QWidget* mainWindow);

  FileList* file1() const { return file1_; }
  FolderList* dir1() const { return dir1_; }
  DriveList* drive1() const { return drive1_; }
  QLineEdit* text1() const { return text1_; }

 private:
  void Form_Load();
  void Dir1_Change();
  void Drive1_Change();
  void File1_Click(const QString& name);
  void Command1_Click();
  void Command2_Click();
  // The name box becomes the file list's folder and the document's file
  // name; the current path follows it.
  void RecomposeNameBox();

  Document& doc_;
  const RememberedFolders& folders_;
  SaveFlow& flow_;
  QPointer<QWidget> mainWindow_;
  FileList* file1_ = nullptr;
  FolderList* dir1_ = nullptr;
  DriveList* drive1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QLineEdit* text1_ = nullptr;
};

}  // namespace lm::ui
