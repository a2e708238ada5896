#include "windows/help_windows.h"

#include <algorithm>

#include <QFile>
#include <QIcon>

#include "windows/window_util.h"

namespace lm::ui {
namespace {

QString StoredText(const QString& resource) {
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  QString text = QString::fromUtf8(file.readAll());
  // Lines may be stored with CR LF or LF; the field wants plain line breaks.
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text;
}

constexpr Qt::WindowFlags kFixedWindow = Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace

QString HelpText() { return StoredText(QStringLiteral(":/help/help.txt")); }
QString KeyHelpText() { return StoredText(QStringLiteral(":/help/keyhelp.txt")); }

HelpTextWindow::HelpTextWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Help"));
  setFont(SansSerifFont(8));

  Text1_ = new QPlainTextEdit(this);
  Text1_->setObjectName(QStringLiteral("Text1"));
  Text1_->setFont(SansSerifFont(8));
  Text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  Command1_ = new QPushButton(QStringLiteral("Close"), this);
  Command1_->setObjectName(QStringLiteral("Command1"));
  connect(Command1_, &QPushButton::clicked, this, &HelpTextWindow::Command1_Click);

  setTabOrder(Text1_, Command1_);
}

void HelpTextWindow::Place(const QRect& text, const QRect& button) {
  Text1_->setGeometry(text);
  Command1_->setGeometry(button);
  margins_ = QMargins(text.left(), text.top(), width() - 1 - text.right(), height() - 1 - button.bottom());
  gap_ = button.top() - text.bottom();
  Text1_->setFocus();
}

void HelpTextWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (gap_ == 0) return;  // not placed yet
  const QSize button = Command1_->size();
  const int textHeight = height() - margins_.top() - gap_ - button.height() - margins_.bottom();
  Text1_->setGeometry(margins_.left(), margins_.top(), std::max(40, width() - margins_.left() - margins_.right()),
                      std::max(20, textHeight));
  // However small the window, "Close" stays inside it.
  const int top = std::min(Text1_->geometry().bottom() + gap_, height() - button.height() - 2);
  Command1_->move(std::max(0, (width() - button.width()) / 2), std::max(0, top));
}

void HelpTextWindow::Command1_Click() { close(); }

HelpWindow::HelpWindow(QWidget* parent) : HelpTextWindow(parent, kFixedWindow) {
  setObjectName(QStringLiteral("HelpSign"));
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setFixedSize(TwipsSize(4485, 6465));
  Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text1_->setPlainText(HelpText());
  Place(Twips(120, 120, 4215, 5895), Twips(1320, 6120, 1695, 255));
  CentreOnScreen(this);
}

KeyHelpWindow::KeyHelpWindow(QWidget* parent) : HelpTextWindow(parent, Qt::Window) {
  setObjectName(QStringLiteral("KeyHelpSign"));
  resize(TwipsSize(4365, 6765));
  Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1_->setPlainText(KeyHelpText());
  Place(Twips(120, 120, 3975, 6015), Twips(1200, 6360, 1695, 255));
  CentreOnScreen(this);
}

}  // namespace lm::ui
