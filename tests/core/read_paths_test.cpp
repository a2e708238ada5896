// The quick ways a file is read, each against the plain way it replaces,
// over generated inputs: line ends at the edges of 16- and 64-byte blocks,
// odd SubRip shapes, literal bars, byte order marks.
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

#include "files/charset.h"
#include "files/code_page.h"
#include "files/text_file.h"
#include "formats/subrip/subrip.h"
#include "model/entry.h"
#include "model/text.h"

namespace lm {
namespace {

// ------------------------------------------------------------ line ends

void PlainSplit(std::string_view s, std::vector<std::string_view>& lines, LineEnd& style) {
  long lf = 0, crlf = 0, cr = 0;
  for (size_t start = 0; start < s.size();) {
    const size_t end = std::min(s.find_first_of("\r\n", start), s.size());
    lines.push_back(s.substr(start, end - start));
    if (end == s.size()) break;
    start = end + 1;
    if (s[end] == '\r' && start < s.size() && s[start] == '\n') {
      ++start, ++crlf;
    } else {
      ++(s[end] == '\n' ? lf : cr);
    }
  }
  style = lf > 0 && crlf == 0 && cr == 0 ? LineEnd::Lf : LineEnd::CrLf;
}

TEST(ReadPaths, SplitLinesAsThePlainWayAtEveryBlockEdge) {
  std::mt19937 random(7);
  const char kBytes[] = {'a', ' ', '\r', '\n', '\xE9', '|'};
  for (int round = 0; round < 4000; ++round) {
    // Mostly text, with ends thick or sparse, from an offset that moves
    // the blocks' edges over the text.
    const int ends = 1 + static_cast<int>(random() % 8);
    std::string buffer(random() % 16, 'x');
    const size_t length = random() % 300;
    for (size_t i = 0; i < length; ++i)
      buffer += static_cast<int>(random() % 16) < ends ? kBytes[2 + random() % 2] : kBytes[random() % 6];
    const std::string_view content = std::string_view(buffer).substr(buffer.size() - length);
    std::vector<std::string_view> fast, plain;
    LineEnd fastStyle = LineEnd::Lf, plainStyle = LineEnd::CrLf;
    SplitLines(content, fast, fastStyle);
    PlainSplit(content, plain, plainStyle);
    ASSERT_EQ(fast, plain) << testing::PrintToString(std::string(content));
    ASSERT_EQ(fastStyle, plainStyle) << testing::PrintToString(std::string(content));
    // The first non-empty lines, cut alike.
    std::vector<std::string_view> nonEmpty, first;
    for (const std::string_view line : plain)
      if (!line.empty()) nonEmpty.push_back(line);
    const size_t most = random() % 12;
    if (nonEmpty.size() > most) nonEmpty.resize(most);
    SplitFirstLines(content, most, first);
    ASSERT_EQ(first, nonEmpty) << testing::PrintToString(std::string(content)) << most;
  }
  // A CR LF astride each place of the first blocks, and a lone CR after it.
  for (size_t at = 0; at < 140; ++at) {
    std::string content(200, 'a');
    content.replace(at, 2, "\r\n");
    content[at + 2 + at % 5] = '\r';
    std::vector<std::string_view> fast, plain;
    LineEnd fastStyle, plainStyle;
    SplitLines(content, fast, fastStyle);
    PlainSplit(content, plain, plainStyle);
    ASSERT_EQ(fast, plain) << at;
  }
}

// ------------------------------------------------------------ SubRip cues

// The reader as it was: every line asked whether it is a timing line.
void PlainParseSubRip(const std::vector<std::string_view>& lines, ReadEntries& out) {
  const size_t n = lines.size();
  const auto unmarked = [&](size_t i) { return lines[i].substr(LeadingMark(lines[i], i == 0)); };
  std::vector<char> isTiming(n + 1, 0);
  std::string_view start, stop;
  for (size_t i = 0; i < n; ++i) isTiming[i] = ParseTimingLine(unmarked(i), start, stop);
  const auto isNumber = [](std::string_view s) {
    s = TrimBlanks(s);
    return !s.empty() && s.size() < 10 && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  const auto cueAt = [&](size_t i) { return isTiming[i] || (isTiming[i + 1] && isNumber(unmarked(i))); };
  size_t unread = 0, firstUnread = 0;
  const auto keep = [&](SourceCue cue, bool needed) {
    if (out.sources.empty() && !needed) return;
    if (out.sources.empty()) out.sources.resize(out.entries.size());
    out.sources.push_back(std::move(cue));
  };
  for (size_t i = 0; i < n;) {
    if (IsBlankLine(lines[i])) {
      ++i;
      continue;
    }
    out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
    if (!cueAt(i)) {
      SourceCue cue;
      cue.blankAfter = i + 1 >= n || IsBlankLine(lines[i + 1]);
      keep(cue, !cue.blankAfter);
      out.entries.push_back(std::string(kUnreadLine) + std::string(lines[i]));
      if (unread++ == 0) firstUnread = i + 1;
      ++i;
      continue;
    }
    const size_t t = isTiming[i] ? i : i + 1;
    const std::string_view line = unmarked(t);
    ParseTimingLine(line, start, stop);
    std::string entry = BuildEntryLine(start, stop, {});
    SourceCue cue;
    bool literal = false;
    for (i = t + 1; i < n && !IsBlankLine(lines[i]) && !cueAt(i); ++i) {
      if (i > t + 1) entry += '|', cue.text += '\n';
      for (const char c : lines[i]) c == '|' ? void(entry += kLiteralBar) : void(entry += c);
      cue.text += lines[i];
      literal = literal || lines[i].find(kLiteralBar) != std::string_view::npos;
    }
    if (!literal) cue.text.clear();
    const bool written = line.size() == 29 && start.data() == line.data() && stop.data() == line.data() + 17 &&
                         line.substr(12, 5) == " --> " && IsWrittenTime(start) && IsWrittenTime(stop);
    if (literal || !written) {
      cue.timing = std::string(line);
      cue.startAt = static_cast<std::uint32_t>(start.data() - line.data());
      cue.startLength = static_cast<std::uint32_t>(start.size());
      cue.stopAt = static_cast<std::uint32_t>(stop.data() - line.data());
      cue.stopLength = static_cast<std::uint32_t>(stop.size());
    }
    keep(cue, literal || !written);
    out.entries.push_back(std::move(entry));
  }
  out.finalBlank = n > 0 && IsBlankLine(lines.back());
  if (unread > 0) out.notes.push_back(UnreadLinesNote(unread, firstUnread));
}

// Lines of every shape a SubRip reader meets.
std::vector<std::string> SubRipLineShapes() {
  // Literal bars ("\xEF\xB7\x90"), byte order marks ("\xEF\xBB\xBF") and
  // one as a code page reads it ("\xC3\xAF\xC2\xBB\xC2\xBF").
  std::vector<std::string> shapes = {"", "", "  ", "\t", "1", "12", " 7 ", "1234567890", "x1", "|", "a|b"};
  for (const char* timing :
       {"00:00:01,000 --> 00:00:02,500", "00:00:01,000 --> 00:00:02,500 X1:10", "00:00:01,000 --> 00:00:02,500x",
        " 0:0:1 -> 0:0:2", "-00:00:01,000 --> 00:00:02,000", "00:00:01.5 - > 00:00:02:5", ":1 --> ,2",
        "00:00:01,000 \xE2\x80\x94> 00:00:02,000", "1:00 --> x", "0 --> 0",
        // A byte from the writer's own shape at each end of its two blocks.
        "00:60:01,000 --> 00:00:02,500", "00:00:01,000 --> 00:00:62,500", "00:00:01.000 --> 00:00:02,500",
        "00:00:01,000 --> 00:00:02,50x", "x0:00:01,000 --> 00:00:02,500", "00:00:01,000 --- 00:00:02,500",
        "00:00:01,000 --> 00:00:02,500 "})
    shapes.emplace_back(timing);
  for (const char* text :
       {"Some text", "- A line", "x\xEF\xB7\x90y", "\xEF\xB7\x90", "\xEF\xBF\xBD text", "\357\273\2771",
        "\357\273\27700:00:01,000 --> 00:00:02,000", "\xEF\xBB\xBF", "\303\257\302\273\302\2771",
        // Bars and marks at the edges of sixteen-byte blocks.
        "<i>Some</i> text", "Caf\xC3\xA9 - d\xC3\xA9j\xC3\xA0|", "{\\an8}- Oui", "<font color=\"#FF0000\">Red</font>",
        "Sixteen bytes ok", "Sixteen bytes o|", "|ixteen bytes ok and more", "A line long enough for two|",
        "A line long enough for \xEF\xB7\x90 two", "A longer line of text, over two blocks|"})
    shapes.emplace_back(text);
  return shapes;
}

void ExpectSameRead(const ReadEntries& fast, const ReadEntries& plain, const std::string& shown) {
  ASSERT_EQ(fast.entries, plain.entries) << shown;
  ASSERT_EQ(fast.firstLines, plain.firstLines) << shown;
  ASSERT_EQ(fast.notes, plain.notes) << shown;
  ASSERT_EQ(fast.finalBlank, plain.finalBlank) << shown;
  ASSERT_EQ(fast.sources.size(), plain.sources.size()) << shown;
  for (size_t k = 0; k < fast.sources.size(); ++k) {
    const SourceCue &a = fast.sources[k], &b = plain.sources[k];
    ASSERT_EQ(std::tie(a.timing, a.text, a.startAt, a.startLength, a.stopAt, a.stopLength, a.blankAfter),
              std::tie(b.timing, b.text, b.startAt, b.startLength, b.stopAt, b.stopLength, b.blankAfter))
        << shown << k;
  }
}

TEST(ReadPaths, SubRipCuesAsThePlainWay) {
  const std::vector<std::string> shapes = SubRipLineShapes();
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> held;
    for (size_t k = random() % 40; k-- > 0;) held.push_back(shapes[random() % shapes.size()]);
    const std::vector<std::string_view> lines(held.begin(), held.end());
    ReadEntries fast, plain;
    ParseSubRip(lines, fast);
    PlainParseSubRip(lines, plain);
    const std::string shown = testing::PrintToString(held);
    ExpectSameRead(fast, plain, shown);
    // The shapes worked out on the way are those of the entries made.
    ASSERT_EQ(fast.shapes.size(), fast.entries.size()) << shown;
    for (size_t k = 0; k < fast.entries.size(); ++k) {
      const EntryShape a = fast.shapes[k], b = ShapeOf(fast.entries[k], SubRip().Dialect());
      ASSERT_EQ(std::tie(a.known, a.decomposable, a.full, a.dashes, a.breaks, a.textAt, a.textChars, a.textBreaks,
                         a.textDashes, a.firstBar, a.lastBar),
                std::tie(b.known, b.decomposable, b.full, b.dashes, b.breaks, b.textAt, b.textChars, b.textBreaks,
                         b.textDashes, b.firstBar, b.lastBar))
          << shown << k;
      // Times said to be halvable are.
      EntryFields f;
      if (a.halvable) {
        ASSERT_TRUE(SplitFullEntry(fast.entries[k], f) && ParseSubRipTime(f.start) && ParseSubRipTime(f.stop) &&
                    MiddleFrame(*ParseSubRipTime(f.start), *ParseSubRipTime(f.stop)))
            << shown << k;
      }
    }
  }
}

TEST(ReadPaths, SubRipTextReadInPiecesAsWhole) {
  const std::vector<std::string> shapes = SubRipLineShapes();
  std::mt19937 random(13);
  for (int round = 0; round < 3000; ++round) {
    // Lines ended alike or each its own way, the last one ended or not.
    std::string text;
    const char* const kEnds[] = {"\n", "\r\n", "\r"};
    const int style = static_cast<int>(random() % 4);
    for (size_t k = random() % 60; k-- > 0;)
      text += shapes[random() % shapes.size()] + kEnds[style < 3 ? style : random() % 3];
    if (random() % 2) text += shapes[random() % shapes.size()];
    if (text.empty()) continue;  // no file: it is refused as empty
    std::vector<std::string_view> lines;
    LineEnd wholeStyle;
    SplitLines(text, lines, wholeStyle);
    ReadEntries whole;
    ParseSubRip(lines, whole);
    // Cut after the next empty line at least a few bytes on.
    ReadEntries pieces;
    SubRipPiece piece;
    LineEndCounts ends;
    const size_t least = random() % 40;
    for (size_t from = 0; from < text.size();) {
      const size_t to = PieceEnd(text, from, least);
      ASSERT_GT(to, from);
      SplitLines(std::string_view(text).substr(from, to - from), lines, ends);
      piece.last = to == text.size();
      ParseSubRip(lines, pieces, piece);
      piece.firstLine += lines.size();
      from = to;
    }
    const std::string shown = testing::PrintToString(text) + " " + std::to_string(least);
    ExpectSameRead(pieces, whole, shown);
    ASSERT_EQ(ends.Style(), wholeStyle) << shown;
  }
}

// ------------------------------------------------------------ 8-bit text

constexpr Encoding kGuessed[] = {
    Encoding::Windows1250, Encoding::Windows1251, Encoding::Windows1252, Encoding::Windows1253, Encoding::Windows1254,
    Encoding::Windows1255, Encoding::Windows1256, Encoding::Windows1257, Encoding::Windows1258, Encoding::Iso8859_2,
    Encoding::Iso8859_5,   Encoding::Iso8859_7,   Encoding::Iso8859_9,   Encoding::Iso8859_13};

// Text of words, blanks, punctuation and line ends, a byte in `high` of
// them beyond ASCII.
std::string EightBitText(std::mt19937& random, size_t length, unsigned high) {
  static const char kAscii[] = "aeinrstAEINRST  ..,'-!\n\r\n";
  std::string s;
  for (size_t i = 0; i < length; ++i)
    s += random() % high == 0 ? static_cast<char>(0x80 + random() % 0x80) : kAscii[random() % (sizeof kAscii - 1)];
  return s;
}

TEST(ReadPaths, FindHighByteAsThePlainWayFromEveryPlace) {
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    std::string s(random() % 200, 'a');
    for (size_t k = random() % 3; k-- > 0 && !s.empty();)
      s[random() % s.size()] = static_cast<char>(0x80 + random() % 0x80);
    for (size_t from = 0; from <= s.size(); ++from) {
      size_t plain = from;
      while (plain < s.size() && static_cast<unsigned char>(s[plain]) < 0x80) ++plain;
      ASSERT_EQ(FindHighByte(s, from), plain) << testing::PrintToString(s) << from;
    }
  }
}

TEST(ReadPaths, LinesDecodedAsEachOnItsOwn) {
  std::mt19937 random(5);
  for (int round = 0; round < 600; ++round) {
    const Encoding e = kGuessed[random() % std::size(kGuessed)];
    // Now and then lines longer than a buffer, so that more are made.
    const size_t length = round % 50 == 0 ? 200000 : random() % 2000;
    const std::string text = EightBitText(random, length, 1 + random() % 200);
    std::vector<std::string_view> lines;
    LineEnd style;
    SplitLines(text, lines, style);
    const std::vector<std::string_view> read = lines;
    const auto held = DecodeLinesBeyondAscii(e, text, lines);
    ASSERT_EQ(lines.size(), read.size());
    for (size_t k = 0; k < lines.size(); ++k) {
      ASSERT_EQ(lines[k], DecodeSingleByte(e, read[k])) << k;
      // A line of ASCII is the file's own.
      if (IsAscii(read[k])) {
        ASSERT_EQ(lines[k].data(), read[k].data()) << k;
      }
    }
  }
}

TEST(ReadPaths, CodePageTablesHoldEveryByteOnce) {
  for (const Encoding e : kGuessed) {
    const std::array<char32_t, 256>& table = CodePageTable(e);
    std::set<char32_t> seen(table.begin(), table.end());
    EXPECT_EQ(seen.size(), 256u) << EncodingName(e);
    for (size_t b = 0; b < 0x80; ++b) EXPECT_EQ(table[b], b);
    // Each byte reads as itself through the page and back.
    for (size_t b = 0x80; b < 0x100; ++b) {
      const std::string byte(1, static_cast<char>(b));
      EXPECT_EQ(EncodeSingleByte(e, DecodeSingleByte(e, byte)), byte) << EncodingName(e) << b;
    }
  }
  // Windows-1252 leaves 0x81 undefined: it keeps its C1 control.
  EXPECT_EQ(CodePageTable(Encoding::Windows1252)[0x81], 0x81u);
  EXPECT_EQ(CodePageTable(Encoding::Windows1252)[0xE9], 0xE9u);
}

TEST(ReadPaths, CodePageScoreFromRunsAsThePlainWay) {
  std::mt19937 random(9);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> held;
    for (size_t k = 1 + random() % 30; k-- > 0;) held.push_back(EightBitText(random, random() % 80, 1 + random() % 6));
    // Words of nothing but letters beyond ASCII, at a line's edges too.
    held.push_back(std::string("\xE9\xE8\xE0 \xC0\xC9") + "ab\xF1" + "\xE9");
    const std::vector<std::string_view> lines(held.begin(), held.end());
    for (const Encoding e : kGuessed)
      ASSERT_EQ(CodePageScore(e, lines, false), CodePageScore(e, lines, true))
          << EncodingName(e) << testing::PrintToString(held);
  }
}

TEST(ReadPaths, GuessPassesOverAsciiLines) {
  // The guess reads the lines with a byte beyond ASCII, in the first 16 KB
  // of each line; the same lines alone are guessed alike.
  std::mt19937 random(13);
  for (int round = 0; round < 60; ++round) {
    std::string text, alone;
    for (size_t k = random() % 400; k-- > 0;) {
      std::string line = EightBitText(random, random() % 100, random() % 3 == 0 ? 8 : 100000);
      if (random() % 50 == 0) line = std::string(16 * 1024 + random() % 8, 'a') + "\xE9";
      line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
      text += line + "\n";
      if (!IsAscii(std::string_view(line).substr(0, 16 * 1024))) alone += line + "\n";
    }
    ASSERT_EQ(GuessCodePage(text), GuessCodePage(alone)) << round;
  }
}

}  // namespace
}  // namespace lm
