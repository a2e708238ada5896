#include "files/file_io.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

namespace lm {

std::string WriteResult::Reason() const {
  if (!why.empty()) return why;
  if (status == WriteStatus::Changed) return "it has changed on disk meanwhile";
  return error ? std::strerror(error) : "unknown error";
}

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows
// What Replace returns when the file is no longer as expected.
constexpr int kChanged = -1;

FileStamp StampFrom(const struct stat& st) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = static_cast<long long>(st.st_size);
  stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  stamp.device = static_cast<unsigned long long>(st.st_dev);
  stamp.inode = static_cast<unsigned long long>(st.st_ino);
  return stamp;
}

// Whether the file at `path` is as `expected` says: the same file, size and
// time, or still none.
bool StillAsExpected(const std::string& path, const FileStamp* expected) {
  if (!expected) return true;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT && !expected->exists;
  return expected->exists && StampFrom(st) == *expected;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Reads from the start to the end of the file: 0, EFBIG once past maxBytes,
// or the errno.
int ReadAll(int fd, std::string& out, long long maxBytes, off_t sizeHint) {
  out.clear();
  try {
    size_t have = 0;
    // The size fstat gave, read in one go where the file holds still, into
    // room made for it alone.
    if (sizeHint > 0 && sizeHint <= maxBytes) {
      // With more room, untouched (see RoomToRead).
      out.reserve(RoomToRead(static_cast<size_t>(sizeHint)));
      out.resize(static_cast<size_t>(sizeHint));
      while (have < out.size()) {
        const ssize_t got = ::pread(fd, &out[have], out.size() - have, static_cast<off_t>(have));
        if (got < 0) {
          if (errno == EINTR) continue;
          out.resize(have);
          return errno;
        }
        if (got == 0) break;  // it has shrunk since
        have += static_cast<size_t>(got);
      }
      out.resize(have);
      if (have < static_cast<size_t>(sizeHint)) return 0;
      // Whether it ends there, asked into a buffer of its own: the room
      // made is not made again for a read that finds nothing.
      char more[4096];
      for (;;) {
        const ssize_t got = ::pread(fd, more, sizeof more, static_cast<off_t>(have));
        if (got < 0) {
          if (errno == EINTR) continue;
          return errno;
        }
        if (got == 0) return 0;
        out.append(more, static_cast<size_t>(got));
        have += static_cast<size_t>(got);
        if (static_cast<long long>(have) > maxBytes) return EFBIG;
        break;
      }
    }
    // A file that grew, or whose size is not known: in chunks to its end.
    for (;;) {
      have = out.size();
      out.resize(have + (1 << 16));
      const ssize_t got = ::pread(fd, &out[have], out.size() - have, static_cast<off_t>(have));
      if (got < 0) {
        out.resize(have);
        if (errno == EINTR) continue;
        return errno;
      }
      out.resize(have + static_cast<size_t>(got));
      if (static_cast<long long>(out.size()) > maxBytes) return EFBIG;
      if (got == 0) return 0;
    }
  } catch (const std::exception&) {
    out.clear();
    out.shrink_to_fit();
    return ENOMEM;
  }
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t put = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

bool ClearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Past RLIMIT_FSIZE the kernel sends SIGXFSZ, which kills the program unless
// it is ignored. Ignored, the write just fails with EFBIG and is undone like
// any other failure; otherwise a write that would pass the limit must not start.
bool WouldHitSizeLimit(size_t size) {
  struct sigaction action {};
  if (::sigaction(SIGXFSZ, nullptr, &action) == 0 && !(action.sa_flags & SA_SIGINFO) && action.sa_handler == SIG_IGN)
    return false;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
  return size > limit.rlim_cur;
}

std::string RandomTag() {
  static std::atomic<uint64_t> counter{0};
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
  uint64_t x = static_cast<uint64_t>(nanoseconds.count()) ^ (static_cast<uint64_t>(seconds.count()) << 30) ^
               (static_cast<uint64_t>(::getpid()) << 42) ^ (++counter * 0x9E3779B97F4A7C15ull);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string tag;
  for (int i = 0; i < 8; ++i, x /= 62) tag += kChars[x % 62];
  return tag;
}

void SyncFolder(const std::string& folder) {
  // Makes the rename itself durable; a folder that cannot be synced is no
  // reason to report the write as failed.
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The temporary file of a replace under way, for a signal that ends the
// process meanwhile (Ctrl+C, a kill, a closed terminal) to remove: only what
// a signal handler may touch.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
char g_temp[4096];
volatile sig_atomic_t g_tempExists = 0;
struct sigaction g_before[3];

void RemoveTempAndEnd(int sig) {
  if (g_tempExists) ::unlink(g_temp);
  g_tempExists = 0;
  for (size_t i = 0; i < std::size(kEndingSignals); ++i)
    if (kEndingSignals[i] == sig) ::sigaction(sig, &g_before[i], nullptr);
  ::raise(sig);  // as it would have ended the process
}

// While it lives, an ending signal removes the temporary file first; one the
// process ignores stays ignored.
class TempGuard {
 public:
  TempGuard() {
    struct sigaction remove {};
    remove.sa_handler = RemoveTempAndEnd;
    sigemptyset(&remove.sa_mask);
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], nullptr, &g_before[i]);
      installed_[i] = g_before[i].sa_handler != SIG_IGN;
      if (installed_[i]) ::sigaction(kEndingSignals[i], &remove, nullptr);
    }
  }
  ~TempGuard() {
    g_tempExists = 0;
    for (size_t i = 0; i < std::size(kEndingSignals); ++i)
      if (installed_[i]) ::sigaction(kEndingSignals[i], &g_before[i], nullptr);
  }
  // Creates the file under `name` with no signal in between.
  int Create(const std::string& name, int mode) {
    if (name.size() >= sizeof g_temp) {
      errno = ENAMETOOLONG;
      return -1;
    }
    sigset_t ending, was;
    sigemptyset(&ending);
    for (const int sig : kEndingSignals) sigaddset(&ending, sig);
    ::sigprocmask(SIG_BLOCK, &ending, &was);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    const int err = errno;
    if (fd >= 0) {
      std::memcpy(g_temp, name.c_str(), name.size() + 1);
      g_tempExists = 1;
    }
    ::sigprocmask(SIG_SETMASK, &was, nullptr);
    errno = err;
    return fd;
  }
  void Gone() { g_tempExists = 0; }

 private:
  bool installed_[3] = {};
};

// Writes a temporary file beside the target and renames it over the target.
// Returns 0, kChanged or the errno; the temporary file never outlives a
// failure, nor a signal that ends the process.
int Replace(const std::string& path, const struct stat* old, const std::string& content, const FileStamp* expected,
            FileStamp& written) {
  const std::string folder = FolderOf(path);
  std::string temp;
  int fd = -1;
  TempGuard guard;
  for (int attempt = 0; fd < 0; ++attempt) {
    if (attempt == 100) return EEXIST;
    temp = folder + "/.linemend-" + RandomTag();
    // A new file gets 0666 less the umask (and any default ACL) from the
    // kernel; a replacement stays private until it has the old file's mode.
    fd = guard.Create(temp, old ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (old) {
    // Only root may give a file away, and only a member may set its group;
    // otherwise the replacement is the writer's, as any new file would be.
    if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
      // Neither: the replacement stays the writer's.
    }
    // After fchown, which clears the set-id bits.
    (void)::fchmod(fd, old->st_mode & 07777);
  }
  int err = 0;
  struct stat st {};
  if (!WriteAll(fd, content) || ::fsync(fd) != 0 || ::fstat(fd, &st) != 0) err = errno;
  if (::close(fd) != 0 && !err && errno != EINTR) err = errno;
  if (!err) written = StampFrom(st);  // a rename keeps the file's size and time
  // Writing and syncing take a while: a change made meanwhile must not be
  // renamed away.
  if (!err && !StillAsExpected(path, expected)) err = kChanged;
  if (!err && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (!err) guard.Gone();
  if (err) {
    ::unlink(temp.c_str());
    return err;
  }
  SyncFolder(folder);
  return 0;
}

// Writes to what is no regular file, straight through.
WriteResult WriteStream(const std::string& path, const std::string& content) {
  // A FIFO nobody reads would keep the program waiting for ever: that is
  // refused at once (ENXIO) instead.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {WriteStatus::Failed, errno};
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  int err = 0;
  for (size_t done = 0; done < content.size() && !err;) {
    const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put == 0 || errno != EINTR) {
      err = put == 0 ? EIO : errno;
    }
  }
  if (::close(fd) != 0 && !err && errno != EINTR) err = errno;
  if (err) return {WriteStatus::Failed, err};
  return {WriteStatus::Ok, 0};
}

// Overwrites the file itself. The old content is read first, through the
// same descriptor so that it is surely this file's, and written back if the
// new content cannot be written whole.
WriteResult WriteInPlace(const std::string& path, const std::string& content, const FileStamp* expected) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return {WriteStatus::Failed, errno};
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0 || !ClearNonBlocking(fd)) {
    err = errno;
  } else if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return {WriteStatus::BadName, EINVAL};
  }
  std::string old;
  if (!err) err = ReadAll(fd, old, LLONG_MAX, st.st_size);
  // Checked on this very file, after its old content is safe.
  if (!err && expected && (::fstat(fd, &st) != 0 || !expected->exists || StampFrom(st) != *expected)) {
    ::close(fd);
    return {WriteStatus::Changed, 0};
  }
  if (!err && content.size() > old.size()) {
    // Claiming the space first turns a full disk into a clean failure
    // before a byte is changed; not every file system can.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(content.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
      err = errno;
  }
  if (!err) {
    if (!WriteAll(fd, content) || ::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fsync(fd) != 0) {
      err = errno;
      // Best effort; the old content fits where it was before.
      if (WriteAll(fd, old) && ::ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
        // Nothing more can be done; the error reported is the first one.
      }
      (void)::fsync(fd);
    }
  }
  WriteResult done{WriteStatus::Ok, 0};
  if (!err) err = ::fstat(fd, &st) != 0 ? errno : 0;
  if (!err) done.stamp = StampFrom(st);
  if (::close(fd) != 0 && !err && errno != EINTR) err = errno;
  if (err) return {WriteStatus::Failed, err};
  return done;
}

int ReadLink(const std::string& path, std::string& target) {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), &buf[0], buf.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buf.size()) {
      target.assign(buf, 0, static_cast<size_t>(n));
      return target.empty() ? ENOENT : 0;
    }
    if (buf.size() > PATH_MAX) return ENAMETOOLONG;
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  return StampFrom(st);
}

FileReadResult ReadWholeFile(const std::string& path, std::string& content, long long maxBytes, FileStamp* stamp) {
  content.clear();
  struct stat st {};
  // Look before opening: opening a device can do things of its own, and
  // opening a FIFO waits for a writer.
  if (::stat(path.c_str(), &st) != 0) return {FileRead::CannotOpen, errno};
  if (S_ISDIR(st.st_mode)) return {FileRead::Folder, 0};
  if (!S_ISREG(st.st_mode)) return {FileRead::NotRegular, 0};
  // Should the name have become a FIFO since, this open still returns at once.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {FileRead::CannotOpen, errno};
  FileReadResult result;
  if (::fstat(fd, &st) != 0) {
    result = {FileRead::CannotRead, errno};
  } else if (!S_ISREG(st.st_mode)) {
    result = {FileRead::NotRegular, 0};
  } else if (st.st_size > maxBytes) {
    result = {FileRead::TooLarge, 0};
  } else if (!ClearNonBlocking(fd)) {
    result = {FileRead::CannotRead, errno};
  } else if (int err = ReadAll(fd, content, maxBytes, st.st_size)) {
    // The file may have grown since fstat.
    result = {err == EFBIG ? FileRead::TooLarge : FileRead::CannotRead, err == EFBIG ? 0 : err};
  } else if (stamp) {
    // As it was before the reading: a change while it was being read then
    // counts as a change.
    *stamp = StampFrom(st);
  }
  ::close(fd);
  if (result.status != FileRead::Ok) content.clear();
  return result;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  // Root passes access(), so the mode bits decide for it.
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return ::chmod(path.c_str(), mode) == 0;
}

int ResolveLinks(const std::string& path, std::string& resolved) {
  resolved = path;
  for (int followed = 0;; ++followed) {
    struct stat st {};
    // A name that does not exist yet is where the file will be made.
    if (::lstat(resolved.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    if (followed == kMaxLinks) return ELOOP;
    std::string target;
    if (int err = ReadLink(resolved, target)) return err;
    if (target[0] == '/') {
      resolved = target;
    } else {
      // Joined, not simplified: ".." must mean what the kernel takes it to.
      const std::string folder = FolderOf(resolved);
      resolved = (folder == "/" ? "" : folder) + "/" + target;
    }
  }
}

WriteResult WriteFileSafely(const std::string& requested, const std::string& content, const FileStamp* expected) {
  if (requested.empty()) return {WriteStatus::BadName, 0};
  // A device, a FIFO or a pipe (/dev/null, /dev/stdout, >(gzip)) has nothing
  // to keep and cannot be replaced: it is written as it is. A link to a pipe
  // names no file, so this looks through the link first.
  {
    struct stat target {};
    if (::stat(requested.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
      return WriteStream(requested, content);
  }
  std::string path;
  if (int err = ResolveLinks(requested, path))
    return {err == ENOTDIR ? WriteStatus::BadName : WriteStatus::Failed, err};
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (!exists) {
    const int err = errno;
    if (err != ENOENT) return {err == ENOTDIR ? WriteStatus::BadName : WriteStatus::Failed, err};
  }
  if (expected && (exists ? !expected->exists || StampFrom(st) != *expected : expected->exists))
    return {WriteStatus::Changed, 0};
  if (exists) {
    if (S_ISDIR(st.st_mode)) return {WriteStatus::BadName, EISDIR};
    if (!S_ISREG(st.st_mode)) return WriteStream(path, content);
    if (IsReadOnly(path)) return {WriteStatus::ReadOnly, EACCES};
  }
  if (WouldHitSizeLimit(content.size())) return {WriteStatus::Failed, EFBIG};
  // Renaming over a hard-linked file would part it from its other names.
  if (exists && st.st_nlink > 1) return WriteInPlace(path, content, expected);
  WriteResult done{WriteStatus::Ok, 0};
  const int err = Replace(path, exists ? &st : nullptr, content, expected, done.stamp);
  if (err == kChanged) return {WriteStatus::Changed, 0};
  // A folder that refuses a new file (or a sticky one that refuses the rename)
  // may still let the file itself be written.
  if (exists && (err == EACCES || err == EPERM)) return WriteInPlace(path, content, expected);
  if (err == ENOENT || err == ENOTDIR) return {WriteStatus::BadName, err};
  if (err) return {WriteStatus::Failed, err};
  return done;
}

}  // namespace lm
