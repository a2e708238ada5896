#include "gui_test_support.h"

#include "windows/messages.h"

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

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace lm::test
