#pragma once
// The drive list, folder list and file list the Open and Save dialogs are
// built from. Setting a list's drive or path raises its `changed` signal only
// when the value really changes, and the handlers connected to it run at that
// moment, nested inside the call that caused the change.
#include <string>

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include "windows/window_util.h"

namespace lm::ui {

// The "drives" of this machine: the user's home folder first, then the
// mounted volumes. Re-read every time a drive list is built.
QStringList DriveRoots();
// The drive a path lies on: the deepest drive root that contains it.
QString DriveOf(const QString& path);

// The drive list: one entry per drive root.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);

  // The root of the chosen drive.
  QString drive() const;
  // Chooses the drive that `path` lies on.
  void SetDriveFromPath(const QString& path);

 signals:
  void changed();

 private:
  QStringList roots_;
};

// The folder list: the ancestors of the current folder from the file system
// root down to it, then its subfolders. A double click (or Enter) on a line
// enters that folder.
class FolderList : public QListWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  // Shows `folder`; false (nothing changes) when it is not an existing folder.
  bool SetPath(const QString& folder);
  // Shows the folder last shown on that drive (its root the first time).
  bool SetPathToDrive(const QString& driveRoot);

 signals:
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Rebuild();
  void Enter(QListWidgetItem* item);

  QString path_;
};

// The file list: the files of one folder whose names match the pattern.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  bool SetPath(const QString& folder);
  QString pattern() const { return pattern_; }
  void SetPattern(const QString& pattern);
  // The selected file's name, or "" when none is selected.
  QString selectedFileName() const;

 signals:
  // The user chose a file (click or arrow keys).
  void fileClicked(const QString& name);
  // Enter on the list: go ahead with the file chosen ("" for none).
  void fileActivated(const QString& name);
  void fileDoubleClicked(const QString& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Refresh();

  QString path_;
  QString pattern_ = QStringLiteral("*.*");
  bool refreshing_ = false;
};

}  // namespace lm::ui
