#include "windows/open_dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QPushButton>

#include "windows/folder_browser.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::ui {

Loadbox::Loadbox(const RememberedFolders& folders, OpenFile openFile, QWidget* mainWindow)
    : QWidget(mainWindow), folders_(folders), openFile_(std::move(openFile)) {
  setObjectName(QStringLiteral("Loadbox"));
  setWindowTitle(QStringLiteral("Load sub"));
  setWindowFlags(DialogFlags(true));
  setFont(SansSerifFont(8.25));
  setFixedSize(TwipsSize(5595, 5025));

  dir1_ = new FolderList(this);
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setGeometry(Twips(120, 480, 2415, 3915));
  drive1_ = new DriveList(this);
  drive1_->setObjectName(QStringLiteral("Drive1"));
  drive1_->setGeometry(Twips(120, 120, 2415, 315));
  file1_ = new FileList(this);
  file1_->setObjectName(QStringLiteral("File1"));
  file1_->setGeometry(Twips(2640, 120, 2895, 4185));
  loadbutton_ = new QPushButton(QStringLiteral("Open"), this);
  loadbutton_->setObjectName(QStringLiteral("Loadbutton"));
  loadbutton_->setGeometry(Twips(120, 4560, 2415, 375));
  loadbutton_->setAutoDefault(true);
  command2_ = new QPushButton(QStringLiteral("Cancel"), this);
  command2_->setObjectName(QStringLiteral("Command2"));
  command2_->setGeometry(Twips(2640, 4560, 2895, 375));
  command2_->setAutoDefault(true);

  setTabOrder(dir1_, drive1_);
  setTabOrder(drive1_, file1_);
  setTabOrder(file1_, loadbutton_);
  setTabOrder(loadbutton_, command2_);

  connect(dir1_, &FolderList::changed, this, [this] { Dir1_Change(); });
  connect(drive1_, &DriveList::changed, this, [this] { Drive1_Change(); });
  connect(loadbutton_, &QPushButton::clicked, this, [this] { Loadbutton_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
  // Enter in the file list, or a double click on a file, opens it.
  connect(file1_, &FileList::fileActivated, this, [this] { Loadbutton_Click(); });
  connect(file1_, &FileList::fileDoubleClicked, this, [this] { Loadbutton_Click(); });

  Form_Load();
  CentreOn(this, mainWindow);
  dir1_->setFocus();
}

void Loadbox::Form_Load() {
  std::string folder, lastFile;
  bool ok = folders_.ReadDirectory(folder, lastFile) && dir1_->SetPath(FromLocalPath(folder));
  if (ok) {
    drive1_->SetDriveFromPath(dir1_->path());
    file1_->SetPattern(SubtitlePatterns());
    return;
  }
  // No usable remembered folder: start quietly in the home folder.
  const QString home = QDir::homePath();
  drive1_->SetDriveFromPath(home);
  dir1_->SetPath(home);
  file1_->SetPattern(SubtitlePatterns());
}

void Loadbox::Dir1_Change() { file1_->SetPath(dir1_->path()); }

void Loadbox::Drive1_Change() {
  // A drive whose folder cannot be shown: back to the drive of the folder
  // that is shown.
  if (!dir1_->SetPathToDrive(drive1_->drive())) drive1_->SetDriveFromPath(dir1_->path());
}

void Loadbox::Loadbutton_Click() {
  const QString name = file1_->selectedFileName();
  if (name.isEmpty()) {
    ShowMessage(this, QStringLiteral("No file selected"));
    return;
  }
  if (openFile_) openFile_(LocalPath(dir1_->path()), LocalPath(file1_->path()), LocalPath(name));
}

void Loadbox::Command2_Click() { close(); }

void Loadbox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Command2_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace lm::ui
