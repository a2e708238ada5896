#pragma once
// Shared by the window tests: the messages the program showed, a program
// folder with a film and the main window over it, and real key and mouse
// input.
#include <QListView>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "windows/main_window.h"

namespace lm::test {

class MessageLog {
 public:
  MessageLog();
  ~MessageLog();
  QStringList messages;
  QStringList Take() { return std::exchange(messages, {}); }
};

void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
QByteArray Crlf(const QStringList& lines);

// A program folder (it holds "directory.txt") and the main window.
class MainWindowFixture {
 public:
  QTemporaryDir dir;
  std::unique_ptr<ui::Form1> form;
  MessageLog log;
  int ended = 0;

  QString File(const QString& name) const { return dir.filePath(name); }
  // A fresh window; with `lines`, a file holding them opened in it.
  ui::Form1& Open(const QStringList& lines = {}, const QString& name = QStringLiteral("film.sub"));
  Document& doc() { return form->document(); }
  // The cells of a grid row joined.
  QString Row(int row) const;
};

QWidget* Focused();
// Types into the focused widget, as a person at the keyboard does.
void Type(const QString& text);
void Click(QWidget* widget, Qt::KeyboardModifiers modifiers = {});
void ClickButton(QWidget* window, const char* name);
void ClickRow(QListView* list, int row);
// Opens a menu with Alt and its mnemonic, then picks an item by its own.
bool Menu(QWidget* window, Qt::Key menu, Qt::Key item);
template <class T>
T* Child(QWidget* w, const char* name) {
  return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}
// Runs the deferred deletions of closed windows.
void Settle();

}  // namespace lm::test
