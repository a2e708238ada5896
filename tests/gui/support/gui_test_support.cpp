#include "gui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMenu>

#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::test {

MessageLog::MessageLog() {
  ui::SetMessageHook([this](const QString& text) { messages << text; });
}

MessageLog::~MessageLog() { ui::SetMessageHook(nullptr); }

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Crlf(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& l : lines) bytes += l.toUtf8() + "\r\n";
  return bytes;
}

ui::Form1& MainWindowFixture::Open(const QStringList& lines, const QString& name) {
  form.reset();
  ended = 0;
  form = std::make_unique<ui::Form1>(ui::LocalPath(dir.path()));
  form->endProgram = [this] { ++ended; };
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) qWarning("main window not exposed");
  form->activateWindow();
  if (!lines.isEmpty()) {
    WriteBytes(File(name), Crlf(lines));
    form->OpenFromOutside(File(name));
  }
  return *form;
}

QString MainWindowFixture::Row(int row) const {
  QString s;
  for (int c = row * kRowCells; c < (row + 1) * kRowCells; ++c) s += form->cell(c)->text();
  return s;
}

QWidget* Focused() { return QApplication::focusWidget(); }

void Type(const QString& text) {
  for (const QChar c : text) {
    QWidget* w = Focused();
    if (c.unicode() < 0x80) {
      QTest::keyClick(w, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

void Click(QWidget* widget, Qt::KeyboardModifiers modifiers) {
  QTest::mouseClick(widget, Qt::LeftButton, modifiers, widget->rect().center());
}

void ClickButton(QWidget* window, const char* name) {
  auto* b = Child<QAbstractButton>(window, name);
  if (!b) {
    qWarning("no button %s", name);
    return;
  }
  Click(b);
}

void ClickRow(QListView* list, int row) {
  const QRect r = list->visualRect(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

bool Menu(QWidget* window, Qt::Key menu, Qt::Key item) {
  QTest::keyClick(window, menu, Qt::AltModifier);
  auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!popup) return false;
  QTest::keyClick(popup, item);
  return true;
}

void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace lm::test
