// "directory.txt" and "savedir.txt".
#include "windows/remembered_folders.h"

#include <gtest/gtest.h>

#include "support.h"

namespace lm {
namespace {

TEST(Fields, ReadAsTheyAreWritten) {
  struct {
    std::string content;
    std::vector<std::string> fields;
  } cases[] = {
      {QuoteField("C:\\subs") + QuoteField("C:\\subs\\film.sub"), {"C:\\subs", "C:\\subs\\film.sub"}},
      {QuoteField("/tmp/a,b") + QuoteField("/tmp/a,b/x, y.sub"), {"/tmp/a,b", "/tmp/a,b/x, y.sub"}},
      {"plain, second\r\n", {"plain", "second"}},
      {"  \"x\"junk,\"y\"\r\n", {"x", "y"}},
      {"\"a\"\r\"b\"\n\"c\"", {"a", "b", "c"}},
      {"\"open", {"open"}},
      {"", {}},
      {"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadFields(c.content), c.fields) << c.content;
}

TEST(Fields, RootsCToFAreCutSoTheSeparatorIsNotDoubled) {
  EXPECT_EQ(RememberedFilePath("c:\\", "film.sub"), "c:\\film.sub");
  EXPECT_EQ(RememberedFilePath("f:\\", "film.sub"), "f:\\film.sub");
  EXPECT_EQ(RememberedFilePath("g:\\", "film.sub"), "g:\\\\film.sub");
  EXPECT_EQ(RememberedFilePath("C:\\", "film.sub"), "C:\\\\film.sub");
  EXPECT_EQ(RememberedFilePath("c:\\subs", "film.sub"), "c:\\subs\\film.sub");
  EXPECT_EQ(RememberedFilePath("/home/u", "film.sub"), "/home/u/film.sub");
}

TEST(RememberedFolders, WriteAndReadBack) {
  test::TempDir dir;
  RememberedFolders folders(dir.path());
  std::string open, last;
  EXPECT_FALSE(folders.ReadDirectory(open, last));
  ASSERT_TRUE(folders.WriteDirectory("/tmp/a,b", "/tmp/a,b", "x.sub"));
  EXPECT_EQ(test::Get(dir.File("directory.txt")), "\"/tmp/a,b\"\r\n\"/tmp/a,b/x.sub\"\r\n");
  ASSERT_TRUE(folders.ReadDirectory(open, last));
  EXPECT_EQ(open + " " + last, "/tmp/a,b /tmp/a,b/x.sub");
  test::Put(dir.File("directory.txt"), "\"only one\"\r\n");
  EXPECT_FALSE(folders.ReadDirectory(open, last));
  ASSERT_TRUE(folders.WriteSaveDir("/out"));
  EXPECT_EQ(test::Get(dir.File("savedir.txt")), "\"/out\"\r\n");
}

}  // namespace
}  // namespace lm
