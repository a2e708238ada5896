#include "window_util.h"

#include <QGuiApplication>
#include <QScreen>

#include "document/codepage.h"

namespace lm::ui {

QFont ArialFont(double pointSize, bool bold) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  return f;
}

QFont SansSerifFont(double pointSize, bool bold) { return ArialFont(pointSize, bold); }

QString ToQt(const std::string& bytes) {
  std::u32string wide = DecodeText(bytes);
  return QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::optional<std::string> FromQt(const QString& text) {
  QList<uint> ucs4 = text.toUcs4();
  std::u32string wide(ucs4.begin(), ucs4.end());
  return EncodeText(wide);
}

bool Representable(const QString& text) { return FromQt(text).has_value(); }

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize size = window->frameGeometry().size();
  window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void CentreOn(QWidget* window, const QWidget* over) {
  if (!over) {
    CentreOnScreen(window);
    return;
  }
  QRect frame = over->frameGeometry();
  QSize size = window->frameGeometry().size();
  window->move(frame.center() - QPoint(size.width() / 2, size.height() / 2));
}

}  // namespace lm::ui

// The pictures and help texts are compiled into the static window library,
// whose resources must be registered explicitly.
static void InitLinemendResources() { Q_INIT_RESOURCE(resources); }
namespace {
const bool kResourcesRegistered = (InitLinemendResources(), true);
}  // namespace
