#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fixing/fixing.h"

namespace lm {
namespace {

using Lines = std::vector<std::string>;

struct RebreakCase {
  std::string in;
  Lines out;  // empty: not divided
};

class RebreakTest : public ::testing::TestWithParam<RebreakCase> {};

TEST_P(RebreakTest, DividesSelectedEntries) {
  const RebreakCase& c = GetParam();
  Document doc;
  doc.List1.Assign({c.in});
  RebreakLongEntries(doc);
  EXPECT_EQ(doc.List1.Items(), c.out.empty() ? Lines{c.in} : c.out);
  EXPECT_EQ(doc.FixCount, c.out.empty() ? 0 : 1);
}

const std::string kLongPair = "Short first line here|and a second line that is much too long to fit";
const std::string k41a = "Alpha beta gamma delta epsilon zeta eta t";
const std::string k41b = "Iota kappa lambda mu nu xi omicron pi rho";

std::string Words(size_t length) {
  std::string s;
  while (s.size() < length) s += s.empty() ? "word" : " word";
  return s.substr(0, length);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RebreakTest,
    ::testing::Values(
        RebreakCase{"{1000}{1100}This first line is definitely much longer than allowed|"
                    "and this second line is also longer than it should be",
                    {"{1000}{1050}This first line is definitely|much longer than allowed",
                     "{1051}{1100} and this second line is also|longer than it should be"}},
        RebreakCase{"{10}{21}" + kLongPair,
                    {"{10}{15}Short first line|here and a second",
                     "{16}{21} line that is much|too long to fit"}},
        // Odd and reversed ranges; the outer fields are copied as written.
        RebreakCase{"{010}{15}" + kLongPair,
                    {"{010}{12}Short first line|here and a second",
                     "{13}{15} line that is much|too long to fit"}},
        RebreakCase{"{20}{15}" + kLongPair,
                    {"{20}{17}Short first line|here and a second",
                     "{18}{15} line that is much|too long to fit"}},
        RebreakCase{"{ab}{20}" + kLongPair,
                    {"{ab}{10}Short first line|here and a second",
                     "{11}{20} line that is much|too long to fit"}},
        // Exactly 41 + 41 fits the screen but is divided.
        RebreakCase{"{100}{300}" + k41a + "|" + k41b,
                    {"{100}{200}Alpha beta gamma delta|epsilon zeta eta t",
                     "{201}{300} Iota kappa lambda mu|nu xi omicron pi rho"}},
        RebreakCase{"{100}{12345}Yes sir. You are right, my dear friend.|Goodbye.", {}},
        RebreakCase{"{1}{2}-" + Words(60) + "|-" + Words(60), {}},   // dialogue
        RebreakCase{"{1}{2}" + Words(81) + "|" + Words(82), {}},    // 164 characters
        RebreakCase{"{1}{2}" + Words(90), {}},                      // no "|" to join
        RebreakCase{"{1}{2}a|" + std::string(50, 'x'), {}},         // no space to cut at
        RebreakCase{"{1}{2}" + std::string(50, 'x') + "|", {}},     // second half only " "
        RebreakCase{Words(100) + "|" + Words(20), {}}));            // no frame fields

TEST(Rebreak, ExaminesOnlyAsManyPositionsAsThereWereEntries) {
  Document doc;
  const std::string last = "{3}{400}" + kLongPair;
  doc.List1.Assign({"{0}{100}" + k41a + "|" + k41b, "{1}{2}kept", last});
  const std::uint64_t firstId = doc.List1.Id(0), keptId = doc.List1.Id(1);
  doc.List1.SetListIndex(1);
  RebreakLongEntries(doc);
  // The inserted half took the third examination: the last entry waits for
  // the next pass.
  ASSERT_EQ(doc.List1.Count(), 4);
  EXPECT_EQ(doc.List1.Item(3), last);
  EXPECT_EQ(doc.FixCount, 1);
  EXPECT_EQ(doc.List1.ListIndex(), 2) << "the selection moves down with its entry";
  EXPECT_EQ(doc.List1.Id(0), firstId);
  EXPECT_EQ(doc.List1.Id(2), keptId);
  EXPECT_NE(doc.List1.Id(1), firstId);
}

TEST(Rebreak, FullListLeavesEntriesUndivided) {
  Document doc;
  Lines lines(EntryList::kMaxEntries - 1, "{1}{2}fine");
  lines[10] = "{0}{100}" + kLongPair;
  lines[20] = lines[10];
  doc.List1.Assign(lines);
  RebreakLongEntries(doc);
  EXPECT_EQ(doc.List1.Count(), EntryList::kMaxEntries);
  EXPECT_EQ(doc.List1.Item(21), lines[10]) << "no room for a second division";
  EXPECT_EQ(doc.FixCount, 1);
}

// The walk as first described: divisions rewritten in place and inserted one
// at a time, over the first N positions only.
void NaiveRebreak(EntryList& list, int& fixes) {
  const int n = list.Count();
  std::string first, second;
  for (int p = 0; p < n; ++p) {
    if (list.Count() >= EntryList::kMaxEntries) continue;
    if (!DivideLongEntry(list.Item(p), first, second)) continue;
    list.SetItem(p, first);
    list.InsertItem(p + 1, second);
    ++fixes;
  }
}

// For each position, the original entry it came from, or -1 for a new one.
std::vector<int> Origins(const EntryList& list, const std::vector<std::uint64_t>& originalIds) {
  std::vector<int> out;
  for (int i = 0; i < list.Count(); ++i) {
    int origin = -1;
    for (size_t k = 0; k < originalIds.size(); ++k)
      if (originalIds[k] == list.Id(i)) origin = static_cast<int>(k);
    out.push_back(origin);
  }
  return out;
}

std::string RandomText(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(20, 175), word(1, 14), pick(0, 19);
  const int target = length(rng);
  std::string s;
  while (static_cast<int>(s.size()) < target) {
    const int r = pick(rng);
    if (r == 0) s += '|';
    else if (r == 1) s += '-';
    else if (r < 5) s += ' ';
    else s += std::string(static_cast<size_t>(word(rng)), static_cast<char>('a' + r));
  }
  return s;
}

TEST(Rebreak, LinearPassEqualsTheStepByStepWalk) {
  std::mt19937 rng(20240607);
  int divisions = 0;
  for (int round = 0; round < 300; ++round) {
    std::uniform_int_distribution<int> count(0, 12);
    Lines lines;
    const int n = count(rng);
    for (int i = 0; i < n; ++i)
      lines.push_back("{" + std::to_string(i * 100) + "}{" + std::to_string(i * 100 + 77) + "}" +
                      RandomText(rng));
    const int selection = n == 0 ? -1 : static_cast<int>(rng() % (n + 1)) - 1;

    Document doc;
    doc.List1.Assign(lines);
    doc.List1.SetListIndex(selection);
    std::vector<std::uint64_t> ids;
    for (int i = 0; i < n; ++i) ids.push_back(doc.List1.Id(i));
    RebreakLongEntries(doc);

    EntryList naive;
    naive.Assign(lines);
    naive.SetListIndex(selection);
    std::vector<std::uint64_t> naiveIds;
    for (int i = 0; i < n; ++i) naiveIds.push_back(naive.Id(i));
    int fixes = 0;
    NaiveRebreak(naive, fixes);

    ASSERT_EQ(doc.List1.Items(), naive.Items()) << "round " << round;
    ASSERT_EQ(doc.FixCount, fixes);
    ASSERT_EQ(doc.List1.ListIndex(), naive.ListIndex());
    ASSERT_EQ(Origins(doc.List1, ids), Origins(naive, naiveIds));
    divisions += fixes;
  }
  EXPECT_GT(divisions, 100) << "the random documents should exercise the division";
}

}  // namespace
}  // namespace lm
