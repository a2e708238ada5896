// The main window driven through real key and mouse events.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolButton>

#include "formats/registry.h"
#include "support/gui_test_support.h"
#include "windows/entry_list_view.h"
#include "windows/open_dialog.h"
#include "windows/save_flow.h"

using lm::test::Click;
using lm::test::ClickButton;
using lm::test::ClickRow;
using lm::test::Focused;
using lm::test::Type;

namespace {
const QStringList kThree = {"{10}{20}abc", "{30}{40}This is a rather long subtitle line that needs a break",
                            "{50}{60}last"};
}

class MainWindowTest : public QObject {
  Q_OBJECT

  lm::test::MainWindowFixture f_;
  QStringList Items() {
    QStringList items;
    for (const auto& line : f_.doc().List1.Items()) items << QString::fromStdString(line);
    return items;
  }

 private slots:
  void cleanup() {
    f_.form.reset();
    f_.log.Take();
    f_.log.TakeQuestions();
    QFile::remove(f_.File(QStringLiteral("framerate.txt")));
  }

  void typingOverwritesAndEnterWritesBack() {
    lm::ui::Form1& form = f_.Open(kThree);
    QCOMPARE(Focused(), form.list());
    QCOMPARE(f_.Row(0).left(3), QStringLiteral("abc"));
    Click(form.cell(1));
    Type(QStringLiteral("XY\u00e9"));
    QCOMPARE(f_.Row(0).left(4), QStringLiteral("aXY\u00e9"));
    QCOMPARE(Focused(), form.cell(4));
    QCOMPARE(f_.doc().Changed(), 1);
    // A snowman is not in the file's code page: said so, and typed only
    // once the document is to be saved in UTF-8.
    f_.log.answer = false;
    Type(QStringLiteral("\u2603"));
    QCOMPARE(form.cell(4)->text(), QString());
    QCOMPARE(Focused(), form.cell(4));
    QCOMPARE(f_.log.TakeQuestions(),
             QStringList{
                 QStringLiteral("\u2603 does not fit Windows-1252. Do You want to save film.sub in UTF-8 instead?")});
    QCOMPARE(f_.doc().FileEncoding(), lm::Encoding::Windows1252);
    f_.log.answer = true;
    Type(QStringLiteral("\u2603"));
    QCOMPARE(form.cell(4)->text(), QStringLiteral("\u2603"));
    QCOMPARE(f_.log.TakeQuestions().size(), 1);
    QCOMPARE(f_.doc().FileEncoding(), lm::Encoding::Utf8);
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(0), QStringLiteral("{10}{20}aXY"));
    QCOMPARE(Focused(), form.list());
    QCOMPARE(form.label1()->text(), QStringLiteral("aXY"));
  }

  void inputMethodTextIsTypedLikeKeys() {
    lm::ui::Form1& form = f_.Open(kThree);
    Click(form.cell(2));
    QInputMethodEvent composing(QStringLiteral("e"), {});
    QApplication::sendEvent(form.cell(2), &composing);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u00e9\u00e8"));
    QApplication::sendEvent(form.cell(2), &commit);
    QCOMPARE(f_.Row(0).left(4), QStringLiteral("ab\u00e9\u00e8"));
    QCOMPARE(Focused(), form.cell(4));
    QCOMPARE(f_.doc().Changed(), 1);
  }

  // Whatever replaces the grid or writes the file first writes back what was
  // typed, as Enter would.
  void typingIsWrittenBackBeforeOtherCommands_data() {
    QTest::addColumn<QString>("trigger");
    for (const char* name : {"click another entry", "Split Line", "frame button", "Ctrl+N", "Fix text automatic",
                             "Save", "Exit", "Ctrl+Z"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void typingIsWrittenBackBeforeOtherCommands() {
    QFETCH(QString, trigger);
    const QString& tag = trigger;
    lm::ui::Form1& form = f_.Open(kThree);
    Click(form.cell(0));
    Type(QStringLiteral("Z"));
    if (tag == "click another entry") ClickRow(form.list(), 2);
    if (tag == "Split Line") ClickButton(&form, "Command14");
    if (tag == "frame button") ClickButton(&form, "Command11");
    if (tag == "Ctrl+N") QTest::keyClick(Focused(), Qt::Key_N, Qt::ControlModifier);
    if (tag == "Fix text automatic") QVERIFY(lm::test::Menu(&form, Qt::Key_E, Qt::Key_F));
    if (tag == "Save") QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_S));
    if (tag == "Exit") QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_X));
    if (tag == "Ctrl+Z") {
      // Undo takes back the typing: it was a step of its own.
      QTest::keyClick(Focused(), Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(Items().at(0) + f_.Row(0).left(3), QStringLiteral("{10}{20}abcabc"));
      return;
    }
    QVERIFY2(Items().at(0).startsWith(QStringLiteral("{10}{")) && Items().at(0).contains(QStringLiteral("}Zbc")),
             qPrintable(Items().at(0)));
    if (tag == "Save") QCOMPARE(lm::test::ReadBytes(f_.File("film.sub")).left(13), QByteArray("{10}{20}Zbc\r\n"));
    if (tag == "Exit") QVERIFY(f_.ended == 0 && form.saveFlow()->saveChangesPrompt());
  }

  void undoAndRedoThroughTheMenuAndKeys() {
    lm::ui::Form1& form = f_.Open(kThree);
    QAction* undo = form.action(QStringLiteral("Undo"));
    QVERIFY(!undo->isEnabled());
    ClickRow(form.list(), 1);
    ClickButton(&form, "Command14");
    const QStringList split = Items();
    QCOMPARE(split.size(), 4);
    QVERIFY(undo->isEnabled());
    Click(form.cell(3));  // the cells leave undo to the window
    QTest::keyClick(Focused(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Items(), kThree);
    QCOMPARE(f_.doc().Changed(), 0);
    QCOMPARE(form.textline()->text(), QStringLiteral("{30}{40}"));
    QTest::keyClick(Focused(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(Items(), split);
    QVERIFY(lm::test::Menu(&form, Qt::Key_E, Qt::Key_U));
    QCOMPARE(Items(), kThree);
    QTest::keyClick(form.list(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Items(), split);
    QCOMPARE(f_.Row(0).isEmpty(), false);
  }

  void entriesWithoutTheirFramesShowNothing() {
    const QStringList lines{"{10}{20}abc", "{30}{40}def", "{100}xyz", "no braces"};
    lm::ui::Form1& form = f_.Open(lines);
    for (int row : {2, 3}) {
      ClickRow(form.list(), row);
      QCOMPARE(form.textline()->text() + f_.Row(0), QString());
      QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("This line has no frames of its own"));
      Type(QStringLiteral("qq"));
      QTest::keyClick(Focused(), Qt::Key_Return);
      QCOMPARE(f_.Row(0), QString());
      QCOMPARE(Items(), lines);
    }
  }

  void listKeysAndFrameButtons() {
    lm::ui::Form1& form = f_.Open(kThree);
    QTest::keyClick(form.list(), Qt::Key_Down);
    QCOMPARE(form.list()->currentIndex().row(), f_.doc().CurrentIndex);
    QTest::keyClick(form.list(), Qt::Key_End);  // the grid follows every move of the list
    QCOMPARE(form.textline()->text(), QStringLiteral("{50}{60}"));
    ClickButton(&form, "Command7");  // Start - 100
    QCOMPARE(f_.log.Take(), QStringList{"To low value"});
    QTest::keyClick(form.list(), Qt::Key_Return);
    QCOMPARE(Focused(), form.cell(0));
  }

  void shortcutsBelongToTheMainWindow() {
    lm::ui::Form1& form = f_.Open({"{1}{2}" + QString(50, 'x'), "{3}{4}fine", "{5}{6}" + QString(50, 'y')});
    QVERIFY(lm::test::Menu(&form, Qt::Key_H, Qt::Key_K));  // Keyhelp
    QWidget* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QStringLiteral("KeyHelpSign")) help = w;
    QVERIFY(help);
    help->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), help);
    QTest::keyClick(help, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f_.doc().CurrentIndex, 0);  // Ctrl+N did nothing in the help window
    help->close();
    form.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &form);
    QTest::keyClick(form.list(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f_.doc().CurrentIndex, 2);
    QTest::keyClick(form.list(), Qt::Key_F10);
    QCOMPARE(form.menuBar()->activeAction(), form.menuBar()->actions().value(0));
  }

  void fileFromOutside() {
    lm::ui::Form1& form = f_.Open();
    lm::test::WriteBytes(f_.File("other.sub"), "{7}{8}dropped\r\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(f_.File("other.sub"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &drop);
    QCOMPARE(Items(), QStringList{"{7}{8}dropped"});
    QVERIFY(form.windowTitle().endsWith(f_.File("other.sub")));
    QVERIFY(lm::test::ReadBytes(f_.File("directory.txt")).contains("other.sub"));
    form.OpenFromOutside(f_.File("missing.sub"));
    QCOMPARE(f_.log.Take(), QStringList{"Cannot open " + f_.File("missing.sub") + ": No such file or directory"});
    QCOMPARE(Items(), QStringList{"{7}{8}dropped"});  // a failed open keeps the document
  }

  // An Alt combination that is no mnemonic types nothing; View > Show style
  // tags puts the tags into the cells, where they can be cut; what reading
  // found in the file stays in the status line.
  void altKeysStyleTagsAndFileNotes() {
    lm::ui::Form1& form = f_.Open({"{10}{20}{c:$0000FF}Hello", "{30}{40}next"});
    Click(form.cell(0));
    QTest::keyClick(Focused(), Qt::Key_Q, Qt::AltModifier);
    QCOMPARE(f_.Row(0).left(6), QStringLiteral("Hello"));
    QCOMPARE(f_.doc().Changed(), 0);
    QVERIFY(lm::test::Menu(&form, Qt::Key_V, Qt::Key_T));
    QVERIFY(form.action(QStringLiteral("ShowTags"))->isChecked());
    QCOMPARE(f_.Row(0).left(16), QStringLiteral("{c:$0000FF}Hello"));
    QCOMPARE(form.label1()->text(), QStringLiteral("Hello"));
    Click(form.cell(3));
    QTest::keyClick(Focused(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(0), QStringLiteral("{10}{20}"));
    QVERIFY(lm::test::Menu(&form, Qt::Key_V, Qt::Key_T));
    QVERIFY(!form.action(QStringLiteral("ShowTags"))->isChecked());
    QCOMPARE(form.fileNotesLine()->toolTip(), QString());

    lm::test::WriteBytes(f_.File("notes.srt"), "Downloaded from example.org\n\n1\n00:00:01,000 --> 00:00:02,000\nHi\n");
    QTest::keyClick(form.list(), Qt::Key_S, Qt::ControlModifier);
    form.OpenFromOutside(f_.File("notes.srt"));
    QCOMPARE(Items(), (QStringList{QStringLiteral("\uFDD1Downloaded from example.org"),
                                   QStringLiteral("{00:00:01,000}{00:00:02,000}Hi")}));
    QCOMPARE(form.fileNotesLine()->toolTip(),
             QStringLiteral("1 line could not be read as a cue and is kept as it was (line 1)"));
    // The list shows the line as it was, set apart from the cues.
    const QAbstractItemModel* rows = form.list()->model();
    const int text = lm::ui::EntryListModel::Text;
    QCOMPARE(rows->data(rows->index(0, text)).toString(), QStringLiteral("Downloaded from example.org"));
    QVERIFY(rows->data(rows->index(0, text), Qt::FontRole).value<QFont>().italic());
    QVERIFY(!rows->data(rows->index(1, text), Qt::FontRole).isValid());
    // Number, times and duration beside each entry; none for a line without times.
    QStringList row0, row1;
    for (int column = 0; column < text; ++column) {
      row0 << rows->data(rows->index(0, column)).toString();
      row1 << rows->data(rows->index(1, column)).toString();
    }
    QCOMPARE(row0, (QStringList{"1", "", "", "", ""}));
    QCOMPARE(row1, (QStringList{"2", "0:00:01.000", "0:00:02.000", "1.000", "2.0"}));
  }

  // Rules > Profile chooses the rules, remembered for the next run; the grid
  // takes the profile's width, the list marks what breaks the rules and
  // Rules > Next problem goes there.
  void rulesMenuChoosesTheProfile() {
    lm::ui::Form1& form = f_.Open({"{0}{10}Short", "{20}{200}Fine here", "{210}{300}" + QString(40, 'x')});
    QCOMPARE(form.cellCount(), 82);
    QVERIFY(lm::test::Menu(&form, Qt::Key_R, Qt::Key_P));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu && menu->objectName() == QStringLiteral("Profile"));
    QAction* teletext = form.action(QStringLiteral("Profile_teletext"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(teletext).center());
    QVERIFY(teletext->isChecked());
    QCOMPARE(f_.doc().RuleProfile().name, std::string("teletext"));
    QCOMPARE(form.cellCount(), 74);
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("EncodingStatus"))
                ->text()
                .endsWith(QStringLiteral("Rules: teletext, natural breaks")));
    const QAbstractItemModel* rows = form.list()->model();
    QCOMPARE(rows->data(rows->index(2, 0), Qt::ToolTipRole).toString(), QStringLiteral("line length 40 > 37"));
    QVERIFY(!rows->data(rows->index(1, 0), Qt::ToolTipRole).isValid());
    QTest::keyClick(form.list(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f_.doc().List1.ListIndex(), 2);
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("line length 40 > 37"));
    // The message has the line to itself while it lasts; the file's details
    // come back with the next entry that breaks nothing.
    auto* details = form.findChild<QLabel*>(QStringLiteral("EncodingStatus"));
    QVERIFY(!details->isVisible());
    QTest::keyClick(form.list(), Qt::Key_Up);
    QCOMPARE(form.statusBar()->currentMessage(), QString());
    QVERIFY(details->isVisible());
    QTest::keyClick(form.list(), Qt::Key_Down);
    QVERIFY(!details->isVisible());
    QTest::keyClick(form.list(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f_.log.Take(), QStringList{"No entry after this one breaks the rules of teletext"});
    // The next window starts with the profile chosen last.
    lm::ui::Form1& again = f_.Open();
    QVERIFY(again.action(QStringLiteral("Profile_teletext"))->isChecked());
    QCOMPARE(again.document().RuleProfile().name, std::string("teletext"));
    QFile::remove(f_.File(QStringLiteral("profile.txt")));
  }

  // Rules > Line breaks chooses the break style over the profile's,
  // remembered for the next run and named in the status line; the fix then
  // breaks where a subtitler would.
  void rulesMenuChoosesTheLineBreaks() {
    lm::ui::Form1& form = f_.Open({"{0}{100}Vous devez faire \u00e7a maintenant ? Oui, madame."});
    QAction* middle = form.action(QStringLiteral("LineBreaks_middle"));
    QAction* natural = form.action(QStringLiteral("LineBreaks_natural"));
    QVERIFY(middle->isChecked() && !natural->isChecked());
    QVERIFY(lm::test::Menu(&form, Qt::Key_R, Qt::Key_L));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu && menu->objectName() == QStringLiteral("LineBreaks"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(natural).center());
    QVERIFY(natural->isChecked() && !middle->isChecked());
    QVERIFY(f_.doc().RuleProfile().breaks == lm::BreakStyle::Natural);
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("EncodingStatus"))
                ->text()
                .endsWith(QStringLiteral("Rules: classic, natural breaks")));
    QVERIFY(lm::test::Menu(&form, Qt::Key_E, Qt::Key_F));
    QCOMPARE(f_.log.Take(), QStringList{"I just fixed 1 lines, for You"});
    QCOMPARE(Items(), QStringList{QStringLiteral("{0}{100}Vous devez faire \u00e7a maintenant ?|Oui, madame.")});
    // The choice outlasts a change of profile, and the next window starts
    // with it.
    form.action(QStringLiteral("Profile_teletext"))->trigger();
    QVERIFY(f_.doc().RuleProfile().breaks == lm::BreakStyle::Natural);
    form.action(QStringLiteral("Profile_classic"))->trigger();
    QVERIFY(f_.doc().RuleProfile().breaks == lm::BreakStyle::Natural);
    lm::ui::Form1& again = f_.Open();
    QVERIFY(again.action(QStringLiteral("LineBreaks_natural"))->isChecked());
    QVERIFY(again.document().RuleProfile().breaks == lm::BreakStyle::Natural);
    QFile::remove(f_.File(QStringLiteral("breaks.txt")));
    QFile::remove(f_.File(QStringLiteral("profile.txt")));
  }

  // One file of each format opened, fixed, edited in the grid and saved
  // from the window, then opened again as the same format and entries.
  void everyFormatOpensFixesEditsAndSaves_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("format");
    const QByteArray l = "This is a rather long subtitle line that needs a break";
    QTest::newRow("frame-based") << "f.sub"
                                 << "{10}{50}" + l + "\r\n{60}{90}Bye\r\n"
                                 << "Frame-based";
    QTest::newRow("SubRip") << "f.srt"
                            << "1\n00:00:01,000 --> 00:00:02,000\n" + l + "\n\n2\n00:00:03,000 --> 00:00:04,000\nBye\n"
                            << "SubRip";
    QTest::newRow("WebVTT") << "f.vtt"
                            << "WEBVTT\n\n00:01.000 --> 00:02.000\n" + l + "\n\n00:03.000 --> 00:04.000\nBye\n"
                            << "WebVTT";
    QTest::newRow("SubStation Alpha")
        << "f.ass"
        << "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, "
           "MarginR, MarginV, Effect, Text\r\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,," +
               l + "\r\nDialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Bye\r\n"
        << "SubStation Alpha";
    QTest::newRow("MPL2") << "f.txt"
                          << "[10][20]" + l + "\n[30][40]Bye\n"
                          << "MPL2";
    QTest::newRow("TMPlayer") << "f.txt"
                              << "00:00:01:" + l + "\n00:00:03:Bye\n"
                              << "TMPlayer";
    QTest::newRow("SubViewer 2") << "f.sub"
                                 << "[INFORMATION]\n[TITLE]x\n[END INFORMATION]\n00:00:01.00,00:00:02.00\n" + l +
                                        "\n\n00:00:03.00,00:00:04.00\nBye\n"
                                 << "SubViewer 2";
    QTest::newRow("SubViewer 1") << "f.sub"
                                 << "[TITLE]\nFilm\n[00:00:01]\n" + l +
                                        "\n[00:00:02]\n\n[00:00:03]\nBye\n[00:00:04]\n\n"
                                 << "SubViewer 1";
    QTest::newRow("YouTube SBV") << "f.sbv"
                                 << "0:00:01.000,0:00:02.000\n" + l + "\n\n0:00:03.000,0:00:04.000\nBye\n"
                                 << "YouTube SBV";
    QTest::newRow("TTML") << "f.ttml"
                          << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tt xmlns=\"http://www.w3.org/ns/ttml\">\n"
                             "<body><div>\n<p begin=\"1s\" end=\"2s\">" +
                                 l + "</p>\n<p begin=\"3s\" end=\"4s\">Bye</p>\n</div></body>\n</tt>\n"
                          << "TTML";
  }
  void everyFormatOpensFixesEditsAndSaves() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, format);
    lm::ui::Form1& form = f_.Open();
    lm::test::WriteBytes(f_.File(name), bytes);
    form.OpenFromOutside(f_.File(name));
    QCOMPARE(f_.log.Take(), QStringList());
    auto* status = form.findChild<QLabel*>(QStringLiteral("EncodingStatus"));
    QVERIFY2(status->text().startsWith(format + QStringLiteral(" \u00b7")), qPrintable(status->text()));
    QVERIFY(lm::test::Menu(&form, Qt::Key_E, Qt::Key_F));
    QCOMPARE(f_.log.Take(), QStringList{"I just fixed 1 lines, for You"});
    const int bye = static_cast<int>(Items().indexOf(QRegularExpression(QStringLiteral(".*Bye"))));
    QVERIFY(bye >= 0);
    ClickRow(form.list(), bye);
    Click(form.cell(0));
    Type(QStringLiteral("X"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    const QStringList edited = Items();
    QVERIFY(edited.at(bye).endsWith(QStringLiteral("Xye")));
    QVERIFY(edited.join('\n').contains(QStringLiteral("This is a rather long subtitle|line that needs a break")));
    QTest::keyClick(form.list(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f_.doc().Changed(), 0);
    form.OpenFromOutside(f_.File(name));
    QVERIFY(status->text().startsWith(format + QStringLiteral(" \u00b7")));
    QCOMPARE(Items(), edited);
  }

  // A file named relative to the folder the program runs in.
  void aRelativePathIsTheCurrentFolders() {
    lm::ui::Form1& form = f_.Open();
    lm::test::WriteBytes(f_.File("here.sub"), "{1}{2}here\r\n");
    const QString was = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f_.dir.path()));
    form.OpenFromOutside(QStringLiteral("here.sub"));
    QDir::setCurrent(was);
    QCOMPARE(f_.log.Take(), QStringList());
    QCOMPARE(Items(), QStringList{"{1}{2}here"});
    QCOMPARE(QString::fromStdString(f_.doc().FilePath()), f_.File("here.sub"));
  }

  // A Polish film in Windows-1250 with LF line ends and italics: shown,
  // typed into and saved as it came; read again in another code page from
  // the File menu; a file of no format read refused, one of another ".sub"
  // format read.
  void realFilesAsTheyCome() {
    lm::ui::Form1& form = f_.Open();
    const QString pl = f_.File(QStringLiteral("pl.sub"));
    lm::test::WriteBytes(pl,
                         "{1}{50}{y:i}Dzie\xF1 dobry|/Wszystko w porz\xB9"
                         "dku.\n{60}{90}\xA3\xF3"
                         "d\x9F\n");
    form.OpenFromOutside(pl);
    QCOMPARE(f_.Row(0).left(11), QStringLiteral("Dzie\u0144 dobry"));
    QVERIFY(form.label1()->font().italic() && form.label2()->font().italic());
    auto* status = form.findChild<QLabel*>(QStringLiteral("EncodingStatus"));
    QCOMPARE(status->text(), QStringLiteral("Frame-based \u00b7 Encoding: Windows-1250 \u00b7 Line ends: LF \u00b7 25 "
                                            "fps \u00b7 Rules: classic, middle breaks"));
    Click(form.cell(0));
    Type(QStringLiteral("\u0142"));  // ł, which Windows-1252 would not hold
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(0), QStringLiteral("{1}{50}{y:i}\u0142zie\u0144 dobry|/Wszystko w porz\u0105dku."));
    QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_S));
    QCOMPARE(lm::test::ReadBytes(pl), QByteArray("{1}{50}{y:i}\xB3zie\xF1 dobry|/Wszystko w porz\xB9"
                                                 "dku.\n{60}{90}\xA3\xF3"
                                                 "d\x9F\n"));

    // Read again as Windows-1252, from File > Encoding.
    auto chooseEncoding = [&](const char* name) {
      QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_E));
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu && menu->objectName() == QStringLiteral("Encoding"));
      QAction* a = form.action(QStringLiteral("Encoding_%1").arg(QLatin1String(name)));
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    };
    chooseEncoding("Windows-1252");
    QCOMPARE(f_.Row(0).left(5), QStringLiteral("\u00b3zie\u00f1"));
    QVERIFY(status->text().contains(QStringLiteral("Windows-1252")));
    QVERIFY(form.action(QStringLiteral("Encoding_Windows-1252"))->isChecked());
    // With a change, the choice is asked first: Cancel changes nothing; to
    // read the file again, "Save ?" comes first, and Cancel keeps everything.
    ClickButton(&form, "Command15");
    chooseEncoding("Windows-1250");
    QCOMPARE(f_.log.TakeQuestions().size(), 1);
    QVERIFY(!form.saveFlow()->saveChangesPrompt());
    QCOMPARE(Items().size(), 3);
    f_.log.choice = 1;
    chooseEncoding("Windows-1250");
    QVERIFY(form.saveFlow()->saveChangesPrompt());
    QTest::keyClick(form.saveFlow()->saveChangesPrompt(), Qt::Key_Escape);
    QCOMPARE(Items().size(), 3);
    QVERIFY(form.action(QStringLiteral("Encoding_Windows-1252"))->isChecked());
    // Kept and saved in the encoding chosen, when it holds the text.
    f_.log.choice = 0;
    chooseEncoding("Windows-1250");
    QCOMPARE(f_.doc().FileEncoding(), lm::Encoding::Windows1252);
    const QStringList refused = f_.log.Take();
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused.at(0).endsWith(QStringLiteral("so pl.sub is still saved in Windows-1252.")),
             qPrintable(refused.at(0)));
    chooseEncoding("UTF-8");
    f_.log.choice = -1;
    QCOMPARE(f_.doc().FileEncoding(), lm::Encoding::Utf8);
    QCOMPARE(Items().size(), 3);
    QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_S));
    QVERIFY(lm::test::ReadBytes(pl).startsWith("{1}{50}{y:i}\xC2\xB3zie\xC3\xB1"));
    QCOMPARE(f_.doc().Changed(), 0);

    lm::test::WriteBytes(f_.File(QStringLiteral("sami.sub")),
                         "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000><P>Hi\r\n</BODY>\r\n</SAMI>\r\n");
    form.OpenFromOutside(f_.File(QStringLiteral("sami.sub")));  // saved: no prompt
    QCOMPARE(f_.log.Take(),
             QStringList{QString::fromStdString("sami.sub is " + lm::NoneOfTheFormats() + " (it looks like SAMI).")});
    QCOMPARE(Items().size(), 3);

    // Another ".sub" is read by what it holds: its header is kept, set apart.
    lm::test::WriteBytes(f_.File(QStringLiteral("sv.sub")), "[INFORMATION]\r\n00:00:01.00,00:00:03.00\r\nHi\r\n");
    form.OpenFromOutside(f_.File(QStringLiteral("sv.sub")));
    QCOMPARE(f_.log.Take(), QStringList());
    QCOMPARE(Items().size(), 2);
    QVERIFY2(status->text().startsWith(QStringLiteral("SubViewer 2 \u00b7 Encoding: Windows-1252")),
             qPrintable(status->text()));
  }

  // An entry longer than the grid, edited, moved away from, saved and read
  // again: nothing of it is lost.
  void textBeyondTheGridIsKept_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");  // after typing "X" into cell 3
    const QString a = QStringLiteral(
        "Look, I have told you this before|and I will tell you again, it was not me, "
        "you understand me now? Do you?!");
    QTest::newRow("107 characters") << a << a.left(3) + "X" + a.mid(4);
    QString b;
    while (b.size() < 200) b += QStringLiteral("abcdefghij");
    QTest::newRow("200 characters, one line") << b << b.left(3) + "X" + b.mid(4, 37) + "|" + b.mid(41);
  }
  void textBeyondTheGridIsKept() {
    QFETCH(QString, text);
    QFETCH(QString, written);
    QVERIFY(text.size() >= 107);
    lm::ui::Form1& form = f_.Open({"{10}{20}" + text, "{30}{40}next"});
    QVERIFY(form.overflowLine()->text().startsWith(QString::fromUtf8("\u2026 ")));
    Click(form.cell(3));
    Type(QStringLiteral("X"));
    ClickRow(form.list(), 1);  // moved away without Enter
    QCOMPARE(Items().at(0), "{10}{20}" + written);
    QCOMPARE(form.overflowLine()->text(), QString());
    QTest::keyClick(form.list(), Qt::Key_S, Qt::ControlModifier);
    form.OpenFromOutside(f_.File("film.sub"));
    QCOMPARE(Items().at(0), "{10}{20}" + written);
  }

  // Only keys that type a character type; Delete, Home and End edit and
  // move; the clipboard keys work on the entry.
  void gridKeysThatTypeNothing() {
    lm::ui::Form1& form = f_.Open({"{10}{20}abcdef", "{30}{40}next"});
    Click(form.cell(2));
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_CapsLock, Qt::Key_F5, Qt::Key_PageDown})
      QTest::keyClick(Focused(), key);
    QTest::keyClick(Focused(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(f_.Row(0).left(6), QStringLiteral("abcdef"));
    QCOMPARE(f_.doc().Changed(), 0);
    QTest::keyClick(Focused(), Qt::Key_Delete);
    QCOMPARE(f_.Row(0).left(6), QStringLiteral("abdef"));
    QCOMPARE(Focused(), form.cell(2));
    QTest::keyClick(Focused(), Qt::Key_End);
    QCOMPARE(Focused(), form.cell(4));
    QTest::keyClick(Focused(), Qt::Key_Home);
    QCOMPARE(Focused(), form.cell(0));
    QTest::keyClick(Focused(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("abdef"));
    QCOMPARE(f_.Row(0).left(5), QStringLiteral("abdef"));
    QGuiApplication::clipboard()->setText(QStringLiteral("XY\nZ\u2603"));  // a snowman the file cannot hold
    f_.log.answer = false;  // not saved in UTF-8: the snowman stays out, and is named
    QTest::keyClick(Focused(), Qt::Key_V, Qt::ControlModifier);
    f_.log.answer = true;
    QCOMPARE(f_.log.TakeQuestions(),
             QStringList{
                 QStringLiteral("\u2603 does not fit Windows-1252. Do You want to save film.sub in UTF-8 instead?")});
    QCOMPARE(f_.Row(0).left(5) + f_.Row(1).left(2), QStringLiteral("XYdefZ"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(0), QStringLiteral("{10}{20}XYdef|Z"));
    Click(form.cell(0));
    QTest::keyClick(Focused(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("XYdef\nZ"));
    QCOMPARE(f_.Row(0) + f_.Row(1), QString());
    QTest::keyClick(Focused(), Qt::Key_Z, Qt::ControlModifier);  // the cut is taken back
    QCOMPARE(Items().at(0), QStringLiteral("{10}{20}XYdef|Z"));
  }

  // A write-back that changes nothing is no step: Undo names the one before.
  void undoAfterAnEditThatChangedNothing() {
    lm::ui::Form1& form = f_.Open(kThree);
    ClickButton(&form, "Command15");  // Add Line
    Click(form.cell(0));
    Type(QStringLiteral("a"));  // over the "a" already there
    QCOMPARE(form.action(QStringLiteral("Undo"))->text(), QStringLiteral("&Undo Add Line"));
    QTest::keyClick(Focused(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Items(), kThree);
  }

  void fileShortcutsAndTheLastFileItem() {
    QFile::remove(f_.File("directory.txt"));
    lm::ui::Form1& fresh = f_.Open();
    QVERIFY(!fresh.action(QStringLiteral("LatestSub"))->isVisible());
    QTest::keyClick(fresh.cell(0), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(fresh.openDialog());
    fresh.openDialog()->close();
    lm::ui::Form1& form = f_.Open(kThree);  // writes directory.txt
    QTest::keyClick(form.cell(0), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(f_.ended, 1);
    QVERIFY(f_.Open().action(QStringLiteral("LatestSub"))->isVisible());
  }

  // A SubRip file: fixed, a cue edited in the grid and taken back, saved as
  // SubRip; the frame rate chosen from the File menu.
  void aSubRipFileThroughTheWindow() {
    lm::ui::Form1& form = f_.Open();
    const QString srt = f_.File(QStringLiteral("film.srt"));
    lm::test::WriteBytes(
        srt,
        "1\r\n00:00:01,000 --> 00:00:04,000\r\nThis is a rather long subtitle line that needs a break\r\n\r\n"
        "2\r\n00:00:05,000 --> 00:00:06,000 X1:1 X2:9 Y1:1 Y2:9\r\n<i>Short one</i>\r\n\r\n");
    form.OpenFromOutside(srt);
    QCOMPARE(form.textline()->text(), QStringLiteral("{00:00:01,000}{00:00:04,000}"));
    QVERIFY(Items().size() == 2);
    QVERIFY(lm::test::Menu(&form, Qt::Key_E, Qt::Key_F));
    QCOMPARE(f_.log.Take(), QStringList{"I just fixed 1 lines, for You"});
    ClickRow(form.list(), 1);
    QCOMPARE(f_.Row(0).left(9), QStringLiteral("Short one"));
    QVERIFY(form.label1()->font().italic());
    Click(form.cell(0));
    Type(QStringLiteral("Sport"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QCOMPARE(Items().at(1), QStringLiteral("{00:00:05,000}{00:00:06,000}<i>Sport one</i>"));
    QTest::keyClick(form.list(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Items().at(1), QStringLiteral("{00:00:05,000}{00:00:06,000}<i>Short one</i>"));
    QTest::keyClick(form.list(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(
        lm::test::ReadBytes(srt),
        QByteArray(
            "1\r\n00:00:01,000 --> 00:00:04,000\r\nThis is a rather long subtitle\r\nline that needs a break\r\n\r\n"
            "2\r\n00:00:05,000 --> 00:00:06,000 X1:1 X2:9 Y1:1 Y2:9\r\n<i>Short one</i>\r\n\r\n"));
    // "Start + 1" moves the time by a frame at the chosen rate: 1000 / 50 ms.
    QVERIFY(lm::test::Menu(&form, Qt::Key_F, Qt::Key_R));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction* fifty = form.action(QStringLiteral("FrameRate_50"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(fifty).center());
    QVERIFY(fifty->isChecked());
    ClickButton(&form, "Command2");
    QCOMPARE(form.textline()->text(), QStringLiteral("{00:00:05,020}{00:00:06,000}"));
  }

  // The window opens at its least size, where a full screen line fits the
  // preview; made larger, the list takes the room and nothing else grows
  // apart or out of sight.
  void resizedTheListTakesTheRoom() {
    lm::ui::Form1& form = f_.Open({"{1}{2}" + QString(41, 'W') + "|" + QString(41, 'W')});
    QCOMPARE(form.size(), form.minimumSize());
    for (QLabel* label : {form.label1(), form.label2()}) {
      QCOMPARE(label->text(), QString(41, 'W'));
      QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    }
    if (qEnvironmentVariableIsSet("LINEMEND_SCREENSHOTS"))
      form.grab().save(qEnvironmentVariable("LINEMEND_SCREENSHOTS"));
    const QRect list = form.list()->geometry(), cell = form.cell(0)->geometry(), label = form.label1()->geometry();
    const QRect button = form.findChild<QAbstractButton*>(QStringLiteral("Command15"))->geometry();
    form.resize(form.size() + QSize(200, 150));
    QCOMPARE(form.list()->geometry(), list.adjusted(0, 0, 200, 150));
    QCOMPARE(form.cell(0)->geometry(), cell.translated(0, 150));
    QCOMPARE(form.label1()->geometry(), label.translated(0, 150).adjusted(0, 0, 200, 0));
    QCOMPARE(form.findChild<QAbstractButton*>(QStringLiteral("Command15"))->geometry(), button.translated(0, 150));
    QVERIFY(form.centralWidget()->rect().contains(form.overflowLine()->geometry()));
    form.resize(form.minimumSize() - QSize(50, 50));
    QCOMPARE(form.size(), form.minimumSize());
    QCOMPARE(form.list()->geometry(), list);
  }

  void closingAsksOnlyAboutChanges() {
    QVERIFY(lm::test::Menu(&f_.Open(kThree), Qt::Key_F, Qt::Key_X));
    QCOMPARE(f_.ended, 1);  // nothing changed: Exit ends at once
    lm::ui::Form1& form = f_.Open(kThree);
    ClickButton(&form, "Command15");
    form.close();
    QTest::keyClick(form.saveFlow()->saveChangesPrompt(), Qt::Key_Escape);
    lm::test::Settle();
    QVERIFY(form.isVisible() && !form.saveFlow()->saveChangesPrompt() && f_.ended == 0);
    form.close();
    ClickButton(form.saveFlow()->saveChangesPrompt(), "Command2");  // No
    QCOMPARE(f_.ended, 1);
  }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
