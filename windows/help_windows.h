#pragma once
// HelpSign and KeyHelpSign: the two help texts, each in an editable text
// field with a "Close" button. Whatever the user types is thrown away with the
// window; the next opening shows the stored text again.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace lm::ui {

// The stored texts, one line per line of the text.
QString HelpText();
QString KeyHelpText();

class HelpTextWindow : public QWidget {
  Q_OBJECT
 public:
  QPlainTextEdit* Text1() const { return Text1_; }
  QPushButton* Command1() const { return Command1_; }

 protected:
  HelpTextWindow(QWidget* parent, Qt::WindowFlags flags);
  void Place(const QRect& text, const QRect& button);
  // The text follows the window's size and "Close" stays below it.
  void resizeEvent(QResizeEvent* event) override;
  void Command1_Click();

  QPlainTextEdit* Text1_;
  QPushButton* Command1_;
  QMargins margins_;  // around the text and below the button, as placed
  int gap_ = 0;       // between the text and the button
};

// "Contents": why the tool exists and the rules it follows.
class HelpWindow : public HelpTextWindow {
  Q_OBJECT
 public:
  // A top-level window that deletes itself when it closes: create with new.
  explicit HelpWindow(QWidget* parent = nullptr);
};

// "Keyhelp": short working instructions.
class KeyHelpWindow : public HelpTextWindow {
  Q_OBJECT
 public:
  // A top-level window that deletes itself when it closes: create with new.
  explicit KeyHelpWindow(QWidget* parent = nullptr);
};

}  // namespace lm::ui
