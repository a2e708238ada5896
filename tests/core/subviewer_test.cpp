// SubViewer 1 and 2 files: headers kept as lines of the file's structure,
// every other line kept, written back byte for byte, the rules, and
// conversion to and from SubRip and frames with the header each needs.
#include "formats/subviewer/subviewer.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Kept(std::string_view mark, const char* line) { return std::string(mark) + line; }
std::string Header(const char* line) { return Kept(kFormatLine, line); }

void Open(Session& s, const std::string& bytes, const char* path = "film.sub") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, path)) << bytes; });
}

const std::string kBar(kLiteralBar);

TEST(SubViewer, ReadsEveryLineAndWritesTheFileBackByteForByte) {
  const struct {
    const Format* format;
    std::string bytes;
    Lines entries;
  } cases[] = {
      // CR LF, Windows-1252, the header, a "|" that is text, blanks around
      // the comma, a note between cues, a cue without text.
      {&SubViewer2(),
       "[INFORMATION]\r\n[TITLE]Caf\xE9\r\n[AUTHOR]\r\n[END INFORMATION]\r\n[SUBTITLE]\r\n"
       "[COLF]&HFFFFFF,[STYLE]bd,[SIZE]18,[FONT]Arial\r\n00:00:01.00,00:00:03.50\r\nCaf\xE9[br]au lait\r\n\r\n"
       "00:00:04.00 , 00:00:05.00\r\nA | B\r\n\r\n\r\nstray line\r\n00:00:06.00,00:00:07.00\r\n\r\n",
       {Header("[INFORMATION]"), Header("[TITLE]Café"), Header("[AUTHOR]"), Header("[END INFORMATION]"),
        Header("[SUBTITLE]"), Header("[COLF]&HFFFFFF,[STYLE]bd,[SIZE]18,[FONT]Arial"),
        "{00:00:01.00}{00:00:03.50}Café|au lait", "{00:00:04.00}{00:00:05.00}A " + kBar + " B",
        Kept(kUnreadLine, "stray line"), "{00:00:06.00}{00:00:07.00}"}},
      // LF, UTF-8, no header, two text lines, no blank line at the end.
      {&SubViewer2(),
       "00:00:01.00,00:00:02.00\nOne\nTwo[BR]Three\n\n00:00:03.5,00:00:04.00\nD\xC3\xA9j\xC3\xA0\n",
       {"{00:00:01.00}{00:00:02.00}One|Two|Three", "{00:00:03.5}{00:00:04.00}Déjà"}},
      // The header's values on lines of their own, a cue without text, one
      // whose stop line is missing.
      {&SubViewer1(),
       "[TITLE]\nFilm\n[AUTHOR]\n\n[BEGIN]\n******** START SCRIPT ********\n[00:00:01]\nHello|there\n[00:00:03]\n\n"
       "[00:00:04]\n\n[00:00:06]\n\n[00:00:07]\nNo stop line\n[END]\n******** END SCRIPT ********\n",
       {Header("[TITLE]"), Header("Film"), Header("[AUTHOR]"), Header("[BEGIN]"),
        Header("******** START SCRIPT ********"), "{00:00:01}{00:00:03}Hello|there", "{00:00:04}{00:00:06}",
        "{00:00:07}{00:00:12}No stop line", Header("[END]"), Header("******** END SCRIPT ********")}},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    EXPECT_EQ(s.doc.Identity().readAs, c.format);
    EXPECT_EQ(s.doc.List1.Items(), c.entries);
    EXPECT_EQ(test::Encoded(s.doc), c.bytes);
  }
}

// A changed cue is written in the version's own syntax, the header and the
// blank lines around it as they were; what is written reads back as the
// same entries.
TEST(SubViewer, FixRemoveHiAndEditsWrittenBackAndReadAgain) {
  const struct {
    std::string bytes, written;
  } cases[] = {
      {"[INFORMATION]\r\n[END INFORMATION]\r\n00:00:04.00,00:00:08.00\r\n"
       "This is a rather long subtitle line that needs a break\r\n\r\n\r\n00:00:10.00,00:00:12.00\r\n"
       "[DOOR SLAMS][br]Who's there? | Me.\r\n",
       "[INFORMATION]\r\n[END INFORMATION]\r\n00:00:04.04,00:00:08.00\r\n"
       "This is a rather long subtitle[br]line that needs a break\r\n\r\n\r\n00:00:10.00,00:00:12.00\r\n"
       "Who's there? | Me.\r\n"},
      {"[TITLE]\nFilm\n[00:00:04]\nThis is a rather long subtitle line that needs a break\n[00:00:08]\n\n"
       "[00:00:10]\n[DOOR SLAMS]|Who's there?\n[00:00:12]\n\n[END]\n",
       "[TITLE]\nFilm\n[00:00:04]\nThis is a rather long subtitle|line that needs a break\n[00:00:08]\n\n"
       "[00:00:10]\nWho's there?\n[00:00:12]\n\n[END]\n"},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
    s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
    s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 2); });
    s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, 0); });
    const std::string bytes = test::Encoded(s.doc);
    EXPECT_EQ(bytes, c.written);
    Session again;
    Open(again, bytes);
    EXPECT_EQ(again.doc.List1.Items(), s.doc.List1.Items());
  }
}

TEST(SubViewer, ConvertsToAndFromSubRipAndFrames) {
  const struct {
    std::string from;
    const char* path;
    const Format* to;
    std::string expected;
  } cases[] = {
      {"1\n00:00:01,000 --> 00:00:03,456\n<i>Hello</i>\na | b\n\n", "a.srt", &SubViewer2(),
       "[INFORMATION]\n[TITLE]\n[AUTHOR]\n[SOURCE]\n[PRG]\n[FILEPATH]\n[DELAY]0\n[CD TRACK]0\n[COMMENT]\n"
       "[END INFORMATION]\n[SUBTITLE]\n00:00:01.00,00:00:03.46\nHello[br]a | b\n\n"},
      {"[INFORMATION]\r\n[TITLE]x\r\n[END INFORMATION]\r\n00:00:01.00,00:00:03.46\r\nHello[br]a | b\r\n", "a.sub",
       &SubRip(), "1\r\n00:00:01,000 --> 00:00:03,460\r\nHello\r\na | b\r\n"},
      {"{1}{1}25\n{25}{88}{y:i}Hello|there\n", "a.sub", &SubViewer1(),
       "[TITLE]\n\n[AUTHOR]\n\n[SOURCE]\n\n[PRG]\n\n[FILEPATH]\n\n[DELAY]\n0\n[CD TRACK]\n0\n[BEGIN]\n"
       "******** START SCRIPT ********\n[00:00:01]\nHello|there\n[00:00:04]\n\n[END]\n******** END SCRIPT ********\n"},
      {"[TITLE]\nx\n[00:00:01]\nHello\n[00:00:04]\n\n[00:00:05]\nNo stop\n", "a.sub", &MicroDvd(),
       "{1}{1}25\n{25}{100}Hello\n{125}{250}No stop\n"},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.from, c.path);
    EXPECT_EQ(test::Encoded(s.doc, c.to), c.expected) << c.from;
  }
}

}  // namespace
}  // namespace lm
