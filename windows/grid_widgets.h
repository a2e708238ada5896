#pragma once
// The widgets of the main window's edit area: a cell of the character grid,
// the textline with the frame pair, and a black preview row.
#include <functional>

#include <QLabel>
#include <QLineEdit>

namespace lm::ui {

class Form1;

// One cell of the grid. Its key handler runs before the key's character
// reaches the cell; a character the file cannot hold is asked about.
class GridCell : public QLineEdit {
  Q_OBJECT
 public:
  GridCell(Form1* form, int index, QWidget* parent);
  int index() const { return index_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  Form1* form_;
  int index_;
};

// The textline: shows the frame pair; a click sends the focus to the grid.
class Textline : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> clicked;
  // Shows the frame pair, in a smaller font when it would not fit (a
  // cue's two times).
  void SetFramePair(const QString& text);

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

// A black preview row, in italics for an italic line; its font shrinks
// until the row fits the width.
class PreviewLabel : public QLabel {
  Q_OBJECT
 public:
  explicit PreviewLabel(QWidget* parent);
  void SetPreview(const QString& text, bool italic);
};

}  // namespace lm::ui
