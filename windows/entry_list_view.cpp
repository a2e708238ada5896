#include "entry_list_view.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "editor/char_grid.h"
#include "window_util.h"

namespace lm::ui {

EntryListModel::EntryListModel(EntryList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {
  list_.SetObserver(this);
}

EntryListModel::~EntryListModel() { list_.SetObserver(nullptr); }

int EntryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.Count();
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !list_.Valid(index.row())) return {};
  // A line can be tens of thousands of characters long; the list shows its
  // start, on one row (a lone LF inside an entry is shown as a symbol).
  const std::string& line = list_.Item(index.row());
  constexpr size_t kShown = 400;
  QString text = ToQt(line.size() > kShown ? line.substr(0, kShown) + "..." : line);
  for (QChar& c : text)
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QChar(0x21B5);
  return text;
}

void EntryListModel::EntriesAboutToBeInserted(int first, int count) {
  beginInsertRows({}, first, first + count - 1);
}
void EntryListModel::EntriesInserted(int, int) { endInsertRows(); }
void EntryListModel::EntriesAboutToBeRemoved(int first, int count) {
  beginRemoveRows({}, first, first + count - 1);
}
void EntryListModel::EntriesRemoved(int, int) { endRemoveRows(); }
void EntryListModel::EntryChanged(int i) {
  QModelIndex at = index(i);
  emit dataChanged(at, at, {Qt::DisplayRole});
}
void EntryListModel::EntriesAboutToBeReset() { beginResetModel(); }
void EntryListModel::EntriesReset() { endResetModel(); }
void EntryListModel::SelectionChanged(int) {
  if (selectionMoved) selectionMoved();
}

EntryListView::EntryListView(QWidget* parent) : QListView(parent) {
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideRight);
}

void EntryListView::focusInEvent(QFocusEvent* event) {
  QListView::focusInEvent(event);
  if (gotFocus) gotFocus();
}

void EntryListView::keyPressEvent(QKeyEvent* event) {
  if (keyDown) keyDown(VirtualKeyOf(event));
  QListView::keyPressEvent(event);
}

void EntryListView::mousePressEvent(QMouseEvent* event) {
  QListView::mousePressEvent(event);
  if (mouseDown) mouseDown();
}

int VirtualKeyOf(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace: return vk::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Enter;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control:
    case Qt::Key_Meta: return vk::Ctrl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return vk::Alt;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    default: break;
  }
  // A dead key only prepares the next character; it is no key of its own.
  if (event->key() >= Qt::Key_Dead_Grave && event->key() <= Qt::Key_Dead_Longsolidusoverlay)
    return vk::Alt;
  if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) return event->key();
  if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9) return event->key();
  return 255;  // any other key
}

}  // namespace lm::ui
