// The writers' short ways against their plain ones, over generated input:
// cues appended to the file's text whole against cues emitted a line at a
// time, the 8-bit page applied to the finished text in place against a
// line at a time, the converter's plain-text test against a byte at a time,
// times converted and written against std::round, snprintf and the plain
// reading of each field.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>

#include "files/charset.h"
#include "files/code_page.h"
#include "files/text_file.h"
#include "formats/convert.h"
#include "formats/microdvd/microdvd.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/entry.h"
#include "model/text.h"
#include "model/time_notation.h"

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

// Screen lines broken at every place of the 16-byte blocks the breaks are
// found in: text of every length up to a few blocks, a "|" or a literal bar
// at each place, blank lines between, more breaks than a cue appended whole
// takes.
TEST(WritePaths, SubRipScreenLinesBrokenAtEveryPlaceAreTheLinesEmitted) {
  std::vector<std::string> entries;
  for (size_t n = 0; n <= 70; ++n) {
    const std::string letters(n, 'w');
    entries.push_back("{00:00:01,000}{00:00:02,000}" + letters);
    for (size_t at = 0; at < n; ++at) {
      std::string text = letters;
      text[at] = '|';
      entries.push_back("{00:00:01,000}{00:00:02,000}" + text);
      text[n - 1 - (at * 7) % n] = '|';
      if (at % 3 == 0) text[(at * 5) % n] = ' ';
      entries.push_back("{00:00:01,000}{00:00:02,000}" + text);
      text = letters;
      text.replace(at, 1, kLiteralBar);
      entries.push_back("{00:00:01,000}{00:00:02,000}" + text);
    }
  }
  for (const size_t bars : {63, 64, 65, 66, 90}) {
    std::string text;
    for (size_t k = 0; k < bars; ++k) text += k % 2 ? "a|" : "|";
    entries.push_back("{00:00:01,000}{00:00:02,000}" + text);
  }
  for (const LineEnd end : {LineEnd::CrLf, LineEnd::Lf}) {
    Document doc;
    Load(doc, entries, SubRip(), end, true);
    const std::string_view ending = end == LineEnd::Lf ? "\n" : "\r\n";
    ASSERT_EQ(Written(doc, SubRip(), true, ending), PlainSubRip(entries, ending, true));
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
      std::string lines;
      for (unsigned m = rng() % 70; m-- > 0;) lines += "l\r\n";
      file += Pick(rng, {"Hi", "Hi\r\nthere", "a|bar", "caf\xC3\xA9", "\xEF\xBC\x81 wide|\xEF\xBC\x81",
                         std::string(300, 'y'), "x\r\n\t\r\ny", lines + "end"}) +
              "\r\n\r\n";
    }
    SubtitleFile read;
    ASSERT_EQ(ParseSubtitleFile(file, read, Encoding::Utf8, kDefaultFrameRate, "x.srt"), ReadStatus::Ok);
    // The cues' text lines as a reader may keep them, for every other file:
    // such a cue is written from them while its entry is as it was read.
    for (size_t k = 0; round % 2 && k < read.sources.size(); ++k) {
      EntryFields f;
      if (read.sources[k].timing.empty() || !SplitFullEntry(read.lines[k], f)) continue;
      std::string text(f.text);
      for (size_t at; (at = text.find('|')) != std::string::npos;) text[at] = '\n';
      for (size_t at; (at = text.find(kLiteralBar)) != std::string::npos;) text.replace(at, kLiteralBar.size(), "|");
      read.sources[k].text = text;
      ASSERT_TRUE(IsCueAsRead(read.sources[k], read.lines[k])) << read.lines[k];
    }
    // Some entries changed since, their sources kept.
    for (std::string& e : read.lines)
      if (rng() % 3 == 0 && !IsUnreadLine(e)) e += Pick(rng, {"|more", "| |x", "|\xEF\xBC\x81"});
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
std::string PageText(std::mt19937& rng, Encoding e, unsigned pieces = 12, unsigned longestRun = 40,
                     bool foreigners = true) {
  const std::array<char32_t, 256>& table = CodePageTable(e);
  const std::vector<char32_t> foreign = {0x4E2D, 0x1F600, 0x0101, 0x20AC, 0x2019, 0x0410, 0x05D0, 0xFFFD, 0x07FF};
  std::string text;
  for (unsigned n = rng() % pieces, k = 0; k < n; ++k) {
    for (unsigned run = rng() % longestRun; run-- > 0;) text += static_cast<char>('a' + rng() % 26);
    switch (rng() % 4) {
      case 0:
        text += rng() % 2 ? "\r\n" : "\n";
        break;
      case 1:
        if (foreigners) {
          AppendUtf8(text, foreign[rng() % foreign.size()]);
          break;
        }
        [[fallthrough]];
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

// Long texts, characters of the page close together and far apart: the
// ASCII between them is stored in blocks of 64 once the text written is
// that far behind, by the byte before; into another buffer, always in
// blocks. One character of no page anywhere is found where it stands.
TEST(WritePaths, APageAppliedInPlaceToLongTextIsThePageCharacterByCharacter) {
  std::mt19937 rng(25);
  for (const Encoding e : {Encoding::Windows1252, Encoding::Windows1251, Encoding::Iso8859_7}) {
    const std::map<char32_t, char> bytes = BytesOf(e);
    for (int round = 0; round < 60; ++round) {
      std::string text = PageText(rng, e, 600, round % 3 == 0 ? 8 : 150, false);
      std::string expected;
      for (size_t at = 0; at < text.size();) expected += bytes.at(NextCodePoint(text, at));
      std::string inPlace = text, apart = "kept";
      std::vector<std::string> notHeld;
      ASSERT_TRUE(EncodeSingleByteInPlace(e, inPlace, notHeld)) << EncodingName(e);
      ASSERT_EQ(inPlace, expected) << EncodingName(e);
      ASSERT_TRUE(AppendEncodedSingleByte(e, text, apart));
      ASSERT_EQ(apart, "kept" + expected);
      // From a place on, the text before it left as it is.
      const size_t from = std::min(text.size(), static_cast<size_t>(rng() % 300));
      size_t start = from;
      while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) ++start;
      std::string tail = text;
      size_t failedAt = 0;
      ASSERT_TRUE(EncodeSingleByteInPlaceFrom(e, tail, start, failedAt));
      std::string expectedTail = text.substr(0, start);
      for (size_t at = start; at < text.size();) expectedTail += bytes.at(NextCodePoint(text, at));
      ASSERT_EQ(tail, expectedTail);
      if (text.empty()) continue;
      // A character of no page, at a place that starts a character.
      size_t at = rng() % text.size();
      while ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
      text.insert(at, "\xE4\xB8\xAD");
      std::string failing = text;
      ASSERT_FALSE(EncodeSingleByteInPlaceFrom(e, failing, 0, failedAt));
      ASSERT_EQ(failedAt, at);
      ASSERT_EQ(failing.substr(at), text.substr(at));
      failing = text;
      ASSERT_FALSE(EncodeSingleByteInPlace(e, failing, notHeld));
      ASSERT_EQ(notHeld, std::vector<std::string>{"\xE4\xB8\xAD"});
    }
  }
}

// Lines encoded a piece at a time as they are written (each time the
// encoder is told the writer is between lines) against the text encoded
// whole at the end: the same file, or the same characters named that do
// not fit, wherever the first of them stands.
TEST(WritePaths, APageAppliedAPieceAtATimeIsThePageAppliedWhole) {
  std::mt19937 rng(26);
  for (int round = 0; round < 40; ++round) {
    const Encoding e = round % 2 ? Encoding::Windows1252 : Encoding::Koi8R;
    const FileIdentity identity(e, round % 3 ? LineEnd::CrLf : LineEnd::Lf, nullptr);
    std::vector<std::string> lines(3000 + rng() % 3000);
    for (std::string& line : lines) {
      line = PageText(rng, e, 8, 30, false);
      std::replace(line.begin(), line.end(), '\r', 'r');
      std::replace(line.begin(), line.end(), '\n', 'n');
    }
    // None, one or a few characters of no page, early or late.
    for (unsigned n = round % 4, k = 0; k < n; ++k)
      lines[rng() % (k == 0 && round % 8 < 4 ? 300 : lines.size())] += k % 2 ? "\xE4\xB8\xAD" : "\xF0\x9F\x98\x80";
    std::string whole, pieces;
    LineEncoder plain(identity, whole, 0), inPieces(identity, pieces, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
      plain.Add(lines[i]);
      inPieces.Between();
      if (i % 2) {
        inPieces.Add(lines[i]);
      } else {
        inPieces.Text() += lines[i];  // as a writer appends lines itself
        inPieces.Text() += inPieces.End();
      }
    }
    const bool ok = plain.Finish();
    ASSERT_EQ(inPieces.Finish(), ok) << round;
    ASSERT_EQ(pieces, whole) << round;
    ASSERT_EQ(inPieces.NotHeld(), plain.NotHeld()) << round;
    ASSERT_EQ(ok, round % 4 == 0) << round;
  }
}

TEST(WritePaths, PlainTextAtEveryLengthAndPlaceIsPlainTextAByteAtATime) {
  // The last block overlaps the one before it at every length but 16's
  // multiples: a special byte anywhere, at any length, is found.
  // Every byte: the specials are markup, references and private codes.
  const std::string_view specials = "<>{}[]\\&/\xEE\xEF";
  for (size_t n = 0; n <= 50; ++n) {
    ASSERT_TRUE(IsPlainText(std::string(n, 'a'))) << n;
    for (size_t at = 0; at < n; ++at)
      for (int c = 1; c < 256; ++c) {
        std::string text(n, 'a');
        text[at] = static_cast<char>(c);
        const bool special = specials.find(static_cast<char>(c)) != std::string_view::npos;
        ASSERT_EQ(IsPlainText(text), !special) << n << " " << at << " " << c;
      }
  }
}

// ------------------------------------------------------------ times

constexpr int64_t kMin = std::numeric_limits<int64_t>::min(), kMax = std::numeric_limits<int64_t>::max();

// The plain ways: std::round, snprintf, std::to_string.
int64_t PlainToMilliseconds(int64_t frames, double rate) {
  const double ms = std::round(static_cast<double>(frames) * 1000.0 / rate);
  if (std::isfinite(ms) && std::fabs(ms) < 9.0e18) return static_cast<int64_t>(ms);
  return ms < 0 ? kMin / 2 : kMax / 2;
}
int64_t PlainToFrames(int64_t ms, double rate) {
  const double frames = std::round(static_cast<double>(ms) * rate / 1000.0);
  return std::isfinite(frames) && std::fabs(frames) < 9.0e18 ? static_cast<int64_t>(frames) : kMax / 2;
}
std::string PlainTime(int64_t ms, char separator = ',') {
  if (ms < 0) ms = 0;
  char t[64];
  std::snprintf(t, sizeof t, "%02lld:%02lld:%02lld%c%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60), separator,
                static_cast<long long>(ms % 1000));
  return t;
}
std::string PlainSubRipTime(int64_t ms) { return ms >= 0 ? PlainTime(ms) : "-" + PlainTime(ms == kMin ? kMax : -ms); }

// Values around every edge the short ways have, and at random in many
// sizes.
std::vector<int64_t> Units(std::mt19937& rng) {
  std::vector<int64_t> units = {0,
                                1,
                                -1,
                                39,
                                40,
                                41,
                                999,
                                1000,
                                59999,
                                60000,
                                3599999,
                                3600000,
                                359999999,
                                360000000,
                                360000001,
                                4294967295,
                                4294967296,
                                int64_t{1} << 42,
                                (int64_t{1} << 42) - 1,
                                -(int64_t{1} << 42) + 1,
                                int64_t{1} << 52,
                                int64_t{1} << 53,
                                9000000000000000000,
                                8999999999999999999,
                                kMax / 2,
                                kMin / 2,
                                kMax,
                                kMin,
                                kMin + 1};
  for (int i = 0; i < 3000; ++i) {
    const int64_t v = static_cast<int64_t>(std::uniform_int_distribution<uint64_t>()(rng) >> (rng() % 64));
    units.push_back(rng() % 2 ? v : -v);
  }
  return units;
}

const std::vector<double> kRates = {1,   2,     7.5,  8,     12.5,   16, 23.976, 24000.0 / 1001, 24,  25,  29.97, 30,
                                    40,  48,    50,   59.94, 60,     80, 100,    119.88,         125, 144, 250,   333,
                                    500, 999.5, 1000, 0.001, 1e-300, 3};

TEST(WritePaths, TimesRoundedWithoutTheCallAreStdRound) {
  std::mt19937 rng(21);
  const std::vector<int64_t> units = Units(rng);
  for (const double rate : kRates) {
    const TimeNotation ms(SubRip().Times(), rate), frames(FrameNumbers(), rate);
    for (const int64_t u : units) {
      ASSERT_EQ(FramesToMilliseconds(u, rate), PlainToMilliseconds(u, rate)) << u << " at " << rate;
      ASSERT_EQ(MillisecondsToFrames(u, rate), PlainToFrames(u, rate)) << u << " at " << rate;
      const double plain = std::round(static_cast<double>(u) * 1000.0 / rate);
      const std::optional<int64_t> expected = std::isfinite(plain) && std::fabs(plain) < 9.0e18
                                                  ? std::optional<int64_t>(static_cast<int64_t>(plain))
                                                  : std::nullopt;
      ASSERT_EQ(ms.FromFrames(u), expected) << u << " at " << rate;
      // A field's characters in frames, counted without writing them.
      const std::string field = FormatSubRipTime(u);
      const std::optional<int64_t> read = ParseSubRipTime(field);
      ASSERT_EQ(ms.FrameFieldChars(field),
                read ? static_cast<int>(std::to_string(MillisecondsToFrames(*read, rate)).size()) : CharCount(field))
          << u << " at " << rate;
    }
    // Halves, both ways from zero: a frame of 62.5 ms at 16.
    for (int64_t f = -2000; f <= 2000; ++f) ASSERT_EQ(FramesToMilliseconds(f, rate), PlainToMilliseconds(f, rate));
  }
}

TEST(WritePaths, TimesWrittenTwoDigitsAtATimeAreTheDigitsPrinted) {
  std::mt19937 rng(22);
  for (const int64_t u : Units(rng)) {
    ASSERT_EQ(FormatTime(u), PlainTime(u)) << u;
    ASSERT_EQ(FormatTime(u, '.'), PlainTime(u, '.')) << u;
    ASSERT_EQ(FormatSubRipTime(u), PlainSubRipTime(u)) << u;
    ASSERT_EQ(FrameNumbers().Format(u), std::to_string(u)) << u;
    // Into a buffer of any room: all of it or nothing.
    for (const TimeSyntax* syntax : {&FrameNumbers(), &SubRip().Times(), &MicroDvd().Times()}) {
      const std::string expected = syntax->Format(u);
      for (size_t room = 0; room <= 40; ++room) {
        char buffer[48];
        const char* end = syntax->FormatInto(u, buffer, room);
        if (room < expected.size()) {
          ASSERT_EQ(end, nullptr) << u << " in " << room;
        } else {
          ASSERT_NE(end, nullptr) << u << " in " << room;
          ASSERT_EQ(std::string(static_cast<const char*>(buffer), end), expected) << u << " in " << room;
        }
      }
    }
  }
}

// A frame field of any shape: digits of every length up to overflow, signs,
// blanks, other bytes, nothing.
std::string FrameField(std::mt19937& rng) {
  std::string field(rng() % 22, '0');
  for (char& c : field) c = static_cast<char>('0' + rng() % 10);
  switch (rng() % 8) {
    case 0:
      if (!field.empty()) field[rng() % field.size()] = Pick(rng, {"+", "-", " ", "x", "\xC3", "}", ":"})[0];
      break;
    case 1:
      field = Pick(rng, {"+", "-", " ", "\t"}) + field;
      break;
    case 2:
      field += Pick(rng, {" ", "\t", "a", ".5"});
      break;
    case 3:
      field = Pick(rng, {"9223372036854775807", "9223372036854775808", "-9223372036854775808", "999999999999999999",
                         "000000000000000000001", "", " ", "1e3", "\xD9\xA1", std::string(64, 'x'),
                         " " + std::string(65, 'y') + " ", std::string(300, 'z')});
      break;
    default:
      field.resize(std::min<size_t>(field.size(), 1 + rng() % 8));
  }
  return field;
}

TEST(WritePaths, FrameFieldsOfDigitsReadShortAreParseFrameNumber) {
  std::mt19937 rng(23);
  for (int i = 0; i < 20000; ++i) {
    const std::string field = FrameField(rng);
    ASSERT_EQ(FrameNumbers().Parse(field), ParseFrameNumber(field)) << "[" << field << "]";
  }
}

// An entry converted the plain way: cut by SplitFullEntry, each field read
// by its notation and converted through std::round, the text through the
// neutral set unless it is plain.
std::string PlainConverted(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                           const StyleDialect& fromTags, const StyleDialect& toTags, bool& timed) {
  EntryFields f;
  timed = true;
  if (!SplitFullEntry(line, f)) return std::string(line);
  const std::optional<int64_t> start = from.Parse(f.start), stop = from.Parse(f.stop);
  timed = start && stop;
  const auto field = [&](std::string_view text, const std::optional<int64_t>& units) {
    if (!units) return std::string(TrimBlanks(text));
    if (from.InFrames() == to.InFrames()) return to.Format(*units);
    const double rate = from.FrameRate();
    return to.Format(from.InFrames() ? PlainToMilliseconds(*units, rate) : PlainToFrames(*units, rate));
  };
  const std::string text = IsPlainText(f.text) ? std::string(f.text) : toTags.FromNeutral(fromTags.ToNeutral(f.text));
  return "{" + field(f.start, start) + "}{" + field(f.stop, stop) + "}" + text;
}

// Frame numbers to clock times and back, at many frame rates, over fields
// of any shape and lines cut oddly: "}" behind the first "}" or a
// character of two bytes, no second "}", no "{" first.
TEST(WritePaths, EntriesConvertedTheShortWayAreConvertedThePlainWay) {
  std::mt19937 rng(24);
  const std::vector<std::string> texts = {
      "", "a|b", "{y:i}slanted|line", "/slash", "caf\xC3\xA9", std::string(40, 'w'), "<i>x</i>", "a & b", "}", "x}y"};
  for (const double rate : kRates) {
    const TimeNotation frames(MicroDvd().Times(), rate), clock(SubRip().Times(), rate);
    for (int i = 0; i < 400; ++i) {
      std::string line;
      if (rng() % 2) {
        line = "{" + FrameField(rng) + Pick(rng, {"}{", "}{", "}{", "}x", "}\xC3\xA9", "}}", "}"}) + FrameField(rng) +
               Pick(rng, {"}", "}", "}", ""}) + Pick(rng, texts);
        if (rng() % 10 == 0) line = Pick(rng, {"", "x", "}", std::string(kUnreadLine)}) + line.substr(1);
      } else {
        line = "{" + Pick(rng, {WrittenTime(rng), "-00:00:01,000", "0:0:5,5", "x", FrameField(rng)}) + "}{" +
               Pick(rng, {WrittenTime(rng), "100:00:00,000", " 00:00:01,000 ", ""}) + "}" + Pick(rng, texts);
      }
      for (const bool toClock : {true, false}) {
        const TimeNotation& from = toClock ? frames : clock;
        const TimeNotation& to = toClock ? clock : frames;
        const StyleDialect& fromTags = toClock ? MicroDvd().Dialect() : SubRip().Dialect();
        const StyleDialect& toTags = toClock ? SubRip().Dialect() : MicroDvd().Dialect();
        bool timed = false, plainTimed = false;
        const std::string converted = ConvertEntry(line, from, to, fromTags, toTags, kLiteralBar, &timed);
        ASSERT_EQ(converted, PlainConverted(line, from, to, fromTags, toTags, plainTimed)) << line << " at " << rate;
        ASSERT_EQ(timed, plainTimed) << line << " at " << rate;
      }
    }
  }
}

}  // namespace
}  // namespace lm
