// Cutting entry lines into their fields, and frame numbers.
#include <gtest/gtest.h>

#include "support.h"

namespace lm {
namespace {

struct DecomposeCase {
  const char* name;
  std::string line;
  std::string start, stop, text, rebuilt;
};

void PrintTo(const DecomposeCase& c, std::ostream* os) { *os << c.name; }

class Decompose : public ::testing::TestWithParam<DecomposeCase> {};

TEST_P(Decompose, FieldsAndRebuiltLine) {
  const DecomposeCase& c = GetParam();
  Document doc;
  test::Load(doc, {c.line});
  doc.CurrentIndex = 0;
  ASSERT_TRUE(doc.DecomposeEntry());
  EXPECT_EQ(doc.StartFrame, c.start);
  EXPECT_EQ(doc.StopFrame, c.stop);
  EXPECT_EQ(doc.EntryText, c.text);
  EXPECT_EQ(doc.EntryLine, c.rebuilt);
  EXPECT_EQ(doc.Text1(), c.rebuilt.substr(0, c.rebuilt.size() - c.text.size()));
  EXPECT_EQ(doc.List1.Item(0), c.line) << "decomposing never rewrites the entry";
}

INSTANTIATE_TEST_SUITE_P(Lines, Decompose,
                         ::testing::Values(DecomposeCase{"Plain", "{1200}{1350}Hello|World", "1200", "1350",
                                                         "Hello|World", "{1200}{1350}Hello|World"},
                                           DecomposeCase{"NoText", "{1200}{1350}", "1200", "1350", "", "{1200}{1350}"},
                                           DecomposeCase{"BraceInText", "{1}{2}a}b", "1", "2", "a}b", "{1}{2}a}b"},
                                           DecomposeCase{"TagInText", "{1}{2}{y:i}Hi", "1", "2", "{y:i}Hi",
                                                         "{1}{2}{y:i}Hi"},
                                           DecomposeCase{"EmptyFields", "{}{}x", "", "", "x", "{}{}x"},
                                           DecomposeCase{"OtherOpeners", "x10}y20}Hi", "10", "20", "Hi", "{10}{20}Hi"},
                                           DecomposeCase{"LeadingBlank", " {1}{2}x", "{1", "2", "x", "{{1}{2}x"},
                                           DecomposeCase{"DroppedUnseen", "{5}}7}x", "5", "7", "x", "{5}{7}x"},
                                           // Whole characters are dropped, not bytes of them.
                                           DecomposeCase{"WideCharactersDropped",
                                                         "\xC3\xA9"
                                                         "1}\xC3\xA9"
                                                         "2}Hi",
                                                         "1", "2", "Hi", "{1}{2}Hi"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The shape finds the text where the decomposition cuts it, fields of any
// length and lines that lack one included.
TEST(Decompose, TheShapeCutsAsTheDecomposition) {
  const std::string longField(40, '7');
  for (const std::string& line :
       {std::string("{1}{2}Hi"), std::string("{1}{2}"), std::string("{1}"), std::string("{1}{2"), std::string("}"),
        std::string("x}"), std::string("{1}}"), std::string("{1}\xC3\xA9}x"), std::string("{1}\xC3\xA9"),
        "{" + longField + "}{" + longField + "}text|more", "{1}{" + longField + longField, "{" + longField + "}",
        std::string(kUnreadLine) + "{1}{2}x", std::string(kFormatLine) + "{1}{2}x", std::string("- {1}|{2}-a|b"),
        std::string("{1}{2}a}b|-c"), std::string("")}) {
    EntryFields f;
    const bool full = SplitFullEntry(line, f);
    const EntryShape s = ShapeOf(line, PlainText());
    ASSERT_EQ(s.full, full) << line;
    if (!full) continue;
    EXPECT_EQ(s.textAt, static_cast<std::uint32_t>(f.text.data() - line.data())) << line;
    int dashes = 0, breaks = 0;
    for (const char c : line) dashes += c == '-', breaks += c == '|';
    EXPECT_EQ(s.dashes, dashes) << line;
    EXPECT_EQ(s.breaks, breaks) << line;
  }
}

TEST(Decompose, RefusesLinesTheCountsCannotCover) {
  EXPECT_FALSE(CanDecompose("}1}{2}x"));
  EXPECT_FALSE(CanDecompose("{1}{2}" + std::string(32767, 'a')));
  EXPECT_TRUE(CanDecompose("{1}{2}" + std::string(32761, 'a')));
  // Characters are counted, not bytes: 20000 two-byte letters fit.
  std::string wide;
  for (int i = 0; i < 20000; ++i) wide += "\xC3\xA5";
  EXPECT_TRUE(CanDecompose(wide));
}

TEST(FrameNumbers, ParseWholeNumbersOnly) {
  struct {
    const char* field;
    std::optional<int64_t> value;
  } cases[] = {{"0010", 10},
               {" 42 ", 42},
               {"-3", -3},
               {"+7", 7},
               {"", std::nullopt},
               {"ab", std::nullopt},
               {"1.5", std::nullopt},
               {"1 2", std::nullopt},
               {"9223372036854775807", INT64_MAX},
               {"9223372036854775808", std::nullopt},
               {"-9223372036854775808", INT64_MIN}};
  for (const auto& c : cases) EXPECT_EQ(ParseFrameNumber(c.field), c.value) << c.field;
}

TEST(FrameNumbers, ArithmeticStaysWholeAndInRange) {
  EXPECT_EQ(FormatFrameNumber(100000000000000000), "100000000000000000");
  EXPECT_EQ(MiddleFrame(10, 15), 12);
  EXPECT_EQ(MiddleFrame(20, 15), 17);  // rounded towards minus infinity
  EXPECT_EQ(MiddleFrame(200, 101), 150);
  EXPECT_EQ(MiddleFrame(INT64_MIN, INT64_MAX), -1);
  EXPECT_EQ(MiddleFrame(INT64_MAX, INT64_MAX), std::nullopt) << "the frame after would not fit";
  EXPECT_EQ(AddFrames(INT64_MAX, 1), std::nullopt);
}

}  // namespace
}  // namespace lm
