#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "model/version.h"
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

// -1 once what was printed is out, 2 when it could not be written.
int Written() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return -1;
  std::fprintf(stderr, "tornak-linemend: (standard output): %s\n", std::strerror(errno));
  return 2;
}

// The options the toolkit reads from every program's command line.
constexpr const char* kToolkitValueOptions[] = {
    "-platform", "-platformpluginpath", "-platformtheme",   "-plugin",       "-style",       "-stylesheet", "-session",
    "-display",  "-geometry",           "-qwindowgeometry", "-qwindowtitle", "-qwindowicon", "-name",       "-title"};
constexpr const char* kToolkitFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
bool TakesValue(const std::string& arg) {
  for (const char* o : kToolkitValueOptions)
    if (arg == o) return true;
  return false;
}
bool IsToolkitOption(const std::string& arg) {
  if (TakesValue(arg)) return true;
  for (const char* o : kToolkitFlags)
    if (arg == o) return true;
  // "-style=fusion"
  const size_t eq = arg.find('=');
  return eq != std::string::npos && TakesValue(arg.substr(0, eq));
}

// What the program takes from its command line: at most one file, which a
// "--" lets start with "-". Answers --help and --version itself; 0 to go on,
// else the exit status.
int ReadArguments(int argc, char** argv, std::string& file) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      std::printf(
          "Usage: tornak-linemend [FILE]\n"
          "The subtitle editor: opens FILE (a subtitle file in any format it reads), or the\n"
          "window alone. The same rules run without a window in linemend(1).\n\n"
          "  --help     show this and exit\n"
          "  --version  show the version and exit\n"
          "  --         what follows is a file name, even when it starts with \"-\"\n");
      return Written();
    } else if (options && arg == "--version") {
      std::printf("tornak-linemend %s\n", lm::kVersion);
      return Written();
    } else if (options && IsToolkitOption(arg)) {
      // The toolkit's own (-style fusion …), which it takes itself.
      if (TakesValue(arg)) ++i;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "tornak-linemend: unknown option %s (see --help)\n", arg.c_str());
      return 2;
    } else if (!file.empty()) {
      std::fprintf(stderr, "tornak-linemend: one file at a time (see --help)\n");
      return 2;
    } else {
      file = arg;
    }
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  // Answered before a window (or a display) is needed.
  std::string named;
  if (const int answered = ReadArguments(argc, argv, named)) return answered < 0 ? 0 : answered;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tornak-linemend"));
  // A file named on the command line (a file manager's "Open with") opens
  // once the main window is up, against the folder the program was started
  // in.
  const QString file = named.empty() ? QString() : QFileInfo(QFile::decodeName(named.c_str())).absoluteFilePath();
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
