// The character grid: laying a text into the cells, the editing keys, and the
// write-back that tidies the rows and replaces only the entry shown.
#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

// The cells as a string: "." for an empty cell, the character otherwise.
std::string Cells(const CharGrid& g, int first, int count) {
  std::string s;
  for (int c = first; c < first + count; ++c)
    s += g.Text2[static_cast<size_t>(c)].empty() ? "." : g.Text2[static_cast<size_t>(c)];
  return s;
}

struct ShowCase {
  const char* name;
  std::string text;
  std::string row1, row2;  // the preview rows
};
void PrintTo(const ShowCase& c, std::ostream* os) { *os << c.name; }

class Show : public ::testing::TestWithParam<ShowCase> {};

TEST_P(Show, LaysTheTextIntoTwoRows) {
  CharGrid g;
  ShowEntryInGrid(g, GetParam().text, 1, MicroDvd().Dialect());
  EXPECT_EQ(g.Label1, GetParam().row1);
  EXPECT_EQ(g.Label2, GetParam().row2);
}

const std::string k41(41, 'a');
INSTANTIATE_TEST_SUITE_P(
    Texts, Show,
    ::testing::Values(ShowCase{"Empty", "", "", ""}, ShowCase{"TwoLines", "Hello|World", "Hello ", "World"},
                      ShowCase{"ThirdLineJoinsTheSecond", "a|b|c", "a ", "b c"},
                      ShowCase{"FullFirstRowCostsNoCell", k41 + "|Next", k41, "Next"},
                      ShowCase{"LongFirstLineRunsOn", std::string(45, 'x') + "|ab", std::string(41, 'x'), "xxxx ab"},
                      ShowCase{"OnlyTwoRowsShown", std::string(100, 'z'), std::string(41, 'z'), std::string(41, 'z')},
                      ShowCase{"LeadingBreak", "|x", " ", "x"},
                      ShowCase{"EmptyMiddleLineDisappears", "a||b", "a ", "b"},
                      ShowCase{"CharactersNotBytes", "h\xC3\xA5n|\xE2\x82\xAC", "h\xC3\xA5n ", "\xE2\x82\xAC"},
                      ShowCase{"BreaksHeldInCell41", k41 + "||" + std::string(41, 'b'), k41, std::string(40, 'b')},
                      ShowCase{"MarkupNotShown", "{y:i}Hello|/World", "Hello ", "World"},
                      ShowCase{"TagInsideALine", "Hi {c:$0000FF}there{y:b}", "Hi there", ""},
                      ShowCase{"TaggedFullRow", "{Y:i}" + k41 + "|/Next", k41, "Next"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Show, GapsAreEmptyCellsNotBlanks) {
  CharGrid g;
  ShowEntryInGrid(g, "Hello|World", 1, MicroDvd().Dialect());
  EXPECT_EQ(Cells(g, 0, 8) + Cells(g, 41, 6), "Hello ..World.");
}

// A session showing `text` in the grid.
struct GridFixture {
  Session s;
  explicit GridFixture(const std::string& text) { test::Load(s, {"{10}{20}" + text, "{30}{40}next"}); }
  GridKeyOutcome Key(int cell, int key) {
    GridKeyOutcome out;
    s.Run(
        CommandId::EditEntry, [&] { out = Text2_KeyDown(s.doc, s.grid, cell, key); }, false);
    return out;
  }
};

TEST(Keys, MoveAndEditTheCells) {
  struct {
    int cell, key, focus;
    std::string row1;  // the first six cells after the key
  } cases[] = {
      {0, vk::Backspace, -1, "abcdef"},  // nothing in cell 0
      {1, vk::Backspace, 0, "bcdef."},  {0, vk::Insert, 0, " abcde"}, {81, vk::Right, 1, "abcdef"},
      {0, vk::Left, 81, "abcdef"},      {40, vk::Down, 81, "abcdef"}, {41, vk::Up, 0, "abcdef"},
      {41, vk::Down, -1, "abcdef"},     {3, vk::Up, -1, "abcdef"},    {2, 'X', 3, "ab.def"},
      {2, vk::Ctrl, -1, "abcdef"},      {2, vk::Shift, -1, "abcdef"},
  };
  for (const auto& c : cases) {
    GridFixture f("abcdef");
    const GridKeyOutcome out = f.Key(c.cell, c.key);
    EXPECT_EQ(out.focusCell, c.focus) << c.cell << " " << c.key;
    EXPECT_EQ(Cells(f.s.grid, 0, 6), c.row1) << c.cell << " " << c.key;
    EXPECT_EQ(f.s.doc.Changed(), c.key == 'X' ? 1 : 0) << "only a typed key marks a change";
  }
}

TEST(Keys, DeleteHomeEndAndKeysWithoutACharacter) {
  struct {
    int cell, key, focus;
    std::string row1;  // the first six cells after the key
    int changed;
  } cases[] = {
      {2, vk::Delete, 2, "abdef.", 0}, {0, vk::Delete, 0, "bcdef.", 0}, {4, vk::Home, 0, "abcdef", 0},
      {1, vk::End, 5, "abcdef", 0},    {45, vk::Home, 41, "abcdef", 0}, {2, vk::None, -1, "abcdef", 0},
  };
  for (const auto& c : cases) {
    GridFixture f("abcdef");
    const GridKeyOutcome out = f.Key(c.cell, c.key);
    EXPECT_EQ(out.focusCell, c.focus) << c.cell << " " << c.key;
    EXPECT_EQ(Cells(f.s.grid, 0, 6), c.row1) << c.cell << " " << c.key;
    EXPECT_EQ(f.s.doc.Changed(), c.changed);
  }
}

// Text beyond the 82 cells, and further lines folded into row 2, stay with
// the entry through every edit.
TEST(Overflow, NothingOfTheEntryIsLost) {
  // A second line of 41 characters, then more.
  const std::string tail = " you understand me now?";
  const std::string text = "Look, I have told you this before|and I will tell you again, it was not me," + tail;
  GridFixture f(text);
  EXPECT_EQ(OverflowNote(f.s.grid), "\u2026 23 more: " + tail);
  // Typing one letter, then written back: all of it is still there.
  f.Key(0, vk::Other);
  PutCharacter(f.s.doc, f.s.grid, 0, "l");
  f.Key(0, vk::Enter);
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}l" + text.substr(1));
  // Backspace and Delete pull the text beyond the grid in; Insert pushes
  // the last cell's character back out.
  f.s.Run(CommandId::EditEntry, [&] { SelectEntry(f.s.doc, 0); });
  f.Key(45, vk::Backspace);
  f.Key(41, vk::Delete);
  EXPECT_EQ(OverflowNote(f.s.grid), "\u2026 21 more: " + tail.substr(2));
  f.Key(46, vk::Insert);
  f.Key(0, vk::Enter);
  std::string expected = "l" + text.substr(1);
  const size_t row2 = expected.find('|') + 1;
  expected.erase(row2 + 3, 1);  // Backspace in cell 45: the character of cell 44
  expected.erase(row2, 1);      // Delete in cell 41
  expected.insert(row2 + 5, " ");
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}" + expected);

  GridFixture lines("one|two|three|four");
  lines.Key(0, vk::Enter);
  EXPECT_EQ(lines.s.doc.List1.Item(0), "{10}{20}one|two|three|four") << "folded breaks stay breaks";
  EXPECT_EQ(lines.s.grid.Label2, "two three four");
}

TEST(Clipboard, CopyGivesTheVisibleLinesAndCutEmptiesTheGrid) {
  GridFixture f("{y:i}Hello there|/my " + std::string(60, 'x') + " friend");
  EXPECT_EQ(GridVisibleText(f.s.grid), "Hello there\nmy " + std::string(60, 'x') + " friend");
  EXPECT_FALSE(WriteBackWouldChange(f.s.doc, f.s.grid));
  f.s.Run(
      CommandId::EditEntry, [&] { ClearGridText(f.s.doc, f.s.grid); }, false);
  EXPECT_TRUE(WriteBackWouldChange(f.s.doc, f.s.grid));
  EXPECT_EQ(f.s.doc.Changed(), 1);
  f.Key(0, vk::Enter);
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}{y:i}");
}

TEST(Keys, BackspaceAndInsertRunAcrossBothRows) {
  GridFixture f(std::string(41, 'a') + "|bcd");
  f.Key(41, vk::Backspace);
  EXPECT_EQ(f.s.grid.RowString(0), std::string(40, 'a') + "b");
  EXPECT_EQ(f.s.grid.RowString(1), "cd");
  f.Key(0, vk::Insert);
  EXPECT_EQ(f.s.grid.RowString(1), "bcd") << "the last of row 1 was pushed into row 2";
}

struct WriteBackCase {
  const char* name;
  std::vector<std::pair<int, std::string>> cells;  // everything else empty
  std::string text;
};
void PrintTo(const WriteBackCase& c, std::ostream* os) { *os << c.name; }

class WriteBack : public ::testing::TestWithParam<WriteBackCase> {};

TEST_P(WriteBack, TidiesEachRow) {
  GridFixture f("old");
  for (auto& cell : f.s.grid.Text2) cell.clear();
  for (const auto& [c, t] : GetParam().cells) f.s.grid.Text2[static_cast<size_t>(c)] = t;
  const GridKeyOutcome out = f.Key(7, vk::Enter);
  EXPECT_TRUE(out.focusList);
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}" + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteBack,
    ::testing::Values(WriteBackCase{"GapBecomesOneSpace", {{0, "H"}, {1, "i"}, {4, "y"}, {5, "o"}, {6, "u"}}, "Hi you"},
                      WriteBackCase{"TwoRows", {{0, "a"}, {41, "b"}}, "a|b"},
                      WriteBackCase{"SecondRowOnly", {{41, "W"}}, "|W"},
                      WriteBackCase{"LeadingGapIsOneSpace", {{3, "x"}}, " x"},
                      WriteBackCase{"TrailingBlanksGo", {{38, "a"}, {39, " "}, {40, " "}}, " a"},
                      WriteBackCase{"BlankInTheLastCellStays", {{39, "a"}, {40, " "}}, " a "},
                      WriteBackCase{"BlanksCollapse", {{0, "a"}, {1, " "}, {2, " "}, {3, "b"}}, "a b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteBack, GoesOnlyToTheEntryShownWithItsOwnFrames) {
  Session s;
  test::Load(s, {"{1}{2}first", "{3}{4}second", "{5}{6}third"});
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 1); });
  s.grid.Text2[0] = "S";
  s.grid.Edited = true;
  // Entries inserted and removed before it, and its frames shifted, meanwhile.
  s.doc.Begin("");
  s.doc.InsertItem(0, "{0}{0}new");
  s.doc.RemoveItem(1);
  s.doc.SetItem(1, "{30}{40}second");
  s.doc.Commit();
  s.Run(
      CommandId::EditEntry, [&] { Text2_KeyDown(s.doc, s.grid, 0, vk::Enter); }, false);
  EXPECT_EQ(s.doc.List1.Items(), (Lines{"{0}{0}new", "{30}{40}Second", "{5}{6}third"}));
  // Once its entry is gone nothing is written anywhere.
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 1); });
  s.Run(
      CommandId::EditEntry, [&] { s.doc.RemoveItem(1); }, false);
  const Lines left = s.doc.List1.Items();
  s.Run(
      CommandId::EditEntry, [&] { EXPECT_FALSE(WriteBackGrid(s.doc, s.grid)); }, false);
  EXPECT_EQ(s.doc.List1.Items(), left);
}

// Markup stays on its line and with its character through editing; the
// preview shows italic rows in italics.
TEST(Markup, StaysWhereItWasThroughEditingAndWriteBack) {
  struct {
    const char* name;
    std::string text;
    std::vector<std::pair<int, int>> keys;  // cell, key; 'X' types an X
    std::string written;
    bool italic1, italic2;
  } cases[] = {
      {"Untouched", "{y:i}Hello|/World", {}, "{y:i}Hello|/World", true, true},
      {"EntryTags", "{Y:i}{c:$0000FF}Hi|{c:$0000FF}you", {}, "{Y:i}{c:$0000FF}Hi|{c:$0000FF}you", true, true},
      {"Typed", "/Hello|World", {{0, 'X'}}, "/Xello|World", true, false},
      {"TagFollowsItsCharacter",
       "Hi {c:$FF}there",
       {{3, vk::Backspace}, {0, vk::Insert}},
       " Hi{c:$FF}there",
       false,
       false},
      {"TagAtTheEnd", "Hi{y:i}", {{0, 'X'}}, "Xi{y:i}", false, false},
      {"RunOnLineCarriesItsStyle", "/" + std::string(45, 'x'), {}, "/" + std::string(41, 'x') + "|/xxxx", true, true},
      {"ThirdLineKept", "a|/b|/c", {}, "a|/b|/c", false, true},
      {"EmptiedSecondRow", "{y:i}a|/b", {{42, vk::Backspace}}, "{y:i}a", true, true},
  };
  for (const auto& c : cases) {
    GridFixture f(c.text);
    for (const auto& [cell, key] : c.keys) {
      f.Key(cell, key == 'X' ? vk::Other : key);
      if (key == 'X') PutCharacter(f.s.doc, f.s.grid, cell, "X");
    }
    f.Key(0, vk::Enter);
    EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}" + c.written) << c.name;
    EXPECT_EQ(f.s.grid.Italic1, c.italic1) << c.name;
    EXPECT_EQ(f.s.grid.Italic2, c.italic2) << c.name;
  }
}

TEST(Typing, TakesWhatTheFileCanHold) {
  for (Encoding e : {Encoding::Windows1252, Encoding::Windows1250, Encoding::Utf8}) {
    Session s;
    test::Load(s, {"{1}{2}x"}, e);
    EXPECT_EQ(PutCharacter(s.doc, s.grid, 0, "å"), e != Encoding::Windows1250);
    EXPECT_EQ(PutCharacter(s.doc, s.grid, 1, "ł"), e != Encoding::Windows1252);
    EXPECT_EQ(PutCharacter(s.doc, s.grid, 1, "\xE2\x98\x83"), e == Encoding::Utf8);  // a snowman
  }
  Session none;
  EXPECT_FALSE(PutCharacter(none.doc, none.grid, 0, "a")) << "with no entry shown typing goes nowhere";
}

// A paste keeps every line break (beyond row 2 it is folded into the row as
// the grid shows a third line) and no control character, in the cells or
// beyond them.
TEST(Paste, KeepsEveryBreakAndNoControlCharacter) {
  const std::string x50(50, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {"one\ntwo\nthree", "one|two|three"},
      {"a\r\nb\rc\xE2\x80\xA8" "d", "a|b|c|d"},
      {std::string("a\0b\x01" "c\td\x7F", 9), "abc d"},
      {x50 + "\n" + x50 + std::string("\0\x1B|y", 4), x50.substr(0, 41) + "|" + x50.substr(41) + "|" + x50 + "|y"},
  };
  for (const auto& [pasted, written] : cases) {
    GridFixture f("old");
    f.s.Run(
        CommandId::Cut, [&] { ClearGridText(f.s.doc, f.s.grid); }, false);
    f.s.Run(
        CommandId::Paste, [&] { EXPECT_GE(PasteIntoGrid(f.s.doc, f.s.grid, 0, pasted), 0); }, false);
    f.Key(0, vk::Enter);
    EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}" + written) << pasted;
  }
  GridFixture f("old");
  f.s.Run(
      CommandId::Paste, [&] { EXPECT_EQ(PasteIntoGrid(f.s.doc, f.s.grid, 0, std::string("\0\x02", 2)), -1); }, false);
  EXPECT_EQ(f.s.doc.Changed(), 0) << "nothing to type is no change";
}

// With the markup shown, the cells hold the tags as characters: they can be
// cut and typed; the previews still show the screen's text.
TEST(Markup, ShownInTheCellsCanBeRemovedByHand) {
  GridFixture f("{c:$0000FF}Hello|/there");
  EXPECT_EQ(f.s.grid.RowString(1), "there");
  f.s.Run(CommandId::ShowStyleTags, [&] { ShowMarkupInGrid(f.s.doc, f.s.grid, true); });
  EXPECT_EQ(f.s.grid.RowString(0), "{c:$0000FF}Hello ");
  EXPECT_EQ(f.s.grid.RowString(1), "/there");
  EXPECT_EQ(f.s.grid.Label1 + "|" + f.s.grid.Label2, "Hello |there");
  EXPECT_TRUE(f.s.grid.Italic2);
  f.Key(0, vk::Enter);
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}{c:$0000FF}Hello|/there") << "shown is not changed";
  f.s.Run(
      CommandId::Cut, [&] { ClearGridText(f.s.doc, f.s.grid); }, false);
  f.Key(0, vk::Enter);
  EXPECT_EQ(f.s.doc.List1.Item(0), "{10}{20}");

  GridFixture one("{c:$0000FF}Hello");
  one.s.Run(CommandId::ShowStyleTags, [&] { ShowMarkupInGrid(one.s.doc, one.s.grid, true); });
  for (int cell = 0; cell < 11; ++cell) one.Key(0, vk::Delete);
  one.Key(0, vk::Enter);
  EXPECT_EQ(one.s.doc.List1.Item(0), "{10}{20}Hello");
  one.s.Run(CommandId::ShowStyleTags, [&] { ShowMarkupInGrid(one.s.doc, one.s.grid, false); });
  EXPECT_EQ(one.s.grid.RowString(0), "Hello");
}

}  // namespace
}  // namespace lm
