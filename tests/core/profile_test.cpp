// Broadcasters' profiles: profile files, each rule at and around its limit
// in frames at 23.976, 25 and 29.97 frames a second and in SubRip times,
// and the timing fix against hand-computed times.
#include <gtest/gtest.h>

#include "commands/command_table.h"
#include "formats/subrip/subrip.h"
#include "model/profiles.h"
#include "rules/profile_rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

// The figures of a profile: characters, lines, speed, durations, gap ("-":
// unset).
std::string Figures(const Profile& p) {
  const auto figure = [](const auto& v) { return v ? " " + FormatNumber(*v, 3) : std::string(" -"); };
  return std::to_string(p.charactersPerLine) + " " + std::to_string(p.lines) + figure(p.charactersPerSecond) +
         figure(p.minDuration) + figure(p.maxDuration) + figure(p.minGapFrames);
}

TEST(ProfileFile, GoodFilesGiveTheirFigures) {
  const std::pair<const char*, const char*> cases[] = {
      {"characters-per-line = 42\nlines = 2\ncharacters-per-second = 17\nmin-duration = 5/6\n"
       "max-duration = 7\nmin-gap-frames = 2\nbreaks = middle\n",
       "42 2 17 0.833 7 2"},
      // A byte order mark, CR LF, comments, blanks and tabs around, no
      // line end at the end; what is left out stays classic.
      {"\xEF\xBB\xBF# teletext channel\r\n\r\n\tcharacters-per-line=37 \r\n  # no timing\r\nmin-duration = 1.5",
       "37 2 - 1.5 - -"},
      {"min-gap-frames = 0\nmin-duration = 0\nmax-duration = 0.5\ncharacters-per-second = 12.5", "41 2 12.5 0 0.5 0"},
  };
  for (const auto& [text, figures] : cases) {
    Profile p;
    std::string error;
    ASSERT_TRUE(ParseProfile(text, "mine.txt", p, error)) << text << ": " << error;
    EXPECT_EQ(p.name, "mine.txt");
    EXPECT_EQ(Figures(p), figures) << text;
  }
}

TEST(ProfileFile, BreakStyleAndLanguage) {
  const struct {
    const char* text;
    BreakStyle breaks;
    const char* language;  // "": guessed
  } cases[] = {
      {"lines = 2\n", BreakStyle::Middle, ""},
      {"breaks = natural\n", BreakStyle::Natural, ""},
      {"breaks = natural\nlanguage = FR\n", BreakStyle::Natural, "fr"},
      {"language = ru\nbreaks = middle\n", BreakStyle::Middle, "ru"},
  };
  for (const auto& c : cases) {
    Profile p;
    std::string error;
    ASSERT_TRUE(ParseProfile(c.text, "mine.txt", p, error)) << c.text << ": " << error;
    EXPECT_EQ(p.breaks, c.breaks) << c.text;
    EXPECT_EQ(p.language < 0 ? "" : kBreakLanguages[p.language], std::string(c.language)) << c.text;
  }
  // The broadcasters break where their subtitlers would; classic stays as it was.
  for (const BuiltInProfile& b : BuiltInProfiles())
    EXPECT_EQ(b.profile.breaks, IsClassic(b.profile) ? BreakStyle::Middle : BreakStyle::Natural) << b.profile.name;
}

TEST(ProfileFile, BadLinesAreRefusedByNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"lines = 2\ncolour = red\n", "line 2: unknown key 'colour'"},
      {"# mine\n\ncharacters-per-line 42\n", "line 3: 'characters-per-line 42' is not 'key = value'"},
      {"characters-per-line = forty\n", "line 1: characters-per-line is a whole number from 1 to 255, not 'forty'"},
      {"lines = 2.5\n", "line 1: lines is a whole number from 1 to 9"},
      {"characters-per-second = -3\n", "line 1: characters-per-second is a number above 0"},
      {"characters-per-second = 0\n", "line 1: characters-per-second is a number above 0"},
      {"characters-per-second = 17 cps\n", "line 1: characters-per-second is a number"},
      {"min-duration = 1,5\n", "line 1: min-duration is a number of seconds from 0"},
      {"max-duration = 5/0\n", "line 1: max-duration is a number of seconds above 0"},
      {"min-gap-frames = 2.5\n", "line 1: min-gap-frames is a whole number of frames"},
      {"breaks = pyramid\n", "line 1: breaks is 'middle' (near the middle of the text) or 'natural'"},
      {"breaks = natural\nlanguage = xx\n", "line 2: language is one of en, fr, de, es, it, pt, nl, sv, da, no, fi"},
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

// A document of the entries (one a line) in frames at `fps`, or in SubRip
// times, under the profile.
void LoadAs(Document& doc, const std::string& entries, double fps, bool times, const Profile& profile) {
  Lines lines;
  std::istringstream in(entries);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  FileIdentity id(Encoding::Utf8, LineEnd::Lf, times ? &SubRip() : &MicroDvd());
  id.frameRate = fps;
  test::Run(doc, [&] { doc.Load(std::move(lines), times ? "/nowhere/film.srt" : "/nowhere/film.sub", id); });
  doc.SetProfile(profile);
}

const Profile& Netflix() { return *FindBuiltInProfile("netflix"); }
constexpr bool kTimes = true, kFrames = false;

TEST(ProfileRules, EachRuleAtAndAroundItsLimit) {
  struct {
    double fps;
    bool times;
    std::string entries;
    std::string problems;  // "entry rule", entries from 1
    std::vector<int> untimed = {};
  } cases[] = {
      // 5/6 s: 20 frames at 23.976 (0.834 s), 21 at 25, 25 at 29.97, 834 ms.
      {23.976, kFrames, "{0}{20}Hi\n{100}{119}Hi", "2 min-duration"},
      {25, kFrames, "{0}{21}Hi\n{100}{120}Hi", "2 min-duration"},
      {29.97, kFrames, "{0}{25}Hi\n{100}{124}Hi", "2 min-duration"},
      {25, kTimes, "{0:0:0,000}{0:0:0,834}Hi\n{0:0:5,000}{0:0:5,833}Hi", "2 min-duration"},
      // 7 s: 167 frames at 23.976 (168 are 7.007 s), 175 at 25, 209 at 29.97.
      {23.976, kFrames, "{0}{167}Hi\n{200}{368}Hi", "2 max-duration"},
      {25, kFrames, "{0}{175}Hi\n{200}{376}Hi", "2 max-duration"},
      {29.97, kFrames, "{0}{209}Hi\n{300}{510}Hi", "2 max-duration"},
      {23.976, kTimes, "{0:0:0,000}{0:0:7,000}Hi\n{0:0:10,000}{0:0:17,001}Hi", "2 max-duration"},
      // 2 frames between entries (83.4 ms at 23.976, 66.7 at 29.97);
      // touching is a gap of none, starting before the end an overlap.
      {25, kFrames, "{0}{30}Hi\n{32}{60}Hi\n{61}{90}Hi\n{90}{120}Hi\n{119}{150}Hi", "2 gap, 3 gap, 4 overlap"},
      {23.976, kTimes, "{0:0:1,000}{0:0:2,000}Hi\n{0:0:2,084}{0:0:3,000}Hi\n{0:0:3,083}{0:0:4,000}Hi", "2 gap"},
      {29.97, kTimes, "{0:0:1,000}{0:0:2,000}Hi\n{0:0:2,067}{0:0:3,000}Hi\n{0:0:3,066}{0:0:4,000}Hi", "2 gap"},
      // 17 characters a second, spaces counted, line breaks and tags not.
      {25, kFrames,
       "{0}{50}Seventeen characters per second ok\n{100}{149}Seventeen characters per second ok\n"
       "{200}{250}{y:i}Seventeen characters|per second, ok\n{300}{350}Spoken at the speed limit, exactly!",
       "2 reading-speed, 4 reading-speed"},
      {29.97, kFrames, "{0}{30}Seventeen chars!!\n{100}{129}Seventeen chars!!", "2 reading-speed"},
      {25, kTimes, "{0:0:0,000}{0:0:1,000}<i>Seventeen chars!!</i>\n{0:0:5,000}{0:0:5,999}Seventeen chars!!",
       "2 reading-speed"},
      // 42 characters a line, 2 lines; a line-start "/" is italics; in a
      // SubRip cue "|" is a character and its text lines are screen lines.
      {25, kFrames,
       "{0}{100}A line of exactly forty-two characters, ok\n{200}{300}A line of exactly forty-three characters no\n"
       "{400}{500}/A line of exactly forty-two characters, ok\n{600}{700}one|two|three\n{800}{900}one|two",
       "2 line-length, 4 lines"},
      {25, kTimes, "{0:0:0,000}{0:0:4,000}one|two|three\n{0:0:5,000}{0:0:9,000}a \xEF\xB7\x90 b", "1 lines"},
      // The frame-rate header is no entry; a line without frames is listed
      // apart, and so is an entry whose fields are no times (its text is
      // still judged).
      {25,
       kFrames,
       "{1}{1}25\n\xEF\xB7\x91"
       "Content-Type: text/plain\n{ab}{20}one|two|three\n{100}{200}Hi",
       "3 lines",
       {1, 2}},
  };
  for (const auto& c : cases) {
    Document doc;
    LoadAs(doc, c.entries, c.fps, c.times, Netflix());
    const ProfileCheck check = CheckProfile(doc);
    std::string found;
    for (const Problem& p : check.problems)
      found += (found.empty() ? "" : ", ") + std::to_string(p.entry + 1) + " " + std::string(RuleName(p.rule));
    EXPECT_EQ(found, c.problems) << c.entries;
    EXPECT_EQ(check.untimed, c.untimed) << c.entries;
  }
  // classic has the screen lines, and overlaps break every profile.
  Document doc;
  LoadAs(doc, "{0}{1}Hi\n{10}{20}" + std::string(42, 'a') + "\n{30}{40}a|b|c\n{35}{50}x", 25, kFrames, Profile());
  const ProfileCheck check = CheckProfile(doc);
  ASSERT_EQ(check.problems.size(), 3u);
  EXPECT_EQ(check.problems[0].rule, Rule::LineLength);
  EXPECT_EQ(check.problems[2].rule, Rule::Overlap);
  EXPECT_EQ(EntriesBreaking(check), 2);
  EXPECT_DOUBLE_EQ(TimingOf(doc, 1).value().charactersPerSecond.value(), 42 / 0.4) << "what the list shows";
  EXPECT_FALSE(TimingOf(doc, 4).has_value());
  EXPECT_EQ(DescribeProblem({0, Rule::ReadingSpeed, 17.0417, 17}), "reading speed 17.04 > 17 cps");
}

TEST(TimingFix, AgainstHandComputedTimes) {
  struct {
    double fps;
    bool times;
    std::string before, after;
  } cases[] = {
      // 5/6 s is 21 frames at 25; 34 characters at 17 a second are 2 s.
      {25, kFrames, "{0}{10}Hi\n{100}{110}Seventeen characters per second ok\n{1000}{1100}Fine",
       "{0}{21}Hi\n{100}{150}Seventeen characters per second ok\n{1000}{1100}Fine"},
      // Up to 2 frames before the next start, and no further.
      {25, kFrames, "{0}{10}Hi\n{22}{60}Hi", "{0}{20}Hi\n{22}{60}Hi"},
      // A gap below 2 frames, and an overlap, become 2 frames; a next
      // entry that starts within 2 frames of this start leaves it alone.
      {25, kFrames, "{0}{50}a\n{51}{100}b\n{90}{150}c\n{200}{260}d\n{201}{300}e",
       "{0}{49}a\n{51}{88}b\n{90}{150}c\n{200}{260}d\n{201}{300}e"},
      // No longer than 7 s, however fast it reads.
      {25, kFrames, "{0}{50}" + std::string(200, 'w'), "{0}{175}" + std::string(200, 'w')},
      // In SubRip times at 23.976: 5/6 s is 834 ms, 2 frames 84 ms.
      {23.976, kTimes, "{0:0:1,000}{0:0:1,200}Hi\n{0:0:2,000}{0:0:2,100}Hi\n{0:0:2,500}{0:0:4,000}Hi",
       "{0:0:1,000}{00:00:01,834}Hi\n{0:0:2,000}{00:00:02,416}Hi\n{0:0:2,500}{0:0:4,000}Hi"},
      // At 29.97, 5/6 s is 25 frames; the next entry with times comes after
      // a line kept as it was, and the header is left alone.
      {29.97, kFrames, "{1}{1}29.97\n{10}{20}Hi\n\xEF\xB7\x91garbage\n{30}{90}Hi",
       "{1}{1}29.97\n{10}{28}Hi\n\xEF\xB7\x91garbage\n{30}{90}Hi"},
  };
  for (const auto& c : cases) {
    Document doc, expected;
    LoadAs(doc, c.before, c.fps, c.times, Netflix());
    LoadAs(expected, c.after, c.fps, c.times, Netflix());
    int differ = 0;
    for (int k = 0; k < doc.List1.Count(); ++k) differ += doc.List1.Item(k) != expected.List1.Item(k);
    int changed = 0;
    test::Run(doc, [&] { changed = FixTiming(doc); });
    EXPECT_EQ(doc.List1.Items(), expected.List1.Items()) << c.before;
    EXPECT_EQ(changed, differ) << c.before;
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
  s.doc.SetProfile(Profile());
  EXPECT_EQ(s.Run(CommandOf(CommandId::FixTiming)).messages,
            Lines{"No timing changes; every entry meets the classic profile"});
}

}  // namespace
}  // namespace lm
