// The splash window: hand-over to the main window by timer or by click.
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "windows/splash_window.h"

using lm::ui::SplashWindow;

class SplashTest : public QObject {
  Q_OBJECT

  int handOvers_ = 0;
  std::unique_ptr<QWidget> main_;

  // The hand-over as the program does it: a main window created and shown.
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

  void looksLikeASplash() {
    SplashWindow splash(HandOver());
    QCOMPARE(splash.objectName(), QStringLiteral("Form2"));
    QCOMPARE(splash.size(), QSize(424, 259));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash.timer()->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(splash.timer()->interval(), 3000);
    QVERIFY(splash.timer()->isActive());

    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage shot = splash.grab().toImage();
    QCOMPARE(shot.size(), QSize(424, 259));
    // The picture fills the window: no plain grey window background shows.
    const QColor plain = splash.palette().color(QPalette::Window);
    QVERIFY(shot.pixelColor(5, 5) != plain);
    QVERIFY(shot.pixelColor(212, 130) != plain);
    if (qEnvironmentVariableIsSet("LINEMEND_SCREENSHOTS")) shot.save("/tmp/aux_splash.png");
    QCOMPARE(handOvers_, 0);
  }

  void timerHandsOverAfterThreeSeconds() {
    // The clock starts before the window, whose timer starts as it is made;
    // a coarse timer may fire up to 5 % early.
    QElapsedTimer clock;
    clock.start();
    SplashWindow splash(HandOver());
    splash.show();
    QCOMPARE(splash.timer()->interval(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(handOvers_, 1, 8000);
    QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!splash.isVisible());
    QVERIFY(main_ && main_->isVisible());
    QVERIFY(!splash.timer()->isActive());
  }

  void clickHandsOverOnceOnly() {
    SplashWindow splash(HandOver());
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    // Another button is not a click on the window.
    QTest::mouseClick(&splash, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(handOvers_, 0);

    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(400, 240));
    QCOMPARE(handOvers_, 1);
    QVERIFY(!splash.isVisible());
    QVERIFY(main_ && main_->isVisible());
    QVERIFY(!splash.timer()->isActive());

    // A tick that was already on its way, and another click, change nothing.
    QWidget* first = main_.get();
    splash.Timer1_Timer();
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::qWait(200);
    QCOMPARE(handOvers_, 1);
    QCOMPARE(main_.get(), first);
  }
};

QTEST_MAIN(SplashTest)
#include "tst_splash.moc"
