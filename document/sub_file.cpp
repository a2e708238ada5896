#include "sub_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "editor/char_grid.h"

namespace lm {

ReadStatus SplitSubtitleLines(const std::string& content, std::vector<std::string>& lines) {
  lines.clear();
  long lineCount = 0;
  size_t start = 0;
  const size_t n = content.size();
  while (start < n) {
    size_t cr = content.find('\r', start);
    size_t end = cr == std::string::npos ? n : cr;
    if (++lineCount > kMaxFileLines) {
      lines.clear();
      return ReadStatus::TooManyLines;
    }
    if (end > start) lines.emplace_back(content, start, end - start);
    if (cr == std::string::npos) break;
    start = cr + 1;
    if (start < n && content[start] == '\n') ++start;
  }
  return ReadStatus::Ok;
}

bool ReadWholeFile(const std::string& path, std::string& content, long long maxBytes) {
  content.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes;
  if (ok) {
    content.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
      ssize_t got = ::read(fd, buf, sizeof buf);
      if (got < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      if (got == 0) break;
      content.append(buf, static_cast<size_t>(got));
      if (static_cast<long long>(content.size()) > maxBytes) {
        ok = false;
        break;
      }
    }
  }
  ::close(fd);
  if (!ok) content.clear();
  return ok;
}

ReadStatus ReadSubtitleFile(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ReadStatus::CannotOpen;
  struct stat st {};
  bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  if (!regular) return ReadStatus::CannotRead;
  if (st.st_size > kMaxFileBytes) return ReadStatus::TooLarge;
  std::string content;
  if (!ReadWholeFile(path, content, kMaxFileBytes)) return ReadStatus::CannotRead;
  return SplitSubtitleLines(content, lines);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return ::chmod(path.c_str(), mode) == 0;
}

namespace {
std::string ResolveTarget(const std::string& path) {
  // Write through a symbolic link to the file it names, not over the link.
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf)) return buf;
  return path;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t put = ::write(fd, data.data() + done, data.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}
}  // namespace

WriteStatus WriteFileAtomically(const std::string& requested, const std::string& content) {
  if (requested.empty()) return WriteStatus::Failed;
  const std::string path = ResolveTarget(requested);
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return WriteStatus::Failed;
    if (IsReadOnly(path)) return WriteStatus::ReadOnly;
  }
  std::string tmpl = FolderOf(path) + "/.linemend-XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return WriteStatus::Failed;
  bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
  if (ok) {
    mode_t mode;
    if (exists) {
      mode = st.st_mode & 07777;
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(tmpl.c_str());
    return WriteStatus::Failed;
  }
  return WriteStatus::Ok;
}

WriteStatus WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries) {
  size_t total = 0;
  for (const auto& e : entries) total += e.size() + 2;
  std::string content;
  content.reserve(total);
  for (const auto& e : entries) {
    content += e;
    content += "\r\n";
  }
  return WriteFileAtomically(path, content);
}

namespace {
char SeparatorFor(const std::string& folder) {
  bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
  return windows ? '\\' : '/';
}
}  // namespace

std::string ComposeFilePath(const std::string& folder, const std::string& name) {
  char sep = SeparatorFor(folder);
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + sep + name;
}

std::string FileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

namespace {
// Entry 0 becomes current, selected, decomposed and shown.
bool ShowFirstEntry(Document& doc) {
  doc.List1.SetListIndex(0);
  doc.CurrentIndex = 0;
  if (!doc.DecomposeEntry()) return false;
  ShowEntryInGrid(doc);
  return true;
}
}  // namespace

bool LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                      const std::function<bool()>& rememberFolder) {
  doc.Reset();
  auto fail = [&doc] {
    doc.Reset();
    return false;
  };
  if (rememberFolder && !rememberFolder()) return fail();
  const std::string path = ComposeFilePath(folder, fileName);
  std::vector<std::string> lines;
  if (ReadSubtitleFile(path, lines) != ReadStatus::Ok || lines.empty()) return fail();
  doc.List1.Assign(std::move(lines));
  doc.FileName = fileName;
  doc.FilePath = path;
  if (!ShowFirstEntry(doc)) return fail();
  doc.Changed = 0;
  return true;
}

bool ReloadSubtitleFile(Document& doc, const std::string& path) {
  if (path.empty()) return false;
  std::vector<std::string> lines;
  if (ReadSubtitleFile(path, lines) != ReadStatus::Ok || lines.empty()) return false;
  EntryFields first;
  if (!SplitEntryLine(lines.front(), first)) return false;
  doc.Reset();
  doc.List1.Assign(std::move(lines));
  doc.FileName = FileNameOf(path);
  doc.FilePath = path;
  ShowFirstEntry(doc);
  doc.Changed = 0;
  return true;
}

}  // namespace lm
