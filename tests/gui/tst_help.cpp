// The help windows and the contact links.
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

#include "windows/contact_links.h"
#include "windows/help_windows.h"
#include "windows/window_util.h"

using lm::ui::HelpTextWindow;
using lm::ui::HelpWindow;
using lm::ui::KeyHelpWindow;
namespace HemSida = lm::ui::HemSida;

namespace {

int CountWindows(const QString& name) {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) ++n;
  return n;
}

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT

  QPointer<HelpWindow> help_;
  QPointer<KeyHelpWindow> keyHelp_;
  QList<HemSida::ShellRequest> requests_;

  HelpTextWindow* Show(bool keys) {
    HelpTextWindow* w =
        keys ? static_cast<HelpTextWindow*>(
                   lm::ui::ShowSingle(keyHelp_, [] { return new KeyHelpWindow; }))
             : lm::ui::ShowSingle(help_, [] { return new HelpWindow; });
    return QTest::qWaitForWindowExposed(w) ? w : nullptr;
  }

 private slots:
  void init() {
    requests_.clear();
    HemSida::SetShellOpener([this](const HemSida::ShellRequest& r) { requests_ << r; });
  }

  void cleanup() {
    HemSida::SetShellOpener(nullptr);
    delete help_.data();
    delete keyHelp_.data();
  }

  void helpTextSaysWhatItShould() {
    const QString text = lm::ui::HelpText();
    const QStringList inOrder = {
        "The reason for editing subtext lies in the fact",
        "I made this editing tool by 4 simple rules.",
        "Arial 28",
        "640X480",
        "3. The subtext shall not contain more than 2 lines.",
        "\"logical\"",
        "That way the flow in reading gets much better.",
        "Edit-fix text automatic.",
        "Seek-next",
        "hearing impaired",
        "Have fun",
        HemSida::MakerEmail(),
        HemSida::MakerHomePage(),
    };
    qsizetype at = 0;
    for (const QString& part : inOrder) {
      const qsizetype found = text.indexOf(part, at);
      QVERIFY2(found >= 0, qPrintable(part));
      at = found + part.size();
    }
    QVERIFY(text.contains(QChar(0x00B4)));
    QVERIFY(!text.contains(QChar(0xFFFD)));  // stored UTF-8 read as UTF-8
    QVERIFY(text.endsWith(HemSida::MakerHomePage()));
  }

  void keyHelpTextSaysWhatItShould() {
    const QString text = lm::ui::KeyHelpText();
    const QStringList inOrder = {"File-Open",   "Edit-Fix text automatic", "Backspace",
                                 "Insert",      "Split Line",              "Delete Line",
                                 "Add Line",    "Enter",                   "Ctrl+N",
                                 "Thats it"};
    qsizetype at = 0;
    for (const QString& part : inOrder) {
      const qsizetype found = text.indexOf(part, at);
      QVERIFY2(found >= 0, qPrintable(part));
      at = found + part.size();
    }
    QVERIFY(text.endsWith(QStringLiteral("\nTornak")));
  }

  void windowsAreLaidOut() {
    HelpTextWindow* help = Show(false);
    QVERIFY(help);
    QCOMPARE(help->objectName(), QStringLiteral("HelpSign"));
    QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(help->size(), lm::ui::TwipsSize(4485, 6465));
    QCOMPARE(help->minimumSize(), help->maximumSize());
    QCOMPARE(help->Text1()->geometry(), lm::ui::Twips(120, 120, 4215, 5895));
    QCOMPARE(help->Command1()->geometry(), lm::ui::Twips(1320, 6120, 1695, 255));
    QCOMPARE(help->Command1()->text(), QStringLiteral("Close"));
    QCOMPARE(help->Text1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(help->Text1()->toPlainText(), lm::ui::HelpText());

    HelpTextWindow* keys = Show(true);
    QVERIFY(keys);
    QCOMPARE(keys->objectName(), QStringLiteral("KeyHelpSign"));
    QCOMPARE(keys->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(keys->size(), lm::ui::TwipsSize(4365, 6765));
    QVERIFY(keys->minimumSize() != keys->maximumSize());  // sizable
    QCOMPARE(keys->Text1()->geometry(), lm::ui::Twips(120, 120, 3975, 6015));
    QCOMPARE(keys->Command1()->geometry(), lm::ui::Twips(1200, 6360, 1695, 255));
    QCOMPARE(keys->Text1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(keys->Text1()->toPlainText(), lm::ui::KeyHelpText());
    // Without a scroll bar the whole key help must fit in the field.
    QCOMPARE(keys->Text1()->verticalScrollBar()->maximum(), 0);

    if (qEnvironmentVariableIsSet("LINEMEND_SCREENSHOTS")) {
      help->grab().save(QStringLiteral("/tmp/aux_help.png"));
      keys->grab().save(QStringLiteral("/tmp/aux_keyhelp.png"));
    }
  }

  void showingTwiceGivesOneWindow_data() {
    QTest::addColumn<bool>("keys");
    QTest::newRow("Contents") << false;
    QTest::newRow("Keyhelp") << true;
  }

  void showingTwiceGivesOneWindow() {
    QFETCH(bool, keys);
    HelpTextWindow* first = Show(keys);
    HelpTextWindow* second = Show(keys);
    QVERIFY(first);
    QCOMPARE(second, first);
    QCOMPARE(CountWindows(keys ? "KeyHelpSign" : "HelpSign"), 1);
  }

  void typedTextIsGoneOnReopening_data() { showingTwiceGivesOneWindow_data(); }

  void typedTextIsGoneOnReopening() {
    QFETCH(bool, keys);
    const QString stored = keys ? lm::ui::KeyHelpText() : lm::ui::HelpText();
    HelpTextWindow* w = Show(keys);
    QVERIFY(w);
    QTest::mouseClick(w->Text1()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(w->Text1(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(w->Text1(), "scribbled ");
    QTest::keyClick(w->Text1(), Qt::Key_Delete);
    QVERIFY(w->Text1()->toPlainText().startsWith("scribbled "));
    QVERIFY(w->Text1()->toPlainText() != stored);

    QTest::mouseClick(w->Command1(), Qt::LeftButton);
    QTRY_VERIFY(keys ? keyHelp_.isNull() : help_.isNull());

    HelpTextWindow* again = Show(keys);
    QVERIFY(again);
    QCOMPARE(again->Text1()->toPlainText(), stored);
  }

  void contactLinksHandTheShellTheirTargets() {
    HemSida::OpenMailLink();
    HemSida::OpenHomePage();
    QCOMPARE(requests_.size(), 2);
    QCOMPARE(requests_[0].verb, QStringLiteral("open"));
    QCOMPARE(requests_[0].target, QStringLiteral("mailto: tornak@tornak-linemend.example"));
    QCOMPARE(requests_[0].showMode, 1);
    QVERIFY(requests_[0].parameters.isEmpty() && requests_[0].folder.isEmpty());
    QCOMPARE(requests_[1].verb, QStringLiteral("open"));
    QCOMPARE(requests_[1].target, QStringLiteral("www.tornak-linemend.example"));
    QCOMPARE(requests_[1].showMode, 1);
  }

  void targetsBecomeOpenableUrls_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    QTest::newRow("mail with blank") << "mailto: tornak@tornak-linemend.example"
                                     << "mailto:tornak@tornak-linemend.example";
    QTest::newRow("mail without blank") << "mailto:a@b.example" << "mailto:a@b.example";
    QTest::newRow("mail upper case") << "MAILTO:  a@b.example " << "mailto:a@b.example";
    QTest::newRow("mail without address") << "mailto: " << "";
    QTest::newRow("home page") << "www.tornak-linemend.example"
                               << "http://www.tornak-linemend.example";
    QTest::newRow("page with path") << "www.b.example/sub/x.html"
                                    << "http://www.b.example/sub/x.html";
    QTest::newRow("full address") << "https://b.example/p" << "https://b.example/p";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks") << "   " << "";
  }

  void targetsBecomeOpenableUrls() {
    QFETCH(QString, target);
    QFETCH(QString, url);
    QCOMPARE(HemSida::OpenableUrl(target).toString(), url);
  }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
