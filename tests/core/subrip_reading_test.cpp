// SubRip files as they come: every line ends up in the document (a cue, or
// a line kept as it was), times are read as leniently as other readers read
// them, the format guess takes what the reader takes, and what is written
// opens again as the same document, also after commands.
#include <gtest/gtest.h>
#include <random>

#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "formats/webvtt/webvtt.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Unread(std::string_view line) { return std::string(kUnreadLine) + std::string(line); }

void Open(Session& s, const std::string& bytes) {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, "film.srt")) << bytes; });
}

// Each file is `head`, then one more good cue, which must stay a cue of
// its own.
struct ReadingCase {
  const char* name;
  std::string head;
  Lines entries;
  size_t unread = 0;  // the lines the note counts
};

class Reading : public testing::TestWithParam<ReadingCase> {};

TEST_P(Reading, EveryLineEndsUpInTheDocument) {
  const ReadingCase& c = GetParam();
  Session s;
  Open(s, c.head + "\n9\n00:09:00,000 --> 00:09:01,000\nLast\n");
  Lines expected = c.entries;
  expected.push_back("{00:09:00,000}{00:09:01,000}Last");
  EXPECT_EQ(s.doc.Identity().readAs, &SubRip());
  EXPECT_EQ(s.doc.List1.Items(), expected);
  const std::vector<std::string>& notes = s.doc.FileNotes();
  EXPECT_EQ(notes.size(), c.unread ? 1u : 0u);
  if (c.unread) {
    EXPECT_EQ(notes[0].rfind(std::to_string(c.unread) + " line", 0), 0u) << notes[0];
  }
  test::ExpectReadsBackTheSame(s.doc, SubRip(), "again.srt", c.name);
}

INSTANTIATE_TEST_SUITE_P(
    SubRip, Reading,
    testing::Values(
        ReadingCase{
            "NegativeTime", "1\n-00:00:01,000 --> 00:00:02,000\nEarly\n", {"{-00:00:01,000}{00:00:02,000}Early"}},
        ReadingCase{"NoMilliseconds", "1\n00:00:01 --> 00:00:02,000\nA\n", {"{00:00:01}{00:00:02,000}A"}},
        ReadingCase{"OneDigitFields", "1\n0:0:0,000 --> 0:0:2,5\nA\n", {"{0:0:0,000}{0:0:2,5}A"}},
        ReadingCase{"SixtySeconds", "1\n00:00:60,000 --> 00:01:02,000\nA\n", {"{00:00:60,000}{00:01:02,000}A"}},
        ReadingCase{"ArrowsAsTyped",
                    "1\n00:07:02,636 - > 00:07:04,792\nA\n\n2\n00:07:05,000 -> 00:07:06,000\nB\n\n"
                    "00:07:07,000 -- > 00:07:08,000\nC\n\n00:07:09,000 \xE2\x80\x94> 00:07:10,000\nD\n",
                    {"{00:07:02,636}{00:07:04,792}A", "{00:07:05,000}{00:07:06,000}B", "{00:07:07,000}{00:07:08,000}C",
                     "{00:07:09,000}{00:07:10,000}D"}},
        ReadingCase{"CueWithoutATimingLine", "2\nNo times here\n", {Unread("2"), Unread("No times here")}, 2},
        ReadingCase{"TimesThatAreNoTimes",
                    "2\n00:00:03,000 --> 00:00:04,000x\nA\n",
                    {Unread("2"), Unread("00:00:03,000 --> 00:00:04,000x"), Unread("A")},
                    3},
        ReadingCase{"NoteBeforeTheFirstCue",
                    "Subtitles downloaded from example.org\n",
                    {Unread("Subtitles downloaded from example.org")},
                    1},
        ReadingCase{"TextAfterABlankLine",
                    "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n  two\n",
                    {"{00:00:01,000}{00:00:02,000}One", Unread("  two")},
                    1},
        // A byte order mark, then text that is no UTF-8: the file is read in
        // a code page, and its first cue, without a number, stays.
        ReadingCase{"MarkedFileInACodePage",
                    "\xEF\xBB\xBF"
                    "00:00:01,000 --> 00:00:02,000\nCaf\xE9 first cue\n",
                    {"{00:00:01,000}{00:00:02,000}Caf\xC3\xA9 first cue"}},
        // The good shapes read as they always did.
        ReadingCase{
            "CoordinatesDotsNoTextNoNumber",
            "1\n00:00:01.000 --> 00:00:02.000  X1:10 X2:90\nOne\nTwo\n\n2\n00:00:03,000 --> 00:00:04,000\n"
            "00:00:05,000 --> 00:00:06,000\na|b\n7\n00:00:07,000 --> 00:00:08,000\nC\n",
            {"{00:00:01.000}{00:00:02.000}One|Two", "{00:00:03,000}{00:00:04,000}",
             "{00:00:05,000}{00:00:06,000}a" + std::string(kLiteralBar) + "b", "{00:00:07,000}{00:00:08,000}C"}}),
    [](const testing::TestParamInfo<ReadingCase>& info) { return std::string(info.param.name); });

TEST(SubRipTimes, ParseWhatReadersKeepAndReadBackWhatIsWritten) {
  const TimeSyntax& times = SubRip().Times();
  const std::pair<const char*, std::optional<int64_t>> cases[] = {
      {" 01:00:00.001 ", 3600001}, {"00:00:01", 1000},       {"0:0:5,5", 5500},      {"00:00:01:250", 1250},
      {"00:00:60,000", 60000},     {"-00:00:01,000", -1000}, {"00:00:100,000", {}},  {"00:00:01,", {}},
      {"00:00:01,0000", {}},       {"00:01,000", {}},        {"--00:00:01,000", {}}, {"99999999999999:00:00,0", {}},
  };
  for (const auto& [field, ms] : cases) EXPECT_EQ(times.Parse(field), ms) << field;
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int64_t> any(-(int64_t{1} << 60), int64_t{1} << 60), near(-100000000, 100000000);
  for (int i = 0; i < 1000; ++i) {
    const int64_t ms = i % 2 ? any(rng) : near(rng);
    EXPECT_EQ(times.Parse(times.Format(ms)), ms) << times.Format(ms);
    // The written shape is read on a path of its own: the lenient one agrees.
    EXPECT_EQ(times.Parse(" " + times.Format(ms)), ms) << times.Format(ms);
  }
  EXPECT_EQ(times.Format(-1000), "-00:00:01,000");
  EXPECT_EQ(times.Format(60000), "00:01:00,000");
  // Timing lines: both times as written, or none.
  const std::pair<const char*, const char*> lines[] = {
      {"  00:00:01,000 --> 00:00:02,000  X1:1", "00:00:01,000|00:00:02,000"},
      {"-00:00:01,000-->00:00:02", "-00:00:01,000|00:00:02"},
      {"00:00:01,000 \xE2\x80\x93> -00:00:02,000", "00:00:01,000|-00:00:02,000"},
      {"00:00:01,000 ----> 00:00:02,000", ""},
      {"00:00:01,000 > 00:00:02,000", ""},
      {"Sub 00:00:01,000 --> 00:00:02,000", ""},
      {"00:00:01,000 --> 00:00:02,000abc", ""},
      {"00:01.000 --> 00:02.000", ""},
      {"00:00:01,000 --> 00:00:02,0005", ""},
      {"00:00:01,000 --> 00:00:02,000\tX1:1", "00:00:01,000|00:00:02,000"},
      {"00:00:01,000 --> 00:00:02,000.5", ""},
      {"00:00:01,000 --> 00:60:02,000", "00:00:01,000|00:60:02,000"},
  };
  for (const auto& [line, expected] : lines) {
    std::string_view start, stop;
    const bool is = ParseTimingLine(line, start, stop);
    EXPECT_EQ(is ? std::string(start) + "|" + std::string(stop) : "", expected) << line;
  }
}

// Random files of cues (odd ones among them) and junk lines between blank
// lines: the entries are the cues and the junk lines in order, every line
// of the file is one the document shows or a cue's number, and the file
// written again reads back as the same, also after commands.
TEST(SubRipReading, EveryNonEmptyLineEndsUpInTheDocument) {
  static const char* const kTimings[] = {"00:00:01,000 --> 00:00:02,000",  "0:0:5,000 --> 0:0:6,500",
                                         "-00:00:01,000 --> 00:00:00,500", "00:00:60,000 --> 00:01:02,000",
                                         "00:07:02,636 - > 00:07:04,792",  "00:00:03.5 --> 00:00:04 X1:1 X2:2"};
  static const char* const kTexts[] = {"Hello there", "{1}{2}a", "0:00:05:Hello", "<i>It</i>", "[NOISE]", "12 a"};
  static const char* const kJunk[] = {"Subtitles downloaded from example.org",
                                      "12",
                                      "00:00:01,000 -->",
                                      "<i>x</i>",
                                      "{1}{2}frame",
                                      "0:00:05:Hello",
                                      "  indented"};
  std::mt19937 rng(20240);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    Lines expected;
    size_t filled = 0, numbers = 0, junk = 0;
    for (int piece = 0, pieces = 1 + pick(30); piece < pieces; ++piece) {
      if (pick(5) == 0) {
        for (int j = 1 + pick(2); j > 0; --j, ++filled, ++junk) {
          const std::string line = kJunk[pick(7)];
          bytes += line + "\n";
          expected.push_back(Unread(line));
        }
      } else {
        if (pick(4)) bytes += std::to_string(piece + 1) + "\n", ++filled, ++numbers;
        const std::string timing = kTimings[pick(6)];
        std::string_view start, stop;
        ASSERT_TRUE(ParseTimingLine(timing, start, stop));
        bytes += timing + "\n";
        std::string entry = BuildEntryLine(start, stop, "");
        for (int k = 0, texts = pick(4); k < texts; ++k, ++filled) {
          const std::string text = kTexts[pick(6)];
          bytes += text + "\n";
          entry += (k ? "|" : "") + text;
        }
        expected.push_back(entry);
        ++filled;
      }
      bytes += pick(3) ? "\n" : "\n \n\n";
    }
    if (junk == expected.size()) continue;  // junk alone is no SubRip file
    Session s;
    Open(s, bytes);
    ASSERT_EQ(s.doc.List1.Items(), expected) << bytes;
    EXPECT_EQ(s.doc.FileNotes().empty(), junk == 0) << bytes;
    size_t shown = 0;
    for (const std::string& e : s.doc.List1.Items()) {
      EntryFields f;
      shown += IsUnreadLine(e) || !SplitFullEntry(e, f) ? 1 : 1 + (f.text.empty() ? 0 : ScreenLines(f.text).size());
    }
    EXPECT_EQ(shown + numbers, filled) << bytes;
    test::ExpectReadsBackTheSame(s.doc, SubRip(), "again.srt", bytes);
    s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, pick(static_cast<int>(expected.size()))); });
    s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 100, 100); });
    test::ExpectReadsBackTheSame(s.doc, SubRip(), "again.srt", "after the frame buttons\n" + bytes);
    s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
    test::ExpectReadsBackTheSame(s.doc, SubRip(), "again.srt", "after remove-hi\n" + bytes);
  }
}

// Lines that are no cue are written back where and as they were, blank
// lines between them or not.
TEST(SubRipReading, LinesThatAreNoCueKeepTheirLayout) {
  for (const std::string bytes :
       {"Subtitles downloaded from example.org\r\n\r\n1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n",
        "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n2\nNo times here\nnor here\n\n2\n"
        "00:07:02,636 - > 00:07:04,792\nA\n",
        "junk\n1\n00:00:01,000 --> 00:00:02,000\nHello\n\nmore junk\n\nlast\n"}) {
    Session s;
    Open(s, bytes);
    std::string written;
    ASSERT_TRUE(EncodeDocument(s.doc, nullptr, written));
    EXPECT_EQ(written, bytes);
  }
}

// A file of as many cues as a document holds, read in pieces as one that
// large is, gives every cue in order, each with its shape; one cue more is
// refused, not cut short.
TEST(SubRipReading, AsManyCuesAsADocumentHoldsAndNoMore) {
  std::string bytes;
  const auto cue = [&](int n) {
    bytes += std::to_string(n) + "\r\n00:00:01,000 --> 00:00:02,000\r\nCue " + std::to_string(n) + "\r\n\r\n";
  };
  for (int n = 1; n <= 32767; ++n) cue(n);
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(bytes, file), ReadStatus::Ok);
  ASSERT_EQ(file.lines.size(), 32767u);
  EXPECT_EQ(file.lines.back(), "{00:00:01,000}{00:00:02,000}Cue 32767");
  EXPECT_EQ(file.shapes.size(), file.lines.size());
  cue(32768);
  EXPECT_EQ(ParseSubtitleFile(bytes, file), ReadStatus::TooManyLines);
}

// A decisive fit gives way only to one that explains more; what remove-hi
// leaves (lenient timing lines, text shaped like another format's) is
// SubRip still.
TEST(SubRipReading, DetectionByCueStructure) {
  const std::tuple<const char*, std::string, const Format*, const char*> cases[] = {
      {"FrameText", "1\n00:00:01,000 --> 00:00:02,000\n{1}{2}a\n{3}{4}b\n", &SubRip(), ""},
      {"FrameTextNoNumbers", "00:00:01,000 --> 00:00:02,000\n{1}{2}a\n{3}{4}b\n{5}{6}c\n", &SubRip(), ""},
      {"TmPlayerText", "0:0:05,000 --> 0:0:06,500\n0:00:05:Hello\n0:00:06=there\n", &SubRip(), ""},
      {"FramesAndATimingLine", "{1}{25}a\n{26}{50}b\n00:00:01,000 --> 00:00:02,000\n{51}{75}c\n{76}{100}d\n",
       &MicroDvd(), ""},
      {"FramesAndAHeader", "{1}{25}a\n{26}{50}b\n[Script Info]\n{51}{75}c\n", &MicroDvd(), ""},
      {"WebVttWithHours", "WEBVTT\n\n00:00:01.000 --> 00:00:03.000\nHello\n", &WebVtt(), ""},
  };
  for (const auto& [name, text, format, looksLike] : cases) {
    SubtitleFile file;
    EXPECT_EQ(ParseSubtitleFile(text, file), format ? ReadStatus::Ok : ReadStatus::Unrecognised) << name;
    EXPECT_EQ(file.identity.readAs, format ? format : file.identity.readAs) << name;
    EXPECT_EQ(file.looksLike, looksLike) << name;
  }
  for (const std::string bytes : {"1\n0:0:01,000 --> 0:0:02,000\n[DOOR SLAMS]\n\n2\n0:0:05,000 --> 0:0:06,500\n"
                                  "0:00:05:Hello\n0:00:06:there\n",
                                  "1\n00:00:01,000 --> 00:00:02,000\n[MUSIC]\n\n2\n00:00:03,000 --> 00:00:04,000\n"
                                  "{1}{2}a\n{3}{4}b\n"}) {
    Session s;
    Open(s, bytes);
    s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
    ASSERT_EQ(s.doc.List1.Count(), 1) << "the first cue is gone";
    test::ExpectReadsBackTheSame(s.doc, SubRip(), "again.srt", bytes);
  }
}

}  // namespace
}  // namespace lm
