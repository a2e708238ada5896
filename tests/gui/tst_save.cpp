// Save, Save As through the Save dialog, the write-protected overwrite and
// the save-changes prompt, driven through real mouse and key events.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <csignal>

#include "document/sub_file.h"
#include "support/gui_test_support.h"
#include "windows/folder_browser.h"
#include "windows/save_dialog.h"
#include "windows/save_flow.h"
#include "windows/window_util.h"

using lm::ui::FileList;
using lm::ui::FolderList;
using lm::ui::SaveDialog;
using lm::ui::SaveFlow;

namespace {
const QString kWrongType = QStringLiteral("Wrong Type Of Filenamne Or No Sub Loaded...");
const QByteArray kOriginal = "{1}{2}a\r\n{3}{4}b\r\n";
}  // namespace

class SaveTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> program_;
  std::unique_ptr<QTemporaryDir> data_;
  std::unique_ptr<lm::Document> doc_;
  std::unique_ptr<lm::RememberedFolders> folders_;
  std::unique_ptr<lm::test::MessageLog> log_;
  std::unique_ptr<QWidget> main_;
  std::unique_ptr<SaveFlow> flow_;
  QPointer<SaveDialog> dialog_;
  int shownSaveDialog_ = 0;
  int ended_ = 0;

  QString Data(const QString& name = QString()) const {
    return name.isEmpty() ? data_->path() : data_->filePath(name);
  }
  std::string Local(const QString& name) const { return lm::test::Local(Data(name)); }

  // film.sub loaded, its first entry edited and not yet saved.
  void LoadFilm() {
    lm::test::WriteBytes(Data("film.sub"), kOriginal);
    QVERIFY(lm::LoadSubtitleFile(*doc_, lm::test::Local(Data()), "film.sub", nullptr));
    doc_->List1.SetItem(0, "{1}{2}edited");
    doc_->Changed = 1;
  }
  SaveDialog& ShowDialog() {
    lm::test::WriteBytes(program_->filePath("directory.txt"),
                         "\"" + QFile::encodeName(Data()) + "\"\r\n\"x\"\r\n");
    dialog_ = new SaveDialog(*doc_, *folders_, *flow_, main_.get());
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->show();
    if (!QTest::qWaitForWindowExposed(dialog_)) qWarning("dialog not exposed");
    return *dialog_;
  }
  template <class W>
  static bool Gone(const QPointer<W>& w) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return w.isNull() || !w->isVisible();
  }
  template <class T>
  static T* Child(QWidget* w, const char* name) {
    return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }
  static void ClickButton(QWidget* w, const char* name) {
    auto* b = Child<QPushButton>(w, name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  static QListWidgetItem* Find(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().trimmed() == text) return list->item(i);
    return nullptr;
  }
  static void Click(QListWidget* list, const QString& text, bool twice = false) {
    QListWidgetItem* item = Find(list, text);
    QVERIFY2(item, qPrintable(text));
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  QString NameBox() { return Child<QLineEdit>(dialog_, "Text1")->text(); }
  QWidget* WriteProtectedPrompt() { return flow_->writeProtectedPrompt(); }

 private slots:
  void init() {
    program_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    doc_ = std::make_unique<lm::Document>();
    folders_ = std::make_unique<lm::RememberedFolders>(lm::test::Local(program_->path()));
    log_ = std::make_unique<lm::test::MessageLog>();
    main_ = std::make_unique<QWidget>();
    main_->setWindowTitle(QStringLiteral("  Tornak Linemend:  caption"));
    flow_ = std::make_unique<SaveFlow>(*doc_, *folders_, main_.get(), [this] { ++shownSaveDialog_; },
                                       [this] { ++ended_; });
    shownSaveDialog_ = ended_ = 0;
  }

  void cleanup() {
    delete dialog_.data();
    flow_.reset();
    main_.reset();
    log_.reset();
    for (const char* name : {"film.sub", "other.sub"})
      if (lm::FileExists(Local(name))) lm::SetReadOnly(Local(name), false);
  }

  void saveWritesTheListAndClearsChanged() {
    LoadFilm();
    flow_->Save();
    QCOMPARE(log_->messages, QStringList());
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), QByteArray("{1}{2}edited\r\n{3}{4}b\r\n"));
    QCOMPARE(doc_->Changed, 0);
  }

  void saveWithoutADocumentWritesNothing_data() {
    QTest::addColumn<bool>("withPath");
    QTest::newRow("no path") << false;
    QTest::newRow("path but no document") << true;
  }
  void saveWithoutADocumentWritesNothing() {
    QFETCH(bool, withPath);
    lm::test::WriteBytes(Data("film.sub"), kOriginal);
    if (withPath) doc_->FilePath = Local("film.sub");
    doc_->Changed = 1;
    flow_->Save();
    QCOMPARE(log_->messages, QStringList{kWrongType});
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QCOMPARE(doc_->Changed, 1);
  }

  void saveToAReadOnlyFileAsksFirst_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("Yes") << "Command1";
    QTest::newRow("Cancel") << "Command2";
    QTest::newRow("close box") << "";
  }
  void saveToAReadOnlyFileAsksFirst() {
    QFETCH(QString, answer);
    LoadFilm();
    QVERIFY(lm::SetReadOnly(Local("film.sub"), true));
    flow_->Save();
    QCOMPARE(log_->messages, QStringList());
    QPointer<QWidget> prompt = WriteProtectedPrompt();
    QVERIFY(prompt && prompt->isVisible());
    QCOMPARE(prompt->windowTitle(), QStringLiteral("Write protected file !"));
    QCOMPARE(Child<QLabel>(prompt, "Label1")->text(),
             QStringLiteral("The file is write protected. Do You want to overwrite it?"));
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);

    if (answer.isEmpty())
      prompt->close();
    else
      ClickButton(prompt, answer.toLatin1().constData());
    QVERIFY(Gone(prompt));
    QVERIFY(lm::IsReadOnly(Local("film.sub")));
    QCOMPARE(log_->messages, QStringList());
    if (answer == "Command1") {
      QCOMPARE(lm::test::ReadBytes(Data("film.sub")), QByteArray("{1}{2}edited\r\n{3}{4}b\r\n"));
      QCOMPARE(doc_->Changed, 0);
    } else {
      QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
      QCOMPARE(doc_->Changed, 1);
    }
  }

  void failedOverwriteKeepsTheFileProtected() {
    LoadFilm();
    QVERIFY(lm::SetReadOnly(Local("film.sub"), true));
    flow_->Save();
    QPointer<QWidget> prompt = WriteProtectedPrompt();
    QVERIFY(prompt);
    // The document is gone before the answer: nothing may be written.
    doc_->Reset();
    ClickButton(prompt, "Command1");
    QCOMPARE(log_->messages, QStringList{"Error error o.s.v"});
    QVERIFY(Gone(prompt));
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QVERIFY(lm::IsReadOnly(Local("film.sub")));
  }

  void saveThatFailsMidwayKeepsTheOldFile() {
    LoadFilm();
    // A document bigger than the largest file this process may write.
    std::vector<std::string> big(400, "{1}{2}" + std::string(60, 'x'));
    doc_->List1.Assign(big);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    flow_->Save();
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(log_->messages, QStringList{kWrongType});
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QCOMPARE(doc_->Changed, 1);
    QCOMPARE(QDir(Data()).entryList(QDir::Files | QDir::Hidden), QStringList{"film.sub"});
  }

  void saveIntoAnUnwritableFolderKeepsTheOldFile() {
    LoadFilm();
    QVERIFY(QFile::setPermissions(Data(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup));
    const bool enforced = ::access(QFile::encodeName(Data()).constData(), W_OK) != 0;
    if (enforced) flow_->Save();
    QFile::setPermissions(Data(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner);
    if (!enforced) QSKIP("folder permissions are not enforced for this user");
    QCOMPARE(log_->messages, QStringList{kWrongType});
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QCOMPARE(doc_->Changed, 1);
  }

  void saveAsWritesTheNewPathAndLaterSavesFollow() {
    LoadFilm();
    QDir(Data()).mkdir("out");
    SaveDialog& dialog = ShowDialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save"));
    QCOMPARE(NameBox(), Data("film.sub"));
    Click(Child<FolderList>(dialog_, "Dir1"), "out", true);
    QCOMPARE(NameBox(), Data("out/film.sub"));
    // Browsing alone moves the current path.
    QCOMPARE(doc_->FilePath, Local("out/film.sub"));

    ClickButton(dialog_, "Command1");
    QCOMPARE(log_->messages, QStringList());
    QVERIFY(Gone(dialog_));
    QCOMPARE(lm::test::ReadBytes(Data("out/film.sub")), QByteArray("{1}{2}edited\r\n{3}{4}b\r\n"));
    QCOMPARE(lm::test::ReadBytes(program_->filePath("savedir.txt")),
             "\"" + QFile::encodeName(Data("out")) + "\"\r\n");
    QCOMPARE(doc_->Changed, 1);
    QCOMPARE(main_->windowTitle(), QStringLiteral("  Tornak Linemend:  caption"));

    doc_->List1.SetItem(1, "{3}{4}again");
    flow_->Save();
    QCOMPARE(lm::test::ReadBytes(Data("out/film.sub")), QByteArray("{1}{2}edited\r\n{3}{4}again\r\n"));
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QCOMPARE(doc_->Changed, 0);
  }

  void clickingAFileNamesItAndCancelKeepsTheBrowsedPath() {
    LoadFilm();
    lm::test::WriteBytes(Data("other.sub"), "{9}{9}o\r\n");
    lm::test::WriteBytes(Data("notes.txt"), "n");
    ShowDialog();
    auto* file1 = Child<FileList>(dialog_, "File1");
    QCOMPARE(file1->count(), 2);
    Click(file1, "other.sub");
    QCOMPARE(NameBox(), Data("other.sub"));
    QCOMPARE(doc_->FilePath, Local("other.sub"));
    ClickButton(dialog_, "Command2");
    QVERIFY(Gone(dialog_));
    QCOMPARE(doc_->FilePath, Local("other.sub"));
    QCOMPARE(lm::test::ReadBytes(Data("other.sub")), QByteArray("{9}{9}o\r\n"));
  }

  void saveAsOntoAReadOnlyFileClosesAndAsks() {
    LoadFilm();
    lm::test::WriteBytes(Data("other.sub"), "{9}{9}o\r\n");
    QVERIFY(lm::SetReadOnly(Local("other.sub"), true));
    ShowDialog();
    Click(Child<FileList>(dialog_, "File1"), "other.sub");
    ClickButton(dialog_, "Command1");
    QVERIFY(Gone(dialog_));
    QPointer<QWidget> prompt = WriteProtectedPrompt();
    QVERIFY(prompt && prompt->isVisible());
    QCOMPARE(lm::test::ReadBytes(Data("other.sub")), QByteArray("{9}{9}o\r\n"));
    ClickButton(prompt, "Command1");
    QCOMPARE(log_->messages, QStringList());
    QCOMPARE(lm::test::ReadBytes(Data("other.sub")), QByteArray("{1}{2}edited\r\n{3}{4}b\r\n"));
    QVERIFY(lm::IsReadOnly(Local("other.sub")));
    QCOMPARE(doc_->Changed, 0);
  }

  void saveAsFailureKeepsTheDialogOpen() {
    LoadFilm();
    ShowDialog();
    auto* text1 = Child<QLineEdit>(dialog_, "Text1");
    text1->setFocus();
    text1->selectAll();
    QTest::keyClicks(text1, Data("missing/x.sub"));
    ClickButton(dialog_, "Command1");
    QCOMPARE(log_->messages, QStringList{"Error"});
    QVERIFY(!Gone(dialog_));
    QCOMPARE(doc_->FilePath, Local("missing/x.sub"));
    QVERIFY(!QFile::exists(program_->filePath("savedir.txt")));
  }

  void saveAsWithoutADocumentEmptiesNoFile() {
    lm::test::WriteBytes(Data("other.sub"), "{9}{9}o\r\n");
    ShowDialog();
    // No file loaded: the name box is the folder with a separator.
    QCOMPARE(NameBox(), Data() + "/");
    Click(Child<FileList>(dialog_, "File1"), "other.sub");
    ClickButton(dialog_, "Command1");
    QCOMPARE(log_->messages, QStringList{kWrongType});
    QCOMPARE(lm::test::ReadBytes(Data("other.sub")), QByteArray("{9}{9}o\r\n"));
  }

  void saveChangesPrompt_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("ended");
    QTest::newRow("Yes") << "Command1" << 1 << 0;
    QTest::newRow("No") << "Command2" << 0 << 1;
    QTest::newRow("Cancel") << "Command3" << 0 << 0;
    QTest::newRow("close box") << "" << 0 << 0;
  }
  void saveChangesPrompt() {
    QFETCH(QString, answer);
    QFETCH(int, shown);
    QFETCH(int, ended);
    LoadFilm();
    flow_->ShowSaveChangesPrompt();
    QPointer<QWidget> prompt = flow_->saveChangesPrompt();
    QVERIFY(prompt && prompt->isVisible());
    // A second request brings the same prompt forward.
    flow_->ShowSaveChangesPrompt();
    QCOMPARE(flow_->saveChangesPrompt(), prompt.data());
    QCOMPARE(prompt->windowTitle(), QStringLiteral("Save ?"));
    QCOMPARE(Child<QLabel>(prompt, "Label1")->text(), QStringLiteral("Do You want to save Your changes?"));
    if (answer.isEmpty())
      prompt->close();
    else
      ClickButton(prompt, answer.toLatin1().constData());
    QVERIFY(Gone(prompt));
    QCOMPARE(shownSaveDialog_, shown);
    QCOMPARE(ended_, ended);
    QCOMPARE(lm::test::ReadBytes(Data("film.sub")), kOriginal);
    QCOMPARE(doc_->Changed, 1);
    QCOMPARE(log_->messages, QStringList());
  }

  void layoutAndTabOrder() {
    LoadFilm();
    lm::test::WriteBytes(Data("other.sub"), "{9}{9}o\r\n");
    QDir(Data()).mkdir("out");
    SaveDialog& dialog = ShowDialog();
    QCOMPARE(dialog.size(), lm::ui::TwipsSize(5430, 3480));
    QCOMPARE(Child<QWidget>(dialog_, "File1")->geometry(), lm::ui::Twips(2760, 120, 2535, 2430));
    QCOMPARE(Child<QWidget>(dialog_, "Dir1")->geometry(), lm::ui::Twips(120, 600, 2535, 1890));
    QCOMPARE(Child<QWidget>(dialog_, "Text1")->geometry(), lm::ui::Twips(120, 2640, 5175, 285));
    QCOMPARE(Child<QPushButton>(dialog_, "Command1")->text(), QStringLiteral("Save"));
    QCOMPARE(Child<QPushButton>(dialog_, "Command2")->text(), QStringLiteral("Cancel"));
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog_, "File1"));
    for (const char* next : {"Dir1", "Drive1", "Command1", "Command2", "Text1", "File1"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog_, next));
    }
    dialog.grab().save("/tmp/dlg_save.png");

    flow_->ShowSaveChangesPrompt();
    QWidget* saveForm = flow_->saveChangesPrompt();
    QCOMPARE(saveForm->size(), lm::ui::TwipsSize(2715, 1185));
    saveForm->grab().save("/tmp/dlg_saveform.png");
    QVERIFY(lm::SetReadOnly(Local("film.sub"), true));
    flow_->Save();
    QWidget* protectedPrompt = WriteProtectedPrompt();
    QVERIFY(protectedPrompt);
    QCOMPARE(protectedPrompt->size(), lm::ui::TwipsSize(3270, 1230));
    protectedPrompt->grab().save("/tmp/dlg_skrivskydd.png");
  }
};

QTEST_MAIN(SaveTest)
#include "tst_save.moc"
