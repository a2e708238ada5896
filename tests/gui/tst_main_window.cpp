// The main window driven through real key and mouse events.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "document/commands.h"
#include "fixing/fixing.h"
#include "support/gui_test_support.h"
#include "windows/entry_list_view.h"
#include "windows/help_windows.h"
#include "windows/main_window.h"
#include "windows/open_dialog.h"
#include "windows/save_flow.h"

using lm::ui::Form1;

class MainWindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<lm::test::MessageLog> log_;
  int ended_ = 0;

  QString File(const QString& name) const { return dir_.filePath(name); }

  // A fresh window; with `lines`, a file holding them reloaded through the
  // File menu's last item.
  Form1& Open(const QStringList& lines = {}) {
    log_ = std::make_unique<lm::test::MessageLog>();
    if (!lines.isEmpty()) {
      lm::test::WriteBytes(File("film.sub"), lines.join("\r\n").toLatin1() + "\r\n");
      lm::test::WriteBytes(File("directory.txt"),
                           "\"" + dir_.path().toLocal8Bit() + "\"\r\n\"" +
                               File("film.sub").toLocal8Bit() + "\"\r\n");
    }
    form_ = std::make_unique<Form1>(lm::test::Local(dir_.path()));
    form_->endProgram = [this] { ++ended_; };
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) qWarning("main window not exposed");
    if (!lines.isEmpty()) form_->action("LatestSub")->trigger();
    return *form_;
  }

  lm::Document& doc() { return form_->document(); }
  QWidget* focused() const { return QApplication::focusWidget(); }
  QString Row(int row) const {
    QString s;
    for (int c = row * 41; c < row * 41 + 41; ++c) s += form_->cell(c)->text();
    return s;
  }
  // Types into whichever cell has the focus, as a person at the keyboard does.
  void Type(const QString& text) {
    for (QChar c : text) QTest::keyClick(focused(), c.toLatin1());
  }
  void ClickButton(const char* name) {
    auto* b = form_->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void ClickRow(int row) {
    QListView* list = form_->list();
    QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }

 private slots:
  void init() { ended_ = 0; }
  void cleanup() {
    form_.reset();
    log_.reset();
    QFile::remove(File("directory.txt"));
  }

  void layoutFollowsTheTwipsGeometry() {
    Form1& f = Open();
    QCOMPARE(f.centralWidget()->size(), QSize(676, 376));
    QCOMPARE(f.list()->geometry(), QRect(8, 0, 662, 173));
    QCOMPARE(f.cell(0)->geometry(), QRect(8, 176, 21, 30));
    QCOMPARE(f.cell(40)->geometry().topLeft(), QPoint(8 + 16 * 40, 176));
    QCOMPARE(f.cell(41)->geometry().topLeft(), QPoint(8, 208));
    QCOMPARE(f.cell(81)->geometry().topLeft(), QPoint(8 + 16 * 40, 208));
    QCOMPARE(f.textline()->geometry(), QRect(120, 240, 129, 25));
    QCOMPARE(f.label1()->geometry(), QRect(8, 272, 662, 49));
    QCOMPARE(f.label2()->geometry().top(), 320);
    QCOMPARE(f.windowTitle(), QStringLiteral("  Tornak Linemend"));
    QCOMPARE(focused(), f.cell(0));
    const QStringList tips = {"Command7", "Start - 100", "Command6", "Start - 10", "Command5",
                              "Start - 1", "Command2", "Start + 1", "Command3", "Start + 10",
                              "Command4", "Start + 100", "Command8", "Stop - 100", "Command9",
                              "Stop - 10", "Command10", "Stop - 1", "Command13", "Stop + 1",
                              "Command12", "Stop + 10", "Command11", "Stop + 100"};
    int lastLeft = -1;
    for (int i = 0; i < tips.size(); i += 2) {
      auto* b = f.findChild<QToolButton*>(tips[i]);
      QVERIFY2(b, qPrintable(tips[i]));
      QCOMPARE(b->toolTip(), tips[i + 1]);
      QVERIFY2(!b->icon().isNull(), "each frame button shows an arrow");
      QVERIFY(b->x() > lastLeft);
      lastLeft = b->x();
    }
    QCOMPARE(f.findChild<QPushButton*>("Command1")->text(), QStringLiteral("Delete Line"));
    QCOMPARE(f.findChild<QPushButton*>("Command14")->text(), QStringLiteral("Split Line"));
    QCOMPARE(f.findChild<QPushButton*>("Command15")->text(), QStringLiteral("Add Line"));
  }

  void menusCarryTheirCaptionsAndTheOneShortcut() {
    Form1& f = Open();
    QStringList menus;
    for (QAction* a : f.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"File", "Seek", "Edit", "Help"}));
    const QStringList items = {"Load", "Open", "Save", "Save", "Saveas", "Save As",
                               "Avsluta", "Exit", "Tolong", "To long line", "Nextline", "Next",
                               "Fixlines", "Fix text automatic", "Rmhi",
                               "Remove hearing impaired text", "Contents", "Contents",
                               "Tabgenter", "Keyhelp", "Epost", "E-mail Tornak", "HemSida",
                               "Tornak Homepage", "Aboutbox", "About"};
    for (int i = 0; i < items.size(); i += 2) {
      QAction* a = f.action(items[i]);
      QVERIFY2(a, qPrintable(items[i]));
      QCOMPARE(a->text(), items[i + 1]);
      QCOMPARE(a->shortcut().isEmpty(), items[i] != "Nextline");
    }
    QCOMPARE(f.action("Nextline")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    QCOMPARE(f.action("LatestSub")->text(), QString());
  }

  void latestFileIsReadFromTheRememberedFolderFile() {
    lm::test::WriteBytes(File("directory.txt"), "\"C:\\subs\"\r\n\"C:\\subs\\film & co.sub\"\r\n");
    Form1& f = Open();
    QCOMPARE(f.action("LatestSub")->data().toString(), QStringLiteral("C:\\subs\\film & co.sub"));
    lm::test::WriteBytes(File("directory.txt"), "\"only one field\"\r\n");
    Form1& g = Open();
    QCOMPARE(g.action("LatestSub")->text(), QString());
  }

  void reloadFillsTheListAndShowsTheFirstEntry() {
    Form1& f = Open({"{10}{20}Hello|World", "{30}{40}Second"});
    QCOMPARE(f.list()->model()->rowCount(), 2);
    QCOMPARE(f.list()->currentIndex().row(), 0);
    QCOMPARE(f.textline()->text(), QStringLiteral("{10}{20}"));
    QCOMPARE(f.label1()->text(), QStringLiteral("Hello "));
    QCOMPARE(f.label2()->text(), QStringLiteral("World"));
    QCOMPARE(focused(), f.list());
    QVERIFY(f.windowTitle().endsWith(File("film.sub")));
  }

  void typingOverwritesAndMovesOn() {
    Form1& f = Open({"{1}{2}abcdefgh"});
    f.cell(5)->setFocus();
    Type("XY");
    QCOMPARE(f.cell(5)->text(), QStringLiteral("X"));
    QCOMPARE(f.cell(6)->text(), QStringLiteral("Y"));
    QCOMPARE(focused(), f.cell(7));
    QCOMPARE(doc().Changed, 1);
    QCOMPARE(doc().Text2[5], std::string("X"));
  }

  void charactersOutsideTheCodePageAreRefused() {
    Form1& f = Open({"{1}{2}abc"});
    f.cell(0)->setFocus();
    QKeyEvent polish(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x0142)));
    QApplication::sendEvent(f.cell(1), &polish);
    QCOMPARE(f.cell(1)->text(), QStringLiteral("b"));
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
    f.cell(2)->setFocus();
    QApplication::sendEvent(f.cell(2), &euro);
    QCOMPARE(f.cell(2)->text(), QString(QChar(0x20AC)));
    QCOMPARE(doc().Text2[2], std::string("\x80"));
  }

  void keyTableThroughRealKeys() {
    Form1& f = Open({"{1}{2}abc|xyz"});
    struct Step {
      int cell;
      Qt::Key key;
      int focusAfter;
    } steps[] = {{81, Qt::Key_Right, 1}, {0, Qt::Key_Left, 81}, {40, Qt::Key_Down, 81},
                 {41, Qt::Key_Up, 0},    {45, Qt::Key_Down, 45}, {3, Qt::Key_Up, 3},
                 {0, Qt::Key_Shift, 0},  {7, Qt::Key_Control, 7}};
    for (const Step& s : steps) {
      f.cell(s.cell)->setFocus();
      QTest::keyClick(f.cell(s.cell), s.key);
      QCOMPARE(focused(), f.cell(s.focusAfter));
    }
    // Backspace in cell 1 pulls everything one cell left; in cell 0 nothing.
    f.cell(1)->setFocus();
    QTest::keyClick(f.cell(1), Qt::Key_Backspace);
    QCOMPARE(Row(0), QStringLiteral("bc x"));  // row 2's first character joins row 1
    QCOMPARE(f.cell(40)->text(), QStringLiteral("x"));
    QCOMPARE(focused(), f.cell(0));
    QTest::keyClick(f.cell(0), Qt::Key_Backspace);
    QCOMPARE(Row(0), QStringLiteral("bc x"));
    // Insert then a character inserts it.
    QTest::keyClick(f.cell(0), Qt::Key_Insert);
    Type("A");
    QCOMPARE(Row(0), QStringLiteral("Abc "));
    QCOMPARE(Row(1), QStringLiteral("xyz"));  // cell 40 was pushed back into row 2
    // Delete and Home empty the cell and move on, producing nothing.
    f.cell(1)->setFocus();
    QTest::keyClick(f.cell(1), Qt::Key_Delete);
    QCOMPARE(f.cell(1)->text(), QString());
    QCOMPARE(focused(), f.cell(2));
    // Enter tidies, writes back and hands the focus to the list.
    QTest::keyClick(f.cell(2), Qt::Key_Return);
    QCOMPARE(doc().List1.Item(0), std::string("{1}{2}A c|xyz"));
    QCOMPARE(f.label1()->text(), QStringLiteral("A c"));
    QCOMPARE(focused(), f.list());
    QCOMPARE(f.list()->model()->index(0, 0).data().toString(), QStringLiteral("{1}{2}A c|xyz"));
  }

  void listNavigationShowsTheEntry() {
    QStringList lines;
    for (int i = 0; i < 10; ++i) lines << QStringLiteral("{%1}{99}entry %1").arg(i);
    Form1& f = Open(lines);
    f.list()->setFocus();
    for (int i = 0; i < 4; ++i) QTest::keyClick(f.list(), Qt::Key_Down);
    QCOMPARE(doc().CurrentIndex, 4);
    QCOMPARE(f.label1()->text(), QStringLiteral("entry 4"));
    QCOMPARE(f.list()->currentIndex().row(), 4);
    QTest::keyClick(f.list(), Qt::Key_End);
    QVERIFY2(doc().CurrentIndex == 9, "every selection move makes that entry current");
    QCOMPARE(f.textline()->text(), QStringLiteral("{9}{99}"));
    QTest::keyClick(f.list(), Qt::Key_Return);
    QCOMPARE(focused(), f.cell(0));
    ClickRow(7);
    QCOMPARE(doc().CurrentIndex, 7);
    QCOMPARE(f.label1()->text(), QStringLiteral("entry 7"));
    QCOMPARE(focused(), f.cell(0));
    QTest::mouseClick(f.textline(), Qt::LeftButton);
    QCOMPARE(focused(), f.cell(0));
  }

  void frameButtonsAndTheirRefusal() {
    Form1& f = Open({"{0}{5}x"});
    ClickButton("Command5");  // Start - 1
    QCOMPARE(log_->messages, QStringList{"To low value"});
    QCOMPARE(doc().List1.Item(0), std::string("{0}{5}x"));
    ClickButton("Command13");  // Stop + 1
    ClickButton("Command4");   // Start + 100
    QCOMPARE(doc().List1.Item(0), std::string("{100}{6}x"));
    QCOMPARE(f.textline()->text(), QStringLiteral("{100}{6}"));
    QCOMPARE(doc().Changed, 1);
  }

  void splitAddAndDeleteButtons() {
    Form1& f = Open({"{100}{200}Hi", "{300}{400}There"});
    ClickButton("Command14");
    QCOMPARE(doc().List1.Items(),
             (std::vector<std::string>{"{100}{150}Hi", "{151}{200}Hi", "{300}{400}There"}));
    QCOMPARE(f.list()->currentIndex().row(), 1);
    QCOMPARE(f.textline()->text(), QStringLiteral("{151}{200}"));
    ClickButton("Command15");
    QCOMPARE(doc().List1.Count(), 4);
    QCOMPARE(f.list()->currentIndex().row(), 2);
    ClickButton("Command1");
    QCOMPARE(doc().List1.Count(), 3);
    QCOMPARE(f.list()->model()->rowCount(), 3);
  }

  void commandsDoNothingWithoutADocument() {
    Form1& f = Open();
    for (const char* name : {"Command14", "Command15", "Command1", "Command4"}) ClickButton(name);
    for (const char* name : {"Fixlines", "Rmhi", "Tolong", "Nextline"}) f.action(name)->trigger();
    f.cell(3)->setFocus();
    QTest::keyClick(f.cell(3), Qt::Key_Return);
    QCOMPARE(doc().List1.Count(), 0);
    QVERIFY(log_->messages.isEmpty());
  }

  void fixTextAutomaticAndNextFromTheMenu() {
    Form1& f = Open({"{100}{200}This is a rather long subtitle line that needs a break",
                     "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                     "{1400}{1500}Fine|lines"});
    f.action("Fixlines")->trigger();
    QCOMPARE(log_->messages, QStringList{"I just fixed 1 lines, for You"});
    QCOMPARE(doc().List1.Item(0),
             std::string("{100}{200}This is a rather long subtitle|line that needs a break"));
    QCOMPARE(f.list()->currentIndex().row(), 1);
    QCOMPARE(f.textline()->text(), QStringLiteral("{1200}{1300}"));
    f.cell(0)->setFocus();
    QTest::keyClick(f.cell(0), Qt::Key_N, Qt::ControlModifier);
    QVERIFY2(doc().CurrentIndex == 3, "nothing further is too long");
    QCOMPARE(f.list()->currentIndex().row(), 2);
    QCOMPARE(f.label1()->text(), QStringLiteral("Fine "));
  }

  void fixTextAutomaticOnAWholeDocument() {
    Form1& f = Open({"{100}{200}This is a rather long subtitle line that needs a break",
                     "{250}{300}Short one",
                     "{500}{600}-Where are you going?|-Out to the|garden.",
                     "{700}{800}First line|second line|third line here",
                     "{900}{1100}We have been walking for hours and hours|along the river bank "
                     "and nobody has seen a single boat",
                     "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                     "{1400}{1500}Fine|lines"});
    f.action("Fixlines")->trigger();
    QCOMPARE(log_->messages, QStringList{"I just fixed 4 lines, for You"});
    const QStringList expected = {
        "{100}{200}This is a rather long subtitle|line that needs a break",
        "{250}{300}Short one",
        "{500}{600}-Where are you going?|-Out to the garden.",
        "{700}{800}First line second|line third line here",
        "{900}{1000}We have been walking for|hours and hours along",
        "{1001}{1100} the river bank and nobody|has seen a single boat",
        "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
        "{1400}{1500}Fine|lines"};
    QAbstractItemModel* model = f.list()->model();
    QStringList shown;
    for (int row = 0; row < model->rowCount(); ++row) shown << model->index(row, 0).data().toString();
    QCOMPARE(shown, expected);
    QCOMPARE(f.list()->currentIndex().row(), 6);
    QCOMPARE(f.textline()->text(), QStringLiteral("{1200}{1300}"));
    QCOMPARE(f.label2()->text(), QStringLiteral("aaaaaaaaaa"));
  }

  void windowsFromTheMenusExistOnce() {
    Form1& f = Open();
    f.action("Contents")->trigger();
    f.action("Contents")->trigger();
    f.action("Load")->trigger();
    f.action("Load")->trigger();
    int help = 0, open = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      help += qobject_cast<lm::ui::HelpWindow*>(w) != nullptr;
      open += qobject_cast<lm::ui::Loadbox*>(w) != nullptr;
    }
    QCOMPARE(help, 1);
    QCOMPARE(open, 1);
    QVERIFY(f.openDialog());
  }

  void exitWithChangesAsksFirst() {
    Form1& f = Open({"{1}{2}abc"});
    f.cell(0)->setFocus();
    Type("x");
    QCOMPARE(doc().Changed, 1);
    f.action("Avsluta")->trigger();
    QCOMPARE(ended_, 0);
    lm::ui::SaveForm* prompt = f.saveFlow()->saveChangesPrompt();
    QVERIFY(prompt && prompt->isVisible());
    QTest::mouseClick(prompt->findChild<QPushButton*>("Command3"), Qt::LeftButton);  // Cancel
    QTRY_VERIFY(!f.saveFlow()->saveChangesPrompt());
    QCOMPARE(ended_, 0);
    QVERIFY(f.isVisible());
    f.close();  // the close box asks the same way
    QVERIFY(f.isVisible());
    prompt = f.saveFlow()->saveChangesPrompt();
    QVERIFY(prompt);
    QTest::mouseClick(prompt->findChild<QPushButton*>("Command2"), Qt::LeftButton);  // No
    QCOMPARE(ended_, 1);
  }

  void exitAndCloseWithoutChangesEndAtOnce() {
    Form1& f = Open({"{1}{2}a"});
    f.action("Avsluta")->trigger();
    QCOMPARE(ended_, 1);
    f.close();
    QCOMPARE(ended_, 2);
  }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
