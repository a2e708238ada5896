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
