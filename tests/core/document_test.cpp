#include <gtest/gtest.h>

#include "document/document.h"

namespace lm {
namespace {

struct DecomposeCase {
  const char* line;
  const char* start;
  const char* stop;
  const char* text;
  const char* rebuilt;
};

class DecomposeTest : public ::testing::TestWithParam<DecomposeCase> {};

TEST_P(DecomposeTest, SplitsAndRebuilds) {
  const DecomposeCase& c = GetParam();
  Document doc;
  doc.List1.AddItem(c.line);
  doc.CurrentIndex = 0;
  ASSERT_TRUE(doc.DecomposeEntry());
  EXPECT_EQ(doc.StartFrame, c.start);
  EXPECT_EQ(doc.StopFrame, c.stop);
  EXPECT_EQ(doc.EntryText, c.text);
  EXPECT_EQ(doc.EntryLine, c.rebuilt);
  EXPECT_EQ(doc.Text1(), std::string("{") + c.start + "}{" + c.stop + "}");
  EXPECT_EQ(doc.List1.Item(0), c.line) << "decomposing never rewrites the list";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DecomposeTest,
    ::testing::Values(
        DecomposeCase{"{1200}{1350}Hello|World", "1200", "1350", "Hello|World", "{1200}{1350}Hello|World"},
        DecomposeCase{"{1200}{1350}", "1200", "1350", "", "{1200}{1350}"},
        DecomposeCase{"{1}{2}a}b", "1", "2", "a}b", "{1}{2}a}b"},
        DecomposeCase{"{1}{2}{y:i}Hi", "1", "2", "{y:i}Hi", "{1}{2}{y:i}Hi"},
        DecomposeCase{"{}{}x", "", "", "x", "{}{}x"},
        DecomposeCase{"x10}y20}Hi", "10", "20", "Hi", "{10}{20}Hi"},
        DecomposeCase{" {1}{2}x", "{1", "2", "x", "{{1}{2}x"},
        DecomposeCase{"{5}}7}x", "5", "7", "x", "{5}{7}x"}));

TEST(Decompose, EmptyLineKeepsTheFieldsAndRebuildsFromThem) {
  Document doc;
  doc.List1.AddItem("{1}{2}old");
  doc.CurrentIndex = 0;
  ASSERT_TRUE(doc.DecomposeEntry());
  doc.CurrentIndex = 1;  // past the end reads as the empty line
  ASSERT_TRUE(doc.DecomposeEntry());
  EXPECT_EQ(doc.EntryText, "old");
  EXPECT_EQ(doc.EntryLine, "{1}{2}old");
}

TEST(Decompose, LineWithOneBraceCarriesTheStopAndTextOver) {
  Document doc;
  doc.List1.AddItem("{1}{2}old");
  doc.List1.AddItem("{9}rest");
  doc.CurrentIndex = 0;
  doc.DecomposeEntry();
  doc.CurrentIndex = 1;
  ASSERT_TRUE(doc.DecomposeEntry());
  EXPECT_EQ(doc.StartFrame, "9");
  EXPECT_EQ(doc.StopFrame, "2");
  EXPECT_EQ(doc.EntryText, "old");
}

TEST(Decompose, RefusesLinesOutsideTheSixteenBitCounts) {
  Document doc;
  doc.List1.AddItem("}{1}x");
  doc.List1.AddItem("{1}{2}" + std::string(32767 - 6, 'a'));
  doc.List1.AddItem("{1}{2}" + std::string(32767 - 5, 'a'));
  doc.CurrentIndex = 0;
  EXPECT_FALSE(doc.DecomposeEntry());
  EXPECT_TRUE(doc.Text1().empty());
  doc.CurrentIndex = 1;
  EXPECT_TRUE(doc.DecomposeEntry()) << "32767 characters still fit";
  doc.CurrentIndex = 2;
  EXPECT_FALSE(doc.DecomposeEntry());
  EXPECT_EQ(doc.EntryText.size(), 32767u - 6);
}

TEST(EntryList, InsertAtOrBeforeTheSelectionKeepsItAndRemovingItClearsIt) {
  EntryList list;
  for (const char* s : {"a", "b", "c"}) list.AddItem(s);
  list.SetListIndex(1);
  list.InsertItem(1, "x");
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(list.Item(2), "b");
  list.InsertItem(3, "y");
  EXPECT_EQ(list.ListIndex(), 2) << "an insertion after the selection leaves it";
  list.RemoveItem(0);
  EXPECT_EQ(list.ListIndex(), 1);
  list.RemoveItem(1);
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST(EntryList, IdentityFollowsTheItemThroughInsertions) {
  EntryList list;
  list.AddItem("a");
  list.AddItem("b");
  const auto id = list.Id(1);
  list.InsertItem(0, "z");
  EXPECT_EQ(list.IndexOfId(id, 1), 2);
  list.SetItem(2, "B");
  EXPECT_EQ(list.IndexOfId(id), 2);
  list.RemoveItem(2);
  EXPECT_EQ(list.IndexOfId(id), -1);
}

TEST(Changed, EveryChangeOfTheListSetsIt) {
  Document doc;
  doc.List1.AddItem("{1}{2}a");
  doc.Changed = 0;
  doc.List1.SetItem(0, "{1}{2}a");
  EXPECT_EQ(doc.Changed, 0) << "an identical write is no change";
  doc.List1.SetItem(0, "{1}{2}b");
  EXPECT_EQ(doc.Changed, 1);
  doc.Changed = 0;
  doc.List1.RemoveItem(0);
  EXPECT_EQ(doc.Changed, 1);
}

struct NumberCase {
  const char* text;
  bool ok;
  double value;
};

TEST(FrameNumbers, ParseWholeFieldsAndFormatPlainly) {
  for (const NumberCase& c : {NumberCase{"0010", true, 10}, NumberCase{" 12 ", true, 12},
                              NumberCase{"", false, 0}, NumberCase{"ab", false, 0},
                              NumberCase{"12ab", false, 0}, NumberCase{"-5", true, -5},
                              NumberCase{"1.5", true, 1.5}}) {
    double v = -99;
    EXPECT_EQ(ParseFrameNumber(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(FormatFrameNumber(21), "21");
  EXPECT_EQ(FormatFrameNumber(-50), "-50");
  EXPECT_EQ(FormatFrameNumber(0), "0");
  EXPECT_EQ(FormatFrameNumber(2.5), "2.5");
}

}  // namespace
}  // namespace lm
