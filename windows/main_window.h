#pragma once
// `Form1`, the document window: the entry list, the 2 x 41 character grid
// with its preview rows, the frame buttons around the textline, the line
// commands and the menus. It owns the document.
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "document/document.h"
#include "windows/remembered_folders.h"

class QAction;
class QLabel;
class QPushButton;
class QToolButton;

namespace lm::ui {

class EntryListModel;
class EntryListView;
class Form1;
class Loadbox;
class SaveDialog;
class SaveFlow;

// One cell of the grid. Its key handler runs before the key's character
// reaches the cell; characters the 8-bit code page cannot hold are refused.
class GridCell : public QLineEdit {
  Q_OBJECT
 public:
  GridCell(Form1* form, int index, QWidget* parent);
  int index() const { return index_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Form1* form_;
  int index_;
};

// The textline: shows the frame pair; a click sends the focus to the grid.
class Textline : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> clicked;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class Form1 : public QMainWindow, public DocumentObserver {
  Q_OBJECT
 public:
  // `programFolder` holds the remembered-folder files.
  explicit Form1(std::string programFolder, QWidget* parent = nullptr);
  ~Form1() override;

  Document& document() { return doc_; }
  const RememberedFolders& folders() const { return folders_; }

  // Ends the program; the default quits the application. Tests replace it.
  std::function<void()> endProgram;

  GridCell* cell(int index) const { return cells_[index]; }
  EntryListView* list() const { return list_; }
  QLineEdit* textline() const;
  QLabel* label1() const { return label1_; }
  QLabel* label2() const { return label2_; }
  QAction* action(const QString& name) const;
  // The windows opened from the menus, while they are open.
  Loadbox* openDialog() const;
  SaveDialog* saveDialog() const;
  SaveFlow* saveFlow() const;

  // The grid's key handler; returns whether the key's character goes into the cell.
  bool CellKeyDown(int index, int virtualKey, bool producesCharacter);
  void CellEdited(int index, const QString& text);

  // After a successful load through the Open dialog.
  void DocumentLoaded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  void BuildControls();
  void BuildMenus();
  void SetTabOrder();
  // Runs a command and brings the list view's selection in line with the
  // document's afterwards.
  void Run(const std::function<void()>& command);
  void SyncSelectionToView();
  void FlushPendingViews();
  void FocusCell(int index);
  void FocusList();
  void UserMovedSelection(int row);

  void TextlineChanged() override;
  void GridChanged() override;

  void Avsluta_Click();
  void LatestSub_Click();
  void Load_Click();
  void Save_Click();
  void Saveas_Click();
  void ShowSaveDialog();
  void ShowSaveChangesPrompt();

  Document doc_;
  RememberedFolders folders_;
  EntryListModel* model_ = nullptr;
  EntryListView* list_ = nullptr;
  Textline* text1_ = nullptr;
  std::array<GridCell*, kGridCells> cells_{};
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QAction* latestSub_ = nullptr;
  bool syncing_ = false;
  bool selectionPending_ = false;
  bool textlinePending_ = false;
  bool gridPending_ = false;
  int commandDepth_ = 0;

  struct Windows;
  std::unique_ptr<Windows> windows_;
};

}  // namespace lm::ui
