// Natural breaks through "Fix text automatic": the broadcasters' guidance in
// several languages (what a subtitler would choose, and why), hyphenated
// words, French spacing, two speakers, divisions at clause ends, and the
// language guess. The middle style's own examples stay in fixing_test.cpp and
// the golden master.
#include "rules/natural_breaks.h"

#include <gtest/gtest.h>
#include <random>

#include "formats/microdvd/microdvd.h"
#include "formats/registry.h"
#include "formats/subrip/subrip.h"
#include "model/profiles.h"
#include "model/style.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

Profile Natural(const char* language = "", int characters = 41) {
  Profile p;
  p.name = "natural";
  p.charactersPerLine = characters;
  p.breaks = BreakStyle::Natural;
  p.language = BreakLanguageOfCode(language);
  return p;
}

// The entries after a fix of `lines` under `profile`.
Lines Fixed(Lines lines, const Profile& profile) {
  Session s;
  test::Load(s, std::move(lines), Encoding::Utf8);
  s.doc.SetProfile(profile);
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  return s.doc.List1.Items();
}

struct Case {
  const char* language;
  const char* text;    // one line, too long for one screen line
  const char* broken;  // where a subtitler breaks it
  const char* why;
};

TEST(NaturalBreaks, WhereTheGuidanceSays) {
  const Case cases[] = {
      {"en", "Nobody knows where he went. Maybe he is gone for good.",
       "Nobody knows where he went.|Maybe he is gone for good.", "after a sentence's end"},
      {"en", "If you see him tonight, tell him I am still waiting.",
       "If you see him tonight,|tell him I am still waiting.", "after a comma"},
      {"en", "We finally found the house where my grandmother was born",
       "We finally found the house|where my grandmother was born", "before a relative, not after an article"},
      {"en", "I think you should call John Smith before it is too late",
       "I think you should call John Smith|before it is too late", "a first and a last name stay together"},
      {"en", "They have been looking for the missing dog all morning",
       "They have been looking|for the missing dog all morning", "before a preposition, not after an auxiliary"},
      {"fr", "Je ne sais pas pourquoi il est parti sans rien nous dire",
       "Je ne sais pas pourquoi|il est parti sans rien nous dire", "never between a verb and its negation"},
      {"fr", "Vous devez faire ça maintenant ? Oui, madame.", "Vous devez faire ça maintenant ?|Oui, madame.",
       "never before a mark French typography spaces off"},
      {"fr", "Il m'a dit : « Je reviendrai demain matin avec ton frère »",
       "Il m'a dit : « Je reviendrai|demain matin avec ton frère »", "not before a colon nor after a guillemet"},
      {"de", "Ich freue mich sehr darauf, dich morgen wiederzusehen",
       "Ich freue mich sehr darauf,|dich morgen wiederzusehen", "the reflexive stays with its verb"},
      {"de", "Wir haben den ganzen Tag auf den Zug aus Berlin gewartet",
       "Wir haben den ganzen Tag|auf den Zug aus Berlin gewartet", "never between an article and its noun"},
      {"es", "No sé si podré llegar a tiempo para la cena de esta noche",
       "No sé si podré llegar a tiempo|para la cena de esta noche", "before a preposition"},
      {"it", "Ti ho aspettato per tre ore e tu non sei mai arrivato",
       "Ti ho aspettato per tre ore|e tu non sei mai arrivato", "before a conjunction"},
      {"pl", "Powiedziałem mu wczoraj, że nie przyjdę na to spotkanie",
       "Powiedziałem mu wczoraj,|że nie przyjdę na to spotkanie", "after a comma, before the conjunction"},
      {"ru", "Мы долго ждали на вокзале, но поезд так и не пришёл",
       "Мы долго ждали на вокзале,|но поезд так и не пришёл", "after a comma, before the conjunction"},
      {"nl", "Ik heb de hele dag gewacht maar hij is niet gekomen",
       "Ik heb de hele dag gewacht|maar hij is niet gekomen", "before a conjunction"},
      {"sv", "Jag har väntat på dig hela dagen och du kom aldrig", "Jag har väntat på dig hela dagen|och du kom aldrig",
       "before a conjunction, not after a preposition"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fixed({std::string("{0}{100}") + c.text}, Natural(c.language)), Lines{std::string("{0}{100}") + c.broken})
        << c.language << ": " << c.why;
  }
}

TEST(NaturalBreaks, TheLowerLineALittleLongerWhenEven) {
  // Nothing but the lines' lengths to choose by: the lower line is the
  // longer one, not the upper.
  EXPECT_EQ(Fixed({"{0}{100}aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii"}, Natural("en")),
            Lines{"{0}{100}aaaa bbbb cccc dddd|eeee ffff gggg hhhh iiii"});
}

TEST(NaturalBreaks, AHyphenInsideAWordIsNoDialogueDash) {
  // The middle rule leaves these whole: any "-" counts as a dialogue dash.
  const Case cases[] = {
      {"fr", "C'est avec beaucoup de sang-froid qu'il a répondu aux questions",
       "C'est avec beaucoup de sang-froid|qu'il a répondu aux questions", "sang-froid"},
      {"en", "Jar-El sent his only son to Earth before the planet exploded",
       "Jar-El sent his only son to Earth|before the planet exploded", "Jar-El"},
      {"fr", "As-tu vraiment cru que je te laisserais partir sans moi ?",
       "As-tu vraiment cru|que je te laisserais partir sans moi ?", "As-tu"},
  };
  for (const Case& c : cases) {
    const std::string line = std::string("{0}{100}") + c.text;
    EXPECT_EQ(Fixed({line}, Profile()), Lines{line}) << "middle: " << c.why;
    EXPECT_EQ(Fixed({line}, Natural(c.language)), Lines{std::string("{0}{100}") + c.broken}) << c.why;
  }
  const std::string_view dashes[][2] = {
      {"-Where are you going? -Out.", "2"},          {"- Oui. - Non.", "2"}, {"sang-froid et Jar-El", "0"},
      {"\xE2\x80\x93 Oui ? \xE2\x80\x93 Non.", "2"}, {"-Hi|-Yo", "2"},       {"Well - I think so.", "0"},
  };
  for (const auto& d : dashes)
    EXPECT_EQ(natural::DialogueDashes(d[0], SubRip().Dialect()), std::stoi(std::string(d[1]))) << d[0];
}

TEST(NaturalBreaks, TwoSpeakersKeepALineEach) {
  const Profile natural = Natural("en");
  // One line of two speakers, and two lines broken inside a speaker's line.
  EXPECT_EQ(Fixed({"{0}{100}-Where are you going tonight? -Out to the garden with him."}, natural),
            Lines{"{0}{100}-Where are you going tonight?|-Out to the garden with him."});
  EXPECT_EQ(Fixed({"{0}{100}-Where are you going tonight? -Out to|the garden with him."}, natural),
            Lines{"{0}{100}-Where are you going tonight?|-Out to the garden with him."});
  // One speaker too long for a line: the entry is divided between them, the
  // time shared by the characters each holds (58 to 16 of 100 frames).
  EXPECT_EQ(Fixed({"{0}{100}-I have been waiting here for you since the early morning. -I know, I know."}, natural),
            (Lines{"{0}{78}-I have been waiting here for you|since the early morning.", "{79}{100}-I know, I know."}));
}

TEST(NaturalBreaks, ALongEntryIsDividedAtAClauseEnd) {
  const Profile natural = Natural("en");
  // Middle cuts at the middle word; natural at the end of the sentence, the
  // time shared 46 to 53.
  const std::string entry =
      "{0}{1000}We walked along the river for hours and hours.|Nobody had seen a single boat that day, not even one.";
  EXPECT_EQ(Fixed({entry}, natural), (Lines{"{0}{464}We walked along the river|for hours and hours.",
                                            "{465}{1000}Nobody had seen a single boat|that day, not even one."}));
  // A single line too long for two screen lines is divided as well.
  EXPECT_EQ(Fixed({"{0}{100}I never wanted any of this to happen to you, and I am sorry. Please believe me when I say "
                   "it."},
                  natural),
            (Lines{"{0}{65}I never wanted any of this to happen|to you, and I am sorry.",
                   "{66}{100}Please believe me when I say it."}));
}

TEST(NaturalBreaks, EntriesThatFitAreLeftAlone) {
  const Lines lines = {"{0}{10}Short one", "{20}{30}Two lines|that fit", "{40}{50}-Yes.|-No.",
                       "{60}{70}A line of exactly forty-one characters ok"};
  EXPECT_EQ(Fixed(lines, Natural("en")), lines);
}

TEST(NaturalBreaks, StyleTagsCountAsNothingAndStay) {
  // SubRip italics around the whole text: the break goes where it would
  // without them, and the span goes on over both lines.
  Session s;
  s.Run(CommandId::Open, [&] {
    s.doc.Load({"{00:00:01,000}{00:00:04,000}<i>Nobody knows where he went. Maybe he is gone for good.</i>"},
               "/nowhere/film.srt", FileIdentity(Encoding::Utf8, LineEnd::Lf, &SubRip()));
  });
  s.doc.SetProfile(Natural("en"));
  s.Run(CommandId::EditEntry, [&] { Fixlines_Click(s.doc); });
  EXPECT_EQ(s.doc.List1.Items(),
            Lines{"{00:00:01,000}{00:00:04,000}<i>Nobody knows where he went.|Maybe he is gone for good.</i>"});
}

// What the screen shows of the entries, in order, without the blanks and
// line breaks the rules move.
std::string Shown(const Lines& lines) {
  std::string shown;
  for (const std::string& line : lines) {
    EntryFields f;
    const std::string_view text = SplitFullEntry(line, f) ? f.text : std::string_view(line);
    const Visible v(text, 0, MicroDvd().Dialect());
    for (int i = 0; i < v.size(); ++i) {
      const char c = text[v.Byte(i)];
      if (c != ' ' && c != '|') shown += c;
    }
  }
  return shown;
}

TEST(NaturalBreaks, RandomDocumentsLoseNothing) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    const Lines lines = test::RandomDocument(rng, 40);
    const Lines fixed = Fixed(lines, Natural(seed % 2 ? "en" : ""));
    ASSERT_GE(fixed.size(), lines.size()) << seed;
    EXPECT_EQ(Shown(fixed), Shown(lines)) << seed;
    for (const std::string& line : fixed) ASSERT_TRUE(IsValidUtf8(line)) << seed << ": " << line;
  }
}

TEST(NaturalBreaks, TheLanguageIsGuessedFromTheText) {
  const std::pair<const char*, const char*> texts[] = {
      {"en", "I don't know what you are talking about, and I don't want to know. Where were you last night?"},
      {"fr", "Je ne sais pas de quoi tu parles, et je ne veux pas le savoir. Où étais-tu hier soir ?"},
      {"de", "Ich weiß nicht, wovon du redest, und ich will es auch nicht wissen. Wo warst du gestern?"},
      {"es", "No sé de qué me estás hablando y no quiero saberlo. ¿Dónde estuviste anoche con ellos?"},
      {"it", "Non so di cosa stai parlando e non lo voglio sapere. Dove eri ieri sera con loro?"},
      {"pl", "Nie wiem, o czym mówisz, i nie chcę wiedzieć. Gdzie byłeś wczoraj w nocy z nimi?"},
      {"ru", "Я не знаю, о чём ты говоришь, и не хочу знать. Где ты был вчера вечером?"},
      {"fi", "En tiedä mistä sinä puhut, ja en halua tietää. Missä sinä olit eilen illalla kun hän soitti?"},
  };
  for (const auto& [code, text] : texts) {
    natural::LanguageGuess guess;
    guess.Add(text);
    ASSERT_GE(guess.Best(), 0) << code;
    EXPECT_STREQ(kBreakLanguages[guess.Best()], code) << text;
  }
  natural::LanguageGuess none;
  none.Add("1234 5678 ... !!!");
  EXPECT_EQ(none.Best(), -1);
  // A word of more than 24 bytes counts for nothing: one "the" among them is
  // English; among as many words of 24 bytes it is a handful of hits in a long text.
  const auto guessed = [](const std::string& filler) {
    std::string text = "the";
    for (int i = 0; i < 30; ++i) text += " " + filler;
    natural::LanguageGuess guess;
    guess.Add(text);
    return guess.Best();
  };
  std::string e12, e13;
  for (int i = 0; i < 12; ++i) e12 += "\xC3\xA9";  // 24 bytes
  e13 = e12 + "\xC3\xA9";
  EXPECT_EQ(guessed(std::string(25, 'x')), BreakLanguageOfCode("en"));
  EXPECT_EQ(guessed(e13), BreakLanguageOfCode("en"));
  EXPECT_EQ(guessed(std::string(24, 'x')), -1);
  EXPECT_EQ(guessed(e12), -1);
  // Every code has its own word lists: a word of each language's lists is
  // known in it.
  EXPECT_TRUE(natural::KnownWord("the", BreakLanguageOfCode("en")));
  EXPECT_TRUE(natural::KnownWord("pas", BreakLanguageOfCode("fr")));
  EXPECT_TRUE(natural::KnownWord("и", BreakLanguageOfCode("ru")));
  EXPECT_FALSE(natural::KnownWord("the", BreakLanguageOfCode("ru")));
}

// The halves of a division are broken as runs of the text already read: a
// run must break where it would standing alone, whatever the cut, wherever
// the cut carries no markup to either half.
TEST(NaturalBreaks, ARunBreaksAsTheSameTextStandingAlone) {
  struct Text {
    const StyleDialect& dialect;
    const char* text;
  };
  const StyleDialect& srt = FormatById("srt")->Dialect();
  const StyleDialect& sub = MicroDvd().Dialect();
  const Text texts[] = {
      {PlainText(), "Nobody knows where he went. Maybe he is gone for good, and I think you should call John Smith now"},
      {PlainText(), "Je ne sais pas pourquoi il est parti ? Vous devez faire ça maintenant, madame Dupont."},
      {PlainText(), "We paid 1,000 dollars for the house (and the garden) \"before\" the war -- it was cheap"},
      {srt, "Nobody <i>knows</i> where he went. Maybe <b>he is gone</b> for good, and I think <i>you should</i> call"},
      {srt, "<font color=\"red\">We have</font> been walking for hours and hours along the <i>river bank</i> today"},
      {sub, "We have been {y:b}walking for hours and hours along the river bank and nobody has seen a boat"},
      {sub, "{c:$0000FF}We have been walking for hours and hours along the river bank and nobody has seen it"},
  };
  int compared = 0;
  for (const Text& t : texts) {
    const std::string s(t.text);
    const StyleDialect& d = t.dialect;
    const int language = BreakLanguageOfCode(s.find("Je") == 0 ? "fr" : "en");
    const Visible whole(s, 0, d);
    for (int at = 0; at < whole.size(); ++at) {
      const size_t cut = whole.Byte(at);
      if (s[cut] != ' ' || !EntryMarkup(s, d).empty() || !CarriedMarkup(s, cut, 0, d).empty()) continue;
      const std::string left = s.substr(0, cut), right = s.substr(cut + 1);
      const Visible l(left, 0, d), r(right, 0, d);
      ASSERT_EQ(l.size() + r.size() + 1, whole.size()) << t.text;
      ++compared;
      for (const int most : {12, 25, 41}) {
        for (const auto parts : {natural::Parts::Lines, natural::Parts::Entries}) {
          const auto byteOf = [](const Visible& v, int p) { return p == 0 ? std::string::npos : v.Byte(p - 1); };
          const size_t aloneLeft = byteOf(l, natural::ChooseBreak(left, l, 0, d, most, language, parts));
          const size_t aloneRight = byteOf(r, natural::ChooseBreak(right, r, 0, d, most, language, parts));
          const natural::BreakChooser chooser(s, whole, 0, d, language);
          EXPECT_EQ(byteOf(whole, chooser.Choose(0, at, most, parts)), aloneLeft) << t.text << " | " << cut;
          const size_t inRight = byteOf(whole, chooser.Choose(at + 1, whole.size(), most, parts));
          EXPECT_EQ(inRight == std::string::npos ? inRight : inRight - cut - 1, aloneRight) << t.text << " | " << cut;
        }
      }
    }
  }
  EXPECT_GT(compared, 80);  // tagged texts among them
}

// The lists are looked up by their bytes: words of up to 16 bytes, some of
// them sharing their first eight.
TEST(NaturalBreaks, ListedWordsAreFoundByAllTheirBytes) {
  const int en = BreakLanguageOfCode("en"), ru = BreakLanguageOfCode("ru"), fr = BreakLanguageOfCode("fr");
  EXPECT_TRUE(natural::KnownWord("whenever", en));  // eight bytes
  EXPECT_TRUE(natural::KnownWord("themselves", en));
  EXPECT_FALSE(natural::KnownWord("themselve", en));
  EXPECT_FALSE(natural::KnownWord("whenevers", en));
  EXPECT_FALSE(natural::KnownWord("wheneve", en));
  EXPECT_TRUE(natural::KnownWord("которое", ru));  // fourteen bytes
  EXPECT_TRUE(natural::KnownWord("которые", ru));
  EXPECT_FALSE(natural::KnownWord("которо", ru));
  EXPECT_TRUE(natural::KnownWord("qu'elle", fr));
  EXPECT_FALSE(natural::KnownWord("", en));
  EXPECT_FALSE(natural::KnownWord(std::string(40, 'a'), en));
}

}  // namespace
}  // namespace lm
