#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "windows/main_window.h"

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
  lm::ui::Form1 form(ProgramFolder());
  form.show();
  return app.exec();
}
