// The automatic fixing rules, the too-long search, the re-break and the
// removal of hearing-impaired text.
#include <gtest/gtest.h>

#include "model/profiles.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// One fix walk over a one-entry document.
struct WalkCase {
  const char* name;
  std::string in, out;  // out "": unchanged
};
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class FixWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(FixWalk, RewritesOneEntry) {
  const WalkCase& c = GetParam();
  Document doc;
  test::Load(doc, {c.in});
  test::Run(doc, [&] { FixEntries(doc); });
  EXPECT_EQ(doc.List1.Item(0), c.out.empty() ? c.in : c.out);
  EXPECT_EQ(doc.FixCount, c.out.empty() ? 0 : 1);
}

const std::string k20a(20, 'a'), k20b(20, 'b');
INSTANTIATE_TEST_SUITE_P(
    Entries, FixWalk,
    ::testing::Values(
        WalkCase{"NoSpaceFromTheMiddle", "{1}{2}I was there when the extraordinarilylongunbrokenwordhappened", ""},
        WalkCase{"DialogueWithoutBrokenLine", "{1}{2}Look|-Yes|-No", ""},
        WalkCase{"ThreeShortLines", "{5}{9}ab|cd|ef", "{5}{9}ab cd|ef"},
        WalkCase{"ThreeLinesOneDash", "{5}{9}-ab|cd|ef", ""},
        WalkCase{"FirstLineOf41", "{1}{2}" + k20a + " " + k20b + "|is grass",
                 "{1}{2}" + k20a + "|" + k20b + " is grass"},
        WalkCase{"SecondLineOf41Stays", "{1}{2}short|" + k20a + " " + k20b, ""},
        WalkCase{"ExactlyFortyOne", "{1}{2}" + k20a + " " + k20b, ""},
        WalkCase{"FortyTwo", "{1}{2}" + k20a + "  " + k20b, "{1}{2}" + k20a + "| " + k20b},
        WalkCase{"EightyIsLeftToTheSearch", "{1}{2}" + Repeat("abcd ", 16), ""},
        WalkCase{"WithoutItsFrameFields", "{100}" + Repeat("word ", 12), ""},
        // 41 two-byte letters are 41 characters, one screen line.
        WalkCase{"CountsCharactersNotBytes", "{1}{2}" + Repeat("\xC3\xA5", 20) + " " + Repeat("\xC3\xA5", 20), ""},
        WalkCase{"BreaksBetweenWholeCharacters", "{1}{2}" + Repeat("\xC3\xA5", 30) + " " + Repeat("\xC3\xA5", 30),
                 "{1}{2}" + Repeat("\xC3\xA5", 30) + "|" + Repeat("\xC3\xA5", 30)},
        // Style markup counts zero and goes with the lines it styles.
        WalkCase{"TagsAreNotCounted", "{1}{2}{Y:i}I couldn't tell cruelty from kindness.", ""},
        WalkCase{"ItalicLineBrokenStaysItalic", "{1}{2}{y:i}This is a rather long subtitle line that needs a break",
                 "{1}{2}{y:i}This is a rather long subtitle|{y:i}line that needs a break"},
        WalkCase{"EntryTagsStayAtTheStart",
                 "{1}{2}{Y:i}{c:$0000FF}This is a rather long subtitle line that needs a break",
                 "{1}{2}{Y:i}{c:$0000FF}This is a rather long subtitle|{c:$0000FF}line that needs a break"},
        WalkCase{"SlashMarkersRejoined", "{1}{2}/" + k20a + " " + k20b + "|/is grass",
                 "{1}{2}/" + k20a + "|/" + k20b + " is grass"},
        WalkCase{"NoCutInsideATag", "{1}{2}{f:DejaVu Sans}" + std::string(46, 'A'), ""},
        WalkCase{"ThreeItalicLines", "{5}{9}{y:i}ab|{y:i}cd|{y:i}ef", "{5}{9}{y:i}ab cd|{y:i}ef"},
        WalkCase{"DialogueWithTags", "{500}{600}{f:Some-Font}-Where are you going?|{y:i}-Out to the|{y:i}garden.",
                 "{500}{600}{f:Some-Font}-Where are you going?|{y:i}-Out to the garden."},
        WalkCase{"JoinedSlashOfAnotherStyleStaysItalic", "{1}{2}" + k20a + " " + k20b + "|/is grass",
                 "{1}{2}" + k20a + "|" + k20b + " {y:i}is grass"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BreakNearMiddle, ForwardFromJustBeforeTheMiddleThenBackward) {
  struct {
    std::string text, out;
  } cases[] = {{"Look out below the old bridge: unbelievably-long-hyphenated-names",
                "Look out below the old bridge:|unbelievably-long-hyphenated-names"},
               {"Look out below the bridge: unbelievably-long-hyphenated-names ok",
                "Look out below the bridge:|unbelievably-long-hyphenated-names ok"}};
  for (const auto& c : cases) {
    Document doc;
    test::Load(doc, {"{1}{2}" + c.text});
    test::Run(doc, [&] { BreakNearMiddle(doc); });
    EXPECT_EQ(doc.List1.Item(0), "{1}{2}" + c.out);
  }
}

TEST(FixWalk, AnEntryTooLongToCountEndsThePass) {
  Document doc;
  test::Load(doc, {"{1}{2}" + std::string(40000, 'x'), "{1}{2}" + Repeat("word ", 12)});
  const CommandResult r = test::Run(doc, [&] { FixEntries(doc); });
  EXPECT_EQ(r.messages, Lines{"Some shit"});
  EXPECT_EQ(doc.FixCount, 0);
}

TEST(FixTextAutomatic, TheSevenEntryDocument) {
  Session s;
  test::Load(
      s, {"{100}{200}This is a rather long subtitle line that needs a break", "{250}{300}Short one",
          "{500}{600}-Where are you going?|-Out to the|garden.", "{700}{800}First line|second line|third line here",
          "{900}{1100}We have been walking for hours and hours|along the river bank and nobody has seen a single boat",
          "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "{1400}{1500}Fine|lines"});
  const CommandResult r = s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  EXPECT_EQ(
      s.doc.List1.Items(),
      (Lines{"{100}{200}This is a rather long subtitle|line that needs a break", "{250}{300}Short one",
             "{500}{600}-Where are you going?|-Out to the garden.", "{700}{800}First line second|line third line here",
             "{900}{1000}We have been walking for|hours and hours along",
             "{1001}{1100}the river bank and nobody|has seen a single boat",
             "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "{1400}{1500}Fine|lines"}));
  EXPECT_EQ(r.messages, Lines{"I just fixed 4 lines, for You"});
  EXPECT_EQ(s.doc.CurrentIndex, 6);
  EXPECT_EQ(s.doc.List1.ListIndex(), 6);
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(6));
}

TEST(FixTextAutomatic, NothingToDo) {
  Session s;
  test::Load(s, {"{1}{2}Fine", "{3}{4}Also|fine"});
  EXPECT_EQ(s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); }).messages, Lines{"No new changes"});
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(1)) << "the last entry is left shown";
}

// A full document has no room for the second halves: the fix says how many
// entries stay too long for it.
TEST(FixTextAutomatic, AFullDocumentSaysWhatItCouldNotDivide) {
  const std::string longEntry =
      "{900}{1100}We have been walking for hours and hours|along the river bank and nobody has seen a single boat";
  for (const int room : {0, 1}) {
    Lines lines(static_cast<size_t>(32767 - 3 - room), "{1}{2}x");
    lines.insert(lines.end(), 3, longEntry);
    Session s;
    test::Load(s, lines);
    const CommandResult r = s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
    EXPECT_EQ(s.doc.List1.Count(), 32767);
    const std::string left = room ? "2 entries are" : "3 entries are";
    EXPECT_EQ(r.messages, Lines{std::string(room ? "I just fixed 1 lines, for You" : "No new changes") + "\n" + left +
                                " still too long and could not be divided: a document holds at most 32767 entries"});
  }
}

struct RebreakCase {
  const char* name;
  std::string in;
  Lines out;  // empty: not divided
};
void PrintTo(const RebreakCase& c, std::ostream* os) { *os << c.name; }

class Rebreak : public ::testing::TestWithParam<RebreakCase> {};

TEST_P(Rebreak, DividesSelectedEntries) {
  Document doc;
  test::Load(doc, {GetParam().in});
  test::Run(doc, [&] { RebreakLongEntries(doc); });
  EXPECT_EQ(doc.List1.Items(), GetParam().out.empty() ? Lines{GetParam().in} : GetParam().out);
}

const std::string kPair = "Short first line here|and a second line that is much too long to fit";
const std::string kHalves1 = "Short first line|here and a second", kHalves2 = "line that is much|too long to fit";
INSTANTIATE_TEST_SUITE_P(
    Entries, Rebreak,
    ::testing::Values(
        RebreakCase{"TwoLongLines",
                    "{1000}{1100}This first line is definitely much longer than allowed|and this second line is also "
                    "longer than it should be",
                    {"{1000}{1050}This first line is definitely|much longer than allowed",
                     "{1051}{1100}and this second line is also|longer than it should be"}},
        RebreakCase{"OddRange", "{010}{15}" + kPair, {"{010}{12}" + kHalves1, "{13}{15}" + kHalves2}},
        RebreakCase{"StopBeforeStart", "{20}{15}" + kPair, {"{20}{17}" + kHalves1, "{18}{15}" + kHalves2}},
        RebreakCase{"FramesThatAreNotWholeNumbers", "{ab}{20}" + kPair, {}},
        RebreakCase{"FractionalFrame", "{10.5}{20}" + kPair, {}},
        RebreakCase{"PaddedFrames", "{ 010 }{20}" + kPair, {"{ 010 }{15}" + kHalves1, "{16}{20}" + kHalves2}},
        RebreakCase{"HugeFrames",
                    "{100000000000000000}{100000000000000010}" + kPair,
                    {"{100000000000000000}{100000000000000005}" + kHalves1,
                     "{100000000000000006}{100000000000000010}" + kHalves2}},
        RebreakCase{"FramesOutOfRange", "{1}{99999999999999999999}" + kPair, {}},
        RebreakCase{"FitsButEightyThree",
                    "{100}{300}Alpha beta gamma delta epsilon zeta eta t|Iota kappa lambda mu nu xi omicron pi rho",
                    {"{100}{200}Alpha beta gamma delta|epsilon zeta eta t",
                     "{201}{300}Iota kappa lambda mu|nu xi omicron pi rho"}},
        RebreakCase{"Fits", "{100}{12345}Yes sir. You are right, my dear friend.|Goodbye.", {}},
        RebreakCase{"Dialogue", "{1}{2}-" + Repeat("word ", 12) + "|-" + Repeat("word ", 12), {}},
        RebreakCase{"TooLongToDivide", "{1}{2}" + Repeat("word ", 17) + "|" + Repeat("word ", 17), {}},
        RebreakCase{"NoBreakToJoin", "{1}{2}" + Repeat("word ", 18), {}},
        RebreakCase{"NoSpaceToCutAt", "{1}{2}a|" + std::string(50, 'x'), {}},
        RebreakCase{"SecondHalfOnlyASpace", "{1}{2}" + std::string(50, 'x') + "|", {}},
        RebreakCase{"WithoutFrameFields", Repeat("word ", 20) + "|" + Repeat("word ", 4), {}},
        RebreakCase{"TaggedHalvesKeepTheirStyle",
                    "{1000}{1100}{Y:i}{y:b}This first line is definitely much longer than allowed|{y:b}and this second "
                    "line is also longer than it should be",
                    {"{1000}{1050}{Y:i}{y:b}This first line is definitely|{y:b}much longer than allowed",
                     "{1051}{1100}{Y:i}{y:b}and this second line is also|{y:b}longer than it should be"}},
        RebreakCase{"TaggedButFits", "{1}{2}{y:i}" + std::string(40, 'a') + "|{y:i}" + std::string(40, 'b'), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The walk examines as many positions as there were entries, and each second
// half is examined next: the same as dividing entry by entry in the list.
TEST(Rebreak, LinearWalkEqualsTheStepByStepWalk) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 rng(seed);
    Lines lines = test::RandomDocument(rng, 40);
    Lines naive = lines;
    const size_t n = naive.size();
    int divided = 0;
    for (size_t p = 0; p < n; ++p) {
      std::string first, second;
      if (DivideLongEntry(naive[p], TimeNotation(FrameNumbers(), kDefaultFrameRate), MicroDvd().Dialect(), Profile(),
                          first, second)) {
        naive[p] = first;
        naive.insert(naive.begin() + static_cast<long>(p) + 1, second);
        ++divided;
      }
    }
    Document doc;
    test::Load(doc, lines);
    test::Run(doc, [&] { RebreakLongEntries(doc); });
    ASSERT_EQ(doc.List1.Items(), naive) << seed;
    EXPECT_EQ(doc.FixCount, divided);
    for (const auto& line : naive) ASSERT_TRUE(IsValidUtf8(line)) << "a cut inside a character: " << line;
  }
}

// After its first pass the fix looks again only at the entries written since
// the pass before: the same entries and the same count as whole passes.
TEST(FixTextAutomatic, LaterPassesEqualWholePasses) {
  static const char* const kWords[] = {
      "the",   "a",       "went",  "home", "and",    "said", "that", "-", "Yes.", "No!", "|", "extraordinarily",
      "{y:i}", "walking", "river", "bank", "nobody", "é",    "-Out"};
  std::uniform_int_distribution<int> word(0, 18), words(1, 30);
  for (const char* profile : {"classic", "netflix"}) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
      std::mt19937 rng(seed);
      Lines lines = test::RandomDocument(rng, 30);
      for (int i = 0; i < 30; ++i) {
        std::string text;
        for (int n = words(rng); n > 0; --n) text += std::string(text.empty() ? "" : " ") + kWords[word(rng)];
        lines.push_back("{" + std::to_string(100 * i) + "}{" + std::to_string(100 * i + 90) + "}" + text);
      }
      Document whole, fix;
      test::Load(whole, lines);
      test::Load(fix, lines);
      whole.SetProfile(*FindBuiltInProfile(profile));
      fix.SetProfile(*FindBuiltInProfile(profile));
      test::Run(whole, [&] {
        for (int pass = 1; pass <= 3; ++pass) {
          FixEntries(whole);
          whole.CurrentIndex = 0;
          SeekTooLong(whole);
          RebreakLongEntries(whole, pass == 3);
        }
      });
      const CommandResult r = test::Run(fix, [&] { Fixlines_Click(fix); });
      ASSERT_EQ(fix.List1.Items(), whole.List1.Items()) << profile << " " << seed;
      // What the list keeps of each entry's shape, handed on by the rules
      // that wrote it, is the entry's shape.
      for (int i = 0; i < fix.List1.Count(); ++i) {
        const EntryShape a = fix.List1.Shape(i), b = ShapeOf(fix.List1.Item(i), fix.TextMarkup());
        ASSERT_EQ(std::tie(a.full, a.dashes, a.breaks, a.textAt, a.textChars, a.textBreaks, a.firstBar, a.lastBar),
                  std::tie(b.full, b.dashes, b.breaks, b.textAt, b.textChars, b.textBreaks, b.firstBar, b.lastBar))
            << profile << " " << seed << " " << i;
      }
      ASSERT_FALSE(r.messages.empty());
      EXPECT_EQ(
          r.messages.front().substr(0, r.messages.front().find('\n')),
          whole.FixCount ? "I just fixed " + std::to_string(whole.FixCount) + " lines, for You" : "No new changes")
          << profile << " " << seed;
    }
  }
}

TEST(Seek, TooLongMeansMoreThanTwoLinesOrALineOver41) {
  const std::string k41(41, 'a');
  struct {
    std::string text;
    bool tooLong;
  } cases[] = {{"Hello|World", false},
               {"a|b|c", true},
               {k41, false},
               {k41 + "a", true},
               {k41 + "|" + k41, false},
               {k41 + "a|" + k41, true},
               {k41 + "|" + k41 + "a", true},
               {Repeat("\xC3\xA5", 41), false},
               {"{y:i}" + k41 + "|/" + k41, false},
               {"{y:i}" + k41 + "|/" + k41 + "a", true},
               {"{Y:i}{c:$0000FF}" + k41, false},
               {"/" + k41 + "/", true},
               {"{y:i}a|{x:b}|c", true}};
  for (const auto& c : cases) {
    Document doc;
    test::Load(doc, {"{1}{2}" + c.text});
    test::Run(doc, [&] { EXPECT_EQ(SeekTooLong(doc), c.tooLong) << c.text; });
  }
}

TEST(Seek, NextAndToLongLine) {
  Session s;
  test::Load(s, {"{1}{2}" + Repeat("x", 50), "{3}{4}fine", "{5}{6}a|b|c", "{7}{8}fine"});
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 3); });
  s.Run(CommandId::EditEntry, [&] { Tolong_Click(s.doc); });
  EXPECT_EQ(s.doc.CurrentIndex, 0) << "from the top";
  s.Run(CommandId::EditEntry, [&] { Nextline_Click(s.doc); });
  EXPECT_EQ(s.doc.CurrentIndex, 2);
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(2));
  s.Run(CommandId::EditEntry, [&] { Nextline_Click(s.doc); });
  EXPECT_EQ(s.doc.CurrentIndex, 4) << "one past the last";
  EXPECT_EQ(s.doc.List1.ListIndex(), 3);
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(3)) << "the last entry is shown again";
  s.Run(CommandId::EditEntry, [&] { Nextline_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.ListIndex(), 3);
}

TEST(HearingImpaired, RemarksTagsAndSpans) {
  Session s;
  test::Load(s, {"{1}{2}[music]", "{3}{4}[applause]", "{5}{6}Hello [sighs] there", "{7}{8}{y:i}Whisper [door slams]",
                 "{9}{10}[man] Hi [laughs]", "{11}{12}a [b] c [d", "{13}{14}Hi{y:i}", "{15}{16}{y:i}{y:i}x",
                 "{17}{18}{y:i}[door slams]"});
  const CommandResult r = s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Items(),
            (Lines{"{5}{6}Hello there", "{7}{8}Whisper", "{9}{10}Hi", "{11}{12}a c [d", "{13}{14}Hi{y:i}",
                   "{15}{16}{y:i}x"}));
  EXPECT_EQ(r.messages, Lines{"I fixed 10 lines for You"});
  EXPECT_EQ(s.doc.CurrentIndex, 0);
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(0));
}

TEST(HearingImpaired, CoversTheWholeDocument) {
  Document doc;
  Lines lines;
  for (int i = 0; i < 5000; ++i) lines.push_back(i % 2 ? "{1}{2}[noise]" : "{1}{2}words");
  test::Load(doc, lines);
  test::Run(doc, [&] { Rmhi_Click(doc); });
  EXPECT_EQ(doc.List1.Items(), Lines(2500, "{1}{2}words"));
}

TEST(HearingImpaired, EverythingRemovedLeavesNothingToEdit) {
  Session s;
  test::Load(s, {"{1}{2}[music]"});
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Count(), 0);
  EXPECT_EQ(s.grid.EntryId, 0u);
}

}  // namespace
}  // namespace lm
