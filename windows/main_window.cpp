#include "windows/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <map>

#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "model/navigation.h"
#include "windows/about_window.h"
#include "windows/contact_links.h"
#include "windows/entry_list_view.h"
#include "windows/help_windows.h"
#include "windows/messages.h"
#include "windows/open_dialog.h"
#include "windows/save_dialog.h"
#include "windows/save_flow.h"
#include "windows/window_util.h"

namespace lm::ui {

namespace {
// Undo and redo are the window's shortcuts even while a text field has the
// focus; a field would otherwise take them for its own undo.
bool IsUndoRedo(const QKeyEvent* e) {
  return e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) ||
         (e->key() == Qt::Key_Y && e->modifiers() == Qt::ControlModifier);
}

bool LeaveShortcutToWindow(QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride) return false;
  if (!IsUndoRedo(static_cast<QKeyEvent*>(event))) return false;
  event->ignore();
  return true;
}

bool IsSubtitleFile(const QString& path) {
  return FormatOfPath(LocalPath(path)) != nullptr && QFileInfo(path).isFile();
}

// A format's name as a title: its first letter in capitals.
QString FormatTitle(const Format& format) {
  QString name = ToQt(format.Name());
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

// The frame rates the File menu offers.
constexpr double kFrameRates[] = {23.976, 24, 25, 29.97, 30, 50, 59.94, 60};
}  // namespace

// The windows shown from here: each exists at most once.
struct Form1::Windows {
  QPointer<Loadbox> loadbox;
  QPointer<SaveDialog> saveDialog;
  std::unique_ptr<SaveFlow> saveFlow;
  QPointer<HelpWindow> helpSign;
  QPointer<KeyHelpWindow> keyHelpSign;
  QPointer<AboutWindow> tornak;
  std::uint64_t generation = 0;  // of the document the save windows were opened for
};

// ---------------------------------------------------------------- grid cell

GridCell::GridCell(Form1* form, int index, QWidget* parent)
    : QLineEdit(parent), form_(form), index_(index) {
  setObjectName(QStringLiteral("Text2_%1").arg(index));
  setAlignment(Qt::AlignCenter);
  setFont(SansSerifFont(9.75, true));
  setTextMargins(0, 0, 0, 0);
  setAcceptDrops(false);  // a file dropped on the grid opens it
  setContextMenuPolicy(Qt::NoContextMenu);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    form_->CellEdited(index_, text);
  });
}

bool GridCell::event(QEvent* event) {
  if (LeaveShortcutToWindow(event)) return true;
  return QLineEdit::event(event);
}

void GridCell::keyPressEvent(QKeyEvent* event) {
  if (IsUndoRedo(event)) {
    event->ignore();  // with nothing to undo it is still no grid key
    return;
  }
  // The clipboard keys work on the entry, not on this one cell.
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
    form_->CopyGrid(event->matches(QKeySequence::Cut));
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    form_->PasteIntoGrid(index_);
    return;
  }
  const QString text = event->text();
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  const bool character = !text.isEmpty() && text.at(0).isPrint() && !command;
  if (character && !form_->FileCanHold(text)) {
    event->accept();  // the file cannot hold it: refused, not mangled
    return;
  }
  // Only a key that types a character types; Esc, Caps Lock, a function
  // key or a Ctrl combination leaves the cells alone.
  int key = VirtualKeyOf(event);
  if (!character && !vk::IsEditingKey(key)) key = vk::None;
  const bool ownInput = form_->CellKeyDown(index_, key, character);
  // The character goes to the cell where the key went down, after the handler
  // has emptied it and moved the focus on.
  if (ownInput) QLineEdit::keyPressEvent(event);
}

void GridCell::inputMethodEvent(QInputMethodEvent* event) {
  // Composed text arrives here instead of as key presses; it is typed into
  // the grid the same way. The preedit text is not shown in a cell.
  if (!event->commitString().isEmpty()) form_->CharactersCommitted(index_, event->commitString());
  event->accept();
}

bool Textline::event(QEvent* event) {
  if (LeaveShortcutToWindow(event)) return true;
  return QLineEdit::event(event);
}

void Textline::SetFramePair(const QString& text) {
  QFont f = SansSerifFont(9.75, true);
  const int room = width() - 10;
  if (QFontMetrics(f).horizontalAdvance(text) > room) f.setBold(false);
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(text) > room) f.setPointSizeF(f.pointSizeF() - 0.25);
  if (font() != f) setFont(f);
  if (this->text() != text) setText(text);
}

void Textline::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (clicked) clicked();
}

PreviewLabel::PreviewLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setFont(ArialFont(20.25, true));
  setAutoFillBackground(true);
  setTextFormat(Qt::PlainText);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  p.setColor(QPalette::WindowText, Qt::white);
  setPalette(p);
}

void PreviewLabel::SetPreview(const QString& text, bool italic) {
  // 41 wide capitals do not fit at the full size.
  QFont f = ArialFont(20.25, true);
  f.setItalic(italic);
  const int room = width() - 4;
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(text) > room)
    f.setPointSizeF(f.pointSizeF() - 0.5);
  setFont(f);
  setText(text);
}

// ---------------------------------------------------------------- the window

Form1::Form1(std::string programFolder, QWidget* parent)
    : QMainWindow(parent), folders_(std::move(programFolder)), windows_(std::make_unique<Windows>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kMainCaption);
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setAcceptDrops(true);
  endProgram = [] { QApplication::exit(0); };
  signals_ = new DocumentSignals(session_.doc, this);
  connect(signals_, &DocumentSignals::commandEnded, this, [this] { RefreshViews(); });
  windows_->saveFlow = std::make_unique<SaveFlow>(
      session_.doc, folders_, this,
      [this](std::function<void()> onSaved) { ShowSaveDialog(std::move(onSaved)); });
  BuildControls();
  BuildMenus();
  SetTabOrder();
  Form_Load();
  RefreshActions();
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
  client->setFixedSize(TwipsSize(10140, 5940));
  setCentralWidget(client);

  model_ = new EntryListModel(session_.doc.List1, *signals_, this);
  list_ = new EntryListView(client);
  list_->setObjectName(QStringLiteral("List1"));
  list_->setModel(model_);
  list_->setGeometry(Twips(120, 0, 9924, 2595));
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
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_) UserMovedSelection(current.isValid() ? current.row() : -1);
          });

  BuildGrid(session_.grid.RowCells());

  // The frame buttons: where each stands and its picture; what it does and
  // its tooltip are its command's.
  struct FrameButton {
    CommandId id;
    int left, width;
    const char* picture;
  };
  const FrameButton buttons[] = {
      {CommandId::StartMinus100, 120, 375, "left_100"}, {CommandId::StartMinus10, 480, 255, "left_10"},
      {CommandId::StartMinus1, 720, 255, "left_1"},     {CommandId::StartPlus1, 960, 255, "right_1"},
      {CommandId::StartPlus10, 1200, 255, "right_10"},  {CommandId::StartPlus100, 1440, 375, "right_100"},
      {CommandId::StopMinus100, 3720, 375, "left_100"}, {CommandId::StopMinus10, 4080, 255, "left_10"},
      {CommandId::StopMinus1, 4320, 255, "left_1"},     {CommandId::StopPlus1, 4560, 255, "right_1"},
      {CommandId::StopPlus10, 4800, 255, "right_10"},   {CommandId::StopPlus100, 5040, 375, "right_100"},
  };
  for (const FrameButton& b : buttons) {
    const CommandRow& row = CommandOf(b.id);
    auto* button = new QToolButton(client);
    button->setObjectName(QString::fromLatin1(row.control));
    button->setToolTip(QString::fromUtf8(row.caption));
    QPixmap picture(QStringLiteral(":/images/%1.png").arg(QLatin1String(b.picture)));
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
    button->setGeometry(Twips(b.left, 3600, b.width, 375));
    connect(button, &QToolButton::clicked, this, [this, &row] { Run(row); });
  }

  text1_ = new Textline(client);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setFont(SansSerifFont(9.75, true));
  // Only the frame buttons and the commands write the frame pair.
  text1_->setReadOnly(true);
  text1_->setAcceptDrops(false);
  text1_->setGeometry(Twips(1800, 3600, 1935, 375));
  text1_->clicked = [this] { FocusCell(0); };

  struct LineButton {
    CommandId id;
    int left, width;
  };
  const LineButton lineButtons[] = {
      {CommandId::DeleteLine, 5520, 1455}, {CommandId::SplitLine, 6960, 1575}, {CommandId::AddLine, 8520, 1512}};
  for (const LineButton& b : lineButtons) {
    const CommandRow& row = CommandOf(b.id);
    auto* button = new QPushButton(QString::fromUtf8(row.caption), client);
    button->setObjectName(QString::fromLatin1(row.control));
    button->setGeometry(Twips(b.left, 3600, b.width, 375));
    connect(button, &QPushButton::clicked, this, [this, &row] { Run(row); });
  }

  auto makePreview = [client](const char* name, int top) {
    auto* label = new PreviewLabel(client);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(Twips(120, top, 9924, 735));
    return label;
  };
  label1_ = makePreview("Label1", 4080);
  label2_ = makePreview("Label2", 4800);

  // Text of the entry that the grid cannot show is shown here, so that the
  // user knows it is there and can work it into the two rows.
  overflow_ = new QLabel(client);
  overflow_->setObjectName(QStringLiteral("Overflow"));
  overflow_->setGeometry(Twips(120, 5580, 9924, 300));
  overflow_->setTextFormat(Qt::PlainText);
  QPalette p = overflow_->palette();
  p.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
  overflow_->setPalette(p);
}

void Form1::BuildMenus() {
  // The commands that are flows of the window rather than routines of the
  // core.
  const std::map<CommandId, std::function<void()>> flows = {
      {CommandId::Open, [this] { Load_Click(); }},
      {CommandId::Save, [this] { Save_Click(); }},
      {CommandId::SaveAs, [this] { Saveas_Click(); }},
      {CommandId::Exit, [this] { Avsluta_Click(); }},
      {CommandId::LatestFile, [this] { LatestSub_Click(); }},
      {CommandId::Undo, [this] { Run(CommandId::Undo, [this] { session_.doc.Undo(); }); }},
      {CommandId::Redo, [this] { Run(CommandId::Redo, [this] { session_.doc.Redo(); }); }},
      {CommandId::HelpContents, [this] { ShowSingle(windows_->helpSign, [] { return new HelpWindow; }); }},
      {CommandId::KeyHelp, [this] { ShowSingle(windows_->keyHelpSign, [] { return new KeyHelpWindow; }); }},
      {CommandId::Mail, [] { lm::ui::HemSida::OpenMailLink(); }},
      {CommandId::HomePage, [] { lm::ui::HemSida::OpenHomePage(); }},
      {CommandId::About, [this] { ShowSingle(windows_->tornak, [] { return new AboutWindow; }); }},
  };
  for (const MenuRow& m : Menus()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
    menu->setObjectName(QString::fromLatin1(m.object));
    for (const CommandRow& row : Commands()) {
      if (row.place != m.place) continue;
      QAction* line = row.separatorBefore ? menu->addSeparator() : nullptr;
      if (row.id == CommandId::Encoding) {
        BuildEncodingMenu(menu->addMenu(QString::fromUtf8(row.caption)), row);
        continue;
      }
      if (row.id == CommandId::FrameRate) {
        BuildFrameRateMenu(menu->addMenu(QString::fromUtf8(row.caption)), row);
        continue;
      }
      QAction* a = menu->addAction(QString::fromUtf8(row.caption));
      a->setObjectName(QString::fromLatin1(row.control));
      QList<QKeySequence> keys;
      for (const QString& key : QString::fromLatin1(row.shortcuts).split(QStringLiteral("; "), Qt::SkipEmptyParts))
        keys << QKeySequence(key, QKeySequence::PortableText);
      a->setShortcuts(keys);
      // Only while the main window is the active one.
      a->setShortcutContext(Qt::WindowShortcut);
      std::function<void()> handler;
      if (row.routine) {
        handler = [this, &row] { Run(row); };
      } else {
        handler = flows.at(row.id);
      }
      connect(a, &QAction::triggered, this, [handler] { handler(); });
      if (row.id == CommandId::LatestFile) {
        latestSub_ = a;
        latestSubLine_ = line;
        if (line) line->setObjectName(QStringLiteral("Line"));
      }
      if (row.id == CommandId::Undo) undo_ = a;
      if (row.id == CommandId::Redo) redo_ = a;
    }
  }

  // F10 opens the menu bar, as desktop programs do.
  auto* f10 = new QAction(this);
  f10->setObjectName(QStringLiteral("MenuKey"));
  f10->setShortcut(QKeySequence(Qt::Key_F10));
  f10->setShortcutContext(Qt::WindowShortcut);
  connect(f10, &QAction::triggered, this, [this] {
    menuBar()->setFocus(Qt::MenuBarFocusReason);
    menuBar()->setActiveAction(menuBar()->actions().value(0));
  });
  addAction(f10);

  encodingStatus_ = new QLabel(this);
  encodingStatus_->setObjectName(QStringLiteral("EncodingStatus"));
  encodingStatus_->setContentsMargins(4, 0, 8, 0);
  statusBar()->addPermanentWidget(encodingStatus_);
  statusBar()->setSizeGripEnabled(false);

  // The menu bar and the status line are part of the window's fixed size.
  setFixedSize(centralWidget()->size() +
               QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height()));
}

void Form1::BuildEncodingMenu(QMenu* menu, const CommandRow& row) {
  // The code page is guessed on reading; the user may know better.
  encodingMenu_ = menu;
  menu->setObjectName(QString::fromLatin1(row.control));
  auto* encodings = new QActionGroup(menu);
  for (const Encoding e : ChoosableEncodings()) {
    const QString script = QString::fromLatin1(EncodingScript(e));
    QAction* a = menu->addAction(QString::fromLatin1(EncodingName(e)) +
                                 (script.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(script)));
    a->setObjectName(QStringLiteral("Encoding_%1").arg(QString::fromLatin1(EncodingName(e))));
    a->setData(static_cast<int>(e));
    a->setCheckable(true);
    encodings->addAction(a);
    connect(a, &QAction::triggered, this, [this, e] { Encoding_Click(e); });
  }
}

void Form1::BuildFrameRateMenu(QMenu* menu, const CommandRow& row) {
  // Frames and times convert at the frame rate: for the frame buttons of a
  // file in times, and for converting between the formats.
  frameRateMenu_ = menu;
  menu->setObjectName(QString::fromLatin1(row.control));
  auto* rates = new QActionGroup(menu);
  for (const double rate : kFrameRates) {
    const QString name = QString::fromStdString(FormatFrameRate(rate));
    QAction* a = menu->addAction(name + QStringLiteral(" fps"));
    a->setObjectName(QStringLiteral("FrameRate_%1").arg(name));
    a->setData(rate);
    a->setCheckable(true);
    rates->addAction(a);
    connect(a, &QAction::triggered, this, [this, rate] { FrameRate_Click(rate); });
  }
}

void Form1::BuildGrid(int rowCells) {
  for (GridCell* c : cells_) delete c;
  cells_.clear();
  QWidget* client = centralWidget();
  // 41 cells fill the row at 240 twips a cell; more are narrower.
  const int pitch = std::min(240, (9924 - 72) / rowCells);
  for (int i = 0; i < 2 * rowCells; ++i) {
    auto* c = new GridCell(this, i, client);
    const int row = i / rowCells, col = i % rowCells;
    c->setGeometry(Twips(120 + pitch * col, row == 0 ? 2640 : 3120, pitch + 72, 450));
    c->show();
    cells_.push_back(c);
  }
  // Neighbouring cells overlap; later cells must not hide the earlier ones' text.
  for (int i = static_cast<int>(cells_.size()) - 1; i >= 0; --i) cell(i)->raise();
}

void Form1::SetTabOrder() {
  QList<QWidget*> order;
  for (GridCell* c : cells_) order << c;
  order << list_ << text1_;
  for (const char* name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6",
                           "Command7", "Command8", "Command9", "Command10", "Command11",
                           "Command12", "Command13", "Command14", "Command15"})
    order << findChild<QWidget*>(QString::fromLatin1(name));
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
  // An entry shown as nothing says why.
  const int sel = doc.List1.ListIndex();
  if (!doc.NoDocument() && grid.EntryId == 0 && doc.List1.Valid(sel) && !SuppliesAllFields(doc.List1.Item(sel))) {
    statusBar()->showMessage(QStringLiteral("This line has no frames of its own"));
  } else {
    statusBar()->clearMessage();
  }
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

void Form1::RefreshActions() {
  const Document& doc = session_.doc;
  encodingMenu_->setEnabled(!doc.NoDocument());
  const Encoding encoding = doc.FileEncoding() == Encoding::Utf8Bom ? Encoding::Utf8 : doc.FileEncoding();
  for (QAction* a : encodingMenu_->actions())
    a->setChecked(!doc.NoDocument() && a->data().toInt() == static_cast<int>(encoding));
  const double rate = doc.NoDocument() ? folders_.ReadFrameRate() : doc.Identity().frameRate;
  for (QAction* a : frameRateMenu_->actions()) a->setChecked(a->data().toDouble() == rate);
  encodingStatus_->setText(
      doc.NoDocument()
          ? QString()
          : QStringLiteral("%1 \u00b7 Encoding: %2 \u00b7 Line ends: %3 \u00b7 %4 fps")
                .arg(FormatTitle(*doc.Identity().format),
                     QString::fromLatin1(EncodingName(doc.FileEncoding())),
                     doc.Identity().lineEnd == LineEnd::Lf ? QStringLiteral("LF") : QStringLiteral("CR LF"),
                     QString::fromStdString(FormatFrameRate(rate))));
  // What would be undone: typing not yet written back comes first, when
  // writing it back would change the entry.
  const bool pending = session_.grid.Edited && WriteBackWouldChange(doc, session_.grid);
  const std::string undo = pending ? "Edit entry" : doc.UndoName();
  undo_->setEnabled(!undo.empty());
  undo_->setText(QStringLiteral("&Undo %1").arg(ToQt(undo)).trimmed());
  redo_->setEnabled(doc.CanRedo() && !pending);
  redo_->setText(QStringLiteral("Re&do %1").arg(ToQt(redo_->isEnabled() ? doc.RedoName() : "")).trimmed());
}

void Form1::SyncSelectionToView() {
  syncing_ = true;
  const int sel = session_.doc.List1.ListIndex();
  QItemSelectionModel* s = list_->selectionModel();
  if (session_.doc.List1.Valid(sel)) {
    QModelIndex at = model_->index(sel);
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

void Form1::FocusCell(int index) { cell(index)->setFocus(Qt::OtherFocusReason); }

void Form1::FocusList() { list_->setFocus(Qt::OtherFocusReason); }

bool Form1::FileCanHold(const QString& text) const { return lm::FileCanHold(session_.doc, FromQt(text)); }

bool Form1::CellKeyDown(int index, int virtualKey, bool producesCharacter) {
  GridKeyOutcome out;
  Run(CommandId::EditEntry,
      [&] { out = Text2_KeyDown(session_.doc, session_.grid, index, virtualKey); }, false);
  if (out.focusCell >= 0) FocusCell(out.focusCell);
  if (out.focusList) FocusList();
  // Only a character reaches the cell itself; editing keys such as Backspace
  // act through the handler alone, so Backspace in cell 0 does nothing. With
  // no entry shown the cells take no typing: it could go nowhere.
  return producesCharacter && session_.grid.EntryId != 0;
}

void Form1::CellEdited(int index, const QString& text) {
  if (!PutCharacter(session_.doc, session_.grid, index, FromQt(text))) {
    cell(index)->setText(ToQt(session_.grid.Text2[static_cast<size_t>(index)]));
    return;
  }
  RefreshActions();
}

void Form1::CopyGrid(bool cut) {
  if (session_.grid.EntryId == 0) return;
  QGuiApplication::clipboard()->setText(ToQt(GridVisibleText(session_.grid)));
  if (cut) Run(CommandId::Cut, [this] { ClearGridText(session_.doc, session_.grid); }, false);
}

void Form1::PasteIntoGrid(int index) {
  int next = -1;
  const std::string text = FromQt(QGuiApplication::clipboard()->text());
  Run(CommandId::Paste, [&] { next = lm::PasteIntoGrid(session_.doc, session_.grid, index, text); }, false);
  if (next >= 0) FocusCell(next);
}

void Form1::CharactersCommitted(int index, const QString& text) {
  int at = index;
  for (const uint codePoint : text.toUcs4()) {
    const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
    if (!QChar::isPrint(codePoint) || !FileCanHold(character)) continue;
    if (!CellKeyDown(at, vk::Other, true)) return;
    cell(at)->setText(character);
    CellEdited(at, character);
    if (at < session_.grid.Cells() - 1) ++at;
  }
}

// ---------------------------------------------------------------- files

void Form1::ReplaceDocument(std::function<LoadResult(Document&)> load, std::string fileName,
                            QWidget* messageParent, bool silent) {
  WriteBackPending();
  QPointer<QWidget> parent = messageParent;
  auto go = [this, load, fileName, parent, silent] {
    LoadResult loaded;
    Run(CommandId::Open, [&] { loaded = load(session_.doc); }, false);
    if (!loaded) {
      if (!silent || loaded.Refused())
        ShowMessage(parent ? parent.data() : this, ToQt(LoadFailureMessage(loaded, fileName)));
      return;
    }
    if (windows_->loadbox) windows_->loadbox->close();
    FocusList();
  };
  if (session_.doc.Changed()) {
    windows_->saveFlow->AskToSave(go, go);
  } else {
    go();
  }
}

void Form1::OpenChosenFile(const std::string& dirListPath, const std::string& fileListFolder,
                           const std::string& fileName) {
  ReplaceDocument(
      [this, dirListPath, fileListFolder, fileName](Document& doc) {
        return LoadSubtitleFile(
            doc, fileListFolder, fileName,
            [&] { return folders_.WriteDirectory(dirListPath, fileListFolder, fileName); }, std::nullopt,
            folders_.ReadFrameRate());
      },
      fileName, windows_->loadbox, false);
}

void Form1::OpenFromOutside(const QString& path) {
  const QFileInfo info(path);
  const std::string folder = LocalPath(info.absolutePath());
  OpenChosenFile(folder, folder, LocalPath(info.fileName()));
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile() && IsSubtitleFile(urls.front().toLocalFile()))
    event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  OpenFromOutside(urls.front().toLocalFile());
}

void Form1::LatestSub_Click() {
  const std::string path = LocalPath(latestSub_->data().toString());
  if (path.empty()) return;
  const double rate = folders_.ReadFrameRate();
  ReplaceDocument([path, rate](Document& doc) { return LoadSubtitlePath(doc, path, std::nullopt, rate); },
                  FileNameOf(path), this, true);
}

void Form1::Encoding_Click(Encoding encoding) {
  // The check mark stays on the encoding in use until the file is read anew.
  RefreshActions();
  const Document& doc = session_.doc;
  if (doc.NoDocument() || doc.FileEncoding() == encoding ||
      (encoding == Encoding::Utf8 && doc.FileEncoding() == Encoding::Utf8Bom))
    return;
  // The file the document has then: "Save ?" may save it elsewhere first.
  const double rate = doc.Identity().frameRate;
  ReplaceDocument(
      [encoding, rate](Document& d) { return LoadSubtitlePath(d, d.FilePath(), encoding, rate); },
      doc.FileName(), this, false);
}

void Form1::FrameRate_Click(double rate) {
  // The choice is the document's, and the one later documents start with.
  folders_.WriteFrameRate(rate);
  Run(CommandId::FrameRate, [&] {
    if (!session_.doc.NoDocument()) session_.doc.SetFrameRate(rate);
  });
}

void Form1::Avsluta_Click() {
  WriteBackPending();
  if (session_.doc.Changed() == 0) {
    endProgram();
    return;
  }
  // Saved or given up, the program ends either way.
  windows_->saveFlow->AskToSave([this] { endProgram(); }, [this] { endProgram(); });
}

void Form1::closeEvent(QCloseEvent* event) {
  WriteBackPending();
  if (session_.doc.Changed() == 0) {
    event->accept();
    endProgram();
    return;
  }
  event->ignore();
  windows_->saveFlow->AskToSave([this] { endProgram(); }, [this] { endProgram(); });
}

void Form1::Load_Click() {
  ShowSingle(windows_->loadbox, [this] {
    return new Loadbox(
        folders_,
        [this](const std::string& dirListPath, const std::string& fileListFolder,
               const std::string& fileName) { OpenChosenFile(dirListPath, fileListFolder, fileName); },
        this);
  });
}

void Form1::Save_Click() {
  WriteBackPending();
  windows_->saveFlow->Save();
}

void Form1::Saveas_Click() {
  WriteBackPending();
  ShowSaveDialog(nullptr);
}

void Form1::ShowSaveDialog(std::function<void()> onSaved) {
  if (windows_->saveDialog) windows_->saveDialog->close();
  auto* dialog = new SaveDialog(session_.doc, folders_, *windows_->saveFlow, std::move(onSaved), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  windows_->saveDialog = dialog;
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

}  // namespace lm::ui
