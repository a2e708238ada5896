#include "windows/main_window.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QStatusBar>

#include "files/charset.h"
#include "model/navigation.h"
#include "rules/profile_rules.h"
#include "windows/entry_list_view.h"
#include "windows/main_window_parts.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::ui {

Form1::Form1(std::string programFolder, QWidget* parent)
    : QMainWindow(parent), folders_(std::move(programFolder)), windows_(std::make_unique<Windows>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kMainCaption);
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setAcceptDrops(true);
  endProgram = [] { QApplication::exit(0); };
  signals_ = new DocumentSignals(session_.doc, this);
  connect(signals_, &DocumentSignals::commandEnded, this, [this] { RefreshViews(); });
  windows_->saveFlow = std::make_unique<SaveFlow>(
      session_, folders_, this, [this](std::function<void()> onSaved) { ShowSaveDialog(std::move(onSaved)); });
  BuildControls();
  BuildMenus();
  BuildStatusLine();
  // The window opens at its first size, which is also its least: the menu bar
  // and the status line come on top of the controls.
  const QSize least =
      centralWidget()->minimumSize() + QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  setMinimumSize(least);
  resize(least);
  SetTabOrder();
  Form_Load();
  RefreshActions();
  RefreshStatusLine();
  CentreOnScreen(this);
  cells_[0]->setFocus();
}

Form1::~Form1() {
  // The dialogs work on the document: they go before it does.
  delete windows_->loadbox.data();
  delete windows_->saveDialog.data();
  windows_->saveFlow.reset();
  delete windows_->helpSign.data();
  delete windows_->keyHelpSign.data();
  delete windows_->tornak.data();
  // The list reads the document whenever it is drawn, even while the window
  // is taken down: it goes before the document does.
  delete list_;
  delete model_;
  delete signals_;
}

QLineEdit* Form1::textline() const { return text1_; }

QAction* Form1::action(const QString& name) const { return findChild<QAction*>(name); }
Loadbox* Form1::openDialog() const { return windows_->loadbox; }
SaveDialog* Form1::saveDialog() const { return windows_->saveDialog; }
SaveFlow* Form1::saveFlow() const { return windows_->saveFlow.get(); }

void Form1::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setMinimumSize(TwipsSize(10140, 5940));
  client->resize(client->minimumSize());
  client->installEventFilter(this);
  setCentralWidget(client);

  model_ = new EntryListModel(session_.doc, *signals_, this);
  list_ = new EntryListView(client);
  list_->setObjectName(QStringLiteral("List1"));
  list_->setModel(model_);
  // The numbers and times as wide as their longest; the entry line takes the rest.
  const QFontMetrics metrics(list_->font());
  const int clock = metrics.horizontalAdvance(QStringLiteral("-00:00:00.000")) + 12;
  const int widths[] = {metrics.horizontalAdvance(QStringLiteral("00000")) + 12, clock, clock,
                        metrics.horizontalAdvance(QStringLiteral("000.000")) + 12,
                        metrics.horizontalAdvance(QStringLiteral("000.0")) + 12};
  for (int column = 0; column < EntryListModel::Text; ++column) list_->setColumnWidth(column, widths[column]);
  list_->setGeometry(Twips(120, 0, 9924, 2595));
  Place(list_, Grows::Both);
  list_->gotFocus = [this] { List1_GotFocus(session_.doc); };
  list_->keyDown = [this](int key) {
    bool toGrid = false;
    Run(CommandId::Select, [&] { toGrid = List1_KeyDown(session_.doc, key); });
    if (toGrid) FocusCell(0);
  };
  list_->mouseDown = [this] {
    bool toGrid = false;
    Run(CommandId::Select, [&] { toGrid = List1_MouseDown(session_.doc); });
    if (toGrid) FocusCell(0);
  };
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    if (!syncing_) UserMovedSelection(current.isValid() ? current.row() : -1);
  });

  BuildGrid(session_.grid.RowCells());
  BuildButtons(client);

  text1_ = new Textline(client);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setFont(SansSerifFont(9.75, true));
  // Only the frame buttons and the commands write the frame pair.
  text1_->setReadOnly(true);
  text1_->setAcceptDrops(false);
  text1_->setGeometry(Twips(1800, 3600, 1935, 375));
  Place(text1_, Grows::Down);
  text1_->clicked = [this] { FocusCell(0); };

  auto makePreview = [this, client](const char* name, int top) {
    auto* label = new PreviewLabel(client);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(Twips(120, top, 9924, 735));
    Place(label, Grows::DownAndWide);
    return label;
  };
  label1_ = makePreview("Label1", 4080);
  label2_ = makePreview("Label2", 4800);

  // Text of the entry that the grid cannot show is shown here, so that the
  // user knows it is there and can work it into the two rows.
  overflow_ = new QLabel(client);
  overflow_->setObjectName(QStringLiteral("Overflow"));
  overflow_->setGeometry(Twips(120, 5580, 9924, 300));
  Place(overflow_, Grows::DownAndWide);
  overflow_->setTextFormat(Qt::PlainText);
  QPalette p = overflow_->palette();
  p.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
  overflow_->setPalette(p);
}

void Form1::BuildGrid(int rowCells) {
  // The grid may be rebuilt while a cell of it has the focus, even from
  // inside that cell's key handler: the focus moves to the new cell in its
  // place, and the old cells go once their events are done.
  int focused = -1;
  for (GridCell* c : cells_)
    if (c == focusWidget()) focused = c->index();
  const std::vector<GridCell*> old = std::move(cells_);
  cells_.clear();
  QWidget* client = centralWidget();
  for (int i = 0; i < 2 * rowCells; ++i) {
    auto* c = new GridCell(this, i, client);
    c->show();
    cells_.push_back(c);
  }
  PlaceGrid();
  // Neighbouring cells overlap; later cells must not hide the earlier ones' text.
  for (int i = static_cast<int>(cells_.size()) - 1; i >= 0; --i) cell(i)->raise();
  if (focused >= 0) FocusCell(focused);
  for (GridCell* c : old) {
    c->setObjectName(QString());
    c->hide();
    c->deleteLater();
  }
}

void Form1::Place(QWidget* control, Grows grows) { placed_.push_back({control, control->geometry(), grows}); }

void Form1::PlaceGrid() {
  if (cells_.empty()) return;
  const int rowCells = static_cast<int>(cells_.size()) / 2;
  // 41 cells fill the row at 240 twips a cell; more are narrower, and a
  // wider window gives them room up to that.
  const int room = 9924 - 72 + PixelsToTwips(grown_.width());
  const int pitch = std::min(240, room / rowCells);
  for (int i = 0; i < 2 * rowCells; ++i) {
    const int row = i / rowCells, col = i % rowCells;
    cells_[static_cast<size_t>(i)]->setGeometry(
        Twips(120 + pitch * col, row == 0 ? 2640 : 3120, pitch + 72, 450).translated(0, grown_.height()));
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    // What the window grew by goes to the list; the rest keeps its size and
    // moves down, the previews widening.
    grown_ = centralWidget()->size() - centralWidget()->minimumSize();
    grown_ = grown_.expandedTo(QSize(0, 0));
    for (const Placed& p : placed_) {
      QRect r = p.base;
      if (p.grows == Grows::Both) {
        r.setSize(r.size() + grown_);
      } else {
        r.translate(0, grown_.height());
        if (p.grows == Grows::DownAndWide) r.setWidth(r.width() + grown_.width());
      }
      p.control->setGeometry(r);
    }
    PlaceGrid();
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form1::SetTabOrder() {
  QList<QWidget*> order;
  for (GridCell* c : cells_) order << c;
  order << list_ << text1_;
  for (QAbstractButton* b : buttons_) order << b;
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void Form1::Form_Load() {
  std::string folder, lastFile;
  QString caption;
  if (folders_.ReadDirectory(folder, lastFile)) caption = FromLocalPath(lastFile);
  latestSub_->setData(caption);
  // "&" would otherwise turn into a keyboard mnemonic.
  latestSub_->setText(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
  // An empty item is no item: it shows once a file has been opened.
  latestSub_->setVisible(!caption.isEmpty());
  latestSubLine_->setVisible(!caption.isEmpty());
}

// ---------------------------------------------------------------- commands

void Form1::Run(CommandId id, const std::function<void()>& command, bool writeBackFirst) {
  Report(session_.Run(id, command, writeBackFirst));
}

void Form1::Run(const CommandRow& row) { Report(session_.Run(row)); }

void Form1::Report(const CommandResult& result) {
  // The views already show the state the command ended in.
  for (const std::string& text : result.messages) ShowMessage(this, ToQt(text));
}

void Form1::WriteBackPending() { Report(session_.WriteBackPending()); }

void Form1::RefreshViews() {
  const Document& doc = session_.doc;
  const CharGrid& grid = session_.grid;
  text1_->SetFramePair(ToQt(doc.Text1()));
  // The entries that break the profile's rules are marked in the list.
  std::vector<QString> problems;
  if (!doc.NoDocument()) {
    const ProfileCheck check = CheckProfile(doc);
    if (!check.problems.empty()) problems.resize(static_cast<size_t>(doc.List1.Count()));
    for (const Problem& p : check.problems) {
      QString& why = problems[static_cast<size_t>(p.entry)];
      why += (why.isEmpty() ? QString() : QStringLiteral("; ")) + ToQt(DescribeProblem(p));
    }
  }
  model_->SetProblems(std::move(problems));
  // The grid is as wide as the profile's screen line.
  if (static_cast<int>(cells_.size()) != grid.Cells()) {
    BuildGrid(grid.RowCells());
    SetTabOrder();
  }
  for (int i = 0; i < grid.Cells(); ++i) {
    const QString text = ToQt(grid.Shown(i));
    if (cell(i)->text() != text) cell(i)->setText(text);
  }
  label1_->SetPreview(ToQt(grid.Label1), grid.Italic1);
  label2_->SetPreview(ToQt(grid.Label2), grid.Italic2);
  overflow_->setText(ToQt(OverflowNote(grid)));
  RefreshStatusLine();
  SyncSelectionToView();
  const QString caption =
      doc.NoDocument() ? kMainCaption : kMainCaption + QStringLiteral(":  ") + FromLocalPath(doc.FilePath());
  if (windowTitle() != caption) setWindowTitle(caption);
  // Windows opened to save one document must not act on another.
  if (doc.Generation() != windows_->generation) {
    windows_->generation = doc.Generation();
    windows_->saveFlow->CloseWindows();
    if (windows_->saveDialog) windows_->saveDialog->close();
  }
  RefreshActions();
}

void Form1::SyncSelectionToView() {
  syncing_ = true;
  const int sel = session_.doc.List1.ListIndex();
  QItemSelectionModel* s = list_->selectionModel();
  if (session_.doc.List1.Valid(sel)) {
    QModelIndex at = model_->index(sel, 0);
    if (s->currentIndex() != at || !s->isSelected(at)) {
      s->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
      list_->scrollTo(at);
    }
  } else {
    s->clearSelection();
    s->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  syncing_ = false;
}

void Form1::UserMovedSelection(int row) {
  const Document& doc = session_.doc;
  // The view moves its current row by itself when a command removes rows;
  // that is no move of the user's, and the view follows the document after.
  if (doc.InCommand()) return;
  if (row == doc.List1.ListIndex() && row == doc.CurrentIndex) return;
  Run(CommandId::Select, [&] { SelectEntry(session_.doc, row); });
}

void Form1::FocusCell(int index) {
  // A key's outcome may name a cell of a grid since narrowed.
  if (cells_.empty()) return;
  cell(std::clamp(index, 0, cellCount() - 1))->setFocus(Qt::OtherFocusReason);
}

void Form1::FocusList() { list_->setFocus(Qt::OtherFocusReason); }

bool Form1::OfferUtf8(const std::vector<std::string>& refused) {
  const Document& doc = session_.doc;
  if (refused.empty() || doc.NoDocument()) return false;
  // Asked, never dropped without a word: the characters are named either way.
  const QString question = QStringLiteral("%1. Do You want to save %2 in UTF-8 instead?")
                               .arg(ToQt(NotHeldReason(doc.FileEncoding(), refused)), FromLocalPath(doc.FileName()));
  if (!AskYesCancel(this, question)) return false;
  // Typing under way is no command to write back first.
  Run(
      CommandId::Encoding, [this] { session_.SaveInEncoding(Encoding::Utf8); }, false);
  return true;
}

bool Form1::TakeCharacters(const QString& text) {
  const std::vector<std::string> refused = CharactersNotHeld(session_.doc.FileEncoding(), FromQt(text));
  return refused.empty() || OfferUtf8(refused);
}

bool Form1::CellKeyDown(int index, int virtualKey, bool producesCharacter) {
  GridKeyOutcome out;
  Run(
      CommandId::EditEntry, [&] { out = Text2_KeyDown(session_.doc, session_.grid, index, virtualKey); }, false);
  if (out.focusCell >= 0) FocusCell(out.focusCell);
  if (out.focusList) FocusList();
  // Only a character reaches the cell itself; editing keys such as Backspace
  // act through the handler alone, so Backspace in cell 0 does nothing. With
  // no entry shown the cells take no typing: it could go nowhere.
  return producesCharacter && session_.grid.EntryId != 0;
}

void Form1::CellEdited(int index, const QString& text) {
  std::string refused;
  bool put = PutCharacter(session_.doc, session_.grid, index, FromQt(text), &refused);
  // Text that reached the cell without its key being asked about.
  if (!put && !refused.empty() && OfferUtf8({refused}))
    put = PutCharacter(session_.doc, session_.grid, index, FromQt(text));
  if (!put) {
    cell(index)->setText(ToQt(session_.grid.Shown(index)));
    return;
  }
  RefreshActions();
}

void Form1::CopyGrid(bool cut) {
  if (session_.grid.EntryId == 0) return;
  QGuiApplication::clipboard()->setText(ToQt(GridVisibleText(session_.grid)));
  if (cut)
    Run(
        CommandId::Cut, [this] { ClearGridText(session_.doc, session_.grid); }, false);
}

void Form1::PasteIntoGrid(int index, bool selection) {
  int next = -1;
  const std::string text =
      FromQt(QGuiApplication::clipboard()->text(selection ? QClipboard::Selection : QClipboard::Clipboard));
  const CharGrid before = session_.grid;
  const std::uint64_t generation = session_.doc.Generation();
  std::vector<std::string> refused;
  Run(
      CommandId::Paste, [&] { next = lm::PasteIntoGrid(session_.doc, session_.grid, index, text, &refused); }, false);
  // What the encoding refused is named; in UTF-8 the paste goes in whole.
  if (OfferUtf8(refused) && session_.doc.Generation() == generation && session_.grid.EntryId == before.EntryId) {
    Run(
        CommandId::Paste,
        [&] {
          session_.grid = before;
          next = lm::PasteIntoGrid(session_.doc, session_.grid, index, text);
        },
        false);
  }
  if (next >= 0) FocusCell(next);
}

void Form1::CharactersCommitted(int index, const QString& text) {
  int at = index;
  // Asked once for the whole text; refused, its other characters still go in.
  TakeCharacters(text);
  for (const uint codePoint : text.toUcs4()) {
    const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
    if (!QChar::isPrint(codePoint) || !lm::FileCanHold(session_.doc, FromQt(character))) continue;
    if (!CellKeyDown(at, vk::Other, true)) return;
    cell(at)->setText(character);
    CellEdited(at, character);
    if (at < session_.grid.Cells() - 1) ++at;
  }
}

}  // namespace lm::ui
