// The About window: its texts, its picture and the keys that close it.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "windows/about_window.h"
#include "windows/contact_links.h"
#include "windows/window_util.h"

using lm::ui::AboutWindow;

class AboutTest : public QObject {
  Q_OBJECT

  QPointer<AboutWindow> slot_;

  AboutWindow* Show() {
    AboutWindow* about = lm::ui::ShowSingle(slot_, [] { return new AboutWindow; });
    if (!QTest::qWaitForWindowExposed(about)) return nullptr;
    return about;
  }

 private slots:
  void cleanup() {
    delete slot_.data();
  }

  void showsTitleVersionAndDisclaimer() {
    AboutWindow* about = Show();
    QVERIFY(about);
    QCOMPARE(about->objectName(), QStringLiteral("Tornak"));
    QCOMPARE(about->windowTitle(), QStringLiteral("About Tornak Linemend"));
    QCOMPARE(about->lblTitle()->text(), QStringLiteral("Tornak Linemend"));
    QCOMPARE(about->lblVersion()->text(), QStringLiteral("Version 1.1.0"));
    QCOMPARE(about->lblDisclaimer()->text(),
             QStringLiteral("I don't care if Your computer fails after running this program. "
                            "I know it was virusfree when I first made it public, but You know "
                            "what people on the net do with programs, so check it before using "
                            "it."));
    QVERIFY(about->lblDescription()->text().endsWith(lm::ui::HemSida::MakerEmail()));
    QCOMPARE(about->size(), lm::ui::TwipsSize(5730, 3555));
    QCOMPARE(about->minimumSize(), about->maximumSize());

    auto* picture = about->findChild<QLabel*>(QStringLiteral("picIcon"));
    QVERIFY(picture);
    QCOMPARE(picture->pixmap().size(), QSize(43, 71));
    QVERIFY(!about->windowIcon().isNull());
    QVERIFY(about->cmdOK()->isDefault());
    QCOMPARE(about->cmdOK()->text(), QStringLiteral("OK"));

    // Every text fits its label: nothing is cut off at the bottom or right.
    for (QLabel* label : about->findChildren<QLabel*>()) {
      if (label == picture) continue;
      const QSize need = label->wordWrap() ? QSize(label->width(), label->heightForWidth(label->width()))
                                           : label->sizeHint();
      QVERIFY2(need.height() <= label->height() + 2, qPrintable(label->objectName()));
      QVERIFY2(need.width() <= label->width() + 2, qPrintable(label->objectName()));
    }

    if (qEnvironmentVariableIsSet("LINEMEND_SCREENSHOTS"))
      about->grab().save(QStringLiteral("/tmp/aux_about.png"));
  }

  void closesByOkEnterAndEsc_data() {
    QTest::addColumn<int>("key");  // 0: a mouse click on OK
    QTest::newRow("click OK") << 0;
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
  }

  void closesByOkEnterAndEsc() {
    QFETCH(int, key);
    AboutWindow* about = Show();
    QVERIFY(about);
    QApplication::setActiveWindow(about);
    QVERIFY(QTest::qWaitForWindowActive(about));
    if (key == 0)
      QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
    else
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : about,
                      Qt::Key(key));
    QTRY_VERIFY(slot_.isNull());  // closed and destroyed
  }

  void showingAgainGivesTheSameWindow() {
    AboutWindow* first = Show();
    QVERIFY(first);
    AboutWindow* second = Show();
    QCOMPARE(second, first);
    int abouts = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String("Tornak")) ++abouts;
    QCOMPARE(abouts, 1);
  }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
