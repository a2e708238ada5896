#include "encoding.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "text.h"

namespace lm {

namespace {

struct Info {
  Encoding encoding;
  const char* name;     // as shown
  const char* iconv;    // as the converter knows it
  const char* script;   // what it is for
  const char* aliases;  // further names, normalised, separated by blanks
};

// In the order a menu lists them.
constexpr Info kInfo[] = {
    {Encoding::Utf8, "UTF-8", "UTF-8", "", "utf8"},
    {Encoding::Windows1250, "Windows-1250", "CP1250", "Central European", "windows1250 cp1250 win1250"},
    {Encoding::Windows1251, "Windows-1251", "CP1251", "Cyrillic", "windows1251 cp1251 win1251"},
    {Encoding::Windows1252, "Windows-1252", "CP1252", "Western", "windows1252 cp1252 win1252 ascii usascii"},
    {Encoding::Windows1253, "Windows-1253", "CP1253", "Greek", "windows1253 cp1253 win1253"},
    {Encoding::Windows1254, "Windows-1254", "CP1254", "Turkish", "windows1254 cp1254 win1254"},
    {Encoding::Windows1255, "Windows-1255", "CP1255", "Hebrew", "windows1255 cp1255 win1255"},
    {Encoding::Windows1256, "Windows-1256", "CP1256", "Arabic", "windows1256 cp1256 win1256"},
    {Encoding::Windows1257, "Windows-1257", "CP1257", "Baltic", "windows1257 cp1257 win1257"},
    {Encoding::Windows1258, "Windows-1258", "CP1258", "Vietnamese", "windows1258 cp1258 win1258"},
    {Encoding::Iso8859_2, "ISO-8859-2", "ISO-8859-2", "Central European", "iso88592 latin2"},
    {Encoding::Iso8859_5, "ISO-8859-5", "ISO-8859-5", "Cyrillic", "iso88595"},
    {Encoding::Iso8859_7, "ISO-8859-7", "ISO-8859-7", "Greek", "iso88597"},
    {Encoding::Iso8859_9, "ISO-8859-9", "ISO-8859-9", "Turkish", "iso88599 latin5"},
    {Encoding::Iso8859_13, "ISO-8859-13", "ISO-8859-13", "Baltic", "iso885913 latin7"},
    {Encoding::Iso8859_15, "ISO-8859-15", "ISO-8859-15", "Western", "iso885915 latin9"},
    {Encoding::Koi8R, "KOI8-R", "KOI8-R", "Russian", "koi8r"},
    {Encoding::Koi8U, "KOI8-U", "KOI8-U", "Ukrainian", "koi8u"},
    {Encoding::Ibm852, "IBM852", "IBM852", "Central European DOS", "ibm852 cp852"},
    {Encoding::Ibm866, "IBM866", "IBM866", "Cyrillic DOS", "ibm866 cp866"},
    {Encoding::Utf8Bom, "UTF-8 with BOM", "UTF-8", "", ""},
    {Encoding::Utf16LE, "UTF-16LE", "UTF-16LE", "", "utf16le"},
    {Encoding::Utf16BE, "UTF-16BE", "UTF-16BE", "", "utf16be"},
};
constexpr size_t kCount = sizeof kInfo / sizeof kInfo[0];

const Info& InfoOf(Encoding e) {
  for (const Info& i : kInfo)
    if (i.encoding == e) return i;
  return kInfo[3];  // Windows-1252
}

size_t IndexOf(Encoding e) { return static_cast<size_t>(&InfoOf(e) - kInfo); }

std::string Normalised(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_' || c == ' ' || c == '.') continue;
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return out;
}

// ------------------------------------------------------------ code pages

struct CodePage {
  std::array<char32_t, 256> toUnicode{};
  std::vector<std::pair<char32_t, unsigned char>> fromUnicode;  // bytes 0x80..0xFF, sorted
};

// The code point an undefined byte keeps: its C1 control where that is free,
// else one in the private use area. Neither is ever a character of the page.
char32_t StandIn(unsigned char b, const std::array<bool, 256>& usedC1) {
  if (b >= 0x80 && b <= 0x9F && !usedC1[b]) return b;
  return 0xF700 + b;
}

std::unique_ptr<CodePage> BuildCodePage(const Info& info) {
  auto page = std::make_unique<CodePage>();
  for (int b = 0; b < 0x80; ++b) page->toUnicode[static_cast<size_t>(b)] = static_cast<char32_t>(b);
  std::array<bool, 256> defined{}, usedC1{};
  iconv_t cd = ::iconv_open("UTF-32LE", info.iconv);
  for (int b = 0x80; b < 0x100 && cd != reinterpret_cast<iconv_t>(-1); ++b) {
    char in = static_cast<char>(b);
    unsigned char out[8];
    char* inp = &in;
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || outLeft != 4)
      continue;  // undefined, or more than one character
    const char32_t cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    page->toUnicode[static_cast<size_t>(b)] = cp;
    defined[static_cast<size_t>(b)] = true;
    if (cp < 0x100) usedC1[cp] = true;
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
  for (int b = 0x80; b < 0x100; ++b)
    if (!defined[static_cast<size_t>(b)]) page->toUnicode[static_cast<size_t>(b)] = StandIn(static_cast<unsigned char>(b), usedC1);
  for (int b = 0x80; b < 0x100; ++b)
    page->fromUnicode.emplace_back(page->toUnicode[static_cast<size_t>(b)], static_cast<unsigned char>(b));
  std::sort(page->fromUnicode.begin(), page->fromUnicode.end());
  // A code point two bytes share would not survive the way back: the later
  // byte keeps a stand-in instead.
  for (size_t i = 1; i < page->fromUnicode.size(); ++i) {
    if (page->fromUnicode[i].first != page->fromUnicode[i - 1].first) continue;
    const unsigned char b = page->fromUnicode[i].second;
    page->toUnicode[b] = 0xF700 + b;
    page->fromUnicode[i].first = 0xF700 + b;
    std::sort(page->fromUnicode.begin(), page->fromUnicode.end());
    i = 0;
  }
  return page;
}

const CodePage& PageOf(Encoding e) {
  static std::array<std::unique_ptr<CodePage>, kCount> pages;
  static std::array<std::once_flag, kCount> built;
  const size_t i = IndexOf(e);
  std::call_once(built[i], [&] { pages[i] = BuildCodePage(kInfo[i]); });
  return *pages[i];
}

std::optional<unsigned char> ByteOf(const CodePage& page, char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  auto it = std::lower_bound(page.fromUnicode.begin(), page.fromUnicode.end(),
                             std::make_pair(cp, static_cast<unsigned char>(0)));
  if (it == page.fromUnicode.end() || it->first != cp) return std::nullopt;
  return it->second;
}

// The whole of `in` through the converter; nothing when any of it fails.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in, size_t room) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(room + 16, '\0');
  char* inp = const_cast<char*>(in.data());
  char* outp = &out[0];
  size_t inLeft = in.size(), outLeft = out.size();
  const size_t r = ::iconv(cd, &inp, &inLeft, &outp, &outLeft);
  const bool ok = r != static_cast<size_t>(-1) && inLeft == 0 &&
                  ::iconv(cd, nullptr, nullptr, &outp, &outLeft) != static_cast<size_t>(-1);
  ::iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

bool IsSingleByte(Encoding e) { return !IsUtf16(e) && e != Encoding::Utf8 && e != Encoding::Utf8Bom; }
bool IsUtf16(Encoding e) { return e == Encoding::Utf16LE || e == Encoding::Utf16BE; }
const char* EncodingName(Encoding e) { return InfoOf(e).name; }
const char* EncodingScript(Encoding e) { return InfoOf(e).script; }

std::optional<Encoding> EncodingFromName(std::string_view name) {
  const std::string wanted = Normalised(name);
  if (wanted.empty()) return std::nullopt;
  for (const Info& i : kInfo) {
    if (Normalised(i.name) == wanted) return i.encoding;
    std::string_view aliases = i.aliases;
    while (!aliases.empty()) {
      const size_t blank = aliases.find(' ');
      if (aliases.substr(0, blank) == wanted) return i.encoding;
      aliases = blank == std::string_view::npos ? std::string_view() : aliases.substr(blank + 1);
    }
  }
  return std::nullopt;
}

const std::vector<Encoding>& ChoosableEncodings() {
  static const std::vector<Encoding> list = [] {
    std::vector<Encoding> v;
    for (const Info& i : kInfo)
      if (IsSingleByte(i.encoding) || i.encoding == Encoding::Utf8) v.push_back(i.encoding);
    return v;
  }();
  return list;
}

std::string DecodeSingleByte(Encoding e, std::string_view bytes) {
  const CodePage& page = PageOf(e);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      AppendUtf8(out, page.toUnicode[b]);
    }
  }
  return out;
}

std::optional<std::string> EncodeSingleByte(Encoding e, std::string_view utf8) {
  const CodePage& page = PageOf(e);
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const std::optional<unsigned char> b = ByteOf(page, NextCodePoint(utf8, i));
    if (!b) return std::nullopt;
    out += static_cast<char>(*b);
  }
  return out;
}

bool CanHold(Encoding e, std::string_view utf8) {
  if (!IsSingleByte(e) || IsAscii(utf8)) return true;
  const CodePage& page = PageOf(e);
  size_t i = 0;
  while (i < utf8.size())
    if (!ByteOf(page, NextCodePoint(utf8, i))) return false;
  return true;
}

std::optional<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;  // the converter would let a half character pass
  return Convert("UTF-8", bigEndian ? "UTF-16BE" : "UTF-16LE", bytes, bytes.size() / 2 * 3);
}

std::optional<std::string> EncodeUtf16(std::string_view utf8, bool bigEndian) {
  return Convert(bigEndian ? "UTF-16BE" : "UTF-16LE", "UTF-8", utf8, utf8.size() * 2);
}

Encoding GuessCodePage(std::string_view bytes) {
  // Only the lines with letters beyond ASCII say anything about the code
  // page; a bounded sample of them keeps a large file quick.
  constexpr size_t kSample = 256 * 1024;
  std::string sample;
  size_t start = 0;
  while (start < bytes.size() && sample.size() < kSample) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    if (!IsAscii(line)) {
      sample.append(line);
      sample += '\n';
    }
    start = end + 1;
  }
  uchardet_t detector = uchardet_new();
  if (!detector) return Encoding::Windows1252;
  uchardet_handle_data(detector, sample.data(), sample.size());
  uchardet_data_end(detector);
  const std::string name = Normalised(uchardet_get_charset(detector));
  uchardet_delete(detector);
  const std::optional<Encoding> guess = EncodingFromName(name);
  // Western guesses are Windows-1252 files in practice: it holds every
  // letter of Latin-1 and Latin-9 bar the euro sign's place.
  if (name == "iso88591" || guess == Encoding::Iso8859_15) return Encoding::Windows1252;
  if (!guess || !IsSingleByte(*guess)) return Encoding::Windows1252;
  // Bytes 0x80..0x9F are control codes in the ISO pages and letters and
  // quotes in the Windows ones: text that uses them is Windows text.
  const bool usesC1 = std::any_of(sample.begin(), sample.end(), [](char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return b >= 0x80 && b <= 0x9F;
  });
  if (usesC1) {
    switch (*guess) {
      case Encoding::Iso8859_2: return Encoding::Windows1250;
      case Encoding::Iso8859_5: return Encoding::Windows1251;
      case Encoding::Iso8859_7: return Encoding::Windows1253;
      case Encoding::Iso8859_9: return Encoding::Windows1254;
      case Encoding::Iso8859_13: return Encoding::Windows1257;
      default: break;
    }
  }
  return *guess;
}

}  // namespace lm
