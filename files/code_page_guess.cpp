// Which encoding an 8-bit or East Asian file is in, from its letters.
//
// libuchardet knows the East Asian encodings well, but on the few non-ASCII
// words of a Western film it names whatever page one word happens to fit
// (IBM852 for "naïve"). So the 8-bit page is chosen by reading the sample in
// every page that may be guessed and asking which reading gives the letters
// of one language, in words that look like words; libuchardet's answer only
// breaks ties between other pages than Windows-1252, which is kept unless
// another page clearly reads better.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <uchardet/uchardet.h>
#include <vector>

#include "files/charset.h"
#include "files/code_page.h"
#include "files/code_page_tables.h"
#include "model/text.h"

namespace lm {

namespace {

// ------------------------------------------------------------ characters

enum class Kind { Letter, Mark, Joiner, Neutral, Symbol };

// What a character is inside a word. Only what the guessable code pages
// decode to needs telling apart; the rest is a symbol.
constexpr Kind KindOf(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? Kind::Letter : Kind::Symbol;
  switch (c) {
    case 0xA0:    // no-break space
    case 0xAD:    // soft hyphen
    case 0xB4:    // acute accent, and the quotes: used as apostrophes
    case 0xB7:    // middle dot (Catalan l·l)
    case 0x2BC:   // modifier apostrophe
    case 0x5BE:   // Hebrew maqaf
    case 0x5F3:   // geresh
    case 0x5F4:   // gershayim
    case 0x200E:  // direction marks
    case 0x200F:
    case 0x2010:  // hyphens
    case 0x2011:
    case 0x2018:
    case 0x2019:
      return Kind::Neutral;
    case 0x200C:  // (zero width) non-joiner and joiner, tatweel
    case 0x200D:
    case 0x640:
      return Kind::Joiner;
    default:
      break;
  }
  if (c >= 0xC0 && c <= 0x24F) return c == 0xD7 || c == 0xF7 ? Kind::Symbol : Kind::Letter;
  if (c >= 0x300 && c <= 0x36F) return Kind::Mark;
  if (c == 0x386 || (c >= 0x388 && c <= 0x3FF && c != 0x3F6)) return Kind::Letter;
  if ((c >= 0x400 && c <= 0x481) || (c >= 0x48A && c <= 0x52F)) return Kind::Letter;
  if ((c >= 0x5B0 && c <= 0x5BD) || c == 0x5BF || c == 0x5C1 || c == 0x5C2 || c == 0x5C4 || c == 0x5C5 || c == 0x5C7)
    return Kind::Mark;
  if ((c >= 0x5D0 && c <= 0x5EA) || (c >= 0x5F0 && c <= 0x5F2)) return Kind::Letter;
  if ((c >= 0x64B && c <= 0x65F) || c == 0x670) return Kind::Mark;
  if ((c >= 0x620 && c <= 0x64A) || (c >= 0x66E && c <= 0x6D3 && c != 0x6D4) || c == 0x6D5) return Kind::Letter;
  if (c >= 0x1E00 && c <= 0x1EFF) return Kind::Letter;
  return Kind::Symbol;
}

constexpr bool InWord(char32_t c) {
  const Kind k = KindOf(c);
  return k == Kind::Letter || k == Kind::Mark || k == Kind::Joiner;
}

// Upper case letters and their lower case, in the scripts of the pages.
constexpr bool IsUpper(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z';
  if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x200 && c <= 0x233) ||
      (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F) ||
      (c >= 0x1E00 && c <= 0x1EFF))
    return c % 2 == 0;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE)) return c % 2 == 1;
  if (c == 0x178 || c == 0x386 || (c >= 0x388 && c <= 0x38F && c != 0x38B && c != 0x38D)) return true;
  return (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x400 && c <= 0x42F);
}

constexpr bool IsLower(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z';
  if (IsUpper(c)) return false;
  return KindOf(c) == Kind::Letter && ((c >= 0xDF && c <= 0x24F) || (c >= 0x390 && c <= 0x3CE) ||
                                       (c >= 0x430 && c <= 0x52F) || (c >= 0x1E00 && c <= 0x1EFF));
}

constexpr char32_t ToLower(char32_t c) {
  if (!IsUpper(c) || c == 0x130) return c;  // İ stays itself: it has no lower case of its own
  if (c < 0x80 || (c >= 0xC0 && c <= 0xDE)) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x391 && c <= 0x3AB) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  return c + 1;
}

enum class Script { None, Latin, Greek, Cyrillic, Hebrew, Arabic };
constexpr Script ScriptOf(char32_t c) {
  if (KindOf(c) != Kind::Letter) return Script::None;
  if (c < 0x250 || (c >= 0x1E00 && c <= 0x1EFF)) return Script::Latin;
  if (c < 0x400) return Script::Greek;
  if (c < 0x530) return Script::Cyrillic;
  if (c < 0x600) return Script::Hebrew;
  return Script::Arabic;
}

// ------------------------------------------------------------ languages

// The letters beyond ASCII a language writes, in lower case, and ranges
// of whole scripts; the letters also as a set of code points, made when the
// program is built, which the guess asks of every letter in every page.
constexpr size_t kSetCodePoints = 0x500;  // every listed letter is below
struct Language {
  const char* letters;
  char32_t from = 0, to = 0, from2 = 0, to2 = 0;
  std::array<std::uint64_t, kSetCodePoints / 64> set{};
};

constexpr Language Letters(const char* letters, char32_t from = 0, char32_t to = 0, char32_t from2 = 0,
                           char32_t to2 = 0) {
  Language language{letters, from, to, from2, to2, {}};
  const std::string_view s = letters;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t more = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    char32_t cp = more == 0 ? c : c & (0x3F >> more);
    for (size_t k = 1; k <= more; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += more + 1;
    if (cp < 0x80 || cp >= kSetCodePoints) throw "a letter the set cannot hold";
    language.set[cp / 64] |= std::uint64_t{1} << (cp % 64);
  }
  return language;
}

// Which languages each guessable page is for; the families are what
// libuchardet's answers are sorted into.
enum class Family { Western, Central, Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese, None };

constexpr Language kWestern[] = {
    Letters("éèàïç"),            // English, with its loan words
    Letters("àâçéèêëîïôœùûüÿ"),  // French
    Letters("äöüß"),             // German
    Letters("áéíñóúü"),          // Spanish
    Letters("áâãàçéêíóôõú"),     // Portuguese
    Letters("àèéìíòóù"),         // Italian
    Letters("éèëïöü"),           // Dutch
    Letters("åäöéšž"),           // Swedish, Finnish
    Letters("æøåé"),             // Danish, Norwegian
    Letters("áðéíóúýþæö"),       // Icelandic
    Letters("àçèéíïòóúü"),       // Catalan
};
constexpr Language kCentral[] = {
    Letters("ąćęłńóśźż"),          // Polish
    Letters("áčďéěíňóřšťúůýž"),    // Czech
    Letters("áäčďéíĺľňóôŕšťúýž"),  // Slovak
    Letters("áéíóöőúüű"),          // Hungarian
    Letters("čćđšž"),              // Croatian, Slovenian
    Letters("ăâîşţșț"),            // Romanian
};
constexpr Language kCyrillic[] = {
    Letters("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"),  // Russian
    Letters("абвгґдеєжзиіїйклмнопрстуфхцчшщьюя"),  // Ukrainian
    Letters("абвгдеёжзійклмнопрстуўфхцчшыьэюя"),   // Belarusian
    Letters("абвгдежзийклмнопрстуфхцчшщъьюя"),     // Bulgarian
    Letters("абвгдђежзијклљмнњопрстћуфхцчџш"),     // Serbian
    Letters("абвгдѓежзѕијклљмнњопрстќуфхцчџш"),    // Macedonian
};
constexpr Language kGreek[] = {Letters("αβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώϊϋΐΰ")};
constexpr Language kTurkish[] = {Letters("çğıİöşüâîû")};
constexpr Language kHebrew[] = {Letters("", 0x5B0, 0x5C7, 0x5D0, 0x5F2)};
constexpr Language kArabic[] = {Letters("", 0x620, 0x65F, 0x66E, 0x6D5)};
constexpr Language kBaltic[] = {
    Letters("ąčęėįšųūž"),    // Lithuanian
    Letters("āčēģīķļņšūž"),  // Latvian
    Letters("äöõüšž"),       // Estonian
};
constexpr Language kVietnamese[] = {
    Letters("àáâãèéêìíòóôõùúýăđơư\xCC\x80\xCC\x81\xCC\x83\xCC\x89\xCC\xA3")};  // and the tone marks

struct Languages {
  const Language* begin() const { return first; }
  const Language* end() const { return first + count; }
  const Language* first;
  size_t count;
};

template <size_t N>
constexpr Languages Of(const Language (&languages)[N]) {
  return {languages, N};
}

constexpr Languages LanguagesOf(Family f) {
  switch (f) {
    case Family::Western:
      return Of(kWestern);
    case Family::Central:
      return Of(kCentral);
    case Family::Cyrillic:
      return Of(kCyrillic);
    case Family::Greek:
      return Of(kGreek);
    case Family::Turkish:
      return Of(kTurkish);
    case Family::Hebrew:
      return Of(kHebrew);
    case Family::Arabic:
      return Of(kArabic);
    case Family::Baltic:
      return Of(kBaltic);
    case Family::Vietnamese:
      return Of(kVietnamese);
    case Family::None:
      break;
  }
  return {nullptr, 0};
}

bool InRanges(const Language& language, char32_t c) {
  return (c >= language.from && c <= language.to) || (c >= language.from2 && c <= language.to2);
}

// Whether the language writes the letter, from its letters as written.
bool Writes(const Language& language, char32_t c) {
  if (InRanges(language, c)) return true;
  const std::string_view letters = language.letters;
  for (size_t i = 0; i < letters.size();)
    if (NextCodePoint(letters, i) == c) return true;
  return false;
}

// The same, from the set.
bool InSet(const Language& language, char32_t c) {
  return InRanges(language, c) || (c < kSetCodePoints && (language.set[c / 64] >> (c % 64) & 1) != 0);
}

struct Candidate {
  Encoding page;
  Family family;
};
// Windows pages before ISO ones, so that a tie (text whose bytes read the
// same in both) goes to the Windows page.
constexpr Candidate kCandidates[] = {
    {Encoding::Windows1250, Family::Central}, {Encoding::Windows1251, Family::Cyrillic},
    {Encoding::Windows1253, Family::Greek},   {Encoding::Windows1254, Family::Turkish},
    {Encoding::Windows1255, Family::Hebrew},  {Encoding::Windows1256, Family::Arabic},
    {Encoding::Windows1257, Family::Baltic},  {Encoding::Windows1258, Family::Vietnamese},
    {Encoding::Iso8859_2, Family::Central},   {Encoding::Iso8859_5, Family::Cyrillic},
    {Encoding::Iso8859_7, Family::Greek},     {Encoding::Iso8859_9, Family::Turkish},
    {Encoding::Iso8859_13, Family::Baltic},
};

// The family of a page libuchardet names (by EncodingKey).
Family FamilyOfDetected(const std::string& key) {
  static const std::pair<const char*, Family> kNames[] = {
      {"windows1250", Family::Central}, {"iso88592", Family::Central},         {"iso885916", Family::Central},
      {"ibm852", Family::Central},      {"maccentraleurope", Family::Central}, {"windows1251", Family::Cyrillic},
      {"iso88595", Family::Cyrillic},   {"koi8r", Family::Cyrillic},           {"ibm866", Family::Cyrillic},
      {"ibm855", Family::Cyrillic},     {"maccyrillic", Family::Cyrillic},     {"windows1253", Family::Greek},
      {"iso88597", Family::Greek},      {"windows1254", Family::Turkish},      {"iso88599", Family::Turkish},
      {"windows1255", Family::Hebrew},  {"iso88598", Family::Hebrew},          {"windows1256", Family::Arabic},
      {"iso88596", Family::Arabic},     {"windows1257", Family::Baltic},       {"iso885913", Family::Baltic},
      {"iso88594", Family::Baltic},     {"windows1258", Family::Vietnamese},   {"viscii", Family::Vietnamese},
  };
  for (const auto& [name, family] : kNames)
    if (key == name) return family;
  return Family::None;
}

// ------------------------------------------------------------ the score

// How well the sample reads in the page: the non-ASCII letters of the
// language they fit best (+1 each letter of it, -1 each other letter), less
// what no text holds: undefined bytes and control codes (-2), a symbol
// inside a word or an ordinal or superscript before a letter, a capital
// after a small letter, a small letter between capitals (-1), a letter next
// to one of another script (-2 each side), and a Latin word of more than
// one letter without a single ASCII one (-1 each letter).
// What Score asks of each byte's character, looked up once a page.
struct ByteInfo {
  Kind kind = Kind::Symbol;
  Script script = Script::None;
  bool inWord = false, upper = false, lower = false, latin = false, standIn = false;
  bool trailing = false;  // an ordinal or superscript, which follows what it belongs to
};

constexpr ByteInfo InfoOf(char32_t c, bool high) {
  ByteInfo i;
  i.kind = KindOf(c);
  i.script = ScriptOf(c);
  i.inWord = InWord(c);
  i.upper = IsUpper(c);
  i.lower = IsLower(c);
  i.latin = high && i.script == Script::Latin;
  i.standIn = high && IsCodePageStandIn(c);
  i.trailing = c == 0xAA || c == 0xBA || c == 0xB9 || c == 0xB2 || c == 0xB3;  // ª º ¹ ² ³
  return i;
}

// The plain way, a byte at a time, each page's table made first.
int PlainScore(const std::array<char32_t, 256>& page, const std::vector<std::string_view>& lines, Family family) {
  std::array<ByteInfo, 257> info;  // the last: no character (a line's ends)
  for (size_t b = 0; b < 256; ++b) info[b] = InfoOf(page[b], b >= 0x80);
  const ByteInfo& none = info[256];
  std::array<int, 256> letters{};
  int penalty = 0;
  for (const std::string_view line : lines) {
    const auto at = [&](size_t i) -> const ByteInfo& {
      return i < line.size() ? info[static_cast<unsigned char>(line[i])] : none;
    };
    int wordAscii = 0, wordLatin = 0, wordOther = 0;  // the word so far
    for (size_t i = 0; i <= line.size(); ++i) {
      const ByteInfo& c = at(i);
      const unsigned char b = i < line.size() ? static_cast<unsigned char>(line[i]) : 0;
      if (!c.inWord) {
        if (wordAscii == 0 && wordOther == 0 && wordLatin > 1) penalty -= wordLatin;
        wordAscii = wordLatin = wordOther = 0;
      } else if (b < 0x80) {
        ++wordAscii;
      } else if (c.latin) {
        ++wordLatin;
      } else {
        ++wordOther;
      }
      if (b < 0x80) continue;
      if (c.standIn) {
        penalty -= 2;
        continue;
      }
      const ByteInfo& prev = i > 0 ? at(i - 1) : none;
      const ByteInfo& next = at(i + 1);
      if (c.kind == Kind::Symbol) {
        if ((prev.inWord || c.trailing) && next.inWord) --penalty;
        continue;
      }
      if (c.kind != Kind::Letter && c.kind != Kind::Mark) continue;
      ++letters[b];
      if (c.kind != Kind::Letter) continue;
      if (c.upper && prev.lower) --penalty;
      if (c.lower && prev.upper && next.upper) --penalty;
      for (const ByteInfo* n : {&prev, &next})
        if (n->script != Script::None && n->script != c.script) penalty -= 2;
    }
  }
  int best = 0;
  bool any = false;
  for (const Language& language : LanguagesOf(family)) {
    int fit = 0;
    for (int b = 0x80; b < 0x100; ++b)
      if (letters[static_cast<size_t>(b)] > 0)
        fit += Writes(language, ToLower(page[static_cast<size_t>(b)])) ? letters[static_cast<size_t>(b)]
                                                                       : -letters[static_cast<size_t>(b)];
    if (!any || fit > best) best = fit;
    any = true;
  }
  return best + penalty;
}

// What the score asks of the bytes beyond ASCII of every page, made when
// the program is built (the pages that are no 8-bit ones read as stand-ins).
using HighInfo = std::array<ByteInfo, 128>;
constexpr std::array<HighInfo, kCodePageCount> kHighInfo = [] {
  std::array<HighInfo, kCodePageCount> pages{};
  for (size_t i = 0; i < kCodePageCount; ++i) {
    const std::array<char32_t, 256> page = ToUnicodeOf(kCodePageHalves[i]);
    for (size_t b = 0; b < 128; ++b) pages[i][b] = InfoOf(page[b + 0x80], true);
  }
  return pages;
}();

// An ASCII byte next to a byte beyond ASCII is the same in every page, and
// one of three to the score: no letter (or a line's end), a small letter or
// a capital.
enum AsciiClass : unsigned char { kNoLetter, kSmall, kCapital };
constexpr ByteInfo kAsciiInfo[] = {InfoOf(0, false), InfoOf('a', false), InfoOf('A', false)};

AsciiClass ClassOf(unsigned char c) {
  if ((c | 0x20) < 'a' || (c | 0x20) > 'z') return kNoLetter;
  return c <= 'Z' ? kCapital : kSmall;
}

// A run of bytes beyond ASCII in a line, with what stands either side.
struct Run {
  const unsigned char* bytes;
  size_t size;
  AsciiClass before, after;
};

// The sample's runs: the rest of it, ASCII, reads alike in every page, and
// its words count only in that an ASCII letter in one spares it.
std::vector<Run> RunsOf(const std::vector<std::string_view>& lines) {
  std::vector<Run> runs;
  for (const std::string_view line : lines) {
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    for (size_t i = FindHighByte(line, 0); i < line.size(); i = FindHighByte(line, i)) {
      size_t end = i + 1;
      while (end < line.size() && p[end] >= 0x80) ++end;
      runs.push_back(
          {p + i, end - i, i > 0 ? ClassOf(p[i - 1]) : kNoLetter, end < line.size() ? ClassOf(p[end]) : kNoLetter});
      i = end;
    }
  }
  return runs;
}

// PlainScore from the runs and the page's table made when it was built.
int RunScore(const HighInfo& info, const std::array<char32_t, 256>& page, const std::vector<Run>& runs, Family family) {
  std::array<int, 128> letters{};
  int penalty = 0;
  for (const Run& run : runs) {
    const ByteInfo* prev = &kAsciiInfo[run.before];
    // The word so far: its letters beyond ASCII, Latin or not, and whether an
    // ASCII letter is in it.
    int wordLatin = 0, wordOther = 0;
    bool wordAscii = run.before != kNoLetter;
    for (size_t j = 0; j < run.size; ++j) {
      const unsigned char b = run.bytes[j] - 0x80;
      const ByteInfo& c = info[b];
      const ByteInfo& next = j + 1 < run.size ? info[run.bytes[j + 1] - 0x80] : kAsciiInfo[run.after];
      const ByteInfo& before = *prev;
      prev = &c;
      if (!c.inWord) {
        if (!wordAscii && wordOther == 0 && wordLatin > 1) penalty -= wordLatin;
        wordAscii = false;
        wordLatin = wordOther = 0;
      } else if (c.latin) {
        ++wordLatin;
      } else {
        ++wordOther;
      }
      if (c.standIn) {
        penalty -= 2;
        continue;
      }
      if (c.kind == Kind::Symbol) {
        if ((before.inWord || c.trailing) && next.inWord) --penalty;
        continue;
      }
      if (c.kind != Kind::Letter && c.kind != Kind::Mark) continue;
      ++letters[b];
      if (c.kind != Kind::Letter) continue;
      if (c.upper && before.lower) --penalty;
      if (c.lower && before.upper && next.upper) --penalty;
      for (const ByteInfo* n : {&before, &next})
        if (n->script != Script::None && n->script != c.script) penalty -= 2;
    }
    // A word that ends with the run, at no letter, is whole.
    if (run.after == kNoLetter && !wordAscii && wordOther == 0 && wordLatin > 1) penalty -= wordLatin;
  }
  int best = 0;
  bool any = false;
  std::array<char32_t, 128> lowered{};
  for (size_t b = 0; b < 128; ++b)
    if (letters[b] > 0) lowered[b] = ToLower(page[b + 0x80]);
  for (const Language& language : LanguagesOf(family)) {
    int fit = 0;
    for (size_t b = 0; b < 128; ++b)
      if (letters[b] > 0) fit += InSet(language, lowered[b]) ? letters[b] : -letters[b];
    if (!any || fit > best) best = fit;
    any = true;
  }
  return best + penalty;
}

int Score(Encoding e, const std::vector<Run>& runs, Family family) {
  return RunScore(kHighInfo[EncodingIndex(e)], CodePageTable(e), runs, family);
}

// The lines with bytes beyond ASCII, which alone say anything about the
// encoding; a bounded sample of them keeps a large file quick.
std::vector<std::string_view> NonAsciiLines(std::string_view bytes, std::string& joined) {
  constexpr size_t kSample = 16 * 1024;
  // A UTF-8 byte order mark before 8-bit text is no letter of it.
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  std::vector<std::string_view> lines;
  size_t taken = 0;
  for (size_t start = 0; start < bytes.size() && taken < kSample;) {
    // The lines before the next byte beyond ASCII are passed over unread.
    const size_t high = FindHighByte(bytes, start);
    if (high == bytes.size()) break;
    const size_t before = high > start ? bytes.rfind('\n', high - 1) : std::string_view::npos;
    if (before != std::string_view::npos && before >= start) start = before + 1;
    size_t end = bytes.find('\n', high);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, std::min(end - start, kSample));
    start = end + 1;
    if (IsAscii(line)) continue;
    lines.push_back(line);
    taken += line.size() + 1;
  }
  joined.clear();
  joined.reserve(taken);
  for (const std::string_view line : lines) {
    joined.append(line);
    joined += '\n';
  }
  return lines;
}

// libuchardet's answer for the sample, as EncodingKey writes it.
std::string Detected(const std::string& sample) {
  uchardet_t detector = uchardet_new();
  if (!detector) return {};
  uchardet_handle_data(detector, sample.data(), sample.size());
  uchardet_data_end(detector);
  std::string name = EncodingKey(uchardet_get_charset(detector));
  uchardet_delete(detector);
  return name;
}

Encoding ChoosePage(std::vector<std::string_view> lines, const std::string& detected) {
  // Another page must read clearly better than Windows-1252: by more than
  // one letter that fits where Windows-1252's does not.
  constexpr int kClearly = 2;
  // Every page reads the sample: a few hundred lines tell them apart.
  constexpr size_t kScored = 16 * 1024;
  size_t scored = 0, taken = 0;
  while (taken < lines.size() && scored < kScored) scored += lines[taken++].size();
  lines.resize(taken);
  const Family named = FamilyOfDetected(detected);
  const std::vector<Run> runs = RunsOf(lines);
  const int western = Score(Encoding::Windows1252, runs, Family::Western);
  const Candidate* best = nullptr;
  int bestScore = 0, bestRank = 0;
  for (const Candidate& c : kCandidates) {
    const int score = Score(c.page, runs, c.family);
    const int rank = score + (c.family == named ? 1 : 0);
    if (!best || rank > bestRank) {
      best = &c;
      bestScore = score;
      bestRank = rank;
    }
  }
  return best && bestScore >= western + kClearly ? best->page : Encoding::Windows1252;
}

}  // namespace

int CodePageScore(Encoding page, const std::vector<std::string_view>& lines, bool plain) {
  Family family = page == Encoding::Windows1252 ? Family::Western : Family::None;
  for (const Candidate& c : kCandidates)
    if (c.page == page) family = c.family;
  return plain ? PlainScore(CodePageTable(page), lines, family) : Score(page, RunsOf(lines), family);
}

Encoding GuessCodePage(std::string_view bytes) {
  std::string sample;
  const std::vector<std::string_view> lines = NonAsciiLines(bytes, sample);
  return ChoosePage(lines, Detected(sample));
}

Encoding GuessLegacyEncoding(std::string_view bytes, MultiByteText& decoded) {
  std::string sample;
  const std::vector<std::string_view> lines = NonAsciiLines(bytes, sample);
  const std::string detected = Detected(sample);
  const std::optional<Encoding> named = EncodingFromName(detected);
  if (named && IsMultiByte(*named)) {
    // A few broken characters do not make a Chinese film Western; many do
    // say the guess was wrong.
    MultiByteText text = DecodeMultiByte(*named, bytes);
    size_t high = 0;
    for (const unsigned char b : bytes) high += b >= 0x80;
    if (text.keptBytes * 50 <= high) {
      decoded = std::move(text);
      return *named;
    }
  }
  return ChoosePage(lines, detected);
}

}  // namespace lm
