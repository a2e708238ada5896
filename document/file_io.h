#pragma once
// Whole-file reading and writing on the local file system, shared by the
// subtitle files and the remembered-folder files.
#include <string>

namespace lm {

enum class FileRead { Ok, CannotOpen, NotRegular, TooLarge, CannotRead };
struct FileReadResult {
  FileRead status = FileRead::Ok;
  int error = 0;  // errno where there is one
};

// Reads a regular file whole; anything else (a folder, a FIFO, a device) is
// refused, and so is a file larger than maxBytes.
FileReadResult ReadWholeFile(const std::string& path, std::string& content, long long maxBytes);

// ReadOnly: an existing file without write permission, not replaced.
// BadName: no name, a folder, a folder that does not exist.
enum class WriteStatus { Ok, ReadOnly, BadName, Failed };
struct WriteResult {
  WriteStatus status = WriteStatus::Ok;
  int error = 0;  // errno where there is one
  bool ok() const { return status == WriteStatus::Ok; }
  // The system's words for the error ("No space left on device").
  std::string Reason() const;
};

// Writes beside the target and renames over it, so a failure never leaves a
// truncated file behind.
WriteResult WriteFileSafely(const std::string& path, const std::string& content);

// Write permission on Linux stands in for the read-only attribute.
bool FileExists(const std::string& path);
bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

}  // namespace lm
