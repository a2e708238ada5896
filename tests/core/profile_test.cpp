// Broadcasters' profiles: profile files, each rule at and around its limit
// in frames at 23.976, 25 and 29.97 frames a second and in SubRip times,
// and the timing fix against hand-computed times.
#include <gtest/gtest.h>

#include "commands/command_table.h"
#include "files/profile_file.h"
#include "formats/subrip/subrip.h"
#include "model/profiles.h"
#include "rules/profile_rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

TEST(ProfileFile, GoodFilesGiveTheirFigures) {
  struct {
    const char* text;
    int chars, lines;
    double cps, minDuration, maxDuration;  // 0: unset
    int gap;                               // -1: unset
  } cases[] = {
      {"characters-per-line = 42\nlines = 2\ncharacters-per-second = 17\nmin-duration = 5/6\n"
       "max-duration = 7\nmin-gap-frames = 2\nbreaks = middle\n",
       42, 2, 17, 5.0 / 6.0, 7, 2},
      // A byte order mark, CR LF, comments, blanks and tabs around, no
      // line end at the end; what is left out stays classic.
      {"\xEF\xBB\xBF# teletext channel\r\n\r\n\tcharacters-per-line=37 \r\n  # no timing\r\nmin-duration = 1.5", 37, 2,
       0, 1.5, 0, -1},
      {"", 41, 2, 0, 0, 0, -1},
      {"min-gap-frames = 0\nmin-duration = 0\nmax-duration = 0.5\ncharacters-per-second = 12.5", 41, 2, 12.5, 0, 0.5,
       0},
  };
  for (const auto& c : cases) {
    Profile p;
    std::string error;
    ASSERT_TRUE(ParseProfile(c.text, "mine.txt", p, error)) << c.text << ": " << error;
    EXPECT_EQ(p.name, "mine.txt");
    EXPECT_EQ(p.charactersPerLine, c.chars) << c.text;
    EXPECT_EQ(p.lines, c.lines) << c.text;
    EXPECT_EQ(p.charactersPerSecond.value_or(0), c.cps) << c.text;
    EXPECT_DOUBLE_EQ(p.minDuration.value_or(0), c.minDuration) << c.text;
    EXPECT_EQ(p.maxDuration.value_or(0), c.maxDuration) << c.text;
    EXPECT_EQ(p.minGapFrames.value_or(-1), c.gap) << c.text;
  }
}

TEST(ProfileFile, BadLinesAreRefusedByNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"lines = 2\ncolour = red\n", "line 2: unknown key 'colour'"},
      {"# mine\n\ncharacters-per-line 42\n", "line 3: 'characters-per-line 42' is not 'key = value'"},
      {"characters-per-line = forty\n", "line 1: characters-per-line is a whole number from 1 to 255, not 'forty'"},
      {"characters-per-line = 0\n", "line 1: characters-per-line is a whole"},
      {"lines = 2.5\n", "line 1: lines is a whole number from 1 to 9"},
      {"lines = 10\n", "line 1: lines is a whole number from 1 to 9"},
      {"characters-per-second = -3\n", "line 1: characters-per-second is a number above 0"},
      {"characters-per-second = 0\n", "line 1: characters-per-second is a number above 0"},
      {"characters-per-second = 17 cps\n", "line 1: characters-per-second is a number"},
      {"min-duration = 1,5\n", "line 1: min-duration is a number of seconds from 0"},
      {"max-duration = 5/0\n", "line 1: max-duration is a number of seconds above 0"},
      {"max-duration =\n", "line 1: max-duration is a number of seconds above 0"},
      {"min-gap-frames = 2.5\n", "line 1: min-gap-frames is a whole number of frames"},
      {"breaks = natural\n", "line 1: breaks is 'middle'"},
      {"lines = 2\r\nmin-duration = 2\r\nlines = 3\r\n", "line 3: lines is given twice (first on line 1)"},
      {"min-duration = 2\nmax-duration = 1\n", "line 2: max-duration is shorter than min-duration"},
  };
  for (const auto& [text, why] : cases) {
    Profile p;
    p.charactersPerLine = 99;
    std::string error;
    EXPECT_FALSE(ParseProfile(text, "mine.txt", p, error)) << text;
    EXPECT_EQ(error.rfind(why, 0), 0u) << text << ": " << error;
    EXPECT_EQ(p.charactersPerLine, 99) << "a refused file changes nothing";
  }
}

TEST(ProfileFile, LoadedByNameOrFromAFile) {
  test::TempDir dir;
  test::Put(dir / "channel.txt", "characters-per-line = 40\n");
  test::Put(dir / "bad.txt", "lines = many\n");
  Profile p;
  std::string error;
  ASSERT_TRUE(LoadProfile("netflix", p, error));
  EXPECT_EQ(p.name, "netflix");
  ASSERT_TRUE(LoadProfile(dir / "channel.txt", p, error));
  EXPECT_EQ(p.charactersPerLine, 40);
  EXPECT_EQ(p.name, dir / "channel.txt");
  EXPECT_FALSE(LoadProfile(dir / "bad.txt", p, error));
  EXPECT_EQ(error, dir / "bad.txt" + ": line 1: lines is a whole number from 1 to 9, not 'many'");
  EXPECT_FALSE(LoadProfile("netflx", p, error));
  EXPECT_EQ(error,
            "'netflx' is neither a profile (classic, netflix, teletext, bbc) nor a profile file: "
            "No such file or directory");
  EXPECT_FALSE(LoadProfile(dir.path(), p, error));
  ASSERT_TRUE(LoadProfile("classic", p, error));
  EXPECT_TRUE(IsClassic(p) && !HasTimingFigures(p));
}

// A document of `lines` in frames at `fps`, or in SubRip times, under the
// profile.
void LoadAs(Document& doc, Lines lines, double fps, bool times, const Profile& profile) {
  FileIdentity id(Encoding::Utf8, LineEnd::Lf, times ? &SubRip() : &MicroDvd());
  id.frameRate = fps;
  test::Run(doc, [&] { doc.Load(std::move(lines), times ? "/nowhere/film.srt" : "/nowhere/film.sub", id); });
  doc.SetProfile(profile);
}

const Profile& Netflix() { return *FindBuiltInProfile("netflix"); }

TEST(ProfileRules, EachRuleAtAndAroundItsLimit) {
  struct {
    const char* name;
    double fps;
    bool times;
    Lines lines;
    std::vector<std::string> problems;  // "entry rule", entries from 1
    std::vector<int> untimed = {};
  } cases[] = {
      // 5/6 s: 20 frames at 23.976 (0.834 s), 21 at 25, 25 at 29.97, 834 ms.
      {"MinDuration23976", 23.976, false, {"{0}{20}Hi", "{100}{119}Hi"}, {"2 min-duration"}},
      {"MinDuration25", 25, false, {"{0}{21}Hi", "{100}{120}Hi"}, {"2 min-duration"}},
      {"MinDuration2997", 29.97, false, {"{0}{25}Hi", "{100}{124}Hi"}, {"2 min-duration"}},
      {"MinDurationTimes",
       25,
       true,
       {"{00:00:00,000}{00:00:00,834}Hi", "{00:00:05,000}{00:00:05,833}Hi"},
       {"2 min-duration"}},
      // 7 s: 167 frames at 23.976 (6.965 s, 168 is 7.007), 175 at 25, 209 at 29.97.
      {"MaxDuration23976", 23.976, false, {"{0}{167}Hi", "{200}{368}Hi"}, {"2 max-duration"}},
      {"MaxDuration25", 25, false, {"{0}{175}Hi", "{200}{376}Hi"}, {"2 max-duration"}},
      {"MaxDuration2997", 29.97, false, {"{0}{209}Hi", "{300}{510}Hi"}, {"2 max-duration"}},
      {"MaxDurationTimes",
       23.976,
       true,
       {"{00:00:00,000}{00:00:07,000}Hi", "{00:00:10,000}{00:00:17,001}Hi"},
       {"2 max-duration"}},
      // 2 frames between entries; touching is a gap of none, one before
      // the other ends an overlap.
      {"GapFrames",
       25,
       false,
       {"{0}{30}Hi", "{32}{60}Hi", "{61}{90}Hi", "{90}{120}Hi", "{119}{150}Hi"},
       {"2 gap", "3 gap", "4 overlap"}},
      // 2 frames are 83.4 ms at 23.976 and 66.7 ms at 29.97.
      {"GapTimes23976",
       23.976,
       true,
       {"{00:00:01,000}{00:00:02,000}Hi", "{00:00:02,084}{00:00:03,000}Hi", "{00:00:03,083}{00:00:04,000}Hi"},
       {"2 gap"}},
      {"GapTimes2997",
       29.97,
       true,
       {"{00:00:01,000}{00:00:02,000}Hi", "{00:00:02,067}{00:00:03,000}Hi", "{00:00:03,066}{00:00:04,000}Hi"},
       {"2 gap"}},
      // 17 characters a second, spaces counted, line breaks and tags not.
      {"ReadingSpeedFrames",
       25,
       false,
       {"{0}{50}Seventeen characters per second ok", "{100}{149}Seventeen characters per second ok",
        "{200}{250}{y:i}Seventeen characters|per second, ok", "{300}{350}Spoken at the speed limit, exactly!"},
       {"2 reading-speed", "4 reading-speed"}},
      {"ReadingSpeed2997",
       29.97,
       false,
       {"{0}{30}Seventeen chars!!", "{100}{129}Seventeen chars!!"},
       {"2 reading-speed"}},
      {"ReadingSpeedTimes",
       25,
       true,
       {"{00:00:00,000}{00:00:01,000}<i>Seventeen chars!!</i>", "{00:00:05,000}{00:00:05,999}Seventeen chars!!"},
       {"2 reading-speed"}},
      // 42 characters a line, 2 lines; a line-start "/" is italics.
      {"LineLengthAndLines",
       25,
       false,
       {"{0}{100}A line of exactly forty-two characters, ok", "{200}{300}A line of exactly forty-three characters no",
        "{400}{500}/A line of exactly forty-two characters, ok", "{600}{700}one|two|three", "{800}{900}one|two"},
       {"2 line-length", "4 lines"}},
      // In a SubRip cue "|" is a character; its text lines are the screen lines.
      {"LinesOfACue",
       25,
       true,
       {"{00:00:00,000}{00:00:04,000}one|two|three", "{00:00:05,000}{00:00:09,000}a \xEF\xB7\x90 b"},
       {"1 lines"}},
      // The frame-rate header is no entry; a line without frames is listed
      // apart, and so is an entry whose fields are no times, whose text is
      // still judged.
      {"UntimedAndHeader",
       25,
       false,
       {"{1}{1}25", "\xEF\xB7\x91Content-Type: text/plain", "{ab}{20}one|two|three", "{100}{200}Hi"},
       {"3 lines"},
       {1, 2}},
  };
  for (const auto& c : cases) {
    Document doc;
    LoadAs(doc, c.lines, c.fps, c.times, Netflix());
    const ProfileCheck check = CheckProfile(doc);
    std::vector<std::string> found;
    for (const Problem& p : check.problems)
      found.push_back(std::to_string(p.entry + 1) + " " + std::string(RuleName(p.rule)));
    EXPECT_EQ(found, c.problems) << c.name;
    EXPECT_EQ(check.untimed, c.untimed) << c.name;
  }
}

TEST(ProfileRules, ClassicJudgesTheScreenLinesAndOverlapsOnly) {
  Document doc;
  LoadAs(doc, {"{0}{1}Hi", "{10}{20}" + std::string(42, 'a'), "{30}{40}a|b|c", "{35}{50}x"}, 25, false, Profile());
  const ProfileCheck check = CheckProfile(doc);
  std::vector<std::pair<int, Rule>> found;
  for (const Problem& p : check.problems) found.emplace_back(p.entry, p.rule);
  EXPECT_EQ(found, (std::vector<std::pair<int, Rule>>{{1, Rule::LineLength}, {2, Rule::Lines}, {2, Rule::Overlap}}));
  EXPECT_EQ(EntriesBreaking(check), 2);
}

TEST(ProfileRules, AValueOverItsLimitNeverReadsAsTheLimit) {
  const std::pair<Problem, const char*> cases[] = {
      {{0, Rule::ReadingSpeed, 23.4166, 17}, "reading speed 23.4 > 17 cps"},
      {{0, Rule::ReadingSpeed, 17.0417, 17}, "reading speed 17.04 > 17 cps"},
      {{0, Rule::MinDuration, 0.8, 5.0 / 6.0}, "duration 0.8 s < 0.833 s"},
      {{0, Rule::Gap, 1.992, 2}, "gap 1.99 < 2 frames"},
  };
  for (const auto& [problem, text] : cases) EXPECT_EQ(DescribeProblem(problem), text);
}

TEST(TimingFix, AgainstHandComputedTimes) {
  struct {
    const char* name;
    double fps;
    bool times;
    Lines before, after;
  } cases[] = {
      // 5/6 s is 21 frames at 25; 34 characters at 17 a second are 2 s.
      {"TooShortAndTooFast",
       25,
       false,
       {"{0}{10}Hi", "{100}{110}Seventeen characters per second ok", "{1000}{1100}Fine"},
       {"{0}{21}Hi", "{100}{150}Seventeen characters per second ok", "{1000}{1100}Fine"}},
      // Up to 2 frames before the next start, and no further.
      {"LittleRoom", 25, false, {"{0}{10}Hi", "{22}{60}Hi"}, {"{0}{20}Hi", "{22}{60}Hi"}},
      // A gap below 2 frames, and an overlap, become 2 frames; a next
      // entry that starts within 2 frames of this start leaves it alone.
      {"GapsAndOverlaps",
       25,
       false,
       {"{0}{50}a", "{51}{100}b", "{90}{150}c", "{200}{260}d", "{201}{300}e"},
       {"{0}{49}a", "{51}{88}b", "{90}{150}c", "{200}{260}d", "{201}{300}e"}},
      // No longer than 7 s, however fast it reads.
      {"NeverPastTheLongest", 25, false, {"{0}{50}" + std::string(200, 'w')}, {"{0}{175}" + std::string(200, 'w')}},
      // In SubRip times at 23.976: 5/6 s is 834 ms, 2 frames 84 ms.
      {"Times23976",
       23.976,
       true,
       {"{00:00:01,000}{00:00:01,200}Hi", "{00:00:02,000}{00:00:02,100}Hi", "{00:00:02,500}{00:00:04,000}Hi"},
       {"{00:00:01,000}{00:00:01,834}Hi", "{00:00:02,000}{00:00:02,416}Hi", "{00:00:02,500}{00:00:04,000}Hi"}},
      // At 29.97, 5/6 s is 25 frames; the next entry with times is the
      // one after a line kept as it was, and the header is left alone.
      {"PastKeptLines29.97",
       29.97,
       false,
       {"{1}{1}29.97", "{10}{20}Hi", "\xEF\xB7\x91garbage", "{30}{90}Hi"},
       {"{1}{1}29.97", "{10}{28}Hi", "\xEF\xB7\x91garbage", "{30}{90}Hi"}},
  };
  for (const auto& c : cases) {
    Document doc;
    LoadAs(doc, c.before, c.fps, c.times, Netflix());
    int changed = 0;
    test::Run(doc, [&] { changed = FixTiming(doc); });
    EXPECT_EQ(doc.List1.Items(), c.after) << c.name;
    int differ = 0;
    for (size_t k = 0; k < c.before.size(); ++k) differ += c.before[k] != c.after[k];
    EXPECT_EQ(changed, differ) << c.name;
  }
}

TEST(TimingFix, IsOneUndoableStepThatSaysWhatIsLeft) {
  Session s;
  const Lines before = {"{0}{10}Hi", "{11}{30}Hi", "{100}{400}Too long to fix"};
  test::Load(s, before);
  s.doc.SetProfile(Netflix());
  const CommandResult r = s.Run(CommandOf(CommandId::FixTiming));
  EXPECT_EQ(s.doc.List1.Items(), (Lines{"{0}{9}Hi", "{11}{32}Hi", "{100}{400}Too long to fix"}));
  EXPECT_EQ(r.messages, Lines{"Fixed the timing of 2 entries; 2 entries still break the netflix profile"});
  EXPECT_EQ(s.doc.UndoName(), "Fix timing");
  s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
  EXPECT_EQ(s.doc.List1.Items(), before);
  EXPECT_EQ(s.Run(CommandOf(CommandId::FixTiming)).messages.size(), 1u);
  s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
  s.doc.SetProfile(Profile());
  EXPECT_EQ(s.Run(CommandOf(CommandId::FixTiming)).messages,
            Lines{"No timing changes; every entry meets the classic profile"});
}

}  // namespace
}  // namespace lm
