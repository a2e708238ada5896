// Encodings as files come in them: the 8-bit code page guessed from real
// sentences, the East Asian encodings read as characters and written back
// byte for byte, UTF-32, the letters of the Hebrew and Vietnamese pages, and
// the characters an encoding cannot hold named wherever they are refused.
#include <iconv.h>

#include <gtest/gtest.h>

#include "editor/char_grid.h"
#include "files/charset.h"
#include "files/text_file.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

// The UTF-8 text in the system converter's encoding, independent of the
// program's own tables; "" when it does not fit.
std::string Iconv(const char* to, const std::string& utf8) {
  iconv_t cd = ::iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* o = &out[0];
  size_t inLeft = utf8.size(), outLeft = out.size();
  const bool ok = ::iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1) &&
                  ::iconv(cd, nullptr, nullptr, &o, &outLeft) != static_cast<size_t>(-1);
  ::iconv_close(cd);
  if (!ok) return {};
  out.resize(out.size() - outLeft);
  return out;
}

// A frame-based file of the lines, an entry each.
std::string FrameFile(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string out;
  int frame = 1;
  for (const std::string& line : lines) {
    out += "{" + std::to_string(frame) + "}{" + std::to_string(frame + 50) + "}" + line + end;
    frame += 100;
  }
  return out;
}

struct Read {
  ReadStatus status;
  SubtitleFile file;
};
Read ReadBytes(const std::string& bytes, std::optional<Encoding> named = std::nullopt, const std::string& path = {}) {
  Read r;
  r.status = ParseSubtitleFile(bytes, r.file, named, kDefaultFrameRate, path);
  return r;
}

// Where two byte strings first differ, briefly; "" when they do not.
std::string FirstDifference(const std::string& a, const std::string& b) {
  if (a == b) return {};
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const auto around = [i](const std::string& s) {
    std::string out;
    for (size_t k = i < 8 ? 0 : i - 8; k < std::min(s.size(), i + 8); ++k) {
      static const char kHex[] = "0123456789ABCDEF";
      const unsigned char c = static_cast<unsigned char>(s[k]);
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
      out += ' ';
    }
    return out;
  };
  return "at byte " + std::to_string(i) + ": " + around(a) + "| " + around(b);
}

std::string Written(const SubtitleFile& file) {
  std::string bytes;
  EXPECT_TRUE(EncodeSubtitleFile(file.lines, file.identity, bytes));
  return bytes;
}

// ------------------------------------------------------------ 8-bit pages guessed

struct GuessCase {
  const char* name;
  std::vector<std::string> lines;  // UTF-8
  const char* iconv;               // the page the file is written in
  Encoding expected;               // the page it is read in
};
void PrintTo(const GuessCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kEnglish = {"Don't be naïve, it's only a café.", "“Really?” she said. “I didn’t know.”",
                                           "It’s a déjà vu, isn’t it?", "We'll meet at the hotel."};
const std::vector<std::string> kFrench = {"Été comme hiver, il fait beau à Paris.",
                                          "Où est la clé ? Je ne sais pas, ma chère.",
                                          "C'est déjà l'heure de goûter, François."};
const std::vector<std::string> kGerman = {"Über die Brücke gehen wir später.", "Das Mädchen heißt Jürgen? Nein, Jörg.",
                                          "Grüß Gott, schön Sie zu sehen."};
const std::vector<std::string> kSpanish = {"¿Dónde está el niño? ¡No lo sé!", "Mañana vamos a la montaña.",
                                           "El corazón tiene razones que la razón no entiende."};
const std::vector<std::string> kPortuguese = {"Não sei o que você está dizendo.", "A lição de hoje é sobre a família.",
                                              "Obrigado, coração. Até amanhã."};
const std::vector<std::string> kSwedish = {"Vad är det här för något?", "Jag förstår inte vad du säger.",
                                           "Kom hit, älskling, vi måste gå."};
const std::vector<std::string> kPolish = {"Dzień dobry, jak się masz?", "Źle się czuję, ślicznie dziękuję.",
                                          "Może pójdziemy na spacer? Łódź jest piękna.", "Zażółć gęślą jaźń."};
const std::vector<std::string> kCzech = {"Příliš žluťoučký kůň úpěl ďábelské ódy.", "Děkuji, už je to v pořádku.",
                                         "Kde jsi byl včera večer? Šel jsem domů."};
const std::vector<std::string> kHungarian = {"Árvíztűrő tükörfúrógép.", "Köszönöm szépen, jól vagyok.",
                                             "Hol van a könyvem? Nem tudom, fiú."};
const std::vector<std::string> kRomanian = {"Eşti sigur că nu vrei să vii?", "Mulţumesc, sunt bine. Şi tu?",
                                            "Nu ştiu ce să fac, mamă."};
const std::vector<std::string> kTurkish = {"Nasılsın? İyiyim, teşekkür ederim.", "Bugün hava çok güzel, değil mi?",
                                           "Şimdi gitmem lazım, görüşürüz."};
const std::vector<std::string> kGreek = {"Καλημέρα, τι κάνεις;", "Δεν ξέρω τι να πω.",
                                         "Άντε, ευχαριστώ πολύ, φίλε μου."};
const std::vector<std::string> kRussian = {"Привет, как дела?", "Всё хорошо, спасибо.",
                                           "Мы пойдём гулять сегодня вечером."};
const std::vector<std::string> kUkrainian = {"Добрий день, як справи?", "Я не знаю, що робити.",
                                             "Дякую, все гаразд, їжте."};
const std::vector<std::string> kBulgarian = {"Здравей, как си?", "Не знам какво да правя.",
                                             "Благодаря, всичко е наред."};
const std::vector<std::string> kHebrew = {"שלום, מה שלומך?", "אני לא יודע מה לעשות.", "תודה רבה, חבר שלי."};
const std::vector<std::string> kArabic = {"مرحبا، كيف حالك؟", "لا أعرف ماذا أفعل.", "شكرا جزيلا يا صديقي."};

class Guess : public ::testing::TestWithParam<GuessCase> {};

TEST_P(Guess, ReadsEachLanguageInTheCodePageItsLettersFit) {
  const GuessCase& c = GetParam();
  std::vector<std::string> coded;
  for (const std::string& line : c.lines) {
    coded.push_back(Iconv(c.iconv, line));
    ASSERT_FALSE(coded.back().empty()) << line;
  }
  const std::string bytes = FrameFile(coded);
  const Read r = ReadBytes(bytes);
  ASSERT_EQ(r.status, ReadStatus::Ok);
  EXPECT_STREQ(EncodingName(r.file.identity.encoding), EncodingName(c.expected));
  ASSERT_EQ(r.file.lines.size(), c.lines.size());
  for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_NE(r.file.lines[i].find(c.lines[i]), std::string::npos) << i;
  EXPECT_EQ(Written(r.file), bytes);
}

// Where a page's bytes read the same as Windows-1252's, or as the Windows
// page's of their family, the Windows page is kept: there is nothing to
// tell them apart.
INSTANTIATE_TEST_SUITE_P(Languages, Guess,
                         ::testing::Values(GuessCase{"English", kEnglish, "CP1252", Encoding::Windows1252},
                                           GuessCase{"French", kFrench, "CP1252", Encoding::Windows1252},
                                           GuessCase{"FrenchLatin9", kFrench, "ISO-8859-15", Encoding::Windows1252},
                                           GuessCase{"German", kGerman, "CP1252", Encoding::Windows1252},
                                           GuessCase{"GermanLatin9", kGerman, "ISO-8859-15", Encoding::Windows1252},
                                           GuessCase{"Spanish", kSpanish, "CP1252", Encoding::Windows1252},
                                           GuessCase{"Portuguese", kPortuguese, "CP1252", Encoding::Windows1252},
                                           GuessCase{"Swedish", kSwedish, "CP1252", Encoding::Windows1252},
                                           GuessCase{"Polish", kPolish, "CP1250", Encoding::Windows1250},
                                           GuessCase{"PolishIso", kPolish, "ISO-8859-2", Encoding::Iso8859_2},
                                           GuessCase{"Czech", kCzech, "CP1250", Encoding::Windows1250},
                                           GuessCase{"CzechIso", kCzech, "ISO-8859-2", Encoding::Iso8859_2},
                                           GuessCase{"Hungarian", kHungarian, "CP1250", Encoding::Windows1250},
                                           GuessCase{"HungarianIso", kHungarian, "ISO-8859-2", Encoding::Windows1250},
                                           GuessCase{"Romanian", kRomanian, "CP1250", Encoding::Windows1250},
                                           GuessCase{"RomanianIso", kRomanian, "ISO-8859-2", Encoding::Windows1250},
                                           GuessCase{"Turkish", kTurkish, "CP1254", Encoding::Windows1254},
                                           GuessCase{"TurkishIso", kTurkish, "ISO-8859-9", Encoding::Windows1254},
                                           GuessCase{"Greek", kGreek, "CP1253", Encoding::Windows1253},
                                           GuessCase{"GreekIso", kGreek, "ISO-8859-7", Encoding::Iso8859_7},
                                           GuessCase{"Russian", kRussian, "CP1251", Encoding::Windows1251},
                                           GuessCase{"RussianIso", kRussian, "ISO-8859-5", Encoding::Iso8859_5},
                                           GuessCase{"Ukrainian", kUkrainian, "CP1251", Encoding::Windows1251},
                                           GuessCase{"Bulgarian", kBulgarian, "CP1251", Encoding::Windows1251},
                                           GuessCase{"BulgarianIso", kBulgarian, "ISO-8859-5", Encoding::Iso8859_5},
                                           GuessCase{"Hebrew", kHebrew, "CP1255", Encoding::Windows1255},
                                           GuessCase{"Arabic", kArabic, "CP1256", Encoding::Windows1256}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WordCase {
  const char* name;
  std::string bytes;  // one entry's text, as the file holds it
  std::string text;   // as read
  Encoding expected;
};
void PrintTo(const WordCase& c, std::ostream* os) { *os << c.name; }

class OneLine : public ::testing::TestWithParam<WordCase> {};

TEST_P(OneLine, IsNotReadInAPageOneWordHappensToFit) {
  const Read r = ReadBytes("{0}{50}" + GetParam().bytes + "\r\n");
  ASSERT_EQ(r.status, ReadStatus::Ok);
  EXPECT_STREQ(EncodingName(r.file.identity.encoding), EncodingName(GetParam().expected));
  EXPECT_EQ(r.file.lines.front(), "{0}{50}" + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Films, OneLine,
    ::testing::Values(WordCase{"Naive", "Don't be na\xEFve.", "Don't be naïve.", Encoding::Windows1252},
                      WordCase{"Cafe", "caf\xE9", "café", Encoding::Windows1252},
                      WordCase{"Ete", "\xC9t\xE9.", "Été.", Encoding::Windows1252},
                      WordCase{"CurlyQuotes", "\x93Yes,\x94 he said. \x91Why not?\x92", "“Yes,” he said. ‘Why not?’",
                               Encoding::Windows1252},
                      WordCase{"RomanianIso", "E\xBAti sigur c\xE3 nu", "Eşti sigur că nu", Encoding::Windows1250},
                      WordCase{"PolishWord", "Dzie\xF1 dobry, jak si\xEA masz?", "Dzień dobry, jak się masz?",
                               Encoding::Windows1250}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Guess, NeverTakesADosOrKoi8Page) {
  for (const char* page : {"KOI8-R", "KOI8-U", "IBM866", "IBM852"}) {
    for (const auto* lines : {&kRussian, &kUkrainian, &kPolish, &kCzech}) {
      std::vector<std::string> coded;
      for (const std::string& line : *lines) coded.push_back(Iconv(page, line));
      if (coded.front().empty()) continue;  // the page has no such letters
      const Read r = ReadBytes(FrameFile(coded));
      ASSERT_EQ(r.status, ReadStatus::Ok);
      const Encoding e = r.file.identity.encoding;
      EXPECT_TRUE(e != Encoding::Koi8R && e != Encoding::Koi8U && e != Encoding::Ibm866 && e != Encoding::Ibm852)
          << page << " guessed as " << EncodingName(e);
      EXPECT_EQ(Written(r.file), FrameFile(coded)) << page;
      // Chosen, the page reads the letters.
      const Read chosen = ReadBytes(FrameFile(coded), EncodingFromName(page));
      EXPECT_NE(chosen.file.lines.front().find(lines->front()), std::string::npos) << page;
    }
  }
}

TEST(Guess, WindowsAndIsoPagesAreToldApartByTheBytesTheyDifferIn) {
  // "ś" and "ą" are 9C and B9 in Windows-1250, B6 and B1 in ISO-8859-2; in
  // the other page the same bytes are "ś ą" no more but "¶ ±" or "ś š".
  EXPECT_EQ(GuessCodePage("\x9Cwiat si\xEA k\xB9pie"), Encoding::Windows1250);
  EXPECT_EQ(GuessCodePage("\xB6wiat si\xEA k\xB1pie"), Encoding::Iso8859_2);
  // Curly quotes are control codes in the ISO page.
  EXPECT_EQ(GuessCodePage("\x84"
                          "Cze\x9C\xE6\x94, powiedzia\xB3."),
            Encoding::Windows1250);
}

// ------------------------------------------------------------ code page tables

struct LetterCase {
  Encoding page;
  std::string byte;
  std::string letter;
};

TEST(CodePages, EveryLetterOfTheHebrewAndVietnamesePagesReadsAsItself) {
  const LetterCase cases[] = {
      {Encoding::Windows1255, "\xE0", "א"}, {Encoding::Windows1255, "\xF9", "ש"}, {Encoding::Windows1255, "\xFA", "ת"},
      {Encoding::Windows1255, "\xEC", "ל"}, {Encoding::Windows1255, "\xC8", "ָ"},  // qamats, a point
      {Encoding::Windows1258, "\xC3", "Ă"}, {Encoding::Windows1258, "\xE3", "ă"}, {Encoding::Windows1258, "\xF0", "đ"},
      {Encoding::Windows1258, "\xF5", "ơ"}, {Encoding::Windows1258, "\xFD", "ư"}, {Encoding::Windows1258, "\xE0", "à"},
  };
  for (const LetterCase& c : cases) EXPECT_EQ(DecodeSingleByte(c.page, c.byte), c.letter) << EncodingName(c.page);
  // Every byte the converter reads (once flushed) reads as the converter
  // says, in every page, and nothing else comes out as a private use
  // character.
  for (Encoding e : ChoosableEncodings()) {
    if (!IsSingleByte(e)) continue;
    for (int b = 0x80; b < 0x100; ++b) {
      const std::string byte(1, static_cast<char>(b));
      std::string expected;
      {
        iconv_t cd = ::iconv_open("UTF-8", IconvName(e));
        char out[16];
        char* in = const_cast<char*>(byte.data());
        char* o = out;
        size_t inLeft = 1, outLeft = sizeof out;
        if (::iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1) &&
            ::iconv(cd, nullptr, nullptr, &o, &outLeft) != static_cast<size_t>(-1))
          expected.assign(out, sizeof out - outLeft);
        ::iconv_close(cd);
      }
      const std::string got = DecodeSingleByte(e, byte);
      if (!expected.empty()) {
        EXPECT_EQ(got, expected) << EncodingName(e) << " byte " << b;
      } else {
        size_t at = 0;
        const char32_t c = NextCodePoint(got, at);
        EXPECT_TRUE((c >= 0x80 && c <= 0x9F) || (c >= 0xF780 && c <= 0xF7FF))
            << EncodingName(e) << " byte " << b << ": an undefined byte keeps a stand-in";
      }
      EXPECT_EQ(EncodeSingleByte(e, got), byte) << EncodingName(e) << " byte " << b;
    }
  }
}

// ------------------------------------------------------------ East Asian encodings

struct WideCase {
  const char* name;
  const char* iconv;
  Encoding expected;
  std::vector<std::string> lines;
};
void PrintTo(const WideCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kJapanese = {"こんにちは、元気ですか？", "ポケットに手を入れて。",
                                            "明日は雨が降るでしょう。", "心配しないで、大丈夫だよ。"};

class EastAsian : public ::testing::TestWithParam<WideCase> {};

TEST_P(EastAsian, IsDetectedReadAsCharactersAndWrittenBackByteForByte) {
  const WideCase& c = GetParam();
  std::vector<std::string> coded;
  for (const std::string& line : c.lines) coded.push_back(Iconv(c.iconv, line));
  const std::string bytes = FrameFile(coded);
  const Read r = ReadBytes(bytes);
  ASSERT_EQ(r.status, ReadStatus::Ok);
  EXPECT_STREQ(EncodingName(r.file.identity.encoding), EncodingName(c.expected));
  ASSERT_EQ(r.file.lines.size(), c.lines.size());
  for (size_t i = 0; i < c.lines.size(); ++i) {
    EXPECT_EQ(r.file.lines[i],
              "{" + std::to_string(1 + 100 * i) + "}{" + std::to_string(51 + 100 * i) + "}" + c.lines[i]);
    EXPECT_EQ(r.file.lines[i].find('|'), std::string::npos) << "no byte of a character is a line break";
  }
  EXPECT_TRUE(r.file.notes.empty());
  EXPECT_EQ(Written(r.file), bytes);
  // Named, it reads the same.
  const Read named = ReadBytes(bytes, c.expected);
  EXPECT_EQ(named.file.lines, r.file.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Films, EastAsian,
    ::testing::Values(
        WideCase{
            "Big5",
            "BIG5",
            Encoding::Big5,
            {"我們四個人一起去吧。", "你好，今天天氣很好。", "他還在學校嗎？我不知道。", "和尚說：四海之內皆兄弟。"}},
        WideCase{"Gb18030",
                 "GB18030",
                 Encoding::Gb18030,
                 {"你好，今天天气很好。", "我们一起去吃饭吧。", "他还在学校吗？我不知道。", "这是什么意思？"}},
        WideCase{"Gbk",
                 "GBK",
                 Encoding::Gb18030,
                 {"你好，今天天气很好。", "我们一起去吃饭吧。", "他还在学校吗？我不知道。", "这是什么意思？"}},
        WideCase{"ShiftJis", "CP932", Encoding::ShiftJis, kJapanese},
        WideCase{"EucJp", "EUC-JP", Encoding::EucJp, kJapanese},
        WideCase{"Iso2022Jp", "ISO-2022-JP", Encoding::Iso2022Jp, kJapanese},
        WideCase{"EucKr",
                 "EUC-KR",
                 Encoding::EucKr,
                 {"안녕하세요, 잘 지냈어요?", "내일 다시 만나요.", "정말 고마워요, 친구."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EastAsian, ASecondByteThatLooksLikeABarIsPartOfItsCharacter) {
  // 四 is A5 7C in Big5, ポ 83 7C in Shift_JIS: a "|" by itself.
  struct Case {
    const char* iconv;
    Encoding encoding;
    std::string text;
  };
  const Case cases[] = {
      {"BIG5", Encoding::Big5,
       "我們四個人一起去吧，四個人一起去吧，四個人一起去吧，四個人一起去吧，和尚說四海之內皆兄弟"},
      {"CP932", Encoding::ShiftJis,
       "ポケットに手を入れて、ポケットに手を入れて、ポケットに手を入れて、ポケットに手を入れて"},
  };
  for (const Case& c : cases) {
    const std::string bytes = FrameFile({Iconv(c.iconv, c.text), Iconv(c.iconv, "明日")});
    ASSERT_NE(bytes.find('|'), std::string::npos) << "the file holds a 0x7C byte";
    Session s;
    test::Run(s.doc, [&] { ASSERT_TRUE(LoadSubtitleText(s.doc, bytes, "film.sub", c.encoding)); });
    EXPECT_EQ(s.doc.List1.Item(0).find('|'), std::string::npos);
    // Fixed, the long entry is broken between characters only.
    s.Run(CommandId::FixText, [&] { Fixlines_Click(s.doc); });
    std::string bytesOut;
    ASSERT_TRUE(EncodeDocument(s.doc, nullptr, bytesOut));
    SubtitleFile again;
    ASSERT_EQ(ParseSubtitleFile(bytesOut, again, c.encoding), ReadStatus::Ok);
    std::string joined;
    for (const std::string& line : again.lines) {
      EntryFields f;
      ASSERT_TRUE(SplitFullEntry(line, f));
      for (size_t i = 0; i < f.text.size();) {
        const std::string_view ch = NextChar(f.text, i);
        if (ch != "|") joined += ch;
      }
    }
    std::string expected = c.text + "明日";
    EXPECT_EQ(joined, expected) << c.iconv << ": no character cut apart";
  }
}

TEST(EastAsian, BytesThatAreNoCharacterAreKeptAsTheyAre) {
  const std::string good = Iconv("BIG5", "你好，今天天氣很好。我們四個人一起去吧。");
  struct Case {
    const char* name;
    Encoding encoding;
    std::string bytes;
  };
  const Case cases[] = {
      // A lead byte cut off by the line end; a lead byte before "|".
      {"Truncated", Encoding::Big5, FrameFile({good, good + "\xA4", good})},
      {"LeadBeforeBar", Encoding::Big5, FrameFile({good + "\x81|x", good})},
      // Windows-932's duplicates: NEC's ≒ (87 90) would be written as 81 E0.
      {"Duplicate", Encoding::ShiftJis, FrameFile({Iconv("CP932", "こんにちは") + "\x87\x90", Iconv("CP932", "元気")})},
      // JIS Roman, which the converter would write back as ASCII.
      {"JisRoman", Encoding::Iso2022Jp, FrameFile({"\x1B$B$3$s$K$A$O\x1B(J abc", Iconv("ISO-2022-JP", "元気ですか")})},
      {"StrayByte", Encoding::Gb18030, FrameFile({Iconv("GB18030", "你好") + "\x80", Iconv("GB18030", "再见")})},
  };
  for (const Case& c : cases) {
    const Read r = ReadBytes(c.bytes, c.encoding);
    ASSERT_EQ(r.status, ReadStatus::Ok) << c.name;
    EXPECT_EQ(Written(r.file), c.bytes) << c.name;
    ASSERT_FALSE(r.file.notes.empty()) << c.name;
    EXPECT_NE(r.file.notes.back().find(std::string("cannot be read as ") + EncodingName(c.encoding)), std::string::npos)
        << r.file.notes.back();
    for (const std::string& line : r.file.lines) {
      EXPECT_TRUE(IsValidUtf8(line)) << c.name;
      EXPECT_EQ(line.find('|'), std::string::npos) << c.name << ": a kept byte is no bar";
    }
  }
  // Far too many broken characters: not Big5 after all.
  const Read polish = ReadBytes(FrameFile({Iconv("CP1250", "Zażółć gęślą jaźń, źle się czuję.")}));
  EXPECT_TRUE(IsSingleByte(polish.file.identity.encoding));
}

TEST(EastAsian, NamesAndTheListOfChoices) {
  const std::pair<const char*, Encoding> names[] = {
      {"big5", Encoding::Big5},        {"CP950", Encoding::Big5},
      {"gbk", Encoding::Gb18030},      {"GB2312", Encoding::Gb18030},
      {"GB18030", Encoding::Gb18030},  {"Shift_JIS", Encoding::ShiftJis},
      {"sjis", Encoding::ShiftJis},    {"cp932", Encoding::ShiftJis},
      {"EUC-JP", Encoding::EucJp},     {"ISO-2022-JP", Encoding::Iso2022Jp},
      {"euc-kr", Encoding::EucKr},     {"UHC", Encoding::EucKr},
      {"utf-32le", Encoding::Utf32LE}, {"UTF-32BE", Encoding::Utf32BE},
  };
  for (const auto& [name, e] : names) EXPECT_EQ(EncodingFromName(name), e) << name;
  const auto& list = ChoosableEncodings();
  for (Encoding e :
       {Encoding::Big5, Encoding::Gb18030, Encoding::ShiftJis, Encoding::EucJp, Encoding::Iso2022Jp, Encoding::EucKr}) {
    EXPECT_NE(std::find(list.begin(), list.end(), e), list.end()) << EncodingName(e);
    EXPECT_TRUE(IsMultiByte(e) && !IsSingleByte(e));
    EXPECT_STRNE(EncodingScript(e), "");
  }
  EXPECT_EQ(std::find(list.begin(), list.end(), Encoding::Utf32LE), list.end()) << "UTF-32 is told by its mark";
}

TEST(EastAsian, AnyBytesReadInOneAreWrittenBackByteForByte) {
  // Random bytes (no NUL, no line ends) after an entry's frames, in every
  // East Asian encoding named: whatever is no character is kept.
  std::mt19937 random(20240611);
  std::string bytes;
  for (int line = 0; line < 300; ++line) {
    bytes += "{" + std::to_string(line * 10 + 1) + "}{" + std::to_string(line * 10 + 5) + "}";
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      char b;
      do {
        b = static_cast<char>(random() % 256);
      } while (b == '\0' || b == '\r' || b == '\n');
      bytes += b;
    }
    bytes += "\r\n";
  }
  for (Encoding e : ChoosableEncodings()) {
    if (!IsMultiByte(e)) continue;
    const Read r = ReadBytes(bytes, e);
    ASSERT_EQ(r.status, ReadStatus::Ok) << EncodingName(e);
    EXPECT_EQ(r.file.lines.size(), 300u) << EncodingName(e);
    for (const std::string& line : r.file.lines) ASSERT_TRUE(IsValidUtf8(line)) << EncodingName(e);
    EXPECT_EQ(FirstDifference(Written(r.file), bytes), "") << EncodingName(e);
  }
  // And in whatever encoding is guessed for them.
  const Read guessed = ReadBytes(bytes);
  ASSERT_EQ(guessed.status, ReadStatus::Ok);
  EXPECT_EQ(FirstDifference(Written(guessed.file), bytes), "") << EncodingName(guessed.file.identity.encoding);
}

// ------------------------------------------------------------ UTF-32

TEST(Utf32, WithItsMarkIsReadAndWrittenBackTheSame) {
  const std::string text = FrameFile({"Zażółć gęślą jaźń", "日本語 🙂"}, "\n");
  for (const bool big : {false, true}) {
    const std::string bytes = Iconv(big ? "UTF-32BE" : "UTF-32LE", "\xEF\xBB\xBF" + text);
    ASSERT_EQ(bytes.size(), 4 * (CharCount(text) + 1u));
    const Read r = ReadBytes(bytes);
    ASSERT_EQ(r.status, ReadStatus::Ok) << big;
    EXPECT_EQ(r.file.identity.encoding, big ? Encoding::Utf32BE : Encoding::Utf32LE);
    EXPECT_EQ(r.file.lines.front(), "{1}{51}Zażółć gęślą jaźń");
    EXPECT_EQ(r.file.lines.back(), "{101}{151}日本語 🙂");
    EXPECT_EQ(Written(r.file), bytes);
  }
  // A character cut short, or no character at all, is not UTF-32.
  const std::string mark("\xFF\xFE\0\0", 4);
  EXPECT_EQ(ReadBytes(mark + std::string("{\0\0\0001", 5)).status, ReadStatus::NotInEncoding);
  EXPECT_EQ(ReadBytes(mark + std::string("\0\0\x11\0", 4)).status, ReadStatus::NotInEncoding);
  // UTF-16 is still UTF-16 when its first character is no NUL.
  const Read utf16 = ReadBytes(std::string("\xFF\xFE{\0001\0}\0{\0002\0}\0x\0", 16));
  EXPECT_EQ(utf16.file.identity.encoding, Encoding::Utf16LE);
}

// ------------------------------------------------------------ what does not fit

TEST(NotHeld, NamesEachCharacterTheEncodingCannotHold) {
  struct Case {
    Encoding encoding;
    std::string text;
    std::vector<std::string> notHeld;
    std::string reason;
  };
  const Case cases[] = {
      {Encoding::Windows1252,
       "Zażółć gęślą jaźń",
       {"ż", "ł", "ć", "ę", "ś", "ą", "ź", "ń"},
       "ż, ł, ć, ę, ś, ą, ź and ń do not fit Windows-1252"},
      {Encoding::Windows1250, "Zażółć gęślą jaźń", {}, ""},
      {Encoding::Windows1250, "Smörgåsbord", {"å"}, "å does not fit Windows-1250"},
      {Encoding::Iso8859_2, "„Tak”", {"„", "”"}, "„ and ” do not fit ISO-8859-2"},
      {Encoding::ShiftJis, "日本語と한국어", {"한", "국", "어"}, "한, 국 and 어 do not fit Shift_JIS"},
      {Encoding::Big5, "四個 e\xCC\x81", {"\xCC\x81"}, "U+0301 does not fit Big5"},
      {Encoding::Utf8, "☃ 日本", {}, ""},
      {Encoding::Windows1252,
       "abcdefghijklmnopqrstuvwxyzàĀāĂăĄąĆćĈĉĊċČčĎ",
       {"Ā", "ā", "Ă", "ă", "Ą", "ą", "Ć", "ć", "Ĉ", "ĉ", "Ċ", "ċ", "Č", "č", "Ď"},
       "Ā, ā, Ă, ă, Ą, ą, Ć, ć, Ĉ, ĉ and 5 more do not fit Windows-1252"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CharactersNotHeld(c.encoding, c.text), c.notHeld) << c.text;
    EXPECT_EQ(CanHold(c.encoding, c.text), c.notHeld.empty()) << c.text;
    EXPECT_EQ(NotHeldReason(c.encoding, c.notHeld), c.reason) << c.text;
  }
}

TEST(NotHeld, SavingSaysWhichCharactersDoNotFit) {
  struct Case {
    Encoding encoding;
    std::string reason;
  };
  for (const Case& c : {Case{Encoding::Windows1252, "ż, ł and ć do not fit Windows-1252, not written"},
                        Case{Encoding::ShiftJis, "ż, ó, ł and ć do not fit Shift_JIS, not written"}}) {
    Document doc;
    test::Load(doc, {"{1}{2}Zaż", "{3}{4}ółć", "{5}{6}żółw"}, c.encoding);
    std::string bytes, why;
    EXPECT_FALSE(EncodeDocument(doc, nullptr, bytes, &why));
    EXPECT_EQ(why, c.reason);
    // Saved in UTF-8 instead, without reading the file again.
    doc.SetFileEncoding(Encoding::Utf8);
    ASSERT_TRUE(EncodeDocument(doc, nullptr, bytes, &why));
    EXPECT_EQ(bytes, "{1}{2}Zaż\r\n{3}{4}ółć\r\n{5}{6}żółw\r\n");
  }
}

TEST(NotHeld, TypingAndPastingSayWhatTheyLeftOut) {
  Session s;
  test::Load(s, {"{1}{2}x"}, Encoding::Windows1252);
  std::vector<std::string> refused;
  int next = -1;
  s.Run(CommandId::Paste, [&] { next = PasteIntoGrid(s.doc, s.grid, 0, "Zażółć gęślą jaźń", &refused); });
  EXPECT_EQ(next, 9);
  EXPECT_EQ(s.grid.RowString(0), "Zaó gl ja");
  EXPECT_EQ(refused, (std::vector<std::string>{"ż", "ł", "ć", "ę", "ś", "ą", "ź", "ń"}));
  EXPECT_EQ(NotHeldReason(s.doc.FileEncoding(), refused), "ż, ł, ć, ę, ś, ą, ź and ń do not fit Windows-1252");

  std::string one;
  EXPECT_FALSE(PutCharacter(s.doc, s.grid, 0, "ł", &one));
  EXPECT_EQ(one, "ł");
  one.clear();
  EXPECT_TRUE(PutCharacter(s.doc, s.grid, 0, "é", &one));
  EXPECT_EQ(one, "");

  // In UTF-8 nothing is refused.
  Session utf8;
  test::Load(utf8, {"{1}{2}x"}, Encoding::Utf8);
  refused.clear();
  utf8.Run(CommandId::Paste, [&] { PasteIntoGrid(utf8.doc, utf8.grid, 0, "Zażółć gęślą jaźń", &refused); });
  EXPECT_TRUE(refused.empty());
  EXPECT_EQ(utf8.grid.RowString(0), "Zażółć gęślą jaźń");
}

// ------------------------------------------------------------ plain ASCII

TEST(PlainAscii, IsReadInItsFormatsEncoding) {
  const std::string srt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nplain\r\n";
  const Read cues = ReadBytes(srt);
  ASSERT_EQ(cues.status, ReadStatus::Ok);
  EXPECT_EQ(cues.file.identity.encoding, cues.file.identity.format->PlainTextEncoding());
  const Read frames = ReadBytes("{1}{2}plain\r\n");
  EXPECT_EQ(frames.file.identity.encoding, frames.file.identity.format->PlainTextEncoding());
  EXPECT_NE(cues.file.identity.format, frames.file.identity.format);
  // Named, the encoding is the one named.
  EXPECT_EQ(ReadBytes(srt, Encoding::Windows1250).file.identity.encoding, Encoding::Windows1250);

  // An accent typed into a plain cue file is saved as its format says.
  Document doc;
  test::Run(doc, [&] { ASSERT_TRUE(LoadSubtitleText(doc, srt, "film.srt")); });
  test::Run(doc, [&] {
    std::string line = doc.List1.Item(0);
    line.replace(line.find("plain"), 5, "café");
    doc.SetItem(0, line);
  });
  std::string bytes;
  ASSERT_TRUE(EncodeDocument(doc, nullptr, bytes));
  const std::string accent = doc.FileEncoding() == Encoding::Utf8 ? "caf\xC3\xA9" : "caf\xE9";
  EXPECT_NE(bytes.find(accent), std::string::npos);
}

}  // namespace
}  // namespace lm
