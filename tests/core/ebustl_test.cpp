// EBU STL files built here block by block from the field list: each code
// table, teletext styles, extension blocks and comments read; unchanged
// files written back byte for byte; fixed, cleaned and edited files read
// back to the same entries; conversions to and from SubRip and frames.
#include "formats/ebustl/ebustl.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

const std::string kOn = ControlMark(0x80), kOff = ControlMark(0x81), kDouble = ControlMark(0x0D),
                  kBox = ControlMark(0x0B), kUnbox = ControlMark(0x0A), kRed = ControlMark(0x01),
                  kUnderline = ControlMark(0x82), kNoUnderline = ControlMark(0x83);

std::string Two(int n) { return std::string{char('0' + n / 10 % 10), char('0' + n % 10)}; }

// A GSI block: the fields a real file fills, blanks elsewhere.
std::string Gsi(const std::string& dfc, const std::string& cct, int mnc = 40, int blocks = 0) {
  std::string b(1024, ' ');
  auto put = [&](size_t at, const std::string& v) { b.replace(at, v.size(), v); };
  put(0, "850");
  put(3, dfc);
  put(11, "1");
  put(12, cct);
  put(14, "09");
  put(16, "Film");
  put(224, "250101250102");
  put(236, "01");
  put(238, "000" + Two(blocks));
  put(243, "000" + Two(blocks));
  put(248, "001");
  put(251, Two(mnc));
  put(253, "23");
  put(255, "1");
  put(256, "1000000010000000");
  put(272, "11GBR");
  return b;
}

struct Block {
  int sn;
  int in[4], out[4];
  std::string text;
  int ebn = 0xFF, vp = 20, jc = 2, cf = 0, cs = 0;
};

std::string Tti(const Block& k) {
  std::string b{0, char(k.sn & 0xFF), char(k.sn >> 8), char(k.ebn), char(k.cs)};
  for (int t : k.in) b += char(t);
  for (int t : k.out) b += char(t);
  b += {char(k.vp), char(k.jc), char(k.cf)};
  b += k.text;
  b.resize(128, '\x8F');
  return b;
}

std::string Stl(const std::string& gsi, const std::vector<Block>& blocks) {
  std::string out = gsi;
  for (const Block& k : blocks) out += Tti(k);
  return out;
}

// 10:00:01:00 at 25 fps.
constexpr int kTen = 10 * 3600 * 25;

SubtitleFile Parsed(const std::string& bytes) {
  SubtitleFile file;
  EXPECT_EQ(ParseSubtitleFile(bytes, file, std::nullopt, 25, "film.stl"), ReadStatus::Ok);
  EXPECT_EQ(file.identity.readAs, &EbuStl());
  return file;
}

// The entries after the header.
Lines Subtitles(const Lines& lines) { return Lines(lines.begin() + 1, lines.end()); }

void Open(Session& s, const std::string& bytes) {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, "film.stl")); });
}

struct ReadCase {
  const char* name;
  std::string cct;
  std::string field;
  std::string entry;
  int vp = 20, jc = 2;
};

TEST(EbuStl, ReadsEachCodeTableWithItsStyles) {
  const ReadCase cases[] = {
      // Double-height teletext rows, boxed, two breaks apart; a diacritic
      // before its letter.
      {"Latin", "00",
       "\x0D\x0B\x0B\x80"
       "Caf\xC2"
       "e $5\x81\x0A\x0A\x8A\x8A\x0D\x0B\x0B\xC8Uber|alles\x0A\x0A",
       kDouble + kBox + kBox + kOn + "Caf\xC3\xA9 $5" + kOff + kUnbox + kUnbox + "|" + kDouble + kBox + kBox +
           "\xC3\x9C"
           "ber" +
           std::string(kLiteralBar) + "alles" + kUnbox + kUnbox},
      {"Cyrillic", "01", "\x01\xBF\xE0\xD8\xD2\xD5\xE2", kRed + "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"Arabic", "02", "\xC7\xC8", "\xD8\xA7\xD8\xA8", 1, 3},
      {"Greek", "03", "\x82\xE1\xE2\x83", kUnderline + "\xCE\xB1\xCE\xB2" + kNoUnderline},
      {"Hebrew", "04", "\xE0\xE1", "\xD7\x90\xD7\x91", 20, 1},
  };
  for (const ReadCase& c : cases) {
    const SubtitleFile file =
        Parsed(Stl(Gsi("STL25.01", c.cct), {{1, {10, 0, 1, 0}, {10, 0, 3, 12}, c.field, 0xFF, c.vp, c.jc}}));
    const std::string placed = c.vp == 1 ? PlacementMark(9) : c.jc == 1 ? PlacementMark(1) : "";
    EXPECT_EQ(Subtitles(file.lines),
              Lines{"{" + std::to_string(kTen + 25) + "}{" + std::to_string(kTen + 87) + "}" + placed + c.entry})
        << c.name;
    EXPECT_NE(file.lines[0].find("EBU STL STL25.01 (25 fps)"), std::string::npos) << c.name;
    EXPECT_TRUE(file.notes.empty()) << c.name << ": " << file.notes.front();
  }
}

TEST(EbuStl, KeepsEveryRecordOfAnOddFile) {
  const std::string long1(112, 'a'), long2 = "bc";
  const std::string bytes =
      Stl(Gsi("STL30.01", "00", 30), {{0, {0, 0, 1, 0}, {0, 0, 2, 0}, long1, 0x00},
                                      {0, {0, 0, 1, 0}, {0, 0, 2, 0}, long2},
                                      {1, {0, 0, 3, 0}, {0, 0, 4, 0}, "Checked by: Ann", 0xFF, 20, 2, 1},
                                      {2, {0, 0, 5, 0}, {0, 0, 6, 0}, "A row longer than thirty characters"},
                                      {3, {0, 0, 7, 0}, {0, 0, 8, 0}, "Bad \x9F byte"},
                                      {4, {0, 0, 0, 0}, {0, 0, 0, 0}, "vendor data", 0xFE}}) +
      "tail";
  const SubtitleFile file = Parsed(bytes);
  EXPECT_EQ(file.identity.frameRate, 30);
  const std::string kept = "\xF4\x8F\xBE\x9F";  // the undefined byte, kept
  EXPECT_EQ(Subtitles(file.lines),
            (Lines{"{30}{60}" + long1 + long2, std::string(kFormatLine) + "comment 1: Checked by: Ann",
                   "{150}{180}A row longer than thirty characters", "{210}{240}Bad " + kept + " byte",
                   std::string(kFormatLine) + "user data block 4",
                   std::string(kUnreadLine) + "4 bytes after the last block"}));
  EXPECT_EQ(file.notes, (Lines{"4 bytes after the last whole block are kept as they were",
                               "1 byte that the Latin code table does not define is kept as it is",
                               "2 subtitles have a row longer than the file's 30 characters (MNC; entry 2 first)"}));
  Document doc;
  test::Run(doc, [&] { doc.Load(file.lines, "film.stl", file.identity, file.sources); });
  EXPECT_EQ(test::Encoded(doc), bytes) << "unchanged, byte for byte";
}

TEST(EbuStl, UnchangedFilesAreWrittenByteForByte) {
  const std::string files[] = {
      // Numbers from 0, totals that do not add up, a revision number.
      Stl(Gsi("STL25.01", "00", 38, 7), {{0, {10, 0, 0, 5}, {10, 0, 2, 0}, "\x80Hi\x81"},
                                         {5,
                                          {10, 0, 3, 0},
                                          {10, 0, 4, 24},
                                          "\x0D\x07"
                                          "Bye\x8A\x0D"
                                          "now",
                                          0xFF,
                                          1}}),
      Stl(Gsi("STL25.01", "01", 40), {{1, {0, 1, 0, 0}, {0, 1, 1, 0}, "\xBF\xE0\xD8", 0xFF, 22, 0, 0, 1}}),
      Gsi("STL25.01", "00"),
  };
  for (const std::string& bytes : files) {
    Session s;
    Open(s, bytes);
    EXPECT_EQ(test::Encoded(s.doc), bytes);
  }
}

TEST(EbuStl, FixAndRemoveHiAreWrittenAndReadBackTheSame) {
  const std::string bytes =
      Stl(Gsi("STL25.01", "00", 40, 3),
          {{1, {0, 0, 4, 0}, {0, 0, 8, 0}, "This is a rather long subtitle line that needs a break", 0xFF, 22, 2, 0, 0},
           {2,
            {0, 0, 10, 0},
            {0, 0, 12, 0},
            "\x80[music]\x81\x8A"
            "Come \xC1"
            "a la maison",
            0xFF,
            1,
            1},
           {3, {0, 0, 13, 0}, {0, 0, 14, 0}, "Untouched"}});
  Session s;
  Open(s, bytes);
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  EXPECT_EQ(Subtitles(s.doc.List1.Items()),
            (Lines{"{100}{200}This is a rather long subtitle|line that needs a break",
                   "{250}{300}" + PlacementMark(7) + "Come \xC3\xA0 la maison", "{325}{350}Untouched"}));
  const std::string written = test::Encoded(s.doc);
  const SubtitleFile again = Parsed(written);
  EXPECT_EQ(Subtitles(again.lines), Subtitles(s.doc.List1.Items()));
  // The file says it changed; the untouched block is as it was, the
  // changed ones keep their position.
  EXPECT_EQ(written.substr(238, 10), "0000300003");
  EXPECT_EQ(written.substr(236, 2), "02");
  EXPECT_EQ(written.substr(1024 + 2 * 128), bytes.substr(1024 + 2 * 128));
  EXPECT_EQ(written.substr(1024 + 13, 2), "\x16\x02");
  EXPECT_EQ(written.substr(1024 + 128 + 13, 2), "\x01\x01");
}

// Cut in two by the fix, a subtitle's halves each keep its italics and its
// place at the top; each is written with blocks of its own.
TEST(EbuStl, ASubtitleCutInTwoKeepsItsStyleInBothHalves) {
  Session s;
  Open(s, Stl(Gsi("STL25.01", "00", 40, 1), {{1,
                                              {0, 1, 0, 0},
                                              {0, 1, 4, 0},
                                              "\x80This first line is definitely much longer than allowed\x8A"
                                              "and this second line is also longer than it should be\x81",
                                              0xFF,
                                              1}}));
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  const std::string top = PlacementMark(8);
  const Lines halves{"{1500}{1550}" + top + kOn + "This first line is definitely|much longer than allowed" + kOff,
                     "{1551}{1600}" + top + kOn + "and this second line is also|longer than it should be" + kOff};
  EXPECT_EQ(Subtitles(s.doc.List1.Items()), halves);
  const std::string written = test::Encoded(s.doc);
  ASSERT_EQ(written.size(), 1024u + 2 * 128);
  EXPECT_EQ(written.substr(1024 + 128 + 13, 2), "\x01\x02") << "the new half at the top too";
  EXPECT_EQ(Subtitles(Parsed(written).lines), halves);
}

TEST(EbuStl, EditsSplitsAndUndoAreWrittenInTheFilesTable) {
  const std::string bytes = Stl(Gsi("STL25.01", "01", 40, 2), {{1, {0, 0, 1, 0}, {0, 0, 3, 0}, "\xBF\xE0\xD8"},
                                                               {2, {0, 0, 4, 0}, {0, 0, 6, 0}, "\xD2\xD5\xE2"}});
  Session s;
  Open(s, bytes);
  // A split gives a subtitle without blocks of its own: all are numbered anew.
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 2); });
  s.Run(CommandId::EditEntry, [&] { Command14_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { s.doc.SetItem(1, "{25}{75}\xD0\xB4\xD0\xB0 |" + kOn + "x" + kOff); });
  const std::string written = test::Encoded(s.doc);
  EXPECT_EQ(Subtitles(Parsed(written).lines), Subtitles(s.doc.List1.Items()));
  EXPECT_EQ(written.substr(1024 + 16, 6), "\xD4\xD0\x20\x8A\x80x");
  for (int k = 0; k < 3; ++k) EXPECT_EQ(written[1024 + k * 128 + 1], char(k + 1)) << k;
  // Latin letters do not fit a Cyrillic table: nothing is written.
  s.Run(CommandId::EditEntry, [&] {
    s.doc.SetItem(1,
                  "{25}{75}\xC5\x81\xC3\xB3"
                  "d\xC5\xBA");
  });
  std::string none, why;
  EXPECT_FALSE(EncodeDocument(s.doc, nullptr, none, &why));
  EXPECT_EQ(why, "\xC5\x81, \xC3\xB3 and \xC5\xBA do not fit the Latin/Cyrillic code table of the file, not written");
  while (s.doc.CanUndo()) s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
  EXPECT_EQ(test::Encoded(s.doc), bytes);
}

struct ConvertCase {
  const char* name;
  double fps;
  std::string dfc;
  std::string text;  // SubRip
  std::string cct;
};

TEST(EbuStl, ConvertedFromSubRipIsAValidFileWithItsOwnHeader) {
  const ConvertCase cases[] = {
      {"Latin", 25, "STL25.01",
       "<i>Na\xC3\xAFve caf\xC3\xA9,</i>\n\xC5\x82\xC3\xB3"
       "d\xC5\xBA",
       "00"},
      {"Cyrillic", 30, "STL30.01", "\xD0\x9F\xD1\x80\xD0\xB8", "01"},
      {"Greek", 23.976, "STL23.01", "{\\an8}\xCE\xB1\xCE\xB2", "03"},
  };
  for (const ConvertCase& c : cases) {
    Document doc;
    test::Run(doc, [&] {
      ASSERT_TRUE(LoadSubtitleText(
          doc,
          "1\r\n00:00:01,000 --> 00:00:03,500\r\n" + c.text + "\r\n\r\n2\r\n01:00:00,020 --> 01:00:02,000\r\nBye\r\n",
          "film.srt", std::nullopt, c.fps));
    });
    Profile narrow;
    narrow.charactersPerLine = 37;
    doc.SetProfile(narrow);
    const std::string bytes = test::Encoded(doc, &EbuStl());
    ASSERT_EQ(bytes.size(), 1024u + 2 * 128) << c.name;
    EXPECT_EQ(bytes.substr(0, 16), "850" + c.dfc + "1" + c.cct + "00") << c.name;
    EXPECT_EQ(bytes.substr(238, 15), "000020000200137") << c.name;
    EXPECT_EQ(bytes.substr(253, 11), "23100000000") << c.name;
    const SubtitleFile file = Parsed(bytes);
    Document stl;
    test::Run(stl, [&] { stl.Load(file.lines, "film.stl", file.identity, file.sources); });
    // Back to SubRip: texts, italics, placement and times (within a frame).
    std::string srt = test::Encoded(stl, &SubRip());
    for (size_t at; (at = srt.find('\r')) != std::string::npos;) srt.erase(at, 1);
    EXPECT_NE(srt.find("1\n00:00:01,0"), std::string::npos) << c.name << srt;
    EXPECT_NE(srt.find(" --> 00:00:03,5"), std::string::npos) << c.name << srt;
    EXPECT_NE(srt.find("01:00:00,0"), std::string::npos) << c.name << srt;
    EXPECT_NE(srt.find(c.text + "\n\n2\n"), std::string::npos) << c.name << srt;
  }
}

TEST(EbuStl, ConvertedToFramesKeepsTimesAndItalics) {
  Document doc;
  test::Run(doc, [&] {
    ASSERT_TRUE(LoadSubtitleText(doc,
                                 Stl(Gsi("STL25.01", "00", 40, 1), {{1,
                                                                     {0, 0, 1, 5},
                                                                     {0, 0, 3, 0},
                                                                     "\x80Hello\x8A"
                                                                     "there\x81"}}),
                                 "film.stl"));
  });
  EXPECT_EQ(test::Encoded(doc, FormatById("sub")), "{1}{1}25\r\n{30}{75}{y:i}Hello|{y:i}there\r\n");
}

// --to-fps renumbers the frames: the file names its new rate, every time
// code stays at its moment.
TEST(EbuStl, ANewFrameRateIsNamedInTheFile) {
  Session s;
  Open(s, Stl(Gsi("STL25.01", "00", 40, 1), {{1, {0, 0, 2, 0}, {0, 0, 4, 10}, "Hi"}}));
  s.Run(CommandId::EditEntry, [&] { ChangeFrameRate(s.doc, 30); });
  const std::string written = test::Encoded(s.doc);
  EXPECT_EQ(written.substr(3, 8), "STL30.01");
  EXPECT_EQ(written.substr(1024 + 5, 8), std::string("\0\0\2\0\0\0\4\x0C", 8));
  EXPECT_EQ(Subtitles(Parsed(written).lines), Lines{"{60}{132}Hi"});
}

TEST(EbuStl, TheCommandLineConvertsToAndFromIt) {
  test::TempDir dir;
  test::Put(dir.File("film.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Hello</i>\r\n");
  const std::string run = "cd '" + dir.path() + "' && '" LINEMEND_CLI "' ";
  ASSERT_EQ(std::system((run + "convert film.srt -o film.stl --fps 25").c_str()), 0);
  const std::string stl = test::Get(dir.File("film.stl"));
  ASSERT_EQ(stl.size(), 1024u + 128);
  EXPECT_EQ(stl.substr(1024 + 5, 8), std::string("\0\0\1\0\0\0\2\0", 8));
  EXPECT_EQ(stl.substr(1024 + 16, 8), "\x80Hello\x81\x8F");
  ASSERT_EQ(std::system((run + "convert film.stl -o back.srt").c_str()), 0);
  EXPECT_EQ(test::Get(dir.File("back.srt")), "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Hello</i>\r\n\r\n");
}

// Detection goes by the bytes, whatever the name says.
TEST(EbuStl, TheBytesDecideNotTheName) {
  const std::string stl = Stl(Gsi("STL25.01", "00", 40, 1), {{1, {0, 0, 1, 0}, {0, 0, 2, 0}, "Hi"}});
  const struct {
    std::string bytes, name;
    const char* format;  // nullptr: refused
  } cases[] = {
      {stl, "film.srt", "stl"},
      {stl, "film.sub", "stl"},
      {"1\n00:00:01,000 --> 00:00:02,000\nHi\n", "film.stl", "srt"},
      {"{1}{25}Hi\n", "film.stl", "sub"},
      {"$FontName = Arial\n00:00:01:00 , 00:00:03:00 , Hi\n", "film.stl", nullptr},
      {"850STL25.01" + std::string(100, ' '), "short.stl", nullptr},
  };
  for (const auto& c : cases) {
    SubtitleFile file;
    const ReadStatus status = ParseSubtitleFile(c.bytes, file, std::nullopt, 25, c.name);
    if (!c.format) {
      EXPECT_EQ(status, ReadStatus::Unrecognised) << c.name;
      continue;
    }
    ASSERT_EQ(status, ReadStatus::Ok) << c.name;
    EXPECT_EQ(file.identity.readAs->Id(), c.format) << c.name;
  }
}

}  // namespace
}  // namespace lm
