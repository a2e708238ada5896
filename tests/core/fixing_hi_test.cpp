#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixing/fixing.h"

namespace lm {
namespace {

using Lines = std::vector<std::string>;

struct Removal {
  Document doc;
  Lines messages;
  explicit Removal(Lines lines) {
    doc.ShowMessage = [this](const std::string& m) { messages.push_back(m); };
    doc.List1.Assign(std::move(lines));
    doc.List1.SetListIndex(0);
    doc.CurrentIndex = 0;
    doc.DecomposeEntry();
  }
  void Run() { Rmhi_Click(doc); }
};

TEST(RemoveHearingImpaired, DocumentWithRemarksAndTags) {
  Removal r({"{1}{2}[music]", "{3}{4}[applause]", "{5}{6}Hello [sighs] there",
             "{7}{8}{y:i}Whisper [door slams]", "{9}{10}[man] Hi [laughs]",
             "{11}{12}a [b] c [d", "{13}{14}Hi{y:i}"});
  r.doc.List1.SetListIndex(3);
  r.doc.CurrentIndex = 3;
  r.Run();
  EXPECT_EQ(r.doc.List1.Items(), (Lines{"{5}{6}Hello  there", "{7}{8}Whisper ",
                                        "{11}{12}a [b] c [d", "{13}{14}Hi{y:i}"}));
  EXPECT_EQ(r.messages, Lines{"I fixed 6 lines for You"});
  EXPECT_EQ(r.doc.CurrentIndex, 0);
  EXPECT_EQ(r.doc.List1.ListIndex(), 0);
  EXPECT_EQ(r.doc.Label1, "Hello  there");
  EXPECT_EQ(r.doc.GridEntryId, r.doc.List1.Id(0));
}

struct TextCase {
  const char* in;
  const char* out;
};

class CutTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CutTest, CutsOneTagPassAndTheLastSpan) {
  Removal r({std::string("{1}{2}") + GetParam().in});
  r.Run();
  EXPECT_EQ(r.doc.List1.Item(0), std::string("{1}{2}") + GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CutTest,
    ::testing::Values(TextCase{"{y:i}{y:i}Hi", "{y:i}Hi"},        // the second moves onto a tested place
                      TextCase{"a{y:i}b{y:i}cdefg", "abcdefg"},
                      TextCase{"x [a] y [b] z", "x [a] y  z"},   // one span per run
                      TextCase{"a ] b [ c", "a ] b [ c"},        // "]" before "["
                      TextCase{"{y:i}", "{y:i}"}));

TEST(RemoveHearingImpaired, NothingToRemove) {
  Removal r({"{1}{2}Plain", "{3}{4}text"});
  r.doc.CurrentIndex = 1;
  r.Run();
  EXPECT_EQ(r.messages, Lines{"No new changes"});
  EXPECT_EQ(r.doc.CurrentIndex, 0);
  EXPECT_EQ(r.doc.EntryText, "Plain");
}

TEST(RemoveHearingImpaired, FirstWalkStopsAfter3001Examinations) {
  Lines lines(3001, "{1}{2}[x]");
  lines.push_back("{3}{4}[a] b [c]");
  Removal r(lines);
  r.Run();
  EXPECT_EQ(r.doc.List1.Items(), Lines{"{3}{4}[a] b "});
  EXPECT_EQ(r.messages, Lines{"I fixed 3002 lines for You"});

  lines.erase(lines.begin());  // now the remark-like entry is the 3001st
  Removal within(lines);
  within.Run();
  EXPECT_EQ(within.doc.List1.Count(), 0);
  EXPECT_EQ(within.messages, Lines{"I fixed 3001 lines for You"});
  EXPECT_EQ(within.doc.GridEntryId, 0u);
}

TEST(RemoveHearingImpaired, CountStopsAtTheLargest16BitValue) {
  std::string tags;
  for (int i = 0; i < 5000; ++i) tags += "{y:i}a";
  Removal r(Lines(7, "{1}{2}" + tags + "end"));  // 35000 tags in all
  r.Run();
  EXPECT_EQ(r.doc.List1.Item(6), "{1}{2}" + std::string(5000, 'a') + "end");
  EXPECT_EQ(r.messages, Lines{"I fixed 32767 lines for You"});
}

TEST(RemoveHearingImpaired, OverlongEntryEndsTheCommandKeepingEarlierDeletions) {
  const std::string huge = "{1}{2}[" + std::string(kMaxLineLength, 'x') + "]";
  Removal r({"{1}{2}[music]", "{3}{4}Hi [sighs]", huge, "{5}{6}[later]"});
  r.doc.CurrentIndex = 1;
  r.doc.List1.SetListIndex(1);
  r.Run();
  EXPECT_EQ(r.messages, Lines{"Some shit"});
  EXPECT_EQ(r.doc.List1.Items(), (Lines{"{3}{4}Hi [sighs]", huge, "{5}{6}[later]"}));
  EXPECT_EQ(r.doc.CurrentIndex, 1) << "left on the entry that could not be read";
  EXPECT_EQ(r.doc.List1.ListIndex(), 0) << "the selection stays on its entry";
}

TEST(RemoveHearingImpaired, EntriesWithoutTheirOwnFieldsAreKept) {
  // Without its own text field such an entry would be judged by the text of
  // the entry before it.
  Removal r({"{1}{2}Hi [x] there", "{9}[not a frame field]"});
  r.Run();
  EXPECT_EQ(r.doc.List1.Items(), (Lines{"{1}{2}Hi  there", "{9}[not a frame field]"}));
}

}  // namespace
}  // namespace lm
