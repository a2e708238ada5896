// Frame buttons, the line commands and list navigation.
#include <gtest/gtest.h>
#include <set>

#include "commands/command_table.h"
#include "editor/line_commands.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

TEST(AdjustFrames, ShiftsWithinTheWholeNumbers) {
  struct {
    std::string line;
    int64_t start, stop;
    std::string result;  // "" when refused
    bool message;
  } cases[] = {
      {"{1200}{1350}Hi", 100, 0, "{1300}{1350}Hi", false},
      {"{1200}{1350}Hi", 0, -1, "{1200}{1349}Hi", false},
      {"{1}{2}x", -1, 0, "{0}{2}x", false},
      {"{0}{5}x", -1, 0, "", true},  // "To low value"
      {"{5}{3}x", 10, 0, "{15}{3}x", false},
      {"{0010}{0020}x", 0, 1, "{10}{21}x", false},
      {"{ab}{20}x", 1, 0, "", false},
      {"{1.5}{20}x", 1, 0, "", false},
      {"{100}abc", 1, 0, "", false},
      {"{9223372036854775807}{1}x", 100, 0, "", false},
      {"{99999999999999999}{1}x", 1, 0, "{100000000000000000}{1}x", false},
  };
  for (const auto& c : cases) {
    Document doc;
    test::Load(doc, {c.line});
    const CommandResult r = test::Run(doc, [&] { AdjustFrames(doc, c.start, c.stop); });
    EXPECT_EQ(doc.List1.Item(0), c.result.empty() ? c.line : c.result) << c.line;
    EXPECT_EQ(r.messages, c.message ? Lines{"To low value"} : Lines{}) << c.line;
    if (!c.result.empty()) {
      EXPECT_EQ(doc.Text1(), c.result.substr(0, c.result.find('}', c.result.find('}') + 1) + 1));
    }
  }
}

TEST(AdjustFrames, ARefusedValueIsNotCarriedOn) {
  Session s;
  test::Load(s, {"{0}{5}x"});
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, -1, 0); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 0, 1); });
  s.Run(
      CommandId::EditEntry, [&] { Text2_KeyDown(s.doc, s.grid, 0, vk::Enter); }, false);
  EXPECT_EQ(s.doc.List1.Item(0), "{0}{6}x");
}

TEST(LineCommands, SplitAddAndDelete) {
  struct {
    const char* name;
    bool (*command)(Document&);
    Lines before;
    int selected;
    Lines after;
    int selectedAfter;
  } cases[] = {
      {"SplitOdd", Command14_Click, {"{100}{201}Hello"}, 0, {"{100}{150}Hello", "{151}{201}Hello"}, 1},
      {"SplitKeepsOuterDigits", Command14_Click, {"{0100}{0200}x"}, 0, {"{0100}{150}x", "{151}{0200}x"}, 1},
      {"SplitOneFrame", Command14_Click, {"{50}{50}x"}, 0, {"{50}{50}x", "{51}{50}x"}, 1},
      {"SplitBackwards", Command14_Click, {"{200}{101}x"}, 0, {"{200}{150}x", "{151}{101}x"}, 1},
      {"SplitNotANumber", Command14_Click, {"{ab}{200}x"}, 0, {"{ab}{200}x"}, 0},
      {"Add", Command15_Click, {"{1}{2}a", "{3}{4}b"}, 1, {"{1}{2}a", "{3}{4}b", "{3}{4}b"}, 2},
      {"DeleteFirstOfFive",
       Command1_Click,
       {"{0}{0}0", "{1}{1}1", "{2}{2}2", "{3}{3}3", "{4}{4}4"},
       0,
       {"{1}{1}1", "{2}{2}2", "{3}{3}3", "{4}{4}4"},
       1},
      {"DeleteLast", Command1_Click, {"{0}{0}0", "{1}{1}1"}, 1, {"{0}{0}0"}, -1},
  };
  for (const auto& c : cases) {
    Session s;
    test::Load(s, c.before);
    s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, c.selected); });
    s.Run(CommandId::EditEntry, [&] { c.command(s.doc); });
    EXPECT_EQ(s.doc.List1.Items(), c.after) << c.name;
    EXPECT_EQ(s.doc.List1.ListIndex(), c.selectedAfter) << c.name;
    // The entry selected afterwards is the one shown, or none is.
    EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(c.selectedAfter)) << c.name;
  }
}

TEST(LineCommands, StopAtTheEntryLimit) {
  Document doc;
  test::Load(doc, Lines(32767, "{1}{2}x"));
  const CommandResult r = test::Run(doc, [&] {
    EXPECT_FALSE(Command15_Click(doc));
    EXPECT_FALSE(Command14_Click(doc));
  });
  EXPECT_EQ(doc.List1.Count(), 32767);
  EXPECT_EQ(r.messages, Lines(2, "The document is full: it holds 32767 lines, the most it can."))
      << "at the limit the commands say why they do nothing";
}

TEST(Navigation, KeysAndPressesMakeAnEntryCurrent) {
  Session s;
  test::Load(s, {"{0}{9}zero", "{1}{9}one", "{2}{9}two"});
  s.Run(CommandId::EditEntry, [&] { List1_KeyDown(s.doc, vk::Up); });
  EXPECT_EQ(s.doc.CurrentIndex, 0) << "Up on the first entry keeps it";
  s.Run(CommandId::EditEntry, [&] { List1_KeyDown(s.doc, vk::Down); });
  EXPECT_EQ(s.grid.RowString(0).substr(0, 3), "one");
  s.Run(CommandId::EditEntry, [&] { s.doc.SetListIndex(2); });
  List1_GotFocus(s.doc);
  EXPECT_EQ(s.doc.CurrentIndex, 2);
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(1)) << "focus alone shows nothing new";
  s.Run(CommandId::EditEntry, [&] { EXPECT_TRUE(List1_MouseDown(s.doc)); });
  EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(2));
}

TEST(Navigation, NothingWithoutADocument) {
  Session s;
  s.Run(CommandId::EditEntry, [&] {
    EXPECT_FALSE(List1_KeyDown(s.doc, vk::Down) || List1_MouseDown(s.doc) || AdjustFrames(s.doc, 1, 0) ||
                 Command14_Click(s.doc) || Command15_Click(s.doc) || Command1_Click(s.doc));
  });
}

}  // namespace
}  // namespace lm

namespace lm {
namespace {

// Every command has its row, and what the front ends find by a row's names
// is that row.
TEST(CommandTable, EveryCommandHasOneRowAndNamesAreUnique) {
  std::set<std::string> controls, cliNames;
  std::set<int> ids;
  for (const CommandRow& row : Commands()) {
    EXPECT_TRUE(ids.insert(static_cast<int>(row.id)).second) << row.caption;
    EXPECT_EQ(&CommandOf(row.id), &row);
    if (*row.control) {
      EXPECT_TRUE(controls.insert(row.control).second) << row.control;
    }
    if (*row.cliName) {
      EXPECT_TRUE(cliNames.insert(row.cliName).second) << row.cliName;
      EXPECT_EQ(CommandNamed(row.cliName), &row);
      EXPECT_NE(*row.cliHelp, '\0') << row.cliName << " has no words in the usage text";
    }
    EXPECT_EQ(UndoName(row).find('&'), std::string::npos);
    if (row.place == Place::None) {
      EXPECT_EQ(*row.shortcuts, '\0') << row.caption << ": a shortcut to nowhere";
    }
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(CommandId::Shift) + 1) << "an id without a row";
  EXPECT_EQ(UndoName(CommandId::FixText), "Fix text automatic");
  EXPECT_EQ(CommandNamed("remove-hi")->routine, &Rmhi_Click);
  EXPECT_EQ(CommandNamed("nonsense"), nullptr);
  EXPECT_EQ(CommandNamed(""), nullptr);
}

}  // namespace
}  // namespace lm
