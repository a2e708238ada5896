#include <gtest/gtest.h>

#include "document/commands.h"
#include "editor/char_grid.h"
#include "editor/line_commands.h"

namespace lm {
namespace {

// A loaded document with the given entry selected, current and shown.
void Open(Document& doc, const std::vector<std::string>& lines, int selected = 0) {
  doc.List1.Assign(lines);
  SelectEntry(doc, selected);
  doc.Changed = 0;
}

struct FrameCase {
  const char* line;
  int startDelta, stopDelta;
  const char* result;
  bool refused;
};

TEST(AdjustFrames, AddsDeltasAndRefusesResultsBelowZero) {
  const FrameCase cases[] = {
      {"{1200}{1350}Hi", 100, 0, "{1300}{1350}Hi", false},
      {"{1200}{1350}Hi", 0, -1, "{1200}{1349}Hi", false},
      {"{1}{2}x", -1, 0, "{0}{2}x", false},
      {"{0}{5}x", -1, 0, "{0}{5}x", true},
      {"{5}{3}x", 10, 0, "{15}{3}x", false},
      {"{0010}{0020}x", 0, 1, "{10}{21}x", false},
      {"{ab}{20}x", 1, 0, "{ab}{20}x", false},
      {"{}{20}x", 1, 0, "{}{20}x", false},
  };
  for (const FrameCase& c : cases) {
    Document doc;
    std::vector<std::string> messages;
    doc.ShowMessage = [&](const std::string& m) { messages.push_back(m); };
    Open(doc, {c.line});
    AdjustFrames(doc, c.startDelta, c.stopDelta);
    EXPECT_EQ(doc.List1.Item(0), c.result) << c.line;
    EXPECT_EQ(messages, c.refused ? std::vector<std::string>{"To low value"}
                                  : std::vector<std::string>{})
        << c.line;
  }
}

TEST(AdjustFrames, ARefusedValueIsNotCarriedIntoTheNextChange) {
  Document doc;
  Open(doc, {"{0}{5}x"});
  AdjustFrames(doc, -1, 0);
  EXPECT_EQ(doc.Text1(), "{0}{5}");
  AdjustFrames(doc, 0, 1);
  EXPECT_EQ(doc.List1.Item(0), "{0}{6}x");
  EXPECT_EQ(doc.Text1(), "{0}{6}");
  doc.Text2[0] = "y";
  WriteBackGrid(doc);
  EXPECT_EQ(doc.List1.Item(0), "{0}{6}y");
}

TEST(AdjustFrames, NothingWithoutADocument) {
  Document doc;
  EXPECT_FALSE(AdjustFrames(doc, 1, 0));
}

TEST(Navigation, DownAndUpMakeTheNeighbourCurrentAndStopAtTheEnds) {
  Document doc;
  std::vector<std::string> lines;
  for (int i = 0; i < 10; ++i) lines.push_back("{" + std::to_string(i) + "}{9}e" + std::to_string(i));
  Open(doc, lines, 4);
  List1_KeyDown(doc, 40);
  EXPECT_EQ(doc.CurrentIndex, 5);
  EXPECT_EQ(doc.Label1, "e5");
  Open(doc, lines, 0);
  List1_KeyDown(doc, 38);
  EXPECT_EQ(doc.CurrentIndex, 0);
  EXPECT_EQ(doc.Label1, "e0");
  Open(doc, lines, 9);
  List1_KeyDown(doc, 40);
  EXPECT_EQ(doc.CurrentIndex, 9);
  EXPECT_TRUE(List1_KeyDown(doc, 13)) << "Enter sends the focus to the grid";
}

TEST(Navigation, KeysDoNothingWithoutADocument) {
  Document doc;
  doc.CurrentIndex = 3;
  EXPECT_FALSE(List1_KeyDown(doc, 13));
  EXPECT_EQ(doc.CurrentIndex, 3);
  EXPECT_FALSE(List1_MouseDown(doc)) << "a press on an empty list has no entry to show";
}

TEST(Navigation, FocusOnlyTakesTheSelection) {
  Document doc;
  Open(doc, {"{1}{2}a", "{3}{4}b"});
  doc.List1.SetListIndex(1);
  List1_GotFocus(doc);
  EXPECT_EQ(doc.CurrentIndex, 1);
  EXPECT_EQ(doc.Label1, "a") << "the grid keeps what it showed";
}

struct SplitCase {
  const char* line;
  const char* first;
  const char* second;
};

TEST(SplitLine, HalvesTheFrameSpan) {
  const SplitCase cases[] = {
      {"{100}{201}Hello", "{100}{150}Hello", "{151}{201}Hello"},
      {"{100}{200}Hi", "{100}{150}Hi", "{151}{200}Hi"},
      {"{0100}{0200}x", "{0100}{150}x", "{151}{0200}x"},
      {"{50}{51}x", "{50}{50}x", "{51}{51}x"},
      {"{50}{50}x", "{50}{50}x", "{51}{50}x"},
      {"{200}{101}x", "{200}{150}x", "{151}{101}x"},
  };
  for (const SplitCase& c : cases) {
    Document doc;
    Open(doc, {"{1}{2}before", c.line, "{9}{9}after"}, 1);
    ASSERT_TRUE(Command14_Click(doc)) << c.line;
    EXPECT_EQ(doc.List1.Items(),
              (std::vector<std::string>{"{1}{2}before", c.first, c.second, "{9}{9}after"}));
    EXPECT_EQ(doc.List1.ListIndex(), 2);
    EXPECT_EQ(doc.CurrentIndex, 2) << "the second half is current, where a write-back goes";
  }
}

TEST(SplitLine, RefusesFieldsThatAreNotNumbers) {
  Document doc;
  Open(doc, {"{ab}{200}x"});
  EXPECT_FALSE(Command14_Click(doc));
  EXPECT_EQ(doc.List1.Items(), std::vector<std::string>{"{ab}{200}x"});
  EXPECT_EQ(doc.Text1(), "{ab}{200}");
}

TEST(SplitLine, AWriteBackAfterItReplacesTheShownHalfOnly) {
  Document doc;
  Open(doc, {"{100}{200}Hi"});
  Command14_Click(doc);
  doc.Text2[0] = "Y";
  doc.Text2[1] = "o";
  WriteBackGrid(doc);
  EXPECT_EQ(doc.List1.Items(), (std::vector<std::string>{"{100}{150}Hi", "{151}{200}Yo"}));
}

TEST(AddLine, InsertsACopyBeforeTheSelection) {
  Document doc;
  Open(doc, {"{1}{2}a", "{3}{4}b"}, 1);
  ASSERT_TRUE(Command15_Click(doc));
  EXPECT_EQ(doc.List1.Items(), (std::vector<std::string>{"{1}{2}a", "{3}{4}b", "{3}{4}b"}));
  EXPECT_EQ(doc.List1.ListIndex(), 2);
  EXPECT_EQ(doc.Changed, 1);
}

TEST(DeleteLine, RemovesAndSelectsTheEntryAfterTheNext) {
  Document doc;
  Open(doc, {"{0}{0}a", "{1}{1}b", "{2}{2}c", "{3}{3}d", "{4}{4}e"});
  ASSERT_TRUE(Command1_Click(doc));
  EXPECT_EQ(doc.List1.Count(), 4);
  EXPECT_EQ(doc.List1.Item(doc.List1.ListIndex()), "{2}{2}c");
  EXPECT_EQ(doc.Label1, "c");
  SelectEntry(doc, 3);
  ASSERT_TRUE(Command1_Click(doc));
  EXPECT_EQ(doc.List1.ListIndex(), -1);
  EXPECT_EQ(doc.GridEntryId, 0u) << "no entry is shown, so no write-back can land anywhere";
  EXPECT_FALSE(Command1_Click(doc)) << "nothing selected";
  EXPECT_EQ(doc.List1.Count(), 3);
}

TEST(LineCommands, NeverGrowTheDocumentPastItsLimit) {
  Document doc;
  Open(doc, std::vector<std::string>(EntryList::kMaxEntries, "{1}{3}x"));
  EXPECT_FALSE(Command15_Click(doc));
  EXPECT_FALSE(Command14_Click(doc));
  EXPECT_EQ(doc.List1.Count(), EntryList::kMaxEntries);
}

}  // namespace
}  // namespace lm
