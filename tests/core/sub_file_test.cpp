// Reading and writing .sub files as they come: line ends, encodings and
// their override, files that are not frame-based, limits, and the load that
// replaces a document only once the new one has been read.
#include <gtest/gtest.h>

#include "files/text_file.h"
#include "formats/ebustl/ebustl.h"
#include "formats/mpl2/mpl2.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "formats/subviewer/subviewer.h"
#include "formats/tmplayer/tmplayer.h"
#include "formats/ttml/ttml.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

// ------------------------------------------------------------ line ends

struct SplitCase {
  const char* name;
  std::string content;
  Lines lines;
  LineEnd style;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, IntoEntriesAndTheirLineEndStyle) {
  std::vector<std::string_view> all;
  LineEnd style = LineEnd::CrLf;
  SplitLines(GetParam().content, all, style);
  std::vector<std::string> lines;
  for (const std::string_view line : all)
    if (!line.empty()) lines.emplace_back(line);
  EXPECT_EQ(lines, GetParam().lines);
  EXPECT_EQ(style, GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Split,
    ::testing::Values(
        SplitCase{"CrLfEmptyLinesSkipped", "{1}{2}a\r\n\r\n{3}{4}b\r\n", {"{1}{2}a", "{3}{4}b"}, LineEnd::CrLf},
        SplitCase{"LfAlone", "{1}{2}a\n\n{3}{4}b\n", {"{1}{2}a", "{3}{4}b"}, LineEnd::Lf},
        SplitCase{"LfWithoutTheLastEnd", "a\nb", {"a", "b"}, LineEnd::Lf},
        SplitCase{"LoneCr", "a\rb", {"a", "b"}, LineEnd::CrLf},
        SplitCase{"Mixed", "a\nb\r\nc\rd\n", {"a", "b", "c", "d"}, LineEnd::CrLf},
        SplitCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "b"}, LineEnd::CrLf},
        SplitCase{"OneLineNoEnd", "a", {"a"}, LineEnd::CrLf},
        SplitCase{"BlanksAreAnEntry", "   \n", {"   "}, LineEnd::Lf}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Split, CountsEmptyLinesAgainstTheLimitWhateverTheirEnds) {
  for (const char* end : {"\r\n", "\n"}) {
    std::string content;
    for (int i = 0; i < 32767; ++i) content += (i % 2 ? "" : "{1}{2}x") + std::string(end);
    SubtitleFile file;
    EXPECT_EQ(ParseSubtitleFile(content, file), ReadStatus::Ok);
    EXPECT_EQ(ParseSubtitleFile(content + end, file), ReadStatus::TooManyLines);
  }
}

TEST(LineEnds, AnLfFileIsWrittenBackUnchangedAndAMixedOneWithCrLf) {
  const std::string lf = "{1}{2}This is a rather long subtitle line\n{3}{4}b\n";
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(lf, file), ReadStatus::Ok);
  EXPECT_EQ(file.lines.size(), 2u) << "each LF ends an entry";
  std::string written;
  ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.identity, written));
  EXPECT_EQ(written, lf);
  ASSERT_EQ(ParseSubtitleFile("{1}{2}a\n{3}{4}b\r\n{5}{6}c\r", file), ReadStatus::Ok);
  ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.identity, written));
  EXPECT_EQ(written, "{1}{2}a\r\n{3}{4}b\r\n{5}{6}c\r\n");
}

// ------------------------------------------------------------ encodings

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
  EXPECT_EQ(EncodingName(file.identity.encoding), std::string(EncodingName(c.encoding)));
  EXPECT_EQ(file.lines.front(), c.firstLine);
  std::string written;
  ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.identity, written));
  EXPECT_EQ(written, c.bytes);
}

// Real films' lines, in the code pages they come in.
const std::string kPolish1250 =
    "{1}{50}Dzie\xF1 dobry, jak si\xEA masz?|Wszystko w porz\xB9"
    "dku.\n"
    "{60}{120}\x8Fle si\xEA czuj\xEA, \x9Clicznie dzi\xEAkuj\xEA.\n"
    "{130}{200}Mo\xBF"
    "e p\xF3jdziemy na spacer? \xA3\xF3"
    "d\x9F jest pi\xEAkna.\n";
const std::string kRussian1251 =
    "{1}{50}\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0?|\xC2\xF1\xB8 \xF5\xEE\xF0\xEE\xF8\xEE, "
    "\xF1\xEF\xE0\xF1\xE8\xE1\xEE.\r\n"
    "{60}{120}\xCC\xFB \xEF\xEE\xE9\xE4\xB8\xEC \xE3\xF3\xEB\xFF\xF2\xFC \xF1\xE5\xE3\xEE\xE4\xED\xFF "
    "\xE2\xE5\xF7\xE5\xF0\xEE\xEC.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, Encodings,
    ::testing::Values(EncodingCase{"Ascii", "{1}{2}plain\r\n", Encoding::Windows1252, "{1}{2}plain"},
                      EncodingCase{"Windows1252", "{1}{2}h\xE5n \x80\x81\r\n", Encoding::Windows1252,
                                   "{1}{2}h\xC3\xA5n \xE2\x82\xAC\xC2\x81"},
                      EncodingCase{"Windows1250", kPolish1250, Encoding::Windows1250,
                                   "{1}{50}Dzień dobry, jak się masz?|Wszystko w porządku."},
                      EncodingCase{"Windows1251", kRussian1251, Encoding::Windows1251,
                                   "{1}{50}Привет, как дела?|Всё хорошо, спасибо."},
                      EncodingCase{"Utf8", "{1}{2}h\xC3\xA5n\n", Encoding::Utf8, "{1}{2}h\xC3\xA5n"},
                      EncodingCase{"Utf8WithMark", "\xEF\xBB\xBF{1}{2}x\r\n", Encoding::Utf8Bom, "{1}{2}x"},
                      EncodingCase{"MarkButNotUtf8", "\xEF\xBB\xBF{1}{2}\xE5\r\n", Encoding::Windows1252,
                                   "\xC3\xAF\xC2\xBB\xC2\xBF{1}{2}\xC3\xA5"},
                      EncodingCase{"Utf16LittleEndian", std::string("\xFF\xFE{\0001\0}\0{\0002\0}\0\xE5\0\n\0", 18),
                                   Encoding::Utf16LE, "{1}{2}\xC3\xA5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Encodings, EveryByteSurvivesInEveryCodePage) {
  std::string bytes = "{1}{2}";
  for (int b = 1; b < 256; ++b)
    if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
  bytes += "\r\n";
  for (Encoding e : ChoosableEncodings()) {
    if (!IsSingleByte(e)) continue;
    SubtitleFile file;
    ASSERT_EQ(ParseSubtitleFile(bytes, file, e), ReadStatus::Ok) << EncodingName(e);
    EXPECT_EQ(CharCount(file.lines.front()), 6 + 253) << "one character a byte in " << EncodingName(e);
    std::string written;
    ASSERT_TRUE(EncodeSubtitleFile(file.lines, file.identity, written));
    EXPECT_EQ(written, bytes) << EncodingName(e);
  }
  std::string written;
  EXPECT_FALSE(EncodeSubtitleFile({"\xE2\x98\x83"}, Encoding::Windows1252, written))
      << "a snowman has no byte in the code page";
}

TEST(Encodings, TheUserMayNameAnotherEncoding) {
  SubtitleFile file;
  // Read the Polish file as Windows-1252 and as Windows-1250 again.
  ASSERT_EQ(ParseSubtitleFile(kPolish1250, file, Encoding::Windows1252), ReadStatus::Ok);
  EXPECT_EQ(file.lines.front(), "{1}{50}Dzieñ dobry, jak siê masz?|Wszystko w porz¹dku.");
  ASSERT_EQ(ParseSubtitleFile(kPolish1250, file, EncodingFromName("cp1250")), ReadStatus::Ok);
  EXPECT_EQ(file.lines.front(), "{1}{50}Dzień dobry, jak się masz?|Wszystko w porządku.");
  EXPECT_EQ(ParseSubtitleFile(kPolish1250, file, Encoding::Utf8), ReadStatus::NotInEncoding);
  EXPECT_EQ(EncodingFromName("Latin2"), Encoding::Iso8859_2);
  EXPECT_EQ(EncodingFromName("UTF8"), Encoding::Utf8);
  EXPECT_FALSE(EncodingFromName("klingon"));
}

// ------------------------------------------------------------ what is refused

struct RefusalCase {
  const char* name;
  std::string bytes;
  std::string looksLike;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refused, SayingWhatTheFileLooksLike) {
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile(GetParam().bytes, file), ReadStatus::Unrecognised);
  EXPECT_EQ(file.looksLike, GetParam().looksLike);
  EXPECT_TRUE(file.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, Refused,
    ::testing::Values(
        RefusalCase{"Sami", "<SAMI>\n<BODY>\n<SYNC Start=1000><P Class=ENCC>Hello\n</BODY>\n</SAMI>\n", "SAMI"},
        RefusalCase{"Scc", "Scenarist_SCC V1.0\n\n00:00:01:00\t9420 9420 94ae 94ae\n\n00:00:02:00\t942c 942c\n",
                    "Scenarist SCC"},
        RefusalCase{"SpruceStl",
                    "$FontName = Arial\n00:00:01:00 , 00:00:03:00 , Hello|there\n"
                    "00:00:04:00 , 00:00:05:00 , Bye\n",
                    "Spruce STL"},
        RefusalCase{"VobSubImages", std::string("\x00\x00\x01\xBA\x44\x00\x04\x00{1}{2}\r\n", 14), "VobSub image data"},
        RefusalCase{"NulBytes", std::string("{1}{2}a\0b\r\n", 11), "binary data"},
        RefusalCase{"PlainText", "Dear diary,\nit rained.\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Files once refused by what they looked like, read since their formats are.
TEST(Loaded, FilesOnceRefusedByTheirLooks) {
  const std::string format = std::string(kFormatLine);
  const struct {
    const char* name;
    std::string bytes;
    const Format* format;
    Lines lines;
  } cases[] = {
      {"SubViewer",
       "[INFORMATION]\r\n[TITLE]Film\r\n[END INFORMATION]\r\n00:00:01.00,00:00:03.00\r\nHello[br]there\r\n",
       &SubViewer2(),
       {format + "[INFORMATION]", format + "[TITLE]Film", format + "[END INFORMATION]",
        "{00:00:01.00}{00:00:03.00}Hello|there"}},
      {"SubViewerWithoutHeader",
       "00:00:01.00,00:00:03.00\nHello\n\n00:00:04.00,00:00:05.00\nBye\n",
       &SubViewer2(),
       {"{00:00:01.00}{00:00:03.00}Hello", "{00:00:04.00}{00:00:05.00}Bye"}},
      {"Mpl2", "[10][30]Hello\n[40][50]/Bye\n", &Mpl2(), {"{10}{30}Hello", "{40}{50}/Bye"}},
      {"Mpl2OpenEnded", "[10][]Hello\n[40][]Bye\n", &Mpl2(), {"{10}{40}Hello", "{40}{90}Bye"}},
      {"Ttml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tt xmlns=\"http://www.w3.org/ns/ttml\">\n<body><div>\n"
       "<p begin=\"00:00:01.000\" end=\"00:00:02.000\">Hello</p>\n</div></body></tt>\n",
       &Ttml(),
       {format + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", format + "<tt xmlns=\"http://www.w3.org/ns/ttml\">",
        format + "<body><div>", "{00:00:01.000}{00:00:02.000}Hello", format + "</div></body></tt>"}},
      {"TmPlayer",
       "0:00:01:Hello\n0:00:04=Bye|there\n",
       &TmPlayer(),
       {"{0:00:01}{00:00:04}Hello", "{0:00:04}{00:00:09}Bye|there"}},
      // A block of blanks and one of NUL bytes: 112 black-text codes.
      {"EbuStl",
       "850STL25.01" + std::string(1013, ' ') + std::string(128, '\0'),
       &EbuStl(),
       {format + "EBU STL STL25.01 (25 fps), code table \"  \", 23 rows, 1 subtitle", "{0}{0}" +
                                                                                          [] {
                                                                                            std::string codes;
                                                                                            for (int k = 0; k < 112;
                                                                                                 ++k)
                                                                                              codes += ControlMark(0);
                                                                                            return codes;
                                                                                          }()}},
  };
  for (const auto& c : cases) {
    SubtitleFile file;
    ASSERT_EQ(ParseSubtitleFile(c.bytes, file), ReadStatus::Ok) << c.name;
    EXPECT_EQ(file.identity.readAs, c.format) << c.name;
    EXPECT_EQ(file.lines, c.lines) << c.name;
  }
}

// Refused by its name once, a WebVTT file is read: its header a line of the
// file's own, its cue an entry.
TEST(Loaded, AWebVttFileByItsHeader) {
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile("WEBVTT\n\n00:01.000 --> 00:03.000\nHello\n", file), ReadStatus::Ok);
  EXPECT_EQ(file.identity.readAs, FormatById("vtt"));
  EXPECT_EQ(file.lines, (Lines{std::string(kFormatLine) + "WEBVTT", "{00:01.000}{00:03.000}Hello"}));
}

TEST(Loaded, ARealMicroDvdFileWithOddLines) {
  const std::string film =
      "{1}{1}23.976\n{asdasd}{1}25\n{223d5}{300}Corrupt frame\nA line without braces\n"
      "{400}{500}{y:i}Hello|/there\n{600}{700}Bye\n";
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(film, file), ReadStatus::Ok);
  EXPECT_EQ(file.lines.size(), 6u);
  EXPECT_EQ(file.lines[3], "A line without braces");
}

// Once refused by its name, a script is read now, and written back as it was.
TEST(Loaded, AnAdvancedSubStationScript) {
  const std::string script =
      "[Script Info]\nTitle: x\n\n[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\i1}Hi{\\i0}\n";
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleText(doc, script, "film.ass")); });
  EXPECT_EQ(doc.ReadFormat().Id(), "ass");
  EXPECT_EQ(doc.List1.Count(), 4);
  EXPECT_EQ(doc.List1.Item(3), "{0:00:01.00}{0:00:02.00}{\\i1}Hi{\\i0}");
  std::string written;
  ASSERT_TRUE(EncodeDocument(doc, nullptr, written));
  EXPECT_EQ(written, script);
}

// ------------------------------------------------------------ loading and saving

TEST(Load, ReplacesTheDocumentOnlyOnceTheFileIsRead) {
  test::TempDir dir;
  test::Put(dir.File("good.sub"), "{1}{2}a\n\n{3}{4}b");
  test::Put(dir.File("blank.sub"), "\r\n\r\n");
  test::Put(dir.File("brace.sub"), "}1}{2}x\r\n{3}{4}y\r\n");
  test::Put(dir.File("film.sub"), "<SAMI>\n<BODY>\n<SYNC Start=1000><P>Hello\n</BODY>\n</SAMI>\n");
  Document doc;
  bool remembered = false;
  test::Run(doc,
            [&] { ASSERT_TRUE(LoadSubtitleFile(doc, dir.path(), "good.sub", [&] { return remembered = true; })); });
  EXPECT_TRUE(remembered);
  EXPECT_EQ(doc.List1.Items(), (Lines{"{1}{2}a", "{3}{4}b"}));
  EXPECT_EQ(doc.FilePath(), dir.File("good.sub"));
  EXPECT_EQ(doc.Text1(), "{1}{2}");
  test::Run(doc, [&] { doc.SetItem(0, "{1}{2}changed"); });
  const std::pair<std::string, std::string> failures[] = {
      {"blank.sub", "blank.sub is empty."},
      {"brace.sub", "File Corrupt!"},
      {"missing.sub", "Cannot open missing.sub: No such file or directory"},
      {"film.sub", "film.sub is " + NoneOfTheFormats() + " (it looks like SAMI)."},
      {"good.sub", "good.sub was not opened: its folder could not be remembered."}};
  for (const auto& failure : failures) {
    const std::string& bad = failure.first;
    // The last fails for a remembered folder that cannot be written.
    LoadResult result;
    test::Run(doc, [&] { result = LoadSubtitleFile(doc, dir.path(), bad, [&] { return bad != "good.sub"; }); });
    EXPECT_FALSE(result) << bad;
    EXPECT_EQ(doc.List1.Item(0) + doc.FilePath(), "{1}{2}changed" + dir.File("good.sub")) << bad;
    EXPECT_EQ(doc.Changed(), 1) << bad;
    EXPECT_EQ(LoadFailureMessage(result, bad), failure.second);
  }
  test::Run(doc, [&] { EXPECT_TRUE(LoadSubtitlePath(doc, dir.File("good.sub"))); });
  EXPECT_EQ(doc.Changed(), 0);
  EXPECT_FALSE(doc.CanUndo()) << "a new document starts a new history";
  EXPECT_EQ(doc.Identity().lineEnd, LineEnd::Lf);

  LoadResult result;
  test::Put(dir.File("pl.sub"), kPolish1250);
  test::Run(doc, [&] { result = LoadSubtitlePath(doc, dir.File("pl.sub"), Encoding::Utf8); });
  EXPECT_EQ(LoadFailureMessage(result, "pl.sub"), "pl.sub cannot be read as UTF-8.");
  EXPECT_EQ(doc.FilePath(), dir.File("good.sub"));
}

TEST(Save, WritesEveryEntryAsTheFileWasRead) {
  test::TempDir dir;
  test::Put(dir.File("in.sub"), "\xEF\xBB\xBF{1}{2}\xC3\xA5  x}\r\n\r\n{3}{4}b");
  test::Put(dir.File("pl.sub"), kPolish1250);
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleFile(doc, dir.path(), "in.sub", nullptr)); });
  ASSERT_TRUE(WriteDocument(doc, dir.File("out.sub")).ok());
  EXPECT_EQ(test::Get(dir.File("out.sub")), "\xEF\xBB\xBF{1}{2}\xC3\xA5  x}\r\n{3}{4}b\r\n");

  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleFile(doc, dir.path(), "pl.sub", nullptr)); });
  test::Run(doc, [&] { doc.SetItem(2, "{130}{200}Łódź!"); });
  ASSERT_TRUE(WriteDocument(doc, dir.File("out.sub")).ok());
  const std::string untouched = kPolish1250.substr(0, kPolish1250.rfind("{130}"));
  EXPECT_EQ(test::Get(dir.File("out.sub")), untouched +
                                                "{130}{200}\xA3\xF3"
                                                "d\x9F!\n");
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
