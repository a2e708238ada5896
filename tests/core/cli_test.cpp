// The real linemend program on files in a temporary folder.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "files/file_io.h"
#include "formats/registry.h"
#include "model/version.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Crlf(const Lines& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

struct Result {
  int status = -1;
  std::string out, err;
};

// Runs the program inside the folder; `shell` comes before it (a ulimit).
Result Cli(const test::TempDir& dir, const std::string& args, const std::string& shell = "") {
  const std::string command =
      "cd '" + dir.path() + "' && " + shell + " '" LINEMEND_CLI "' " + args + " >.stdout 2>.stderr";
  const int raw = std::system(("sh -c \"" + command + "\"").c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::Get(dir.File(".stdout")), test::Get(dir.File(".stderr"))};
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

TEST(Cli, FixWritesTheFixedDocumentAndSaysWhatIsLeft) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"), Crlf({"{100}{200}This is a rather long subtitle line that needs a break",
                                      "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}));
  const Result r = Cli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "I just fixed 1 lines, for You\nstill too long: entry 2\n");
  EXPECT_EQ(test::Get(dir.File("out.sub")), Crlf({"{100}{200}This is a rather long subtitle|line that needs a break",
                                                  "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}));
}

TEST(Cli, CountsCharactersOfUtf8FilesAndSavesThemByteForByte) {
  test::TempDir dir;
  std::string a20, a30, a41;
  for (int i = 0; i < 41; ++i) (i < 20 ? a20 : a41) += "\xC3\xA5";
  a30 = a20 + a20.substr(0, 20);
  a41 = a20 + a41;
  test::Put(dir.File("in.sub"), Crlf({"{1}{2}[music]", "{3}{4}" + a41, "{5}{6}" + a30 + " " + a20}));
  Result r = Cli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::Get(dir.File("out.sub")), Crlf({"{1}{2}[music]", "{3}{4}" + a41, "{5}{6}" + a30 + "|" + a20}));
  EXPECT_EQ(Cli(dir, "check out.sub").status, 0) << "41 letters of two bytes are one screen line";
  r = Cli(dir, "remove-hi out.sub -o clean.sub");
  EXPECT_EQ(r.out, "I fixed 1 lines for You\n");
  test::Put(dir.File("long.sub"), Crlf({"{1}{2}fine", "{5}{6}a|b|c"}));
  r = Cli(dir, "check long.sub");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "2: {5}{6}a|b|c\n");
}

TEST(Cli, RefusesBadInputAndArguments) {
  test::TempDir dir;
  test::Put(dir.File("blank.sub"), "\r\n\r\n");
  ASSERT_EQ(::mkfifo(dir.File("pipe.sub").c_str(), 0600), 0);
  const std::pair<std::string, std::string> refusals[] = {
      {"blank.sub", "is empty"}, {"pipe.sub", "is empty"}};  // a FIFO nobody writes to is not waited for
  for (const auto& [name, why] : refusals) {
    const Result r = Cli(dir, "fix " + name + " -o out.sub");
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_EQ(r.err, "linemend: " + name + ": " + why + "\n");
    EXPECT_FALSE(Exists(dir.File("out.sub")));
  }
  for (const char* args : {"", "fix", "fix blank.sub", "check blank.sub -o x.sub", "frobnicate x", "fix a b -o c",
                           "fix a.sub --bogus -o b.sub", "fix a.sub -o", "fix - - -o -", "fix - -o dir/",
                           "convert a.sub -i", "fix a.sub -i -o b.sub", "fix a.sub --json -o b.sub"}) {
    const Result r = Cli(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line says what is wrong: " << r.err;
  }
  EXPECT_EQ(Cli(dir, "--help").status, 0);
  const Result version = Cli(dir, "fix --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("linemend ") + kVersion + "\n");
  EXPECT_EQ(Cli(dir, "-V").out, version.out);
}

TEST(Cli, RealFilesKeepTheirLineEndsAndCodePage) {
  test::TempDir dir;
  // Polish, Windows-1250, LF alone: "ż" is one byte, and the file has two entries.
  const std::string pl =
      "{1}{50}Mo\xBF"
      "e p\xF3jdziemy na spacer, a potem do domu na obiad\n{60}{90}\xA3\xF3"
      "d\x9F\n";
  test::Put(dir.File("pl.sub"), pl);
  Result r = Cli(dir, "fix pl.sub -o out.sub");
  EXPECT_EQ(r.out, "I just fixed 1 lines, for You\n");
  EXPECT_EQ(test::Get(dir.File("out.sub")),
            "{1}{50}Mo\xBF"
            "e p\xF3jdziemy na spacer,|a potem do domu na obiad\n{60}{90}\xA3\xF3"
            "d\x9F\n");
  test::Put(dir.File("long.sub"), "{1}{2}" + std::string(42, '\xB3') + "\n");
  r = Cli(dir, "check long.sub --encoding cp1250");
  EXPECT_EQ(
      r.out, "1: {1}{2}" +
                 [] {
                   std::string s;
                   for (int i = 0; i < 42; ++i) s += "ł";
                   return s;
                 }() +
                 "\n")
      << "printed in UTF-8";
  r = Cli(dir, "check long.sub --encoding=windows-1252");
  EXPECT_EQ(r.out.substr(0, 11), "1: {1}{2}³");
  EXPECT_EQ(Cli(dir, "check long.sub --encoding utf-8").err, "linemend: long.sub: cannot be read as UTF-8\n");
  EXPECT_EQ(Cli(dir, "check long.sub --encoding klingon").status, 2);
}

TEST(Cli, StyleMarkupCountsZeroAndWholeCharactersAreDropped) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"),
            "{1}{2}{Y:i}I couldn't tell cruelty from kindness.\n"
            "{3}{4}/This is a rather long subtitle line that needs a break\n"
            "\xE9"
            "5}{6}This is a rather long subtitle line that needs a break\n");
  Result r = Cli(dir, "check in.sub");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "2: {3}{4}/This is a rather long subtitle line that needs a break\n")
      << "38 visible characters and a tag fit one line";
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1, 3), "3: ");
  EXPECT_TRUE(IsValidUtf8(r.out));
  r = Cli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::Get(dir.File("out.sub")),
            "{1}{2}{Y:i}I couldn't tell cruelty from kindness.\n"
            "{3}{4}/This is a rather long subtitle|/line that needs a break\n"
            "{5}{6}This is a rather long subtitle|line that needs a break\n");
}

TEST(Cli, RefusesFilesThatAreNotFrameBased) {
  test::TempDir dir;
  test::Put(dir.File("film.sub"), "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000><P>Hello\r\n</BODY>\r\n</SAMI>\r\n");
  test::Put(dir.File("vob.sub"), std::string("\x00\x00\x01\xBA\x44\x00\x04\x00\x04\x01", 10));
  for (const auto& [name, what] :
       {std::pair<std::string, std::string>{"film.sub", "SAMI"}, {"vob.sub", "VobSub image data"}}) {
    const Result r = Cli(dir, "fix " + name + " -o out.sub");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "linemend: " + name + ": " + NoneOfTheFormats() + " (it looks like " + what + ")\n");
    EXPECT_FALSE(Exists(dir.File("out.sub")));
  }
}

TEST(Cli, WriteFailuresLeaveNoFileBehind) {
  test::TempDir dir;
  Lines many(2000, "{1}{2}a line of text that is long enough");
  test::Put(dir.File("in.sub"), Crlf(many));
  test::Put(dir.File("out.sub"), "old");
  // A file-size limit of 8 KiB: the write fails instead of killing the program.
  Result r = Cli(dir, "fix in.sub -o out.sub", "ulimit -f 16;");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "linemend: out.sub: Cannot write the file: File too large\n");
  EXPECT_EQ(test::Get(dir.File("out.sub")), "old");
  r = Cli(dir, "fix in.sub -o no/such/folder.sub");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "linemend: no/such/folder.sub: Cannot write the file: No such file or directory\n");
  EXPECT_EQ(std::system(("ls -A '" + dir.path() + "' | grep -q linemend-").c_str()) == 0, false)
      << "a temporary file was left behind";
}

TEST(Cli, SeveralFilesIntoAFolderEachOnItsOwn) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("out").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("a").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("broken.sub").c_str(), 0755), 0);  // not a file at all
  test::Put(dir.File("a/one.sub"), Crlf({"{1}{2}This is a rather long subtitle line that needs a break"}));
  test::Put(dir.File("two.srt"), "1\n00:00:01,000 --> 00:00:02,000\nShort\n\n");
  test::Put(dir.File("one.sub"), Crlf({"{1}{2}another file of the same name"}));
  const Result r = Cli(dir, "fix a/one.sub broken.sub two.srt one.sub -o out");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "a/one.sub: I just fixed 1 lines, for You\ntwo.srt: No new changes\n");
  EXPECT_EQ(r.err,
            "linemend: broken.sub: is a folder\n"
            "linemend: one.sub: not written: out/one.sub was already written from another input of that name\n");
  EXPECT_EQ(test::Get(dir.File("out/one.sub")), Crlf({"{1}{2}This is a rather long subtitle|line that needs a break"}));
  EXPECT_EQ(test::Get(dir.File("out/two.srt")), "1\n00:00:01,000 --> 00:00:02,000\nShort\n\n") << "SubRip stays SubRip";
  EXPECT_FALSE(Exists(dir.File("out/broken.sub")));

  // --format converts, and the name takes the format's extension.
  EXPECT_EQ(Cli(dir, "convert two.srt -o out/ --format sub").status, 0);
  EXPECT_EQ(test::Get(dir.File("out/two.sub")), "{1}{1}25\n{25}{50}Short\n");
  // check goes on past a bad file too, and names the file on each line.
  const Result check = Cli(dir, "check a/one.sub nothere.sub out/one.sub");
  EXPECT_EQ(check.status, 2);
  EXPECT_EQ(check.out, "a/one.sub:1: {1}{2}This is a rather long subtitle line that needs a break\n");
}

TEST(Cli, InPlaceKeepsEncodingAndLineEndsAndRefusesReadOnlyFiles) {
  test::TempDir dir;
  const std::string pl =
      "{1}{50}Mo\xBF"
      "e p\xF3jdziemy na spacer, a potem do domu na obiad\r\n{60}{90}\xA3\xF3"
      "d\x9F\r\n";
  test::Put(dir.File("pl.sub"), pl);
  test::Put(dir.File("fine.sub"), "{1}{2}fine\n");
  test::Put(dir.File("locked.sub"), pl);
  ASSERT_TRUE(SetReadOnly(dir.File("locked.sub"), true));
  const FileStamp fine = StampOf(dir.File("fine.sub"));
  const Result r = Cli(dir, "fix -i pl.sub fine.sub locked.sub");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(test::Get(dir.File("pl.sub")),
            "{1}{50}Mo\xBF"
            "e p\xF3jdziemy na spacer,|a potem do domu na obiad\r\n{60}{90}\xA3\xF3"
            "d\x9F\r\n");
  EXPECT_EQ(StampOf(dir.File("fine.sub")), fine) << "nothing changed, nothing written";
  EXPECT_EQ(r.err, "linemend: locked.sub: File is read-only, not written\n");
  EXPECT_EQ(test::Get(dir.File("locked.sub")), pl);
}

TEST(Cli, OutputThroughSymbolicLinks) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"), Crlf({"{1}{2}x"}));
  ASSERT_EQ(::symlink("target.sub", dir.File("link.sub").c_str()), 0);  // dangling
  EXPECT_EQ(Cli(dir, "fix in.sub -o link.sub").status, 0);
  EXPECT_EQ(test::Get(dir.File("target.sub")), Crlf({"{1}{2}x"}));
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("link.sub").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
  ASSERT_EQ(::symlink("loop.sub", dir.File("loop.sub").c_str()), 0);
  EXPECT_EQ(Cli(dir, "fix in.sub -o loop.sub").status, 2);
}

}  // namespace
}  // namespace lm

namespace lm {
namespace {

// A line without frames (a downloader's header) is no entry to fix: fix,
// check and the search pass over it, check lists it apart.
TEST(Cli, LinesWithoutTimesArePassedOverAndListedApart) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"), Crlf({"Content-Type: text/plain", "{1}{2}Short", "{3}{4}a|b|c"}));
  Result r = Cli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(test::Get(dir.File("out.sub")), Crlf({"Content-Type: text/plain", "{1}{2}Short", "{3}{4}a b|c"}));
  r = Cli(dir, "check in.sub");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "3: {3}{4}a|b|c\n1: no times: Content-Type: text/plain\n");
  r = Cli(dir, "check --json out.sub");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"tooLong\":[],\"noTimes\":[{\"entry\":1,\"line\":1,\"lines\":[24]}]"), std::string::npos)
      << r.out;
}

// A conversion says what styles the target could not hold, and still writes.
TEST(Cli, AConversionSaysWhichStylesWereLeftOut) {
  test::TempDir dir;
  test::Put(
      dir.File("in.srt"),
      "1\n00:00:01,000 --> 00:00:02,000\n{\\an8}At the top\n\n2\n00:00:03,000 --> 00:00:04,000\n<i>Slanted</i>\n\n"
      "3\n00:00:05,000 --> 00:00:06,000\n{\\an8}<u>Both</u>\n");
  Result r = Cli(dir, "convert in.srt -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "linemend: in.srt: 2 entries lost position, which a frame-based file cannot hold\n");
  EXPECT_EQ(test::Get(dir.File("out.sub")),
            "{1}{1}25\n{25}{50}At the top\n{75}{100}{y:i}Slanted\n{125}{150}{y:u}Both\n");
  r = Cli(dir, "convert out.sub -o back.srt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "") << "SubRip holds every style a frame-based file has";
}

// Ended by a signal while it writes a file in place, linemend leaves the
// file whole (old or new) and no temporary file beside it.
TEST(Cli, ASignalDuringAnInPlaceFixLeavesNothingBehind) {
  test::TempDir dir;
  std::string big;
  for (int i = 0; i < 30000; ++i)
    big += "{" + std::to_string(i * 10) + "}{" + std::to_string(i * 10 + 5) +
           "}This is a rather long subtitle line that needs a break\r\n";
  const std::string fixed = "This is a rather long subtitle|line that needs a break";
  for (int run = 0; run < 24; ++run) {
    test::Put(dir.File("big.sub"), big);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::chdir(dir.path().c_str()) != 0) ::_exit(3);
      ::execl(LINEMEND_CLI, "linemend", "fix", "-i", "big.sub", static_cast<char*>(nullptr));
      ::_exit(3);
    }
    ::usleep(static_cast<useconds_t>(2000 * run));
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    ::kill(child, signals[run % 3]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = test::Get(dir.File("big.sub"));
    EXPECT_TRUE(now == big || now.find(fixed) != std::string::npos) << "run " << run;
    EXPECT_EQ(std::system(("ls -A '" + dir.path() + "' | grep -q linemend-").c_str()) == 0, false)
        << "a temporary file was left behind in run " << run;
  }
}

}  // namespace
}  // namespace lm

namespace lm {
namespace {

// One breach of each kind for Netflix's figures, one entry each, in SubRip
// times (2 frames at 25 a second are 80 ms).
const char kBreaches[] =
    "1\r\n00:00:01,000 --> 00:00:04,000\r\nA line of exactly forty-three characters no\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:07,000\r\nOne\r\ntwo\r\nthree\r\n\r\n"
    "3\r\n00:00:08,000 --> 00:00:10,000\r\nSpoken at the speed limit, exactly!\r\n\r\n"
    "4\r\n00:00:11,000 --> 00:00:11,500\r\nJa.\r\n\r\n"
    "5\r\n00:00:12,000 --> 00:00:20,000\r\nD\xC5\x82ugo\r\n\r\n"
    "6\r\n00:00:21,000 --> 00:00:22,000\r\nClose\r\n\r\n"
    "7\r\n00:00:22,040 --> 00:00:24,000\r\nOver\r\n\r\n"
    "8\r\n00:00:23,500 --> 00:00:25,000\r\nLast\r\n\r\n";

TEST(Cli, CheckAgainstAProfileNamesEachBreachOnce) {
  test::TempDir dir;
  test::Put(dir / "in.srt", kBreaches);
  Result r = Cli(dir, "check --profile netflix --json in.srt");
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string problems =
      "\"profile\":\"netflix\",\"problems\":[{\"entry\":1,\"line\":1,\"rule\":\"line-length\",\"value\":43,\"limit\":"
      "42},"
      "{\"entry\":2,\"line\":5,\"rule\":\"lines\",\"value\":3,\"limit\":2},"
      "{\"entry\":3,\"line\":11,\"rule\":\"reading-speed\",\"value\":17.5,\"limit\":17},"
      "{\"entry\":4,\"line\":15,\"rule\":\"min-duration\",\"value\":0.5,\"limit\":0.833},"
      "{\"entry\":5,\"line\":19,\"rule\":\"max-duration\",\"value\":8,\"limit\":7},"
      "{\"entry\":6,\"line\":23,\"rule\":\"gap\",\"value\":1,\"limit\":2},"
      "{\"entry\":7,\"line\":27,\"rule\":\"overlap\",\"value\":0.5,\"limit\":0}]}\n";
  ASSERT_GE(r.out.size(), problems.size());
  EXPECT_EQ(r.out.substr(r.out.size() - problems.size()), problems) << r.out;

  r = Cli(dir, "check --profile netflix in.srt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "in.srt:1: line length 43 > 42: A line of exactly forty-three characters no\n"
            "in.srt:5: 3 lines > 2: One|two|three\n"
            "in.srt:11: reading speed 17.5 > 17 cps: Spoken at the speed limit, exactly!\n"
            "in.srt:15: duration 0.5 s < 0.833 s: Ja.\n"
            "in.srt:19: duration 8 s > 7 s: D\xC5\x82ugo\n"
            "in.srt:23: gap 1 < 2 frames: Close\n"
            "in.srt:27: overlaps the next entry by 0.5 s: Over\n");
  test::Put(dir / "fine.sub", "{1}{1}25\n{0}{50}Fine\n\xEF\xBB\xBFno frames\n");
  r = Cli(dir, "check --profile=teletext fine.sub");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "fine.sub:3: no times: \xEF\xBB\xBFno frames\n");
}

TEST(Cli, TheClassicProfileChangesNothing) {
  test::TempDir dir;
  test::Put(dir / "in.srt", kBreaches);
  test::Put(dir / "in.sub", Crlf({"{1}{2}This is a rather long subtitle line that needs a break", "{3}{4}a|b|c", "x"}));
  for (const std::string command : {"check in.s", "check --json in.s", "fix -o - in.s"}) {
    for (const char* type : {"rt", "ub"}) {
      const std::string withProfile =
          command.substr(0, command.find(' ')) + " --profile classic" + command.substr(command.find(' ')) + type;
      const Result plain = Cli(dir, command + type), classic = Cli(dir, withProfile);
      EXPECT_EQ(classic.out + classic.err + std::to_string(classic.status),
                plain.out + plain.err + std::to_string(plain.status))
          << command << type;
    }
  }
}

TEST(Cli, FixWithAProfileAndTheTimingFix) {
  test::TempDir dir;
  test::Put(dir / "in.sub", "{0}{100}This line is forty characters long, see?\n{110}{115}Hi\n{200}{400}Long\n");
  test::Put(dir / "rows.txt", "# teletext rows\ncharacters-per-line = 37\n");
  Result r = Cli(dir, "fix --profile rows.txt in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::Get(dir / "out.sub"),
            "{0}{100}This line is forty|characters long, see?\n{110}{115}Hi\n{200}{400}Long\n");
  r = Cli(dir, "fix --timing --profile netflix in.sub -o timed.sub");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Fixed the timing of 1 entry; 1 entry still breaks the netflix profile\n");
  EXPECT_EQ(test::Get(dir / "timed.sub"),
            "{0}{100}This line is forty characters long, see?\n{110}{131}Hi\n{200}{400}Long\n");

  test::Put(dir / "mine.txt", "# a channel of mine\nlines = 2\ncharacters-per-second = fast\n");
  r = Cli(dir, "check --profile mine.txt in.sub");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "linemend: mine.txt: line 3: characters-per-second is a number above 0 up to 1000 "
            "(\"17\", \"15.3\"), not 'fast'\n");
  for (const char* args : {"check --timing in.sub", "convert --profile netflix in.sub -o x.srt",
                           "check --profile netflix --profile bbc in.sub", "fix --timing in.sub"}) {
    r = Cli(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
  }
}

// --breaks chooses the break style over the profile's: the broadcasters'
// profiles break naturally, --breaks middle as classic does.
TEST(Cli, FixWithABreakStyle) {
  test::TempDir dir;
  test::Put(dir / "in.sub",
            "{0}{100}Vous devez faire \xE7"
            "a maintenant ? Oui, madame.\n");
  const std::pair<const char*, const char*> runs[] = {
      {"fix in.sub -o out.sub",
       "{0}{100}Vous devez faire \xE7"
       "a maintenant|? Oui, madame.\n"},
      {"fix --breaks natural in.sub -o out.sub",
       "{0}{100}Vous devez faire \xE7"
       "a maintenant ?|Oui, madame.\n"},
      {"fix --profile netflix in.sub -o out.sub",
       "{0}{100}Vous devez faire \xE7"
       "a maintenant ?|Oui, madame.\n"},
      {"fix --profile netflix --breaks=middle in.sub -o out.sub",
       "{0}{100}Vous devez faire \xE7"
       "a maintenant|? Oui, madame.\n"},
  };
  for (const auto& [args, written] : runs) {
    const Result r = Cli(dir, args);
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    EXPECT_EQ(test::Get(dir / "out.sub"), written) << args;
  }
  for (const char* args : {"fix --breaks pyramid in.sub -o out.sub", "check --breaks natural in.sub",
                           "fix --breaks natural --breaks middle in.sub -o out.sub"}) {
    const Result r = Cli(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
  }
  EXPECT_NE(Cli(dir, "--help").out.find("--breaks STYLE"), std::string::npos);
}

// A write that fails is no success: standard output onto a full disk, and
// a fix whose file could not be written reports no fix.
TEST(Cli, FailedWritesSayWhyAndReportNothingDone) {
  test::TempDir dir;
  test::Put(dir.File("long.sub"),
            Crlf({"{1}{2}a|b|c", "{3}{4}This is a rather long subtitle line that needs a break"}));
  for (const char* args : {"check long.sub", "check --json long.sub", "--help", "--version"}) {
    const int raw =
        std::system(("cd '" + dir.path() + "' && '" LINEMEND_CLI "' " + args + " >/dev/full 2>.err").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << args;
    EXPECT_EQ(test::Get(dir.File(".err")), "linemend: (standard output): No space left on device\n") << args;
  }
  const Result r = Cli(dir, "fix long.sub -o /dev/full");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "") << "no fix is reported for a file not written";
  EXPECT_EQ(r.err, "linemend: /dev/full: Cannot write the file: No space left on device\n");
  EXPECT_EQ(Cli(dir, "fix long.sub -o /dev/null").out, "I just fixed 2 lines, for You\n");
}

// check as grep does it: the file's own line numbers and lines, "FILE:"
// for several files or -H, /dev/null and pipes as files; JSON records
// alike for every format, refused files included, each written whole.
TEST(Cli, CheckPrintsEntriesAsTheFileHoldsThem) {
  test::TempDir dir;
  const std::string longLine(50, 'x');
  test::Put(dir.File("a.srt"), "1\n00:00:01,000 --> 00:00:02,000\nshort\n\n\n2\n00:00:03,000 --> 00:00:04,500\n" +
                                   longLine + "\n<i>b|c</i>\n\n");
  test::Put(dir.File("b.sub"), Crlf({"{1}{1}25", "", "{25}{50}" + longLine}));
  Result r = Cli(dir, "check a.srt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "6: 2\n7- 00:00:03,000 --> 00:00:04,500\n8- " + longLine + "\n9- <i>b|c</i>\n");
  r = Cli(dir, "check -H b.sub");
  EXPECT_EQ(r.out, "b.sub:3: {25}{50}" + longLine + "\n");
  for (const char* args : {"check b.sub /dev/null", "check --with-filename b.sub"}) {
    r = Cli(dir, args);
    EXPECT_EQ(r.status, 1) << args << r.err;
    EXPECT_EQ(r.out, "b.sub:3: {25}{50}" + longLine + "\n") << args;
  }
  r = Cli(dir, "check /dev/stdin < b.sub");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "3: {25}{50}" + longLine + "\n");

  r = Cli(dir, "check --json b.sub a.srt gone.srt");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            "{\"path\":\"b.sub\",\"format\":\"frame-based\",\"encoding\":\"Windows-1252\",\"entries\":1,"
            "\"tooLong\":[{\"entry\":2,\"line\":3,\"start\":1.000,\"stop\":2.000,\"lines\":[50]}],\"noTimes\":[]}\n"
            "{\"path\":\"a.srt\",\"format\":\"SubRip\",\"encoding\":\"UTF-8\",\"entries\":2,"
            "\"tooLong\":[{\"entry\":2,\"line\":6,\"start\":3.000,\"stop\":4.500,\"lines\":[50,3]}],\"noTimes\":[]}\n"
            "{\"path\":\"gone.srt\",\"error\":\"No such file or directory\"}\n");
  EXPECT_EQ(r.err, "linemend: gone.srt: No such file or directory\n");
  EXPECT_EQ(Cli(dir, "fix -H b.sub -o c.sub").status, 2);
}

// Read in one encoding, written in another: a Windows-1250 film to UTF-8
// SubRip, in place too; what the encoding cannot hold writes nothing.
TEST(Cli, WritesInTheOutputEncodingAsked) {
  test::TempDir dir;
  test::Put(dir.File("pl.sub"),
            "{1}{50}Mo\xBF"
            "e p\xF3jdziemy\r\n");
  Result r = Cli(dir, "convert pl.sub -o pl.srt --output-encoding UTF-8");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::Get(dir.File("pl.srt")),
            "1\r\n00:00:00,040 --> 00:00:02,000\r\nMo\xC5\xBC"
            "e p\xC3\xB3jdziemy\r\n\r\n");
  r = Cli(dir, "convert pl.sub -o bad.srt --output-encoding=Windows-1252");
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(Exists(dir.File("bad.srt")));
  EXPECT_EQ(Cli(dir, "fix -i pl.sub --output-encoding utf-8").status, 0);
  EXPECT_EQ(test::Get(dir.File("pl.sub")),
            "{1}{50}Mo\xC5\xBC"
            "e p\xC3\xB3jdziemy\r\n");
  EXPECT_EQ(Cli(dir, "fix pl.sub -o x.sub --output-encoding klingon").status, 2);
}

}  // namespace
}  // namespace lm
