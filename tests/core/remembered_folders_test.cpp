#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "document/sub_file.h"
#include "test_files.h"
#include "windows/remembered_folders.h"

namespace lm {
namespace {

using test::Get;
using test::Put;
using ProgramFolder = test::TempDir;

TEST(QuoteField, QuotesAndEndsTheLine) {
  EXPECT_EQ(QuoteField("C:\\subs"), "\"C:\\subs\"\r\n");
  EXPECT_EQ(QuoteField(""), "\"\"\r\n");
}

struct FieldsCase {
  const char* name;
  std::string content;
  std::vector<std::string> fields;
};

class ReadFieldsTest : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(ReadFieldsTest, ReadsAsWritten) { EXPECT_EQ(ReadFields(GetParam().content), GetParam().fields); }

INSTANTIATE_TEST_SUITE_P(
    Fields, ReadFieldsTest,
    ::testing::Values(
        FieldsCase{"QuotedLines", "\"C:\\subs\"\r\n\"C:\\subs\\film.sub\"\r\n",
                   {"C:\\subs", "C:\\subs\\film.sub"}},
        FieldsCase{"CommaInsideQuotes", "\"/tmp/a,b\"\r\n\"/tmp/a,b/x, y.sub\"\r\n",
                   {"/tmp/a,b", "/tmp/a,b/x, y.sub"}},
        FieldsCase{"UnquotedSplitAtCommas", "abc,def\r\nghi", {"abc", "def", "ghi"}},
        FieldsCase{"BlanksBeforeAFieldSkipped", "   \"x\"\r\n  y  \r\n", {"x", "y"}},
        FieldsCase{"TextAfterClosingQuotePassedOver", "\"x\"junk,\"y\"", {"x", "y"}},
        FieldsCase{"LoneCrAndLoneLfEndLines", "\"a\"\r\"b\"\n\"c\"", {"a", "b", "c"}},
        FieldsCase{"UnterminatedQuoteRunsToTheEnd", "\"open", {"open"}},
        FieldsCase{"EmptyContentHasNoField", "", {}},
        FieldsCase{"OnlyBlanksHasNoField", "   ", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RememberedFilePath, CutsOnlyLowerCaseRootsCToF) {
  const struct {
    const char* folder;
    const char* expected;
  } cases[] = {
      {"c:\\", "c:\\film.sub"},        {"d:\\", "d:\\film.sub"},
      {"f:\\", "f:\\film.sub"},        {"g:\\", "g:\\\\film.sub"},
      {"C:\\", "C:\\\\film.sub"},      {"c:\\subs", "c:\\subs\\film.sub"},
      {"/", "/film.sub"},              {"/home/u/subs", "/home/u/subs/film.sub"},
  };
  for (const auto& c : cases) EXPECT_EQ(RememberedFilePath(c.folder, "film.sub"), c.expected) << c.folder;
}

TEST(ComposeFilePath, RootsAndEmptyNames) {
  // The load's path keeps one separator where the remembered path doubles it.
  EXPECT_EQ(ComposeFilePath("g:\\", "film.sub"), "g:\\film.sub");
  EXPECT_EQ(ComposeFilePath("/tmp/out/", "film.sub"), "/tmp/out/film.sub");
  // A name box with no file loaded ends in the separator.
  EXPECT_EQ(ComposeFilePath("/tmp/out", ""), "/tmp/out/");
  EXPECT_EQ(ComposeFilePath("d:\\out", ""), "d:\\out\\");
}

TEST(RememberedFolders, DirectoryFileRoundTripKeepsCommas) {
  ProgramFolder program;
  RememberedFolders folders(program.path());
  ASSERT_TRUE(folders.WriteDirectory("/data/a,b", "/data/a,b", "x,y.sub"));
  EXPECT_EQ(Get(program.File("directory.txt")), "\"/data/a,b\"\r\n\"/data/a,b/x,y.sub\"\r\n");
  std::string folder, file;
  ASSERT_TRUE(folders.ReadDirectory(folder, file));
  EXPECT_EQ(folder, "/data/a,b");
  EXPECT_EQ(file, "/data/a,b/x,y.sub");
}

TEST(RememberedFolders, WindowsStyleRootsInTheDirectoryFile) {
  ProgramFolder program;
  RememberedFolders folders(program.path());
  ASSERT_TRUE(folders.WriteDirectory("c:\\", "c:\\", "film.sub"));
  EXPECT_EQ(Get(program.File("directory.txt")), "\"c:\\\"\r\n\"c:\\film.sub\"\r\n");
  ASSERT_TRUE(folders.WriteDirectory("g:\\", "g:\\", "film.sub"));
  EXPECT_EQ(Get(program.File("directory.txt")), "\"g:\\\"\r\n\"g:\\\\film.sub\"\r\n");
}

TEST(RememberedFolders, MissingOrShortDirectoryFileFails) {
  ProgramFolder program;
  RememberedFolders folders(program.path());
  std::string folder = "kept", file = "kept";
  EXPECT_FALSE(folders.ReadDirectory(folder, file));
  Put(program.File("directory.txt"), "\"/only/one\"\r\n");
  EXPECT_FALSE(folders.ReadDirectory(folder, file));
  Put(program.File("directory.txt"), "");
  EXPECT_FALSE(folders.ReadDirectory(folder, file));
  EXPECT_EQ(folder, "kept");
  EXPECT_EQ(file, "kept");
}

TEST(RememberedFolders, SaveDirIsOneQuotedLine) {
  ProgramFolder program;
  RememberedFolders folders(program.path());
  ASSERT_TRUE(folders.WriteSaveDir("/out/x, y"));
  EXPECT_EQ(Get(program.File("savedir.txt")), "\"/out/x, y\"\r\n");
  EXPECT_EQ(folders.SaveDirFile(), program.File("savedir.txt"));
}

TEST(RememberedFolders, WritingIntoAMissingProgramFolderFails) {
  ProgramFolder program;
  RememberedFolders folders(program.File("gone"));
  EXPECT_FALSE(folders.WriteDirectory("/a", "/a", "b.sub"));
  EXPECT_FALSE(folders.WriteSaveDir("/a"));
}

}  // namespace
}  // namespace lm
