#pragma once
// Form2: the start-up picture. It shows for three seconds, or until clicked,
// then closes and hands over to the main window.
#include <functional>

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace lm::ui {

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kShowMilliseconds = 3000;

  // handOver creates and shows the main window; it runs exactly once, when
  // the splash window closes. The window does not delete itself on close.
  explicit SplashWindow(std::function<void()> handOver, QWidget* parent = nullptr);

  QTimer* timer() const { return Timer1_; }
  bool handedOver() const { return handedOver_; }

  // The timer's tick; public so that a tick arriving late can be replayed.
  void Timer1_Timer();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Form_Load();
  void Form_Click();
  void HandOver();

  std::function<void()> handOver_;
  QTimer* Timer1_;
  QPixmap picture_;
  bool pressed_ = false;
  bool handedOver_ = false;
};

}  // namespace lm::ui
