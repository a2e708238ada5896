#pragma once
// The entry list on the main window: a list view over the core's entry list,
// kept in step through fine-grained change notifications.
#include <QAbstractListModel>
#include <QListView>
#include <functional>

#include "document/entry_list.h"

namespace lm::ui {

class EntryListModel : public QAbstractListModel, public EntryListObserver {
  Q_OBJECT
 public:
  explicit EntryListModel(EntryList& list, QObject* parent = nullptr);
  ~EntryListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Called when the core moved its selection; the view follows later, once,
  // so that a search passing thousands of entries does not scroll each one.
  std::function<void()> selectionMoved;

 private:
  void EntriesAboutToBeInserted(int first, int count) override;
  void EntriesInserted(int first, int count) override;
  void EntriesAboutToBeRemoved(int first, int count) override;
  void EntriesRemoved(int first, int count) override;
  void EntryChanged(int index) override;
  void EntriesAboutToBeReset() override;
  void EntriesReset() override;
  void SelectionChanged(int index) override;

  EntryList& list_;
};

// `List1`: reports focus, key and mouse presses before it acts on them itself.
class EntryListView : public QListView {
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
