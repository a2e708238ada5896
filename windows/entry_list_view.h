#pragma once
// The document's change notifications turned into Qt signals, and the entry
// list on the main window: a list view over the core's entry list.
#include <functional>
#include <vector>

#include <QAbstractTableModel>
#include <QTreeView>

#include "model/document.h"

namespace lm::ui {

// The one observer of the document: what it tells arrives here as signals.
class DocumentSignals : public QObject, public DocumentObserver {
  Q_OBJECT
 public:
  explicit DocumentSignals(Document& doc, QObject* parent = nullptr);
  ~DocumentSignals() override;

 signals:
  void entriesAboutToChange(const lm::ListChange& change);
  void entriesChanged(const lm::ListChange& change);
  void commandEnded();

 private:
  void EntriesAboutToChange(const ListChange& change) override { emit entriesAboutToChange(change); }
  void EntriesChanged(const ListChange& change) override { emit entriesChanged(change); }
  void CommandEnded() override { emit commandEnded(); }

  Document& doc_;
};

// The entries, a row each: number, start and end time (frames shown as
// times at the document's frame rate), duration, reading speed (characters
// a second) and the entry line.
class EntryListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Number, Start, End, Duration, Speed, Text, Columns };
  EntryListModel(const Document& doc, DocumentSignals& source, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // What each entry breaks of the profile's rules ("reading speed 23.4 > 17
  // cps; gap 1 < 2 frames"), shown in its colour and tooltip.
  void SetProblems(std::vector<QString> problems);
  QString ProblemsOf(int row) const;

 private:
  void AboutToChange(const ListChange& change);
  void Changed(const ListChange& change);
  // Rewritten entries are redrawn once, when the command ends.
  void FlushRewritten();

  // The cell's text in a column before the entry line.
  QString TimeColumn(int row, Column column) const;

  const Document& doc_;
  const EntryList& list_;
  std::vector<QString> problems_;  // by entry; empty: none known
  int dirtyFirst_ = -1, dirtyLast_ = -1;
};

// `List1`: reports focus, key and mouse presses before it acts on them itself.
class EntryListView : public QTreeView {
  Q_OBJECT
 public:
  explicit EntryListView(QWidget* parent = nullptr);

  std::function<void()> gotFocus;
  // Runs before the list moves its selection for the key.
  std::function<void(int virtualKey)> keyDown;
  // Runs after the press selected the entry under the pointer.
  std::function<void()> mouseDown;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

// The virtual-key code of a key event, as the grid and the list expect it.
int VirtualKeyOf(const class QKeyEvent* event);

}  // namespace lm::ui
