#include "windows/save_dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "formats/subtitle_file.h"
#include "windows/folder_browser.h"
#include "windows/save_flow.h"
#include "windows/window_util.h"

namespace lm::ui {

SaveDialog::SaveDialog(const Document& doc, const RememberedFolders& folders, SaveFlow& flow,
                       std::function<void()> onSaved, QWidget* mainWindow)
    : QWidget(mainWindow), doc_(doc), folders_(folders), flow_(flow), onSaved_(std::move(onSaved)) {
  setObjectName(QStringLiteral("SaveDialog"));
  setWindowTitle(QStringLiteral("Save"));
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setWindowFlags(DialogFlags(true));
  setWindowModality(Qt::ApplicationModal);
  setFont(SansSerifFont(8.25));
  setFixedSize(TwipsSize(5430, 3480));

  file1_ = new FileList(this);
  file1_->setObjectName(QStringLiteral("File1"));
  file1_->setGeometry(Twips(2760, 120, 2535, 2430));
  dir1_ = new FolderList(this);
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setGeometry(Twips(120, 600, 2535, 1890));
  drive1_ = new DriveList(this);
  drive1_->setObjectName(QStringLiteral("Drive1"));
  drive1_->setGeometry(Twips(120, 120, 2535, 315));
  command1_ = new QPushButton(QStringLiteral("Save"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(Twips(120, 3000, 2535, 375));
  command1_->setAutoDefault(true);
  command2_ = new QPushButton(QStringLiteral("Cancel"), this);
  command2_->setObjectName(QStringLiteral("Command2"));
  command2_->setGeometry(Twips(2760, 3000, 2535, 375));
  command2_->setAutoDefault(true);
  text1_ = new QLineEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setGeometry(Twips(120, 2640, 5175, 285));

  setTabOrder(file1_, dir1_);
  setTabOrder(dir1_, drive1_);
  setTabOrder(drive1_, command1_);
  setTabOrder(command1_, command2_);
  setTabOrder(command2_, text1_);

  connect(dir1_, &FolderList::changed, this, [this] { Dir1_Change(); });
  connect(drive1_, &DriveList::changed, this, [this] { Drive1_Change(); });
  connect(file1_, &FileList::fileClicked, this, [this](const QString& name) { File1_Click(name); });
  // A double click picks a file; Enter in the file list or the name box saves.
  connect(file1_, &FileList::fileDoubleClicked, this, [this](const QString& name) { File1_Click(name); });
  connect(file1_, &FileList::fileActivated, this, [this](const QString& name) {
    if (!name.isEmpty()) File1_Click(name);
    Command1_Click();
  });
  connect(text1_, &QLineEdit::returnPressed, this, [this] { Command1_Click(); });
  connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });

  Form_Load();
  CentreOn(this, mainWindow);
  file1_->setFocus();
}

void SaveDialog::Form_Load() {
  std::string folder, lastFile;
  if (folders_.ReadDirectory(folder, lastFile) && dir1_->SetPath(FromLocalPath(folder))) {
    file1_->SetPattern(SubtitlePatterns());
    text1_->setText(FromLocalPath(doc_.FilePath()));
    return;
  }
  // No usable remembered folder: the home folder, quietly. The name box then
  // holds what the folder change put there.
  dir1_->SetPath(QDir::homePath());
}

void SaveDialog::RecomposeNameBox() {
  // One separator between folder and name, also at a root folder.
  text1_->setText(FromLocalPath(ComposeFilePath(LocalPath(file1_->path()), doc_.FileName())));
}

void SaveDialog::Dir1_Change() {
  file1_->SetPath(dir1_->path());
  RecomposeNameBox();
}

void SaveDialog::Drive1_Change() {
  if (!dir1_->SetPathToDrive(drive1_->drive())) {
    drive1_->SetDriveFromPath(dir1_->path());
    return;
  }
  RecomposeNameBox();
}

void SaveDialog::File1_Click(const QString& name) {
  text1_->setText(FromLocalPath(ComposeFilePath(LocalPath(file1_->path()), LocalPath(name))));
}

void SaveDialog::Command1_Click() {
  if (flow_.SaveAs(text1_->text(), dir1_->path(), onSaved_)) close();
}

void SaveDialog::Command2_Click() { close(); }

void SaveDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Command2_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace lm::ui
