// MPL2 files: written back byte for byte, every line kept, the rules and
// the frame buttons in deciseconds, conversion to and from SubRip and frames.
#include "formats/mpl2/mpl2.h"

#include <gtest/gtest.h>

#include "editor/line_commands.h"
#include "formats/subrip/subrip.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

std::string Unread(const char* line) { return std::string(kUnreadLine) + line; }

void Open(Session& s, const std::string& bytes, const char* path = "film.txt") {
  s.Run(CommandId::Open, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, path)) << bytes; });
}

TEST(Mpl2, ReadsEveryLineAndWritesTheFileBackByteForByte) {
  const struct {
    std::string bytes;
    Lines entries;
    size_t unread;
  } cases[] = {
      // CR LF, Windows-1250, a blank line, an open stop, a note, blanks in
      // the brackets, an entry without text.
      {"[0][25]/Zaczynamy.\r\n\r\n[30][]Pan Wo\xB3odyjowski|i jego \xBF"
       "ona.\r\nNapisy: ktos\r\n[ 80 ][ 110 ]Dzie\xF1 dobry\r\n[120][150]\r\n",
       {"{0}{25}/Zaczynamy.", "{30}{80}Pan Wołodyjowski|i jego żona.", Unread("Napisy: ktos"), "{80}{110}Dzień dobry",
        "{120}{150}"},
       1},
      // LF, UTF-8, blank lines at the end, a time before the start, an open
      // stop five seconds at most.
      {"[-5][30]Early\n[40][]Caf\xC3\xA9 au lait\n[200][210]/Bye|/now\n\n\n",
       {"{-5}{30}Early", "{40}{90}Café au lait", "{200}{210}/Bye|/now"},
       0},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.bytes);
    EXPECT_EQ(s.doc.Identity().readAs, &Mpl2());
    EXPECT_EQ(s.doc.List1.Items(), c.entries);
    EXPECT_EQ(s.doc.FileNotes().size(), c.unread) << "a note counts the lines not read";
    EXPECT_EQ(test::Encoded(s.doc), c.bytes);
  }
}

// The rules work in deciseconds: a cut entry's second half starts a frame
// later, to the nearest decisecond; a frame (40 ms at 25 fps) is less than
// half of one, so the one-frame buttons leave a time where it is and ten
// frames move it four deciseconds.
TEST(Mpl2, FixRemoveHiAndTheFrameButtonsWrittenBackAndReadAgain) {
  Session s;
  Open(s,
       "[40][80]This is a rather long subtitle line that needs a break\r\n"
       "[100][120][DOOR SLAMS] Who's there?\r\n"
       "[360][440]We have been walking for hours and hours|along the river bank and nobody has seen a single boat\r\n"
       "[450][470]/Open\r\n");
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { Rmhi_Click(s.doc); });
  s.Run(CommandId::EditEntry, [&] { SelectEntry(s.doc, 0); });
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 1, -1); });
  EXPECT_EQ(s.doc.List1.Item(0).substr(0, 8), "{40}{80}");
  s.Run(CommandId::EditEntry, [&] { AdjustFrames(s.doc, 10, -10); });
  s.Run(CommandId::EditEntry, [&] { s.doc.SetItem(4, "{450}{470}/Changed|again"); });
  const std::string bytes = test::Encoded(s.doc);
  EXPECT_EQ(bytes,
            "[44][76]This is a rather long subtitle|line that needs a break\r\n"
            "[100][120]Who's there?\r\n"
            "[360][400]We have been walking for|hours and hours along\r\n"
            "[400][440]the river bank and nobody|has seen a single boat\r\n"
            "[450][470]/Changed|again\r\n");
  Session again;
  Open(again, bytes);
  EXPECT_EQ(again.doc.List1.Items(), s.doc.List1.Items());
}

TEST(Mpl2, ConvertsToAndFromSubRipAndFrames) {
  const struct {
    std::string from;
    const char* path;
    const Format* to;
    std::string expected;
  } cases[] = {
      {"[10][35]Hello|/there\n[40][]Bye\n", "a.txt", &SubRip(),
       "1\n00:00:01,000 --> 00:00:03,500\nHello\n<i>there</i>\n\n2\n00:00:04,000 --> 00:00:09,000\nBye\n\n"},
      {"1\r\n00:00:01,040 --> 00:00:03,560\r\n<i>Hi</i>\r\nthere\r\n\r\n", "a.srt", &Mpl2(), "[10][36]/Hi|there\r\n"},
      {"[10][35]/Hello\n", "a.mpl", &MicroDvd(), "{1}{1}25\n{25}{88}{y:i}Hello\n"},
      {"{1}{1}25\n{25}{88}{y:i}Hello|Bye\n", "a.sub", &Mpl2(), "[10][35]/Hello|Bye\n"},
  };
  for (const auto& c : cases) {
    Session s;
    Open(s, c.from, c.path);
    EXPECT_EQ(test::Encoded(s.doc, c.to), c.expected) << c.from;
  }
}

TEST(Mpl2Times, DecisecondsAsMillisecondsToTheNearest) {
  const TimeSyntax& times = Mpl2().Times();
  const std::pair<const char*, std::optional<int64_t>> fields[] = {
      {"604", 60400}, {" 0 ", 0}, {"-5", -500}, {"6.4", {}}, {"", {}}, {"1234567890123456", {}}, {"--1", {}}};
  for (const auto& [field, ms] : fields) EXPECT_EQ(times.Parse(field), ms) << field;
  const std::pair<int64_t, const char*> written[] = {{60440, "604"}, {60450, "605"}, {-540, "-5"}, {-40, "0"}};
  for (const auto& [ms, field] : written) EXPECT_EQ(times.Format(ms), field) << ms;
}

}  // namespace
}  // namespace lm
