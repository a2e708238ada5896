// The choice of a natural break: each space where both parts fit gets a cost
// from the lines' balance and from the words on either side of it, and the
// cheapest wins. One pass over the text's visible characters, then one look
// at the two words around each space: linear in the text.
#include "rules/natural_breaks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/profile.h"
#include "model/text.h"

namespace lm::natural {

namespace {

// Line breaks: found on two thirds of the entries of bench/breaks, broken by
// professionals (break_eval --tune). A cut between two entries is set by
// hand: it goes to a sentence's end much more readily than a line break.
constexpr Weights kLines = {0.5, 0.14, 22, 13, 200, 10.4, 10, 4, 12, 2.5, 10, 0.1};
constexpr Weights kEntries = {0.35, 0.0, 40, 18, 400, 10, 5, 3, 10, 8, 8, 0};

constexpr char32_t Lower(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return c % 2 == 0 ? c + 1 : c;
  }
  if (c >= 0x218 && c <= 0x21B) return c % 2 == 0 ? c + 1 : c;  // Romanian comma-below letters
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c == 0x2019) return '\'';
  return c;
}
constexpr bool IsUpper(char32_t c) { return Lower(c) != c && c != 0x2019; }
constexpr bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
constexpr bool IsDash(char32_t c) { return c == '-' || c == 0x2013 || c == 0x2014; }
constexpr bool IsSentenceEnd(char32_t c) { return c == '.' || c == '!' || c == '?' || c == 0x2026; }
constexpr bool IsClauseEnd(char32_t c) { return c == ',' || c == ';' || c == ':' || c == 0x2013 || c == 0x2014; }
constexpr bool IsClosing(char32_t c) {
  return c == '"' || c == '\'' || c == ')' || c == ']' || c == 0xBB || c == 0x201D || c == 0x2019 || c == 0x203A;
}
constexpr bool IsOpening(char32_t c) {
  return c == '"' || c == '\'' || c == '(' || c == '[' || c == 0xAB || c == 0x201C || c == 0x201E || c == 0x2018 ||
         c == 0xBF || c == 0xA1 || c == 0x2039;
}
// What no line starts with: the marks French typography spaces off, and the
// marks that close what the line before holds.
constexpr bool StartsNoLine(char32_t c) {
  return c == '?' || c == '!' || c == ':' || c == ';' || c == 0xBB || c == 0x203A || c == ',' || c == ')' || c == ']' ||
         c == 0x201D;
}
constexpr bool IsAnyPunctuation(char32_t c) {
  return IsSentenceEnd(c) || IsClauseEnd(c) || IsClosing(c) || IsOpening(c) || IsDash(c) || c == '*';
}
// The ASCII marks, looked up: most characters asked about are letters.
struct AsciiMarks {
  bool is[128] = {};
  constexpr AsciiMarks() {
    for (char32_t c = 0; c < 128; ++c) is[c] = IsAnyPunctuation(c);
  }
};
constexpr AsciiMarks kAsciiMarks;
inline bool IsPunctuation(char32_t c) { return c < 128 ? kAsciiMarks.is[c] : IsAnyPunctuation(c); }

// The visible characters of the text, as code points, reused between calls.
struct Text {
  std::vector<char32_t> chars;
  std::vector<int> spaces;  // indices of the spaces
  std::vector<int> kinds;   // of the word starting at each space's index + 1 (the first: at 0); -1: not known yet
  std::string key;          // a word in lower case, UTF-8
};
Text& Scratch() {
  thread_local Text t;
  return t;
}

// The first visible character at or after byte `textAt` (the text may start
// with a tag).
int FirstVisible(const Visible& v, size_t textAt) {
  int lo = 0, hi = v.size();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (v.Byte(mid) < textAt) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void Load(Text& t, std::string_view s, const Visible& v, size_t textAt) {
  const int first = FirstVisible(v, textAt);
  const int n = v.size() - first;
  t.chars.resize(static_cast<size_t>(n));
  t.spaces.resize(static_cast<size_t>(n));
  char32_t* out = t.chars.data();
  int* space = t.spaces.data();
  int spaces = 0;
  if (v.Identity()) {  // one byte a character
    // Eight bytes at a time, the spaces among them found at once: a word
    // holds one or two.
    const char* bytes = s.data() + first;
    for (int i = 0; i < n; i += 8) {
      std::uint64_t word;
      if (n - i >= 8) {
        std::memcpy(&word, bytes + i, 8);
        for (int k = 0; k < 8; ++k) out[i + k] = static_cast<char32_t>((word >> (8 * k)) & 0xFF);
      } else {
        word = TailWord(bytes + i, static_cast<size_t>(n - i));
        for (int k = 0; k < n - i; ++k) out[i + k] = static_cast<char32_t>((word >> (8 * k)) & 0xFF);
      }
      for (std::uint64_t found = MatchMask(word, ' '); found; found &= found - 1)
        space[spaces++] = i + __builtin_ctzll(found) / 8;
    }
  } else {
    for (int i = 0; i < n; ++i) {
      size_t b = v.Byte(first + i);
      const unsigned char byte = static_cast<unsigned char>(s[b]);
      out[i] = byte < 0x80 ? byte : NextCodePoint(s, b);
      space[spaces] = i;
      spaces += out[i] == ' ';
    }
  }
  t.spaces.resize(static_cast<size_t>(spaces));
  t.kinds.assign(t.spaces.size() + 1, -1);
}

// A word: the characters between two spaces (or the text's ends).
struct Word {
  int begin, end;
};

// The lower-case core of a word (what the lists hold), without the marks
// around it.
std::string_view Core(Text& t, Word w) {
  while (w.begin < w.end && (IsOpening(t.chars[w.begin]) || IsDash(t.chars[w.begin]))) ++w.begin;
  while (w.end > w.begin && (IsPunctuation(t.chars[w.end - 1]) && t.chars[w.end - 1] != '.')) --w.end;
  t.key.clear();
  for (int i = w.begin; i < w.end; ++i) {
    const char32_t c = t.chars[i];
    if (c < 0x80) {
      t.key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      AppendUtf8(t.key, Lower(c));
    }
  }
  return t.key;
}

// The mark a word ends with, closing quotes and brackets passed over; 0: a
// letter or digit.
char32_t EndMark(const Text& t, Word w) {
  int e = w.end;
  while (e > w.begin && IsClosing(t.chars[e - 1])) --e;
  return e > w.begin && IsPunctuation(t.chars[e - 1]) ? t.chars[e - 1] : 0;
}

bool AllPunctuation(const Text& t, Word w) {
  for (int i = w.begin; i < w.end; ++i)
    if (!IsPunctuation(t.chars[i])) return false;
  return w.begin < w.end;
}

bool IsNumber(const Text& t, Word w) {
  bool digit = false;
  for (int i = w.begin; i < w.end; ++i) {
    if (IsDigit(t.chars[i])) {
      digit = true;
    } else if (t.chars[i] != ',' && t.chars[i] != '.') {
      return false;
    }
  }
  return digit;
}

// A "." that ends an abbreviation or an initial, not a sentence.
bool Abbreviation(Text& t, Word w, int language) {
  int letters = 0;
  for (int i = w.begin; i < w.end && letters < 2; ++i) letters += t.chars[i] != '.' && !IsOpening(t.chars[i]);
  if (letters == 1) return true;
  return (KindOf(Core(t, w), language) & kClings) != 0;
}

bool Capitalised(const Text& t, Word w) {
  int i = w.begin;
  while (i < w.end && IsOpening(t.chars[i])) ++i;
  // "I" is a word of its own, no name.
  return i < w.end && IsUpper(t.chars[i]) && !(w.end - i == 1 && t.chars[i] == 'I');
}

// The kinds of the k-th word of the text (0: the one before the first space).
unsigned KindOfWord(Text& t, int k, Word w, int language) {
  int& known = t.kinds[static_cast<size_t>(k)];
  // A word longer than any in the lists is none of them.
  if (known < 0) known = w.end - w.begin > LongestListedWord() ? 0 : static_cast<int>(KindOf(Core(t, w), language));
  return static_cast<unsigned>(known);
}

// What a break at the space `at` (an index into t.chars) costs; false when
// no break may go there.
bool Cost(Text& t, int k, int language, const Weights& w, bool entries, double& cost) {
  const int at = t.spaces[k];
  const int n = static_cast<int>(t.chars.size());
  const Word before{k == 0 ? 0 : t.spaces[k - 1] + 1, at};
  const Word after{at + 1, k + 1 < static_cast<int>(t.spaces.size()) ? t.spaces[k + 1] : n};
  if (before.begin == before.end || after.begin == after.end) return false;  // a run of spaces
  const char32_t next = t.chars[after.begin];
  if (StartsNoLine(next) || (AllPunctuation(t, after) && !IsDash(next))) return false;
  if (AllPunctuation(t, before) && IsOpening(t.chars[before.begin])) return false;

  const int l1 = at, l2 = n - at - 1;
  const int d = l1 - l2;
  cost = std::abs(d) * w.balance + (d > 0 ? d * w.topHeavy + (entries ? 0 : 1) : 0) + w.skew * d * d / std::max(n, 1);

  const char32_t mark = EndMark(t, before);
  const bool sentence = IsSentenceEnd(mark) && !(mark == '.' && Abbreviation(t, before, language));
  if (IsDash(next) && sentence) {  // a dash after a sentence's end is the next speaker's
    cost -= w.dialogue;
    return true;
  }
  if (sentence) {
    cost -= w.sentence;
    return true;
  }
  if (IsClauseEnd(mark)) {
    cost -= w.clause;
    return true;
  }
  if (AllPunctuation(t, before) && IsDash(t.chars[before.begin])) {  // a spaced dash: the line ends with it
    cost -= w.clause;
    return true;
  }
  const unsigned kindBefore = KindOfWord(t, k, before, language);
  if (kindBefore & (kClings | kLeads)) cost += w.clings;
  const unsigned kindAfter = KindOfWord(t, k + 1, after, language);
  if (kindAfter & kJoins) {
    cost -= w.joins;
  } else if (kindAfter & kLeads) {
    cost -= w.leads;
  }
  if (kindAfter & kTrails) cost += w.trails;
  if (IsNumber(t, before) && !IsNumber(t, after)) cost += w.number;
  // German writes its nouns capitalised: there two capitals make no name.
  if (language != 2 && Capitalised(t, before) && Capitalised(t, after) && k > 0) {
    const Word previous{k == 1 ? 0 : t.spaces[k - 2] + 1, t.spaces[k - 1]};
    if (!IsSentenceEnd(EndMark(t, previous))) cost += w.name;
  }
  return true;
}

}  // namespace

const Weights& DefaultWeights(Parts parts) { return parts == Parts::Entries ? kEntries : kLines; }

int ChooseBreak(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect, int most,
                int language, Parts parts, bool* fits, const Weights* weights) {
  Text& t = Scratch();
  Load(t, s, v, textAt);
  const int first = FirstVisible(v, textAt);
  const bool entries = parts == Parts::Entries;
  const Weights& w = weights ? *weights : DefaultWeights(parts);
  const int n = static_cast<int>(t.chars.size());
  int best = -1, widest = -1;
  double bestCost = 0;
  int bestLonger = 0;
  // The most a space can take off its imbalance: one farther from the
  // middle than that cannot beat the best one found, so the spaces are tried
  // from the middle outwards and the search stops there. The spaces after a
  // mark (which may end a sentence or a clause) go first; then the others,
  // which can take off no more than a conjunction's weight.
  // (A space after a mark of any kind, closing quotes too, goes first: the
  // second round must hold none that may end a sentence or a clause.)
  const auto marked = [&t](int k) { return t.spaces[k] > 0 && IsPunctuation(t.chars[t.spaces[k] - 1]); };
  const double bonuses[2] = {std::max({w.sentence, w.clause, w.dialogue, 0.0}), std::max({w.joins, w.leads, 0.0})};
  const auto imbalance = [n](int at) { return std::abs(2 * at - n + 1); };
  const int count = static_cast<int>(t.spaces.size());
  const int middle =
      static_cast<int>(std::lower_bound(t.spaces.begin(), t.spaces.end(), (n - 1) / 2) - t.spaces.begin());
  for (int phase = 0; phase < 2; ++phase) {
    int hi = middle, lo = middle - 1;
    while (lo >= 0 || hi < count) {
      const bool low = hi >= count || (lo >= 0 && imbalance(t.spaces[lo]) <= imbalance(t.spaces[hi]));
      const int k = low ? lo-- : hi++;
      const int at = t.spaces[k];
      if (best >= 0 && imbalance(at) * w.balance - bonuses[phase] > bestCost) break;
      if (marked(k) != (phase == 0)) continue;
      const int longer = std::max(at, n - at - 1);
      const bool fitting = longer <= most;
      // Where a part does not fit, only the narrowest space matters, and only
      // while no space lets both fit. Ties go to the earlier space.
      if (!fitting && (best >= 0 || (widest >= 0 && (longer > bestLonger || (longer == bestLonger && k > widest)))))
        continue;
      if (!BreakKeepsText(s, v.Byte(first + at), textAt, dialect, entries)) continue;
      double cost = 0;
      if (!Cost(t, k, language, w, entries, cost)) continue;
      if (fitting) {
        if (best < 0 || cost < bestCost || (cost == bestCost && k < best)) best = k, bestCost = cost;
      } else {
        widest = k, bestLonger = longer;
      }
    }
  }
  if (fits) *fits = best >= 0;
  const int k = best >= 0 ? best : widest;
  return k < 0 ? 0 : first + t.spaces[k] + 1;
}

int DialogueDashes(std::string_view text, const StyleDialect& dialect) {
  // No dash of any kind, no dialogue: most texts are told by two scans.
  if (text.find('-') == std::string_view::npos && text.find("\xE2\x80") == std::string_view::npos) return 0;
  if (IsAscii(text) && !MayHoldMarkup(text, dialect)) {
    int dashes = 0;
    char last = '|';
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == ' ') continue;
      if (c == '-' && (last == '|' || (IsSentenceEnd(static_cast<unsigned char>(last)) && text[i - 1] == ' ')))
        ++dashes;
      last = IsClosing(static_cast<unsigned char>(c)) && IsSentenceEnd(static_cast<unsigned char>(last)) ? last : c;
    }
    return dashes;
  }
  const Visible v(text, 0, dialect);
  int dashes = 0;
  char32_t last = '|';  // the last character other than a space: a line's start counts as a "|"
  for (int i = 0; i < v.size(); ++i) {
    size_t b = v.Byte(i);
    const char32_t c = NextCodePoint(text, b);
    if (c == ' ') continue;
    if (IsDash(c) && (last == '|' || (IsSentenceEnd(last) && i > 0 && text[v.Byte(i - 1)] == ' '))) ++dashes;
    last = IsClosing(c) && IsSentenceEnd(last) ? last : c;
  }
  return dashes;
}

int SpeakerChange(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect) {
  const int first = FirstVisible(v, textAt);
  char32_t last = '|';
  int seen = 0;
  for (int i = first; i < v.size(); ++i) {
    size_t b = v.Byte(i);
    const char32_t c = NextCodePoint(s, b);
    if (c == ' ') continue;
    const bool spaced = i > first && s[v.Byte(i - 1)] == ' ';
    if (IsDash(c) && (last == '|' || (IsSentenceEnd(last) && spaced))) {
      if (++seen == 2) return spaced && BreakKeepsText(s, v.Byte(i - 1), textAt, dialect) ? i : 0;
    }
    last = IsClosing(c) && IsSentenceEnd(last) ? last : c;
  }
  return 0;
}

void LanguageGuess::Add(std::string_view text) {
  std::string word;
  bool inTag = false;
  const auto flush = [&] {
    if (!word.empty() && word.size() <= 24) {
      ++words_;
      const std::uint64_t languages = LanguagesOf(word);
      for (int l = 0; languages != 0 && l < kBreakLanguageCount; ++l) hits_[l] += (languages >> l) & 1;
    }
    word.clear();
  };
  for (size_t i = 0; i < text.size();) {
    const char32_t c = NextCodePoint(text, i);
    if (c == '<' || c == '{') inTag = true;
    if (inTag) {
      inTag = c != '>' && c != '}';
      continue;
    }
    if (c == ' ' || c == '|' || (IsPunctuation(c) && c != '\'' && c != 0x2019)) {
      flush();
    } else if (c < 0x80) {
      word += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      AppendUtf8(word, Lower(c));
    }
  }
  flush();
}

int LanguageGuess::Best() const {
  int best = -1;
  for (int l = 0; l < kBreakLanguageCount; ++l)
    if (hits_[l] > 0 && (best < 0 || hits_[l] > hits_[best])) best = l;
  // A handful of hits in a long text is no language.
  return best >= 0 && hits_[best] * 20 >= words_ ? best : -1;
}

int DocumentLanguage(Document& doc) {
  if (doc.BreakLanguage != Document::kLanguageUnsettled) return doc.BreakLanguage;
  const int named = doc.RuleProfile().language;
  if (named >= 0) return doc.BreakLanguage = named;
  LanguageGuess guess;
  const EntryList& list = doc.List1;
  for (int i = 0; i < list.Count() && !guess.Enough(); ++i) {
    const std::string_view line = list.Item(i);
    if (IsKeptLine(line)) continue;
    EntryFields f;
    guess.Add(SplitFullEntry(line, f) ? f.text : line);
  }
  return doc.BreakLanguage = guess.Best();
}

}  // namespace lm::natural
