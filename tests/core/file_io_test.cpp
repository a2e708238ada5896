// The file layer: special files, failed writes, permissions, hard and
// symbolic links. Calls that could block or die run in a child process.
#include "files/file_io.h"

#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "support.h"

namespace lm {
namespace {

using test::Get;
using test::Put;
constexpr uid_t kNobody = 65534;

struct stat Stat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

// A status and its errno; {-1, signal} when a child died.
using Outcome = std::pair<int, int>;
template <class R>
Outcome Of(const R& r) {
  return {static_cast<int>(r.status), r.error};
}
template <class S>
Outcome Is(S s, int error = 0) {
  return {static_cast<int>(s), error};
}
Outcome Write(const std::string& path, const std::string& content) { return Of(WriteFileSafely(path, content)); }
const Outcome kWritten = Is(WriteStatus::Ok);

// Runs fn in a child process, as "nobody" if asked (when root). The alarm
// turns a call that blocks into a failure instead of a hang.
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
  if (::read(fds[0], &out, sizeof out) != sizeof out) out = {-1, 0};
  ::close(fds[0]);
  int ws = 0;
  if (::waitpid(pid, &ws, 0) == pid && WIFSIGNALED(ws)) out = {-1, WTERMSIG(ws)};
  return out;
}

TEST(ReadWholeFile, TakesOnlyRegularFilesAndRefusesTheRestAtOnce) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);  // nothing ever writes to it
  const std::pair<std::string, Outcome> cases[] = {{dir / "fifo", Is(FileRead::NotRegular)},
                                                   {"/dev/zero", Is(FileRead::NotRegular)},
                                                   {dir.path(), Is(FileRead::Folder)},
                                                   {dir / "none", Is(FileRead::CannotOpen, ENOENT)}};
  std::string content;
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(InChild([&] { return Of(ReadWholeFile(path, content, 1 << 20)); }), expected) << path;
  std::string bytes;
  for (int b = 0; b < 512; ++b) bytes += static_cast<char>(b);
  Put(dir / "f", bytes);
  EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, 512)), Is(FileRead::Ok));
  EXPECT_EQ(content, bytes);
  EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, 511)), Is(FileRead::TooLarge));
}

TEST(ReadWholeFile, ReadsEverySizeWholeAndOneWhoseSizeIsNotKnown) {
  test::TempDir dir;
  std::string content;
  for (const size_t size : {0, 1, 4095, 4096, 4097, 65535, 65536, 65537, 300001}) {
    std::string bytes(size, 'x');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i * 7 % 26);
    Put(dir / "f", bytes);
    EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, 1 << 20)), Is(FileRead::Ok)) << size;
    EXPECT_EQ(content, bytes) << size;
    if (size > 0) {
      EXPECT_EQ(Of(ReadWholeFile(dir / "f", content, size - 1)), Is(FileRead::TooLarge)) << size;
    }
  }
  // The kernel's files say they are empty, and are not.
  EXPECT_EQ(Of(ReadWholeFile("/proc/self/status", content, 1 << 20)), Is(FileRead::Ok));
  EXPECT_NE(content.find("Name:"), std::string::npos);
}

TEST(WriteFileSafely, ReplacesTheFileKeepingModeAndOwner) {
  test::TempDir dir;
  const std::string path = dir / "f.sub";
  Put(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 02750), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  }
  ASSERT_EQ(::chmod(path.c_str(), 02750), 0);  // chown cleared set-group-id
  const ino_t before = Stat(path).st_ino;
  ASSERT_EQ(Write(path, "new"), kWritten);
  EXPECT_EQ(Get(path), "new");
  EXPECT_NE(Stat(path).st_ino, before) << "replaced, not overwritten";
  EXPECT_EQ(Stat(path).st_mode & 07777, 02750u);
  if (root) {
    EXPECT_EQ(Stat(path).st_uid * 10000 + Stat(path).st_gid, 1234u * 10000 + 5678u);
  }
  EXPECT_EQ(dir.Leftovers(), 0);
}

TEST(WriteFileSafely, AFailedWriteLeavesTheOldFileWhole) {
  // SIGXFSZ ignored: the write itself fails midway. Default: it would kill.
  for (const bool ignoreSignal : {true, false}) {
    for (const bool hardLinked : {false, true}) {
      SCOPED_TRACE(std::to_string(ignoreSignal) + std::to_string(hardLinked));
      test::TempDir dir;
      const std::string path = dir / "f.sub", old(200, 'o');
      Put(path, old);
      ASSERT_TRUE(!hardLinked || ::link(path.c_str(), (dir / "other").c_str()) == 0);
      const Outcome failed = InChild([&] {
        ::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return Write(path, std::string(5000, 'n'));
      });
      EXPECT_EQ(failed, Is(WriteStatus::Failed, EFBIG));
      EXPECT_EQ(Get(path), old);
      EXPECT_EQ(dir.Leftovers(), 0);
    }
  }
}

TEST(WriteFileSafely, WritesInPlaceWhereItCannotReplace) {
  test::TempDir dir;
  Put(dir / "a", "old content");
  ASSERT_EQ(::link((dir / "a").c_str(), (dir / "b").c_str()), 0);
  ASSERT_EQ(Write(dir / "a", "new"), kWritten);
  EXPECT_EQ(Get(dir / "b"), "new") << "both names keep the one file";
  // A folder nobody may add to: its writable file is written in place.
  const std::string locked = dir / "locked", file = locked + "/f.sub", theirs = locked + "/r.sub";
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  Put(file, "old content");
  Put(theirs, "kept");
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_TRUE(::geteuid() != 0 || ::chown(file.c_str(), kNobody, kNobody) == 0);
  ASSERT_EQ(::chmod(theirs.c_str(), ::geteuid() == 0 ? 0644 : 0444), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  const auto write = [](const std::string& path) { return InChild([&] { return Write(path, "new"); }, true); };
  EXPECT_EQ(write(file), kWritten);
  EXPECT_EQ(Get(file), "new");
  EXPECT_EQ(write(theirs), Is(WriteStatus::ReadOnly, EACCES));
  EXPECT_EQ(write(locked + "/new.sub"), Is(WriteStatus::Failed, EACCES));
  EXPECT_EQ(Get(theirs), "kept");
  EXPECT_EQ(dir.Leftovers(), 0);
}

TEST(WriteFileSafely, LeavesAReadOnlyFileAloneEvenForRoot) {
  test::TempDir dir;
  Put(dir / "ro.sub", "old");
  ASSERT_TRUE(SetReadOnly(dir / "ro.sub", true));
  EXPECT_TRUE(IsReadOnly(dir / "ro.sub"));
  EXPECT_EQ(Write(dir / "ro.sub", "new"), Is(WriteStatus::ReadOnly, EACCES));
  EXPECT_EQ(Get(dir / "ro.sub"), "old");
  ASSERT_TRUE(SetReadOnly(dir / "ro.sub", false));
  EXPECT_EQ(Write(dir / "ro.sub", "new"), kWritten);
}

TEST(WriteFileSafely, WritesThroughSymbolicLinksButNotRoundLoops) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  Put(dir / "real.sub", "old");
  const struct {
    std::string link, target, written;
  } cases[] = {{"to-real", "real.sub", "real.sub"},
               {"dangling", "new.sub", "new.sub"},
               {"sub/up", "../up.sub", "up.sub"},  // from the link's own folder
               {"chain", "sub/up", "up.sub"}};
  for (const auto& c : cases) ASSERT_EQ(::symlink(c.target.c_str(), (dir / c.link).c_str()), 0);
  for (const auto& c : cases) {
    EXPECT_EQ(Write(dir / c.link, c.link), kWritten) << c.link;
    EXPECT_EQ(Get(dir / c.written), c.link);
    EXPECT_TRUE(S_ISLNK(Stat(dir / c.link).st_mode)) << "the link stays a link";
  }
  ASSERT_EQ(::symlink("self", (dir / "self").c_str()), 0);
  // l0 -> l1 -> ... -> l40 -> end.sub: 41 links, one more than allowed.
  for (int i = 0; i <= 40; ++i)
    ASSERT_EQ(::symlink(i == 40 ? "end.sub" : ("l" + std::to_string(i + 1)).c_str(),
                        (dir / ("l" + std::to_string(i))).c_str()),
              0);
  EXPECT_EQ(Write(dir / "self", "x"), Is(WriteStatus::Failed, ELOOP));
  EXPECT_EQ(Write(dir / "l0", "x"), Is(WriteStatus::Failed, ELOOP));
  EXPECT_FALSE(FileExists(dir / "end.sub"));
  EXPECT_EQ(Write(dir / "l1", "x"), kWritten) << "40 links are fine";
}

TEST(WriteFileSafely, RefusesBadNames) {
  test::TempDir dir;
  Put(dir / "file.sub", "kept");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("nowhere/x.sub", (dir / "to-nowhere").c_str()), 0);
  for (const std::string name : {"", ".", "missing/x", "file.sub/x", "file.sub/", "to-nowhere"}) {
    const std::string path = name.empty() ? "" : dir / name;
    // The child guards against blocking on the FIFO.
    EXPECT_EQ(InChild([&] { return Is(WriteFileSafely(path, "x").status); }), Is(WriteStatus::BadName)) << path;
  }
  // A FIFO that nobody reads is refused at once rather than waited on.
  EXPECT_EQ(InChild([&] { return Of(WriteFileSafely(dir / "fifo", "x")); }), Is(WriteStatus::Failed, ENXIO));
  EXPECT_EQ(Get(dir / "file.sub"), "kept");
  EXPECT_EQ(dir.Leftovers(), 0);
}

// A change another program made after the file was looked at is not written
// over, whether the file is replaced or written in place; what was written
// is stamped as written.
TEST(WriteFileSafely, RefusesAFileChangedSinceItWasSeen) {
  test::TempDir dir;
  for (const bool linked : {false, true}) {
    const std::string path = dir / (linked ? "linked.sub" : "plain.sub");
    Put(path, "old");
    if (linked) {  // written in place
      ASSERT_EQ(::link(path.c_str(), (path + ".2").c_str()), 0);
    }
    const FileStamp seen = StampOf(path);
    Put(path, "old, and theirs");
    EXPECT_EQ(Of(WriteFileSafely(path, "mine", &seen)), Is(WriteStatus::Changed)) << path;
    EXPECT_EQ(Get(path), "old, and theirs");
    const FileStamp now = StampOf(path);
    const WriteResult written = WriteFileSafely(path, "mine", &now);
    EXPECT_TRUE(written.ok()) << path;
    EXPECT_EQ(Get(path), "mine");
    EXPECT_TRUE(written.stamp == StampOf(path)) << path;
  }
  const FileStamp none = StampOf(dir / "new.sub");
  Put(dir / "new.sub", "theirs");
  EXPECT_EQ(Of(WriteFileSafely(dir / "new.sub", "mine", &none)), Is(WriteStatus::Changed));
  EXPECT_EQ(Get(dir / "new.sub"), "theirs");
  EXPECT_EQ(dir.Leftovers(), 0);
}

// What is no regular file is written straight through: a device, a FIFO,
// a link to a pipe.
TEST(WriteFileSafely, WritesStraightToDevicesAndPipes) {
  test::TempDir dir;
  EXPECT_EQ(Write("/dev/null", "anything"), kWritten);
  EXPECT_EQ(Write("/dev/full", "anything"), Is(WriteStatus::Failed, ENOSPC));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  // A reader is there: the few bytes fit the FIFO's buffer.
  const int reader = ::open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Write(dir / "fifo", "through the fifo"), kWritten);
  char buf[256];
  const ssize_t n = ::read(reader, buf, sizeof buf);
  ::close(reader);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "through the fifo");
  EXPECT_EQ(dir.Leftovers(), 0);
}

}  // namespace
}  // namespace lm
