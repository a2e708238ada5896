// SubRip files: read and written back byte for byte, odd real-world shapes,
// the rules on cues, renumbering, and conversion to and from frames.
#include "formats/subrip/subrip.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

// A document read from `bytes` as a file named "film.srt" in `dir`.
void Open(const test::TempDir& dir, Session& s, const std::string& bytes, const char* name = "film.srt",
          double frameRate = kDefaultFrameRate) {
  test::Put(dir.File(name), bytes);
  s.Run(CommandId::Open,
        [&] { ASSERT_TRUE(LoadSubtitleFile(s.doc, dir.path(), name, nullptr, std::nullopt, frameRate)); });
}

std::string Saved(const test::TempDir& dir, const Document& doc, const char* name = "out.srt") {
  EXPECT_TRUE(WriteDocument(doc, dir.File(name), &FormatForPath(name, *doc.Identity().format)).ok());
  return test::Get(dir.File(name));
}

TEST(SubRip, RoundTripsByteForByte) {
  const std::string files[] = {
      // CR LF, a byte order mark, position coordinates, a cue without text.
      "\xEF\xBB\xBF"
      "1\r\n00:00:01,000 --> 00:00:03,500 X1:10 X2:90 Y1:5 Y2:40\r\n<i>Hello there,</i>\r\nhow are you?\r\n\r\n"
      "2\r\n00:00:04,000 --> 00:00:05,000\r\n\r\n"
      "3\r\n00:00:05,500 --> 00:00:07,250\r\nD\xC3\xA9j\xC3\xA0 vu.\r\n\r\n",
      // LF, Windows-1252, no blank line after the last cue.
      "1\n00:01:02,500 --> 00:01:04,000\nCaf\xE9 au lait\n\n2\n00:01:05,000 --> 00:01:06,000\n- Oui.\n- Non.\n",
      // Every timing line as the writer writes them but one: the odd one
      // keeps its shape (one-digit fields, 100 hours, "->", extra blanks).
      "1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n0:0:3,5 --> 0:0:4,0\nB\n\n3\n100:00:00,000 --> 100:00:01,000\nC\n\n"
      "4\n00:00:05,000  -->  00:00:06,000\nD\n\n5\n00:00:07,000 -> 00:00:08,000\nE\n\n6\n00:00:61,000 --> "
      "00:01:02,000\nF\n",
      // A literal-bar character and a "|" in the text of a cue whose timing
      // line is as written.
      "1\n00:00:01,000 --> 00:00:02,000\nA \xEF\xB7\x90 and a | bar\nsecond\n\n2\n00:00:03,000 --> "
      "00:00:04,000\nB|C\n\n",
  };
  for (const std::string& bytes : files) {
    test::TempDir dir;
    Session s;
    Open(dir, s, bytes);
    EXPECT_EQ(s.doc.Identity().format, &SubRip());
    EXPECT_EQ(Saved(dir, s.doc), bytes);
  }
}

TEST(SubRip, OddShapesFromRealFiles) {
  test::TempDir dir;
  Session s;
  // No numbers, wrong numbers, extra blank lines, no blank line before the
  // next number, "." before the milliseconds, a cue without text.
  Open(dir, s,
       "\n\n00:00:01.000 --> 00:00:02.000\nFirst\n\n\n\n7\n00:00:03,000 --> 00:00:04,000\nSecond\n"
       "3\n00:00:05,000 --> 00:00:06,000\n\n5\n00:00:07,000 --> 00:00:08,000\nLast|one\n");
  EXPECT_EQ(s.doc.List1.Items(), (Lines{"{00:00:01.000}{00:00:02.000}First", "{00:00:03,000}{00:00:04,000}Second",
                                        "{00:00:05,000}{00:00:06,000}",
                                        "{00:00:07,000}{00:00:08,000}Last" + std::string(kLiteralBar) + "one"}));
  EXPECT_EQ(s.doc.Text1(), "{00:00:01.000}{00:00:02.000}") << "the times as the file writes them";
  s.Run(CommandId::EditEntry, [&] { s.doc.SetItem(3, "{00:00:07,000}{00:00:08,000}Changed"); });
  EXPECT_EQ(Saved(dir, s.doc),
            "1\n00:00:01.000 --> 00:00:02.000\nFirst\n\n2\n00:00:03,000 --> 00:00:04,000\nSecond\n\n"
            "3\n00:00:05,000 --> 00:00:06,000\n\n4\n00:00:07,000 --> 00:00:08,000\nChanged\n");
}

TEST(SubRip, AFileWithoutATimingLineIsRefused) {
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile("1\nHello\n\n2\nBye\n", file), ReadStatus::Unrecognised);
  EXPECT_TRUE(file.lines.empty());
}

// The worked examples of the rules, on cues instead of frame-based entries:
// the same texts, times halved in milliseconds, a frame (40 ms at 25 fps)
// between the halves.
TEST(SubRip, TheRulesOnCues) {
  test::TempDir dir;
  Session s;
  Open(dir, s,
       "1\n00:00:04,000 --> 00:00:08,000\nThis is a rather long subtitle line that needs a break\n\n"
       "2\n00:00:10,000 --> 00:00:12,000\n-Where are you going?\n-Out to the\ngarden.\n\n"
       "3\n00:00:36,000 --> 00:00:44,000\nWe have been walking for hours and hours\n"
       "along the river bank and nobody has seen a single boat\n\n"
       "4\n00:01:00,000 --> 00:01:04,000\n<i>This first line is definitely much longer than allowed\n"
       "and this second line is also longer than it should be</i>\n\n"
       "5\n00:01:05,000 --> 00:01:06,000\n<i>I couldn't tell cruelty from kindness.</i>\n");
  const CommandResult r = s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Items(),
            (Lines{"{00:00:04,000}{00:00:08,000}This is a rather long subtitle|line that needs a break",
                   "{00:00:10,000}{00:00:12,000}-Where are you going?|-Out to the garden.",
                   "{00:00:36,000}{00:00:40,000}We have been walking for|hours and hours along",
                   "{00:00:40,040}{00:00:44,000}the river bank and nobody|has seen a single boat",
                   "{00:01:00,000}{00:01:02,000}<i>This first line is definitely|much longer than allowed</i>",
                   "{00:01:02,040}{00:01:04,000}<i>and this second line is also|longer than it should be</i>",
                   "{00:01:05,000}{00:01:06,000}<i>I couldn't tell cruelty from kindness.</i>"}));
  EXPECT_EQ(r.messages, Lines{"I just fixed 4 lines, for You"});
  // The frame buttons move a time by frames: "Start + 1" is 40 ms at 25 fps.
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 0); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, -100); });
  EXPECT_EQ(s.doc.List1.Item(0).substr(0, 28), "{00:00:04,040}{00:00:04,000}");
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Item(6), "{00:01:05,000}{00:01:06,000}I couldn't tell cruelty from kindness.");
}

TEST(SubRip, CuesAreRenumberedAfterSplitAndDelete) {
  test::TempDir dir;
  Session s;
  Open(dir, s,
       "1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n00:00:03,000 --> 00:00:05,000\nB\n\n3\n00:00:06,000 --> "
       "00:00:07,000\nC\n");
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 1); });
  s.Run(CommandId::EditEntry, [&] { Command14_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 0); });
  s.Run(CommandId::EditEntry, [&] { Command1_Click(s.doc); });
  EXPECT_EQ(Saved(dir, s.doc),
            "1\n00:00:03,000 --> 00:00:04,000\nB\n\n2\n00:00:04,040 --> 00:00:05,000\nB\n\n"
            "3\n00:00:06,000 --> 00:00:07,000\nC\n");
}

// Entries without times are written as their bare lines between blank
// lines, numbered not, so that they read back as themselves.
TEST(SubRip, EntriesWithoutTimesAreWrittenBare) {
  Document doc;
  test::Run(doc, [&] {
    doc.Load({std::string(kUnreadLine) + "Subtitles downloaded from www.example.org", "{00:00:01,000}{00:00:02,000}Hi",
              "No fields", "{12}Half", "{abc}{00:00:02,000}Bad times", "{00:00:03,000}{00:00:04,000}Bye|there"},
             "film.srt", FileIdentity(Encoding::Utf8, LineEnd::Lf, &SubRip()));
  });
  std::string bytes;
  ASSERT_TRUE(EncodeDocument(doc, nullptr, bytes));
  EXPECT_EQ(bytes,
            "Subtitles downloaded from www.example.org\n\n1\n00:00:01,000 --> 00:00:02,000\nHi\n\nNo fields\n\n"
            "{12}Half\n\n{abc}{00:00:02,000}Bad times\n\n2\n00:00:03,000 --> 00:00:04,000\nBye\nthere\n\n");
  SubtitleFile again;
  ASSERT_EQ(ParseSubtitleFile(bytes, again), ReadStatus::Ok);
  const auto unread = [](const char* line) { return std::string(kUnreadLine) + line; };
  EXPECT_EQ(again.lines, (Lines{unread("Subtitles downloaded from www.example.org"), "{00:00:01,000}{00:00:02,000}Hi",
                                unread("No fields"), unread("{12}Half"), unread("{abc}{00:00:02,000}Bad times"),
                                "{00:00:03,000}{00:00:04,000}Bye|there"}));
}

// A lenient time is written as read while its cue's times are untouched
// (a text change keeps the timing line), and as HH:MM:SS,mmm once a
// command moves it; a negative time stays negative through the frame
// buttons and Split Line.
TEST(SubRip, LenientTimesThroughCommands) {
  test::TempDir dir;
  Session s;
  Open(dir, s,
       "1\n0:0:05,000 --> 0:0:06,5  X1:1\nText\n\n2\n00:00:60,000 --> 00:01:02,000\nSixty\n\n"
       "3\n-00:00:05,000 --> 00:00:01,000\nEarly\n\n4\n-00:00:01,000 --> 00:00:02,000\nEarlier\n");
  s.Run(CommandId::EditEntry, [&] { s.doc.SetItem(0, "{0:0:05,000}{0:0:06,5}Changed"); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 1); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, 0); });
  EXPECT_EQ(s.doc.List1.Item(1), "{00:01:00,040}{00:01:02,000}Sixty");
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 3); });
  const CommandResult low = s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, 0); });
  EXPECT_EQ(low.messages, Lines{"To low value"}) << "a start still before zero is refused, as in frames";
  EXPECT_EQ(s.doc.List1.Item(3), "{-00:00:01,000}{00:00:02,000}Earlier");
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 100, 0); });
  EXPECT_EQ(s.doc.List1.Item(3), "{00:00:03,000}{00:00:02,000}Earlier");
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 2); });
  s.Run(CommandId::EditEntry, [&] { Command14_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Item(2), "{-00:00:05,000}{-00:00:02,000}Early");
  EXPECT_EQ(s.doc.List1.Item(3), "{-00:00:01,960}{00:00:01,000}Early");
  const std::string saved = Saved(dir, s.doc);
  EXPECT_EQ(saved,
            "1\n0:0:05,000 --> 0:0:06,5  X1:1\nChanged\n\n2\n00:01:00,040 --> 00:01:02,000\nSixty\n\n"
            "3\n-00:00:05,000 --> -00:00:02,000\nEarly\n\n4\n-00:00:01,960 --> 00:00:01,000\nEarly\n\n"
            "5\n00:00:03,000 --> 00:00:02,000\nEarlier\n");
  SubtitleFile again;
  ASSERT_EQ(ParseSubtitleFile(saved, again), ReadStatus::Ok);
  EXPECT_EQ(again.lines, s.doc.List1.Items());
}

TEST(SubRipDialect, WithoutEmptySpans) {
  const struct {
    const char *text, *expected;
  } cases[] = {
      {"<i></i>", ""},
      {"<b> </b>", " "},
      {"Hello<b> </b>world", "Hello world"},
      {"<i>Hello</i>", "<i>Hello</i>"},
      {"<i><b></b></i>Left", "Left"},
      {"<i><b>x</b></i>", "<i><b>x</b></i>"},
      {"<I>|</i>Next", "|Next"},
      {"<font color=\"#FF0000\">{\\an8}</font>Top", "{\\an8}Top"},
      {"<i><b></i>", "<i><b></i>"},
      {"</i>stray<i>", "</i>stray<i>"},
      {"<i></b>x</i>", "<i></b>x</i>"},
      {"a < b", "a < b"},
  };
  for (const auto& c : cases) EXPECT_EQ(SubRip().Dialect().WithoutEmptySpans(c.text), c.expected) << c.text;
}

// A colour converts only when it is one, a tag only when it is one; the
// text stays visible.
TEST(SubRipDialect, ColoursAndTagsConvert) {
  Document doc;
  test::Run(doc, [&] {
    doc.Load({"{00:00:01,000}{00:00:02,000}<font color=\"#FF{0}0\">Hello</font>",
              "{00:00:03,000}{00:00:04,000}<FONT COLOR=#00ff00>Green</font>",
              "{00:00:05,000}{00:00:06,000}<font face=\"#1 Font\" color=white>Face</font>",
              "{00:00:07,000}{00:00:08,000}<i-am> <b2>"},
             "film.srt", FileIdentity(Encoding::Utf8, LineEnd::Lf, &SubRip()));
  });
  std::string bytes;
  ASSERT_TRUE(EncodeDocument(doc, &MicroDvd(), bytes));
  EXPECT_EQ(bytes,
            "{1}{1}25\n{25}{50}Hello\n{75}{100}{c:$00ff00}Green\n{125}{150}{f:#1 Font}Face\n{175}{200}<i-am> <b2>\n");
}

// A small film excerpt converted both ways, against files made by hand.
TEST(SubRip, ConversionBothWays) {
  const std::string srt =
      "1\r\n00:00:01,000 --> 00:00:03,000\r\nHello there.\r\n\r\n"
      "2\r\n00:00:03,500 --> 00:00:06,250\r\n<i>Where are you going?</i>\r\nTo the river.\r\n\r\n";
  struct {
    double fps;
    std::string sub, back;
  } cases[] = {
      {25, "{1}{1}25\r\n{25}{75}Hello there.\r\n{88}{156}{y:i}Where are you going?|To the river.\r\n",
       "1\r\n00:00:01,000 --> 00:00:03,000\r\nHello there.\r\n\r\n"
       "2\r\n00:00:03,520 --> 00:00:06,240\r\n<i>Where are you going?</i>\r\nTo the river.\r\n\r\n"},
      {23.976, "{1}{1}23.976\r\n{24}{72}Hello there.\r\n{84}{150}{y:i}Where are you going?|To the river.\r\n",
       "1\r\n00:00:01,001 --> 00:00:03,003\r\nHello there.\r\n\r\n"
       "2\r\n00:00:03,504 --> 00:00:06,256\r\n<i>Where are you going?</i>\r\nTo the river.\r\n\r\n"},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    Session s;
    Open(dir, s, srt, "film.srt", c.fps);
    EXPECT_EQ(Saved(dir, s.doc, "film.sub"), c.sub) << c.fps;
    Session back;
    Open(dir, back, c.sub, "again.sub");
    EXPECT_EQ(back.doc.Identity().frameRate, c.fps) << "named by the file's first entry";
    EXPECT_EQ(Saved(dir, back.doc, "again.srt"), c.back) << c.fps;
  }
}

}  // namespace
}  // namespace lm
