#include "windows/window_util.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include "formats/registry.h"

namespace lm::ui {

QString SubtitlePatterns() { return QString::fromStdString(FilePatterns()); }

Qt::WindowFlags DialogFlags(bool fixedSize) {
  Qt::WindowFlags flags =
      Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (fixedSize) flags |= Qt::MSWindowsFixedSizeDialogHint;
  return flags;
}

QFont ArialFont(double pointSize, bool bold) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  return f;
}

QFont SansSerifFont(double pointSize, bool bold) { return ArialFont(pointSize, bold); }

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromLocalPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

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
