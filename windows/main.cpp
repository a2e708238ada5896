#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

#include "windows/main_window.h"
#include "windows/splash_window.h"

namespace {
// The remembered-folder files live in the program's own folder; an installed
// program's folder is not writable, so those go to the user's settings folder.
std::string ProgramFolder() {
  QString folder = QCoreApplication::applicationDirPath();
  if (!QFileInfo(folder).isWritable()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
  }
  return QFile::encodeName(folder).toStdString();
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tornak-linemend"));
  // The splash window hands over to the main window once, by timer or click.
  std::unique_ptr<lm::ui::Form1> form;
  lm::ui::SplashWindow splash([&form] {
    form = std::make_unique<lm::ui::Form1>(ProgramFolder());
    form->show();
  });
  splash.show();
  return app.exec();
}
