#include "windows/entry_list_view.h"

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "model/entry.h"
#include "model/navigation.h"
#include "rules/profile_rules.h"
#include "windows/window_util.h"

namespace lm::ui {

DocumentSignals::DocumentSignals(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
  doc_.SetObserver(this);
}

DocumentSignals::~DocumentSignals() { doc_.SetObserver(nullptr); }

EntryListModel::EntryListModel(const Document& doc, DocumentSignals& source, QObject* parent)
    : QAbstractTableModel(parent), doc_(doc), list_(doc.List1) {
  connect(&source, &DocumentSignals::entriesAboutToChange, this, &EntryListModel::AboutToChange);
  connect(&source, &DocumentSignals::entriesChanged, this, &EntryListModel::Changed);
  connect(&source, &DocumentSignals::commandEnded, this, &EntryListModel::FlushRewritten);
}

int EntryListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.Count(); }
int EntryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"#", "Start", "End", "Duration", "CPS", "Text"};
  return section >= 0 && section < Columns ? QString::fromLatin1(kTitles[section]) : QVariant();
}

namespace {
// "0:01:02.500", "-0:00:01.000"
QString ClockText(int64_t ms) {
  const bool negative = ms < 0;
  const int64_t a = negative ? -ms : ms;
  return QStringLiteral("%1%2:%3:%4.%5")
      .arg(negative ? QStringLiteral("-") : QString())
      .arg(a / 3600000)
      .arg(a / 60000 % 60, 2, 10, QLatin1Char('0'))
      .arg(a / 1000 % 60, 2, 10, QLatin1Char('0'))
      .arg(a % 1000, 3, 10, QLatin1Char('0'));
}
}  // namespace

void EntryListModel::SetProblems(std::vector<QString> problems) {
  if (problems == problems_) return;
  problems_ = std::move(problems);
  if (list_.Count() > 0) emit dataChanged(index(0, 0), index(list_.Count() - 1, Columns - 1));
}

QString EntryListModel::ProblemsOf(int row) const {
  return row >= 0 && static_cast<size_t>(row) < problems_.size() ? problems_[static_cast<size_t>(row)] : QString();
}

QString EntryListModel::TimeColumn(int row, Column column) const {
  if (column == Number) return QString::number(row + 1);
  const std::string& line = list_.Item(row);
  EntryFields f;
  if (!list_.Shape(row).full || !SplitFullEntry(line, f)) return {};
  const TimeNotation notation = doc_.Notation();
  const std::optional<int64_t> start = notation.Parse(f.start), stop = notation.Parse(f.stop);
  if (column == Start) return start ? ClockText(notation.ToMilliseconds(*start)) : QString();
  if (column == End) return stop ? ClockText(notation.ToMilliseconds(*stop)) : QString();
  if (!start || !stop) return {};
  if (column == Speed) {
    const std::optional<EntryTiming> timing = TimingOf(doc_, row);
    return timing && timing->charactersPerSecond ? QString::number(*timing->charactersPerSecond, 'f', 1) : QString();
  }
  const int64_t ms = notation.ToMilliseconds(*stop) - notation.ToMilliseconds(*start);
  return QString::number(static_cast<double>(ms) / 1000.0, 'f', 3);
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  if (!list_.Valid(index.row())) return {};
  const std::string& line = list_.Item(index.row());
  const QString problems = ProblemsOf(index.row());
  if (!problems.isEmpty() && role == Qt::ForegroundRole) return QColor(0xB0, 0x20, 0x20);
  if (!problems.isEmpty() && role == Qt::ToolTipRole) return problems;
  if (index.column() != Text) {
    if (role == Qt::DisplayRole) return TimeColumn(index.row(), static_cast<Column>(index.column()));
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
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
  if (first <= last) emit dataChanged(index(first, 0), index(last, Columns - 1), {Qt::DisplayRole});
}

EntryListView::EntryListView(QWidget* parent) : QTreeView(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideRight);
}

void EntryListView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  if (gotFocus) gotFocus();
}

void EntryListView::keyPressEvent(QKeyEvent* event) {
  if (keyDown) keyDown(VirtualKeyOf(event));
  QTreeView::keyPressEvent(event);
}

void EntryListView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
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
