// TTML documents: written back byte for byte, paragraphs read in every
// notation of times with styles and regions, every line kept, detection,
// the rules and edits written back in the file's own notation, and
// conversion to and from SubRip and frames.
#include "formats/ttml/ttml.h"

#include <gtest/gtest.h>

#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Kept(std::string_view line) { return std::string(kFormatLine) + std::string(line); }
std::string Unread(std::string_view line) { return std::string(kUnreadLine) + std::string(line); }
std::string Mark(int k) { return ReferenceMark(k); }

void Open(Session& s, const std::string& bytes, const std::string& path = "film.ttml") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, path)) << bytes; });
}

const std::string kOpen =
    "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:tts=\"http://www.w3.org/ns/ttml#styling\" "
    "xmlns:ttp=\"http://www.w3.org/ns/ttml#parameter\"";
// A document around paragraphs, with the attributes of <tt> after its
// namespaces: seven lines before the first paragraph.
std::string Document(const std::string& paragraphs, const std::string& parameters = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + kOpen + parameters +
         ">\n<head>\n<styling><style xml:id=\"it\" tts:fontStyle=\"italic\"/></styling>\n<layout><region "
         "xml:id=\"up\" tts:origin=\"10% 5%\" tts:displayAlign=\"before\"/><region xml:id=\"low\"/></layout>\n"
         "</head>\n<body region=\"low\"><div>\n" +
         paragraphs + "\n</div></body>\n</tt>\n";
}
constexpr int kHeadEntries = 7;

TEST(Ttml, RoundTripsByteForByte) {
  const struct {
    const char* name;
    std::string bytes;
    Encoding encoding;
  } cases[] = {
      {"NetflixLike",
       Document("  <p begin=\"00:00:01.000\" end=\"00:00:02.500\" style=\"it\">One <span "
                "tts:color=\"yellow\">two</span><br/>three</p>\n\n  <!-- a note -->\n"
                "  <p begin=\"3s\" dur=\"1.5s\"\n     region=\"up\">Over\n     lines &amp; &#233;</p><p "
                "begin=\"90f\" end=\"100f\"><![CDATA[a < b]]></p>\n\n",
                " ttp:frameRate=\"25\""),
       Encoding::Utf8},
      {"PrefixedCrLfMarked",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<tt:tt xmlns:tt=\"http://www.w3.org/ns/ttml\" "
       "xmlns:ttp=\"http://www.w3.org/ns/ttml#parameter\" ttp:tickRate=\"10000000\">\r\n  <tt:body>\r\n    "
       "<tt:div>\r\n      <tt:p begin=\"10000000t\" end=\"25000000t\">Ticks|bars</tt:p>\r\n    </tt:div>\r\n  "
       "</tt:body>\r\n</tt:tt>\r\n",
       Encoding::Utf8Bom},
      {"Windows1250",
       "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n" + kOpen +
           ">\n<body><div>\n<p begin=\"00:00:01:12\" end=\"00:00:03:00\">Dzie\xF1 dobry, jak si\xEA masz?</p>\n"
           "<p begin=\"4s\" end=\"5s\">\x8Cwietnie</p>\n</div></body>\n</tt>\n",
       Encoding::Windows1250},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    EXPECT_EQ(s.doc.Identity().readAs, &Ttml()) << c.name;
    EXPECT_EQ(s.doc.FileEncoding(), c.encoding) << c.name;
    EXPECT_TRUE(s.doc.FileNotes().empty()) << c.name;
    for (const char* name : {"copy.ttml", "copy.dfxp", "copy.xml"})
      EXPECT_EQ(test::Encoded(s.doc, FormatOfPath(name)), c.bytes);
  }
}

// Each paragraph in the document, and the entry it becomes.
TEST(Ttml, ParagraphsInEveryNotation) {
  const std::string it = "<p tts:fontStyle=\"italic\">";
  const struct {
    const char* paragraph;
    const char* parameters;
    std::string entry;
  } cases[] = {
      {"<p begin=\"00:00:01.5\" end=\"00:00:02.250\">Clock</p>", "", "{00:00:01.500}{00:00:02.250}Clock"},
      {"<p begin=\"00:01:00:12\" end=\"00:01:01:00\">Frames</p>", " ttp:frameRate=\"24\"",
       "{00:01:00.500}{00:01:01.000}Frames"},
      {"<p begin=\"00:00:01:15\" end=\"00:00:02:00.1\">Drop</p>",
       " ttp:frameRate=\"30\" ttp:frameRateMultiplier=\"1000 1001\" ttp:subFrameRate=\"2\"",
       "{00:00:01.501}{00:00:02.017}Drop"},
      {"<p begin=\"0.5h\" end=\"31m\">Hours</p>", "", "{00:30:00.000}{00:31:00.000}Hours"},
      {"<p begin=\"1500ms\" dur=\"2.5s\">Duration</p>", "", "{00:00:01.500}{00:00:04.000}Duration"},
      {"<p begin=\"50f\" end=\"75f\">Frame count</p>", " ttp:frameRate=\"25\"",
       "{00:00:02.000}{00:00:03.000}Frame count"},
      {"<p begin=\"90000t\" end=\"180000t\">Ticks</p>", " ttp:tickRate=\"90000\"", "{00:00:01.000}{00:00:02.000}Ticks"},
      {"<p begin=\"10t\" end=\"20t\">Ticks in frames</p>", " ttp:frameRate=\"10\"",
       "{00:00:01.000}{00:00:02.000}Ticks in frames"},
      {"</div><div begin=\"10s\"><p begin=\"1s\" end=\"2s\">In a div</p>", "", "{00:00:11.000}{00:00:12.000}In a div"},
      {"<p begin=\"1s\" end=\"2s\" style=\"it\">Referenced</p>", "",
       "{00:00:01.000}{00:00:02.000}<p style=\"it\" tts:fontStyle=\"italic\">Referenced"},
      {"<p begin=\"1s\" end=\"2s\" region=\"up\">Top</p>", "",
       "{00:00:01.000}{00:00:02.000}<p region=\"up\" tts:displayAlign=\"before\">Top"},
      {"<p begin=\"1s\" end=\"2s\" tts:fontStyle=\"italic\">Inline</p>", "",
       "{00:00:01.000}{00:00:02.000}" + it + "Inline"},
      {"<p begin=\"1s\" end=\"2s\">A <span style=\"it\">b</span>  <span tts:fontWeight=\"bold\">c</span></p>", "",
       "{00:00:01.000}{00:00:02.000}A <span style=\"it\" tts:fontStyle=\"italic\">b</span> <span "
       "tts:fontWeight=\"bold\">c</span>"},
      {"<p begin=\"1s\" end=\"2s\">\n   One <br/>\n   two |&amp;&lt;&gt;&#x41;&quot;\n</p>", "",
       "{00:00:01.000}{00:00:02.000}One|two " + std::string(kLiteralBar) + Mark(0) + Mark(1) + Mark(2) + "A\""},
      {"<p begin=\"1s\" end=\"2s\"><metadata>not shown</metadata>Shown<set tts:color=\"red\"/></p>", "",
       "{00:00:01.000}{00:00:02.000}Shown<set tts:color=\"red\"/>"},
      {"<p begin=\"1s\" end=\"2s\"/>", "", "{00:00:01.000}{00:00:02.000}"},
  };
  for (const auto& c : cases) {
    const std::string bytes = Document(c.paragraph, c.parameters);
    Session s;
    Open(s, bytes);
    // The paragraph, then "</div></body>" and "</tt>".
    ASSERT_GE(s.doc.List1.Count(), kHeadEntries + 3) << c.paragraph;
    EXPECT_EQ(s.doc.List1.Item(s.doc.List1.Count() - 3), c.entry) << c.paragraph;
    EXPECT_EQ(test::Encoded(s.doc), bytes) << c.paragraph;
    EXPECT_TRUE(s.doc.FileNotes().empty()) << c.paragraph;
  }
}

// A file that is no well-formed document keeps every line, as it was.
TEST(Ttml, BrokenDocumentsAreKeptWhole) {
  const struct {
    const char* name;
    std::string bytes;
    Lines entries, notes;
  } cases[] = {
      {"Unclosed",
       kOpen + ">\n<body><div>\n\n<p begin=\"1s\" end=\"2s\">Hi</div>\n",
       {Unread(kOpen + ">"), Unread("<body><div>"), Unread("<p begin=\"1s\" end=\"2s\">Hi</div>")},
       {"The file is not well-formed XML (Start-end tags mismatch at line 4)",
        "3 lines could not be read as paragraphs and are kept as they were (line 1 first)"}},
      {"Untimed",
       kOpen + "><body><div><p>No times</p>\n</div></body></tt>\n",
       {Kept(kOpen + "><body><div>"), "{00:00:00.000}{00:00:00.000}No times", Kept("</div></body></tt>")},
       {"1 paragraph has no end time and ends where it starts (line 1)"}},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    EXPECT_EQ(s.doc.List1.Items(), c.entries) << c.name;
    EXPECT_EQ(s.doc.FileNotes(), c.notes) << c.name;
    EXPECT_EQ(test::Encoded(s.doc), c.bytes) << c.name;
  }
}

TEST(Ttml, DetectedByContentAmongTheOtherFormats) {
  const std::string ttml = Document("<p begin=\"1s\" end=\"2s\">Hi</p>");
  const struct {
    const char* name;
    std::string text, path;
    const Format* format;
  } cases[] = {
      {"AsSub", ttml, "film.sub", &Ttml()},
      {"AsTxt", ttml, "film.txt", &Ttml()},
      {"Dfxp",
       "<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<tt xml:lang=\"en\"\n    "
       "xmlns=\"http://www.w3.org/2006/10/ttaf1\">\n<body><div><p begin=\"1s\" end=\"2s\">Hi</p></div></body>"
       "</tt>\n",
       "film.dfxp", &Ttml()},
      {"MicroDvdNamedXml", "{1}{25}<tt>Hi\n{26}{50}Bye\n", "film.xml", &MicroDvd()},
      {"SubRipNamedXml", "1\n00:00:01,000 --> 00:00:02,000\n<tt xmlns=\"x\">\n\n", "film.xml", &SubRip()},
      {"OtherXml", "<?xml version=\"1.0\"?>\n<rss><tt xmlns=\"http://www.w3.org/ns/ttml\"/></rss>\n", "feed.xml",
       nullptr},
  };
  for (const auto& c : cases) {
    SubtitleFile file;
    EXPECT_EQ(ParseSubtitleFile(c.text, file, std::nullopt, kDefaultFrameRate, c.path),
              c.format ? ReadStatus::Ok : ReadStatus::Unrecognised)
        << c.name;
    EXPECT_EQ(c.format ? file.identity.readAs : nullptr, c.format) << c.name;
  }
}

// The rules on paragraphs: a break as <br/>, a division in two paragraphs
// whose second half keeps the first's paragraph tag, the structure kept.
TEST(Ttml, TheRulesOnParagraphs) {
  Session s;
  Open(s,
       Document("  <p begin=\"00:00:04.000\" end=\"00:00:08.000\">This is a rather long subtitle line that needs a "
                "break</p>\n  <p begin=\"36s\" end=\"44s\" region=\"up\">We have been walking for hours and hours<br/>"
                "along the river bank and nobody has seen a single boat</p>"));
  const CommandResult r = s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  EXPECT_EQ(r.messages, Lines{"I just fixed 2 lines, for You"});
  EXPECT_EQ(
      test::Encoded(s.doc),
      Document("  <p begin=\"00:00:04.000\" end=\"00:00:08.000\">This is a rather long subtitle<br/>line that "
               "needs a break</p>\n  <p begin=\"36s\" end=\"40s\" region=\"up\">We have been walking for<br/>hours "
               "and hours along</p>\n  <p begin=\"00:00:40.040\" end=\"00:00:44.000\" region=\"up\">the river "
               "bank and nobody<br/>has seen a single boat</p>"));
  test::ExpectReadsBackTheSame(s.doc, Ttml(), "again.ttml");
}

TEST(Ttml, RemoveHearingImpairedCutsItalicSpans) {
  Session s;
  Open(s, Document("<p begin=\"1s\" end=\"2s\">[DOOR] <span tts:fontStyle=\"italic\">Tom &amp; me</span></p>\n"
                   "<p begin=\"3s\" end=\"4s\">(laughs)</p>"));
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Item(kHeadEntries), "{00:00:01.000}{00:00:02.000}Tom " + Mark(0) + " me");
  EXPECT_EQ(test::Encoded(s.doc), Document("<p begin=\"1s\" end=\"2s\">Tom &amp; me</p>"));
  test::ExpectReadsBackTheSame(s.doc, Ttml(), "again.ttml");
}

// Changed times are written in the notation the paragraph used; text in
// the format's own escapes; a new entry as a paragraph of its own.
TEST(Ttml, EditsAreWrittenInTheFilesNotation) {
  const std::string rates = " ttp:frameRate=\"25\" ttp:tickRate=\"10000\"";
  Session s;
  Open(s,
       Document("  <p begin=\"00:00:01:00\" end=\"50f\">A</p>\n  <p begin=\"2.5s\" dur=\"1s\">B</p>\n"
                "  <p begin=\"30000t\" end=\"4000ms\">C\n  over</p>\n</div><div begin=\"1m\">\n  <p end=\"1h\">D</p>",
                rates));
  const int h = kHeadEntries;
  const std::string a =
      "A " + Mark(0) + " " + Mark(1) + "b" + Mark(2) + " " + std::string(kLiteralBar) + "|<span>x</span>";
  s.Run(CommandId::EditEntry, [&] {
    s.doc.SetItem(h, "{00:00:01.480}{00:00:02.520}" + a);
    s.doc.SetItem(h + 1, "{00:00:02.000}{00:00:04.000}B & <b> <span>x");
    s.doc.SetItem(h + 2, "{00:00:02.500}{00:00:04.250}C over");
    s.doc.SetItem(h + 4, "{00:01:01.000}{01:01:00.000}D");
    s.doc.InsertItem(h + 5, "{00:01:07.000}{00:01:08.000}<p region=\"up\" tts:displayAlign=\"before\">New");
  });
  const std::string saved = test::Encoded(s.doc);
  EXPECT_EQ(saved, Document("  <p begin=\"00:00:01:12\" end=\"63f\">A &amp; &lt;b&gt; |<br/><span>x</span></p>\n  <p "
                            "begin=\"2s\" dur=\"2s\">B &amp; &lt;b&gt; <span>x</span></p>\n  <p begin=\"25000t\" "
                            "end=\"4250ms\">C\n  over</p>\n</div><div begin=\"1m\">\n  <p begin=\"00:00:01.000\" "
                            "end=\"1h\">D</p>\n  <p begin=\"00:00:07.000\" end=\"00:00:08.000\" region=\"up\">New</p>",
                            rates));
  SubtitleFile again;
  ASSERT_EQ(ParseSubtitleFile(saved, again, std::nullopt, kDefaultFrameRate, "again.ttml"), ReadStatus::Ok);
  Lines expected = s.doc.List1.Items();
  expected[h + 1] = "{00:00:02.000}{00:00:04.000}B " + Mark(0) + " " + Mark(1) + "b" + Mark(2) + " <span>x</span>";
  EXPECT_EQ(again.lines, expected);
}

TEST(Ttml, ConvertsToAndFromSubRip) {
  const std::string srt =
      "1\n00:00:01,000 --> 00:00:02,500\n<i>Tom & Jerry\nsecond</i>\n\n2\n00:00:03,000 --> 00:00:04,000\n{\\an8}<b>Up "
      "| there</b>\n\n3\n00:00:05,000 --> 00:00:06,000\n<font color=\"#FF0000\">Red</font> <u>under</u>\n\n";
  Session s;
  Open(s, srt, "film.srt");
  const std::string ttml = test::Encoded(s.doc, &Ttml());
  for (const char* paragraph :
       {"<p begin=\"00:00:01.000\" end=\"00:00:02.500\"><span tts:fontStyle=\"italic\">Tom &amp; "
        "Jerry</span><br/><span tts:fontStyle=\"italic\">second</span></p>",
        "<p begin=\"00:00:03.000\" end=\"00:00:04.000\" region=\"top\"><span tts:fontWeight=\"bold\">Up | "
        "there</span></p>",
        "<p begin=\"00:00:05.000\" end=\"00:00:06.000\"><span tts:color=\"#FF0000\">Red under</span></p>"})
    EXPECT_NE(ttml.find(paragraph), std::string::npos) << ttml;
  Session back;
  Open(back, ttml);
  EXPECT_TRUE(back.doc.FileNotes().empty());
  // What a SubRip line styles as a whole comes back; styles inside a line
  // have no neutral form.
  std::string expected = srt;
  auto replace = [&](const std::string& what, const std::string& with) {
    expected.replace(expected.find(what), what.size(), with);
  };
  replace("<i>Tom & Jerry\nsecond</i>", "<i>Tom & Jerry</i>\n<i>second</i>");
  replace("<font color=\"#FF0000\">Red</font> <u>under</u>", "<font color=\"#FF0000\">Red under</font>");
  EXPECT_EQ(test::Encoded(back.doc, &SubRip()), expected);
}

TEST(Ttml, ConvertsToAndFromFrames) {
  Session s;
  Open(s, Document("<p begin=\"00:00:01.010\" end=\"00:00:02.990\" style=\"it\">Top &amp; co</p>"));
  const std::string frames = test::Encoded(s.doc, &MicroDvd());
  EXPECT_EQ(frames, "{1}{1}25\n{25}{75}{y:i}Top & co\n");
  Session sub;
  Open(sub, frames, "film.sub");
  const std::string ttml = test::Encoded(sub.doc, &Ttml());
  EXPECT_NE(ttml.find("<p begin=\"00:00:01.000\" end=\"00:00:03.000\"><span tts:fontStyle=\"italic\">Top &amp; "
                      "co</span></p>"),
            std::string::npos)
      << ttml;
}

TEST(TtmlTimes, WrittenLikeTheTimeTheyReplace) {
  TtmlRates rates;
  rates.frameRate = 25;
  rates.tickRate = 1000;
  const struct {
    int64_t ms;
    const char *like, *written;
  } cases[] = {
      {61500, "00:00:01.000", "00:01:01.500"},
      {61520, "00:00:01:00", "00:01:01:13"},
      {1500, "2s", "1.5s"},
      {2000, "1.25m", "2s"},
      {1234, "5ms", "1234ms"},
      {1000, "3f", "25f"},
      {1500, "7t", "1500t"},
      {-40, "1s", "0s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatTtmlTime(c.ms, c.like, rates), c.written) << c.like;
    EXPECT_EQ(ParseTtmlTime(c.written, rates), std::max<int64_t>(c.ms, 0)) << c.written;
  }
  for (const char* wrong : {"", "1", "1x", "00:1:02.000", "s", "1..5s", "00:00:01,5"})
    EXPECT_FALSE(ParseTtmlTime(wrong, rates)) << wrong;
}

TEST(Ttml, Utf16DocumentsRoundTripAndUndoRestoresTheFile) {
  const std::string text = Document("<p begin=\"1s\" end=\"2s\">Caf\xC3\xA9</p>");
  std::string bytes = "\xFF\xFE";
  for (size_t i = 0; i < text.size(); ++i) {
    // Two-byte UTF-8 to one UTF-16 unit: enough for "é".
    unsigned unit = static_cast<unsigned char>(text[i]);
    if (unit >= 0xC0) unit = ((unit & 0x1F) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  Session s;
  Open(s, bytes);
  EXPECT_EQ(s.doc.FileEncoding(), Encoding::Utf16LE);
  EXPECT_EQ(s.doc.List1.Item(kHeadEntries), "{00:00:01.000}{00:00:02.000}Caf\xC3\xA9");
  EXPECT_EQ(test::Encoded(s.doc), bytes);
  s.Run(CommandId::EditEntry, [&] { s.doc.SetItem(kHeadEntries, "{0:00:01,5}{00:00:02.000}Th\xC3\xA9"); });
  EXPECT_NE(test::Encoded(s.doc), bytes);
  s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
  EXPECT_EQ(test::Encoded(s.doc), bytes);
}

// Fields as the grid takes them: clock times and offsets that need no
// rates of a document; frames and ticks do.
TEST(TtmlTimes, FieldsOfTheGrid) {
  const TimeSyntax& times = Ttml().Times();
  const struct {
    const char* field;
    std::optional<int64_t> ms;
  } cases[] = {
      {"00:00:01.500", 1500}, {" 1:02:03.4 ", 3723400}, {"0:00:05,5", 5500},   {"1.5s", 1500},
      {"250ms", 250},         {"40f", std::nullopt},    {"10t", std::nullopt}, {"00:00:01:12", std::nullopt},
      {"soon", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(times.Parse(c.field), c.ms) << c.field;
  EXPECT_EQ(times.Format(3723400), "01:02:03.400");
}

TEST(TtmlDialect, TagsCountAsNothing) {
  const StyleDialect& d = TtmlDialect();
  const struct {
    const char* text;
    size_t length;
  } cases[] = {
      {"<span tts:color=\"red\">", 22},
      {"</span>", 7},
      {"<tt:span>", 9},
      {"<set tts:color=\"a>b\"/>", 22},
      {"<br/>", 5},
      {"<p region=\"up\">", 15},
      {"<b>", 0},
      {"<span a=\"|\">", 0},
      {"<span", 0},
      {"<spanner>", 0},
      {"< span>", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(d.TagAt(c.text, 0), c.length) << c.text;
}

TEST(TtmlDialect, SpansAndTheParagraphTag) {
  const StyleDialect& d = TtmlDialect();
  const std::string p = "<p region=\"up\" tts:displayAlign=\"before\">";
  const std::string it = "<span tts:fontStyle=\"italic\">";
  // Each line takes the style at its first character; nesting is kept.
  const std::vector<StyledLine> lines = d.ToNeutral(p + it + "a <span tts:color=\"lime\">b|c</span> d|e</span>|f");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].style.italic && lines[0].style.position == 8 && lines[0].style.color.empty());
  EXPECT_EQ(lines[0].text, "a b");
  EXPECT_EQ(lines[1].style.color, "00FF00");
  EXPECT_TRUE(lines[2].style.italic);
  EXPECT_FALSE(lines[3].style.italic);
  EXPECT_EQ(lines[3].style.position, 8);
  // A cut closes the spans open there and opens them again after it; the
  // paragraph tag goes with both halves.
  std::string first = p + it + "one", second = "two</span>";
  d.CloseSpansAt(p + it + "one two</span>", first.size(), first, second);
  EXPECT_EQ(first, p + it + "one</span>");
  EXPECT_EQ(second, p + it + "two</span>");
  std::string text = p + "[noise] " + it + "x</span> <span tts:fontStyle=\"italic\" tts:color=\"red\">y</span>";
  EXPECT_TRUE(d.HasItalicTags(text));
  EXPECT_EQ(d.CutItalicTags(text), 4);
  EXPECT_EQ(text, p + "[noise] x y");
  EXPECT_FALSE(d.HasItalicTags(text));
  EXPECT_EQ(d.WithoutEmptySpans(it + " |</span>a<span>b</span>"), " |a<span>b</span>");
}

// An entry's text as markup: whatever was typed, the document stays
// well-formed.
TEST(TtmlDialect, MarkupIsBalancedAndEscaped) {
  const struct {
    std::string text, markup;
  } cases[] = {
      {"<p region=\"up\">a|b", "a<br/>b"},
      {"<span>open", "<span>open</span>"},
      {"stray</span> end", "stray end"},
      {"<span>a<span>b</span", "<span>a<span>b&lt;/span</span></span>"},
      {"<span>a<set/>b</span></span>", "<span>a<set/>b</span>"},
      {"1 < 2 & 3 > 2 <b>", "1 &lt; 2 &amp; 3 &gt; 2 &lt;b&gt;"},
      {Mark(0) + Mark(1) + std::string(kLiteralBar) + Mark(3), "&amp;&lt;|&#160;"},
      {"bell\x07", "bell"},
  };
  for (const auto& c : cases) EXPECT_EQ(TtmlMarkup(c.text), c.markup) << c.text;
}

// A document cut short anywhere, or with a stray "<" or "&" put anywhere,
// still opens with every line in it, and is saved as it was.
TEST(Ttml, DamagedDocumentsKeepEveryLine) {
  const std::string whole = Document(
      "  <p begin=\"1s\" end=\"2s\" style=\"it\">One <span tts:fontWeight=\"bold\">two</span><br/>x</p>\n"
      "  <!-- note --><p begin=\"3s\"\n dur=\"1s\"><![CDATA[a]]>b</p>",
      " ttp:frameRate=\"25\"");
  std::vector<std::string> damaged;
  for (size_t at = 60; at < whole.size(); at += 5) {
    damaged.push_back(whole.substr(0, at) + "\n");
    damaged.push_back(whole.substr(0, at) + (at % 2 ? "<" : "&") + whole.substr(at));
  }
  for (const std::string& bytes : damaged) {
    Session s;
    Open(s, bytes);
    ASSERT_EQ(s.doc.Identity().readAs, &Ttml()) << bytes;
    EXPECT_EQ(test::Encoded(s.doc), bytes);
    std::string shown;
    for (const std::string& entry : s.doc.List1.Items()) shown += entry + "\n";
    for (size_t from = 0; from < bytes.size();) {
      const size_t nl = bytes.find('\n', from);
      const std::string line = bytes.substr(from, nl - from);
      from = nl + 1;
      // A line of the structure is an entry, or a paragraph's tag holds it.
      if (line.find("<p") == std::string::npos && line.find("dur=") == std::string::npos && !IsBlankLine(line)) {
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << bytes;
      }
    }
  }
}

}  // namespace
}  // namespace lm
