#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lm {

std::string WriteResult::Reason() const { return error ? std::strerror(error) : "unknown error"; }

FileReadResult ReadWholeFile(const std::string& path, std::string& content, long long maxBytes) {
  content.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {FileRead::CannotOpen, errno};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {FileRead::NotRegular, 0};
  }
  if (st.st_size > maxBytes) {
    ::close(fd);
    return {FileRead::TooLarge, 0};
  }
  bool ok = true;
  {
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
  return {ok ? FileRead::Ok : FileRead::CannotRead, 0};
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

WriteResult WriteFileSafely(const std::string& requested, const std::string& content) {
  if (requested.empty()) return {WriteStatus::BadName, 0};
  const std::string path = ResolveTarget(requested);
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return {WriteStatus::BadName, EISDIR};
    if (IsReadOnly(path)) return {WriteStatus::ReadOnly, EACCES};
  }
  std::string tmpl = FolderOf(path) + "/.linemend-XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return {errno == ENOENT || errno == ENOTDIR ? WriteStatus::BadName : WriteStatus::Failed, errno};
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
    const int error = errno;
    ::unlink(tmpl.c_str());
    return {WriteStatus::Failed, error};
  }
  return {WriteStatus::Ok, 0};
}

}  // namespace lm
