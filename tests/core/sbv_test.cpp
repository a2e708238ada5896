// YouTube SBV files: written back byte for byte, every line kept, told from
// SubViewer and the other formats, the rules on cues, edits written back,
// conversion to and from SubRip and frames.
#include "formats/sbv/sbv.h"

#include <gtest/gtest.h>

#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Unread(const char* line) { return std::string(kUnreadLine) + line; }

void Open(Session& s, const std::string& bytes, const char* name = "film.sbv") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, name)) << bytes; });
}

Lines ReadBack(const std::string& bytes) {
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile(bytes, file, std::nullopt, kDefaultFrameRate, "again.sbv"), ReadStatus::Ok) << bytes;
  EXPECT_EQ(file.identity.readAs, &YouTubeSbv()) << bytes;
  return file.lines;
}

struct SbvCase {
  const char* name;
  std::string file;
  Lines entries;
  Encoding encoding = Encoding::Utf8;
  size_t unread = 0;  // the lines the note counts
};
void PrintTo(const SbvCase& c, std::ostream* os) { *os << c.name; }

class SbvFiles : public testing::TestWithParam<SbvCase> {};

// What each file becomes, written back as it was and read back the same.
TEST_P(SbvFiles, ReadKeepingEveryLineAndWrittenBackAsTheyWere) {
  const SbvCase& c = GetParam();
  Session s;
  Open(s, c.file);
  EXPECT_EQ(s.doc.Identity().readAs, &YouTubeSbv());
  EXPECT_EQ(s.doc.FileEncoding(), c.encoding);
  EXPECT_EQ(s.doc.List1.Items(), c.entries);
  EXPECT_EQ(s.doc.FileNotes().size(), c.unread ? 1u : 0u);
  if (c.unread) {
    EXPECT_EQ(s.doc.FileNotes()[0].rfind(std::to_string(c.unread) + " line", 0), 0u);
  }
  EXPECT_EQ(test::Encoded(s.doc), c.file);
  EXPECT_EQ(ReadBack(test::Encoded(s.doc)), c.entries);
}

const std::string kBar(kLiteralBar);

INSTANTIATE_TEST_SUITE_P(
    Files, SbvFiles,
    testing::Values(
        SbvCase{"Lf",
                "0:00:01.000,0:00:03.500\nHello there,\nhow are you? A | B\n\n0:00:04.000,0:00:05.000\n<i>Not a "
                "tag</i>\n",
                {"{0:00:01.000}{0:00:03.500}Hello there,|how are you? A " + kBar + " B",
                 "{0:00:04.000}{0:00:05.000}<i>Not a tag</i>"}},
        SbvCase{"CrLfBlanksAndACueWithoutText",
                "\xEF\xBB\xBF"
                "0:00:01.000,0:00:02.000\r\n\r\n\r\n \t\r\n0:00:03.000 , 0:00:04.000\r\n0:00:05.00,0:00:06.000\r\n"
                "D\xC3\xA9j\xC3\xA0 vu.\r\n\r\n",
                {"{0:00:01.000}{0:00:02.000}", "{0:00:03.000}{0:00:04.000}",
                 "{0:00:05.00}{0:00:06.000}D\xC3\xA9j\xC3\xA0 vu."},
                Encoding::Utf8Bom},
        SbvCase{"Windows1250",
                "0:00:01.000,0:00:03.000\r\n\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl \xEF\xE1"
                "belsk\xE9 \xF3"
                "dy.\r\n\r\n0:00:04.000,0:00:05.000\r\nP\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2.\r\n",
                {"{0:00:01.000}{0:00:03.000}\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88 \xC3\xBAp\xC4\x9Bl "
                 "\xC4\x8F\xC3\xA1\x62\x65lsk\xC3\xA9 \xC3\xB3\x64y.",
                 "{0:00:04.000}{0:00:05.000}P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD "
                 "k\xC5\xAF\xC5\x88."},
                Encoding::Windows1250},
        SbvCase{
            "LinesThatAreNoCue",
            "Captions by someone\n\n0:00:01.000,0:00:02.000\nOne\n\nafter a blank\nand on\n\n0:00:03.000,0:00:04.000\n"
            "Two\n",
            {Unread("Captions by someone"), "{0:00:01.000}{0:00:02.000}One", Unread("after a blank"), Unread("and on"),
             "{0:00:03.000}{0:00:04.000}Two"},
            Encoding::Utf8,
            3}),
    [](const auto& info) { return std::string(info.param.name); });

// Three-digit fractions are YouTube's; hundredths stay SubViewer's.
TEST(Sbv, Detection) {
  const struct {
    const char* name;
    std::string text;
    const char* id;  // nullptr: refused
    const char* looksLike;
  } cases[] = {
      {"Sbv", "0:00:01.000,0:00:03.000\nHello\n\n0:00:04.000,0:00:05.000\nBye\n", "sbv", ""},
      {"SbvOfFrameText", "0:00:01.000,0:00:03.000\n{1}{2}a\n{3}{4}b\n", "sbv", ""},
      {"SbvAmongStrayLines", "Title\nBy me\n0:00:01.000,0:00:03.000\nHello\n", "sbv", ""},
      {"SubViewer", "00:00:01.00,00:00:03.00\nHello\n\n00:00:04.00,00:00:05.00\nBye\n", "subviewer", ""},
      {"SubViewerHeader", "[INFORMATION]\n[TITLE]x\n[END INFORMATION]\n0:00:01.000,0:00:03.000\nHi\n", "subviewer", ""},
      {"SubRip", "1\n00:00:01,000 --> 00:00:02,000\nHello\n", "srt", ""},
      {"Frames", "{1}{25}0:00:01.000,0:00:03.000\n{26}{50}Bye\n", "sub", ""},
  };
  for (const auto& c : cases) {
    SubtitleFile file;
    EXPECT_EQ(ParseSubtitleFile(c.text, file), c.id ? ReadStatus::Ok : ReadStatus::Unrecognised) << c.name;
    if (c.id) {
      EXPECT_EQ(file.identity.readAs, FormatById(c.id)) << c.name;
    }
    EXPECT_EQ(file.looksLike, c.looksLike) << c.name;
  }
}

// The rules on cues, an edit in the list and a new entry: written in the
// format's syntax, the blank lines kept, read back the same.
TEST(Sbv, RulesAndEditsWrittenBack) {
  Session s;
  Open(s,
       "0:00:04.000,0:00:08.000\nThis is a rather long subtitle line that needs a break\n\n\n"
       "0:00:10.000,0:00:12.000\n[DOOR SLAMS]\n-Where are you going?\n-Out.\n\n0:00:13.000,0:00:14.000\nBye\n");
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] {
    s.doc.SetItem(2, "{0:00:13.000}{00:00:14,5}Bye|" + kBar + "now");
    s.doc.InsertItem(3, "{01:02:03.400}{1:2:4}New");
  });
  const std::string saved = test::Encoded(s.doc);
  EXPECT_EQ(saved,
            "0:00:04.000,0:00:08.000\nThis is a rather long subtitle\nline that needs a break\n\n\n"
            "0:00:10.000,0:00:12.000\n-Where are you going?\n-Out.\n\n0:00:13.000,0:00:14.500\nBye\n|now\n\n"
            "01:02:03.400,1:02:04.000\nNew\n");
  EXPECT_EQ(ReadBack(saved)[2], "{0:00:13.000}{0:00:14.500}Bye|" + kBar + "now");
}

// Plain text both ways: what SubRip styles arrives bare, the times to the
// millisecond; in frames within a frame.
TEST(Sbv, ConvertsToAndFromSubRipAndFrames) {
  Document srt;
  test::Run(srt, [&] {
    ASSERT_TRUE(LoadSubtitleText(
        srt,
        "1\n00:00:01,000 --> 00:00:02,500\n{\\an8}<i>Top</i> &\n<b>bold</b>\n\n2\n01:00:00,000 --> 01:00:01,000\nA\n\n",
        "a.srt"));
  });
  const std::string sbv = test::Encoded(srt, &YouTubeSbv());
  EXPECT_EQ(sbv, "0:00:01.000,0:00:02.500\nTop &\nbold\n\n1:00:00.000,1:00:01.000\nA\n\n");
  Document back;
  test::Run(back, [&] { ASSERT_TRUE(LoadSubtitleText(back, sbv, "a.sbv")); });
  EXPECT_EQ(test::Encoded(back, &SubRip()),
            "1\n00:00:01,000 --> 00:00:02,500\nTop &\nbold\n\n2\n01:00:00,000 --> 01:00:01,000\nA\n\n");
  EXPECT_EQ(test::Encoded(back, &MicroDvd()), "{1}{1}25\n{25}{63}Top &|bold\n{90000}{90025}A\n");
  Document frames;
  test::Run(frames, [&] { ASSERT_TRUE(LoadSubtitleText(frames, "{25}{63}{y:i}Top|bold\n", "a.sub")); });
  EXPECT_EQ(test::Encoded(frames, &YouTubeSbv()), "0:00:01.000,0:00:02.520\nTop\nbold\n\n");
}

}  // namespace
}  // namespace lm
