#include "save_flow.h"

#include <QLabel>
#include <QPushButton>

#include "document/sub_file.h"
#include "windows/folder_browser.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::ui {

namespace {

const QString kWrongType = QStringLiteral("Wrong Type Of Filenamne Or No Sub Loaded...");

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect where) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(where);
  // Enter on the focused button presses it.
  b->setAutoDefault(true);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect where) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QStringLiteral("Label1"));
  l->setGeometry(where);
  l->setWordWrap(true);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return l;
}

void PromptFlags(QWidget* w, bool sizable) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (!sizable) flags |= Qt::MSWindowsFixedSizeDialogHint;
  w->setWindowFlags(flags);
}

}  // namespace

// ------------------------------------------------------------- the prompts

SaveForm::SaveForm(std::function<void()> yes, std::function<void()> no)
    : yes_(std::move(yes)), no_(std::move(no)) {
  setObjectName(QStringLiteral("SaveForm"));
  setWindowTitle(QStringLiteral("Save ?"));
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  PromptFlags(this, false);
  setFont(SansSerifFont(8.25));
  setFixedSize(TwipsSize(2715, 1185));
  QLabel* label =
      MakeLabel(this, QStringLiteral("Do You want to save Your changes?"), Twips(120, 120, 2415, 615));
  label->setFont(ArialFont(9.75));
  QPushButton* yesButton = MakeButton(this, "Command1", QStringLiteral("Yes"), Twips(120, 720, 735, 375));
  QPushButton* noButton = MakeButton(this, "Command2", QStringLiteral("No"), Twips(960, 720, 735, 375));
  QPushButton* cancel = MakeButton(this, "Command3", QStringLiteral("Cancel"), Twips(1800, 720, 735, 375));
  connect(yesButton, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(noButton, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Command3_Click(); });
  setTabOrder(yesButton, noButton);
  setTabOrder(noButton, cancel);
  yesButton->setFocus();
}

void SaveForm::Command1_Click() {
  if (yes_) yes_();
  close();
}

void SaveForm::Command2_Click() {
  // The callback may tear down whatever owns this prompt; keep a copy.
  std::function<void()> end = no_;
  close();
  if (end) end();
}

void SaveForm::Command3_Click() { close(); }

Skrivskydd::Skrivskydd(std::function<void()> yes) : yes_(std::move(yes)) {
  setObjectName(QStringLiteral("Skrivskydd"));
  setWindowTitle(QStringLiteral("Write protected file !"));
  PromptFlags(this, true);
  setFont(SansSerifFont(8.25));
  resize(TwipsSize(3270, 1230));
  setMinimumSize(TwipsSize(3270, 1230));
  MakeLabel(this, QStringLiteral("The file is write protected. Do You want to overwrite it?"),
            Twips(120, 120, 3135, 495));
  QPushButton* yesButton = MakeButton(this, "Command1", QStringLiteral("Yes"), Twips(120, 720, 1455, 375));
  QPushButton* cancel = MakeButton(this, "Command2", QStringLiteral("Cancel"), Twips(1680, 720, 1455, 375));
  connect(yesButton, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Command2_Click(); });
  setTabOrder(yesButton, cancel);
  yesButton->setFocus();
}

void Skrivskydd::Command1_Click() {
  if (yes_) yes_();
}

void Skrivskydd::Command2_Click() { close(); }

// --------------------------------------------------------------- the flow

SaveFlow::SaveFlow(Document& doc, const RememberedFolders& folders, QWidget* mainWindow,
                   std::function<void()> showSaveDialog, std::function<void()> endProgram,
                   QObject* parent)
    : QObject(parent),
      doc_(doc),
      folders_(folders),
      mainWindow_(mainWindow),
      showSaveDialog_(std::move(showSaveDialog)),
      endProgram_(std::move(endProgram)) {}

SaveFlow::~SaveFlow() {
  // The prompts have no owner window; they call back into this object.
  delete saveForm_.data();
  delete skrivskydd_.data();
}

void SaveFlow::Save() {
  if (doc_.NoDocument() || doc_.FilePath.empty()) {
    ShowMessage(mainWindow_, kWrongType);
    return;
  }
  const WriteStatus status = WriteSubtitleFile(doc_.FilePath, doc_.List1.Items()).status;
  if (status == WriteStatus::Ok) {
    doc_.Changed = 0;
  } else if (status == WriteStatus::ReadOnly || IsReadOnly(doc_.FilePath)) {
    ShowWriteProtectedPrompt(doc_.FilePath);
  } else {
    ShowMessage(mainWindow_, kWrongType);
  }
}

bool SaveFlow::SaveAs(const QString& nameBoxText, const QString& dirListPath) {
  doc_.FilePath = LocalPath(nameBoxText);
  // Without a document there is nothing to write; writing the empty list
  // would empty whichever file the name box names.
  if (doc_.NoDocument()) {
    ShowMessage(mainWindow_, kWrongType);
    return false;
  }
  const WriteStatus status = WriteSubtitleFile(doc_.FilePath, doc_.List1.Items()).status;
  if (status == WriteStatus::Ok && folders_.WriteSaveDir(LocalPath(dirListPath))) return true;
  if (status == WriteStatus::ReadOnly || (status != WriteStatus::Ok && IsReadOnly(doc_.FilePath))) {
    ShowWriteProtectedPrompt(doc_.FilePath);
    return true;
  }
  ShowMessage(mainWindow_, QStringLiteral("Error"));
  return false;
}

void SaveFlow::ShowSaveChangesPrompt() {
  ShowSingle(saveForm_, [this] {
    auto* prompt = new SaveForm(
        [this] {
          if (showSaveDialog_) showSaveDialog_();
        },
        [this] {
          std::function<void()> end = endProgram_;
          if (end) end();
        });
    prompt->adjustSize();
    CentreOn(prompt, mainWindow_);
    return prompt;
  });
}

void SaveFlow::ShowWriteProtectedPrompt(const std::string& path) {
  // A prompt already open now asks about the latest file.
  protectedPath_ = path;
  ShowSingle(skrivskydd_, [this] {
    auto* prompt = new Skrivskydd([this] { Overwrite(skrivskydd_); });
    CentreOn(prompt, mainWindow_);
    return prompt;
  });
}

void SaveFlow::Overwrite(Skrivskydd* prompt) {
  if (!prompt) return;
  prompt->hide();
  // The prompt asked about one file; browsing in a Save dialog meanwhile
  // must not redirect the overwrite to another.
  const std::string path = protectedPath_;
  bool ok = false;
  // A document closed meanwhile would overwrite the file with nothing.
  if (!path.empty() && !doc_.NoDocument() && SetReadOnly(path, false)) {
    ok = WriteSubtitleFile(path, doc_.List1.Items()).ok();
    if (ok) doc_.Changed = 0;
    // Put the protection back whether or not the write succeeded.
    if (!SetReadOnly(path, true)) ok = false;
  }
  prompt->close();
  if (!ok) ShowMessage(mainWindow_, QStringLiteral("Error error o.s.v"));
}

}  // namespace lm::ui
