// Style markup: what counts as visible, checked against a character-by-
// character walk on random tagged texts, and the breaks and joins that carry
// a line's style.
#include "model/markup.h"

#include <gtest/gtest.h>

#include "formats/microdvd/microdvd.h"
#include "support.h"

namespace lm {
namespace {

const StyleDialect& Tags() { return MicroDvd().Dialect(); }

// The byte offsets of the visible characters, one character at a time.
std::vector<size_t> VisibleByReading(std::string_view s) {
  std::vector<size_t> out;
  bool lineStart = true;
  for (size_t i = 0; i < s.size();) {
    if (lineStart) {
      bool slash = false;
      for (;;) {
        if (const size_t t = MicroDvdTagAt(s, i)) {
          i += t;
        } else if (!slash && i < s.size() && s[i] == '/') {
          slash = true;
          ++i;
        } else {
          break;
        }
      }
      lineStart = false;
      continue;
    }
    if (const size_t t = MicroDvdTagAt(s, i)) {
      i += t;
      continue;
    }
    out.push_back(i);
    lineStart = s[i] == '|';
    NextChar(s, i);
  }
  return out;
}

std::string RandomTaggedText(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "word", " ", "|", "/", "-",    "{y:i}", "{Y:b,u}", "{c:$0000FF}", "{f:Some-Font}", "{x:no}",
      "{",    "}", "ł", "é", "{y:i", "|/",    "a"};
  std::uniform_int_distribution<int> piece(0, 16), pieces(0, 120);
  std::string text;
  for (int n = pieces(rng); n > 0; --n) text += kPieces[piece(rng)];
  return text;
}

TEST(Visible, AgreesWithReadingCharacterByCharacter) {
  for (unsigned seed = 1; seed <= 2000; ++seed) {
    std::mt19937 rng(seed);
    const std::string text = RandomTaggedText(rng);
    const std::vector<size_t> expected = VisibleByReading(text);
    const Visible v(text, 0, Tags());
    ASSERT_EQ(v.size(), static_cast<int>(expected.size())) << text;
    for (int i = 0; i < v.size(); ++i) ASSERT_EQ(v.Byte(i), expected[static_cast<size_t>(i)]) << text;
    for (size_t b = 0; b < text.size(); ++b) {
      const auto it = std::find(expected.begin(), expected.end(), b);
      ASSERT_EQ(v.At(b), it == expected.end() ? -1 : static_cast<int>(it - expected.begin())) << text << " @" << b;
    }
    // The counts the rules judge an entry by.
    const EntryShape shape = ShapeOf("{1}{2}" + text, Tags());
    int dashes = 0, bars = 0, first = 0, last = 0;
    for (size_t k = 0; k < expected.size(); ++k) {
      dashes += text[expected[k]] == '-';
      if (text[expected[k]] == '|') {
        ++bars;
        last = static_cast<int>(k) + 1;
        if (first == 0) first = last;
      }
    }
    EXPECT_EQ(shape.textChars, static_cast<int>(expected.size())) << text;
    EXPECT_EQ(shape.textDashes, dashes) << text;
    EXPECT_EQ(shape.textBreaks, bars) << text;
    EXPECT_EQ(shape.firstBar, first) << text;
    EXPECT_EQ(shape.lastBar, last) << text;
  }
}

TEST(Markup, BreaksCarryAndJoinsDropTheLinesStyle) {
  struct {
    const char* text;
    const char* at;  // the character broken or joined at: the first of its kind
    bool join;
    const char* out;
  } cases[] = {
      {"{Y:i}{y:b}/one two", " ", false, "{Y:i}{y:b}/one|{y:b}/two"},
      {"a|{c:$FF}b c", " ", false, "a|{c:$FF}b|{c:$FF}c"},
      {"/one|/two", "|", true, "/one two"},
      {"{y:i}one|/two", "|", true, "{y:i}one {y:i}two"},
      {"one|{y:b}two", "|", true, "one {y:b}two"},
  };
  for (const auto& c : cases) {
    std::string s = c.text;
    const size_t at = s.find(c.at);
    if (c.join) {
      JoinLineAt(s, at, 0, Tags());
    } else {
      BreakLineAt(s, at, 0, Tags());
    }
    EXPECT_EQ(s, c.out) << c.text;
  }
  EXPECT_TRUE(IsItalicMarkup("{y:b,i}", Tags()));
  EXPECT_TRUE(IsItalicMarkup("/", Tags()));
  EXPECT_FALSE(IsItalicMarkup("{c:$i}", Tags()));
}

}  // namespace
}  // namespace lm
