// SubStation Alpha scripts: written back byte for byte, every line kept,
// detection among the other formats, the rules and edits on events, the
// override tags, and conversion to and from the other formats.
#include "formats/ssa/ssa.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "formats/subviewer/subviewer.h"
#include "formats/ttml/ttml.h"
#include "model/markup.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Kept(std::string_view line) { return std::string(kFormatLine) + std::string(line); }
std::string Unread(std::string_view line) { return std::string(kUnreadLine) + std::string(line); }
const std::string kBar(kLiteralBar);

void Open(Session& s, const std::string& bytes, const std::string& path = "film.ass") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, path)) << bytes; });
}

const std::string kHead =
    "[Script Info]\n; by hand\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize\n"
    "Style: Sign,Arial,20\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
    "Text\n";
constexpr int kHeadEntries = 8;

TEST(Ssa, RoundTripsByteForByte) {
  const struct {
    const char* name;
    std::string bytes, path;
    const Format* format;
    Encoding encoding = Encoding::Utf8;
  } cases[] = {
      {"MarkedCrLfWithFontsAndOddBlanks",
       "\xEF\xBB\xBF\r\n[Script Info]\r\nTitle: x\r\n\r\n\r\n[Aegisub Project Garbage]\r\nActive Line: 2\r\n  \r\n"
       "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
       "Dialogue: 0,0:00:01.00,0:00:03.50,Sign,Anna,0,0,0,,{\\i1}Hello, there\\Nyou | me\\hnow{\\i0}\r\n"
       "Comment: 0,0:00:04.00,0:00:05.00,Default,,0,0,0,,a note\r\n\r\n"
       "Dialogue: 1,0:00:05.000,0:00:07.5,Default,,0,0,0,,{\\p1}m 0 0 l 10 0 10 10{\\p0}\r\n\r\n"
       "[Fonts]\r\nfontname: a_0.ttf\r\n!N<8,4OD.UD\r\n\r\n",
       "film.ass", &SubStationAlpha(), Encoding::Utf8Bom},
      {"LegacyLfWindows1250",
       "[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name, Fontname\nStyle: Default,Arial\n\n[Events]\n"
       "Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
       "Dialogue: Marked=0,0:00:01.00,0:00:02.50,Default,NTP,0000,0000,0000,!Effect,Dzie\xF1 dobry, jak si\xEA "
       "masz?\\NWszystko w porz\xB9"
       "dku.\nDialogue: Marked=0,0:00:03.00,0:00:04.00,Default,,0000,0000,0000,,\x8F"
       "le si\xEA czuj\xEA,\\n\x9Clicznie dzi\xEAkuj\xEA.\n",
       "film.ssa", &SubStationAlpha(), Encoding::Windows1250},
      {"EventsWithoutAHeader",
       "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\nDialogue: 0,0:00:03.00,0:00:04.00,,,0,0,0,,Bye\n", "film.txt",
       &SubStationAlpha()},
      {"EventsFirstFieldsReordered", "[Events]\nFormat: End, Start, Text\nDialogue: 0:00:02.00,0:00:01.00,Hi, you\n",
       "film.ass", &SubStationAlpha()},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes, c.path);
    EXPECT_EQ(s.doc.Identity().readAs, c.format) << c.name;
    EXPECT_EQ(s.doc.FileEncoding(), c.encoding) << c.name;
    // Saved under either extension, a script stays what it is.
    for (const char* name : {"copy.ass", "copy.ssa"})
      EXPECT_EQ(test::Encoded(s.doc, FormatOfPath(name)), c.bytes) << c.name;
    EXPECT_TRUE(s.doc.FileNotes().empty()) << c.name;
  }
}

TEST(Ssa, EveryLineOfTheEventsIsAnEntryOrKept) {
  const struct {
    std::string line;
    std::string entry;
    bool unread = false;
  } cases[] = {
      {"Dialogue: 0,0:00:01.00,0:00:02.00,Sign,Anna,0,0,0,,Hello, world\\Nsecond",
       "{0:00:01.00}{0:00:02.00}Hello, world|second"},
      {"Dialogue: 0,0:0:1.5,0:00:02.005,,,0,0,0,,a | b\\hc\\nd", "{0:0:1.5}{0:00:02.005}a " + kBar +
                                                                     " b\xC2\xA0"
                                                                     "c\\nd"},
      {"dialogue:0, 0:00:01.00 ,0:00:02.00,,,0,0,0,,", "{0:00:01.00}{0:00:02.00}"},
      {"Comment: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Not fixed",
       Kept("Comment: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Not fixed")},
      {"; a comment", Kept("; a comment")},
      {"   ", Kept("   ")},
      {"Dialogue: 0,0:00:01.00,later,,,0,0,0,,x", Unread("Dialogue: 0,0:00:01.00,later,,,0,0,0,,x"), true},
      {"Dialogue: 0,0:00:01.00,0:00:02.00,Default", Unread("Dialogue: 0,0:00:01.00,0:00:02.00,Default"), true},
      {"a line that wrapped", Unread("a line that wrapped"), true},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, kHead + c.line + "\n");
    ASSERT_EQ(s.doc.List1.Count(), kHeadEntries + 1) << c.line;
    EXPECT_EQ(s.doc.List1.Item(kHeadEntries), c.entry);
    EXPECT_EQ(s.doc.FileNotes(),
              c.unread ? Lines{"1 line could not be read as an event and is kept as it was (line 11)"} : Lines{});
    EXPECT_EQ(test::Encoded(s.doc), kHead + c.line + "\n");
  }
}

TEST(Ssa, DetectedByContentAmongTheOtherFormats) {
  const std::string dialogue = "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hi\n";
  const struct {
    const char* name;
    std::string text, path;
    const Format* format;
    const char* looksLike;
  } cases[] = {
      {"InfoFirst", "[Script Info]\nTitle: x\n", "", &SubStationAlpha(), ""},
      {"StylesFirst", "[V4 Styles]\nStyle: Default\n[Events]\n" + dialogue, "film.sub", &SubStationAlpha(), ""},
      {"EventsFirst", "[Events]\n" + dialogue, "film.srt", &SubStationAlpha(), ""},
      {"CommentBeforeTheHeader", "; made by hand\n[Script Info]\nScriptType: v4.00+\n", "", &SubStationAlpha(), ""},
      {"EventsAlone", dialogue + dialogue, "film.txt", &SubStationAlpha(), ""},
      {"FramesAroundAHeader", "{1}{25}a\n{26}{50}b\n[Script Info]\n{51}{75}c\n", "film.ass", &MicroDvd(), ""},
      {"CueTextLikeAnEvent", "1\n00:00:01,000 --> 00:00:02,000\n" + dialogue + "\n", "film.srt", &SubRip(), ""},
      {"SubViewer", "[INFORMATION]\n[TITLE]x\n00:00:01.00,00:00:03.00\nHi\n", "film.ass", &SubViewer2(), ""},
      {"Ttml", "<?xml version=\"1.0\"?>\n<tt xmlns=\"http://www.w3.org/ns/ttml\">\n", "", &Ttml(), ""},
  };
  for (const auto& c : cases) {
    SubtitleFile file;
    EXPECT_EQ(ParseSubtitleFile(c.text, file, std::nullopt, kDefaultFrameRate, c.path),
              c.format ? ReadStatus::Ok : ReadStatus::Unrecognised)
        << c.name;
    EXPECT_EQ(c.format ? file.identity.readAs : nullptr, c.format) << c.name;
    EXPECT_EQ(file.looksLike, c.looksLike) << c.name;
  }
}

// The worked examples of the rules, on events: their fields stay, a
// division's second half takes the first's, italics are closed and opened
// again where an event is divided, comments and drawings are passed over.
TEST(Ssa, TheRulesOnEvents) {
  Session s;
  const std::string drawing =
      "Dialogue: 0,0:00:20.00,0:00:21.00,Sign,,0,0,0,,{\\p1}m 0 0 l 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 "
      "9 9 10 10 11 11 12 12 13 13 14 14 15 15 16 16{\\p0}\n";
  const std::string comment =
      "Comment: 0,0:00:22.00,0:00:23.00,Default,,0,0,0,,This note is far too long a line for the "
      "screen, and stays\n";
  Open(s, kHead +
              "Dialogue: 0,0:00:04.00,0:00:08.00,Sign,Anna,1,2,3,fx,This is a rather long subtitle line that needs a "
              "break\n" +
              drawing + comment +
              "Dialogue: 2,0:00:36.00,0:00:44.00,Default,,0,0,0,,{\\an8\\i1}This first line is definitely much "
              "longer than allowed\\Nand this second line is also longer than it should be{\\i0}\n"
              "Dialogue: 0,0:01:05.000,0:01:06.00,Default,,0,0,0,,{\\i1}[MUSIC] I couldn't tell.{\\i0}\n");
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(
      test::Encoded(s.doc),
      kHead +
          "Dialogue: 0,0:00:04.00,0:00:08.00,Sign,Anna,1,2,3,fx,This is a rather long subtitle\\Nline that needs a "
          "break\n" +
          drawing + comment +
          "Dialogue: 2,0:00:36.00,0:00:40.00,Default,,0,0,0,,{\\an8}This first line is definitely\\Nmuch longer "
          "than allowed\n"
          "Dialogue: 2,0:00:40.04,0:00:44.00,Default,,0,0,0,,{\\an8}and this second line is also\\Nlonger than "
          "it should be\n"
          "Dialogue: 0,0:01:05.000,0:01:06.00,Default,,0,0,0,,I couldn't tell.\n");
  test::ExpectReadsBackTheSame(s.doc, SubStationAlpha(), "again.ass");
}

// Edits are written in the events' own syntax and read back the same: a new
// time as h:mm:ss.cc, a copy and a division with the fields of the event
// before them, a typed "|" as a character.
TEST(Ssa, EditsAreWrittenBackAndReadTheSame) {
  Session s;
  Open(s,
       kHead +
           "Dialogue: 0,0:00:01.00,0:00:03.00,Sign,Anna,0,0,0,,One\nDialogue: 0,0:00:05.00,0:00:06.00,,,0,0,0,,Two\n");
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, kHeadEntries); });
  s.Run(CommandId::EditEntry, [&] { Command14_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, kHeadEntries + 2); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, -3); });
  s.Run(CommandId::EditEntry, [&] {
    s.doc.SetItem(kHeadEntries + 2, "{0:00:05.04}{0:00:05.88}A " + kBar +
                                        " b|c\xC2\xA0"
                                        "d");
  });
  s.Run(CommandId::EditEntry, [&] { s.doc.InsertItem(kHeadEntries, "{0:00:00.50}{0:00:00.90}New"); });
  EXPECT_EQ(test::Encoded(s.doc), kHead +
                                      "Dialogue: 0,0:00:00.50,0:00:00.90,Sign,Anna,0,0,0,,New\n"
                                      "Dialogue: 0,0:00:01.00,0:00:02.00,Sign,Anna,0,0,0,,One\n"
                                      "Dialogue: 0,0:00:02.04,0:00:03.00,Sign,Anna,0,0,0,,One\n"
                                      "Dialogue: 0,0:00:05.04,0:00:05.88,,,0,0,0,,A | b\\Nc\\hd\n");
  test::ExpectReadsBackTheSame(s.doc, SubStationAlpha(), "again.ass");
}

TEST(Ssa, OddScriptsStayVisibleAndWhole) {
  const std::string bytes =
      "Subtitles by someone\r\n[Script Info]\r\n[Events]\r\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\r\n"
      "Dialogue: nothing to read\r\nstray text\r\n";
  Session s;
  Open(s, bytes, "film.txt");
  EXPECT_EQ(s.doc.List1.Items(),
            (Lines{Unread("Subtitles by someone"), Kept("[Script Info]"), Kept("[Events]"),
                   "{0:00:01.00}{0:00:02.00}Hi", Unread("Dialogue: nothing to read"), Unread("stray text")}));
  EXPECT_EQ(s.doc.FileNotes(), Lines{"3 lines could not be read as events and are kept as they were (line 1 first)"});
  EXPECT_EQ(test::Encoded(s.doc), bytes);
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(test::Encoded(s.doc), bytes) << "nothing to remove";
}

// An embedded font is tens of thousands of lines: more than a document
// holds, were each an entry.
TEST(Ssa, EmbeddedDataIsKeptAFewHundredLinesToAnEntry) {
  std::string font;
  for (int i = 0; i < 40000; ++i) font += "M" + std::string(60, static_cast<char>('!' + i % 60)) + "\r\n";
  const std::string bytes = "[Script Info]\r\n\r\n[Fonts]\r\nfontname: a_0.ttf\r\n" + font +
                            "\r\n[Events]\r\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\r\n";
  Session s;
  Open(s, bytes);
  EXPECT_EQ(s.doc.List1.Count(), 3 + (40000 + 255) / 256 + 2);
  EXPECT_EQ(s.doc.List1.Item(s.doc.List1.Count() - 1), "{0:00:01.00}{0:00:02.00}Hi");
  EXPECT_EQ(test::Encoded(s.doc), bytes);
}

TEST(SsaTimes, ParseWhatScriptsHoldAndWriteCentiseconds) {
  const std::pair<const char*, std::optional<int64_t>> cases[] = {
      {"0:00:01.00", 1000},
      {" 1:02:03.45 ", 3723450},
      {"0:0:1.5", 1500},
      {"0:00:01.005", 1005},
      {"0:00:01", 1000},
      {"-0:00:01.00", -1000},
      {"0:00:01,50", 1500},
      {"0:00:01.", {}},
      {"00:01.00", {}},
      {"0:00:01.0000", {}},
      {"x", {}},
  };
  for (const auto& [field, ms] : cases) EXPECT_EQ(ParseSsaTime(field), ms) << field;
  const std::pair<int64_t, const char*> written[] = {
      {0, "0:00:00.00"}, {1005, "0:00:01.01"}, {1004, "0:00:01.00"}, {36000000, "10:00:00.00"}, {-40, "-0:00:00.04"}};
  for (const auto& [ms, text] : written) EXPECT_EQ(FormatSsaTime(ms), text) << ms;
}

// What the rules count: blocks, soft breaks and drawings are nothing; a
// brace that opens no block is text.
TEST(SsaDialect, TagsCountAsNothing) {
  const std::pair<const char*, std::vector<int>> cases[] = {
      {"{\\i1}Hello{\\i0} there", {11}},
      {"{\\an8}Top|{\\c&H0000FF&}red", {3, 3}},
      {"{\\p1}m 0 0 l 10 0 10 10{\\p0}", {0}},
      {"{\\p1}m 0 0 l 1 1{\\p0}After", {5}},
      {"{\\p2}m 0 0|text", {0, 4}},
      {"soft\\nbreak", {9}},
      {"no{brace", {8}},
      {"{a{b}c", {3}},
      {"\\{not a block}", {14}},
      {"{a comment}Text", {4}},
      {"C:\\path", {7}},
      {"{\\pos(1,2)\\t(0,5,\\fs9)}x", {1}},
  };
  for (const auto& [text, lengths] : cases)
    EXPECT_EQ(ScreenLineLengths(text, SubStationAlpha().Dialect()), lengths) << text;
}

std::string Described(const StyledLine& line) {
  const Style& s = line.style;
  return std::string(s.italic ? "i" : "") + (s.bold ? "b" : "") + (s.underline ? "u" : "") + (s.strike ? "s" : "") +
         (s.color.empty() ? "" : " c" + s.color) + (s.font.empty() ? "" : " f" + s.font) +
         (s.size ? " s" + std::to_string(s.size) : "") + (s.position ? " p" + std::to_string(s.position) : "") + ":" +
         line.text;
}

TEST(SsaDialect, ToTheNeutralSetAndBack) {
  const std::pair<const char*, Lines> cases[] = {
      {"{\\i1}Where|{\\i0}To", {"i:Where", ":To"}},
      {"{\\b1\\c&H0000FF&}Red|still", {"b cFF0000:Red", "b cFF0000:still"}},
      {"{\\an8\\fnDejaVu Sans\\fs12}Top", {" fDejaVu Sans s12 p8:Top"}},
      {"{\\a6}Top|{\\a1\\an2}x", {" p8:Top", " p8:x"}},
      {"{\\b700\\u1\\s1}Heavy{\\r}|plain", {"bus:Heavy", ":plain"}},
      {"{\\1c&HFF&\\iclip(0,0,1,1)\\be1\\bord2}x", {" cFF0000:x"}},
      {"{\\i1}soft\\nbreak \\{x}", {"i:soft break {x}"}},
  };
  for (const auto& [text, expected] : cases) {
    Lines described;
    for (const StyledLine& line : SubStationAlpha().Dialect().ToNeutral(text)) described.push_back(Described(line));
    EXPECT_EQ(described, expected) << text;
  }
  Style top, red, odd;
  top.position = 8;
  top.italic = true;
  red.color = "FF0000";
  odd.font = "Bad}Name";
  const std::vector<StyledLine> lines{{top, "A {b}"}, {red, "B"}, {odd, "C"}};
  EXPECT_EQ(SubStationAlpha().Dialect().FromNeutral(lines), "{\\an8\\i1}A \\{b}|{\\i0\\c&H0000FF&}B|{\\c}C");
}

TEST(SsaDialect, ItalicsCutAndSettingsCarriedOverADivision) {
  const StyleDialect& d = SubStationAlpha().Dialect();
  const std::tuple<const char*, const char*, int> cuts[] = {
      {"{\\i1}Hi{\\i0}", "Hi", 2},
      {"{\\an8\\i1}Hi{\\i}", "{\\an8}Hi", 2},
      {"{\\iclip(1,2,3,4)}x", "{\\iclip(1,2,3,4)}x", 0},
      {"{\\i1\\p1}m 0 0{\\p0}", "{\\i1\\p1}m 0 0{\\p0}", 0},
  };
  for (const auto& [text, expected, count] : cuts) {
    std::string cut = text;
    EXPECT_EQ(d.CutItalicTags(cut), count) << text;
    EXPECT_EQ(cut, expected);
  }
  // Cut at the blank after "one".
  const std::tuple<const char*, const char*, const char*> divisions[] = {
      {"{\\i1}one two{\\i0}", "{\\i1}one{\\i0}", "{\\i1}two{\\i0}"},
      {"{\\an8\\pos(1,2)\\c&H0000FF&\\k20}one {\\an2\\k5}two", "{\\an8\\pos(1,2)\\c&H0000FF&\\k20}one",
       "{\\an8\\pos(1,2)\\c&H0000FF&}{\\an2\\k5}two"},
      {"{\\i1\\b1}x{\\r\\fs9}one two", "{\\i1\\b1}x{\\r\\fs9}one", "{\\fs9}two"},
      {"plain one two", "plain one", "two"},
  };
  for (const auto& [joined, first, second] : divisions) {
    const std::string_view text = joined;
    const size_t at = text.find(' ', text.find("one"));
    std::string a(text.substr(0, at)), b(text.substr(at + 1));
    d.CloseSpansAt(text, at, a, b);
    EXPECT_EQ(a, first) << joined;
    EXPECT_EQ(b, second) << joined;
  }
}

// A small film converted both ways, against files made by hand.
TEST(Ssa, ConversionBothWays) {
  const std::string srt =
      "1\r\n00:00:01,000 --> 00:00:03,000\r\n{\\an8}Hello there.\r\n\r\n"
      "2\r\n00:00:03,520 --> 00:00:06,240\r\n<i>Where are you going?</i>\r\nTo the river.\r\n\r\n";
  const std::string events =
      "0:00:01.00,0:00:03.00,Default,,0,0,0,,{\\an8}Hello there.\r\n"
      "Dialogue: 0,0:00:03.52,0:00:06.24,Default,,0,0,0,,{\\i1}Where are you going?\\N{\\i0}To the river.\r\n";
  const std::string header =
      "[Script Info]\r\nScriptType: v4.00+\r\nPlayResX: 384\r\nPlayResY: 288\r\n\r\n[V4+ Styles]\r\nFormat: Name, "
      "Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, "
      "StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, "
      "Encoding\r\nStyle: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,2,2,10,"
      "10,10,1\r\n\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
  Session s;
  Open(s, srt, "film.srt");
  const std::string ass = test::Encoded(s.doc, &SubStationAlpha());
  EXPECT_EQ(ass, header + "Dialogue: 0," + events);
  Session back;
  Open(back, ass + "Comment: 0,0:00:07.00,0:00:08.00,,,0,0,0,,a note\r\n", "film.ass");
  EXPECT_EQ(test::Encoded(back.doc, &SubRip()), srt) << "the header and the comment have no place in SubRip";
  EXPECT_EQ(test::Encoded(back.doc, &MicroDvd()),
            "{1}{1}25\r\n{25}{75}Hello there.\r\n{88}{156}{y:i}Where are you going?|To the river.\r\n");
  Session frames;
  Open(frames, "{1}{1}23.976\r\n{24}{72}Hello|{y:b}there\r\n", "film.sub");
  EXPECT_EQ(test::Encoded(frames.doc, &SubStationAlpha()),
            header + "Dialogue: 0,0:00:01.00,0:00:03.00,Default,,0,0,0,,Hello\\N{\\b1}there\r\n");
}

}  // namespace
}  // namespace lm
