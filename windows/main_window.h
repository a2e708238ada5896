#pragma once
// `Form1`, the document window: the entry list, the character grid
// with its preview rows, the frame buttons around the textline, the line
// commands and the menus. It owns the document.
//
// Its members live in main_window.cpp (the controls, the grid, the views),
// main_menus.cpp (the menus, the buttons and the status line, each drawn
// from its command's row) and document_flow.cpp (opening, reloading,
// saving and leaving).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "commands/session.h"
#include "formats/subtitle_file.h"
#include "windows/grid_widgets.h"
#include "windows/remembered_folders.h"

class QAbstractButton;
class QAction;
class QActionGroup;
class QMenu;

namespace lm::ui {

class DocumentSignals;
class EntryListModel;
class EntryListView;
class Loadbox;
class SaveDialog;
class SaveFlow;

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  // `programFolder` holds the remembered-folder files.
  explicit Form1(std::string programFolder, QWidget* parent = nullptr);
  ~Form1() override;

  Document& document() { return session_.doc; }
  const CharGrid& grid() const { return session_.grid; }
  const RememberedFolders& folders() const { return folders_; }

  // Ends the program; the default quits the application. Tests replace it.
  std::function<void()> endProgram;

  // The grid's cells, 2 * grid().RowCells() of them.
  int cellCount() const { return static_cast<int>(cells_.size()); }
  GridCell* cell(int index) const { return cells_[static_cast<size_t>(index)]; }
  EntryListView* list() const { return list_; }
  QLineEdit* textline() const;
  QLabel* label1() const { return label1_; }
  QLabel* label2() const { return label2_; }
  // The text of the entry beyond the grid, under the previews.
  QLabel* overflowLine() const { return overflow_; }
  // What reading the open file had to say about it, in the status line.
  QLabel* fileNotesLine() const { return fileNotes_; }
  QAction* action(const QString& name) const;
  // The windows opened from the menus, while they are open.
  Loadbox* openDialog() const;
  SaveDialog* saveDialog() const;
  SaveFlow* saveFlow() const;

  // Opens a file given from outside (the command line, a drop) as if it had
  // been chosen in the Open dialog.
  void OpenFromOutside(const QString& path);

  // The grid's key handler; returns whether the key's character goes into the cell.
  bool CellKeyDown(int index, int virtualKey, bool producesCharacter);
  // Text arrived in a cell from the toolkit (a typed character, a paste).
  void CellEdited(int index, const QString& text);
  // Text committed by an input method, typed character by character.
  void CharactersCommitted(int index, const QString& text);
  // Ctrl+C (and Ctrl+X, which then empties the grid) and Ctrl+V in a cell;
  // `selection` pastes the text selected elsewhere (the middle button).
  void CopyGrid(bool cut);
  void PasteIntoGrid(int index, bool selection = false);
  // Whether the characters may be typed: when the file's encoding cannot
  // hold some of them, says which and offers to save the document in UTF-8
  // instead; true once it holds them all.
  bool TakeCharacters(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Form_Load();
  void BuildControls();
  // The buttons of the command rows placed under the grid.
  void BuildButtons(QWidget* client);
  void BuildMenus();
  void BuildStatusLine();
  void SetTabOrder();
  // Runs a user command (see Session::Run) and shows its messages.
  void Run(CommandId id, const std::function<void()>& command, bool writeBackFirst = true);
  void Run(const CommandRow& row);
  // The File menu's submenus: the encodings and the frame rates.
  void BuildEncodingMenu(QMenu* menu);
  void BuildFrameRateMenu(QMenu* menu);
  // The grid's cells, two rows of `rowCells`.
  void BuildGrid(int rowCells);
  // A resized window: the list takes what the window grew by, the controls
  // under it move down, the previews widen, the grid's cells widen up to
  // their first width.
  enum class Grows { Both, Down, DownAndWide };
  void Place(QWidget* control, Grows grows);
  void PlaceGrid();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void Report(const CommandResult& result);
  void WriteBackPending();
  void RefreshViews();
  // The menu items' state and the undo and redo items' names.
  void RefreshActions();
  // The note on the entry shown and the file's format, encoding, line ends
  // and frame rate.
  void RefreshStatusLine();
  void SyncSelectionToView();
  void FocusCell(int index);
  void FocusList();
  void UserMovedSelection(int row);
  // Replaces the document by what `load` reads from `path`, once a changed
  // document has been saved or given up. A failure says why (see
  // LoadFailureMessage).
  void ReplaceDocument(std::function<LoadResult(Document&)> load, std::string path, QWidget* messageParent);
  // The characters named do not fit the file's encoding: says so and
  // offers UTF-8 instead; true when the user takes it.
  bool OfferUtf8(const std::vector<std::string>& refused);
  void OpenChosenFile(const std::string& dirListPath, const std::string& fileListFolder, const std::string& fileName);

  void Avsluta_Click();
  void LatestSub_Click();
  // Reads the open file again in another encoding; a changed document may
  // instead be saved in it from now on.
  void Encoding_Click(Encoding encoding);
  // The document is saved in `encoding` from now on, when it can hold its
  // text.
  void SaveInEncoding(Encoding encoding);
  // View > Show style tags: the grid shows the markup as characters.
  void ShowTags_Click(bool shown);
  void FrameRate_Click(double rate);
  // Rules > Profile: the rules the checks and the fix keep to.
  void BuildProfileMenu(QMenu* menu);
  void Profile_Click(const Profile& profile);
  // Rules > Line breaks: the break style, over the profile's; remembered.
  void BuildBreaksMenu(QMenu* menu);
  void Breaks_Click(BreakStyle style);
  void ShowBreakChoice();  // checks the style the rules now keep to
  // The profile with the break style chosen over its own, if one was.
  Profile WithChosenBreaks(Profile profile) const;
  std::optional<BreakStyle> chosenBreaks_;
  QActionGroup* breakChoices_ = nullptr;
  // Rules > Next problem: the next entry that breaks the profile's rules.
  void NextProblem_Click();
  void Load_Click();
  void Save_Click();
  void Saveas_Click();
  void ShowSaveDialog(std::function<void()> onSaved);

  Session session_;
  RememberedFolders folders_;
  DocumentSignals* signals_ = nullptr;
  EntryListModel* model_ = nullptr;
  EntryListView* list_ = nullptr;
  Textline* text1_ = nullptr;
  std::vector<GridCell*> cells_;
  struct Placed {
    QWidget* control;
    QRect base;  // at the window's least size
    Grows grows;
  };
  std::vector<Placed> placed_;
  QSize grown_;  // beyond the least size
  // The command buttons, in tab order.
  std::vector<QAbstractButton*> buttons_;
  PreviewLabel* label1_ = nullptr;
  PreviewLabel* label2_ = nullptr;
  QLabel* overflow_ = nullptr;
  QAction* latestSub_ = nullptr;
  QAction* latestSubLine_ = nullptr;
  QMenu* encodingMenu_ = nullptr;
  QMenu* frameRateMenu_ = nullptr;
  QLabel* encodingStatus_ = nullptr;
  QLabel* fileNotes_ = nullptr;
  QAction* showTags_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  bool syncing_ = false;

  struct Windows;
  std::unique_ptr<Windows> windows_;
};

}  // namespace lm::ui
