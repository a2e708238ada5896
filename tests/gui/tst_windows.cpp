// The splash window, the About window, the help windows and the contact links.
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>

#include "model/version.h"
#include "support/gui_test_support.h"
#include "windows/about_window.h"
#include "windows/contact_links.h"
#include "windows/help_windows.h"
#include "windows/splash_window.h"
#include "windows/window_util.h"

namespace HemSida = lm::ui::HemSida;
using lm::ui::SplashWindow;

class WindowsTest : public QObject {
  Q_OBJECT

  int handOvers_ = 0;
  std::unique_ptr<QWidget> main_;
  std::function<void()> HandOver() {
    return [this] {
      ++handOvers_;
      main_ = std::make_unique<QWidget>();
      main_->show();
    };
  }

 private slots:
  void init() {
    handOvers_ = 0;
    main_.reset();
  }

  void splashHandsOverAfterThreeSeconds() {
    // The clock starts before the window; a coarse timer may fire 5 % early.
    QElapsedTimer clock;
    clock.start();
    SplashWindow splash(HandOver());
    splash.show();
    QTRY_COMPARE_WITH_TIMEOUT(handOvers_, 1, 8000);
    QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!splash.isVisible() && main_->isVisible());
  }

  void splashClickHandsOverOnceOnly() {
    SplashWindow splash(HandOver());
    splash.show();
    QTest::mouseClick(&splash, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(handOvers_, 0);  // another button is no click on the window
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(400, 240));
    splash.Timer1_Timer();  // a tick already on its way
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(handOvers_, 1);
  }

  void aboutClosesByOkEnterAndEsc_data() {
    QTest::addColumn<int>("key");  // 0: a mouse click on OK
    QTest::newRow("click OK") << 0;
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
  }
  void aboutClosesByOkEnterAndEsc() {
    QFETCH(int, key);
    QPointer<lm::ui::AboutWindow> slot;
    lm::ui::AboutWindow* about = lm::ui::ShowSingle(slot, [] { return new lm::ui::AboutWindow; });
    QCOMPARE(lm::ui::ShowSingle(slot, [] { return new lm::ui::AboutWindow; }), about);
    QCOMPARE(about->windowTitle(), QStringLiteral("About Tornak Linemend"));
    QCOMPARE(about->lblVersion()->text(), QStringLiteral("Version ") + QString::fromUtf8(lm::kVersion));
    if (key == 0) {
      lm::test::Click(about->cmdOK());
    } else {
      QTest::keyClick(about->cmdOK(), Qt::Key(key));
    }
    QTRY_VERIFY(slot.isNull());
  }

  void helpWindowsShowTheStoredTextAndKeepCloseInSight() {
    QPointer<lm::ui::KeyHelpWindow> slot;
    auto* help = lm::ui::ShowSingle(slot, [] { return new lm::ui::KeyHelpWindow; });
    const QString stored = help->Text1()->toPlainText();
    QVERIFY(stored.contains(QStringLiteral("Thats it")));
    for (const QSize size : {QSize(150, 120), QSize(900, 700)}) {
      help->resize(size);
      QVERIFY(help->rect().contains(help->Command1()->geometry()));
    }
    QTest::keyClicks(help->Text1(), QStringLiteral("typed"));
    lm::test::Click(help->Command1());
    QTRY_VERIFY(slot.isNull());
    help = lm::ui::ShowSingle(slot, [] { return new lm::ui::KeyHelpWindow; });
    QCOMPARE(help->Text1()->toPlainText(), stored);
    delete help;
  }

  void contactLinksHandTheShellTheirTargets() {
    QStringList urls;
    HemSida::SetShellOpener([&](const HemSida::ShellRequest& r) {
      urls << HemSida::OpenableUrl(r.target).toString() + QString::number(r.showMode);
    });
    HemSida::OpenMailLink();
    HemSida::OpenHomePage();
    HemSida::SetShellOpener(nullptr);
    QCOMPARE(urls, (QStringList{"mailto:tornak@tornak-linemend.example1", "http://www.tornak-linemend.example1"}));
  }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
