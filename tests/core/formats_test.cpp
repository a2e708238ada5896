// The formats through their one interface: every pair converts both ways
// keeping times and styles, the registry names them all, a "|" that is text
// stays text, the document's frame rate is the one every calculation uses,
// and the rules give a cue what they give the same entry in frames.
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "formats/convert.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

// A document of `format` holding `lines`, as if read from a file.
void LoadAs(Document& doc, Lines lines, const Format& format, Encoding encoding = Encoding::Utf8) {
  test::Run(doc, [&] {
    doc.Load(std::move(lines), "/nowhere/film." + std::string(format.Extensions().front()),
             FileIdentity(encoding, LineEnd::Lf, &format));
    SelectEntry(doc, 0);
  });
}

// The entries of `bytes` read back, without the format's own header.
Lines ReadBack(const std::string& bytes, const Format& expected, double fps = kDefaultFrameRate) {
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile(bytes, file, std::nullopt, fps), ReadStatus::Ok) << bytes;
  EXPECT_EQ(file.identity.readAs, &expected) << bytes;
  Lines out;
  for (size_t k = 0; k < file.lines.size(); ++k)
    if (!expected.IsHeaderEntry(static_cast<int>(k), file.lines[k])) out.push_back(file.lines[k]);
  return out;
}

struct Cue {
  int64_t startMs, stopMs;
  std::vector<StyledLine> lines;
};

std::vector<Cue> SampleCues() {
  Style italic, bold, red, font;
  italic.italic = true;
  bold.bold = true;
  red.color = "FF0000";
  font.font = "DejaVu Sans";
  font.size = 12;
  Style underlined = italic;
  underlined.underline = true;
  return {
      {1000, 3000, {{Style(), "Hello there."}}},
      {3520, 6240, {{italic, "Where are you going?"}, {Style(), "To the river."}}},
      {7000, 9000, {{bold, "Bold and"}, {red, "red"}}},
      {10000, 12000, {{underlined, "Underlined italics"}}},
      {12040, 14000, {{font, "In a font of its own"}}},
      {3600000, 3602000, {{Style(), "Na\xC3\xAFve caf\xC3\xA9, \xC5\x82\xC3\xB3\x64\xC5\xBA"}}},
  };
}

void ExpectSameStyle(const Style& a, const Style& b, const std::string& where) {
  EXPECT_EQ(a.italic, b.italic) << where;
  EXPECT_EQ(a.bold, b.bold) << where;
  EXPECT_EQ(a.underline, b.underline) << where;
  EXPECT_EQ(a.color, b.color) << where;
  EXPECT_EQ(a.font, b.font) << where;
  EXPECT_EQ(a.size, b.size) << where;
}

// What of a style a dialect's own tags keep.
Style Kept(const StyleDialect& dialect, const Style& style) {
  return dialect.ToNeutral(dialect.FromNeutral({{style, "x"}})).front().style;
}

// What of a time a format's fields keep (whole frames at 25 fps, deciseconds,
// seconds).
int64_t Kept(const TimeNotation& times, int64_t ms) {
  return times.ToMilliseconds(*times.Parse(times.Format(times.FromMilliseconds(ms))));
}

// Every format written as every other and read back: the same times (25
// fps, as far as both formats hold them), texts, and the styles both
// formats have tags for.
TEST(Formats, EveryPairConvertsBothWaysKeepingTimesAndStyles) {
  const std::vector<Cue> cues = SampleCues();
  for (const Format* from : Formats()) {
    for (const Format* to : Formats()) {
      const std::string pair = std::string(from->Id()) + " -> " + std::string(to->Id());
      const TimeNotation fromTimes(from->Times(), kDefaultFrameRate), toTimes(to->Times(), kDefaultFrameRate);
      Lines lines;
      for (const Cue& c : cues)
        lines.push_back(BuildEntryLine(fromTimes.Format(fromTimes.FromMilliseconds(c.startMs)),
                                       fromTimes.Format(fromTimes.FromMilliseconds(c.stopMs)),
                                       from->Dialect().FromNeutral(c.lines)));
      Document doc;
      LoadAs(doc, lines, *from);
      std::string bytes;
      ASSERT_TRUE(EncodeDocument(doc, to, bytes)) << pair;
      const Lines back = ReadBack(bytes, *to);
      ASSERT_EQ(back.size(), cues.size()) << pair << "\n" << bytes;
      for (size_t k = 0; k < back.size(); ++k) {
        const Cue& c = cues[k];
        EntryFields f;
        ASSERT_TRUE(SplitFullEntry(back[k], f)) << pair << ": " << back[k];
        EXPECT_EQ(toTimes.ToMilliseconds(*toTimes.Parse(f.start)), Kept(toTimes, Kept(fromTimes, c.startMs)))
            << pair << ": " << back[k];
        EXPECT_EQ(toTimes.ToMilliseconds(*toTimes.Parse(f.stop)), Kept(toTimes, Kept(fromTimes, c.stopMs)))
            << pair << ": " << back[k];
        const std::vector<StyledLine> styled = to->Dialect().ToNeutral(f.text);
        ASSERT_EQ(styled.size(), c.lines.size()) << pair << ": " << back[k];
        for (size_t l = 0; l < styled.size(); ++l) {
          EXPECT_EQ(styled[l].text, c.lines[l].text) << pair;
          ExpectSameStyle(styled[l].style, Kept(to->Dialect(), Kept(from->Dialect(), c.lines[l].style)),
                          pair + ": " + back[k]);
        }
      }
      // Written in its own format, a document read from a file is its file.
      if (from == to) {
        std::string again;
        SubtitleFile file;
        ASSERT_EQ(ParseSubtitleFile(bytes, file), ReadStatus::Ok);
        Document reread;
        test::Run(reread, [&] { reread.Load(file.lines, "x", file.identity, file.sources); });
        ASSERT_TRUE(EncodeDocument(reread, nullptr, again));
        EXPECT_EQ(again, bytes) << pair;
      }
    }
  }
}

// Formats may share an extension (".sub", ".txt"): the name asks for the
// first that takes it, unless the document's own format takes it too.
TEST(Formats, TheRegistryNamesEveryFormatOnce) {
  std::set<std::string_view> ids;
  std::map<std::string_view, const Format*> firstWith;
  for (const Format* f : Formats()) {
    EXPECT_TRUE(ids.insert(f->Id()).second) << f->Id();
    EXPECT_EQ(FormatById(f->Id()), f);
    ASSERT_FALSE(f->Extensions().empty()) << f->Id();
    ASSERT_FALSE(f->MimeTypes().empty()) << f->Id();
    for (const std::string_view e : f->Extensions()) {
      firstWith.emplace(e, f);
      const std::string upper = "/a.b/FILM." + std::string(e);
      EXPECT_EQ(FormatOfPath(upper), firstWith[e]) << upper;
      EXPECT_EQ(&FormatForPath(upper, *f), f) << upper;
      EXPECT_EQ(&FormatForPath(upper, NoFormat()), firstWith[e]) << upper;
      EXPECT_NE(FilePatterns().find("*." + std::string(e)), std::string::npos);
    }
    EXPECT_EQ(WithExtension("dir/film.txt", *f), "dir/film." + std::string(f->Extensions().front()));
  }
  for (const auto& [e, f] : firstWith) {
    const std::string pattern = "*." + std::string(e);
    EXPECT_EQ(FilePatterns().find(pattern), FilePatterns().rfind(pattern)) << "listed once: " << e;
  }
  EXPECT_EQ(FormatOfPath("film"), nullptr);
  EXPECT_EQ(FormatOfPath("sub.dir/film"), nullptr) << "a dot in a folder is no extension";
  EXPECT_EQ(&DefaultFormat(), Formats().front());
  // The one place that spells the refusal out; other tests take it from here.
  EXPECT_EQ(NoneOfTheFormats(), "no subtitle file of a format this program reads");
}

// A "|" in a cue's text is a character through the rules, the frame
// buttons, saving and conversion.
TEST(LiteralBar, StaysTextInAFormatThatBreaksLinesItsOwnWay) {
  const Format& cues = *FormatById("srt");
  ASSERT_TRUE(cues.BarIsText());
  const std::string file =
      "1\n00:00:01,000 --> 00:00:03,000\nChoose one: yes | no | maybe, but choose now please\n\n"
      "2\n00:00:04,000 --> 00:00:05,000\nA | B\n\n";
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleText(doc, file, "film.srt")); });
  const std::string bar(kLiteralBar);
  EXPECT_EQ(doc.List1.Item(1), "{00:00:04,000}{00:00:05,000}A " + bar + " B");
  test::Run(doc, [&] { Fixlines_Click(doc); });
  test::Run(doc, [&] {
    SelectEntry(doc, 1);
    AdjustFrames(doc, 1, 0);
  });
  std::string bytes;
  ASSERT_TRUE(EncodeDocument(doc, nullptr, bytes));
  EXPECT_EQ(bytes,
            "1\n00:00:01,000 --> 00:00:03,000\nChoose one: yes | no | maybe,\nbut choose now please\n\n"
            "2\n00:00:04,040 --> 00:00:05,000\nA | B\n\n");
  // Where "|" breaks lines it cannot stand for itself: a broken bar where
  // the encoding has one, else a slash.
  const Format& frames = *FormatById("sub");
  ASSERT_FALSE(frames.BarIsText());
  for (auto [encoding, expected] : {std::pair{Encoding::Utf8, "{100}{125}A \xC2\xA6 B"},
                                    {Encoding::Windows1252, "{100}{125}A \xC2\xA6 B"},
                                    {Encoding::Iso8859_2, "{100}{125}A / B"}}) {
    Document one;
    LoadAs(one, {"{00:00:04,000}{00:00:05,000}A " + bar + " B"}, cues, encoding);
    DocumentFeed feed(one, frames, encoding);
    ASSERT_NE(feed.Line(0), nullptr);
    EXPECT_EQ(*feed.Line(0), expected) << EncodingName(encoding);
  }
}

// Text without markup of any dialect converts as it is between every pair:
// what the neutral styles would give it, without their work.
TEST(Formats, PlainTextConvertsAsTheNeutralStylesWouldConvertIt) {
  const std::string texts[] = {"Hello there",
                               "Two|lines",
                               "- Yes?|- No!",
                               "a||b",
                               "|leading",
                               "trailing|",
                               " blanks  around ",
                               "Caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x94 \xE2\x80\x9Cquoted\xE2\x80\x9D",
                               "50% off, #1; @you * ~ ^ = + $",
                               "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                               ""};
  for (const Format* from : Formats())
    for (const Format* to : Formats()) {
      const TimeNotation a(from->Times(), kDefaultFrameRate), b(to->Times(), kDefaultFrameRate);
      const std::string start = a.Format(a.FromMilliseconds(1000)), stop = a.Format(a.FromMilliseconds(2500));
      for (const std::string& text : texts) {
        const std::string converted =
            ConvertEntry(BuildEntryLine(start, stop, text), a, b, from->Dialect(), to->Dialect(), kLiteralBar);
        EntryFields f;
        ASSERT_TRUE(SplitFullEntry(converted, f));
        EXPECT_EQ(f.text, to->Dialect().FromNeutral(from->Dialect().ToNeutral(text)))
            << from->Id() << " -> " << to->Id() << ": " << text;
      }
    }
}

// A frame-based file that names its frame rate: every calculation between
// frames and times uses it.
TEST(FrameRate, TheFileNamesItForEveryCalculation) {
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleText(doc, "{1}{1}23.976\r\n{24}{48}Hello\r\n", "film.sub")); });
  EXPECT_EQ(doc.Notation().FrameRate(), 23.976);
  EXPECT_TRUE(doc.Notation().InFrames());
  EXPECT_EQ(doc.Notation().ToMilliseconds(24), 1001);
  std::string bytes;
  ASSERT_TRUE(EncodeDocument(doc, FormatById("srt"), bytes));
  EXPECT_EQ(bytes, "1\r\n00:00:01,001 --> 00:00:02,002\r\nHello\r\n\r\n");
}

// The three-line re-break measures the whole entry as it stands in frames:
// a cue and the same entry in frames break alike.
TEST(Rules, ACueBreaksAsTheSameEntryInFrames) {
  struct {
    const char* id;
    const char* start;
    const char* stop;
  } forms[] = {{"sub", "700", "800"}, {"srt", "00:00:28,000", "00:00:32,000"}};
  for (const auto& form : forms) {
    Document doc;
    LoadAs(doc, {BuildEntryLine(form.start, form.stop, "First line|second line|third line here")},
           *FormatById(form.id));
    test::Run(doc, [&] { Fixlines_Click(doc); });
    EXPECT_EQ(doc.List1.Item(0), BuildEntryLine(form.start, form.stop, "First line second|line third line here"))
        << form.id;
  }
}

// Random untagged documents fixed in times and in frames give the same texts.
TEST(Rules, CuesAndFramesAgreeOnRandomDocuments) {
  static const char* const kPieces[] = {"word", " ",           " ", "|", "-", "[noise]", "\xC3\xA5", "extraordinarily",
                                        "a",    "Hello there", "  "};
  const Format& frames = *FormatById("sub");
  const Format& cues = *FormatById("srt");
  for (unsigned seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> piece(0, 10), pieces(0, 40), frame(0, 90000);
    Lines inFrames, inTimes;
    const TimeNotation times(cues.Times(), kDefaultFrameRate);
    for (int i = 0; i < 30; ++i) {
      std::string text;
      for (int n = pieces(rng); n > 0; --n) text += kPieces[piece(rng)];
      const int start = frame(rng), stop = start + 1 + frame(rng) % 500;
      inFrames.push_back(BuildEntryLine(std::to_string(start), std::to_string(stop), text));
      inTimes.push_back(BuildEntryLine(times.Format(start * 40), times.Format(stop * 40), text));
    }
    Document a, b;
    LoadAs(a, inFrames, frames);
    LoadAs(b, inTimes, cues);
    test::Run(a, [&] { Fixlines_Click(a); });
    test::Run(b, [&] { Fixlines_Click(b); });
    ASSERT_EQ(a.List1.Count(), b.List1.Count()) << seed;
    for (int k = 0; k < a.List1.Count(); ++k) {
      EntryFields fa, fb;
      ASSERT_TRUE(SplitFullEntry(a.List1.Item(k), fa));
      ASSERT_TRUE(SplitFullEntry(b.List1.Item(k), fb));
      ASSERT_EQ(fa.text, fb.text) << seed << " entry " << k;
    }
    EXPECT_EQ(a.FixCount, b.FixCount) << seed;
  }
}

// The limits come from the profile; the default one is the rules' own.
TEST(Profile, TheDefaultIsTwoLinesOf41AndEveryThresholdFollowsIt) {
  const Profile classic;
  EXPECT_EQ(classic.ScreenLineChars(), 41);
  EXPECT_EQ(classic.lines, 2);
  EXPECT_EQ(classic.WalkSplitMin(), 42);
  EXPECT_EQ(classic.WalkSplitMax(), 79);
  EXPECT_EQ(classic.WalkJoinMax(), 80);
  EXPECT_EQ(classic.RebreakMin(), 83);
  EXPECT_EQ(classic.RebreakLimit(), 164);
  EXPECT_EQ(classic.SeekTooLongTotal(), 84);
  EXPECT_FALSE(classic.charactersPerSecond || classic.minDuration || classic.maxDuration || classic.minGapFrames);

  Profile teletext;
  teletext.charactersPerLine = 37;
  const std::string line38 = "{1}{2}" + std::string(19, 'a') + " " + std::string(18, 'b');
  EXPECT_FALSE(EntryTooLong(ShapeOf(line38, PlainText()), classic));
  EXPECT_TRUE(EntryTooLong(ShapeOf(line38, PlainText()), teletext));
  Document doc;
  LoadAs(doc, {line38}, *FormatById("sub"));
  doc.SetProfile(teletext);
  test::Run(doc, [&] { Fixlines_Click(doc); });
  EXPECT_EQ(doc.List1.Item(0), "{1}{2}" + std::string(19, 'a') + "|" + std::string(18, 'b'));
  CharGrid grid;
  ShowEntryAt(doc, grid, 0);
  EXPECT_EQ(grid.RowCells(), 37);
  EXPECT_EQ(grid.Cells(), 74);
  EXPECT_EQ(grid.RowString(1), std::string(18, 'b'));
}

// Writing entries writes the identity's format, not always frames.
TEST(Formats, EntriesAreWrittenInTheIdentitysFormat) {
  std::string bytes;
  ASSERT_TRUE(EncodeSubtitleFile({"{00:00:01,000}{00:00:02,000}Hello"},
                                 FileIdentity(Encoding::Utf8, LineEnd::Lf, FormatById("srt")), bytes));
  EXPECT_EQ(bytes, "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n");
  ASSERT_TRUE(EncodeSubtitleFile({"{25}{50}Hello"}, FileIdentity(Encoding::Utf8, LineEnd::Lf), bytes));
  EXPECT_EQ(bytes, "{25}{50}Hello\n") << "the default format";
}

}  // namespace
}  // namespace lm

namespace lm {
namespace {
// Texts of every format's lines, first ones of one kind and the rest of
// another: the first lines tell the format, but the rest can make the file
// frame-based, so that the probe of every line must be asked.
TEST(Detection, FromTheFirstLinesIsFromEveryLine) {
  const std::vector<std::string> kinds[] = {
      {"{1}{25}A frame-based entry|and its second line"},
      {"12", "00:00:01,000 --> 00:00:02,500", "A cue's text", ""},
      {"00:00:01.000 --> 00:00:02.500", "A WebVTT cue", ""},
      {"Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,An event"},
      {"[00:00:01][00:00:02]An MPL2 line"},
      {"00:00:01:A TMPlayer line"},
      {"0:00:01.000,0:00:02.500", "An SBV cue", ""},
      {"Nothing but prose, line after line."},
  };
  const size_t kCount = sizeof kinds / sizeof kinds[0];
  int open = 0, decided = 0;
  for (size_t first = 0; first < kCount; ++first) {
    for (size_t rest = 0; rest < kCount; ++rest) {
      for (const size_t headLines : {size_t{100}, kHeadLines - 3, kHeadLines + 40, size_t{1500}}) {
        std::vector<std::string> held;
        while (held.size() < headLines) held.insert(held.end(), kinds[first].begin(), kinds[first].end());
        while (held.size() < 3000) held.insert(held.end(), kinds[rest].begin(), kinds[rest].end());
        std::vector<std::string_view> lines;
        for (const std::string& line : held)
          if (!line.empty()) lines.push_back(line);
        const std::vector<std::string_view> head(lines.begin(), lines.begin() + static_cast<long>(kHeadLines));
        for (const char* path : {"film.srt", "film.sub", "film"}) {
          const Detection whole = DetectFormat(lines, path);
          const HeadDetection fromHead = DetectFormatFromHead(head, path);
          const Detection d = DetectFormat(fromHead, lines, path);
          ASSERT_EQ(d.format, whole.format) << first << " " << rest << " " << headLines << " " << path;
          ASSERT_EQ(d.looksLike, whole.looksLike) << first << " " << rest << " " << headLines << " " << path;
          (fromHead.decided ? decided : open) += 1;
        }
      }
    }
  }
  // Both ways are taken.
  EXPECT_GT(decided, 0);
  EXPECT_GT(open, 0);
}
}  // namespace
}  // namespace lm
