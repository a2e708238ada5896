#include "help_windows.h"

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

constexpr Qt::WindowFlags kFixedWindow = Qt::Window | Qt::MSWindowsFixedSizeDialogHint |
                                         Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

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
  Text1_->setFocus();
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
