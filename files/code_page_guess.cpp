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
#include <string>
#include <uchardet/uchardet.h>
#include <vector>

#include "files/charset.h"
#include "files/code_page.h"
#include "model/text.h"

namespace lm {

namespace {

// ------------------------------------------------------------ characters

enum class Kind { Letter, Mark, Joiner, Neutral, Symbol };

// What a character is inside a word. Only what the guessable code pages
// decode to needs telling apart; the rest is a symbol.
Kind KindOf(char32_t c) {
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

bool InWord(char32_t c) {
  const Kind k = KindOf(c);
  return k == Kind::Letter || k == Kind::Mark || k == Kind::Joiner;
}

// Upper case letters and their lower case, in the scripts of the pages.
bool IsUpper(char32_t c) {
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

bool IsLower(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z';
  if (IsUpper(c)) return false;
  return KindOf(c) == Kind::Letter && ((c >= 0xDF && c <= 0x24F) || (c >= 0x390 && c <= 0x3CE) ||
                                       (c >= 0x430 && c <= 0x52F) || (c >= 0x1E00 && c <= 0x1EFF));
}

char32_t ToLower(char32_t c) {
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
Script ScriptOf(char32_t c) {
  if (KindOf(c) != Kind::Letter) return Script::None;
  if (c < 0x250 || (c >= 0x1E00 && c <= 0x1EFF)) return Script::Latin;
  if (c < 0x400) return Script::Greek;
  if (c < 0x530) return Script::Cyrillic;
  if (c < 0x600) return Script::Hebrew;
  return Script::Arabic;
}

// ------------------------------------------------------------ languages

// The letters beyond ASCII a language writes, in lower case, and ranges
// of whole scripts.
struct Language {
  const char* letters;
  char32_t from = 0, to = 0, from2 = 0, to2 = 0;
};

// Which languages each guessable page is for; the families are what
// libuchardet's answers are sorted into.
enum class Family { Western, Central, Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese, None };

const std::vector<Language>& LanguagesOf(Family f) {
  static const std::vector<Language> kWestern = {
      {"éèàïç"},            // English, with its loan words
      {"àâçéèêëîïôœùûüÿ"},  // French
      {"äöüß"},             // German
      {"áéíñóúü"},          // Spanish
      {"áâãàçéêíóôõú"},     // Portuguese
      {"àèéìíòóù"},         // Italian
      {"éèëïöü"},           // Dutch
      {"åäöéšž"},           // Swedish, Finnish
      {"æøåé"},             // Danish, Norwegian
      {"áðéíóúýþæö"},       // Icelandic
      {"àçèéíïòóúü"},       // Catalan
  };
  static const std::vector<Language> kCentral = {
      {"ąćęłńóśźż"},          // Polish
      {"áčďéěíňóřšťúůýž"},    // Czech
      {"áäčďéíĺľňóôŕšťúýž"},  // Slovak
      {"áéíóöőúüű"},          // Hungarian
      {"čćđšž"},              // Croatian, Slovenian
      {"ăâîşţșț"},            // Romanian
  };
  static const std::vector<Language> kCyrillic = {
      {"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"},  // Russian
      {"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя"},  // Ukrainian
      {"абвгдеёжзійклмнопрстуўфхцчшыьэюя"},   // Belarusian
      {"абвгдежзийклмнопрстуфхцчшщъьюя"},     // Bulgarian
      {"абвгдђежзијклљмнњопрстћуфхцчџш"},     // Serbian
      {"абвгдѓежзѕијклљмнњопрстќуфхцчџш"},    // Macedonian
  };
  static const std::vector<Language> kGreek = {{"αβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώϊϋΐΰ"}};
  static const std::vector<Language> kTurkish = {{"çğıİöşüâîû"}};
  static const std::vector<Language> kHebrew = {{"", 0x5B0, 0x5C7, 0x5D0, 0x5F2}};
  static const std::vector<Language> kArabic = {{"", 0x620, 0x65F, 0x66E, 0x6D5}};
  static const std::vector<Language> kBaltic = {
      {"ąčęėįšųūž"},    // Lithuanian
      {"āčēģīķļņšūž"},  // Latvian
      {"äöõüšž"},       // Estonian
  };
  static const std::vector<Language> kVietnamese = {
      {"àáâãèéêìíòóôõùúýăđơư\xCC\x80\xCC\x81\xCC\x83\xCC\x89\xCC\xA3"}};  // and the tone marks
  static const std::vector<Language> kNone;
  switch (f) {
    case Family::Western:
      return kWestern;
    case Family::Central:
      return kCentral;
    case Family::Cyrillic:
      return kCyrillic;
    case Family::Greek:
      return kGreek;
    case Family::Turkish:
      return kTurkish;
    case Family::Hebrew:
      return kHebrew;
    case Family::Arabic:
      return kArabic;
    case Family::Baltic:
      return kBaltic;
    case Family::Vietnamese:
      return kVietnamese;
    case Family::None:
      break;
  }
  return kNone;
}

bool Writes(const Language& language, char32_t c) {
  if ((c >= language.from && c <= language.to) || (c >= language.from2 && c <= language.to2)) return true;
  const std::string_view letters = language.letters;
  for (size_t i = 0; i < letters.size();)
    if (NextCodePoint(letters, i) == c) return true;
  return false;
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

int Score(const std::array<char32_t, 256>& page, const std::vector<std::string_view>& lines, Family family) {
  std::array<ByteInfo, 257> info;  // the last: no character (a line's ends)
  for (size_t b = 0; b < 256; ++b) {
    const char32_t c = page[b];
    ByteInfo& i = info[b];
    i.kind = KindOf(c);
    i.script = ScriptOf(c);
    i.inWord = InWord(c);
    i.upper = IsUpper(c);
    i.lower = IsLower(c);
    i.latin = b >= 0x80 && i.script == Script::Latin;
    i.standIn = b >= 0x80 && IsCodePageStandIn(c);
    i.trailing = c == 0xAA || c == 0xBA || c == 0xB9 || c == 0xB2 || c == 0xB3;  // ª º ¹ ² ³
  }
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

// The lines with bytes beyond ASCII, which alone say anything about the
// encoding; a bounded sample of them keeps a large file quick.
std::vector<std::string_view> NonAsciiLines(std::string_view bytes, std::string& joined) {
  constexpr size_t kSample = 16 * 1024;
  // A UTF-8 byte order mark before 8-bit text is no letter of it.
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  std::vector<std::string_view> lines;
  size_t taken = 0;
  for (size_t start = 0; start < bytes.size() && taken < kSample;) {
    size_t end = bytes.find('\n', start);
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
  const int western = Score(CodePageTable(Encoding::Windows1252), lines, Family::Western);
  const Candidate* best = nullptr;
  int bestScore = 0, bestRank = 0;
  for (const Candidate& c : kCandidates) {
    const int score = Score(CodePageTable(c.page), lines, c.family);
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
