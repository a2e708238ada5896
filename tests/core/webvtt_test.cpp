// WebVTT files: written back byte for byte, read as players read them with
// every line kept, the rules on cues (their identifiers and settings kept,
// references one character), and conversion to and from SubRip and frames.
#include "formats/webvtt/webvtt.h"

#include <gtest/gtest.h>
#include <random>

#include "editor/char_grid.h"
#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Structure(const char* line) { return std::string(kFormatLine) + line; }
std::string Unread(const char* line) { return std::string(kUnreadLine) + line; }
std::string Mark(int k) { return ReferenceMark(k); }

void Open(Session& s, const std::string& bytes, const char* name = "film.vtt") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, name)) << bytes; });
}

TEST(WebVtt, RoundTripsByteForByte) {
  const struct {
    const char* name;
    std::string bytes;
    Encoding encoding;
  } files[] = {
      {"EveryKindOfBlock",
       "WEBVTT - a film\nKind: captions\nLanguage: en\n\nNOTE made by hand\nover two lines\n\nSTYLE\n"
       "::cue(.loud) { color: red }\n\nREGION\nid:top width:40%\n\nintro\n00:01.000 --> 00:04.000 line:0 "
       "align:start\n<v Bob>Tom &amp; Jerry&nbsp;| \xC3\xA9t\xC3\xA9</v>\n\n\n  \n01:00:05.500 --> 01:00:07.000 "
       "region:top\n<c.loud.red>Loud</c> <00:00:06.000><i>now</i>\n\n00:08.000 --> 00:09.000\n",
       Encoding::Utf8},
      {"CrLfMarkedNoBlankAtTheEnd",
       "\xEF\xBB\xBFWEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\n&lrm;Hi&rlm; &lt;3\r\n2\r\n00:00:03.000 --> "
       "00:00:04.000 vertical:rl\r\n-Ano.\r\n-Ne.\r\n",
       Encoding::Utf8Bom},
      {"Windows1250",
       "WEBVTT\r\n\r\n00:01.000 --> 00:03.000\r\n\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl \xEF\xE1"
       "belsk\xE9 \xF3"
       "dy.\r\n\r\n00:04.000 --> 00:05.000\r\nP\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl.\r\n\r\n",
       Encoding::Windows1250},
  };
  for (const auto& f : files) {
    Session s;
    Open(s, f.bytes);
    EXPECT_EQ(s.doc.Identity().format, &WebVtt()) << f.name;
    EXPECT_EQ(s.doc.FileEncoding(), f.encoding) << f.name;
    EXPECT_EQ(test::Encoded(s.doc), f.bytes) << f.name;
  }
}

// What each file becomes; then it is written again and read back the same.
struct ReadingCase {
  const char* name;
  std::string file;
  Lines entries;
  size_t unread = 0;  // the lines the note counts
};
void PrintTo(const ReadingCase& c, std::ostream* os) { *os << c.name; }

class WebVttReading : public testing::TestWithParam<ReadingCase> {};

TEST_P(WebVttReading, EveryLineEndsUpInTheDocument) {
  const ReadingCase& c = GetParam();
  Session s;
  Open(s, c.file);
  EXPECT_EQ(s.doc.Identity().readAs, &WebVtt());
  EXPECT_EQ(s.doc.List1.Items(), c.entries);
  EXPECT_EQ(s.doc.FileNotes().size(), c.unread ? 1u : 0u);
  if (c.unread) {
    EXPECT_EQ(s.doc.FileNotes()[0].rfind(std::to_string(c.unread) + " line", 0), 0u);
  }
  EXPECT_EQ(test::Encoded(s.doc), c.file);
  test::ExpectReadsBackTheSame(s.doc, WebVtt(), "again.vtt");
}

INSTANTIATE_TEST_SUITE_P(
    Files, WebVttReading,
    testing::Values(ReadingCase{"SettingsAsATag",
                                "WEBVTT\n\n00:01.000 --> 00:02.000 line:0   align:start\nHi\n",
                                {Structure("WEBVTT"), "{00:01.000}{00:02.000}<line:0   align:start>Hi"}},
                    ReadingCase{"SettingsNoTagCarries",
                                "WEBVTT\n\n00:01.000 --> 00:02.000 region:a<b\nHi\n",
                                {Structure("WEBVTT"), "{00:01.000}{00:02.000}Hi"}},
                    ReadingCase{"ATimingLineEndsTextHeaderAndNote",
                                "WEBVTT\n00:01.000 --> 00:02.000\nOne\n00:03.000 --> 00:04.000\nTwo\n\nNOTE x\ny\n"
                                "00:05.000 --> 00:06.000\nThree\n",
                                {Structure("WEBVTT"), "{00:01.000}{00:02.000}One", "{00:03.000}{00:04.000}Two",
                                 Structure("NOTE x"), Structure("y"), "{00:05.000}{00:06.000}Three"}},
                    ReadingCase{"FirstInItsBlockALineIsTheIdentifier",
                                "WEBVTT\n\nNOTE\n00:01.000 --> 00:02.000\nOne\n",
                                {Structure("WEBVTT"), "{00:01.000}{00:02.000}One"}},
                    ReadingCase{"LinesThatAreNoCue",
                                "WEBVTT\n\nstray\nline\n\n00:01.000 --> 00:02.000\nOne\n\ntext after a blank\n\n"
                                "00:03 --> later\n",
                                {Structure("WEBVTT"), Unread("stray"), Unread("line"), "{00:01.000}{00:02.000}One",
                                 Unread("text after a blank"), Unread("00:03 --> later")},
                                4},
                    ReadingCase{"AnArrowThatIsNoTimingIsText",
                                "WEBVTT\n\n00:01.000 --> 00:02.000\nA --> B\n",
                                {Structure("WEBVTT"), "{00:01.000}{00:02.000}A --> B"}},
                    ReadingCase{"LenientTimes",
                                "WEBVTT\n\n00:01,5 --> 0:2:03.250\nOne\n",
                                {Structure("WEBVTT"), "{00:01,5}{0:2:03.250}One"}},
                    ReadingCase{"NoHeader",
                                "00:01,5 --> 02:03.250\nOne\n\n59:00.000 --> 59:01.000\nTwo\n",
                                {"{00:01,5}{02:03.250}One", "{59:00.000}{59:01.000}Two"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The header decides, before any timing line another format could read; a
// file without one is WebVTT by its timing lines where no other format
// takes them.
TEST(WebVtt, Detection) {
  const struct {
    const char* name;
    std::string text;
    const char* id;  // nullptr: refused
    const char* looksLike;
  } cases[] = {
      {"HeaderWithHours", "WEBVTT\n\n00:00:01.000 --> 00:00:03.000\nHello\n", "vtt", ""},
      {"MarkedHeader", "\xEF\xBB\xBFWEBVTT\n\n00:01.000 --> 00:03.000\nHello\n", "vtt", ""},
      {"CuesOfFrameText", "WEBVTT\n\n00:01.000 --> 00:03.000\n{1}{2}a\n{3}{4}b\n{5}{6}c\n", "vtt", ""},
      {"NoHeaderMinutes", "00:01.000 --> 00:03.000\nHello\n\n00:04.000 --> 00:05.000\nBye\n", "vtt", ""},
      {"SubRip", "1\n00:00:01,000 --> 00:00:02,000\nHello\n", "srt", ""},
      {"SubRipWithDots", "1\n00:00:01.000 --> 00:00:02.000\nHello\n", "srt", ""},
      {"Frames", "{1}{25}Hello\n{26}{50}Bye\n", "sub", ""},
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

// The worked examples of the rules on cues: a break, a division whose
// halves keep the settings and the speaker's span, a line of 41 characters
// that holds references and fits; the identifiers and blank lines stay.
TEST(WebVtt, TheRulesOnCues) {
  Session s;
  Open(s,
       "WEBVTT\n\nintro\n00:04.000 --> 00:08.000 line:0\n<i>This is a rather long subtitle line that needs a "
       "break</i>\n\nbob\n00:36.000 --> 00:44.000 line:0\n<v Bob>We have been walking for hours and hours\nalong "
       "the river bank and nobody has seen a single boat\n\n\n00:50.000 --> 00:52.000\nTom &amp; Jerry &amp; all "
       "their friends go to sea\n");
  EXPECT_EQ(s.doc.List1.Shape(3).textChars, 41);
  const CommandResult r = s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  EXPECT_EQ(r.messages, Lines{"I just fixed 2 lines, for You"});
  EXPECT_EQ(test::Encoded(s.doc),
            "WEBVTT\n\nintro\n00:04.000 --> 00:08.000 line:0\n<i>This is a rather long subtitle\nline that needs a "
            "break</i>\n\nbob\n00:36.000 --> 00:00:40.000 line:0\n<v Bob>We have been walking for\nhours and hours "
            "along</v>\n\n00:00:40.040 --> 00:44.000 line:0\n<v Bob>the river bank and nobody\nhas seen a single "
            "boat\n\n\n00:50.000 --> 00:52.000\nTom &amp; Jerry &amp; all their friends go to sea\n");
  test::ExpectReadsBackTheSame(s.doc, WebVtt(), "again.vtt");
  // The grid shows a reference as its character, in one cell.
  CharGrid grid;
  ShowEntryAt(s.doc, grid, 4);
  EXPECT_EQ(grid.Shown(4), "&");
  EXPECT_EQ(grid.Label1, "Tom & Jerry & all their friends go to sea");
}

TEST(WebVtt, RemoveHearingImpairedKeepsReferencesWhole) {
  Session s;
  Open(s,
       "WEBVTT\n\n00:01.000 --> 00:02.000 align:start\n[DOOR &amp; WINDOW] <i>Tom &amp; me</i>\n\n"
       "00:03.000 --> 00:04.000\n(laughs &lt;3)\n\n00:05.000 --> 00:06.000\n<i>Bye</i>\n");
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Items(),
            (Lines{Structure("WEBVTT"), "{00:01.000}{00:02.000}<align:start>Tom " + Mark(0) + " me",
                   "{00:05.000}{00:06.000}Bye"}));
  EXPECT_EQ(test::Encoded(s.doc),
            "WEBVTT\n\n00:01.000 --> 00:02.000 align:start\nTom &amp; me\n\n00:05.000 --> 00:06.000\nBye\n");
}

// An entry changed in the list is written back in the format's syntax: its
// identifier and blank lines kept, its times as written while they stand,
// settings from the tag, "<" and "-->" written so that they read back.
TEST(WebVtt, EditsAreWrittenInTheFormatsSyntax) {
  Session s;
  Open(s,
       "WEBVTT\n\n\nid1\n00:01.000 --> 00:02.000 align:start\nOne\n\nid2\n00:03.000 --> 00:04.000 region:r<1\nTwo\n");
  s.Run(CommandId::EditEntry, [&] {
    s.doc.SetItem(1, "{00:01.000}{00:02.500}<line:0>One" + std::string(kLiteralBar) + "|a < b --> c");
    s.doc.SetItem(2, "{00:03.000}{00:04.000}Changed");
    s.doc.InsertItem(3, "{1:2:3,4}{01:02:04.000}New");
  });
  EXPECT_EQ(test::Encoded(s.doc),
            "WEBVTT\n\n\nid1\n00:01.000 --> 00:02.500 line:0\nOne|\na &lt; b --&gt; c\n\nid2\n00:03.000 --> "
            "00:04.000 region:r<1\nChanged\n\n01:02:03.400 --> 01:02:04.000\nNew\n");
  SubtitleFile again;
  ASSERT_EQ(ParseSubtitleFile(test::Encoded(s.doc), again), ReadStatus::Ok);
  EXPECT_EQ(again.lines[1], "{00:01.000}{00:02.500}<line:0>One" + std::string(kLiteralBar) + "|a " + Mark(1) + " b --" +
                                Mark(2) + " c");
  EXPECT_EQ(again.lines[3], "{01:02:03.400}{01:02:04.000}New");
}

// Conversion through the neutral set: the place on the screen, colours
// players name, italics, bold, underline and references carried; in frames
// the times within a frame.
TEST(WebVtt, ConvertsToAndFromSubRip) {
  const struct {
    const char *vtt, *srt;
    bool both;  // the SubRip text converts back to the WebVTT one
  } cases[] = {
      {"00:01.000 --> 00:02.000 line:0\nTop", "{\\an8}Top", true},
      {"00:01.000 --> 00:02.000 line:0 align:left\nTop left", "{\\an7}Top left", true},
      {"00:01.000 --> 00:02.000 line:50%,center align:right\nRight", "{\\an6}Right", true},
      {"00:01.000 --> 00:02.000 align:start position:0%\nYouTube's", "{\\an1}YouTube's", false},
      {"00:01.000 --> 00:02.000 line:-1\nBottom", "Bottom", false},
      {"00:01.000 --> 00:02.000\n<c.red>Red</c>\n<b><i><u>All</u></i></b>",
       "<font color=\"#FF0000\">Red</font>\n<b><i><u>All</u></i></b>", true},
      {"00:01.000 --> 00:02.000\n<c.loud>Loud</c> <v Bob>Bob</v> <00:01.500>now", "Loud Bob now", false},
      {"00:01.000 --> 00:02.000\nTom &amp; Jerry &lt;3 a--&gt;b", "Tom & Jerry <3 a-->b", true},
  };
  for (const auto& c : cases) {
    Document vtt;
    test::Run(vtt, [&] { ASSERT_TRUE(LoadSubtitleText(vtt, "WEBVTT\n\n" + std::string(c.vtt) + "\n\n", "a.vtt")); });
    const std::string srt = "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(c.srt) + "\n\n";
    EXPECT_EQ(test::Encoded(vtt, &SubRip()), srt) << c.vtt;
    if (!c.both) continue;
    Document back;
    test::Run(back, [&] { ASSERT_TRUE(LoadSubtitleText(back, srt, "a.srt")); });
    std::string expected = "WEBVTT\n\n" + std::string(c.vtt) + "\n\n";
    expected.replace(expected.find("00:01.000 --> 00:02.000"), 23, "00:00:01.000 --> 00:00:02.000");
    EXPECT_EQ(test::Encoded(back, &WebVtt()), expected) << c.srt;
  }
}

TEST(WebVtt, ConvertsToAndFromFrames) {
  Document vtt;
  test::Run(vtt, [&] {
    ASSERT_TRUE(
        LoadSubtitleText(vtt, "WEBVTT\n\nNOTE gone\n\n00:01.010 --> 00:02.990 line:0\n<i>Top</i> &amp; co\n", "a.vtt"));
  });
  const std::string frames = test::Encoded(vtt, &MicroDvd());
  EXPECT_EQ(frames, "{1}{1}25\n{25}{75}{y:i}Top & co\n");
  Document sub;
  test::Run(sub, [&] { ASSERT_TRUE(LoadSubtitleText(sub, frames, "a.sub")); });
  EXPECT_EQ(test::Encoded(sub, &WebVtt()), "WEBVTT\n\n00:00:01.000 --> 00:00:03.000\n<i>Top &amp; co</i>\n\n");
}

// An entry as the document shows it: its times as milliseconds, its text
// with references as their characters.
std::string Shown(std::string_view line) {
  EntryFields f;
  if (!SplitFullEntry(line, f)) return ShowLiteralBars(AsKept(line));
  const auto start = ParseWebVttTime(f.start), stop = ParseWebVttTime(f.stop);
  if (!start || !stop) return ShowLiteralBars(line);
  return std::to_string(*start) + "-" + std::to_string(*stop) + ":" + ShowLiteralBars(f.text);
}

// Random files of every kind of block, odd ones among them: written back
// unchanged byte for byte; fixed, cut or with entries deleted, written
// and read again, every entry reads back as what it shows.
TEST(WebVtt, RandomFilesReadBackAsTheyWere) {
  const char* const kHeaders[] = {"WEBVTT", "WEBVTT - film", "\xEF\xBB\xBFWEBVTT"};
  const char* const kHeaderLines[] = {"Kind: captions", "Language: en"};
  const char* const kBlocks[] = {"NOTE x", "NOTE", "STYLE", "REGION", "stray", "00:01 --> x", "1"};
  const char* const kTimings[] = {"00:01.000 --> 00:02.000", "00:00:03.000 --> 00:00:05.500 line:0 align:start",
                                  "00:04,5 --> 00:06.000 region:a<b", "1:00:00.000-->1:00:09.000 position:10%"};
  const char* const kTexts[] = {"<i>Tom &amp; Jerry</i> [LAUGHS] are walking along the river bank today",
                                "<v Bob>- Hello | there, this is a long line of text that needs a break",
                                "&lt;3 &nbsp;&lrm;x",
                                "A --> B",
                                "(sighs)",
                                "<c.red>red</c> <00:01.500>now",
                                "  "};
  const char* const kBlanks[] = {"", "", " "};
  std::mt19937 rng(1607);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int round = 0; round < 300; ++round) {
    std::string bytes = std::string(kHeaders[pick(3)]) + "\n";
    for (int k = pick(3); k > 0; --k) bytes += std::string(kHeaderLines[pick(2)]) + "\n";
    for (int block = 0, blocks = pick(12); block < blocks; ++block) {
      for (int k = pick(3) ? 1 : pick(3); k > 0; --k) bytes += std::string(kBlanks[pick(3)]) + "\n";
      if (pick(4) == 0) bytes += std::string(kBlocks[pick(7)]) + "\n";
      if (pick(5)) bytes += std::string(kTimings[pick(4)]) + "\n";
      for (int k = pick(3); k > 0; --k) bytes += std::string(kTexts[pick(7)]) + "\n";
    }
    // Blank lines ending a file are written back as one empty line.
    bytes += "\n00:09.000 --> 00:10.000\nEnd\n";
    Session s;
    Open(s, bytes);
    ASSERT_EQ(test::Encoded(s.doc), bytes) << round;
    switch (round % 3) {
      case 0:
        s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
        break;
      case 1:
        s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
        break;
      default:
        // The header stays: without it the file would be another format's.
        for (int k = pick(4); k > 0 && s.doc.List1.Count() > 1; --k)
          s.Run(CommandId::EditEntry, [&] { s.doc.RemoveItem(1 + pick(s.doc.List1.Count() - 1)); });
    }
    const std::string written = test::Encoded(s.doc);
    SubtitleFile again;
    ASSERT_EQ(ParseSubtitleFile(written, again), ReadStatus::Ok) << written;
    ASSERT_EQ(again.lines.size(), s.doc.List1.Items().size()) << bytes << "\n--\n" << written;
    for (size_t k = 0; k < again.lines.size(); ++k)
      EXPECT_EQ(Shown(again.lines[k]), Shown(s.doc.List1.Item(static_cast<int>(k)))) << bytes << "\n--\n" << written;
  }
}

TEST(WebVttDialect, TagsSettingsAndSpans) {
  const struct {
    const char* text;
    size_t tag;  // bytes of the tag at the start
  } tags[] = {{"<i>x", 3},     {"</c>", 4},    {"<c.red.bg_blue>", 15}, {"<v Dr. No>", 10}, {"<00:01.500>", 11},
              {"<line:0>", 8}, {"<3 you>", 7}, {"<3 you", 0},           {"< b>", 0},        {"<i|b>", 0},
              {"<>", 0},       {"<i", 0}};
  for (const auto& t : tags) EXPECT_EQ(WebVttTagAt(t.text, 0), t.tag) << t.text;
  const struct {
    const char* settings;
    int position;
  } places[] = {{"line:0", 8},   {"line:3 align:end", 9}, {"line:90%", 0},  {"line:-2 align:left", 1},
                {"line:45%", 5}, {"position:80%", 3},     {"line:auto", 0}, {"align:middle line:10%,end", 8}};
  for (const auto& p : places) EXPECT_EQ(SettingsPosition(p.settings), p.position) << p.settings;
  const StyleDialect& d = WebVttDialect();
  const struct {
    const char *text, *without;
  } spans[] = {{"<i></i>x", "x"},
               {"<v Bob> </v>|Hi", " |Hi"},
               {"<line:0><b><i></i></b>Top", "<line:0>Top"},
               {"<c.red>x</c>", "<c.red>x</c>"},
               {"<i><b></i>", "<i><b></i>"}};
  for (const auto& s : spans) EXPECT_EQ(d.WithoutEmptySpans(s.text), s.without) << s.text;
  std::string first = "<line:0><v Bob><i>One", second = "two</i>";
  d.CloseSpansAt("<line:0><v Bob><i>One two</i>", 21, first, second);
  EXPECT_EQ(first, "<line:0><v Bob><i>One</i></v>");
  EXPECT_EQ(second, "<line:0><v Bob><i>two</i>");
}

// Spans left holding nothing go, by their names (a class or a voice's
// name is no part of it); timestamps style nothing and hold nothing.
TEST(WebVttDialect, WithoutEmptySpans) {
  const struct {
    const char *text, *expected;
  } cases[] = {
      {"<i></i>Hello", "Hello"},
      {"<c.yellow> </c>x", " x"},
      {"<v Anna><i></i></v>Hi", "Hi"},
      {"<v Anna>Hi</v>", "<v Anna>Hi</v>"},
      {"<i><00:00:01.000></i>x", "<00:00:01.000>x"},
      {"<i><b></i>", "<i><b></i>"},
      {"<b>|</b>Next", "|Next"},
      {"a &lt; b", "a &lt; b"},
  };
  for (const auto& c : cases) EXPECT_EQ(WebVtt().Dialect().WithoutEmptySpans(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace lm
