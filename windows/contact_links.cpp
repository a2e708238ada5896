#include "windows/contact_links.h"

#include <QDesktopServices>
#include <QRegularExpression>

namespace lm::ui::HemSida {
namespace {

constexpr int kShowNormal = 1;

void DesktopOpen(const ShellRequest& request) {
  const QString verb = request.verb.trimmed();
  // The desktop only knows "open"; an empty verb means the default action.
  if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0) return;
  const QUrl url = OpenableUrl(request.target);
  if (url.isValid() && !url.isEmpty()) QDesktopServices::openUrl(url);
}

ShellOpener& CurrentOpener() {
  static ShellOpener opener;
  return opener;
}

}  // namespace

QString MakerEmail() { return QString::fromLatin1(kMakerEmail); }
QString MakerHomePage() { return QString::fromLatin1(kMakerHomePage); }

void SetShellOpener(ShellOpener opener) { CurrentOpener() = std::move(opener); }

void ShellOpen(const QString& verb, const QString& target, const QString& parameters, const QString& folder,
               int showMode) {
  const ShellRequest request{verb, target, parameters, folder, showMode};
  if (const ShellOpener& opener = CurrentOpener())
    opener(request);
  else
    DesktopOpen(request);
}

void OpenMailLink() {
  ShellOpen(QStringLiteral("open"), QStringLiteral("mailto: ") + MakerEmail(), QString(), QString(), kShowNormal);
}

void OpenHomePage() { ShellOpen(QStringLiteral("open"), MakerHomePage(), QString(), QString(), kShowNormal); }

QUrl OpenableUrl(const QString& target) {
  const QString text = target.trimmed();
  if (text.isEmpty()) return QUrl();

  static const QLatin1String mailto("mailto:");
  if (text.startsWith(mailto, Qt::CaseInsensitive)) {
    // The shell tolerates "mailto: address"; a URL may not hold the blank.
    const QString address = text.mid(mailto.size()).trimmed();
    if (address.isEmpty()) return QUrl();
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
  }

  // "scheme:" followed by "//" marks a full address; anything else (such as
  // "www.example.org/page") is a web address without its scheme.
  static const QRegularExpression hasScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  const QString full = hasScheme.match(text).hasMatch() ? text : QStringLiteral("http://") + text;
  const QUrl url(full, QUrl::TolerantMode);
  return url.isValid() && (url.isLocalFile() || !url.host().isEmpty()) ? url : QUrl();
}

}  // namespace lm::ui::HemSida
