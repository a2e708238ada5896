#pragma once
// Whole-file reading and writing on the local file system, shared by the
// subtitle files and the remembered-folder files.
#include <cstddef>
#include <string>
#include <utility>

#include "model/file_identity.h"

namespace lm {

FileStamp StampOf(const std::string& path);

// Folder: the path names a folder; NotRegular: a FIFO, a socket or a device.
enum class FileRead { Ok, CannotOpen, Folder, NotRegular, TooLarge, CannotRead };
struct FileReadResult {
  FileRead status = FileRead::Ok;
  int error = 0;  // errno where there is one
};

// Reads a regular file whole; anything else (a folder, a FIFO, a socket, a
// device) is refused at once without waiting on it, and so is a file larger
// than maxBytes.
// `stamp`, when given, is the stamp of the file as it was read.
FileReadResult ReadWholeFile(const std::string& path, std::string& content, long long maxBytes,
                             FileStamp* stamp = nullptr);
// The room ReadWholeFile makes for a file of `size` bytes: a quarter more,
// so that the text written back (a little longer, often) fits the memory
// the file's bytes leave once they are freed, rather than memory the
// system must clear.
inline size_t RoomToRead(size_t size) { return size + size / 4 + (1 << 16); }

// ReadOnly: an existing file without write permission, not touched.
// BadName: no name, a folder (or a FIFO, a device), a folder that does not
// exist.
// Changed: the file is no longer as the caller expected it to be, not touched.
// Failed: anything else, with its errno (ELOOP for a symbolic link loop).
enum class WriteStatus { Ok, ReadOnly, BadName, Changed, Failed };
struct WriteResult {
  WriteResult(WriteStatus s = WriteStatus::Ok, int e = 0, std::string w = {})
      : status(s), error(e), why(std::move(w)) {}
  WriteStatus status = WriteStatus::Ok;
  int error = 0;     // errno where there is one
  std::string why;  // the program's own words, for a failure that is no system error
  FileStamp stamp;  // Ok: the file as written, before anyone else can change it
  std::string note;  // Ok: what the writer has to tell ("3 entries lost …")
  bool ok() const { return status == WriteStatus::Ok; }
  // `why`, else the system's words for the error ("No space left on device").
  std::string Reason() const;
};

// Writes beside the target and renames over it, keeping its mode and, where
// allowed, its owner and group. A file that cannot be replaced that way (its
// folder is not writable, or it has other hard links) is overwritten in place
// and put back as it was should that fail. Symbolic links are written
// through, to the file they name. A failure never leaves a truncated file or
// a temporary file behind.
// With `expected`, the file must still be as that stamp says (no file, when
// it says none) right before it is replaced: another program's change while
// the content was being written is not lost but refused (Changed).
WriteResult WriteFileSafely(const std::string& path, const std::string& content,
                            const FileStamp* expected = nullptr);

// The name a path ends at once symbolic links in its last part are followed
// (a relative link from the link's own folder); that file need not exist.
// Returns 0, or an errno: ELOOP for a loop or more than 40 links.
int ResolveLinks(const std::string& path, std::string& resolved);

// Write permission on Linux stands in for the read-only attribute.
bool FileExists(const std::string& path);
bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

}  // namespace lm
