#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "windows/main_window.h"
#include "windows/splash_window.h"

namespace {
// The remembered-folder files live in the program's own folder. An installed
// program's go to the user's settings folder: its folder is shared by every
// user (and writable for root, who must not fill it with them).
std::string ProgramFolder() {
  QString folder = QCoreApplication::applicationDirPath();
  const bool installed =
      QFileInfo(folder).canonicalFilePath() == QFileInfo(QStringLiteral(LINEMEND_INSTALLED_BINDIR)).canonicalFilePath();
  if (installed || !QFileInfo(folder).isWritable()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
  }
  return QFile::encodeName(folder).toStdString();
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tornak-linemend"));
  // A file named on the command line (a file manager's "Open with") opens
  // once the main window is up.
  const QStringList args = QCoreApplication::arguments();
  // Against the folder the program was started in, before anything else.
  const QString file = args.size() > 1 ? QFileInfo(args.at(1)).absoluteFilePath() : QString();
  // The splash window hands over to the main window once, by timer or click.
  std::unique_ptr<lm::ui::Form1> form;
  lm::ui::SplashWindow splash([&form, file] {
    form = std::make_unique<lm::ui::Form1>(ProgramFolder());
    form->show();
    if (!file.isEmpty()) form->OpenFromOutside(file);
  });
  splash.show();
  return app.exec();
}
