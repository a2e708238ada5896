// TMPlayer files: the stops a file does not write, read and written the one
// way; the three ways of writing times kept; the rules and conversions; and
// detection by content among every format that shares ".txt" and ".sub".
#include "formats/tmplayer/tmplayer.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/mpl2/mpl2.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "formats/subviewer/subviewer.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Kept(std::string_view mark, const char* line) { return std::string(mark) + line; }

void Open(Session& s, const std::string& bytes, const char* path = "film.txt") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, path)) << bytes; });
}

// A time without text ends the entry before it; an entry nothing ends lasts
// until the next starts, five seconds at most.
TEST(TmPlayer, ReadsEveryLineAndWritesTheFileBackByteForByte) {
  const struct {
    std::string bytes;
    Lines entries;
  } cases[] = {
      {"00:00:01:Hello there\n00:00:03:\n00:00:04:Caf\xC3\xA9|now\n\n00:00:09:\n00:00:10:Long gap\n00:00:30:Last\n",
       {"{00:00:01}{00:00:03}Hello there", "{00:00:04}{00:00:09}Café|now", "{00:00:10}{00:00:15}Long gap",
        "{00:00:30}{00:00:35}Last"}},
      // CR LF, Windows-1250, one-digit hours and "=", a time that ends
      // nothing, a note, a time that a note keeps from its entry.
      {"0:00:01=Dzie\xF1 dobry\r\n0:00:02=Jak si\xEA masz?\r\n0:00:05=\r\n0:00:06=\r\nNapisy: ktos\r\n"
       "0:00:08=Koniec\r\nkoniec napis\xF3w\r\n0:00:09=\r\n",
       {"{0:00:01}{00:00:02}Dzień dobry", "{0:00:02}{0:00:05}Jak się masz?", Kept(kFormatLine, "0:00:06="),
        Kept(kUnreadLine, "Napisy: ktos"), "{0:00:08}{00:00:13}Koniec", Kept(kUnreadLine, "koniec napisów"),
        Kept(kFormatLine, "0:00:09=")}},
      // A screen line a line.
      {"00:00:50,1=This is the Earth at a time\r\n00:00:50,2=when the dinosaurs roamed...\r\n00:00:53,1=\r\n"
       "00:00:54,1=a lush and fertile planet.\r\n00:00:56,1=\r\n",
       {"{00:00:50}{00:00:53}This is the Earth at a time|when the dinosaurs roamed...",
        "{00:00:54}{00:00:56}a lush and fertile planet."}},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    EXPECT_EQ(s.doc.Identity().readAs, &TmPlayer());
    EXPECT_EQ(s.doc.List1.Items(), c.entries);
    EXPECT_EQ(test::Encoded(s.doc), c.bytes);
  }
}

// A stop is written as a time without text only where the next start would
// not give it back; one after the next start cannot be written.
TEST(TmPlayer, StopsAreWrittenWhereTheNextStartDoesNotGiveThemBack) {
  const Lines entries = {"{00:00:01}{00:00:03}A", "{00:00:03}{00:00:05}B", "{00:00:05}{00:00:12}C",
                         "{00:00:12}{00:00:14}D", "{00:00:13}{00:00:20}E"};
  std::string bytes;
  ASSERT_TRUE(EncodeSubtitleFile(entries, FileIdentity(Encoding::Utf8, LineEnd::Lf, &TmPlayer()), bytes));
  EXPECT_EQ(bytes, "00:00:01:A\n00:00:03:B\n00:00:05:C\n00:00:12:\n00:00:12:D\n00:00:13:E\n00:00:20:\n");
  SubtitleFile file;
  ASSERT_EQ(ParseSubtitleFile(bytes, file), ReadStatus::Ok);
  Lines expected = entries;
  expected[3] = "{00:00:12}{00:00:13}D";  // the next entry ends it
  EXPECT_EQ(file.lines, expected);
}

// Whole seconds: the one- and ten-frame buttons leave a time where it is
// (written anew as "HH:MM:SS"), a hundred frames move it four seconds. An
// entry written anew keeps the file's "="; an untouched one that its
// neighbour no longer ends gets its stop written.
TEST(TmPlayer, FixRemoveHiAndEditsWrittenBackAndReadAgain) {
  Session s;
  Open(s,
       "0:00:04=This is a rather long subtitle line that needs a break\n0:00:08=\n"
       "0:00:10=[DOOR SLAMS] Who's there?\n0:00:12=Next\n0:00:14=Gone\n0:00:16=\n");
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 0); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 10, -10); });
  EXPECT_EQ(s.doc.List1.Item(0).substr(0, 20), "{00:00:04}{00:00:08}");
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, -100, 0); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 3); });
  s.Run(CommandId::EditEntry, [&] { Command1_Click(s.doc); });
  const std::string bytes = test::Encoded(s.doc);
  EXPECT_EQ(bytes,
            "00:00:00=This is a rather long subtitle|line that needs a break\n00:00:08=\n0:00:10=Who's there?\n"
            "0:00:12=Next\n00:00:14=\n");
  Session again;
  Open(again, bytes);
  EXPECT_EQ(again.doc.List1.Items(), s.doc.List1.Items());
}

TEST(TmPlayer, ConvertsToAndFromSubRipAndFrames) {
  const struct {
    std::string from;
    const char* path;
    const Format* to;
    std::string expected;
  } cases[] = {
      {"00:00:01:Hello|there\n00:00:03:\n00:00:04:Bye\n", "a.txt", &SubRip(),
       "1\n00:00:01,000 --> 00:00:03,000\nHello\nthere\n\n2\n00:00:04,000 --> 00:00:09,000\nBye\n\n"},
      {"1\r\n00:00:01,000 --> 00:00:02,400\r\nHi\r\n\r\n2\r\n00:00:02,600 --> 00:00:04,000\r\n<i>Bye</i>\r\n", "a.srt",
       &TmPlayer(), "00:00:01:Hi\r\n00:00:02:\r\n00:00:03:Bye\r\n00:00:04:\r\n"},
      {"0:00:01=Hi|there\n0:00:02=\n", "a.txt", &MicroDvd(), "{1}{1}25\n{25}{50}Hi|there\n"},
      {"{1}{1}25\n{25}{50}{y:i}Hi\n{75}{100}Bye\n", "a.sub", &TmPlayer(),
       "00:00:01:Hi\n00:00:02:\n00:00:03:Bye\n00:00:04:\n"},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.from, c.path);
    EXPECT_EQ(test::Encoded(s.doc, c.to), c.expected) << c.from;
  }
}

// Content decides; the extension only breaks ties. Time codes with frames
// (Scenarist, Spruce) are no TMPlayer times.
TEST(Detection, ByContentAmongFormatsThatShareExtensions) {
  const std::string frames = "{1}{25}Hello\n{26}{50}Bye\n";
  const std::string subrip = "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n";
  const std::string mpl2 = "[10][20]Hello\n[30][40]/Bye\n";
  const std::string tmplayer = "00:00:01:Hello\n00:00:02:\n00:00:03=Bye\n";
  const std::string subviewer2 = "[INFORMATION]\n[TITLE]x\n[END INFORMATION]\n00:00:01.00,00:00:02.00\nHello\n";
  const std::string subviewer1 = "[TITLE]\nx\n[00:00:01]\nHello\n[00:00:02]\n\n[00:00:03]\nBye\n[00:00:04]\n";
  const std::string scc = "Scenarist_SCC V1.0\n\n00:00:01:00\t9420 9420 94ae 94ae\n\n00:00:02:00\t942c 942c\n";
  const std::string spruce = "00:00:01:00 , 00:00:03:00 , Hello\n00:00:04:00 , 00:00:05:00 , Bye\n";
  const struct {
    const std::string& text;
    const Format* format;
    const char* looksLike;
  } cases[] = {
      {frames, &MicroDvd(), ""},       {subrip, &SubRip(), ""},         {mpl2, &Mpl2(), ""},
      {tmplayer, &TmPlayer(), ""},     {subviewer2, &SubViewer2(), ""}, {subviewer1, &SubViewer1(), ""},
      {scc, nullptr, "Scenarist SCC"}, {spruce, nullptr, "Spruce STL"},
  };
  for (const auto& c : cases) {
    for (const char* path : {"", "film.sub", "film.txt", "film.srt", "film.mpl"}) {
      SubtitleFile file;
      EXPECT_EQ(ParseSubtitleFile(c.text, file, std::nullopt, kDefaultFrameRate, path),
                c.format ? ReadStatus::Ok : ReadStatus::Unrecognised)
          << path << "\n"
          << c.text;
      if (c.format) {
        EXPECT_EQ(file.identity.readAs, c.format) << path << "\n" << c.text;
      }
      EXPECT_EQ(file.looksLike, c.looksLike) << path;
    }
  }
}

}  // namespace
}  // namespace lm
