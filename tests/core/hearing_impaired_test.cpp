// Removal of hearing-impaired text in both style dialects: what is spoken
// stays, remarks, labels and the lines and dashes they leave go, each
// dialect's markup is kept where it belongs, and the count of rewrites.
#include <gtest/gtest.h>

#include "formats/registry.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

constexpr const char* kGone = "(deleted)";

std::string Times(const Format& format) { return format.Id() == "srt" ? "{00:00:01,000}{00:00:02,000}" : "{1}{2}"; }

struct Outcome {
  std::string text;  // kGone when the entry was deleted
  std::string message;
};

// One entry of `text` in `format`, through Remove hearing impaired text.
Outcome RemoveFrom(const Format& format, const std::string& text) {
  Document doc;
  test::Run(doc, [&] {
    doc.Load({Times(format) + text}, "/nowhere/film." + std::string(format.Extensions().front()),
             FileIdentity(Encoding::Utf8, LineEnd::Lf, &format));
    SelectEntry(doc, 0);
  });
  const CommandResult r = test::Run(doc, [&] { Rmhi_Click(doc); });
  Outcome out{kGone, r.messages.empty() ? "" : r.messages.front()};
  if (doc.List1.Count() == 1) out.text = doc.List1.Item(0).substr(Times(format).size());
  return out;
}

std::string Fixed(int n) { return n == 0 ? "No new changes" : "I fixed " + std::to_string(n) + " lines for You"; }

struct Case {
  const char* text;
  const char* expected;  // kGone: deleted
  int fixes;
};

void Check(const Format& format, const Case& c) {
  const Outcome out = RemoveFrom(format, c.text);
  // A cut may leave an empty span; the dialect says what goes then.
  const std::string expected =
      c.expected == std::string(kGone) ? kGone : format.Dialect().WithoutEmptySpans(c.expected);
  EXPECT_EQ(out.text, expected) << format.Id() << ": " << c.text;
  EXPECT_EQ(out.message, Fixed(c.fixes)) << format.Id() << ": " << c.text;
}

// Text without markup: the same in every dialect.
TEST(RemoveHi, KeepsWhatIsSpokenInBothDialects) {
  const Case cases[] = {
      {"[Anna] I love you. [sobs]", "I love you.", 2},
      {"[music] (laughs) - ", kGone, 1},
      {"Hi [dramatic|music] there", "Hi|there", 1},
      {"Hello (laughs), there.", "Hello, there.", 1},
      {"a [b] c [d", "a c [d", 1},
      {"Tell [him (quietly)] now (a [b) c] [x][y]", "Tell now", 4},
      {"Hello  there [x]", "Hello  there", 1},
      {"- [gasps]|- Who is it?", "Who is it?", 1},
      {"- [gasps]|Who is it?|- Me.", "Who is it?|- Me.", 1},
      {"[gunshot] - Go.|(chatter) - Now?", "- Go.|- Now?", 2},
      {"JOHN SMITH: Hi", "Hi", 1},
      {"MAN (whispering): Come", "Come", 2},
      {"ŻOŁNIERZ: Stój!|ΕΛΕΝΗ: Ναι|ОЛЬГА: Да", "Stój!|Ναι|Да", 3},
      {"OFFICER: - Go.|- Now?", "- Go.|- Now?", 1},
      {"MAN: WOMAN:|Hello", "Hello", 2},
      {"JOHN: (coughs)", kGone, 1},
      {"Note: the time is 10:30", "Note: the time is 10:30", 0},
      {"ROOM 10:30", "ROOM 10:30", 0},
      {"Łukasz: hello", "Łukasz: hello", 0},
      {"ONE TWO THREE FOUR FIVE: go", "ONE TWO THREE FOUR FIVE: go", 0},
      {"- Hello|-", "- Hello|-", 0},
      {"-|Hi|[music]", "-|Hi", 1},
  };
  for (const char* id : {"sub", "srt"})
    for (const Case& c : cases) Check(*FormatById(id), c);
}

// Markup stays where it styles what is left; the italic tags go as before.
TEST(RemoveHi, KeepsFrameBasedMarkupWhereItBelongs) {
  const Case cases[] = {
      {"{y:i}Whisper [door slams]", "Whisper", 2},
      {"{y:i}[door slams]", kGone, 1},
      {"Hi{y:i}", "Hi{y:i}", 0},
      {"{y:i}{y:i}x", "{y:i}x", 1},
      {"/[music]|/Hello", "/Hello", 1},
      {"{Y:b}[music]|Hello", "{Y:b}Hello", 1},
      {"{c:$0000FF}[music]|{y:b}Hello", "{y:b}Hello", 1},
      {"{c:$0000FF}(laughs) Hello", "{c:$0000FF}Hello", 1},
      {"Hello [{y:b}music] there", "Hello there", 1},
  };
  for (const Case& c : cases) Check(*FormatById("sub"), c);
}

TEST(RemoveHi, KeepsSubRipSpansWhole) {
  const Case cases[] = {
      {"<i>[Anna] I love you. [sobs]</i>", "I love you.", 4},
      {"<b>[music]</b>", kGone, 1},
      {"<b>[music]|Hello</b>", "<b>Hello</b>", 1},
      {"<b>Hello|[music]</b>", "<b>Hello</b>", 1},
      {"{\\an8}[music]|Hello", "{\\an8}Hello", 1},
      {"- <i>[gasps]</i>|- <i>Who?</i>", "Who?", 5},
      {"<font color=\"red\">MAN:</font> Hi", "<font color=\"red\"></font>Hi", 1},
      {"[trzask <b>drzwi]</b> Ulica", "<b></b>Ulica", 1},
  };
  for (const Case& c : cases) Check(*FormatById("srt"), c);
}

// The whole document in one walk, lines without times passed over, and one
// undo step that gives back every entry.
TEST(RemoveHi, WalksTheDocumentOnceAndUndoesInOneStep) {
  for (const char* id : {"sub", "srt"}) {
    const Format& format = *FormatById(id);
    const std::string t = Times(format);
    const Lines before{"[music] no times", t + "MAN: Hi", t + "(laughs)", t + "Fine", t + "- [a]|- B"};
    Session s;
    s.Run(CommandId::Open, [&] {
      s.doc.Load(before, "/nowhere/film." + std::string(format.Extensions().front()),
                 FileIdentity(Encoding::Utf8, LineEnd::Lf, &format));
      SelectEntry(s.doc, 0);
    });
    const CommandResult r = s.Run(CommandId::RemoveHearingImpaired, [&] { Rmhi_Click(s.doc); });
    EXPECT_EQ(s.doc.List1.Items(), (Lines{"[music] no times", t + "Hi", t + "Fine", t + "B"})) << id;
    EXPECT_EQ(r.messages, Lines{"I fixed 3 lines for You"}) << id;
    s.Run(CommandId::Undo, [&] { s.doc.Undo(); });
    EXPECT_EQ(s.doc.List1.Items(), before) << id;
  }
}

// Many remarks and labels in one entry cost no more than one pass each.
TEST(RemoveHi, LongEntriesAreCutWhole) {
  std::string remarks, labels, open;
  for (int i = 0; i < 4000; ++i) remarks += "(a) [b] ";
  for (int i = 0; i < 8000; ++i) labels += "A: ";
  open = std::string(30000, '(') + "x";
  EXPECT_EQ(RemoveFrom(*FormatById("sub"), remarks + "word").text, "word");
  const Outcome cut = RemoveFrom(*FormatById("srt"), labels + "go");
  EXPECT_EQ(cut.text, "go");
  EXPECT_EQ(cut.message, Fixed(8000));
  EXPECT_EQ(RemoveFrom(*FormatById("sub"), open).text, open);
}

TEST(RemoveHi, AnEntryTooLongToCountStopsTheWalkThere) {
  Document doc;
  test::Load(doc, {"{1}{2}[a] b", "{3}{4}" + std::string(40000, 'x'), "{5}{6}[c] d"});
  const CommandResult r = test::Run(doc, [&] { Rmhi_Click(doc); });
  EXPECT_EQ(r.messages, Lines{"Some shit"});
  EXPECT_EQ(doc.List1.Item(0), "{1}{2}b") << "what came before is done";
  EXPECT_EQ(doc.List1.Item(2), "{5}{6}[c] d");
  EXPECT_EQ(doc.CurrentIndex, 1);
}

}  // namespace
}  // namespace lm
