#pragma once
// `Loadbox`, the Open dialog ("Load sub"): a drive list, a folder list and a
// file list of "*.sub" files. It starts in the folder remembered in
// "directory.txt"; "Open" loads the selected file.
#include <QPointer>
#include <QWidget>
#include <functional>

#include "document/document.h"
#include "windows/remembered_folders.h"

class QPushButton;

namespace lm::ui {

class DriveList;
class FileList;
class FolderList;

class Loadbox : public QWidget {
  Q_OBJECT
 public:
  // `onLoaded` runs after a successful load, before the dialog closes.
  // `mainWindow` is only what the dialog is centred on.
  Loadbox(Document& doc, const RememberedFolders& folders, std::function<void()> onLoaded,
          QWidget* mainWindow);

  FolderList* dir1() const { return dir1_; }
  DriveList* drive1() const { return drive1_; }
  FileList* file1() const { return file1_; }

 private:
  void Form_Load();
  void Dir1_Change();
  void Drive1_Change();
  void Loadbutton_Click();
  void Command2_Click();

  Document& doc_;
  const RememberedFolders& folders_;
  std::function<void()> onLoaded_;
  QPointer<QWidget> mainWindow_;
  FolderList* dir1_ = nullptr;
  DriveList* drive1_ = nullptr;
  FileList* file1_ = nullptr;
  QPushButton* loadbutton_ = nullptr;
  QPushButton* command2_ = nullptr;
};

}  // namespace lm::ui
