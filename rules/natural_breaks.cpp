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

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
  std::vector<int> marksBefore;  // of the spaces before each index, those that follow a mark
  char key[64];  // a word in lower case, UTF-8: at most four bytes for each of a listed word's characters
};
Text& Scratch() {
  thread_local Text t;
  return t;
}

// The first visible character at or after byte `textAt` (the text may start
// with a tag).
int FirstVisible(const Visible& v, size_t textAt) {
  if (v.Identity()) return static_cast<int>(std::min(textAt, static_cast<size_t>(v.size())));
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
    // Widened sixteen bytes at a time where the machine can; the spaces
    // found eight bytes at a time (a word holds one or two).
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(s.data()) + first;
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i lo = _mm_unpacklo_epi8(b, zero), hi = _mm_unpackhi_epi8(b, zero);
      __m128i* to = reinterpret_cast<__m128i*>(out + i);
      _mm_storeu_si128(to, _mm_unpacklo_epi16(lo, zero));
      _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(lo, zero));
      _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(hi, zero));
      _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(hi, zero));
    }
#endif
    for (; i < n; ++i) out[i] = bytes[i];
    for (int i = 0; i < n; i += 8) {
      std::uint64_t word;
      if (n - i >= 8) {
        std::memcpy(&word, bytes + i, 8);
      } else {
        word = TailWord(reinterpret_cast<const char*>(bytes) + i, static_cast<size_t>(n - i));
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
  t.marksBefore.resize(t.spaces.size() + 1);
  int marks = 0;
  for (size_t k = 0; k < t.spaces.size(); ++k) {
    t.marksBefore[k] = marks;
    marks += t.spaces[k] > 0 && IsPunctuation(t.chars[static_cast<size_t>(t.spaces[k] - 1)]);
  }
  t.marksBefore[t.spaces.size()] = marks;
}

// A word: the characters between two spaces (or the text's ends).
struct Word {
  int begin, end;
};

// The characters [begin, end) of the loaded text that a break divides, and
// the spaces among them, [firstSpace, endSpace) of t.spaces.
struct Range {
  int begin, end, firstSpace, endSpace;
};

// The lower-case core of a word (what the lists hold), without the marks
// around it; empty for a word longer than any listed one.
std::string_view Core(Text& t, Word w) {
  while (w.begin < w.end && (IsOpening(t.chars[w.begin]) || IsDash(t.chars[w.begin]))) ++w.begin;
  while (w.end > w.begin && (IsPunctuation(t.chars[w.end - 1]) && t.chars[w.end - 1] != '.')) --w.end;
  static const int longest = std::min(LongestListedWord(), static_cast<int>(sizeof t.key / 4));
  if (w.end - w.begin > longest) return {};
  char* out = t.key;
  for (int i = w.begin; i < w.end; ++i) {
    const char32_t c = t.chars[i];
    if (c < 0x80) {
      *out++ = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      out = WriteUtf8(out, Lower(c));
    }
  }
  return std::string_view(t.key, static_cast<size_t>(out - t.key));
}

// The mark a word ends with, closing quotes and brackets passed over; 0: a
// letter or digit.
char32_t EndMark(const Text& t, Word w) {
  int e = w.end;
  while (e > w.begin && IsClosing(t.chars[e - 1])) --e;
  return e > w.begin && IsPunctuation(t.chars[e - 1]) ? t.chars[e - 1] : 0;
}

bool RestIsPunctuation(const Text& t, Word w) {
  for (int i = w.begin + 1; i < w.end; ++i)
    if (!IsPunctuation(t.chars[i])) return false;
  return true;
}
// Most words start with a letter: told without a call.
inline bool AllPunctuation(const Text& t, Word w) {
  return w.begin < w.end && IsPunctuation(t.chars[w.begin]) && RestIsPunctuation(t, w);
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

// What the lines' imbalance costs: `d` characters more on the upper line
// than on the lower (fewer: negative). The search bounds a space's cost with
// it too, so that the two cannot part.
inline double ImbalanceCost(int d, const Weights& w, double topHeavy, bool entries) {
  return std::abs(d) * w.balance + (d > 0 ? d * topHeavy + (entries ? 0 : 1) : 0);
}

// What a break at the space `at` (an index into t.chars) costs; false when
// no break may go there.
bool Cost(Text& t, const Range& r, int k, int language, const Weights& w, bool entries, double& cost) {
  const int at = t.spaces[k];
  const int n = r.end - r.begin;
  const Word before{k == r.firstSpace ? r.begin : t.spaces[k - 1] + 1, at};
  const Word after{at + 1, k + 1 < r.endSpace ? t.spaces[k + 1] : r.end};
  if (before.begin == before.end || after.begin == after.end) return false;  // a run of spaces
  const char32_t next = t.chars[after.begin];
  if (StartsNoLine(next) || (AllPunctuation(t, after) && !IsDash(next))) return false;
  if (AllPunctuation(t, before) && IsOpening(t.chars[before.begin])) return false;

  const int l1 = at - r.begin, l2 = r.end - at - 1;
  const int d = l1 - l2;
  cost = ImbalanceCost(d, w, w.topHeavy, entries) + w.skew * d * d / std::max(n, 1);

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
  if (language != 2 && Capitalised(t, before) && Capitalised(t, after) && k > r.firstSpace) {
    const Word previous{k == r.firstSpace + 1 ? r.begin : t.spaces[k - 2] + 1, t.spaces[k - 1]};
    if (!IsSentenceEnd(EndMark(t, previous))) cost += w.name;
  }
  return true;
}

}  // namespace

const Weights& DefaultWeights(Parts parts) { return parts == Parts::Entries ? kEntries : kLines; }

BreakChooser::BreakChooser(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect,
                           int language)
    : s_(s), v_(v), textAt_(textAt), dialect_(dialect), language_(language), first_(FirstVisible(v, textAt)) {
  Load(Scratch(), s, v, textAt);
}

int BreakChooser::Choose(int from, int to, int most, Parts parts, bool* fits, const Weights* weights) const {
  Text& t = Scratch();
  const bool entries = parts == Parts::Entries;
  const Weights& w = weights ? *weights : DefaultWeights(parts);
  const auto spaceAt = [&t](int at) {
    return static_cast<int>(std::lower_bound(t.spaces.begin(), t.spaces.end(), at) - t.spaces.begin());
  };
  from -= first_;
  to -= first_;
  const Range r{from, to, spaceAt(from), spaceAt(to)};
  const int n = to - from;
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
  const auto marked = [&t, from](int k) {
    return t.spaces[k] > from && t.marksBefore[static_cast<size_t>(k) + 1] != t.marksBefore[static_cast<size_t>(k)];
  };
  const double bonuses[2] = {std::max({w.sentence, w.clause, w.dialogue, w.joins, w.leads, 0.0}),
                             std::max({w.joins, w.leads, 0.0})};
  const double noDialogue = std::max({w.sentence, w.clause, w.joins, w.leads, 0.0});
  const double topHeavy = std::max(w.topHeavy, 0.0);
  const auto imbalance = [n, from](int at) { return std::abs(2 * (at - from) - n + 1); };
  const int middle = spaceAt(from + (n - 1) / 2);
  // Most texts have no space after a mark: then the first round has nothing to try.
  const bool anyMarked =
      t.marksBefore[static_cast<size_t>(r.endSpace)] != t.marksBefore[static_cast<size_t>(r.firstSpace)];
  for (int phase = anyMarked ? 0 : 1; phase < 2; ++phase) {
    int hi = middle, lo = middle - 1;
    while (lo >= r.firstSpace || hi < r.endSpace) {
      const bool low = hi >= r.endSpace || (lo >= r.firstSpace && imbalance(t.spaces[lo]) <= imbalance(t.spaces[hi]));
      const int k = low ? lo-- : hi++;
      const int at = t.spaces[k];
      if (best >= 0 && imbalance(at) * w.balance - bonuses[phase] > bestCost) break;
      if (marked(k) != (phase == 0)) continue;
      // What this space costs at the least, its imbalance whole and a bonus
      // only it can have: when that is more than the best's, no need to ask.
      if (best >= 0) {
        const int d = 2 * (at - from) - n + 1;
        const double bonus = phase == 1 || (at + 1 < to && IsDash(t.chars[at + 1])) ? bonuses[phase] : noDialogue;
        const double least = ImbalanceCost(d, w, topHeavy, entries) - bonus;
        if (least > bestCost) continue;
      }
      const int longer = std::max(at - from, to - at - 1);
      const bool fitting = longer <= most;
      // Where a part does not fit, only the narrowest space matters, and only
      // while no space lets both fit. Ties go to the earlier space.
      if (!fitting && (best >= 0 || (widest >= 0 && longer > bestLonger))) break;  // the rest are wider still
      if (!fitting && widest >= 0 && longer == bestLonger && k > widest) continue;
      if (!BreakKeepsText(s_, v_.Byte(first_ + at), textAt_, dialect_, entries)) continue;
      double cost = 0;
      if (!Cost(t, r, k, language_, w, entries, cost)) continue;
      if (fitting) {
        if (best < 0 || cost < bestCost || (cost == bestCost && k < best)) best = k, bestCost = cost;
      } else {
        widest = k, bestLonger = longer;
      }
    }
  }
  if (fits) *fits = best >= 0;
  const int k = best >= 0 ? best : widest;
  return k < 0 ? 0 : first_ + t.spaces[k] + 1;
}

int BreakChooser::Choose(int most, Parts parts, bool* fits, const Weights* weights) const {
  return Choose(first_, v_.size(), most, parts, fits, weights);
}

int ChooseBreak(std::string_view s, const Visible& v, size_t textAt, const StyleDialect& dialect, int most,
                int language, Parts parts, bool* fits, const Weights* weights) {
  return BreakChooser(s, v, textAt, dialect, language).Choose(most, parts, fits, weights);
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
  // A word is looked up when it has at most 24 bytes: kept in place, its
  // length counted on past that.
  constexpr size_t kMost = 24;
  char word[kMost + 4];
  size_t length = 0;
  bool inTag = false;
  const auto flush = [&] {
    if (length > 0 && length <= kMost) {
      ++words_;
      const std::uint64_t languages = LanguagesOf(std::string_view(word, length));
      for (int l = 0; languages != 0 && l < kBreakLanguageCount; ++l) hits_[l] += (languages >> l) & 1;
    }
    length = 0;
  };
  for (size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    const char32_t c = byte < 0x80 ? text[i++] : NextCodePoint(text, i);
    if (c == '<' || c == '{') inTag = true;
    if (inTag) {
      inTag = c != '>' && c != '}';
      continue;
    }
    if (c == ' ' || c == '|' || (IsPunctuation(c) && c != '\'' && c != 0x2019)) {
      flush();
    } else if (length > kMost) {
      ++length;  // too long already: no need to write it
    } else if (c < 0x80) {
      word[length++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      length = static_cast<size_t>(WriteUtf8(word + length, Lower(c)) - word);
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
