#include "windows/grid_widgets.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "model/navigation.h"
#include "windows/entry_list_view.h"
#include "windows/main_window.h"
#include "windows/window_util.h"

namespace lm::ui {

namespace {
// Undo and redo are the window's shortcuts even while a text field has the
// focus; a field would otherwise take them for its own undo.
bool IsUndoRedo(const QKeyEvent* e) {
  return e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) ||
         (e->key() == Qt::Key_Y && e->modifiers() == Qt::ControlModifier);
}

bool LeaveShortcutToWindow(QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride) return false;
  if (!IsUndoRedo(static_cast<QKeyEvent*>(event))) return false;
  event->ignore();
  return true;
}
}  // namespace

GridCell::GridCell(Form1* form, int index, QWidget* parent) : QLineEdit(parent), form_(form), index_(index) {
  setObjectName(QStringLiteral("Text2_%1").arg(index));
  setAlignment(Qt::AlignCenter);
  setFont(SansSerifFont(9.75, true));
  setTextMargins(0, 0, 0, 0);
  setAcceptDrops(false);  // a file dropped on the grid opens it
  setContextMenuPolicy(Qt::NoContextMenu);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { form_->CellEdited(index_, text); });
}

bool GridCell::event(QEvent* event) {
  if (LeaveShortcutToWindow(event)) return true;
  return QLineEdit::event(event);
}

void GridCell::keyPressEvent(QKeyEvent* event) {
  if (IsUndoRedo(event)) {
    event->ignore();  // with nothing to undo it is still no grid key
    return;
  }
  // The clipboard keys work on the entry, not on this one cell.
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
    form_->CopyGrid(event->matches(QKeySequence::Cut));
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    form_->PasteIntoGrid(index_);
    return;
  }
  const QString text = event->text();
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  // An Alt combination is a menu's mnemonic or nothing; it types no letter.
  const bool alt = event->modifiers() & Qt::AltModifier;
  const bool character = !text.isEmpty() && text.at(0).isPrint() && !command && !alt;
  if (character && !form_->TakeCharacters(text)) {
    event->accept();  // the file cannot hold it: refused, and said so
    return;
  }
  // Only a key that types a character types; Esc, Caps Lock, a function
  // key, a Ctrl combination or an Alt one leaves the cells alone.
  int key = VirtualKeyOf(event);
  if (alt || (!character && !vk::IsEditingKey(key))) key = vk::None;
  if (!form_->CellKeyDown(index_, key, character)) return;
  // The character goes to the cell where the key went down, after the handler
  // has emptied it and moved the focus on; to the cell now in its place when
  // the handler rebuilt the grid.
  GridCell* target = index_ < form_->cellCount() ? form_->cell(index_) : nullptr;
  if (target == this) {
    QLineEdit::keyPressEvent(event);
  } else if (target) {
    target->setText(text);
    form_->CellEdited(index_, text);
  }
}

void GridCell::mousePressEvent(QMouseEvent* event) {
  // The middle button's paste goes through the grid, as Ctrl+V does.
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mousePressEvent(event);
}

void GridCell::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    if (QGuiApplication::clipboard()->supportsSelection()) form_->PasteIntoGrid(index_, true);
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void GridCell::inputMethodEvent(QInputMethodEvent* event) {
  // Composed text arrives here instead of as key presses; it is typed into
  // the grid the same way. The preedit text is not shown in a cell.
  if (!event->commitString().isEmpty()) form_->CharactersCommitted(index_, event->commitString());
  event->accept();
}

bool Textline::event(QEvent* event) {
  if (LeaveShortcutToWindow(event)) return true;
  return QLineEdit::event(event);
}

void Textline::SetFramePair(const QString& text) {
  QFont f = SansSerifFont(9.75, true);
  const int room = width() - 10;
  if (QFontMetrics(f).horizontalAdvance(text) > room) f.setBold(false);
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(text) > room) f.setPointSizeF(f.pointSizeF() - 0.25);
  if (font() != f) setFont(f);
  if (this->text() != text) setText(text);
}

void Textline::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (clicked) clicked();
}

PreviewLabel::PreviewLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setFont(ArialFont(20.25, true));
  setAutoFillBackground(true);
  setTextFormat(Qt::PlainText);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  p.setColor(QPalette::WindowText, Qt::white);
  setPalette(p);
}

void PreviewLabel::SetPreview(const QString& text, bool italic) {
  // 41 wide capitals do not fit at the full size.
  QFont f = ArialFont(20.25, true);
  f.setItalic(italic);
  const int room = width() - 4;
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(text) > room) f.setPointSizeF(f.pointSizeF() - 0.5);
  setFont(f);
  setText(text);
}

}  // namespace lm::ui
