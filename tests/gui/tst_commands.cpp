// The window as the command table draws it: every menu item and button of a
// row, the undo names its commands leave, the grid as wide as the document's
// profile, and "|" as text in a format that breaks lines its own way.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "commands/command_table.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "support/gui_test_support.h"
#include "windows/entry_list_view.h"

using lm::CommandId;
using lm::CommandRow;
using lm::Place;
using lm::test::Click;
using lm::test::ClickRow;
using lm::test::Focused;
using lm::test::Type;

namespace {
QString Caption(const CommandRow& row) { return QString::fromUtf8(row.caption); }

// The key after "&" in a caption: what opens the menu or picks the item.
Qt::Key Mnemonic(const char* caption) {
  const QString s = QString::fromUtf8(caption);
  const qsizetype at = s.indexOf(QLatin1Char('&'));
  return at < 0 || at + 1 >= s.size() ? Qt::Key_unknown : Qt::Key(s.at(at + 1).toUpper().unicode());
}

const lm::MenuRow& MenuOf(Place place) {
  for (const lm::MenuRow& m : lm::Menus())
    if (m.place == place) return m;
  return lm::Menus().front();
}

// The row's shortcuts, "Ctrl+Y; Ctrl+Shift+Z" as two.
QList<QKeySequence> ShortcutsOf(const CommandRow& row) {
  QList<QKeySequence> keys;
  for (const QString& key : QString::fromLatin1(row.shortcuts).split(QLatin1Char(';'), Qt::SkipEmptyParts))
    keys << QKeySequence(key.trimmed(), QKeySequence::PortableText);
  return keys;
}

// The first format of the registry for which "|" is (or is not) text.
const lm::Format* FormatWhereBarIsText(bool text) {
  for (const lm::Format* f : lm::Formats())
    if (f->BarIsText() == text) return f;
  return nullptr;
}

// An entry line in `format`'s own times, from frame `start` to `stop` at 25 fps.
std::string EntryIn(const lm::Format& format, int start, int stop, const std::string& text) {
  const lm::TimeNotation n(format.Times(), lm::kDefaultFrameRate);
  return "{" + n.Format(*n.FromFrames(start)) + "}{" + n.Format(*n.FromFrames(stop)) + "}" + text;
}

QByteArray FileOf(const lm::Format& format, const std::vector<std::string>& entries) {
  std::string bytes;
  const lm::FileIdentity identity(lm::Encoding::Windows1252, lm::LineEnd::CrLf, &format);
  if (!lm::EncodeSubtitleFile(entries, identity, bytes)) qWarning("entries not encoded");
  return QByteArray::fromStdString(bytes);
}

lm::Profile ProfileOf(int charactersPerLine) {
  lm::Profile p;
  p.charactersPerLine = charactersPerLine;
  return p;
}

// A short entry with frames the buttons can move both ways and hearing
// impaired text, then one too long for two screen lines.
const QStringList kFixture = {"{1000}{2000}[music] Hello there",
                              "{2100}{2200}This is a rather long subtitle line that needs a break somewhere",
                              "{2300}{2400}last"};
}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

  lm::test::MainWindowFixture f_;

  QStringList Items() {
    QStringList items;
    for (const auto& line : f_.doc().List1.Items()) items << QString::fromStdString(line);
    return items;
  }
  // Runs the row's command from its menu item, by keys, or from its button.
  bool Trigger(lm::ui::Form1& form, const CommandRow& row) {
    if (row.place == Place::Button) {
      auto* button = form.findChild<QAbstractButton*>(QString::fromLatin1(row.control));
      if (!button) return false;
      Click(button);
      return true;
    }
    return lm::test::Menu(&form, Mnemonic(MenuOf(row.place).title), Mnemonic(row.caption));
  }
  QString UndoItem(lm::ui::Form1& form) {
    return form.action(QString::fromLatin1(lm::CommandOf(CommandId::Undo).control))->text();
  }
  QString StepCaption(CommandId item, const std::string& step) {
    return (Caption(lm::CommandOf(item)) + " " + QString::fromStdString(step)).trimmed();
  }
  // Every cell lies inside the window, the rows side by side from left to right.
  void CheckCellsFit(lm::ui::Form1& form, int rowCells) {
    QCOMPARE(form.grid().RowCells(), rowCells);
    QCOMPARE(form.cellCount(), 2 * rowCells);
    const QRect client = form.centralWidget()->rect();
    for (int i = 0; i < form.cellCount(); ++i) {
      const QRect r = form.cell(i)->geometry();
      QVERIFY2(client.contains(r) && form.cell(i)->isVisible(), qPrintable(QString::number(i)));
      if (i % rowCells) QVERIFY(r.left() > form.cell(i - 1)->geometry().left());
      if (i >= rowCells) QVERIFY(r.top() > form.cell(i - rowCells)->geometry().top());
    }
    int shown = 0;
    for (auto* c : form.findChildren<lm::ui::GridCell*>()) shown += c->isVisible() ? 1 : 0;
    QCOMPARE(shown, 2 * rowCells);  // no cell of an older grid is left showing
  }

 private slots:
  void cleanup() {
    f_.form.reset();
    f_.log.Take();
    QFile::remove(f_.File(QStringLiteral("framerate.txt")));
  }

  // ---- what the window offers is its rows'

  void everyMenuItemIsItsRows() {
    QFile::remove(f_.File("directory.txt"));  // the last file's item has no caption then
    lm::ui::Form1& form = f_.Open();
    const QList<QAction*> bar = form.menuBar()->actions();
    QCOMPARE(bar.size(), static_cast<qsizetype>(lm::Menus().size()));
    for (size_t m = 0; m < lm::Menus().size(); ++m) {
      const lm::MenuRow& menuRow = lm::Menus()[m];
      QMenu* menu = bar[static_cast<qsizetype>(m)]->menu();
      QVERIFY(menu);
      QCOMPARE(menu->objectName(), QString::fromLatin1(menuRow.object));
      QCOMPARE(menu->title(), QString::fromUtf8(menuRow.title));
      // The items in table order, a line where a row asks for one.
      const QList<QAction*> items = menu->actions();
      qsizetype k = 0;
      for (const CommandRow& row : lm::Commands()) {
        if (row.place != menuRow.place) continue;
        const QString name = QString::fromLatin1(row.control);
        if (row.separatorBefore) {
          QVERIFY2(k < items.size() && items[k]->isSeparator(), qPrintable(name));
          ++k;
        }
        QVERIFY2(k < items.size(), qPrintable(name));
        QAction* a = items[k++];
        QCOMPARE(a->objectName(), name);
        QCOMPARE(a->text(), Caption(row));
        QVERIFY2(a->shortcuts() == ShortcutsOf(row), qPrintable(name));
        QCOMPARE(form.findChildren<QAction*>(name).size(), 1);
      }
      QCOMPARE(k, items.size());  // nothing the table does not have
    }
  }

  void everyButtonIsItsRows() {
    lm::ui::Form1& form = f_.Open();
    int buttons = 0;
    for (const CommandRow& row : lm::Commands()) {
      const QString name = QString::fromLatin1(row.control);
      if (row.place != Place::Button) {
        if (!name.isEmpty()) QVERIFY2(!form.findChild<QAbstractButton*>(name), qPrintable(name));
        continue;
      }
      ++buttons;
      const QList<QAbstractButton*> found = form.findChildren<QAbstractButton*>(name);
      QCOMPARE(found.size(), 1);
      QAbstractButton* b = found.front();
      QVERIFY(b->isVisible() && form.centralWidget()->rect().contains(b->geometry()));
      if (auto* push = qobject_cast<QPushButton*>(b)) {
        QCOMPARE(push->text(), Caption(row));
      } else {
        QVERIFY(qobject_cast<QToolButton*>(b) && !b->icon().isNull());
        QCOMPARE(b->toolTip(), Caption(row));
      }
    }
    QVERIFY(buttons > 0);
  }

  // Tab goes through the grid, the list, the textline and then the buttons
  // in their old order.
  void tabOrderOfTheButtons() {
    lm::ui::Form1& form = f_.Open(kFixture);
    form.textline()->setFocus();
    QStringList order;
    for (int i = 0; i < 15; ++i) {
      QTest::keyClick(Focused(), Qt::Key_Tab);
      order << Focused()->objectName();
    }
    QStringList expected;
    for (int i = 1; i <= 15; ++i) expected << QStringLiteral("Command%1").arg(i);
    QCOMPARE(order, expected);
  }

  // ---- the undo names

  void undoNameOfEachCommand_data() {
    QTest::addColumn<int>("rowIndex");
    const auto& rows = lm::Commands();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].routine && rows[i].place != Place::None)
        QTest::newRow(lm::UndoName(rows[i]).c_str()) << static_cast<int>(i);
  }
  void undoNameOfEachCommand() {
    QFETCH(int, rowIndex);
    const CommandRow& row = lm::Commands()[static_cast<size_t>(rowIndex)];
    lm::ui::Form1& form = f_.Open(kFixture);
    QVERIFY(!f_.doc().CanUndo());
    if (row.id == CommandId::FixTiming) {
      // The fixture keeps every classic rule; a wide gap to keep has the
      // first entry end sooner.
      lm::Profile wide = ProfileOf(41);
      wide.minGapFrames = 200;
      f_.doc().SetProfile(wide);
    }
    QVERIFY(Trigger(form, row));
    f_.log.Take();
    if (row.place == Place::SeekMenu) {
      // A search moves, it changes nothing: no step.
      QCOMPARE(f_.doc().List1.ListIndex(), 1);
      QVERIFY(!f_.doc().CanUndo());
      return;
    }
    QVERIFY2(Items() != kFixture, qPrintable(Items().join('\n')));
    QCOMPARE(f_.doc().UndoName(), lm::UndoName(row));
    QCOMPARE(UndoItem(form), StepCaption(CommandId::Undo, lm::UndoName(row)));
    // Undo and Redo from their menu items name the same step.
    QVERIFY(Trigger(form, lm::CommandOf(CommandId::Undo)));
    QCOMPARE(Items(), kFixture);
    QCOMPARE(f_.doc().RedoName(), lm::UndoName(row));
    QCOMPARE(form.action(QString::fromLatin1(lm::CommandOf(CommandId::Redo).control))->text(),
             StepCaption(CommandId::Redo, lm::UndoName(row)));
    QVERIFY(Trigger(form, lm::CommandOf(CommandId::Redo)));
    QCOMPARE(f_.doc().UndoName(), lm::UndoName(row));
  }

  void typingIsNamedAfterItsCommand() {
    lm::ui::Form1& form = f_.Open(kFixture);
    Click(form.cell(0));
    Type(QStringLiteral("Q"));
    const std::string edit = lm::UndoName(CommandId::EditEntry);
    QCOMPARE(UndoItem(form), StepCaption(CommandId::Undo, edit));  // before it is written back
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(f_.doc().UndoName(), edit);
    // A cut empties the grid only: what is undone is the entry's edit.
    Click(form.cell(0));
    QTest::keyClick(Focused(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(UndoItem(form), StepCaption(CommandId::Undo, edit));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(f_.doc().UndoName(), edit);
    QCOMPARE(Items().at(0), QStringLiteral("{1000}{2000}"));
  }

  // ---- the grid as wide as the profile

  void gridFollowsTheProfile() {
    const QString wide = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOP");  // 42
    lm::ui::Form1& form = f_.Open({"{10}{20}" + wide, "{30}{40}next"});
    CheckCellsFit(form, 41);
    QCOMPARE(f_.Row(1), QStringLiteral("P"));  // 41 wide: the last one runs on
    f_.doc().SetProfile(ProfileOf(42));
    ClickRow(form.list(), 1);
    ClickRow(form.list(), 0);
    CheckCellsFit(form, 42);
    QCOMPARE(f_.Row(0), wide);
    QCOMPARE(f_.Row(1), QString());

    // The keys across the new width.
    Click(form.cell(40));
    QTest::keyClick(Focused(), Qt::Key_Right);
    QCOMPARE(Focused(), form.cell(41));
    QTest::keyClick(Focused(), Qt::Key_Down);
    QCOMPARE(Focused(), form.cell(83));
    QTest::keyClick(Focused(), Qt::Key_Right);  // from the last cell to row 1's second
    QCOMPARE(Focused(), form.cell(1));
    QTest::keyClick(Focused(), Qt::Key_Left);
    QTest::keyClick(Focused(), Qt::Key_Left);
    QCOMPARE(Focused(), form.cell(83));
    QTest::keyClick(Focused(), Qt::Key_Up);
    QCOMPARE(Focused(), form.cell(41));
    QTest::keyClick(Focused(), Qt::Key_Home);
    QCOMPARE(Focused(), form.cell(0));
    QTest::keyClick(Focused(), Qt::Key_End);
    QCOMPARE(Focused(), form.cell(41));
    Type(QStringLiteral("Z"));  // the 42nd character, and on into row 2
    QCOMPARE(Focused(), form.cell(42));
    Type(QStringLiteral("yz"));
    QCOMPARE(f_.Row(1), QStringLiteral("yz"));
    QTest::keyClick(Focused(), Qt::Key_Home);
    QCOMPARE(Focused(), form.cell(42));
    QTest::keyClick(Focused(), Qt::Key_Backspace);  // takes the Z; the cells after it close the gap
    QCOMPARE(Focused(), form.cell(41));
    QCOMPARE(f_.Row(0), wide.left(41) + "y");
    QCOMPARE(f_.Row(1), QStringLiteral("z"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(0), "{10}{20}" + wide.left(41) + "y|z");
    QCOMPARE(Focused(), form.list());

    // Back to 41, from Ctrl+N while a cell has the focus: the cells are
    // rebuilt under it and the focus stays in the grid.
    f_.doc().SetProfile(ProfileOf(41));
    Click(form.cell(60));
    QTest::keyClick(Focused(), Qt::Key_N, Qt::ControlModifier);
    lm::test::Settle();
    CheckCellsFit(form, 41);
    QCOMPARE(Focused(), form.cell(60));
    ClickRow(form.list(), 1);
    Click(form.cell(3));
    Type(QStringLiteral("t!"));
    QCOMPARE(f_.Row(0), QStringLiteral("next!"));
    QCOMPARE(Focused(), form.cell(5));
  }

  // The width changes between commands run from the focused cell itself and
  // from the menus: each rebuild leaves one grid, focused where it was.
  void gridRebuiltFromWithinACell_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("41 to 42") << 41 << 42;
    QTest::newRow("42 to 41") << 42 << 41;
    QTest::newRow("41 to 20") << 41 << 20;
  }
  void gridRebuiltFromWithinACell() {
    QFETCH(int, from);
    QFETCH(int, to);
    lm::ui::Form1& form = f_.Open({"{10}{20}" + QString(60, 'x'), "{30}{40}" + QString(60, 'y')});
    f_.doc().SetProfile(ProfileOf(from));
    ClickRow(form.list(), 1);
    CheckCellsFit(form, from);
    const int at = from + from / 2;  // in row 2
    Click(form.cell(at));
    f_.doc().SetProfile(ProfileOf(to));
    QTest::keyClick(Focused(), Qt::Key_N, Qt::ControlModifier);
    lm::test::Settle();
    CheckCellsFit(form, to);
    QCOMPARE(Focused(), form.cell(std::min(at, 2 * to - 1)));
    Type(QStringLiteral("Q"));
    QCOMPARE(form.cell(std::min(at, 2 * to - 1))->text(), QStringLiteral("Q"));
  }

  // ---- "|" as text, and as a line break

  void aBarThatIsText() {
    const lm::Format* format = FormatWhereBarIsText(true);
    if (!format) QSKIP("no format keeps \"|\" as text");
    const std::string bar(lm::kLiteralBar);
    const QString name = QString::fromStdString(lm::WithExtension("bars.x", *format));
    lm::test::WriteBytes(f_.File(name), FileOf(*format, {EntryIn(*format, 25, 75, "this" + bar + "that"),
                                                         EntryIn(*format, 100, 150, "next")}));
    lm::ui::Form1& form = f_.Open();
    form.OpenFromOutside(f_.File(name));
    QCOMPARE(f_.doc().Identity().format, format);
    QCOMPARE(form.cell(4)->text(), QStringLiteral("|"));
    QCOMPARE(f_.Row(0), QStringLiteral("this|that"));
    QCOMPARE(f_.Row(1), QString());
    QCOMPARE(form.label1()->text(), QStringLiteral("this|that"));

    Click(form.cell(9));
    Type(QStringLiteral("|x"));
    QCOMPARE(form.cell(9)->text(), QStringLiteral("|"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    const std::string written = EntryIn(*format, 25, 75, "this" + bar + "that" + bar + "x");
    QCOMPARE(f_.doc().List1.Item(0), written);  // one screen line: no break in it
    ClickRow(form.list(), 1);
    ClickRow(form.list(), 0);
    QCOMPARE(f_.Row(0), QStringLiteral("this|that|x"));
    QCOMPARE(f_.Row(1), QString());
    QCOMPARE(form.label2()->text(), QString());

    QTest::keyClick(form.list(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(lm::test::ReadBytes(f_.File(name)), FileOf(*format, {written, EntryIn(*format, 100, 150, "next")}));
    QVERIFY(lm::test::ReadBytes(f_.File(name)).contains("this|that|x\r\n"));
  }

  void aBarThatBreaksTheLine() {
    const lm::Format* format = FormatWhereBarIsText(false);
    QVERIFY(format);
    const QString name = QString::fromStdString(lm::WithExtension("breaks.x", *format));
    lm::test::WriteBytes(f_.File(name),
                         FileOf(*format, {EntryIn(*format, 25, 75, "this"), EntryIn(*format, 100, 150, "next")}));
    lm::ui::Form1& form = f_.Open();
    form.OpenFromOutside(f_.File(name));
    QCOMPARE(f_.doc().Identity().format, format);
    Click(form.cell(4));
    Type(QStringLiteral("|x"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(f_.doc().List1.Item(0), EntryIn(*format, 25, 75, "this|x"));
    ClickRow(form.list(), 1);
    ClickRow(form.list(), 0);
    QCOMPARE(f_.Row(0), QStringLiteral("this "));  // the break shows as a blank where it stands
    QCOMPARE(f_.Row(1), QStringLiteral("x"));
    QCOMPARE(form.label2()->text(), QStringLiteral("x"));
  }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
