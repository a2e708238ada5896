#pragma once
// `Loadbox`, the Open dialog ("Load sub"): a drive list, a folder list and a
// file list of the subtitle files (every format's extensions). It starts in the folder remembered in
// "directory.txt"; "Open" asks the main window to open the selected file.
#include <functional>

#include <QWidget>

#include "windows/remembered_folders.h"

class QPushButton;

namespace lm::ui {

class DriveList;
class FileList;
class FolderList;

class Loadbox : public QWidget {
  Q_OBJECT
 public:
  // Opens the file `fileName` of the file list's folder, remembering the
  // folder list's path; the main window closes the dialog once it is open.
  using OpenFile = std::function<void(const std::string& dirListPath, const std::string& fileListFolder,
                                      const std::string& fileName)>;
  // The dialog is modeless and belongs to `mainWindow`.
  Loadbox(const RememberedFolders& folders, OpenFile openFile, QWidget* mainWindow);

  FolderList* dir1() const { return dir1_; }
  DriveList* drive1() const { return drive1_; }
  FileList* file1() const { return file1_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Esc is Cancel

 private:
  void Form_Load();
  void Dir1_Change();
  void Drive1_Change();
  void Loadbutton_Click();
  void Command2_Click();

  const RememberedFolders& folders_;
  OpenFile openFile_;
  FolderList* dir1_ = nullptr;
  DriveList* drive1_ = nullptr;
  FileList* file1_ = nullptr;
  QPushButton* loadbutton_ = nullptr;
  QPushButton* command2_ = nullptr;
};

}  // namespace lm::ui
