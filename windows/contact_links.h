#pragma once
// HemSida: the maker's e-mail address and home page, handed to the desktop's
// "open" action (the mail program or web browser the user has chosen).
#include <functional>

#include <QString>
#include <QUrl>

namespace lm::ui::HemSida {

inline constexpr char kMakerEmail[] = "tornak@tornak-linemend.example";
// Written without a scheme, as it is shown to the user.
inline constexpr char kMakerHomePage[] = "www.tornak-linemend.example";

QString MakerEmail();
QString MakerHomePage();

// One request to the shell, as ShellOpen received it.
struct ShellRequest {
  QString verb;
  QString target;
  QString parameters;
  QString folder;
  int showMode = 0;
};

// Replaces what performs the request (tests watch the target instead of
// starting a browser); an empty function restores the desktop's own action.
using ShellOpener = std::function<void(const ShellRequest&)>;
void SetShellOpener(ShellOpener opener);

// Asks the desktop to perform verb on target. Parameters, folder and show mode
// have no counterpart there and only travel with the request. The outcome is
// not looked at: a missing mail program or browser passes silently.
void ShellOpen(const QString& verb, const QString& target, const QString& parameters, const QString& folder,
               int showMode);

// "mailto: " (one blank after the colon) and the maker's address.
void OpenMailLink();
// The home page address, without a scheme.
void OpenHomePage();

// The URL the desktop is given for a shell target: blanks after "mailto:" are
// dropped, and a target without a scheme is taken as a web address (http).
// Empty when nothing sensible can be opened.
QUrl OpenableUrl(const QString& target);

}  // namespace lm::ui::HemSida
