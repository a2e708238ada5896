// Save, Save As, the write-protected prompt and "Save ?", through the main
// window with real key and mouse events.
#include <csignal>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include "support/gui_test_support.h"
#include "windows/folder_browser.h"
#include "windows/save_dialog.h"
#include "windows/save_flow.h"

using lm::test::ClickButton;
using lm::test::Menu;

namespace {
const QString kWrongType = QStringLiteral("Wrong Type Of Filenamne Or No Sub Loaded...");
const QStringList kFilm = {"{1}{2}a", "{3}{4}b"};
const QByteArray kFilmBytes = "{1}{2}a\r\n{3}{4}b\r\n";
}  // namespace

class SaveTest : public QObject {
  Q_OBJECT

  lm::test::MainWindowFixture f_;

  lm::ui::Form1& OpenChanged() {
    lm::ui::Form1& form = f_.Open(kFilm);
    ClickButton(&form, "Command15");  // Add Line
    return form;
  }
  lm::ui::SaveDialog* SaveAs() {
    if (!Menu(f_.form.get(), Qt::Key_F, Qt::Key_A)) return nullptr;
    return f_.form->saveDialog();
  }
  lm::ui::Skrivskydd* Prompt() { return f_.form->saveFlow()->writeProtectedPrompt(); }
  QString Path() { return lm::ui::FromLocalPath(f_.doc().FilePath()); }

 private slots:
  void cleanup() {
    f_.form.reset();
    f_.log.Take();
    QFile::setPermissions(f_.File("film.sub"), QFile::ReadOwner | QFile::WriteOwner);
    QDir(f_.dir.path()).removeRecursively();
    QDir().mkpath(f_.dir.path());
  }

  void saveWritesTheDocumentAndClearsChanged() {
    QVERIFY(Menu(&OpenChanged(), Qt::Key_F, Qt::Key_S));
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")), QByteArray("{1}{2}a\r\n{1}{2}a\r\n{3}{4}b\r\n"));
    QCOMPARE(f_.doc().Changed(), 0);
  }

  void saveFailuresSayWhy() {
    QVERIFY(Menu(&f_.Open(), Qt::Key_F, Qt::Key_S));  // no document yet
    QCOMPARE(f_.log.Take(), QStringList{kWrongType});
    lm::ui::Form1& form = OpenChanged();
    // A file-size limit makes the write fail part way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 10;
    setrlimit(RLIMIT_FSIZE, &tiny);
    Menu(&form, Qt::Key_F, Qt::Key_S);
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(f_.log.Take(), QStringList{"Cannot write " + f_.File("film.sub") + ": File too large"});
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")), kFilmBytes);
    QCOMPARE(f_.doc().Changed(), 1);
  }

  void aReadOnlyFileIsOverwrittenOnlyWhenTheUserAgrees() {
    lm::ui::Form1& form = OpenChanged();
    QFile::setPermissions(f_.File("film.sub"), QFile::ReadOwner);
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_S));
    QVERIFY(Prompt());
    QCOMPARE(Prompt()->windowModality(), Qt::ApplicationModal);
    QCOMPARE(QApplication::activeModalWidget(), Prompt());
    // The main window takes no input meanwhile (a click as the window system
    // delivers it).
    auto* add = lm::test::Child<QWidget>(&form, "Command15");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, add->mapTo(&form, add->rect().center()));
    QCOMPARE(f_.doc().List1.Count(), 3);
    QTest::keyClick(Prompt(), Qt::Key_Escape);
    lm::test::Settle();
    QVERIFY(!Prompt());
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")), kFilmBytes);
    form.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &form);
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_S));
    ClickButton(Prompt(), "Command1");  // Yes
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")).count('\n'), 3);
    QVERIFY(!(QFile::permissions(f_.File("film.sub")) & QFile::WriteOwner));
    QCOMPARE(f_.doc().Changed(), 0);
  }

  void aPromptDoesNotOutliveItsDocument() {
    lm::ui::Form1& form = f_.Open(kFilm);
    QFile::setPermissions(f_.File("film.sub"), QFile::ReadOwner);
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_S));
    QVERIFY(Prompt());
    lm::test::WriteBytes(f_.File("other.sub"), "{9}{9}other\r\n");
    form.OpenFromOutside(f_.File("other.sub"));  // as if it could happen meanwhile
    lm::test::Settle();
    QVERIFY(!Prompt());
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")), kFilmBytes);
  }

  void saveAsCommitsThePathOnceTheDocumentIsThere() {
    lm::ui::Form1& form = OpenChanged();
    const QString caption = form.windowTitle();
    QDir(f_.dir.path()).mkdir(QStringLiteral("out"));
    lm::ui::SaveDialog* dialog = SaveAs();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->text1()->text(), f_.File("film.sub"));
    QVERIFY(dialog->dir1()->SetPath(f_.File("out")));
    QCOMPARE(dialog->text1()->text(), f_.File("out/film.sub"));
    QTest::keyClick(dialog->text1(), Qt::Key_Escape);
    lm::test::Settle();
    QVERIFY(!form.saveDialog());
    QCOMPARE(Path(), f_.File("film.sub"));  // browsing and cancelling moved nothing
    QCOMPARE(form.windowTitle(), caption);

    dialog = SaveAs();
    dialog->dir1()->SetPath(f_.File("out"));
    QTest::keyClick(dialog->text1(), Qt::Key_Return);
    lm::test::Settle();
    QVERIFY(!form.saveDialog());
    QCOMPARE(lm::test::ReadBytes(f_.File("out/film.sub")).count('\n'), 3);
    QCOMPARE(Path(), f_.File("out/film.sub"));
    QVERIFY(form.windowTitle().endsWith(f_.File("out/film.sub")));
    QCOMPARE(lm::test::ReadBytes(f_.File("savedir.txt")), "\"" + f_.File("out").toUtf8() + "\"\r\n");
    QCOMPARE(f_.doc().Changed(), 0);  // the document now is the file it was saved to

    // The document is saved even where the folder cannot be remembered.
    QFile::remove(f_.File("savedir.txt"));
    QDir(f_.dir.path()).mkdir(QStringLiteral("savedir.txt"));
    dialog = SaveAs();
    dialog->text1()->setText(f_.File("again.sub"));
    ClickButton(dialog, "Command1");
    QVERIFY(f_.log.Take().isEmpty());
    QCOMPARE(Path(), f_.File("again.sub"));
  }

  void saveAsFailuresKeepTheDialogAndThePath() {
    lm::ui::Form1& form = OpenChanged();
    lm::ui::SaveDialog* dialog = SaveAs();
    dialog->text1()->setText(f_.File("no/such/folder.sub"));
    ClickButton(dialog, "Command1");
    QCOMPARE(f_.log.Take(),
             QStringList{"Cannot write " + f_.File("no/such/folder.sub") + ": No such file or directory"});
    dialog->text1()->clear();
    ClickButton(dialog, "Command1");
    QCOMPARE(f_.log.Take(), QStringList{kWrongType});
    QVERIFY(form.saveDialog());
    QCOMPARE(Path(), f_.File("film.sub"));
    // Onto a read-only file: the prompt takes over, and "Yes" commits the path.
    lm::test::WriteBytes(f_.File("locked.sub"), "old\r\n");
    QFile::setPermissions(f_.File("locked.sub"), QFile::ReadOwner);
    dialog->text1()->setText(f_.File("locked.sub"));
    ClickButton(dialog, "Command1");
    lm::test::Settle();
    QVERIFY(!form.saveDialog());
    QCOMPARE(Path(), f_.File("film.sub"));
    ClickButton(Prompt(), "Command1");
    QCOMPARE(lm::test::ReadBytes(f_.File("locked.sub")).count('\n'), 3);
    QCOMPARE(Path(), f_.File("locked.sub"));
    QFile::setPermissions(f_.File("locked.sub"), QFile::ReadOwner | QFile::WriteOwner);
  }

  void openingAnotherFileAsksAboutAChangedDocument_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("Yes saves first") << "Command1";
    QTest::newRow("No gives it up") << "Command2";
    QTest::newRow("Cancel keeps it") << "Command3";
  }
  void openingAnotherFileAsksAboutAChangedDocument() {
    QFETCH(QString, answer);
    lm::ui::Form1& form = OpenChanged();
    lm::test::WriteBytes(f_.File("other.sub"), "{9}{9}other\r\n");
    form.OpenFromOutside(f_.File("other.sub"));
    lm::ui::SaveForm* prompt = form.saveFlow()->saveChangesPrompt();
    QVERIFY(prompt);
    QCOMPARE(f_.doc().List1.Count(), 3);
    ClickButton(prompt, answer.toLatin1().constData());
    lm::test::Settle();
    if (answer == "Command1") {
      QVERIFY(form.saveDialog());
      QTest::keyClick(form.saveDialog()->text1(), Qt::Key_Return);  // onto film.sub
      QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")).count('\n'), 3);
    }
    const bool replaced = answer != "Command3";
    QCOMPARE(f_.doc().List1.Count(), replaced ? 1 : 3);
    QCOMPARE(f_.doc().Changed(), replaced ? 0 : 1);
  }

  void exitYesSavesAndTheProgramEnds() {
    lm::ui::Form1& form = OpenChanged();
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_X));
    ClickButton(form.saveFlow()->saveChangesPrompt(), "Command1");
    lm::test::Settle();
    QTest::keyClick(form.saveDialog()->text1(), Qt::Key_Escape);  // cancelled: still running
    lm::test::Settle();
    QCOMPARE(f_.ended, 0);
    form.close();
    ClickButton(form.saveFlow()->saveChangesPrompt(), "Command1");
    lm::test::Settle();
    QTest::keyClick(form.saveDialog()->text1(), Qt::Key_Return);
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")).count('\n'), 3);
    QCOMPARE(f_.ended, 1);
  }

  void saveAsOntoAnotherFileAsksFirst() {
    lm::ui::Form1& form = OpenChanged();
    lm::test::WriteBytes(f_.File("other.sub"), "{9}{9}other\r\n");
    lm::ui::SaveDialog* dialog = SaveAs();
    dialog->text1()->setText(f_.File("other.sub"));
    f_.log.answer = false;
    ClickButton(dialog, "Command1");
    QCOMPARE(f_.log.TakeQuestions(), QStringList{"other.sub already exists. Do You want to replace it?"});
    QVERIFY(form.saveDialog());
    QCOMPARE(lm::test::ReadBytes(f_.File("other.sub")), QByteArray("{9}{9}other\r\n"));
    f_.log.answer = true;
    ClickButton(dialog, "Command1");
    QCOMPARE(f_.log.TakeQuestions().size(), 1);
    QCOMPARE(lm::test::ReadBytes(f_.File("other.sub")).count('\n'), 3);
    QCOMPARE(Path(), f_.File("other.sub"));
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_S));  // its own file now: no question
    QVERIFY(f_.log.TakeQuestions().isEmpty());
  }

  void aFileChangedOnDiskIsNotOverwrittenUnasked() {
    lm::ui::Form1& form = OpenChanged();
    lm::test::WriteBytes(f_.File("film.sub"), "{1}{2}theirs\r\n");
    f_.log.answer = false;
    QVERIFY(Menu(&form, Qt::Key_F, Qt::Key_S));
    QCOMPARE(f_.log.TakeQuestions(), QStringList{"film.sub has changed on disk since it was opened. Overwrite it?"});
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")), QByteArray("{1}{2}theirs\r\n"));
    QCOMPARE(f_.doc().Changed(), 1);
    f_.log.answer = true;
    QTest::keyClick(form.cell(0), Qt::Key_S, Qt::ControlModifier);  // Ctrl+S, from the grid
    QCOMPARE(f_.log.TakeQuestions().size(), 1);
    QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")).count('\n'), 3);
    QCOMPARE(f_.doc().Changed(), 0);
  }
};

QTEST_MAIN(SaveTest)
#include "tst_save.moc"
