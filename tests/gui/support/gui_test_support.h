#pragma once
// Shared set-up for the window tests: a temporary program folder, files in
// it, and the messages the program showed.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace lm::test {

class MessageLog {
 public:
  MessageLog();
  ~MessageLog();
  QStringList messages;
};

// Writes bytes to a file, creating it.
void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
std::string Local(const QString& path);

}  // namespace lm::test
