#include "windows/about_window.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPainter>

#include "model/version.h"
#include "windows/contact_links.h"
#include "windows/window_util.h"

namespace lm::ui {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setFont(SansSerifFont(8));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Tornak"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(QIcon(QStringLiteral(":/images/icon32.png")));
  setFixedSize(TwipsSize(5730, 3555));
  setFont(SansSerifFont(8));

  picIcon_ = new QLabel(this);
  picIcon_->setObjectName(QStringLiteral("picIcon"));
  const QPixmap picture(QStringLiteral(":/images/about.png"));
  // Sized to its picture, anchored where the layout puts it.
  const QRect box = Twips(240, 240, 705, 1125);
  picIcon_->setGeometry(QRect(box.topLeft(), picture.isNull() ? box.size() : picture.size()));
  picIcon_->setPixmap(picture);

  lblTitle_ = MakeLabel(this, "lblTitle", Twips(1050, 240, 3885, 480));
  lblTitle_->setFont(ArialFont(14.25));
  lblTitle_->setWordWrap(false);
  lblVersion_ = MakeLabel(this, "lblVersion", Twips(1080, 780, 3885, 225));
  lblVersion_->setWordWrap(false);
  lblDescription_ = MakeLabel(this, "lblDescription", Twips(1080, 1125, 3885, 1170));
  lblDescription_->setText(QStringLiteral("I made this little tool because I got tired of subtitles that "
                                          "did not fit the television screen. Use it as You like, and tell me "
                                          "what You think of it:\n") +
                           HemSida::MakerEmail());
  lblDisclaimer_ = MakeLabel(this, "lblDisclaimer", Twips(255, 2625, 3870, 825));
  lblDisclaimer_->setText(
      QStringLiteral("I don't care if Your computer fails after running this program. I know it was "
                     "virusfree when I first made it public, but You know what people on the net do with "
                     "programs, so check it before using it."));

  cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setGeometry(Twips(4245, 3120, 1260, 345));
  cmdOK_->setDefault(true);
  connect(cmdOK_, &QPushButton::clicked, this, &AboutWindow::cmdOK_Click);
  setFocusProxy(cmdOK_);
  cmdOK_->setFocus();

  Form_Load();
  CentreOnScreen(this);
}

QString AboutWindow::ProgramTitle() { return kProgramTitle; }

QString AboutWindow::VersionLine() {
  return QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

void AboutWindow::Form_Load() {
  setWindowTitle(QStringLiteral("About ") + ProgramTitle());
  lblVersion_->setText(VersionLine());
  lblTitle_->setText(ProgramTitle());
}

void AboutWindow::cmdOK_Click() { close(); }

void AboutWindow::paintEvent(QPaintEvent*) {
  // The etched separator: a grey line with a white one just below it.
  QPainter painter(this);
  const auto px = [](int twips) { return TwipsToPixels(twips); };
  painter.setPen(QPen(QColor(128, 128, 128), 1));
  painter.drawLine(px(90), px(2445), px(5654), px(2445));
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(px(105), px(2460) + 1, px(5654), px(2460) + 1);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  // OK is both the default and the cancel button.
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      cmdOK_->click();
      return;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace lm::ui
