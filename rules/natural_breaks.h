#pragma once
// Natural breaks: among the spaces where both parts fit, the one a subtitler
// would choose. After a sentence's end or a comma; before a conjunction or a
// preposition; never after an article, a preposition, a pronoun before its
// verb or an auxiliary, nor between a first and a last name; never before a
// mark that French typography spaces off ("?", "!", ":", ";", "»"); the lower
// line a little longer when the choice is otherwise even. The function words
// come from a list for the text's language (natural_words.cpp).
//
// Positions are 1-based visible positions of the text in `s` (markup counts
// nothing), as the other rules take them.
#include <cstdint>
#include <string_view>

#include "model/document.h"
#include "model/markup.h"

namespace lm::natural {

// What a break divides.
enum class Parts {
  Lines,    // one text into two screen lines of at most `most` characters each
  Entries,  // one entry into two, each to fit the profile's lines (`most`: their characters)
};

// What a space costs, in characters of imbalance.
struct Weights {
  double balance;   // a character more on one line than on the other
  double topHeavy;  // and again when the upper line is the longer
  double sentence;  // after the end of a sentence
  double clause;    // after a comma, semicolon, colon or dash
  double dialogue;  // before the second speaker's dash
  double clings;    // after a word that leans on the next
  double joins;     // before a conjunction or relative
  double leads;     // before a preposition
  double trails;    // before a word that leans on the one before
  double name;      // between two capitalised words inside a sentence
  double number;    // between a number and what it counts
  double skew;      // the square of the imbalance, over the text's length: one short line of a long text
};
const Weights& DefaultWeights(Parts parts);

// The space of `s` (text from byte `textAt`) at which to break, or 0 when
// there is none to break at. With `fits`, whether both parts fit; when no
// space lets them, the one that leaves the longer part shortest. `weights`:
// others than the default, for tuning them.
int ChooseBreak(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect, int most,
                int language, Parts parts, bool* fits = nullptr, const Weights* weights = nullptr);

// ChooseBreak for several parts of one text, read once: the whole text, or a
// run of its visible characters [from, to) (0-based) as if that run stood
// alone, which it does where the text holds no markup to carry. Positions
// returned as ChooseBreak's. One chooser at a time: it keeps the text in a
// buffer of the thread's, which ChooseBreak uses too.
class BreakChooser {
 public:
  BreakChooser(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect, int language);
  int Choose(int most, Parts parts, bool* fits = nullptr, const Weights* weights = nullptr) const;
  int Choose(int from, int to, int most, Parts parts, bool* fits = nullptr, const Weights* weights = nullptr) const;

 private:
  std::string_view s_;
  const Visible& v_;
  size_t textAt_;
  const StyleDialect& dialect_;
  int language_;
  int first_;
};

// The dialogue dashes of a text: a "-" (or an en or em dash) that starts a
// screen line or follows the end of a sentence. A hyphen inside a word is
// none.
int DialogueDashes(std::string_view text, const StyleDialect& dialect);
// The 1-based visible position of the space before the text's second
// dialogue dash (which follows a sentence's end), or 0.
int SpeakerChange(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect);

// The language most of the texts' function words belong to, or -1.
class LanguageGuess {
 public:
  void Add(std::string_view text);
  int Best() const;
  bool Enough() const { return words_ >= 250; }

 private:
  int hits_[kBreakLanguageCount] = {};
  int words_ = 0;
};

// The language of the document's text for natural breaks: the profile's, or
// guessed from a sample of its entries once per fix run.
int DocumentLanguage(Document& doc);

// The function-word lists: what a word is in a language.
enum WordKind : unsigned {
  kClings = 1,  // leans on the next word: article, pronoun before its verb, auxiliary, negation
  kLeads = 2,   // starts a phrase: conjunction, preposition, relative
  kTrails = 4,  // leans on the word before: negation after the verb, reflexive, particle
  kJoins = 8,   // of the leads, a conjunction or relative
};
// The kinds of a lower-case word in the language; 0: none or no language.
unsigned KindOf(std::string_view lowerWord, int language);
// Whether the word is in any list of the language.
bool KnownWord(std::string_view lowerWord, int language);
// The bytes of the longest word in the lists.
int LongestListedWord();
// The languages in whose lists the word is, one bit each (for the guess).
std::uint64_t LanguagesOf(std::string_view lowerWord);

}  // namespace lm::natural
