#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "document/commands.h"
#include "document/sub_file.h"
#include "editor/char_grid.h"
#include "editor/line_commands.h"
#include "fixing/fixing.h"
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
const QString kCaption = QStringLiteral("  Tornak Linemend");

QString PathToQt(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
}  // namespace

// The windows shown from here: each exists at most once.
struct Form1::Windows {
  QPointer<Loadbox> loadbox;
  QPointer<SaveDialog> saveDialog;
  std::unique_ptr<SaveFlow> saveFlow;
  QPointer<HelpWindow> helpSign;
  QPointer<KeyHelpWindow> keyHelpSign;
  QPointer<AboutWindow> tornak;
};

// ---------------------------------------------------------------- grid cell

GridCell::GridCell(Form1* form, int index, QWidget* parent)
    : QLineEdit(parent), form_(form), index_(index) {
  setObjectName(QStringLiteral("Text2_%1").arg(index));
  setAlignment(Qt::AlignCenter);
  setFont(SansSerifFont(9.75, true));
  setTextMargins(0, 0, 0, 0);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    form_->CellEdited(index_, text);
  });
}

void GridCell::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  const bool character = !text.isEmpty() && text.at(0).isPrint() && !command;
  if (character && !Representable(text)) {
    event->accept();  // the file's code page cannot hold it: refused, not mangled
    return;
  }
  const bool ownInput = form_->CellKeyDown(index_, VirtualKeyOf(event), character);
  // The character goes to the cell where the key went down, after the handler
  // has emptied it and moved the focus on.
  if (ownInput) QLineEdit::keyPressEvent(event);
}

void Textline::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (clicked) clicked();
}

// ---------------------------------------------------------------- the window

Form1::Form1(std::string programFolder, QWidget* parent)
    : QMainWindow(parent), folders_(std::move(programFolder)), windows_(std::make_unique<Windows>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kCaption);
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  endProgram = [] { QApplication::exit(0); };
  doc_.ShowMessage = [this](const std::string& text) {
    FlushPendingViews();  // the message box shows the document as it stands
    ShowMessage(this, ToQt(text));
  };
  doc_.SetObserver(this);
  windows_->saveFlow = std::make_unique<SaveFlow>(
      doc_, folders_, this, [this] { ShowSaveDialog(); }, [this] { endProgram(); });
  BuildControls();
  BuildMenus();
  SetTabOrder();
  Form_Load();
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
  doc_.SetObserver(nullptr);
}

QLineEdit* Form1::textline() const { return text1_; }

QAction* Form1::action(const QString& name) const { return findChild<QAction*>(name); }
Loadbox* Form1::openDialog() const { return windows_->loadbox; }
SaveDialog* Form1::saveDialog() const { return windows_->saveDialog; }
SaveFlow* Form1::saveFlow() const { return windows_->saveFlow.get(); }

void Form1::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setMinimumSize(TwipsSize(10140, 5640));
  setCentralWidget(client);

  model_ = new EntryListModel(doc_.List1, this);
  model_->selectionMoved = [this] {
    selectionPending_ = true;
    if (commandDepth_ == 0) SyncSelectionToView();
  };
  list_ = new EntryListView(client);
  list_->setObjectName(QStringLiteral("List1"));
  list_->setModel(model_);
  list_->setGeometry(Twips(120, 0, 9924, 2595));
  list_->gotFocus = [this] { List1_GotFocus(doc_); };
  list_->keyDown = [this](int key) {
    bool toGrid = false;
    Run([&] { toGrid = List1_KeyDown(doc_, key); });
    if (toGrid) FocusCell(0);
  };
  list_->mouseDown = [this] {
    bool toGrid = false;
    Run([&] { toGrid = List1_MouseDown(doc_); });
    if (toGrid) FocusCell(0);
  };
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_) UserMovedSelection(current.isValid() ? current.row() : -1);
          });

  for (int i = 0; i < kGridCells; ++i) {
    auto* c = new GridCell(this, i, client);
    const int row = i / kRowCells, col = i % kRowCells;
    c->setGeometry(Twips(120 + 240 * col, row == 0 ? 2640 : 3120, 312, 450));
    cells_[i] = c;
  }
  // Neighbouring cells overlap; later cells must not hide the earlier ones' text.
  for (int i = kGridCells - 1; i >= 0; --i) cells_[i]->raise();

  struct FrameButton {
    const char* name;
    const char* tip;
    int left, width;
    const char* picture;
    int startDelta, stopDelta;
  };
  const FrameButton buttons[] = {
      {"Command7", "Start - 100", 120, 375, "left_100", -100, 0},
      {"Command6", "Start - 10", 480, 255, "left_10", -10, 0},
      {"Command5", "Start - 1", 720, 255, "left_1", -1, 0},
      {"Command2", "Start + 1", 960, 255, "right_1", 1, 0},
      {"Command3", "Start + 10", 1200, 255, "right_10", 10, 0},
      {"Command4", "Start + 100", 1440, 375, "right_100", 100, 0},
      {"Command8", "Stop - 100", 3720, 375, "left_100", 0, -100},
      {"Command9", "Stop - 10", 4080, 255, "left_10", 0, -10},
      {"Command10", "Stop - 1", 4320, 255, "left_1", 0, -1},
      {"Command13", "Stop + 1", 4560, 255, "right_1", 0, 1},
      {"Command12", "Stop + 10", 4800, 255, "right_10", 0, 10},
      {"Command11", "Stop + 100", 5040, 375, "right_100", 0, 100},
  };
  for (const FrameButton& b : buttons) {
    auto* button = new QToolButton(client);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setToolTip(QString::fromLatin1(b.tip));
    QPixmap picture(QStringLiteral(":/images/%1.png").arg(QLatin1String(b.picture)));
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
    button->setGeometry(Twips(b.left, 3600, b.width, 375));
    const int startDelta = b.startDelta, stopDelta = b.stopDelta;
    connect(button, &QToolButton::clicked, this, [this, startDelta, stopDelta] {
      Run([&] { AdjustFrames(doc_, startDelta, stopDelta); });
    });
  }

  text1_ = new Textline(client);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setFont(SansSerifFont(9.75, true));
  // Only the frame buttons and the commands write the frame pair.
  text1_->setReadOnly(true);
  text1_->setGeometry(Twips(1800, 3600, 1935, 375));
  text1_->clicked = [this] { FocusCell(0); };

  struct LineButton {
    const char* name;
    const char* caption;
    int left, width;
    bool (*command)(Document&);
  };
  const LineButton lineButtons[] = {
      {"Command1", "Delete Line", 5520, 1455, &Command1_Click},
      {"Command14", "Split Line", 6960, 1575, &Command14_Click},
      {"Command15", "Add Line", 8520, 1512, &Command15_Click},
  };
  for (const LineButton& b : lineButtons) {
    auto* button = new QPushButton(QString::fromLatin1(b.caption), client);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setGeometry(Twips(b.left, 3600, b.width, 375));
    auto command = b.command;
    connect(button, &QPushButton::clicked, this, [this, command] { Run([&] { command(doc_); }); });
  }

  auto makePreview = [client](const char* name, int top) {
    auto* label = new QLabel(client);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(Twips(120, top, 9924, 735));
    label->setAlignment(Qt::AlignCenter);
    label->setFont(ArialFont(20.25, true));
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    return label;
  };
  label1_ = makePreview("Label1", 4080);
  label2_ = makePreview("Label2", 4800);

  resize(TwipsSize(10140, 5640) + QSize(0, menuBar()->sizeHint().height()));
}

void Form1::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& caption,
                    std::function<void()> handler) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [handler] { handler(); });
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("File"));
  add(file, "Load", QStringLiteral("Open"), [this] { Load_Click(); });
  add(file, "Save", QStringLiteral("Save"), [this] { Save_Click(); });
  add(file, "Saveas", QStringLiteral("Save As"), [this] { Saveas_Click(); });
  add(file, "Avsluta", QStringLiteral("Exit"), [this] { Avsluta_Click(); });
  file->addSeparator()->setObjectName(QStringLiteral("Line"));
  latestSub_ = add(file, "LatestSub", QString(), [this] { LatestSub_Click(); });

  QMenu* find = menuBar()->addMenu(QStringLiteral("Seek"));
  find->setObjectName(QStringLiteral("Find"));
  add(find, "Tolong", QStringLiteral("To long line"), [this] { Run([this] { Tolong_Click(doc_); }); });
  QAction* next = add(find, "Nextline", QStringLiteral("Next"),
                      [this] { Run([this] { Nextline_Click(doc_); }); });
  next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  next->setShortcutContext(Qt::ApplicationShortcut);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
  edit->setObjectName(QStringLiteral("Edit"));
  add(edit, "Fixlines", QStringLiteral("Fix text automatic"),
      [this] { Run([this] { Fixlines_Click(doc_); }); });
  add(edit, "Rmhi", QStringLiteral("Remove hearing impaired text"),
      [this] { Run([this] { Rmhi_Click(doc_); }); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("Help"));
  add(help, "Contents", QStringLiteral("Contents"),
      [this] { ShowSingle(windows_->helpSign, [] { return new HelpWindow; }); });
  add(help, "Tabgenter", QStringLiteral("Keyhelp"),
      [this] { ShowSingle(windows_->keyHelpSign, [] { return new KeyHelpWindow; }); });
  add(help, "Epost", QStringLiteral("E-mail Tornak"), [] { lm::ui::HemSida::OpenMailLink(); });
  add(help, "HemSida", QStringLiteral("Tornak Homepage"), [] { lm::ui::HemSida::OpenHomePage(); });
  add(help, "Aboutbox", QStringLiteral("About"),
      [this] { ShowSingle(windows_->tornak, [] { return new AboutWindow; }); });
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
  doc_.Changed = 0;
  std::string folder, lastFile;
  QString caption;
  if (folders_.ReadDirectory(folder, lastFile)) caption = PathToQt(lastFile);
  latestSub_->setData(caption);
  // "&" would otherwise turn into a keyboard mnemonic.
  latestSub_->setText(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void Form1::Run(const std::function<void()>& command) {
  ++commandDepth_;
  command();
  --commandDepth_;
  if (commandDepth_ == 0) FlushPendingViews();
}

void Form1::FlushPendingViews() {
  if (textlinePending_) {
    textlinePending_ = false;
    text1_->setText(ToQt(doc_.Text1()));
    // A load that failed leaves no document, and the caption names none.
    if (doc_.NoDocument()) setWindowTitle(kCaption);
  }
  if (gridPending_) {
    gridPending_ = false;
    for (int i = 0; i < kGridCells; ++i) {
      QString text = ToQt(doc_.Text2[i]);
      if (cells_[i]->text() != text) cells_[i]->setText(text);
    }
    label1_->setText(ToQt(doc_.Label1));
    label2_->setText(ToQt(doc_.Label2));
  }
  if (selectionPending_) SyncSelectionToView();
}

void Form1::SyncSelectionToView() {
  selectionPending_ = false;
  syncing_ = true;
  const int sel = doc_.List1.ListIndex();
  QItemSelectionModel* s = list_->selectionModel();
  if (doc_.List1.Valid(sel)) {
    QModelIndex at = model_->index(sel);
    s->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(at);
  } else {
    s->clearSelection();
    s->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  syncing_ = false;
}

void Form1::UserMovedSelection(int row) {
  if (row == doc_.List1.ListIndex() && row == doc_.CurrentIndex) return;
  Run([&] { SelectEntry(doc_, row); });
}

void Form1::FocusCell(int index) { cells_[index]->setFocus(Qt::OtherFocusReason); }

void Form1::FocusList() { list_->setFocus(Qt::OtherFocusReason); }

bool Form1::CellKeyDown(int index, int virtualKey, bool producesCharacter) {
  GridKeyOutcome out;
  Run([&] { out = Text2_KeyDown(doc_, index, virtualKey); });
  if (out.focusCell >= 0) FocusCell(out.focusCell);
  if (out.focusList) FocusList();
  // Only a character reaches the cell itself; editing keys such as Backspace
  // act through the handler alone, so Backspace in cell 0 does nothing.
  return producesCharacter;
}

void Form1::CellEdited(int index, const QString& text) {
  // The validator-free cell may receive pasted text: keep what the code page holds.
  auto bytes = FromQt(text);
  if (!bytes) {
    cells_[index]->setText(ToQt(doc_.Text2[index]));
    return;
  }
  doc_.Text2[index] = *bytes;
}

// A command that walks the whole document changes the textline and the grid
// many times; the widgets show only the state it ends in.
void Form1::TextlineChanged() {
  textlinePending_ = true;
  if (commandDepth_ == 0) FlushPendingViews();
}

void Form1::GridChanged() {
  gridPending_ = true;
  if (commandDepth_ == 0) FlushPendingViews();
}

void Form1::DocumentLoaded() {
  setWindowTitle(kCaption + QStringLiteral(":  ") + PathToQt(doc_.FilePath));
  FocusList();
}

void Form1::LatestSub_Click() {
  const QString path = latestSub_->data().toString();
  bool loaded = false;
  Run([&] { loaded = ReloadSubtitleFile(doc_, QFile::encodeName(path).toStdString()); });
  if (!loaded) return;
  DocumentLoaded();
  if (windows_->loadbox) windows_->loadbox->close();
}

void Form1::Avsluta_Click() {
  if (doc_.Changed == 0) {
    endProgram();
    return;
  }
  ShowSaveChangesPrompt();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (doc_.Changed == 0) {
    event->accept();
    endProgram();
    return;
  }
  event->ignore();
  ShowSaveChangesPrompt();
}

void Form1::Load_Click() {
  ShowSingle(windows_->loadbox,
             [this] { return new Loadbox(doc_, folders_, [this] { DocumentLoaded(); }, this); });
}

void Form1::Save_Click() { Run([this] { windows_->saveFlow->Save(); }); }

void Form1::Saveas_Click() { ShowSaveDialog(); }

void Form1::ShowSaveDialog() {
  ShowSingle(windows_->saveDialog,
             [this] { return new SaveDialog(doc_, folders_, *windows_->saveFlow, this); });
}

void Form1::ShowSaveChangesPrompt() { windows_->saveFlow->ShowSaveChangesPrompt(); }

}  // namespace lm::ui
