// The Open dialog over the main window, driven through real mouse and keys.
#include <QApplication>
#include <QComboBox>
#include <QDir>

#include "support/gui_test_support.h"
#include "windows/folder_browser.h"
#include "windows/open_dialog.h"

using lm::test::Child;
using lm::test::ClickButton;
using lm::ui::FileList;
using lm::ui::FolderList;
using lm::ui::Loadbox;

class OpenDialogTest : public QObject {
  Q_OBJECT

  QTemporaryDir home_;
  QTemporaryDir data_;
  lm::test::MainWindowFixture f_;

  QString Data(const QString& name = {}) const { return name.isEmpty() ? data_.path() : data_.filePath(name); }
  void Remember(const QString& folder) {
    lm::test::WriteBytes(f_.File("directory.txt"),
                         "\"" + QFile::encodeName(folder) + "\"\r\n\"" + QFile::encodeName(folder) + "/x.sub\"\r\n");
  }
  Loadbox* Show() {
    f_.Open();
    if (!lm::test::Menu(f_.form.get(), Qt::Key_F, Qt::Key_O)) return nullptr;
    return f_.form->openDialog();
  }
  static QListWidgetItem* Find(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().trimmed() == text) return list->item(i);
    return nullptr;
  }
  static QPoint At(QListWidget* list, const QString& text) {
    QListWidgetItem* item = Find(list, text);
    if (!item) return {};
    list->scrollToItem(item);
    return list->visualItemRect(item).center();
  }
  static void Click(QListWidget* list, const QString& text) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, At(list, text));
  }

 private slots:
  void initTestCase() {
    // The fallback folder is the home folder; keep it small and known.
    qputenv("HOME", QFile::encodeName(home_.path()));
    lm::test::WriteBytes(home_.filePath("home.sub"), "{1}{2}home\r\n");
  }
  void cleanup() {
    f_.form.reset();
    f_.log.Take();
    QFile::remove(f_.File("directory.txt"));
  }

  void opensTheChosenFileAndRemembersIt_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Open button") << "button";
    QTest::newRow("Enter in the file list") << "enter";
    QTest::newRow("double click") << "double";
  }
  void opensTheChosenFileAndRemembersIt() {
    QFETCH(QString, how);
    lm::test::WriteBytes(Data("film.sub"), "{1}{2}a\r\n\r\n{3}{4}b\r\n");
    lm::test::WriteBytes(Data("notes.odt"), "x");
    Remember(Data());
    Loadbox* box = Show();
    QVERIFY(box);
    auto* files = Child<FileList>(box, "File1");
    QCOMPARE(files->count(), 1);  // only subtitle files
    Click(files, "film.sub");
    if (how == "button") ClickButton(box, "Loadbutton");
    if (how == "enter") QTest::keyClick(files, Qt::Key_Return);
    if (how == "double") QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, At(files, "film.sub"));
    lm::test::Settle();
    QVERIFY(!f_.form->openDialog());
    QCOMPARE(f_.doc().List1.Count(), 2);
    QCOMPARE(f_.form->textline()->text(), QStringLiteral("{1}{2}"));
    QVERIFY(f_.form->windowTitle().endsWith(Data("film.sub")));
    QCOMPARE(lm::test::ReadBytes(f_.File("directory.txt")),
             "\"" + Data().toUtf8() + "\"\r\n\"" + Data("film.sub").toUtf8() + "\"\r\n");
    QCOMPARE(f_.log.Take(), QStringList());
  }

  void whatCannotBeOpenedIsSaidAndTheDialogStays() {
    lm::test::WriteBytes(Data("blank.sub"), "\r\n\r\n");
    Remember(Data());
    Loadbox* box = Show();
    ClickButton(box, "Loadbutton");
    QCOMPARE(f_.log.Take(), QStringList{"No file selected"});
    Click(Child<FileList>(box, "File1"), "blank.sub");
    ClickButton(box, "Loadbutton");
    QCOMPARE(f_.log.Take(), QStringList{"blank.sub is empty."});
    QVERIFY(f_.form->openDialog());
    QVERIFY(f_.doc().NoDocument());
    QVERIFY(lm::test::ReadBytes(f_.File("directory.txt")).contains("blank.sub"));
  }

  void withoutARememberedFolderItStartsAtHomeAndEscCloses() {
    Loadbox* box = Show();
    QCOMPARE(Child<QComboBox>(box, "Drive1")->currentData().toString(), QDir::cleanPath(home_.path()));
    QCOMPARE(Child<FileList>(box, "File1")->path(), QDir::cleanPath(home_.path()));
    QTest::keyClick(Child<FileList>(box, "File1"), Qt::Key_Escape);
    lm::test::Settle();
    QVERIFY(!f_.form->openDialog());
    QVERIFY(f_.doc().NoDocument());
  }

  void foldersAreEnteredByEnterAndDoubleClick() {
    QDir(Data()).mkpath("deep/er");
    Remember(Data("deep"));
    Loadbox* box = Show();
    auto* dir1 = Child<FolderList>(box, "Dir1");
    QVERIFY(Find(dir1, "/") && Find(dir1, "er"));
    QTest::keyClick(dir1, Qt::Key_Down);
    QCOMPARE(dir1->path(), Data("deep"));  // moving the highlight is not entering
    QTest::keyClick(dir1, Qt::Key_Return);
    QCOMPARE(Child<FileList>(box, "File1")->path(), Data("deep/er"));
    const QPoint up = At(dir1, QFileInfo(Data()).fileName());
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, up);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, up);
    QCOMPARE(dir1->path(), Data());
    QTest::keyClick(Child<QComboBox>(box, "Drive1"), Qt::Key_Home);  // the home folder is the first drive
    QCOMPARE(dir1->path(), QDir::cleanPath(home_.path()));
  }
};

QTEST_MAIN(OpenDialogTest)
#include "tst_open_dialog.moc"
