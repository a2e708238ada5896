#pragma once
// Small helpers shared by all windows: the program's title, window flags,
// twips geometry, the fonts that stand in for Arial and MS Sans Serif, text
// conversion and single-instance windows.
#include <string>
#include <string_view>

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

namespace lm::ui {

inline const QString kProgramTitle = QStringLiteral("Tornak Linemend");
// The main window's caption: two blanks before the title.
inline const QString kMainCaption = QStringLiteral("  Tornak Linemend");
// The files the dialogs list: those of every format.
QString SubtitlePatterns();

// A window with a title bar and a close box and nothing else; `fixedSize`
// also keeps it from being resized or maximised.
Qt::WindowFlags DialogFlags(bool fixedSize);

// Window layouts are given in twips: 15 to a pixel at 96 pixels per inch.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }
constexpr int PixelsToTwips(int pixels) { return pixels * 15; }
inline QRect Twips(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}
inline QSize TwipsSize(int width, int height) { return QSize(TwipsToPixels(width), TwipsToPixels(height)); }

// Liberation Sans is metric-compatible with Arial and close to MS Sans Serif.
QFont ArialFont(double pointSize, bool bold = false);
QFont SansSerifFont(double pointSize, bool bold = false);

// Entry text is UTF-8 in the core.
inline QString ToQt(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string FromQt(const QString& text) { return text.toUtf8().toStdString(); }

// Paths cross into the core as local 8-bit file names.
std::string LocalPath(const QString& path);
QString FromLocalPath(const std::string& path);

// Centres a top-level window on the screen, or on another window.
void CentreOnScreen(QWidget* window);
void CentreOn(QWidget* window, const QWidget* over);

// Shows the one instance of a window: creates it when it does not exist (it
// is destroyed when it closes), otherwise brings it to the front.
template <class W, class Factory>
W* ShowSingle(QPointer<W>& slot, Factory make) {
  if (!slot) {
    slot = make();
    slot->setAttribute(Qt::WA_DeleteOnClose);
  }
  slot->show();
  slot->raise();
  slot->activateWindow();
  return slot.data();
}

}  // namespace lm::ui
