// The Open dialog driven through real mouse and key events.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "document/sub_file.h"
#include "support/gui_test_support.h"
#include "windows/folder_browser.h"
#include "windows/open_dialog.h"
#include "windows/window_util.h"

using lm::ui::FileList;
using lm::ui::FolderList;
using lm::ui::Loadbox;

class OpenDialogTest : public QObject {
  Q_OBJECT

  QTemporaryDir home_;
  std::unique_ptr<QTemporaryDir> program_;
  std::unique_ptr<QTemporaryDir> data_;
  std::unique_ptr<lm::Document> doc_;
  std::unique_ptr<lm::RememberedFolders> folders_;
  std::unique_ptr<lm::test::MessageLog> log_;
  QPointer<Loadbox> box_;
  int loaded_ = 0;

  QString Data(const QString& name = QString()) const {
    return name.isEmpty() ? data_->path() : data_->filePath(name);
  }
  QString DirectoryTxt() const { return program_->filePath("directory.txt"); }
  void Remember(const QString& folder) {
    lm::test::WriteBytes(DirectoryTxt(), "\"" + QFile::encodeName(folder) + "\"\r\n\"" +
                                             QFile::encodeName(folder) + "/x.sub\"\r\n");
  }

  Loadbox& Show() {
    box_ = new Loadbox(*doc_, *folders_, [this] { ++loaded_; }, nullptr);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->show();
    if (!QTest::qWaitForWindowExposed(box_)) qWarning("dialog not exposed");
    return *box_;
  }
  bool Gone() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return box_.isNull();
  }
  template <class T>
  T* Child(const char* name) {
    return box_->findChild<T*>(QString::fromLatin1(name));
  }
  static QListWidgetItem* Find(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().trimmed() == text) return list->item(i);
    return nullptr;
  }
  static void Click(QListWidget* list, const QString& text) {
    QListWidgetItem* item = Find(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }
  static void DoubleClick(QListWidget* list, const QString& text) {
    QListWidgetItem* item = Find(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  void ClickButton(const char* name) {
    auto* b = Child<QPushButton>(name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  QStringList Files() {
    QStringList names;
    auto* list = Child<FileList>("File1");
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }

 private slots:
  void initTestCase() {
    // The fallback folder is the home folder; keep it small and known.
    qputenv("HOME", QFile::encodeName(home_.path()));
  }

  void init() {
    program_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    doc_ = std::make_unique<lm::Document>();
    folders_ = std::make_unique<lm::RememberedFolders>(lm::test::Local(program_->path()));
    log_ = std::make_unique<lm::test::MessageLog>();
    loaded_ = 0;
  }

  void cleanup() {
    delete box_.data();
    log_.reset();
  }

  void opensTheClickedFileAndRemembersIt() {
    lm::test::WriteBytes(Data("film.sub"), "{1}{2}a\r\n\r\n{3}{4}b\r\n");
    lm::test::WriteBytes(Data("notes.txt"), "x");
    QDir(Data()).mkdir("sub");
    Remember(Data());
    Loadbox& box = Show();
    QCOMPARE(box.windowTitle(), QStringLiteral("Load sub"));
    QCOMPARE(Child<FolderList>("Dir1")->path(), Data());
    QCOMPARE(Files(), QStringList{"film.sub"});

    Click(Child<FileList>("File1"), "film.sub");
    ClickButton("Loadbutton");
    QCOMPARE(log_->messages, QStringList());
    QCOMPARE(loaded_, 1);
    QVERIFY(Gone());
    QCOMPARE(doc_->List1.Items(), (std::vector<std::string>{"{1}{2}a", "{3}{4}b"}));
    QCOMPARE(doc_->FilePath, lm::test::Local(Data("film.sub")));
    QCOMPARE(doc_->Text1(), std::string("{1}{2}"));
    QCOMPARE(lm::test::ReadBytes(DirectoryTxt()),
             "\"" + QFile::encodeName(Data()) + "\"\r\n\"" + QFile::encodeName(Data("film.sub")) +
                 "\"\r\n");
  }

  void openWithoutSelectionSaysSo() {
    lm::test::WriteBytes(Data("film.sub"), "{1}{2}a\r\n");
    Remember(Data());
    const QByteArray before = lm::test::ReadBytes(DirectoryTxt());
    Show();
    ClickButton("Loadbutton");
    QCOMPARE(log_->messages, QStringList{"No file selected"});
    QCOMPARE(loaded_, 0);
    QVERIFY(!Gone());
    QVERIFY(box_->isVisible());
    QCOMPARE(lm::test::ReadBytes(DirectoryTxt()), before);
  }

  void fileWithoutEntriesIsCorruptAndTheDialogStays() {
    // Only empty lines: there is no entry to show.
    lm::test::WriteBytes(Data("empty.sub"), "\r\n\r\n\r\n");
    Remember(Data());
    Show();
    Click(Child<FileList>("File1"), "empty.sub");
    ClickButton("Loadbutton");
    QCOMPARE(log_->messages, QStringList{"File Corrupt!"});
    QCOMPARE(loaded_, 0);
    QVERIFY(!Gone());
    QVERIFY(doc_->NoDocument());
    QVERIFY(lm::test::ReadBytes(DirectoryTxt()).endsWith(QFile::encodeName(Data("empty.sub")) + "\"\r\n"));
  }

  void folderWithACommaIsRestoredWhole() {
    QDir(Data()).mkdir("a,b");
    lm::test::WriteBytes(Data("a,b/x.sub"), "{1}{2}x\r\n");
    Remember(Data());
    Show();
    DoubleClick(Child<FolderList>("Dir1"), "a,b");
    QCOMPARE(Child<FolderList>("Dir1")->path(), Data("a,b"));
    QCOMPARE(Files(), QStringList{"x.sub"});
    Click(Child<FileList>("File1"), "x.sub");
    ClickButton("Loadbutton");
    QVERIFY(Gone());

    Show();
    QCOMPARE(Child<FolderList>("Dir1")->path(), Data("a,b"));
    QCOMPARE(Child<FileList>("File1")->path(), Data("a,b"));
    QCOMPARE(log_->messages, QStringList());
  }

  void unusableRememberedFolderFallsBackToHome_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("one field") << QByteArray("\"/tmp\"\r\n");
    QTest::newRow("folder gone") << QByteArray("\"/no/such/folder\"\r\n\"/no/such/folder/a.sub\"\r\n");
  }
  void unusableRememberedFolderFallsBackToHome() {
    QFETCH(QByteArray, content);
    if (!content.isEmpty()) lm::test::WriteBytes(DirectoryTxt(), content);
    lm::test::WriteBytes(QDir(home_.path()).filePath("home.sub"), "{1}{2}h\r\n");
    Show();
    QCOMPARE(Child<FolderList>("Dir1")->path(), QDir::cleanPath(home_.path()));
    QCOMPARE(Child<QComboBox>("Drive1")->currentData().toString(), QDir::cleanPath(home_.path()));
    QCOMPARE(Files(), QStringList{"home.sub"});
    QCOMPARE(log_->messages, QStringList());
  }

  void folderListShowsAncestorsAndSubfoldersAndEntersOnEnter() {
    QDir(Data()).mkpath("deep/er");
    Remember(Data("deep"));
    Show();
    auto* dir1 = Child<FolderList>("Dir1");
    QVERIFY(Find(dir1, "/"));
    QVERIFY(Find(dir1, QFileInfo(Data()).fileName()));
    QVERIFY(Find(dir1, "er"));
    QCOMPARE(dir1->currentItem()->text().trimmed(), QStringLiteral("deep"));
    QSignalSpy changes(dir1, &FolderList::changed);
    dir1->setFocus();
    QTest::keyClick(dir1, Qt::Key_Down);
    QCOMPARE(changes.count(), 0);  // moving the highlight is not a change
    QTest::keyClick(dir1, Qt::Key_Return);
    QCOMPARE(dir1->path(), Data("deep/er"));
    QCOMPARE(Child<FileList>("File1")->path(), Data("deep/er"));
    QCOMPARE(changes.count(), 1);
    // Setting the path it already has raises no change.
    dir1->SetPath(Data("deep/er"));
    QCOMPARE(changes.count(), 1);
    DoubleClick(dir1, QFileInfo(Data()).fileName());
    QCOMPARE(dir1->path(), Data());
    QCOMPARE(changes.count(), 2);
  }

  void driveChangeMovesTheFolderList() {
    Remember(Data());
    Show();
    auto* drive1 = Child<QComboBox>("Drive1");
    QVERIFY(drive1->currentData().toString() != QDir::cleanPath(home_.path()));
    drive1->setFocus();
    // The home folder is the first drive.
    QTest::keyClick(drive1, Qt::Key_Home);
    QCOMPARE(drive1->currentData().toString(), QDir::cleanPath(home_.path()));
    QCOMPARE(Child<FolderList>("Dir1")->path(), QDir::cleanPath(home_.path()));
    QCOMPARE(Child<FileList>("File1")->path(), QDir::cleanPath(home_.path()));
  }

  void cancelClosesWithoutLoading() {
    lm::test::WriteBytes(Data("film.sub"), "{1}{2}a\r\n");
    Remember(Data());
    Show();
    Click(Child<FileList>("File1"), "film.sub");
    ClickButton("Command2");
    QVERIFY(Gone());
    QCOMPARE(loaded_, 0);
    QVERIFY(doc_->NoDocument());
  }

  void layoutAndTabOrder() {
    lm::test::WriteBytes(Data("film.sub"), "{1}{2}a\r\n");
    lm::test::WriteBytes(Data("other film.sub"), "{1}{2}a\r\n");
    QDir(Data()).mkdir("subs");
    Remember(Data());
    Loadbox& box = Show();
    QCOMPARE(box.size(), lm::ui::TwipsSize(5595, 5025));
    QCOMPARE(Child<QWidget>("Dir1")->geometry(), lm::ui::Twips(120, 480, 2415, 3915));
    QCOMPARE(Child<QWidget>("Drive1")->geometry(), lm::ui::Twips(120, 120, 2415, 315));
    QCOMPARE(Child<QWidget>("File1")->geometry(), lm::ui::Twips(2640, 120, 2895, 4185));
    QCOMPARE(Child<QPushButton>("Loadbutton")->text(), QStringLiteral("Open"));
    QCOMPARE(Child<QPushButton>("Command2")->text(), QStringLiteral("Cancel"));
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>("Dir1"));
    for (const char* next : {"Drive1", "File1", "Loadbutton", "Command2", "Dir1"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), Child<QWidget>(next));
    }
    Click(Child<FileList>("File1"), "film.sub");
    box.grab().save("/tmp/dlg_open.png");
  }
};

QTEST_MAIN(OpenDialogTest)
#include "tst_open_dialog.moc"
