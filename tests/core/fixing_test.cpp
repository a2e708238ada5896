#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixing/fixing.h"

namespace lm {
namespace {

using Lines = std::vector<std::string>;

// A loaded document: entry 0 current, selected and decomposed.
struct Loaded {
  Document doc;
  Lines messages;
  explicit Loaded(Lines lines) {
    doc.ShowMessage = [this](const std::string& m) { messages.push_back(m); };
    doc.List1.Assign(std::move(lines));
    doc.List1.SetListIndex(0);
    doc.CurrentIndex = 0;
    doc.DecomposeEntry();
  }
  const Lines& Entries() const { return doc.List1.Items(); }
};

// ---- Single rules on the current entry -----------------------------------

struct TextCase {
  const char* in;
  const char* out;  // nullptr: the entry stays as it was and is not counted
};

class BreakNearMiddleTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(BreakNearMiddleTest, BreaksAtTheExpectedSpace) {
  const TextCase& c = GetParam();
  const std::string line = std::string("{7}{9}") + c.in;
  Loaded t({line});
  BreakNearMiddle(t.doc);
  EXPECT_EQ(t.doc.List1.Item(0), c.out ? std::string("{7}{9}") + c.out : line);
  EXPECT_EQ(t.doc.FixCount, c.out ? 1 : 0);
  EXPECT_EQ(t.doc.EntryText, c.in) << "the rule leaves EntryText alone";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BreakNearMiddleTest,
    ::testing::Values(
        TextCase{"This is a rather long subtitle line that needs a break",
                 "This is a rather long subtitle|line that needs a break"},
        TextCase{"Look out below the old bridge: unbelievably-long-hyphenated-names",
                 "Look out below the old bridge:|unbelievably-long-hyphenated-names"},
        // Forward search lands too far: the backward one takes over.
        TextCase{"Look out below the bridge: unbelievably-long-hyphenated-names ok",
                 "Look out below the bridge:|unbelievably-long-hyphenated-names ok"},
        // No space from the middle on: the backward rule is not tried.
        TextCase{"I was there when the extraordinarilylongunbrokenwordhappened", nullptr},
        // Both searches fail their line limits.
        TextCase{"a bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb c", nullptr}));

struct LineCase {
  const char* in;
  const char* out;  // nullptr: unchanged, not counted
};

class JoinDialogueLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(JoinDialogueLineTest, JoinsTheBrokenSpeakerLine) {
  const LineCase& c = GetParam();
  Loaded t({c.in});
  t.doc.EntryLine = c.in;
  JoinDialogueLine(t.doc);
  EXPECT_EQ(t.doc.List1.Item(0), c.out ? c.out : c.in);
  EXPECT_EQ(t.doc.FixCount, c.out ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, JoinDialogueLineTest,
    ::testing::Values(
        LineCase{"{500}{600}-Where are you going?|-Out to the|garden.",
                 "{500}{600}-Where are you going?|-Out to the garden."},
        LineCase{"{1}{2}Look|-Yes|-No", nullptr},
        LineCase{"{1}{2}-a|-b|", "{1}{2}-a|-b "}));  // a break at the very end counts

class RebreakThreeLinesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(RebreakThreeLinesTest, BreaksOnceBehindTheMiddleOfTheEntry) {
  const LineCase& c = GetParam();
  Loaded t({c.in});
  t.doc.EntryLine = c.in;
  RebreakThreeLines(t.doc);
  EXPECT_EQ(t.doc.List1.Item(0), c.out ? c.out : c.in);
  EXPECT_EQ(t.doc.FixCount, c.out ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RebreakThreeLinesTest,
    ::testing::Values(LineCase{"{5}{9}ab|cd|ef", "{5}{9}ab cd|ef"},
                      LineCase{"{700}{800}First line|second line|third line here",
                               "{700}{800}First line second|line third line here"},
                      // No space from k = 15 on: the three lines stay.
                      LineCase{"{1}{2}a|b|cdefghijklmnop", nullptr}));

TEST(JoinLines, TurnsEveryBreakIntoASpaceWithoutWriting) {
  Loaded t({"{1}{2}a|b|c"});
  JoinLines(t.doc);
  EXPECT_EQ(t.doc.EntryText, "a b c");
  EXPECT_EQ(t.doc.List1.Item(0), "{1}{2}a|b|c");
  EXPECT_EQ(t.doc.FixCount, 0);
}

// ---- The whole command on one entry --------------------------------------

struct RunCase {
  const char* in;
  const char* out;  // nullptr: unchanged
};

class FixOneEntryTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(FixOneEntryTest, RewritesAsTheRulesSay) {
  const RunCase& c = GetParam();
  Loaded t({c.in});
  Fixlines_Click(t.doc);
  EXPECT_EQ(t.Entries(), Lines{c.out ? c.out : c.in});
  ASSERT_EQ(t.messages.size(), 1u);
  EXPECT_EQ(t.messages[0], c.out ? "I just fixed 1 lines, for You" : "No new changes");
}

const std::string k41(41, 'x');
const std::string kHalf20a(20, 'a'), kHalf20b(20, 'b');

INSTANTIATE_TEST_SUITE_P(
    Entries, FixOneEntryTest,
    ::testing::Values(
        RunCase{"{100}{200}This is a rather long subtitle line that needs a break",
                "{100}{200}This is a rather long subtitle|line that needs a break"},
        RunCase{"{500}{600}-Where are you going?|-Out to the|garden.",
                "{500}{600}-Where are you going?|-Out to the garden."},
        RunCase{"{700}{800}First line|second line|third line here",
                "{700}{800}First line second|line third line here"},
        // 41 characters fit; 42 with a space near the middle are split.
        RunCase{"{1}{2}aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbb", nullptr},
        RunCase{"{1}{2}aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbbb",
                "{1}{2}aaaaaaaaaaaaaaaaaaaa|bbbbbbbbbbbbbbbbbbbbb"},
        // A first line of exactly 41 is re-broken ...
        RunCase{"{1}{2}aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbb|is grass",
                "{1}{2}aaaaaaaaaaaaaaaaaaaa|bbbbbbbbbbbbbbbbbbbb is grass"},
        // ... a second line of exactly 41 is not, one of 42 is.
        RunCase{"{1}{2}Short|aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbb", nullptr},
        RunCase{"{1}{2}Short|aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbbb",
                "{1}{2}Short aaaaaaaaaaaaaaaaaaaa|bbbbbbbbbbbbbbbbbbbbb"},
        // One line of 80: too long for the walk and the re-break.
        RunCase{"{1}{2}aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
                nullptr},
        // Three lines with one dash: no rule applies.
        RunCase{"{1}{2}-Hi|there|you", nullptr}));

TEST(FixlinesClick, SevenEntryDocument) {
  Loaded t({"{100}{200}This is a rather long subtitle line that needs a break",
            "{250}{300}Short one",
            "{500}{600}-Where are you going?|-Out to the|garden.",
            "{700}{800}First line|second line|third line here",
            "{900}{1100}We have been walking for hours and hours|along the river bank and "
            "nobody has seen a single boat",
            "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
            "{1400}{1500}Fine|lines"});
  Fixlines_Click(t.doc);
  EXPECT_EQ(t.Entries(),
            (Lines{"{100}{200}This is a rather long subtitle|line that needs a break",
                   "{250}{300}Short one",
                   "{500}{600}-Where are you going?|-Out to the garden.",
                   "{700}{800}First line second|line third line here",
                   "{900}{1000}We have been walking for|hours and hours along",
                   "{1001}{1100} the river bank and nobody|has seen a single boat",
                   "{1200}{1300}Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                   "{1400}{1500}Fine|lines"}));
  EXPECT_EQ(t.messages, Lines{"I just fixed 4 lines, for You"});
  EXPECT_EQ(t.doc.CurrentIndex, 6);
  EXPECT_EQ(t.doc.List1.ListIndex(), 6);
  EXPECT_EQ(t.doc.Label1, std::string("A") + std::string(40, 'a'));
  EXPECT_EQ(t.doc.GridEntryId, t.doc.List1.Id(6));
}

TEST(FixlinesClick, NothingToFixLeavesTheLastEntryShownAndNextFindsNothing) {
  Loaded t({"{1}{2}One", "{3}{4}Two|lines"});
  Fixlines_Click(t.doc);
  EXPECT_EQ(t.messages, Lines{"No new changes"});
  EXPECT_EQ(t.doc.CurrentIndex, 2);
  EXPECT_EQ(t.doc.List1.ListIndex(), 1);
  EXPECT_EQ(t.doc.Label2, "lines");
  EXPECT_EQ(t.doc.GridEntryId, t.doc.List1.Id(1));
  Nextline_Click(t.doc);
  EXPECT_EQ(t.doc.CurrentIndex, 3);
  EXPECT_EQ(t.doc.List1.ListIndex(), 1);
  EXPECT_EQ(t.doc.EntryText, "Two|lines");
  EXPECT_EQ(t.doc.GridEntryId, t.doc.List1.Id(1));
}

TEST(FixlinesClick, GridFollowsAnEntryTheRebreakDivided) {
  // Two lines of 41 fit the screen but are divided all the same; the grid
  // must not keep showing the undivided text.
  Loaded t({"{100}{300}Alpha beta gamma delta epsilon zeta eta t|"
            "Iota kappa lambda mu nu xi omicron pi rho"});
  Fixlines_Click(t.doc);
  ASSERT_EQ(t.doc.List1.Count(), 2);
  EXPECT_EQ(t.doc.List1.Item(1), "{201}{300} Iota kappa lambda mu|nu xi omicron pi rho");
  EXPECT_EQ(t.doc.List1.ListIndex(), 1);
  EXPECT_EQ(t.doc.GridEntryId, t.doc.List1.Id(1));
  EXPECT_EQ(t.doc.EntryText, " Iota kappa lambda mu|nu xi omicron pi rho");
  EXPECT_EQ(t.doc.Label2, "nu xi omicron pi rho");
}

TEST(FixlinesClick, EntriesWithoutTheirOwnFieldsAreNotRebuiltFromOthers) {
  const std::string bare = "a rather long line that has no frame fields at all, none";
  Loaded t({"{1}{2}Fine", bare});
  Fixlines_Click(t.doc);
  EXPECT_EQ(t.doc.List1.Item(1), bare);
  EXPECT_EQ(t.doc.CurrentIndex, 1) << "the search stops on it for hand work";
}

TEST(FixlinesClick, OverlongEntryFaultsEachWalkAndIsLeftForHandWork) {
  const std::string huge = "{1}{2}" + std::string(kMaxLineLength, 'x');
  const std::string fixable = "{3}{4}This is a rather long subtitle line that needs a break";
  Loaded t({"{0}{1}ok", huge, fixable});
  Fixlines_Click(t.doc);
  EXPECT_EQ(t.messages, (Lines{"Some shit", "Some shit", "Some shit", "No new changes"}));
  EXPECT_EQ(t.doc.List1.Item(1), huge);
  EXPECT_EQ(t.doc.List1.Item(2), fixable) << "the walk ends at the fault";
  EXPECT_EQ(t.doc.CurrentIndex, 1);
  EXPECT_EQ(t.doc.GridEntryId, 0u) << "an entry the grid cannot hold is not shown";
}

TEST(Commands, DoNothingWithoutADocument) {
  Document doc;
  Lines messages;
  doc.ShowMessage = [&](const std::string& m) { messages.push_back(m); };
  doc.List1.AddItem("{1}{2}[remark]");  // a list left behind without a textline
  doc.CurrentIndex = 0;
  for (auto command : {Fixlines_Click, Tolong_Click, Nextline_Click, Rmhi_Click}) command(doc);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(doc.List1.Items(), Lines{"{1}{2}[remark]"});
  EXPECT_EQ(doc.CurrentIndex, 0);
}

// ---- Too-long search ------------------------------------------------------

struct FitCase {
  std::string text;
  bool tooLong;
};

class TextTooLongTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(TextTooLongTest, AppliesTheScreenRules) {
  EXPECT_EQ(TextTooLong(GetParam().text), GetParam().tooLong) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextTooLongTest,
    ::testing::Values(FitCase{"Hello|World", false}, FitCase{"a|b|c", true},
                      FitCase{std::string(41, 'a'), false}, FitCase{std::string(42, 'a'), true},
                      FitCase{k41 + "|" + k41, false}, FitCase{k41 + "x|" + k41, true},
                      FitCase{k41 + "|" + k41 + "x", true}, FitCase{"", false}));

TEST(SeekTooLong, ToLongLineStartsAtTheTopAndNextAfterTheCurrent) {
  Loaded t({"{1}{2}" + std::string(42, 'a'), "{3}{4}fine", "{5}{6}a|b|c", "{7}{8}fine"});
  t.doc.CurrentIndex = 3;
  Tolong_Click(t.doc);
  EXPECT_EQ(t.doc.CurrentIndex, 0);
  EXPECT_EQ(t.doc.List1.ListIndex(), 0);
  Nextline_Click(t.doc);
  EXPECT_EQ(t.doc.CurrentIndex, 2);
  EXPECT_EQ(t.doc.List1.ListIndex(), 2);
  EXPECT_EQ(t.doc.EntryText, "a|b|c");
  EXPECT_EQ(t.doc.GridEntryId, t.doc.List1.Id(2));
  Nextline_Click(t.doc);
  EXPECT_EQ(t.doc.CurrentIndex, 4);
  EXPECT_EQ(t.doc.List1.ListIndex(), 3);
  EXPECT_EQ(t.doc.EntryText, "fine");
  EXPECT_TRUE(t.messages.empty());
}

TEST(SeekTooLong, NextDoesNotOverflowTheIndex) {
  Loaded t({"{1}{2}fine"});
  t.doc.CurrentIndex = 32767;
  Nextline_Click(t.doc);
  EXPECT_EQ(t.doc.CurrentIndex, 32767);
}

}  // namespace
}  // namespace lm
