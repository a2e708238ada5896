// Replacing the document (Open, a file from outside, the last file, another
// encoding), the frame rate, saving and leaving: nothing the user changed is
// replaced or dropped without "Save ?" first.
#include <algorithm>

#include <QCloseEvent>
#include <QFileInfo>
#include <QMimeData>

#include "files/charset.h"
#include "formats/registry.h"
#include "windows/main_window_parts.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::ui {

namespace {
bool IsSubtitleFile(const QString& path) {
  return FormatOfPath(LocalPath(path)) != nullptr && QFileInfo(path).isFile();
}
}  // namespace

void Form1::ReplaceDocument(std::function<LoadResult(Document&)> load, std::string path, QWidget* messageParent) {
  WriteBackPending();
  QPointer<QWidget> parent = messageParent;
  auto go = [this, load, path, parent] {
    LoadResult loaded;
    Run(
        CommandId::Open, [&] { loaded = load(session_.doc); }, false);
    if (!loaded) {
      // Why, in the system's words where it has them, and with the whole
      // path where that is what could not be opened.
      ShowMessage(parent ? parent.data() : this, FromLocalPath(LoadFailureMessage(loaded, path)));
      return;
    }
    if (windows_->loadbox) windows_->loadbox->close();
    FocusList();
  };
  if (session_.Changed()) {
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
      ComposeFilePath(fileListFolder, fileName), windows_->loadbox);
}

void Form1::OpenFromOutside(const QString& path) {
  // A relative path is the current folder's.
  const QFileInfo info(QFileInfo(path).absoluteFilePath());
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
  ReplaceDocument([path, rate](Document& doc) { return LoadSubtitlePath(doc, path, std::nullopt, rate); }, path, this);
}

void Form1::Encoding_Click(Encoding encoding) {
  // The check mark stays on the encoding in use until the file is read anew.
  RefreshActions();
  const Document& doc = session_.doc;
  if (doc.NoDocument() || doc.FileEncoding() == encoding ||
      (encoding == Encoding::Utf8 && doc.FileEncoding() == Encoding::Utf8Bom))
    return;
  WriteBackPending();
  if (session_.Changed()) {
    // Changes are the user's work: they may stay and be saved in the
    // encoding chosen, or go with a fresh reading of the file.
    const QString name = QString::fromLatin1(EncodingName(encoding));
    const int choice = AskChoice(
        this,
        QStringLiteral("%1 has changes that are not saved. Keep them and save the document in %2 from now on, or "
                       "read the file again in %2?")
            .arg(FromLocalPath(doc.FileName()), name),
        {QStringLiteral("Save in %1").arg(name), QStringLiteral("Read again")});
    if (choice == 0) SaveInEncoding(encoding);
    if (choice != 1) return;
  }
  // The file the document has then: "Save ?" may save it elsewhere first.
  const double rate = doc.Identity().frameRate;
  ReplaceDocument([encoding, rate](Document& d) { return LoadSubtitlePath(d, d.FilePath(), encoding, rate); },
                  doc.FilePath(), this);
}

void Form1::SaveInEncoding(Encoding encoding) {
  const Document& doc = session_.doc;
  std::vector<std::string> notHeld;
  // As the file will hold the lines: without the marks the document keeps.
  for (const std::string& line : doc.List1.Items())
    for (std::string& c : CharactersNotHeld(encoding, ShowLiteralBars(AsKept(line))))
      if (std::find(notHeld.begin(), notHeld.end(), c) == notHeld.end()) notHeld.push_back(std::move(c));
  if (!notHeld.empty()) {
    ShowMessage(this, QStringLiteral("%1, so %2 is still saved in %3.")
                          .arg(ToQt(NotHeldReason(encoding, notHeld)), FromLocalPath(doc.FileName()),
                               QString::fromLatin1(EncodingName(doc.FileEncoding()))));
    RefreshActions();
    return;
  }
  Run(CommandId::Encoding, [&] { session_.SaveInEncoding(encoding); });
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
  if (session_.Changed() == 0) {
    endProgram();
    return;
  }
  // Saved or given up, the program ends either way.
  windows_->saveFlow->AskToSave([this] { endProgram(); }, [this] { endProgram(); });
}

void Form1::closeEvent(QCloseEvent* event) {
  WriteBackPending();
  if (session_.Changed() == 0) {
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
        [this](const std::string& dirListPath, const std::string& fileListFolder, const std::string& fileName) {
          OpenChosenFile(dirListPath, fileListFolder, fileName);
        },
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
