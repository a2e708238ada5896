// Moving every entry's times: offsets as people write them, in frames or
// times, at the document's frame rate, never before 0, one undo step.
#include <gtest/gtest.h>

#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

TEST(Shift, OffsetsAsWritten) {
  const std::pair<const char*, std::optional<std::pair<int64_t, bool>>> cases[] = {
      {"+1.5", {{1500, false}}},
      {"-0,25", {{-250, false}}},
      {"2", {{2000, false}}},
      {"+12f", {{12, true}}},
      {"-3f", {{-3, true}}},
      {"-00:00:02,000", {{-2000, false}}},
      {"1.2.3", {}},
      {"f", {}},
      {"+", {}},
      {"12 f", {}},
      {"1e3", {}},
      {"", {}},
  };
  for (const auto& [text, expected] : cases) {
    const std::optional<TimeOffset> got = ParseTimeOffset(text);
    ASSERT_EQ(got.has_value(), expected.has_value()) << text;
    if (got) {
      EXPECT_EQ(std::make_pair(got->amount, got->frames), *expected) << text;
    }
  }
}

TEST(Shift, MovesEveryTimedEntryInItsOwnNotation) {
  struct Case {
    const char* name;
    std::string file, path, offset;
    Lines after;
    int held;
  } cases[] = {
      {"FramesByFrames",
       "{1}{1}25\r\nNo times\r\n{25}{50}Hi\r\n",
       "f.sub",
       "+12f",
       {"{1}{1}25", "No times", "{37}{62}Hi"},
       0},
      {"FramesBySeconds", "{1}{1}23.976\r\n{24}{48}Hi\r\n", "f.sub", "+1", {"{1}{1}23.976", "{48}{72}Hi"}, 0},
      {"FramesBeforeZero", "{25}{50}Hi\r\n{100}{125}Bye\r\n", "f.sub", "-1.5", {"{0}{12}Hi", "{62}{87}Bye"}, 1},
      {"TimesByFrames",
       "1\n00:00:01,000 --> 00:00:02,000\nHi\n",
       "f.srt",
       "+25f",
       {"{00:00:02,000}{00:00:03,000}Hi"},
       0},
      {"TimesBeforeZero",
       "1\n00:00:01,000 --> 00:00:02,000\nHi\n",
       "f.srt",
       "-00:00:03,000",
       {"{00:00:00,000}{00:00:00,000}Hi"},
       2},
  };
  for (const Case& c : cases) {
    Session s;
    s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, c.file, c.path)) << c.name; });
    const Lines before = s.doc.List1.Items();
    int held = -1;
    s.Run(CommandId::Shift, [&] { ShiftTimes(s.doc, *ParseTimeOffset(c.offset), &held); });
    EXPECT_EQ(s.doc.List1.Items(), c.after) << c.name;
    EXPECT_EQ(held, c.held) << c.name;
    s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
    EXPECT_EQ(s.doc.List1.Items(), before) << c.name << ": one undo step";
  }
}

// Another frame rate: frames renumbered so that every entry shows at the
// same moment, the header naming the new rate; times left as they are.
TEST(FrameRate, RenumberedForAnotherRateAtTheSameMoments) {
  const struct {
    std::string file, path;
    double to;
    Lines after;
  } cases[] = {
      {"{1}{1}25\r\n{25}{50}Hi\r\nNo times\r\n", "f.sub", 50, {"{1}{1}50", "{50}{100}Hi", "No times"}},
      {"{24}{48}Hi\r\n{1001}{1002}x\r\n", "f.sub", 23.976, {"{23}{46}Hi", "{960}{961}x"}},
      {"1\n00:00:01,000 --> 00:00:02,000\nHi\n", "f.srt", 50, {"{00:00:01,000}{00:00:02,000}Hi"}},
  };
  for (const auto& c : cases) {
    Session s;
    s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, c.file, c.path)); });
    s.Run(CommandId::FrameRate, [&] { ChangeFrameRate(s.doc, c.to); });
    EXPECT_EQ(s.doc.List1.Items(), c.after) << c.file;
    EXPECT_EQ(s.doc.Identity().frameRate, c.to);
  }
}

}  // namespace
}  // namespace lm
