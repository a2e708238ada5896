// The file layer: special files, failed writes, permissions, hard and
// symbolic links. Calls that could block or die run in a child process.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

#include "document/file_io.h"

namespace lm {
namespace {

namespace fs = std::filesystem;
constexpr uid_t kNobody = 65534;

// A fresh folder under /tmp, removed with everything in it.
class Dir {
 public:
  Dir() {
    char tmpl[] = "/tmp/linemend-fio-XXXXXX";
    if (::mkdtemp(tmpl)) path_ = tmpl;
    ::chmod(path_.c_str(), 0755);  // so that "nobody" can reach inside
  }
  ~Dir() {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(path_, ec))
      if (e.symlink_status(ec).type() == fs::file_type::directory) ::chmod(e.path().c_str(), 0700);
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }
  int Leftovers() const {  // temporary files left anywhere inside
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(path_, ec))
      n += e.path().filename().string().rfind(".linemend-", 0) == 0;
    return n;
  }

 private:
  std::string path_;
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string Get(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}
struct stat Stat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}
std::string AllBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

// A status and its errno; {-1, signal} when the child died.
using Outcome = std::pair<int, int>;
template <class Status>
Outcome Is(Status s, int error = 0) {
  return {static_cast<int>(s), error};
}
template <class Result>
Outcome Of(const Result& r) {
  return Is(r.status, r.error);
}
Outcome Write(const std::string& path, const std::string& content) {
  return Of(WriteFileSafely(path, content));
}
const Outcome kWritten = Is(WriteStatus::Ok);

// Runs fn in a child process, as "nobody" if asked and running as root. The
// alarm turns a call that blocks into a failure instead of a hang.
Outcome InChild(const std::function<Outcome()>& fn, bool asNobody = false) {
  int fds[2];
  if (::pipe(fds) != 0) return {-1, 0};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(10);
    Outcome out{-1, 0};
    if (!asNobody || ::geteuid() != 0 ||
        (::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0))
      out = fn();
    (void)!::write(fds[1], &out, sizeof out);
    ::_exit(0);
  }
  ::close(fds[1]);
  Outcome out{-1, 0};
  if (pid < 0 || ::read(fds[0], &out, sizeof out) != sizeof out) out = {-1, 0};
  ::close(fds[0]);
  int ws = 0;
  if (pid > 0 && ::waitpid(pid, &ws, 0) == pid && WIFSIGNALED(ws)) out = {-1, WTERMSIG(ws)};
  return out;
}

TEST(ReadWholeFile, RefusesAtOnceWhatIsNotARegularFile) {
  Dir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);  // nothing ever writes to it
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, (dir / "sock").c_str(), sizeof addr.sun_path - 1);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(sock);
  const std::pair<std::string, Outcome> cases[] = {
      {dir / "fifo", Is(FileRead::NotRegular)},         {dir / "sock", Is(FileRead::NotRegular)},
      {"/dev/zero", Is(FileRead::NotRegular)},          {dir.path(), Is(FileRead::NotRegular)},
      {dir / "none", Is(FileRead::CannotOpen, ENOENT)},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    std::string content;
    EXPECT_EQ(InChild([&] { return Of(ReadWholeFile(path, content, 1 << 20)); }), expected);
  }
}

TEST(ReadWholeFile, ReadsEveryByteUpToTheLimit) {
  Dir dir;
  const std::string bytes = AllBytes() + AllBytes();
  Put(dir / "f", bytes);
  std::string content = "stale";
  EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, 512)), Is(FileRead::Ok));
  EXPECT_EQ(content, bytes);
  EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, 511)), Is(FileRead::TooLarge));
  EXPECT_EQ(content, "");
  Put(dir / "empty", "");
  content = "stale";
  EXPECT_EQ(Of(ReadWholeFile(dir / "empty", content, 0)), Is(FileRead::Ok));
  EXPECT_EQ(content, "");
  ASSERT_EQ(::chmod((dir / "f").c_str(), 0), 0);
  EXPECT_EQ(InChild([&] { return Of(ReadWholeFile(dir / "f", content, 512)); }, true),
            Is(FileRead::CannotOpen, EACCES));
}

TEST(WriteFileSafely, ReplacesByteForByteAndKeepsTheMode) {
  Dir dir;
  const std::string path = dir / "f.sub";
  const mode_t mask = ::umask(027);
  const Outcome fresh = Write(path, AllBytes());
  ::umask(mask);
  ASSERT_EQ(fresh, kWritten);
  EXPECT_EQ(Get(path), AllBytes());
  EXPECT_EQ(Stat(path).st_mode & 07777, 0640u) << "a new file follows the umask";
  ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
  const int old = ::open(path.c_str(), O_RDONLY);  // keeps the old inode and its number
  for (const std::string content : {"shorter", ""}) {
    ASSERT_EQ(Write(path, content), kWritten);
    EXPECT_EQ(Get(path), content);
  }
  EXPECT_EQ(Stat(path).st_mode & 07777, 0604u);
  struct stat st {};
  EXPECT_EQ(::fstat(old, &st), 0);
  ::close(old);
  EXPECT_NE(Stat(path).st_ino, st.st_ino) << "replaced, not overwritten";
  EXPECT_EQ(dir.Leftovers(), 0);
}

TEST(WriteFileSafely, RootKeepsAnotherUsersOwnership) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  Dir dir;
  const std::string path = dir / "theirs.sub";
  Put(path, "old");
  ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  ASSERT_EQ(::chmod(path.c_str(), 02750), 0);  // chown clears set-group-id
  ASSERT_EQ(Write(path, "new"), kWritten);
  EXPECT_EQ(Get(path), "new");
  EXPECT_EQ(Stat(path).st_uid, 1234u);
  EXPECT_EQ(Stat(path).st_gid, 5678u);
  EXPECT_EQ(Stat(path).st_mode & 07777, 02750u);
}

TEST(WriteFileSafely, FailedWriteLeavesTheOldFileWhole) {
  // SIGXFSZ ignored: the write itself fails midway. Default: it would kill.
  for (const bool ignoreSignal : {true, false}) {
    for (const bool hardLinked : {false, true}) {
      SCOPED_TRACE(std::string(ignoreSignal ? "SIGXFSZ ignored" : "SIGXFSZ default") +
                   (hardLinked ? ", in place" : ", replaced"));
      Dir dir;
      const std::string path = dir / "f.sub", old(200, 'o');
      Put(path, old);
      ASSERT_TRUE(!hardLinked || ::link(path.c_str(), (dir / "other").c_str()) == 0);
      const Outcome failed = InChild([&] {
        ::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return Write(path, std::string(5000, 'n'));
      });
      EXPECT_EQ(failed, Is(WriteStatus::Failed, EFBIG));
      EXPECT_EQ(Get(path), old);
      EXPECT_EQ(Stat(path).st_nlink, hardLinked ? 2u : 1u);
      EXPECT_EQ(dir.Leftovers(), 0);
    }
  }
}

TEST(WriteFileSafely, WritesAHardLinkedFileInPlace) {
  Dir dir;
  Put(dir / "a", "old content");
  ASSERT_EQ(::link((dir / "a").c_str(), (dir / "b").c_str()), 0);
  const ino_t ino = Stat(dir / "a").st_ino;
  ASSERT_EQ(Write(dir / "a", "new"), kWritten);
  EXPECT_EQ(Get(dir / "a"), "new");
  EXPECT_EQ(Get(dir / "b"), "new") << "both names keep the one file";
  EXPECT_EQ(Stat(dir / "a").st_ino, ino);
}

TEST(WriteFileSafely, HonoursPermissions) {
  Dir dir;
  const std::string ro = dir / "ro.sub";
  Put(ro, "old");
  ASSERT_TRUE(SetReadOnly(ro, true));
  EXPECT_TRUE(IsReadOnly(ro)) << "even for root";
  EXPECT_EQ(Write(ro, "new"), Is(WriteStatus::ReadOnly, EACCES));
  EXPECT_EQ(Get(ro), "old");
  ASSERT_TRUE(SetReadOnly(ro, false));
  EXPECT_EQ(Write(ro, "new"), kWritten);

  // A folder nobody may add to: its writable file is written in place.
  const std::string locked = dir / "locked", file = locked + "/f.sub", theirs = locked + "/r.sub";
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  Put(file, "old content");
  Put(theirs, "kept");
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_TRUE(::geteuid() != 0 || ::chown(file.c_str(), kNobody, kNobody) == 0);
  // Root's 0644 file has write bits but is not nobody's to write.
  ASSERT_EQ(::chmod(theirs.c_str(), ::geteuid() == 0 ? 0644 : 0444), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  const auto write = [](const std::string& path) {
    return InChild([&] { return Write(path, "new"); }, true);
  };
  EXPECT_EQ(write(file), kWritten);
  EXPECT_EQ(Get(file), "new");
  EXPECT_EQ(write(theirs), Is(WriteStatus::ReadOnly, EACCES));
  EXPECT_EQ(Get(theirs), "kept");
  EXPECT_EQ(write(locked + "/new.sub"), Is(WriteStatus::Failed, EACCES));
  EXPECT_FALSE(fs::exists(locked + "/new.sub"));
  EXPECT_EQ(dir.Leftovers(), 0);
}

TEST(WriteFileSafely, WritesThroughSymbolicLinks) {
  Dir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  Put(dir / "real.sub", "old");
  const struct {
    std::string link, target, written;
  } cases[] = {
      {"to-real", "real.sub", "real.sub"},
      {"dangling", "new.sub", "new.sub"},
      {"sub/beside", "inner.sub", "sub/inner.sub"},  // from the link's own folder
      {"sub/up", "../up.sub", "up.sub"},
      {"absolute", dir / "sub/abs.sub", "sub/abs.sub"},
      {"chain", "sub/up", "up.sub"},
  };
  for (const auto& c : cases) ASSERT_EQ(::symlink(c.target.c_str(), (dir / c.link).c_str()), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    EXPECT_EQ(Write(dir / c.link, c.link), kWritten);
    EXPECT_EQ(Get(dir / c.written), c.link);
    EXPECT_TRUE(S_ISLNK(Stat(dir / c.link).st_mode)) << "the link stays a link";
  }
}

TEST(WriteFileSafely, RefusesLinkLoopsWithoutWritingAnything) {
  Dir dir;
  ASSERT_EQ(::symlink("self", (dir / "self").c_str()), 0);
  ASSERT_EQ(::symlink("pong", (dir / "ping").c_str()), 0);
  ASSERT_EQ(::symlink("ping", (dir / "pong").c_str()), 0);
  // l0 -> l1 -> ... -> l40 -> end.sub: 41 links, one more than allowed.
  for (int i = 0; i <= 40; ++i) {
    const std::string next = i == 40 ? "end.sub" : "l" + std::to_string(i + 1);
    ASSERT_EQ(::symlink(next.c_str(), (dir / ("l" + std::to_string(i))).c_str()), 0);
  }
  for (const char* name : {"self", "ping", "l0"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Write(dir / name, "x"), Is(WriteStatus::Failed, ELOOP));
  }
  EXPECT_FALSE(fs::exists(dir / "end.sub"));
  EXPECT_EQ(dir.Leftovers(), 0);
  EXPECT_EQ(Write(dir / "l1", "x"), kWritten) << "40 links are fine";
  EXPECT_EQ(Get(dir / "end.sub"), "x");
}

TEST(WriteFileSafely, RefusesBadNames) {
  Dir dir;
  Put(dir / "file.sub", "kept");
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("sub", (dir / "to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere/x.sub", (dir / "to-nowhere").c_str()), 0);
  const char* names[] = {"",     ".",         "./",         "sub",       "to-folder",
                         "fifo", "missing/x", "file.sub/x", "file.sub/", "to-nowhere"};
  for (const std::string name : names) {
    const std::string path = name.empty() ? "" : dir / name;
    SCOPED_TRACE(path);
    // The errno varies; the child guards against blocking on the FIFO.
    EXPECT_EQ(InChild([&] { return Is(WriteFileSafely(path, "x").status); }),
              Is(WriteStatus::BadName));
  }
  EXPECT_EQ(Get(dir / "file.sub"), "kept");
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_EQ(dir.Leftovers(), 0);
}

}  // namespace
}  // namespace lm
