#include "model/encoding.h"

#include <algorithm>
#include <array>

namespace lm {

namespace {

enum class Kind { SingleByte, MultiByte, Utf8, Utf16, Utf32 };

struct Info {
  Encoding encoding;
  Kind kind;
  const char* name;     // as shown
  const char* iconv;    // as the converter knows it
  const char* script;   // what it is for
  const char* aliases;  // further names, normalised, separated by blanks
};

// In the order a menu lists them.
constexpr Info kInfo[] = {
    {Encoding::Utf8, Kind::Utf8, "UTF-8", "UTF-8", "", "utf8"},
    {Encoding::Windows1250, Kind::SingleByte, "Windows-1250", "CP1250", "Central European",
     "windows1250 cp1250 win1250"},
    {Encoding::Windows1251, Kind::SingleByte, "Windows-1251", "CP1251", "Cyrillic", "windows1251 cp1251 win1251"},
    {Encoding::Windows1252, Kind::SingleByte, "Windows-1252", "CP1252", "Western",
     "windows1252 cp1252 win1252 ascii usascii"},
    {Encoding::Windows1253, Kind::SingleByte, "Windows-1253", "CP1253", "Greek", "windows1253 cp1253 win1253"},
    {Encoding::Windows1254, Kind::SingleByte, "Windows-1254", "CP1254", "Turkish", "windows1254 cp1254 win1254"},
    {Encoding::Windows1255, Kind::SingleByte, "Windows-1255", "CP1255", "Hebrew", "windows1255 cp1255 win1255"},
    {Encoding::Windows1256, Kind::SingleByte, "Windows-1256", "CP1256", "Arabic", "windows1256 cp1256 win1256"},
    {Encoding::Windows1257, Kind::SingleByte, "Windows-1257", "CP1257", "Baltic", "windows1257 cp1257 win1257"},
    {Encoding::Windows1258, Kind::SingleByte, "Windows-1258", "CP1258", "Vietnamese", "windows1258 cp1258 win1258"},
    {Encoding::Iso8859_2, Kind::SingleByte, "ISO-8859-2", "ISO-8859-2", "Central European", "iso88592 latin2"},
    {Encoding::Iso8859_5, Kind::SingleByte, "ISO-8859-5", "ISO-8859-5", "Cyrillic", "iso88595"},
    {Encoding::Iso8859_7, Kind::SingleByte, "ISO-8859-7", "ISO-8859-7", "Greek", "iso88597"},
    {Encoding::Iso8859_9, Kind::SingleByte, "ISO-8859-9", "ISO-8859-9", "Turkish", "iso88599 latin5"},
    {Encoding::Iso8859_13, Kind::SingleByte, "ISO-8859-13", "ISO-8859-13", "Baltic", "iso885913 latin7"},
    {Encoding::Iso8859_15, Kind::SingleByte, "ISO-8859-15", "ISO-8859-15", "Western", "iso885915 latin9"},
    {Encoding::Koi8R, Kind::SingleByte, "KOI8-R", "KOI8-R", "Russian", "koi8r"},
    {Encoding::Koi8U, Kind::SingleByte, "KOI8-U", "KOI8-U", "Ukrainian", "koi8u"},
    {Encoding::Ibm852, Kind::SingleByte, "IBM852", "IBM852", "Central European DOS", "ibm852 cp852"},
    {Encoding::Ibm866, Kind::SingleByte, "IBM866", "IBM866", "Cyrillic DOS", "ibm866 cp866"},
    // Each East Asian name stands for the Windows superset of its standard,
    // which reads every file of the standard and is what such files are.
    {Encoding::Big5, Kind::MultiByte, "Big5", "BIG5", "Traditional Chinese", "big5 cp950 windows950 big5tw csbig5"},
    {Encoding::Gb18030, Kind::MultiByte, "GB18030", "GB18030", "Simplified Chinese",
     "gb18030 gbk cp936 windows936 gb2312 euccn"},
    {Encoding::ShiftJis, Kind::MultiByte, "Shift_JIS", "CP932", "Japanese",
     "shiftjis sjis cp932 windows932 ms932 windows31j mskanji"},
    {Encoding::EucJp, Kind::MultiByte, "EUC-JP", "EUC-JP", "Japanese", "eucjp ujis"},
    {Encoding::Iso2022Jp, Kind::MultiByte, "ISO-2022-JP", "ISO-2022-JP", "Japanese", "iso2022jp jis csiso2022jp"},
    {Encoding::EucKr, Kind::MultiByte, "EUC-KR", "CP949", "Korean", "euckr cp949 windows949 uhc ksc5601"},
    {Encoding::Utf8Bom, Kind::Utf8, "UTF-8 with BOM", "UTF-8", "", ""},
    {Encoding::Utf16LE, Kind::Utf16, "UTF-16LE", "UTF-16LE", "", "utf16le"},
    {Encoding::Utf16BE, Kind::Utf16, "UTF-16BE", "UTF-16BE", "", "utf16be"},
    {Encoding::Utf32LE, Kind::Utf32, "UTF-32LE", "UTF-32LE", "", "utf32le"},
    {Encoding::Utf32BE, Kind::Utf32, "UTF-32BE", "UTF-32BE", "", "utf32be"},
};
constexpr size_t kCount = sizeof kInfo / sizeof kInfo[0];

// Asked on every line written: each encoding's place in kInfo, by its value.
constexpr size_t kValues = [] {
  size_t most = 0;
  for (const Info& i : kInfo) most = std::max(most, static_cast<size_t>(i.encoding));
  return most + 1;
}();
constexpr std::array<size_t, kValues> kPlace = [] {
  std::array<size_t, kValues> place{};
  for (size_t v = 0; v < kValues; ++v) {
    place[v] = 3;  // Windows-1252
    for (size_t i = 0; i < sizeof kInfo / sizeof kInfo[0]; ++i)
      if (static_cast<size_t>(kInfo[i].encoding) == v) place[v] = i;
  }
  return place;
}();

const Info& InfoOf(Encoding e) {
  const size_t v = static_cast<size_t>(e);
  return v < kValues ? kInfo[kPlace[v]] : kInfo[3];
}

}  // namespace

std::string EncodingKey(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_' || c == ' ' || c == '.') continue;
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return out;
}

bool IsSingleByte(Encoding e) { return InfoOf(e).kind == Kind::SingleByte; }
bool IsMultiByte(Encoding e) { return InfoOf(e).kind == Kind::MultiByte; }
bool IsUtf16(Encoding e) { return InfoOf(e).kind == Kind::Utf16; }
bool IsUtf32(Encoding e) { return InfoOf(e).kind == Kind::Utf32; }
const char* EncodingName(Encoding e) { return InfoOf(e).name; }
const char* EncodingScript(Encoding e) { return InfoOf(e).script; }

std::optional<Encoding> EncodingFromName(std::string_view name) {
  const std::string wanted = EncodingKey(name);
  if (wanted.empty()) return std::nullopt;
  for (const Info& i : kInfo) {
    if (EncodingKey(i.name) == wanted) return i.encoding;
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
      if (i.kind == Kind::SingleByte || i.kind == Kind::MultiByte || i.encoding == Encoding::Utf8)
        v.push_back(i.encoding);
    return v;
  }();
  return list;
}

size_t EncodingIndex(Encoding e) { return static_cast<size_t>(&InfoOf(e) - kInfo); }
size_t EncodingCount() { return kCount; }
const char* IconvName(Encoding e) { return InfoOf(e).iconv; }

}  // namespace lm
