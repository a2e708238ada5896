#include "files/charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <uchardet/uchardet.h>
#include <utility>
#include <vector>

#include "model/text.h"

namespace lm {

namespace {

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

std::unique_ptr<CodePage> BuildCodePage(Encoding e) {
  auto page = std::make_unique<CodePage>();
  for (int b = 0; b < 0x80; ++b) page->toUnicode[static_cast<size_t>(b)] = static_cast<char32_t>(b);
  std::array<bool, 256> defined{}, usedC1{};
  iconv_t cd = ::iconv_open("UTF-32LE", IconvName(e));
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
    if (!defined[static_cast<size_t>(b)])
      page->toUnicode[static_cast<size_t>(b)] = StandIn(static_cast<unsigned char>(b), usedC1);
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
  static std::vector<std::unique_ptr<CodePage>> pages(EncodingCount());
  static std::vector<std::once_flag> built(EncodingCount());
  const size_t i = EncodingIndex(e);
  std::call_once(built[i], [&] { pages[i] = BuildCodePage(e); });
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
  const std::string name = EncodingKey(uchardet_get_charset(detector));
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
      case Encoding::Iso8859_2:
        return Encoding::Windows1250;
      case Encoding::Iso8859_5:
        return Encoding::Windows1251;
      case Encoding::Iso8859_7:
        return Encoding::Windows1253;
      case Encoding::Iso8859_9:
        return Encoding::Windows1254;
      case Encoding::Iso8859_13:
        return Encoding::Windows1257;
      default:
        break;
    }
  }
  return *guess;
}

}  // namespace lm
