#include "windows/splash_window.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "model/version.h"
#include "windows/window_util.h"

namespace lm::ui {

SplashWindow::SplashWindow(std::function<void()> handOver, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      handOver_(std::move(handOver)),
      Timer1_(new QTimer(this)),
      picture_(QStringLiteral(":/images/splash.jpg")) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Form2"));
  setFixedSize(TwipsSize(6360, 3885));
  Timer1_->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1_, &QTimer::timeout, this, &SplashWindow::Timer1_Timer);
  Form_Load();
  CentreOnScreen(this);
}

void SplashWindow::Form_Load() {
  // The timer runs from here on; a splash that never gets painted still
  // hands over.
  Timer1_->start(kShowMilliseconds);
}

void SplashWindow::Timer1_Timer() { HandOver(); }

void SplashWindow::Form_Click() {
  Timer1_->stop();
  HandOver();
}

void SplashWindow::HandOver() {
  // A tick already queued behind a click, or a second click, must not
  // create the main window again.
  if (handedOver_) return;
  handedOver_ = true;
  Timer1_->stop();
  // A splash-type window does not count as the last window closing, so the
  // program keeps running until the main window is up.
  close();
  if (handOver_) handOver_();
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture_.isNull()) {
    painter.drawPixmap(rect(), picture_);
    // The version under the picture's separator: the build's own, so that
    // the picture never says another.
    const double y = height() / 259.0;
    QFont font = ArialFont(10, true);
    font.setPixelSize(std::max(1, static_cast<int>(13 * y + 0.5)));
    painter.setFont(font);
    painter.setPen(QColor(0xff, 0xd8, 0x4a));
    painter.drawText(QRect(0, static_cast<int>(131 * y), width(), static_cast<int>(20 * y)), Qt::AlignCenter,
                     QStringLiteral("Version %1").arg(QString::fromLatin1(kVersion)));
    return;
  }
  // Without the picture the window still says what is starting.
  painter.fillRect(rect(), QColor(0x10, 0x23, 0x3f));
  painter.setPen(Qt::white);
  painter.setFont(ArialFont(24, true));
  painter.drawText(rect(), Qt::AlignCenter, kProgramTitle);
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void SplashWindow::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) Form_Click();
}

}  // namespace lm::ui
