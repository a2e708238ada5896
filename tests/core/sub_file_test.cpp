#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "document/sub_file.h"
#include "test_files.h"

namespace lm {
namespace {

using test::Get;
using test::Put;
using test::TempDir;

struct SplitCase {
  std::string content;
  std::vector<std::string> lines;
};

TEST(SplitSubtitleLines, LineEndsAndEmptyLines) {
  const SplitCase cases[] = {
      {"{1}{2}a\r\n\r\n{3}{4}b", {"{1}{2}a", "{3}{4}b"}},
      {"   \r\n", {"   "}},
      {"{1}{2}a\n{3}{4}b\n", {"{1}{2}a\n{3}{4}b\n"}},
      {"a\rb\r\rc", {"a", "b", "c"}},
      {"a\r\n", {"a"}},
      {"", {}},
      {"\r\n\r\n\r", {}},
  };
  for (const SplitCase& c : cases) {
    std::vector<std::string> lines;
    EXPECT_EQ(SplitSubtitleLines(c.content, lines), ReadStatus::Ok);
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(SplitSubtitleLines, CountsEmptyLinesTowardsTheLimit) {
  std::string ok, tooMany;
  for (int i = 0; i < kMaxFileLines; ++i) ok += (i % 2 ? "\r\n" : "{1}{2}x\r\n");
  std::vector<std::string> lines;
  EXPECT_EQ(SplitSubtitleLines(ok, lines), ReadStatus::Ok);
  EXPECT_EQ(lines.size(), static_cast<size_t>((kMaxFileLines + 1) / 2));
  tooMany = ok + "\r\n";
  EXPECT_EQ(SplitSubtitleLines(tooMany, lines), ReadStatus::TooManyLines);
  EXPECT_TRUE(lines.empty());
}

TEST(SubtitleFile, EveryByteSurvivesARoundTrip) {
  TempDir dir;
  std::string content;
  std::mt19937 rng(7);
  for (int line = 0; line < 200; ++line) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
      char c = static_cast<char>(rng() % 256);
      if (c != '\r') text += c;
    }
    content += "{" + std::to_string(line) + "}{9}" + text + "\r\n";
  }
  Put(dir.File("in.sub"), content);
  std::vector<std::string> lines;
  ASSERT_EQ(ReadSubtitleFile(dir.File("in.sub"), lines), ReadStatus::Ok);
  ASSERT_EQ(WriteSubtitleFile(dir.File("out.sub"), lines).status, WriteStatus::Ok);
  EXPECT_EQ(Get(dir.File("out.sub")), content);
}

TEST(SubtitleFile, WriteNormalisesLineEndsAndDropsEmptyLines) {
  TempDir dir;
  Put(dir.File("in.sub"), "{1}{2}a\r\n\r\n{3}{4}b\r  x \r\n");
  std::vector<std::string> lines;
  ASSERT_EQ(ReadSubtitleFile(dir.File("in.sub"), lines), ReadStatus::Ok);
  ASSERT_EQ(WriteSubtitleFile(dir.File("in.sub"), lines).status, WriteStatus::Ok);
  EXPECT_EQ(Get(dir.File("in.sub")), "{1}{2}a\r\n{3}{4}b\r\n  x \r\n");
}

TEST(SubtitleFile, ReadOnlyTargetIsNotReplaced) {
  TempDir dir;
  const std::string path = dir.File("ro.sub");
  Put(path, "old\r\n");
  ASSERT_TRUE(SetReadOnly(path, true));
  EXPECT_TRUE(IsReadOnly(path));
  EXPECT_EQ(WriteSubtitleFile(path, {"new"}).status, WriteStatus::ReadOnly);
  EXPECT_EQ(Get(path), "old\r\n");
  ASSERT_TRUE(SetReadOnly(path, false));
  EXPECT_EQ(WriteSubtitleFile(path, {"new"}).status, WriteStatus::Ok);
  EXPECT_EQ(Get(path), "new\r\n");
}

TEST(SubtitleFile, MissingFolderFailsWithoutLeavingAnything) {
  TempDir dir;
  EXPECT_EQ(WriteSubtitleFile(dir.File("no/such/x.sub"), {"a"}).status, WriteStatus::BadName);
  EXPECT_EQ(WriteSubtitleFile("", {"a"}).status, WriteStatus::BadName);
  std::vector<std::string> lines;
  EXPECT_EQ(ReadSubtitleFile(dir.File("none.sub"), lines), ReadStatus::CannotOpen);
  EXPECT_EQ(ReadSubtitleFile(dir.path(), lines), ReadStatus::CannotRead) << "a folder is no file";
}

TEST(ComposeFilePath, OneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(ComposeFilePath("c:\\", "a.sub"), "c:\\a.sub");
  EXPECT_EQ(ComposeFilePath("c:\\subs", "a.sub"), "c:\\subs\\a.sub");
  EXPECT_EQ(ComposeFilePath("/", "a.sub"), "/a.sub");
  EXPECT_EQ(ComposeFilePath("/home/u/subs", "a.sub"), "/home/u/subs/a.sub");
  EXPECT_EQ(FileNameOf("/home/u/a.sub"), "a.sub");
  EXPECT_EQ(FileNameOf("c:\\subs\\a.sub"), "a.sub");
}

class LoadTest : public ::testing::Test {
 protected:
  bool Load(const std::string& name) {
    return LoadSubtitleFile(doc, dir.path(), name, [this] {
      ++remembered;
      return rememberOk;
    });
  }
  TempDir dir;
  Document doc;
  int remembered = 0;
  bool rememberOk = true;
};

TEST_F(LoadTest, FirstEntryIsCurrentSelectedAndShown) {
  Put(dir.File("a.sub"), "{10}{20}Hello|World\r\n{30}{40}Next\r\n");
  doc.Changed = 1;
  ASSERT_TRUE(Load("a.sub"));
  EXPECT_EQ(remembered, 1);
  EXPECT_EQ(doc.List1.Count(), 2);
  EXPECT_EQ(doc.List1.ListIndex(), 0);
  EXPECT_EQ(doc.CurrentIndex, 0);
  EXPECT_EQ(doc.Text1(), "{10}{20}");
  EXPECT_EQ(doc.Label1, "Hello ");
  EXPECT_EQ(doc.FilePath, dir.File("a.sub"));
  EXPECT_EQ(doc.FileName, "a.sub");
  EXPECT_EQ(doc.Changed, 0);
}

TEST_F(LoadTest, ASecondLoadReplacesTheFirstDocument) {
  Put(dir.File("a.sub"), "{1}{2}a\r\n{3}{4}b\r\n");
  Put(dir.File("b.sub"), "{5}{6}c\r\n");
  ASSERT_TRUE(Load("a.sub"));
  ASSERT_TRUE(Load("b.sub"));
  EXPECT_EQ(doc.List1.Items(), std::vector<std::string>{"{5}{6}c"});
}

TEST_F(LoadTest, FailuresLeaveNoDocumentLoaded) {
  Put(dir.File("good.sub"), "{1}{2}a\r\n");
  Put(dir.File("blank.sub"), "\r\n\r\n");
  Put(dir.File("empty.sub"), "");
  Put(dir.File("brace.sub"), "}{1}x\r\n{1}{2}b\r\n");
  Put(dir.File("long.sub"), "{1}{2}" + std::string(40000, 'x') + "\r\n");
  std::string many;
  for (int i = 0; i <= kMaxFileLines; ++i) many += "{1}{2}a\r\n";
  Put(dir.File("many.sub"), many);
  for (const char* name : {"blank.sub", "empty.sub", "brace.sub", "long.sub", "many.sub", "none.sub"}) {
    ASSERT_TRUE(Load("good.sub"));
    EXPECT_FALSE(Load(name)) << name;
    EXPECT_TRUE(doc.NoDocument()) << name;
    EXPECT_EQ(doc.List1.Count(), 0) << name;
    EXPECT_TRUE(doc.FilePath.empty()) << name << ": a later Save must not write over it";
    EXPECT_EQ(doc.Label1, "") << name;
  }
  rememberOk = false;
  EXPECT_FALSE(Load("good.sub")) << "the remembered folder could not be written";
}

TEST_F(LoadTest, BinaryGarbageLoadsAsEntries) {
  std::string junk;
  std::mt19937 rng(3);
  for (int i = 0; i < 100000; ++i) junk += static_cast<char>(rng() % 256);
  Put(dir.File("junk.sub"), "{1}{2}start\r\n" + junk);
  ASSERT_TRUE(Load("junk.sub"));
  EXPECT_GT(doc.List1.Count(), 1);
}

TEST_F(LoadTest, ReloadReplacesTheDocumentButAFailedOneKeepsIt) {
  Put(dir.File("a.sub"), "{1}{2}a\r\n");
  Put(dir.File("b.sub"), "{3}{4}b\r\n{5}{6}c\r\n");
  Put(dir.File("blank.sub"), "\r\n");
  ASSERT_TRUE(Load("a.sub"));
  EXPECT_FALSE(ReloadSubtitleFile(doc, dir.File("none.sub")));
  EXPECT_FALSE(ReloadSubtitleFile(doc, dir.File("blank.sub")));
  EXPECT_FALSE(ReloadSubtitleFile(doc, ""));
  EXPECT_EQ(doc.List1.Items(), std::vector<std::string>{"{1}{2}a"});
  doc.Changed = 1;
  ASSERT_TRUE(ReloadSubtitleFile(doc, dir.File("b.sub")));
  EXPECT_EQ(doc.List1.Count(), 2);
  EXPECT_EQ(doc.Text1(), "{3}{4}");
  EXPECT_EQ(doc.FileName, "b.sub");
  EXPECT_EQ(doc.Changed, 0);
}

}  // namespace
}  // namespace lm
