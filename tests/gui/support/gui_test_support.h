#pragma once
// Shared by the window tests: the messages the program showed, a program
// folder with a film and the main window over it, and real key and mouse
// input.
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "windows/main_window.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::test {

// The messages shown and the questions asked, each question answered with
// `answer` ("Yes" when true), each choice with `choice` (-1: Cancel).
class MessageLog {
 public:
  MessageLog() {
    ui::SetMessageHook([this](const QString& text) { messages << text; });
    ui::SetQuestionHook([this](const QString& text) {
      questions << text;
      return answer;
    });
    ui::SetChoiceHook([this](const QString& text, const QStringList& buttons) {
      questions << text + " [" + buttons.join('/') + "]";
      return choice;
    });
  }
  ~MessageLog() {
    ui::SetMessageHook(nullptr);
    ui::SetQuestionHook(nullptr);
    ui::SetChoiceHook(nullptr);
  }
  QStringList Take() { return std::exchange(messages, {}); }
  QStringList TakeQuestions() { return std::exchange(questions, {}); }
  QStringList messages, questions;
  bool answer = true;
  int choice = -1;
};

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder (it holds "directory.txt") and the main window.
class MainWindowFixture {
 public:
  QTemporaryDir dir;
  std::unique_ptr<ui::Form1> form;
  MessageLog log;
  int ended = 0;

  QString File(const QString& name) const { return dir.filePath(name); }
  Document& doc() { return form->document(); }
  // A fresh window; with `lines`, a file holding them opened in it.
  ui::Form1& Open(const QStringList& lines = {}, const QString& name = QStringLiteral("film.sub")) {
    form.reset();
    ended = 0;
    form = std::make_unique<ui::Form1>(ui::LocalPath(dir.path()));
    form->endProgram = [this] { ++ended; };
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qWarning("main window not exposed");
    form->activateWindow();
    if (!lines.isEmpty()) {
      WriteBytes(File(name), lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
      form->OpenFromOutside(File(name));
    }
    return *form;
  }
  // The cells of a grid row joined.
  QString Row(int row) const {
    QString s;
    for (int c = row * form->grid().RowCells(); c < (row + 1) * form->grid().RowCells(); ++c)
      s += form->cell(c)->text();
    return s;
  }
};

inline QWidget* Focused() { return QApplication::focusWidget(); }

// Types into the focused widget, as a person at the keyboard does.
inline void Type(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(Focused(), c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, Focused(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

inline void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

template <class T>
T* Child(QWidget* w, const char* name) {
  return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

inline void ClickButton(QWidget* window, const char* name) {
  if (auto* b = Child<QAbstractButton>(window, name)) Click(b);
}

inline void ClickRow(QAbstractItemView* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
}

// Opens a menu with Alt and its mnemonic, then picks an item by its own.
inline bool Menu(QWidget* window, Qt::Key menu, Qt::Key item) {
  QTest::keyClick(window, menu, Qt::AltModifier);
  auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (popup) QTest::keyClick(popup, item);
  return popup;
}

// Runs the deferred deletions of closed windows.
inline void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace lm::test
