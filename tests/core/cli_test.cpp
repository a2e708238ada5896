// Runs the real linemend program on files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using Lines = std::vector<std::string>;

// The folder the program runs in; `dir / "x.sub"` names a file in it.
struct TempDir : lm::test::TempDir {
  std::string operator/(const std::string& name) const { return File(name); }
};

const auto Read = lm::test::Get;
const auto Write = lm::test::Put;

std::string Crlf(const Lines& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

struct Result {
  int status = -1;
  std::string out, err;
};

// Runs the program inside the folder, so that relative names stay as typed.
Result RunCli(const TempDir& dir, const std::string& args) {
  const std::string command = "cd '" + dir.path() + "' && '" LINEMEND_CLI "' " + args +
                              " >.stdout 2>.stderr";
  Result r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = Read(dir / ".stdout");
  r.err = Read(dir / ".stderr");
  return r;
}

const Lines kSeven = {
    "{100}{200}This is a rather long subtitle line that needs a break",
    "{250}{300}Short one",
    "{500}{600}-Where are you going?|-Out to the|garden.",
    "{700}{800}First line|second line|third line here",
    "{900}{1100}We have been walking for hours and hours|along the river bank and nobody has "
    "seen a single boat",
    "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    "{1400}{1500}Fine|lines",
    "x10}y20}Hi"};  // not in normal form: must come back byte for byte

TEST(Cli, FixWritesTheFixedDocumentAndNamesTheEntryLeft) {
  TempDir dir;
  Write(dir / "in.sub", Crlf(kSeven));
  Result r = RunCli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "I just fixed 4 lines, for You\nstill too long: entry 7\n");
  EXPECT_EQ(Read(dir / "out.sub"),
            Crlf({"{100}{200}This is a rather long subtitle|line that needs a break",
                  "{250}{300}Short one", "{500}{600}-Where are you going?|-Out to the garden.",
                  "{700}{800}First line second|line third line here",
                  "{900}{1000}We have been walking for|hours and hours along",
                  "{1001}{1100} the river bank and nobody|has seen a single boat",
                  "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                  "{1400}{1500}Fine|lines", "x10}y20}Hi"}));
  EXPECT_EQ(Read(dir / "in.sub"), Crlf(kSeven)) << "the input is not touched";
}

TEST(Cli, FixWithNothingToDoCopiesTheEntries) {
  TempDir dir;
  Write(dir / "in.sub", "{1}{2}One\n\r{3}{4}Two|lines");  // lone LF kept, last line bare
  Result r = RunCli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "No new changes\n");
  EXPECT_EQ(Read(dir / "out.sub"), "{1}{2}One\n\r\n{3}{4}Two|lines\r\n");
}

TEST(Cli, RemoveHearingImpaired) {
  TempDir dir;
  Write(dir / "in.sub", Crlf({"{1}{2}[music]", "{3}{4}[applause]", "{5}{6}Hello [sighs] there",
                              "{7}{8}{y:i}Whisper [door slams]", "{9}{10}[man] Hi [laughs]",
                              "{11}{12}a [b] c [d", "{13}{14}Hi{y:i}"}));
  Result r = RunCli(dir, "remove-hi in.sub -o out.sub");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "I fixed 6 lines for You\n");
  EXPECT_EQ(Read(dir / "out.sub"), Crlf({"{5}{6}Hello  there", "{7}{8}Whisper ",
                                         "{11}{12}a [b] c [d", "{13}{14}Hi{y:i}"}));
}

TEST(Cli, RemoveHearingImpairedReportsAFault) {
  TempDir dir;
  Write(dir / "in.sub", Crlf({"{1}{2}[music]", "{3}{4}" + std::string(40000, 'x')}));
  Result r = RunCli(dir, "remove-hi in.sub -o out.sub");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Some shit\n");
  EXPECT_EQ(Read(dir / "out.sub"), Crlf({"{3}{4}" + std::string(40000, 'x')}));
}

TEST(Cli, CheckListsTheEntriesStillTooLong) {
  TempDir dir;
  Write(dir / "in.sub", Crlf(kSeven));
  Result r = RunCli(dir, "check in.sub");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "1: " + kSeven[0] + "\n3: " + kSeven[2] + "\n4: " + kSeven[3] + "\n5: " +
                       kSeven[4] + "\n6: " + kSeven[5] + "\n");

  Write(dir / "fine.sub", Crlf({"{1}{2}Hello|World", "{3}{4}Bye"}));
  r = RunCli(dir, "check fine.sub");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

struct FailureCase {
  const char* name;
  const char* args;
  int status;
  const char* err;  // expected at the start of standard error
};

class CliFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CliFailureTest, ExitsWithAClearMessageAndWritesNothing) {
  const FailureCase& c = GetParam();
  TempDir dir;
  Write(dir / "in.sub", Crlf({"{1}{2}Hello"}));
  Write(dir / "empty.sub", "\r\n\r\n");
  Result r = RunCli(dir, c.args);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
  EXPECT_FALSE(Exists(dir / "out.sub"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFailureTest,
    ::testing::Values(
        FailureCase{"Missing", "fix missing.sub -o out.sub", 2, "linemend: missing.sub: No such file"},
        FailureCase{"Corrupt", "fix empty.sub -o out.sub", 2, "linemend: empty.sub: File Corrupt!"},
        FailureCase{"CheckCorrupt", "check ./empty.sub", 2, "linemend: ./empty.sub: File Corrupt!"},
        FailureCase{"NoOutputFolder", "fix in.sub -o nowhere/out.sub", 2,
                    "linemend: nowhere/out.sub: "},
        FailureCase{"NoArguments", "", 2, "linemend: no command given\nUsage:"},
        FailureCase{"UnknownCommand", "mend in.sub", 2, "linemend: unknown command 'mend'"},
        FailureCase{"NoOutput", "fix in.sub", 2, "linemend: fix needs -o OUT.sub"},
        FailureCase{"DanglingOption", "remove-hi in.sub -o", 2, "linemend: -o needs a file name"},
        FailureCase{"TwoInputs", "check in.sub in.sub", 2, "linemend: more than one input file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, ReadOnlyOutputIsLeftAlone) {
  TempDir dir;
  Write(dir / "in.sub", Crlf({"{1}{2}Hello"}));
  Write(dir / "out.sub", "precious");
  ::chmod((dir / "out.sub").c_str(), 0444);
  Result r = RunCli(dir, "fix in.sub -o out.sub");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("linemend: out.sub: ", 0), 0u) << r.err;
  EXPECT_EQ(Read(dir / "out.sub"), "precious");
}

TEST(Cli, HelpPrintsUsage) {
  TempDir dir;
  Result r = RunCli(dir, "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage:", 0), 0u);
  EXPECT_NE(r.out.find("linemend check IN.sub"), std::string::npos);
}

}  // namespace
