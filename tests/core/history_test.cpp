// Undo and redo of every kind of command, Changed following the history, and
// what the history costs.
#include <functional>
#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

struct Kind {
  const char* name;
  std::function<void(Session&, std::mt19937&)> act;
};
void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

// The grid's text rewritten at random and written back with Enter.
void TypeAndEnter(Session& s, std::mt19937& rng) {
  std::uniform_int_distribution<int> cell(1, s.grid.Cells() - 1), letter('a', 'z');
  for (int i = 0; i < 5; ++i)
    s.grid.Text2[static_cast<size_t>(cell(rng))] = std::string(1, static_cast<char>(letter(rng)));
  s.grid.Edited = true;
  s.Run(
      CommandId::EditEntry, [&] { Text2_KeyDown(s.doc, s.grid, 0, vk::Enter); }, false);
}

class UndoRedo : public ::testing::TestWithParam<Kind> {};

TEST_P(UndoRedo, RestoresTheListTheSelectionAndTheCurrentEntry) {
  for (unsigned seed = 1; seed <= 25; ++seed) {
    std::mt19937 rng(seed);
    Session s;
    test::Load(s, test::RandomDocument(rng, 60));
    const int row = std::uniform_int_distribution<int>(0, 59)(rng);
    s.Run(CommandId::Select, [&] { SelectEntry(s.doc, row); });
    const Lines before = s.doc.List1.Items();
    const int selection = s.doc.List1.ListIndex(), current = s.doc.CurrentIndex;

    GetParam().act(s, rng);
    const Lines after = s.doc.List1.Items();
    const int selectionAfter = s.doc.List1.ListIndex();
    if (after == before) {
      EXPECT_FALSE(s.doc.CanUndo()) << "a command that changed nothing adds no step";
      continue;
    }
    ASSERT_TRUE(s.doc.CanUndo()) << seed;
    s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
    ASSERT_EQ(s.doc.List1.Items(), before) << seed;
    EXPECT_EQ(s.doc.List1.ListIndex(), selection) << seed;
    EXPECT_EQ(s.doc.CurrentIndex, current) << seed;
    if (s.doc.List1.Valid(current) && SuppliesAllFields(before[static_cast<size_t>(current)])) {
      EXPECT_EQ(s.grid.EntryId, s.doc.List1.Id(current)) << "the grid shows the current entry";
    }
    EXPECT_EQ(s.doc.Changed(), 0) << "back at the state loaded";

    s.Run(CommandId::Redo, [&] { s.doc.Redo(); });
    ASSERT_EQ(s.doc.List1.Items(), after) << seed;
    EXPECT_EQ(s.doc.List1.ListIndex(), selectionAfter) << seed;
    EXPECT_EQ(s.doc.Changed(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UndoRedo,
    ::testing::Values(
        Kind{"GridWriteBack", TypeAndEnter},
        Kind{"FrameButton",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 0, 100); }); }},
        Kind{"SplitLine",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { Command14_Click(s.doc); }); }},
        Kind{"AddLine",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { Command15_Click(s.doc); }); }},
        Kind{"DeleteLine",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { Command1_Click(s.doc); }); }},
        Kind{"FixTextAutomatic",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); }); }},
        Kind{"RemoveHearingImpaired",
             [](Session& s, std::mt19937&) { s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); }); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Changed, FollowsTheSavedState) {
  Session s;
  test::Load(s, {"{1}{2}a", "{3}{4}b"});
  auto add = [&] { s.Run(CommandId::EditEntry, [&] { Command15_Click(s.doc); }); };
  add();
  s.doc.MarkSaved();
  EXPECT_EQ(s.doc.Changed(), 0);
  add();
  EXPECT_EQ(s.doc.Changed(), 1);
  s.Run(CommandId::EditEntry, [&] { s.doc.Undo(); });
  EXPECT_EQ(s.doc.Changed(), 0) << "undone back to the saved state";
  s.Run(CommandId::EditEntry, [&] { s.doc.Undo(); });
  EXPECT_EQ(s.doc.Changed(), 1);
  add();  // a new branch: the saved state can no longer be reached
  EXPECT_FALSE(s.doc.CanRedo());
  s.Run(CommandId::EditEntry, [&] { s.doc.Undo(); });
  EXPECT_EQ(s.doc.Changed(), 1) << "the loaded state is not the saved one";
}

TEST(History, IsCappedAndCostsWhatChanged) {
  Session s;
  Lines lines;
  for (int i = 0; i < 20000; ++i) lines.push_back("{" + std::to_string(i) + "}{9}entry");
  test::Load(s, lines);
  for (int i = 0; i < 150; ++i) s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 0, 1); });
  EXPECT_EQ(s.doc.history().Steps(), History::kMaxSteps);
  EXPECT_LT(s.doc.history().Bytes(), 100u * 1024) << "one entry a step, not the document";
  int undone = 0;
  while (s.doc.CanUndo()) {
    s.Run(CommandId::EditEntry, [&] { s.doc.Undo(); });
    ++undone;
  }
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(s.doc.List1.Item(0), "{0}{59}entry");
  EXPECT_EQ(s.doc.Changed(), 1) << "the loaded state fell out of the history";
}

}  // namespace
}  // namespace lm
