#include "windows/folder_browser.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMap>
#include <QStorageInfo>
#include <QStyle>

namespace lm::ui {

namespace {

QString Clean(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool Contains(const QString& root, const QString& path) {
  if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

// Every drive's current folder, as the system keeps one per drive: the last
// folder a folder list showed on it.
QMap<QString, QString>& CurrentFolders() {
  static QMap<QString, QString> folders;
  return folders;
}

}  // namespace

QStringList DriveRoots() {
  QStringList roots;
  const QString home = Clean(QDir::homePath());
  roots << home;
  QStringList volumes;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady()) continue;
    const QString root = Clean(v.rootPath());
    // Containers bind single files as mounts; only folders are drives.
    if (!QFileInfo(root).isDir() || roots.contains(root) || volumes.contains(root)) continue;
    volumes << root;
  }
  if (!volumes.contains(QStringLiteral("/"))) volumes << QStringLiteral("/");
  std::sort(volumes.begin(), volumes.end());
  roots << volumes;
  return roots;
}

QString DriveOf(const QString& path) {
  const QString clean = Clean(path);
  QString best = QStringLiteral("/");
  for (const QString& root : DriveRoots())
    if (Contains(root, clean) && root.size() > best.size()) best = root;
  return best;
}

// ------------------------------------------------------------------ drives

DriveList::DriveList(QWidget* parent) : QComboBox(parent), roots_(DriveRoots()) {
  const QString home = roots_.value(0);
  for (const QString& root : roots_)
    addItem(style()->standardIcon(root == home ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon), root, root);
  // Shows the drive of the current folder until told otherwise.
  setCurrentIndex(std::max(0, static_cast<int>(roots_.indexOf(DriveOf(QDir::currentPath())))));
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit changed(); });
}

QString DriveList::drive() const { return currentData().toString(); }

void DriveList::SetDriveFromPath(const QString& path) {
  const QString clean = Clean(path);
  int best = -1;
  for (int i = 0; i < roots_.size(); ++i)
    if (Contains(roots_[i], clean) && (best < 0 || roots_[i].size() > roots_[best].size())) best = i;
  if (best >= 0) setCurrentIndex(best);
}

// ----------------------------------------------------------------- folders

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::Enter);
}

bool FolderList::SetPath(const QString& folder) {
  if (folder.isEmpty()) return false;
  const QFileInfo info(folder);
  if (!info.isDir()) return false;
  const QString clean = Clean(folder);
  CurrentFolders()[DriveOf(clean)] = clean;
  if (clean == path_) return true;
  path_ = clean;
  Rebuild();
  emit changed();
  return true;
}

bool FolderList::SetPathToDrive(const QString& driveRoot) {
  const QString root = Clean(driveRoot);
  const QString current = CurrentFolders().value(root);
  if (!current.isEmpty() && QFileInfo(current).isDir() && SetPath(current)) return true;
  return SetPath(root);
}

void FolderList::Rebuild() {
  clear();
  QStringList chain;
  for (QDir d(path_);;) {
    chain.prepend(d.absolutePath());
    if (d.isRoot() || !d.cdUp()) break;
  }
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const QString indentUnit = QStringLiteral("  ");
  int level = 0;
  for (const QString& folder : chain) {
    const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
    auto* item = new QListWidgetItem(open, indentUnit.repeated(level) + name, this);
    item->setData(Qt::UserRole, folder);
    item->setToolTip(folder);
    ++level;
  }
  const QDir here(path_);
  const QStringList subs = here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& sub : subs) {
    auto* item = new QListWidgetItem(closed, indentUnit.repeated(level) + sub, this);
    item->setData(Qt::UserRole, here.absoluteFilePath(sub));
  }
  setCurrentRow(static_cast<int>(chain.size()) - 1);
}

void FolderList::Enter(QListWidgetItem* item) {
  if (!item) return;
  const QString target = item->data(Qt::UserRole).toString();
  // A folder that vanished since it was listed: show what is there now.
  if (!SetPath(target)) Rebuild();
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Enter(currentItem());
    return;
  }
  QListWidget::keyPressEvent(event);
}

// ------------------------------------------------------------------- files

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
    if (!refreshing_ && it) emit fileClicked(it->text());
  });
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
    if (!refreshing_ && it) emit fileDoubleClicked(it->text());
  });
}

void FileList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // Enter goes ahead with the file chosen; with none, the dialog says so.
    emit fileActivated(selectedFileName());
    return;
  }
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  // Moving through the list with the keys chooses files as clicks do.
  const int now = currentRow();
  if (now != before && now >= 0) emit fileClicked(item(now)->text());
}

bool FileList::SetPath(const QString& folder) {
  if (!QFileInfo(folder).isDir()) return false;
  path_ = Clean(folder);
  Refresh();
  return true;
}

void FileList::SetPattern(const QString& pattern) {
  pattern_ = pattern;
  Refresh();
}

QString FileList::selectedFileName() const {
  const QList<QListWidgetItem*> items = selectedItems();
  return items.isEmpty() ? QString() : items.front()->text();
}

void FileList::Refresh() {
  refreshing_ = true;
  clear();
  if (!path_.isEmpty()) {
    QDir dir(path_);
    // "*.*" means every file, dotted or not; several patterns stand
    // separated by blanks.
    if (pattern_ != QLatin1String("*.*")) dir.setNameFilters(pattern_.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    const QStringList names = dir.entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    addItems(names);
  }
  setCurrentRow(-1);
  refreshing_ = false;
}

}  // namespace lm::ui
