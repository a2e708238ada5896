// Style markup: what counts as visible, checked against a character-by-
// character walk on random tagged texts, and the breaks and joins that carry
// a line's style.
#include "model/markup.h"

#include <gtest/gtest.h>

#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "support.h"

namespace lm {
namespace {

const StyleDialect& Tags() { return MicroDvd().Dialect(); }
const StyleDialect& Cues() { return FormatById("srt")->Dialect(); }

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

// Text of tags and words; from seed 1500 on, mostly words, whose runs
// between tags are many blocks long.
std::string RandomTaggedText(std::mt19937& rng, bool wordy = false) {
  static const char* const kPieces[] = {
      "word", " ", "|", "/", "-",    "{y:i}", "{Y:b,u}", "{c:$0000FF}", "{f:Some-Font}", "{x:no}",
      "{",    "}", "ł", "é", "{y:i", "|/",    "a"};
  std::uniform_int_distribution<int> piece(0, 16), pieces(0, 120);
  if (wordy) {
    std::string text;
    static const char* const kWords[] = {"word", " ", "ł", "é", "a", "words and more", "{y:i}", "|"};
    for (int n = pieces(rng); n > 0; --n) text += kWords[rng() % 40 == 0 ? 6 + rng() % 2 : rng() % 6];
    return text;
  }
  std::string text;
  for (int n = pieces(rng); n > 0; --n) text += kPieces[piece(rng)];
  return text;
}

TEST(Visible, AgreesWithReadingCharacterByCharacter) {
  for (unsigned seed = 1; seed <= 2000; ++seed) {
    std::mt19937 rng(seed);
    const std::string text = RandomTaggedText(rng, seed >= 1500);
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

// The scan's counts, block by block and word by word, against a byte at a
// time: every length up to a few blocks, and texts long enough that its
// byte lanes are emptied on the way.
TEST(ScanText, CountsAsReadingByteByByte) {
  static const char kBytes[] = {'a', ' ', '-', '|', '{', '<', '}', '\xC3', '\xA9', '\xBF', '/'};
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 10);
  for (const StyleDialect* dialect : {&PlainText(), &Tags(), &Cues()}) {
    for (size_t length = 0; length < 9000; length += length < 80 ? 1 : 997) {
      for (int round = 0; round < 4; ++round) {
        std::string text;
        // Some texts are mostly dashes, or plain ASCII.
        for (size_t i = 0; i < length; ++i) text += round == 3 ? '-' : kBytes[byte(rng) % (round == 2 ? 6 : 11)];
        TextFacts expected;
        for (size_t i = 0; i < text.size(); ++i) {
          expected.dashes += text[i] == '-';
          expected.braces += dialect->TagStarts().find(text[i]) != std::string_view::npos;
          expected.ascii = expected.ascii && static_cast<unsigned char>(text[i]) < 0x80;
          expected.continuations += (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
          if (text[i] != '|') continue;
          if (expected.kept < TextFacts::kBarsKept) expected.barAt[expected.kept++] = static_cast<std::uint32_t>(i);
          ++expected.bars;
        }
        const TextFacts f = ScanText(text, *dialect);
        ASSERT_EQ(f.dashes, expected.dashes) << length;
        ASSERT_EQ(f.braces, expected.braces) << length;
        ASSERT_EQ(f.bars, expected.bars) << length;
        ASSERT_EQ(f.ascii, expected.ascii) << length;
        ASSERT_EQ(f.continuations, expected.continuations) << length;
        ASSERT_EQ(f.kept, expected.kept) << length;
        for (int k = 0; k < f.kept; ++k) ASSERT_EQ(f.barAt[k], expected.barAt[k]) << length;
      }
    }
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

// A join that would change what the screen shows is not made, and the text
// is left as it was.
TEST(Markup, JoinsThatWouldChangeTheScreenAreRefused) {
  const struct {
    bool cues;
    const char* text;  // joined at its last "|"
    const char* out;   // nullptr: refused
  } cases[] = {
      // The next line would take on the style of the line it joins.
      {false, "{y:i}one|two", nullptr},
      {false, "{c:$0000FF}one|two", nullptr},
      {false, "{y:i}one|{y:b}two", nullptr},
      {false, "one {y:i}two|three", nullptr},  // a tag inside a line styles what follows it
      {false, "a|{Y:b}b|c", nullptr},          // so does an entry's tag starting a later line
      {false, "{y:i}one|{y:i}{y:b}two", "{y:i}one {y:i}{y:b}two"},
      {false, "{Y:i}one|two", "{Y:i}one two"},  // the entry's own style is everywhere
      {false, "{y:i}one|", "{y:i}one "},
      {false, "{c:$0000FF}a {c:$00FF00}b|{c:$0000FF}c", "{c:$0000FF}a {c:$00FF00}b {c:$0000FF}c"},
      // Visible text would become a tag.
      {false, "He said {y:this is|a long one}", nullptr},
      {false, "{y:a b|c}", nullptr},
      {false, "x {y:a|/b}", "x {y:a {y:i}b}"},
      {true, "He said <i this|is>", nullptr},
      {true, "{\\an8 x|y}", nullptr},
      {true, "<i>one|two</i>", "<i>one two</i>"},
  };
  for (const auto& c : cases) {
    std::string s = c.text;
    EXPECT_EQ(JoinLineAt(s, s.rfind('|'), 0, c.cues ? Cues() : Tags()), c.out != nullptr) << c.text;
    EXPECT_EQ(s, c.out ? c.out : c.text) << c.text;
  }
  std::string all = "{y:i}a|b|{y:i}c";
  EXPECT_FALSE(JoinAllLines(all, Tags()));
  EXPECT_EQ(all, "{y:i}a|b {y:i}c") << "the break that would restyle stays";
}

TEST(Markup, ABreakPutsNoVisibleSlashAtALineStart) {
  const struct {
    bool cues;
    const char* text;  // broken at its first space
    bool keeps;
  } cases[] = {
      {false, "in /out", false}, {false, "in {c:$0000FF}/out", false}, {false, "{y:a/b}in /out", false},
      {false, "/in /out", true},  // after the line's own "/" a second one shows
      {false, "in out/", true},  {false, "in {x:/}out", true},         {true, "in /out", true},
  };
  for (const auto& c : cases) {
    const StyleDialect& d = c.cues ? Cues() : Tags();
    std::string s = c.text;
    const size_t at = s.find(' ');
    EXPECT_EQ(BreakKeepsText(s, at, 0, d), c.keeps) << c.text;
    std::string shown, after;
    const Visible v(s, 0, d);
    for (int i = 0; i < v.size(); ++i) shown += v.Byte(i) == at ? '|' : s[v.Byte(i)];
    BreakLineAt(s, at, 0, d);
    const Visible w(s, 0, d);
    for (int i = 0; i < w.size(); ++i) after += s[w.Byte(i)];
    EXPECT_EQ(after == shown, c.keeps) << c.text << " -> " << s;
  }
  // A cut that starts an entry goes before no tag styling a whole entry.
  EXPECT_FALSE(BreakKeepsText("a {Y:b}b", 1, 0, Tags(), true));
  EXPECT_TRUE(BreakKeepsText("a {Y:b}b", 1, 0, Tags()));
}

// Markup moved inside a line turns only its own "/" into a tag: an override
// holding a "/" (what a plain Enter in the grid passes on) stays as it is, in
// the dialect that reads it as a tag and in the one that reads it as text.
TEST(Markup, MidLineMarkupTurnsOnlyItsOwnSlash) {
  const struct {
    bool cues;
    const char* markup;
    const char* out;
  } cases[] = {
      {false, "{\\an/8}", "{\\an/8}"}, {true, "{\\an/8}", "{\\an/8}"}, {false, "{y:b}/", "{y:b}{y:i}"},
      {false, "/{y:b}", "{y:i}{y:b}"}, {false, "{f:a/b}", "{f:a/b}"},  {true, "/", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(MidLineMarkup(c.markup, c.cues ? Cues() : Tags()), c.out) << c.markup;
  EXPECT_EQ(MidLineMarkup("Hello {\\an/8}there", Tags()), "Hello {\\an/8}there");
}

}  // namespace
}  // namespace lm
