#include "windows/save_flow.h"

#include <algorithm>

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "commands/command_table.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
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

// A prompt owned by the main window, modal while it is open.
void MakePrompt(QWidget* prompt, bool fixedSize) {
  prompt->setWindowFlags(DialogFlags(fixedSize));
  prompt->setWindowModality(Qt::ApplicationModal);
  prompt->setFont(SansSerifFont(8.25));
}

}  // namespace

QString CannotWriteMessage(const std::string& path, const WriteResult& result) {
  return QStringLiteral("Cannot write %1: %2")
      .arg(FromLocalPath(path), QString::fromLocal8Bit(result.Reason().c_str()));
}

// ------------------------------------------------------------- the prompts

SaveForm::SaveForm(QWidget* owner, std::function<void()> yes, std::function<void()> no)
    : QWidget(owner), yes_(std::move(yes)), no_(std::move(no)) {
  setObjectName(QStringLiteral("SaveForm"));
  setWindowTitle(QStringLiteral("Save ?"));
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setFixedSize(TwipsSize(2715, 1185));
  QLabel* label = MakeLabel(this, QStringLiteral("Do You want to save Your changes?"), Twips(120, 120, 2415, 615));
  label->setFont(ArialFont(9.75));
  QPushButton* yesButton = MakeButton(this, "Command1", QStringLiteral("Yes"), Twips(120, 720, 735, 375));
  QPushButton* noButton = MakeButton(this, "Command2", QStringLiteral("No"), Twips(960, 720, 735, 375));
  QPushButton* cancel = MakeButton(this, "Command3", QStringLiteral("Cancel"), Twips(1800, 720, 735, 375));
  MakePrompt(this, true);
  connect(yesButton, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(noButton, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Command3_Click(); });
  setTabOrder(yesButton, noButton);
  setTabOrder(noButton, cancel);
  yesButton->setFocus();
}

void SaveForm::Command1_Click() {
  // The callbacks may open other windows or end the program; keep copies.
  std::function<void()> yes = yes_;
  close();
  if (yes) yes();
}

void SaveForm::Command2_Click() {
  std::function<void()> no = no_;
  close();
  if (no) no();
}

void SaveForm::Command3_Click() { close(); }

void SaveForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Command3_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

Skrivskydd::Skrivskydd(QWidget* owner, std::function<void()> yes) : QWidget(owner), yes_(std::move(yes)) {
  setObjectName(QStringLiteral("Skrivskydd"));
  setWindowTitle(QStringLiteral("Write protected file !"));
  // Wide enough for its caption beside the title bar's buttons.
  QSize size = TwipsSize(3270, 1230);
  size.setWidth(std::max(size.width(), fontMetrics().horizontalAdvance(windowTitle()) * 3 / 2 + 120));
  resize(size);
  setMinimumSize(size);
  MakeLabel(this, QStringLiteral("The file is write protected. Do You want to overwrite it?"),
            Twips(120, 120, 3135, 495));
  QPushButton* yesButton = MakeButton(this, "Command1", QStringLiteral("Yes"), Twips(120, 720, 1455, 375));
  QPushButton* cancel = MakeButton(this, "Command2", QStringLiteral("Cancel"), Twips(1680, 720, 1455, 375));
  MakePrompt(this, false);
  connect(yesButton, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Command2_Click(); });
  setTabOrder(yesButton, cancel);
  yesButton->setFocus();
}

void Skrivskydd::Command1_Click() {
  if (yes_) yes_();
}

void Skrivskydd::Command2_Click() { close(); }

void Skrivskydd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Command2_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

// --------------------------------------------------------------- the flow

SaveFlow::SaveFlow(Session& session, const RememberedFolders& folders, QWidget* mainWindow,
                   std::function<void(std::function<void()>)> showSaveDialog, QObject* parent)
    : QObject(parent),
      session_(session),
      doc_(session.doc),
      folders_(folders),
      mainWindow_(mainWindow),
      showSaveDialog_(std::move(showSaveDialog)) {}

SaveFlow::~SaveFlow() { CloseWindows(); }

void SaveFlow::CloseWindows() {
  // The prompts call back into this object: they go with it.
  delete saveForm_.data();
  delete skrivskydd_.data();
}

namespace {
QString NameOf(const std::string& path) { return FromLocalPath(FileNameOf(path)); }
}  // namespace

bool SaveFlow::IsOwnFile(const std::string& path) const {
  if (path == doc_.FilePath()) return true;
  const FileStamp target = StampOf(path), own = doc_.DiskStamp();
  return target.exists && own.exists && target.device == own.device && target.inode == own.inode;
}

bool SaveFlow::MayWriteOver(const std::string& path, FileStamp& seen) {
  seen = StampOf(path);
  // Gone, or never there: nothing of anyone else's to lose.
  if (!seen.exists) return true;
  if (IsOwnFile(path)) {
    // As it was read or last written: nothing of anyone else's either.
    if (seen == doc_.DiskStamp()) return true;
    return AskYesCancel(mainWindow_,
                        QStringLiteral("%1 has changed on disk since it was opened. Overwrite it?").arg(NameOf(path)));
  }
  // A read-only file gets the write-protected prompt instead, and what is no
  // file fails to be written.
  if (!QFileInfo(FromLocalPath(path)).isFile() || IsReadOnly(path)) return true;
  return AskYesCancel(mainWindow_, QStringLiteral("%1 already exists. Do You want to replace it?").arg(NameOf(path)));
}

WriteResult SaveFlow::WriteGuarded(const std::string& path, const Format* format, FileStamp seen) {
  for (;;) {
    const WriteResult result = WriteDocumentOver(doc_, path, format, seen);
    // Changed while it was being written: what is there now is asked about.
    if (result.status != WriteStatus::Changed || !MayWriteOver(path, seen)) return result;
  }
}

void SaveFlow::Save() {
  if (doc_.NoDocument() || doc_.FilePath().empty()) {
    ShowMessage(mainWindow_, kWrongType);
    return;
  }
  const std::string path = doc_.FilePath();
  FileStamp seen;
  if (!MayWriteOver(path, seen)) return;
  const WriteResult result = WriteGuarded(path, nullptr, seen);
  if (result.ok()) {
    Saved(path, result.stamp, false);
    return;
  }
  WriteFailed(path, result, seen, false, nullptr);
}

bool SaveFlow::SaveAs(const QString& nameBoxText, const QString& dirListPath, std::function<void()> onSaved) {
  const std::string path = LocalPath(nameBoxText);
  // Without a document there is nothing to write; writing the empty list
  // would empty whichever file the name box names.
  if (doc_.NoDocument() || path.empty()) {
    ShowMessage(mainWindow_, kWrongType);
    return false;
  }
  FileStamp seen;
  if (!MayWriteOver(path, seen)) return false;
  // The name's extension says the format: Save As converts.
  const Format* format = &FormatForPath(path, *doc_.Identity().format);
  const WriteResult result = WriteGuarded(path, format, seen);
  if (!result.ok()) {
    WriteFailed(path, result, seen, true, std::move(onSaved));
    // The write-protected prompt takes over from the dialog.
    return static_cast<bool>(skrivskydd_);
  }
  Saved(path, result.stamp, true, format);
  // The document is saved either way; nothing reads this file back.
  folders_.WriteSaveDir(LocalPath(dirListPath));
  // A conversion that left styles out says so.
  if (!result.note.empty())
    ShowMessage(mainWindow_, QStringLiteral("%1 is saved; %2.").arg(NameOf(path), ToQt(result.note)));
  if (onSaved) onSaved();
  return true;
}

void SaveFlow::Saved(const std::string& path, const FileStamp& written, bool newPath, const Format* format) {
  // Through the command boundary, so that every window sees the new state.
  doc_.Begin(UndoName(CommandId::Save));
  if (newPath) doc_.SetFilePath(path);
  if (format) doc_.SetFormat(*format);
  doc_.MarkSaved();
  session_.MarkSaved();
  // The file as written, not as it may be a moment later: a change made
  // right after is someone else's.
  doc_.SetDiskStamp(written);
  doc_.Commit();
}

void SaveFlow::WriteFailed(const std::string& path, const WriteResult& result, const FileStamp& seen, bool newPath,
                           std::function<void()> onSaved) {
  // The user declined to write over another program's change.
  if (result.status == WriteStatus::Changed) return;
  if (result.status == WriteStatus::ReadOnly || IsReadOnly(path)) {
    // Save keeps the document's format; Save As takes the name's.
    const Format* format = newPath ? &FormatForPath(path, *doc_.Identity().format) : doc_.Identity().format;
    overwriting_ = {path, newPath, std::move(onSaved), format, seen};
    ShowSingle(skrivskydd_, [this] {
      auto* prompt = new Skrivskydd(mainWindow_, [this] { Overwrite(); });
      CentreOn(prompt, mainWindow_);
      return prompt;
    });
    return;
  }
  ShowMessage(mainWindow_, CannotWriteMessage(path, result));
}

void SaveFlow::AskToSave(std::function<void()> afterSave, std::function<void()> afterNo) {
  if (saveForm_) saveForm_->close();
  auto* prompt = new SaveForm(
      mainWindow_,
      [this, afterSave] {
        if (showSaveDialog_) showSaveDialog_(afterSave);
      },
      afterNo);
  prompt->setAttribute(Qt::WA_DeleteOnClose);
  saveForm_ = prompt;
  CentreOn(prompt, mainWindow_);
  prompt->show();
  prompt->raise();
  prompt->activateWindow();
}

void SaveFlow::Overwrite() {
  Skrivskydd* prompt = skrivskydd_;
  if (!prompt) return;
  prompt->hide();
  const Overwriting job = overwriting_;
  WriteResult result{WriteStatus::Failed, 0};
  // A document closed meanwhile would overwrite the file with nothing.
  if (!job.path.empty() && !doc_.NoDocument() && SetReadOnly(job.path, false)) {
    result = WriteGuarded(job.path, job.format, job.seen);
    // The protection goes back whether or not the write succeeded.
    if (!SetReadOnly(job.path, true) && result.ok()) result = {WriteStatus::Failed, 0};
  }
  prompt->close();
  // Declined: another program changed the file while the prompt was open.
  if (result.status == WriteStatus::Changed) return;
  if (!result.ok()) {
    ShowMessage(mainWindow_, QStringLiteral("Error error o.s.v"));
    return;
  }
  // The protection set again changed nothing the stamp holds.
  Saved(job.path, result.stamp, job.newPath, job.format);
  if (job.onSaved) job.onSaved();
}

}  // namespace lm::ui
