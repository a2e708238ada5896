#include "windows/entry_list_view.h"

#include <QColor>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>

#include "model/navigation.h"
#include "windows/window_util.h"

namespace lm::ui {

DocumentSignals::DocumentSignals(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
  doc_.SetObserver(this);
}

DocumentSignals::~DocumentSignals() { doc_.SetObserver(nullptr); }

EntryListModel::EntryListModel(const EntryList& list, DocumentSignals& source, QObject* parent)
    : QAbstractListModel(parent), list_(list) {
  connect(&source, &DocumentSignals::entriesAboutToChange, this, &EntryListModel::AboutToChange);
  connect(&source, &DocumentSignals::entriesChanged, this, &EntryListModel::Changed);
  connect(&source, &DocumentSignals::commandEnded, this, &EntryListModel::FlushRewritten);
}

int EntryListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.Count(); }

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  if (!list_.Valid(index.row())) return {};
  const std::string& line = list_.Item(index.row());
  // A line of the file that could not be read, or one of the file's own
  // structure, is shown as it was, set apart.
  const bool unread = IsKeptLine(line);
  switch (role) {
    case Qt::DisplayRole:
      break;
    case Qt::ForegroundRole:
      return unread ? QVariant(QColor(0x80, 0x80, 0x80)) : QVariant();
    case Qt::FontRole:
      if (!unread) return {};
      {
        QFont italic;
        italic.setItalic(true);
        return italic;
      }
    case Qt::ToolTipRole:
      if (IsUnreadLine(line)) return QStringLiteral("This line could not be read as a subtitle and is kept as it was");
      if (IsFormatLine(line)) return QStringLiteral("Part of the file's own layout, kept as it is");
      return {};
    default:
      return {};
  }
  // A line can be tens of thousands of characters long; the list shows its
  // start, on one row (a lone LF inside an entry is shown as a symbol).
  constexpr qsizetype kShown = 400;
  QString text = ToQt(unread ? std::string(AsKept(line)) : line);
  if (text.size() > kShown) text = text.left(kShown) + QStringLiteral("...");
  for (QChar& c : text) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QChar(0x21B5);
    if (c == QChar(0xFDD0)) c = QLatin1Char('|');  // a "|" that is text (kLiteralBar)
    const int reference = static_cast<int>(c.unicode()) - static_cast<int>(kFirstReference);
    if (reference >= 0 && reference < kReferences) c = QChar(static_cast<char16_t>(kReferenced[reference]));
  }
  return text;
}

void EntryListModel::AboutToChange(const ListChange& c) {
  if (c.kind != ListChange::Set) FlushRewritten();  // rows are about to move
  switch (c.kind) {
    case ListChange::Insert:
      beginInsertRows({}, c.first, c.first + c.count - 1);
      break;
    case ListChange::Remove:
      beginRemoveRows({}, c.first, c.first + c.count - 1);
      break;
    case ListChange::Reset:
      beginResetModel();
      break;
    case ListChange::Set:
      break;
  }
}

void EntryListModel::Changed(const ListChange& c) {
  switch (c.kind) {
    case ListChange::Insert:
      endInsertRows();
      break;
    case ListChange::Remove:
      endRemoveRows();
      break;
    case ListChange::Reset:
      endResetModel();
      break;
    case ListChange::Set:
      dirtyFirst_ = dirtyFirst_ < 0 ? c.first : std::min(dirtyFirst_, c.first);
      dirtyLast_ = std::max(dirtyLast_, c.first + c.count - 1);
      break;
  }
}

void EntryListModel::FlushRewritten() {
  if (dirtyFirst_ < 0) return;
  const int first = dirtyFirst_, last = std::min(dirtyLast_, list_.Count() - 1);
  dirtyFirst_ = dirtyLast_ = -1;
  if (first <= last) emit dataChanged(index(first), index(last), {Qt::DisplayRole});
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
    case Qt::Key_Backspace:
      return vk::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Enter;
    case Qt::Key_Shift:
      return vk::Shift;
    case Qt::Key_Control:
    case Qt::Key_Meta:
      return vk::Ctrl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return vk::Alt;
    case Qt::Key_Left:
      return vk::Left;
    case Qt::Key_Up:
      return vk::Up;
    case Qt::Key_Right:
      return vk::Right;
    case Qt::Key_Down:
      return vk::Down;
    case Qt::Key_Insert:
      return vk::Insert;
    case Qt::Key_Delete:
      return vk::Delete;
    case Qt::Key_Home:
      return vk::Home;
    case Qt::Key_End:
      return vk::End;
    default:
      break;
  }
  // A dead key only prepares the next character; it is no key of its own.
  if (event->key() >= Qt::Key_Dead_Grave && event->key() <= Qt::Key_Dead_Longsolidusoverlay) return vk::Alt;
  if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) return event->key();
  if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9) return event->key();
  return vk::Other;
}

}  // namespace lm::ui
