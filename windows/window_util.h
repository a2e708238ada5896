#pragma once
// Small helpers shared by all windows: twips geometry, the fonts that stand in
// for Arial and MS Sans Serif, 8-bit text conversion and single-instance windows.
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

namespace lm::ui {

// Window layouts are given in twips: 15 to a pixel at 96 pixels per inch.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }
inline QRect Twips(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}
inline QSize TwipsSize(int width, int height) {
  return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

// Liberation Sans is metric-compatible with Arial and close to MS Sans Serif.
QFont ArialFont(double pointSize, bool bold = false);
QFont SansSerifFont(double pointSize, bool bold = false);

// Subtitle text is 8-bit (Windows-1252); these convert at the window edge.
QString ToQt(const std::string& bytes);
// Nothing when the text holds a character the code page cannot hold.
std::optional<std::string> FromQt(const QString& text);
bool Representable(const QString& text);

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
