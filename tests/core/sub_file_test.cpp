// Reading and writing .sub files: line ends, limits, encodings, and the
// load that replaces a document only once the new one has been read.
#include <gtest/gtest.h>

#include "document/sub_file.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

struct SplitCase {
  const char* name;
  std::string content;
  Lines lines;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, IntoEntries) {
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(GetParam().content, file), ReadStatus::Ok);
  EXPECT_EQ(file.lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Split,
    ::testing::Values(SplitCase{"EmptyLinesSkipped", "{1}{2}a\r\n\r\n{3}{4}b\r\n", {"{1}{2}a", "{3}{4}b"}},
                      SplitCase{"LoneCrEndsALine", "a\rb", {"a", "b"}},
                      SplitCase{"LoneLfStaysInTheLine", "a\nb\n", {"a\nb\n"}},
                      SplitCase{"BlanksAreAnEntry", "   \r\n", {"   "}},
                      SplitCase{"NoLines", "\r\n\r\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Split, CountsEmptyLinesAgainstTheLimit) {
  std::string content;
  for (int i = 0; i < 32767; ++i) content += i % 2 ? "\r\n" : "x\r\n";
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile(content, file), ReadStatus::Ok);
  EXPECT_EQ(ParseSubtitleFile(content + "\r\n", file), ReadStatus::TooManyLines);
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  Encoding encoding;
  std::string firstLine;  // as held, UTF-8
};
void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }

class Encodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(Encodings, AreDetectedAndKeptByteForByte) {
  const EncodingCase& c = GetParam();
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(c.bytes, file), ReadStatus::Ok);
  EXPECT_EQ(file.encoding, c.encoding);
  EXPECT_EQ(file.lines.front(), c.firstLine);
  std::string written;
  ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.encoding, written));
  EXPECT_EQ(written, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Encodings,
    ::testing::Values(
        EncodingCase{"Ascii", "{1}{2}plain\r\n", Encoding::Windows1252, "{1}{2}plain"},
        EncodingCase{"Windows1252", "{1}{2}h\xE5n \x80\x81\r\n", Encoding::Windows1252,
                     "{1}{2}h\xC3\xA5n \xE2\x82\xAC\xC2\x81"},
        EncodingCase{"Utf8", "{1}{2}h\xC3\xA5n\r\n", Encoding::Utf8, "{1}{2}h\xC3\xA5n"},
        EncodingCase{"Utf8WithMark", "\xEF\xBB\xBF{1}{2}x\r\n", Encoding::Utf8Bom, "{1}{2}x"},
        EncodingCase{"MarkButNotUtf8", "\xEF\xBB\xBF{1}{2}\xE5\r\n", Encoding::Windows1252,
                     "\xC3\xAF\xC2\xBB\xC2\xBF{1}{2}\xC3\xA5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Encodings, EveryByteOfA1252FileSurvives) {
  std::string bytes;
  for (int b = 1; b < 256; ++b)
    if (b != '\r') bytes += static_cast<char>(b);
  bytes += "\xC3\r\n";  // an invalid UTF-8 sequence keeps the file 8-bit
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(bytes, file), ReadStatus::Ok);
  std::string written;
  ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.encoding, written));
  EXPECT_EQ(written, bytes);
  EXPECT_FALSE(EncodeSubtitleFile({"\xE2\x98\x83"}, Encoding::Windows1252, written))
      << "a snowman has no byte in the code page";
}

TEST(Load, ReplacesTheDocumentOnlyOnceTheFileIsRead) {
  test::TempDir dir;
  test::Put(dir.File("good.sub"), "{1}{2}a\r\n\r\n{3}{4}b");
  test::Put(dir.File("blank.sub"), "\r\n\r\n");
  test::Put(dir.File("brace.sub"), "}1}{2}x\r\n");
  Document doc;
  bool remembered = false;
  test::Run(doc, [&] {
    ASSERT_TRUE(LoadSubtitleFile(doc, dir.path(), "good.sub", [&] { return remembered = true; }));
  });
  EXPECT_TRUE(remembered);
  EXPECT_EQ(doc.List1.Items(), (Lines{"{1}{2}a", "{3}{4}b"}));
  EXPECT_EQ(doc.FilePath(), dir.File("good.sub"));
  EXPECT_EQ(doc.Text1(), "{1}{2}");
  test::Run(doc, [&] { doc.SetItem(0, "{1}{2}changed"); });
  for (const char* bad : {"blank.sub", "brace.sub", "missing.sub", "good.sub"}) {
    // The last fails for a remembered folder that cannot be written.
    test::Run(doc, [&] {
      EXPECT_FALSE(LoadSubtitleFile(doc, dir.path(), bad, [&] { return std::string(bad) != "good.sub"; })) << bad;
    });
    EXPECT_EQ(doc.List1.Item(0) + doc.FilePath(), "{1}{2}changed" + dir.File("good.sub")) << bad;
    EXPECT_EQ(doc.Changed(), 1) << bad;
  }
  test::Run(doc, [&] { EXPECT_TRUE(ReloadSubtitleFile(doc, dir.File("good.sub"))); });
  EXPECT_EQ(doc.Changed(), 0);
  EXPECT_FALSE(doc.CanUndo()) << "a new document starts a new history";
}

TEST(Save, WritesEveryEntryWithCrLfInTheFilesEncoding) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"), "\xEF\xBB\xBF{1}{2}\xC3\xA5\n  x}\r\n\r\n{3}{4}b");
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleFile(doc, dir.path(), "in.sub", nullptr)); });
  ASSERT_TRUE(WriteDocument(doc, dir.File("out.sub")).ok());
  EXPECT_EQ(test::Get(dir.File("out.sub")), "\xEF\xBB\xBF{1}{2}\xC3\xA5\n  x}\r\n{3}{4}b\r\n");
}

TEST(Paths, OneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(ComposeFilePath("c:\\", "a.sub"), "c:\\a.sub");
  EXPECT_EQ(ComposeFilePath("c:\\subs", "a.sub"), "c:\\subs\\a.sub");
  EXPECT_EQ(ComposeFilePath("/", "a.sub"), "/a.sub");
  EXPECT_EQ(ComposeFilePath("/subs", "a.sub"), "/subs/a.sub");
  EXPECT_EQ(FileNameOf("/subs/a.sub"), "a.sub");
}

}  // namespace
}  // namespace lm
