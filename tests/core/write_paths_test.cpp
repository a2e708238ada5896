// The writers' short ways against their plain ones, over generated input:
// cues appended to the file's text whole against cues emitted a line at a
// time, the 8-bit page applied to the finished text in place against a
// line at a time, the converter's plain-text test against a byte at a time.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>

#include "files/charset.h"
#include "files/code_page.h"
#include "formats/convert.h"
#include "formats/microdvd/microdvd.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/text.h"

namespace lm {
namespace {

// The document in `format` with lines ended by `end`: through a sink onto
// the text (`direct`), which a writer may append to, or through one that
// takes each line from a call.
std::string Written(const Document& doc, const Format& format, bool direct, std::string_view end) {
  FileIdentity identity = doc.Identity();
  identity.format = &format;
  DocumentFeed feed(doc, format, identity.encoding);
  std::string text;
  const auto add = [&](std::string_view line) {
    text += line;
    text += end;
  };
  if (direct) {
    format.Write(feed, identity, LineSink(add, text, end));
  } else {
    format.Write(feed, identity, LineSink(add));
  }
  return text;
}

std::string Pick(std::mt19937& rng, const std::vector<std::string>& from) {
  return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
}

std::string WrittenTime(std::mt19937& rng) {
  char t[16];
  std::snprintf(t, sizeof t, "%02u:%02u:%02u,%03u", static_cast<unsigned>(rng() % 100),
                static_cast<unsigned>(rng() % 60), static_cast<unsigned>(rng() % 60),
                static_cast<unsigned>(rng() % 1000));
  return t;
}

// A SubRip entry line of any shape the writer meets: times as written or
// odd or none, screen lines blank, empty, long, with literal bars and
// references; lines without fields.
std::string SubRipEntry(std::mt19937& rng) {
  const std::vector<std::string> odd = {
      "0:0:5,5", "-00:00:01,000", "100:00:00,000", "00:60:00,000", " 00:00:01,000", "00:00:01.000", "xx",
      "",        "00:00:01,000 "};
  const std::vector<std::string> pieces = {"Hello there",
                                           "",
                                           "   ",
                                           "\t",
                                           "caf\xC3\xA9",
                                           "a",
                                           "<i>so</i>",
                                           std::string("one") + std::string(kLiteralBar) + "two",
                                           "\xEF\xB7\x93 amp",
                                           std::string(250, 'x'),
                                           "- Yes.",
                                           "{\\an8}Up"};
  switch (rng() % 10) {
    case 0:
      return std::string(kUnreadLine) + "a stray line";
    case 1:
      return Pick(rng, {"", "plain words", "{1}", "{00:00:01,000}", "}{x}{y}"});
    default:
      break;
  }
  const auto time = [&] { return rng() % 5 == 0 ? Pick(rng, odd) : WrittenTime(rng); };
  std::string text;
  for (unsigned n = rng() % 5, k = 0; k <= n; ++k) text += (k ? "|" : "") + Pick(rng, pieces);
  return "{" + time() + "}{" + time() + "}" + text;
}

void Load(Document& doc, std::vector<std::string> entries, const Format& format, LineEnd end, bool finalBlank,
          std::vector<SourceCue> sources = {}) {
  doc.KeepHistory(false);
  FileIdentity identity(Encoding::Utf8, end, &format);
  identity.finalBlank = finalBlank;
  doc.Load(std::move(entries), {}, identity, std::move(sources));
}

// Entries without sources as SubRip, the plain way: each split, both times
// read, each line emitted.
std::string PlainSubRip(const std::vector<std::string>& entries, std::string_view end, bool finalBlank) {
  std::string out;
  int number = 0;
  const auto line = [&](std::string_view l) {
    out += l;
    out += end;
  };
  const auto shown = [&](std::string_view piece) {
    line(piece.find(kLiteralBar) == std::string_view::npos ? std::string(piece) : ShowLiteralBars(piece));
  };
  const auto as = [](std::string_view field, int64_t ms) {
    return IsWrittenTime(field) ? std::string(field) : FormatSubRipTime(ms);
  };
  for (size_t k = 0; k < entries.size(); ++k) {
    const std::string& e = entries[k];
    const bool blankAfter = k + 1 < entries.size() || finalBlank;
    EntryFields f;
    std::optional<int64_t> start, stop;
    if (SplitFullEntry(e, f)) start = ParseSubRipTime(f.start), stop = ParseSubRipTime(f.stop);
    if (!start || !stop) {
      if (IsUnreadLine(e)) {
        line(WithoutUnreadMark(e));
      } else if (!e.empty()) {
        shown(e);
      }
      if (blankAfter && !e.empty()) line({});
      continue;
    }
    line(std::to_string(++number));
    line(as(f.start, *start) + " --> " + as(f.stop, *stop));
    for (size_t from = 0;;) {
      const size_t bar = f.text.find('|', from);
      const std::string_view piece = f.text.substr(from, bar == std::string_view::npos ? bar : bar - from);
      if (!IsBlankLine(piece)) shown(piece);
      if (bar == std::string_view::npos) break;
      from = bar + 1;
    }
    if (blankAfter) line({});
  }
  return out;
}

TEST(WritePaths, SubRipCuesAppendedWholeAreTheLinesEmitted) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> entries(1 + rng() % 30);
    for (std::string& e : entries) e = SubRipEntry(rng);
    for (const LineEnd end : {LineEnd::CrLf, LineEnd::Lf}) {
      Document doc;
      Load(doc, entries, SubRip(), end, round % 2 == 0);
      const std::string_view ending = end == LineEnd::Lf ? "\n" : "\r\n";
      const std::string plain = PlainSubRip(entries, ending, round % 2 == 0);
      ASSERT_EQ(Written(doc, SubRip(), true, ending), plain) << round;
      ASSERT_EQ(Written(doc, SubRip(), false, ending), plain) << round;
    }
  }
}

// Cues read from a file keep their sources (odd timing lines, literal bars):
// those are written from them, the others appended whole, in one file.
TEST(WritePaths, SubRipCuesReadFromAFileAreTheLinesEmitted) {
  std::mt19937 rng(11);
  const std::vector<std::string> timings = {"00:00:01,000 --> 00:00:02,000", "0:0:1,5 --> 0:0:2,0",
                                            "00:00:01,000 --> 00:00:02,000 X1:10 X2:20", "00:00:01.000->00:00:02.000"};
  for (int round = 0; round < 200; ++round) {
    std::string file;
    for (unsigned n = 1 + rng() % 20, k = 0; k < n; ++k) {
      if (rng() % 8 == 0) file += "a stray line\r\n";
      file += std::to_string(k + 1) + "\r\n" + Pick(rng, timings) + "\r\n";
      file += Pick(rng, {"Hi", "Hi\r\nthere", "a|bar", "caf\xC3\xA9"}) + "\r\n\r\n";
    }
    SubtitleFile read;
    ASSERT_EQ(ParseSubtitleFile(file, read, Encoding::Utf8, kDefaultFrameRate, "x.srt"), ReadStatus::Ok);
    // Some entries changed since, their sources kept.
    for (std::string& e : read.lines)
      if (rng() % 3 == 0 && !IsUnreadLine(e)) e += "|more";
    Document doc;
    Load(doc, read.lines, SubRip(), LineEnd::CrLf, true, read.sources);
    ASSERT_EQ(Written(doc, SubRip(), true, "\r\n"), Written(doc, SubRip(), false, "\r\n")) << file;
  }
}

TEST(WritePaths, FrameBasedLinesAppendedAreTheLinesEmitted) {
  std::mt19937 rng(3);
  for (int round = 0; round < 100; ++round) {
    std::vector<std::string> entries(1 + rng() % 40);
    for (std::string& e : entries)
      e = "{" + std::to_string(rng() % 5000) + "}{" + std::to_string(rng() % 5000) + "}" +
          Pick(rng, {"", "a|b", "{y:i}slanted", "/slash", "caf\xC3\xA9", std::string(300, 'w')});
    if (round % 3 == 0) entries.front() = "{1}{1}23.976";
    Document sub;
    Load(sub, entries, MicroDvd(), round % 2 ? LineEnd::Lf : LineEnd::CrLf, true);
    for (const std::string_view end : {"\n", "\r\n"}) {
      // As themselves, and converted each way.
      ASSERT_EQ(Written(sub, MicroDvd(), true, end), Written(sub, MicroDvd(), false, end)) << round;
      ASSERT_EQ(Written(sub, SubRip(), true, end), Written(sub, SubRip(), false, end)) << round;
    }
    std::vector<std::string> cues(1 + rng() % 20);
    for (std::string& e : cues) e = SubRipEntry(rng);
    Document srt;
    Load(srt, cues, SubRip(), LineEnd::CrLf, true);
    ASSERT_EQ(Written(srt, MicroDvd(), true, "\r\n"), Written(srt, MicroDvd(), false, "\r\n")) << round;
  }
}

// Each entry the feed converts into its buffer, kept from entry to entry,
// is the entry converted on its own.
TEST(WritePaths, EntriesConvertedIntoOneBufferAreEachConverted) {
  std::mt19937 rng(13);
  std::vector<std::string> entries(500);
  for (std::string& e : entries)
    e = "{" + std::to_string(rng() % 90000) + "}{" + Pick(rng, {"x", "250", " 300 ", "-4"}) + "}" +
        Pick(rng, {"", "a|b", "{y:i}slanted|line", "/slash", "caf\xC3\xA9", std::string(40, 'w'), "<b>", "a & b"});
  Document doc;
  Load(doc, entries, MicroDvd(), LineEnd::CrLf, true);
  DocumentFeed feed(doc, SubRip(), Encoding::Utf8);
  const TimeNotation from(MicroDvd().Times(), doc.Identity().frameRate), to(SubRip().Times(), doc.Identity().frameRate);
  for (int k = 0; k < feed.Count(); ++k) {
    const std::string* line = feed.Line(k);
    if (!line) continue;
    ASSERT_EQ(*line, ConvertEntry(entries[static_cast<size_t>(k)], from, to, MicroDvd().Dialect(), SubRip().Dialect(),
                                  kLiteralBar))
        << entries[static_cast<size_t>(k)];
  }
}

// ------------------------------------------------------------ 8-bit pages

// The page's byte for each character it holds, from its table.
std::map<char32_t, char> BytesOf(Encoding e) {
  std::map<char32_t, char> bytes;
  const std::array<char32_t, 256>& table = CodePageTable(e);
  for (int b = 255; b >= 0; --b) bytes[table[static_cast<size_t>(b)]] = static_cast<char>(b);
  return bytes;
}

// Text of lines with ASCII runs of every length around the 8- and 16-byte
// blocks, characters of the page and characters of no page, CR and LF.
std::string PageText(std::mt19937& rng, Encoding e) {
  const std::array<char32_t, 256>& table = CodePageTable(e);
  const std::vector<char32_t> foreign = {0x4E2D, 0x1F600, 0x0101, 0x20AC, 0x2019, 0x0410, 0x05D0, 0xFFFD, 0x07FF};
  std::string text;
  for (unsigned n = rng() % 12, k = 0; k < n; ++k) {
    for (unsigned run = rng() % 40; run-- > 0;) text += static_cast<char>('a' + rng() % 26);
    switch (rng() % 4) {
      case 0:
        text += rng() % 2 ? "\r\n" : "\n";
        break;
      case 1:
        AppendUtf8(text, foreign[rng() % foreign.size()]);
        break;
      default:
        AppendUtf8(text, table[0x80 + rng() % 0x80]);
    }
  }
  return text;
}

TEST(WritePaths, APageAppliedInPlaceIsThePageAppliedALineAtATime) {
  std::mt19937 rng(5);
  for (int i = 0; i <= static_cast<int>(Encoding::Ibm866); ++i) {
    const Encoding e = static_cast<Encoding>(i);
    ASSERT_TRUE(IsSingleByte(e));
    const std::map<char32_t, char> bytes = BytesOf(e);
    for (int round = 0; round < 300; ++round) {
      const std::string text = PageText(rng, e);
      // Character by character from the table, each not held named once.
      std::string expected;
      std::vector<std::string> missing;
      for (size_t at = 0; at < text.size();) {
        const size_t from = at;
        const char32_t c = NextCodePoint(text, at);
        const auto b = bytes.find(c);
        if (b != bytes.end()) {
          expected += b->second;
        } else if (std::find(missing.begin(), missing.end(), text.substr(from, at - from)) == missing.end()) {
          missing.push_back(text.substr(from, at - from));
        }
      }
      // A line at a time, as the encoder did.
      std::string byLine;
      std::vector<std::string> notHeldByLine;
      for (size_t from = 0; from <= text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        const std::string_view line = std::string_view(text).substr(from, end - from);
        if (!AppendEncodedSingleByte(e, line, byLine))
          for (std::string& c : CharactersNotHeld(e, line))
            if (std::find(notHeldByLine.begin(), notHeldByLine.end(), c) == notHeldByLine.end())
              notHeldByLine.push_back(std::move(c));
        if (end < text.size()) byLine += '\n';
        from = end + 1;
      }
      std::string inPlace = text;
      std::vector<std::string> notHeld;
      const bool ok = EncodeSingleByteInPlace(e, inPlace, notHeld);
      ASSERT_EQ(ok, missing.empty()) << EncodingName(e) << " " << text;
      ASSERT_EQ(notHeld, missing) << EncodingName(e);
      ASSERT_EQ(notHeldByLine, missing) << EncodingName(e);
      if (ok) {
        ASSERT_EQ(inPlace, expected) << EncodingName(e);
        ASSERT_EQ(byLine, expected) << EncodingName(e);
      }
    }
  }
}

// Every character from U+0080 to U+07FF, the ones a table holds a load
// away, and a few beyond: each as the page's table says.
TEST(WritePaths, EachCharacterInPlaceIsThePagesByte) {
  for (const Encoding e : {Encoding::Windows1252, Encoding::Windows1250, Encoding::Koi8R, Encoding::Ibm866}) {
    const std::map<char32_t, char> bytes = BytesOf(e);
    for (char32_t c = 0x80; c < 0x2200; ++c) {
      std::string text = "ab";
      AppendUtf8(text, c);
      std::vector<std::string> notHeld;
      const auto b = bytes.find(c);
      ASSERT_EQ(EncodeSingleByteInPlace(e, text, notHeld), b != bytes.end()) << EncodingName(e) << " " << c;
      if (b != bytes.end()) {
        EXPECT_EQ(text, std::string("ab") + b->second);
      } else {
        EXPECT_EQ(notHeld.size(), 1u);
      }
    }
  }
}

TEST(WritePaths, PlainTextSixteenBytesAtATimeIsPlainTextAByteAtATime) {
  const std::string special = "<>{}[]\\&/\xEE\xEF";
  std::mt19937 rng(9);
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 70, 'a');
    for (char& c : text) c = static_cast<char>(' ' + rng() % 90);
    for (char& c : text)
      if (special.find(c) != std::string::npos) c = 'x';
    // At most one special byte, anywhere, some other high bytes.
    if (!text.empty() && rng() % 3 != 0) text[rng() % text.size()] = special[rng() % special.size()];
    if (!text.empty() && rng() % 2) text[rng() % text.size()] = static_cast<char>(0xC0 + rng() % 0x2E);
    bool plain = true;
    for (const char c : text) plain = plain && special.find(c) == std::string::npos;
    ASSERT_EQ(IsPlainText(text), plain) << text;
  }
}

}  // namespace
}  // namespace lm
