#include <gtest/gtest.h>

#include "editor/char_grid.h"

namespace lm {
namespace {

// A document with one entry shown in the grid.
struct Shown {
  Document doc;
  explicit Shown(const std::string& text) {
    doc.List1.AddItem("{1}{2}" + text);
    doc.List1.SetListIndex(0);
    doc.CurrentIndex = 0;
    doc.DecomposeEntry();
    ShowEntryInGrid(doc);
    doc.Changed = 0;  // as after a load
  }
  std::string Cells(int from, int to) const {
    std::string s;
    for (int c = from; c <= to; ++c) s += doc.Text2[c].empty() ? "_" : doc.Text2[c];
    return s;
  }
};

struct DisplayCase {
  std::string text, label1, label2;
};

TEST(ShowEntryInGrid, RowsAndPreview) {
  const std::string a41(41, 'a'), b41(41, 'b');
  const DisplayCase cases[] = {
      {"", "", ""},
      {"Hello|World", "Hello ", "World"},
      {"a|b|c", "a ", "b c"},
      {a41 + "|Next", a41, "Next"},
      {"|x", " ", "x"},
      {"ab|", "ab ", ""},
      {"a||b", "a ", "b"},
      {std::string(100, 'x'), std::string(41, 'x'), std::string(41, 'x')},
      // two breaks holding the position in cell 41 push the last character out
      {a41 + "||" + b41, a41, std::string(40, 'b')},
  };
  for (const DisplayCase& c : cases) {
    Shown s(c.text);
    EXPECT_EQ(s.doc.Label1, c.label1) << c.text;
    EXPECT_EQ(s.doc.Label2, c.label2) << c.text;
  }
}

TEST(ShowEntryInGrid, CellsOfALongFirstLine) {
  Shown s(std::string(45, 'x') + "|ab");
  EXPECT_EQ(s.Cells(0, 40), std::string(41, 'x'));
  EXPECT_EQ(s.Cells(41, 48), "xxxx ab_");
  Shown h("Hello|World");
  EXPECT_EQ(h.Cells(0, 6), "Hello _");
  EXPECT_EQ(h.Cells(41, 46), "World_");
}

// Sets the cells of the grid from a picture: "_" is an empty cell.
void Fill(Document& doc, int first, const std::string& picture) {
  for (size_t i = 0; i < picture.size(); ++i)
    doc.Text2[first + i] = picture[i] == '_' ? "" : std::string(1, picture[i]);
}

struct WriteBackCase {
  std::string row1, row2, text;
};

TEST(WriteBack, TidiesEachRowAndJoinsThemWithABreak) {
  const WriteBackCase cases[] = {
      {"Hi__you", "", "Hi you"},
      {"Hello", "World", "Hello|World"},
      {"", "World", "|World"},
      {"___abc", "", " abc"},
      {"a  b", "", "a b"},
      {"ab  ", "", "ab"},
      {std::string(38, '_') + "a  ", "", " a"},
      {std::string(39, '_') + "a ", "", " a "},
  };
  for (const WriteBackCase& c : cases) {
    Shown s("old");
    for (auto& cell : s.doc.Text2) cell.clear();
    Fill(s.doc, 0, c.row1);
    Fill(s.doc, 41, c.row2);
    ASSERT_TRUE(WriteBackGrid(s.doc));
    EXPECT_EQ(s.doc.EntryText, c.text) << c.row1 << "/" << c.row2;
    EXPECT_EQ(s.doc.List1.Item(0), "{1}{2}" + c.text);
  }
}

TEST(WriteBack, NeverJoinsAcrossTheRowBoundary) {
  Shown s(std::string(41, 'a') + "|b");
  ASSERT_TRUE(WriteBackGrid(s.doc));
  EXPECT_EQ(s.doc.EntryText, std::string(41, 'a') + "|b");
}

TEST(WriteBack, GoesToTheShownEntryEvenAfterInsertionsBeforeIt) {
  Shown s("mine");
  s.doc.List1.InsertItem(0, "{7}{8}other");
  Fill(s.doc, 0, "new_");
  ASSERT_TRUE(WriteBackGrid(s.doc));
  EXPECT_EQ(s.doc.List1.Item(0), "{7}{8}other");
  EXPECT_EQ(s.doc.List1.Item(1), "{1}{2}new");
}

TEST(WriteBack, RefusedWhenTheShownEntryIsGone) {
  Shown s("mine");
  s.doc.List1.AddItem("{7}{8}other");
  s.doc.List1.RemoveItem(0);
  EXPECT_FALSE(WriteBackGrid(s.doc));
  EXPECT_EQ(s.doc.List1.Count(), 1);
  EXPECT_EQ(s.doc.List1.Item(0), "{7}{8}other");
}

TEST(GridKeys, NothingWithoutADocument) {
  Document doc;
  doc.Text2[3] = "x";
  GridKeyOutcome out = Text2_KeyDown(doc, 3, 'A');
  EXPECT_FALSE(out.handled);
  EXPECT_EQ(doc.Text2[3], "x");
  EXPECT_EQ(doc.Changed, 0);
}

struct MoveCase {
  int cell, key, expected;  // -1: focus stays
};

TEST(GridKeys, ArrowsWrapAndMoveBetweenRows) {
  Shown s("x");
  const MoveCase cases[] = {
      {81, vk::Right, 1}, {5, vk::Right, 6}, {0, vk::Left, 81}, {5, vk::Left, 4},
      {40, vk::Down, 81}, {3, vk::Down, 44}, {45, vk::Down, -1}, {41, vk::Up, 0},
      {3, vk::Up, -1},    {10, vk::Shift, -1}, {10, vk::Ctrl, -1}, {10, vk::Alt, -1},
  };
  for (const MoveCase& c : cases) {
    GridKeyOutcome out = Text2_KeyDown(s.doc, c.cell, c.key);
    EXPECT_EQ(out.focusCell, c.expected) << "cell " << c.cell << " key " << c.key;
  }
  EXPECT_EQ(s.doc.Changed, 0);
}

TEST(GridKeys, BackspaceAndInsertTreatBothRowsAsOneRun) {
  Shown s("abc");
  s.doc.Text2[41] = "r";
  s.doc.Text2[81] = "z";
  EXPECT_FALSE(Text2_KeyDown(s.doc, 0, vk::Backspace).handled);
  GridKeyOutcome out = Text2_KeyDown(s.doc, 1, vk::Backspace);
  EXPECT_EQ(out.focusCell, 0);
  EXPECT_EQ(s.Cells(0, 3), "bc__");
  EXPECT_EQ(s.doc.Text2[40], "r") << "row 2 is pulled into row 1";
  EXPECT_EQ(s.doc.Text2[80], "z");
  EXPECT_EQ(s.doc.Text2[81], "");

  out = Text2_KeyDown(s.doc, 0, vk::Insert);
  EXPECT_EQ(out.focusCell, 0);
  EXPECT_EQ(s.Cells(0, 3), " bc_");
  EXPECT_EQ(s.doc.Text2[41], "r") << "cell 40 is pushed into row 2";
  EXPECT_EQ(s.doc.Text2[81], "z");
  Text2_KeyDown(s.doc, 81, vk::Insert);
  EXPECT_EQ(s.doc.Text2[81], " ");
  EXPECT_EQ(s.doc.Changed, 0);
}

TEST(GridKeys, ATypedKeyEmptiesTheCellAndMovesOn) {
  Shown s("abc");
  GridKeyOutcome out = Text2_KeyDown(s.doc, 1, 'X');
  EXPECT_TRUE(out.handled);
  EXPECT_EQ(out.focusCell, 2);
  EXPECT_EQ(s.doc.Text2[1], "");
  EXPECT_EQ(s.doc.Changed, 1);
  s.doc.Changed = 0;
  out = Text2_KeyDown(s.doc, 81, 'X');
  EXPECT_EQ(out.focusCell, -1);
  EXPECT_EQ(s.doc.Changed, 0) << "the last cell keeps the flag";
}

TEST(GridKeys, EnterWritesBackAndHandsTheFocusToTheList) {
  Shown s("Hello");
  s.doc.Text2[0] = "J";
  s.doc.Changed = 0;
  GridKeyOutcome out = Text2_KeyDown(s.doc, 4, vk::Enter);
  EXPECT_TRUE(out.focusList);
  EXPECT_EQ(s.doc.List1.Item(0), "{1}{2}Jello");
}

}  // namespace
}  // namespace lm
