#include "files/charset.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/code_page.h"
#include "files/code_page_tables.h"
#include "model/text.h"

namespace lm {

// ------------------------------------------------------------ the converter

Converter::Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
Converter::~Converter() {
  if (ok()) ::iconv_close(cd_);
}

int Converter::Try(std::string_view in, std::string& out) {
  if (!ok()) return EILSEQ;
  ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  const size_t kept = out.size();
  out.resize(kept + in.size() * 2 + 32);
  char* inp = const_cast<char*>(in.data());
  char* outp = &out[kept];
  size_t inLeft = in.size(), outLeft = out.size() - kept;
  const auto grow = [&] {
    const size_t done = static_cast<size_t>(outp - out.data());
    out.resize(out.size() * 2);
    outp = &out[done];
    outLeft = out.size() - done;
  };
  int result = 0;
  while (::iconv(cd_, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
    if (errno != E2BIG) {
      result = errno == EINVAL ? EINVAL : EILSEQ;
      break;
    }
    grow();
  }
  // Some converters hold a character back, waiting for a combining mark,
  // and a stateful one returns to its initial state: the flush gives both.
  if (result == 0) {
    if (outLeft < 32) grow();
    if (::iconv(cd_, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1)) result = EILSEQ;
  }
  if (result != 0) {
    out.resize(kept);
    return result;
  }
  out.resize(static_cast<size_t>(outp - out.data()));
  return 0;
}

bool Converter::Convert(std::string_view in, std::string& out) { return Try(in, out) == 0; }

namespace {

// ------------------------------------------------------------ code pages

struct CodePage {
  std::array<char32_t, 256> toUnicode{};
  // Each byte as UTF-8: its length and up to three bytes.
  std::array<std::array<char, 4>, 256> utf8{};
  std::vector<std::pair<char32_t, unsigned char>> fromUnicode;  // bytes 0x80..0xFF, sorted
  // The byte of each code point from U+0080 to U+07FF, or 0: most letters
  // beyond ASCII are there, a load away.
  std::array<unsigned char, 0x800> low{};
};

// Every page's characters, made when the program is built: the guess reads
// a file in a dozen pages, and decoding asks for none but the file's own.
constexpr std::array<std::array<char32_t, 256>, kCodePageCount> kToUnicode = [] {
  std::array<std::array<char32_t, 256>, kCodePageCount> tables{};
  for (size_t i = 0; i < kCodePageCount; ++i) tables[i] = ToUnicodeOf(kCodePageHalves[i]);
  return tables;
}();

std::unique_ptr<CodePage> BuildCodePage(Encoding e) {
  auto page = std::make_unique<CodePage>();
  page->toUnicode = kToUnicode[EncodingIndex(e)];
  // No two bytes share a character: sorted once, by character.
  page->fromUnicode.reserve(0x80);
  for (int b = 0x80; b < 0x100; ++b)
    page->fromUnicode.emplace_back(page->toUnicode[static_cast<size_t>(b)], static_cast<unsigned char>(b));
  std::sort(page->fromUnicode.begin(), page->fromUnicode.end());
  for (const auto& [cp, b] : page->fromUnicode)
    if (cp >= 0x80 && cp < 0x800) page->low[cp] = b;
  for (size_t b = 0; b < 256; ++b) {
    char one[4];
    const size_t length = static_cast<size_t>(WriteUtf8(one, page->toUnicode[b]) - one);
    page->utf8[b][0] = static_cast<char>(length);
    for (size_t k = 0; k < length && k < 3; ++k) page->utf8[b][k + 1] = one[k];
  }
  return page;
}

const CodePage& PageOf(Encoding e) {
  // Asked for on every line written: a built page is one load away.
  static std::array<std::atomic<const CodePage*>, kCodePageCount> pages{};
  static std::mutex building;
  const size_t i = EncodingIndex(e);
  if (const CodePage* page = pages[i].load(std::memory_order_acquire)) return *page;
  const std::lock_guard<std::mutex> lock(building);
  if (!pages[i].load(std::memory_order_relaxed)) pages[i].store(BuildCodePage(e).release(), std::memory_order_release);
  return *pages[i].load(std::memory_order_relaxed);
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
  Converter converter(to, from);
  std::string out;
  out.reserve(room + 16);
  if (!converter.Convert(in, out)) return std::nullopt;
  return out;
}

// ------------------------------------------------------------ multi-byte

// A kept byte of a multi-byte file: U+10FF00 + the byte, in the last
// private use plane, which none of these encodings reads a character as.
constexpr char32_t kKeptByte = 0x10FF00;
bool IsKeptByte(char32_t c) { return c >= kKeptByte && c <= kKeptByte + 0xFF; }

// Decoded text that holds a kept byte or a noncharacter the program marks
// its own text with (U+FDD0..U+FDEF) needs a closer look.
bool NeedsCloserLook(std::string_view utf8) {
  for (size_t at = utf8.find('\xF4'); at != std::string_view::npos; at = utf8.find('\xF4', at + 1))
    if (at + 1 < utf8.size() && utf8[at + 1] == '\x8F') return true;
  for (size_t at = utf8.find('\xEF'); at != std::string_view::npos; at = utf8.find('\xEF', at + 1))
    if (at + 2 < utf8.size() && utf8[at + 1] == '\xB7' && static_cast<unsigned char>(utf8[at + 2]) >= 0x90 &&
        static_cast<unsigned char>(utf8[at + 2]) <= 0xAF)
      return true;
  return false;
}

void Keep(std::string_view bytes, MultiByteText& text) {
  for (unsigned char b : bytes) AppendUtf8(text.utf8, kKeptByte + b);
  text.keptBytes += bytes.size();
}

// Whether the bytes' encoding lets the second byte of a character be ASCII
// ("|", "{", letters): such a byte after a lead byte is kept with it.
bool AsciiSecondBytes(Encoding e) {
  return e == Encoding::Big5 || e == Encoding::Gb18030 || e == Encoding::ShiftJis || e == Encoding::EucKr;
}

// A line of a stateless encoding that does not read and write back as it
// is, a character at a time: each that does is taken, the others kept.
void DecodeByCharacter(Encoding e, std::string_view line, Converter& decoder, Converter& encoder, MultiByteText& text) {
  size_t p = 0;
  std::string chars, back;
  while (p < line.size()) {
    const unsigned char b = static_cast<unsigned char>(line[p]);
    if (b < 0x80) {
      text.utf8 += static_cast<char>(b);
      ++p;
      continue;
    }
    size_t length = 0;
    chars.clear();
    for (size_t k = 1; k <= 4 && p + k <= line.size(); ++k) {
      const int r = decoder.Try(line.substr(p, k), chars);
      if (r == EINVAL) continue;
      if (r == 0 && !chars.empty()) length = k;
      break;
    }
    if (length > 0) {
      back.clear();
      if (!NeedsCloserLook(chars) && encoder.Convert(chars, back) && back == line.substr(p, length)) {
        text.utf8 += chars;
      } else {
        Keep(line.substr(p, length), text);
      }
      p += length;
      continue;
    }
    // No character starts here: the byte is kept, and with it a second
    // byte that would be ASCII only by its place.
    size_t bad = 1;
    if (AsciiSecondBytes(e) && b >= 0x81 && b <= 0xFE && p + 1 < line.size() &&
        static_cast<unsigned char>(line[p + 1]) >= 0x40 && static_cast<unsigned char>(line[p + 1]) <= 0x7E)
      bad = 2;
    Keep(line.substr(p, bad), text);
    p += bad;
  }
}

// A line of ISO-2022-JP that does not read and write back as it is: its
// ASCII as ASCII, its escape sequences and two-byte characters kept. Each
// line starts in ASCII, as the standard has every line end in it.
void DecodeIso2022ByBytes(std::string_view line, MultiByteText& text) {
  bool ascii = true;  // or JIS Roman
  for (size_t p = 0; p < line.size();) {
    const unsigned char b = static_cast<unsigned char>(line[p]);
    if (b == 0x1B) {
      size_t end = p + 1;
      while (end < line.size() && line[end] >= 0x20 && line[end] <= 0x2F) ++end;
      // Its final byte; a line end is none, and ends a broken sequence.
      if (end < line.size() && line[end] >= 0x30 && line[end] <= 0x7E) ++end;
      const std::string_view escape = line.substr(p, end - p);
      ascii = escape == "\x1B(B" || escape == "\x1B(J";
      Keep(escape, text);
      p = end;
    } else if (ascii || b <= 0x20 || b == 0x7F) {
      // Blanks and line ends are no part of a two-byte character.
      if (b < 0x80) {
        text.utf8 += static_cast<char>(b);
      } else {
        Keep(line.substr(p, 1), text);
      }
      ++p;
    } else {
      Keep(line.substr(p, 1), text);
      ++p;
    }
  }
}

// ------------------------------------------------------------ naming characters

char32_t CodePointOf(std::string_view character) {
  size_t i = 0;
  return character.empty() ? 0 : NextCodePoint(character, i);
}

// Characters that show as nothing, or as a mark over the one before.
bool ShowsAsNothing(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0xA0) || (c >= 0x300 && c <= 0x36F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || c == 0xFEFF;
}

std::string Named(std::string_view character) {
  const char32_t c = CodePointOf(character);
  if (!ShowsAsNothing(c)) return std::string(character);
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (char32_t v = c; v > 0 || hex.size() < 4; v >>= 4) hex.insert(hex.begin(), kHex[v & 0xF]);
  return "U+" + hex;
}

}  // namespace

const std::array<char32_t, 256>& CodePageTable(Encoding e) { return kToUnicode[EncodingIndex(e)]; }

namespace {
// The 8-bit bytes decoded to `p`, which has room for three bytes each;
// past what is written.
char* DecodeRun(const CodePage& page, std::string_view bytes, char* p) {
  size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes stored as they are, kept up to the first beyond ASCII:
  // the room of three bytes each is more than a block ahead.
  while (i + 16 <= bytes.size()) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), block);
    const int high = _mm_movemask_epi8(block);
    if (high == 0) {
      i += 16;
      p += 16;
      continue;
    }
    const size_t ascii = static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(high)));
    p += ascii;
    const std::array<char, 4>& u = page.utf8[static_cast<unsigned char>(bytes[i + ascii])];
    std::memcpy(p, &u[1], 3);
    p += u[0];
    i += ascii + 1;
  }
#endif
  // The rest a byte at a time.
  for (; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      *p++ = static_cast<char>(b);
      continue;
    }
    const std::array<char, 4>& u = page.utf8[b];
    std::memcpy(p, &u[1], 3);
    p += u[0];
  }
  return p;
}
}  // namespace

size_t FindHighByte(std::string_view s, size_t from) {
  size_t i = from;
#if defined(__SSE2__)
  const char* p = s.data();
  const size_t n = s.size();
  const auto block = [p](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
  // Long ASCII runs (whole lines of it) go 64 bytes a step.
  for (; i + 64 <= n; i += 64) {
    const __m128i a = block(i), b = block(i + 16), c = block(i + 32), d = block(i + 48);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
    const std::uint64_t high = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(a))) |
                               static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(b))) << 16 |
                               static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(c))) << 32 |
                               static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(d))) << 48;
    return i + static_cast<size_t>(__builtin_ctzll(high));
  }
  for (; i + 16 <= n; i += 16)
    if (const int high = _mm_movemask_epi8(block(i))) return i + static_cast<size_t>(__builtin_ctz(high));
#endif
  return FindNonAscii(s, i);
}

void AppendDecodedSingleByte(Encoding e, std::string_view bytes, std::string& out) {
  const size_t at = out.size();
  out.resize(at + bytes.size() * 3);  // a byte is at most three in UTF-8
  char* const end = DecodeRun(PageOf(e), bytes, &out[at]);
  out.resize(static_cast<size_t>(end - out.data()));
}

std::vector<std::unique_ptr<char[]>> DecodeLinesBeyondAscii(Encoding e, std::string_view text,
                                                            std::vector<std::string_view>& lines) {
  // The lines before the next byte beyond ASCII are passed over unread; a
  // line that holds one is decoded while its bytes are at hand, into a
  // buffer with room for three bytes each, which is left unfilled until
  // written and never moves.
  constexpr size_t kBuffer = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> buffers;
  const CodePage* page = nullptr;
  char *to = nullptr, *end = nullptr;
  const char* high = text.data() + FindHighByte(text, 0);
  const char* const last = text.data() + text.size();
  for (std::string_view& line : lines) {
    if (line.data() + line.size() <= high) continue;
    const size_t at = static_cast<size_t>(line.data() - text.data());
    high = text.data() + FindHighByte(text, at + line.size());
    if (static_cast<size_t>(end - to) < line.size() * 3) {
      // Room for the rest of the text, when it is less.
      const size_t room = std::max(line.size() * 3, std::min(kBuffer, (text.size() - at) * 3));
      buffers.emplace_back(new char[room]);
      to = buffers.back().get();
      end = to + room;
      if (!page) page = &PageOf(e);
    }
    char* const from = to;
    to = DecodeRun(*page, line, to);
    line = std::string_view(from, static_cast<size_t>(to - from));
    if (high == last) break;
  }
  return buffers;
}

std::string DecodeSingleByte(Encoding e, std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  AppendDecodedSingleByte(e, bytes, out);
  return out;
}

namespace {
// The byte of a character beyond ASCII, or nothing.
inline std::optional<unsigned char> HighByteOf(const CodePage& page, char32_t cp) {
  if (cp < 0x800) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    if (const unsigned char b = page.low[cp]) return b;
    return std::nullopt;
  }
  return ByteOf(page, cp);
}

// Encodes [from, to) to `out`, which may be `from` itself: the text is then
// encoded where it stands, each byte read before its place is written.
// Returns where the output ends, and sets `failed` to the first character
// the page does not hold, which is left unread.
char* EncodeSingleByteRun(const CodePage& page, const char* in, const char* to, char* out, const char*& failed) {
  failed = nullptr;
  while (in < to) {
    // ASCII goes as it is, a block of it at a time.
#if defined(__SSE2__)
    const auto load = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const auto store = [](char* p, __m128i b) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), b); };
    for (; to - in >= 64; in += 64, out += 64) {
      const __m128i a = load(in), b = load(in + 16), c = load(in + 32), d = load(in + 48);
      if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) {
        store(out, a), store(out + 16, b), store(out + 32, c), store(out + 48, d);
        continue;
      }
      // The ASCII before the character found at once, rather than by
      // smaller blocks: text beyond ASCII is a character here and there.
      const auto mask = [](__m128i x) { return static_cast<std::uint64_t>(_mm_movemask_epi8(x)); };
      const auto ascii = static_cast<size_t>(__builtin_ctzll(mask(a) | mask(b) << 16 | mask(c) << 32 | mask(d) << 48));
      // Stored whole where that overwrites nothing not yet read: in place,
      // once the text written is 64 bytes behind; into another buffer,
      // always.
      if (reinterpret_cast<std::uintptr_t>(in) - reinterpret_cast<std::uintptr_t>(out) >= 64) {
        store(out, a), store(out + 16, b), store(out + 32, c), store(out + 48, d);
      } else {
        std::memmove(out, in, ascii);
      }
      in += ascii;
      out += ascii;
      break;
    }
    for (; to - in >= 16; in += 16, out += 16) {
      const __m128i block = load(in);
      if (_mm_movemask_epi8(block) != 0) break;
      store(out, block);
    }
#endif
    for (std::uint64_t word; to - in >= 8; in += 8, out += 8) {
      std::memcpy(&word, in, 8);
      if (word & 0x8080808080808080ULL) break;
      std::memcpy(out, &word, 8);
    }
    while (in < to && static_cast<unsigned char>(*in) < 0x80) *out++ = *in++;
    if (in == to) break;
    // A character beyond ASCII, decoded as NextCodePoint does: two bytes
    // inline, longer ones by the call.
    const unsigned char c = static_cast<unsigned char>(in[0]);
    char32_t cp;
    size_t length;
    if (c < 0xE0 && to - in >= 2 && (static_cast<unsigned char>(in[1]) & 0xC0) == 0x80) {
      cp = (static_cast<char32_t>(c & 0x1F) << 6) | (static_cast<unsigned char>(in[1]) & 0x3F);
      length = 2;
    } else {
      const std::string_view rest(in, static_cast<size_t>(to - in));
      length = 0;
      cp = NextCodePoint(rest, length);
    }
    const std::optional<unsigned char> b = HighByteOf(page, cp);
    if (!b) {
      failed = in;
      break;
    }
    in += length;
    *out++ = static_cast<char>(*b);
  }
  return out;
}
}  // namespace

bool AppendEncodedSingleByte(Encoding e, std::string_view utf8, std::string& out) {
  const size_t kept = out.size();
  out.resize(kept + utf8.size());  // a character is one byte at most
  const char* failed;
  char* const end = EncodeSingleByteRun(PageOf(e), utf8.data(), utf8.data() + utf8.size(), &out[kept], failed);
  if (failed) {
    out.resize(kept);
    return false;
  }
  out.resize(static_cast<size_t>(end - out.data()));
  return true;
}

bool EncodeSingleByteInPlace(Encoding e, std::string& text, std::vector<std::string>& notHeld) {
  size_t failedAt;
  if (EncodeSingleByteInPlaceFrom(e, text, 0, failedAt)) return true;
  // Every character before the first that does not fit does: the others
  // are all in the text not yet encoded.
  notHeld = CharactersNotHeld(e, std::string_view(text).substr(failedAt));
  return false;
}

bool EncodeSingleByteInPlaceFrom(Encoding e, std::string& text, size_t from, size_t& failedAt) {
  // Past the ASCII, which stays as it is, without a look at the page.
  const size_t high = FindHighByte(text, from);
  if (high == text.size()) return true;
  char* const start = text.data() + high;
  const char* failed;
  char* const end = EncodeSingleByteRun(PageOf(e), start, text.data() + text.size(), start, failed);
  if (failed) {
    failedAt = static_cast<size_t>(failed - text.data());
    return false;
  }
  text.resize(static_cast<size_t>(end - text.data()));
  return true;
}

std::optional<std::string> EncodeSingleByte(Encoding e, std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  if (!AppendEncodedSingleByte(e, utf8, out)) return std::nullopt;
  return out;
}

MultiByteText DecodeMultiByte(Encoding e, std::string_view bytes) {
  MultiByteText text;
  Converter decoder("UTF-8", IconvName(e)), encoder(IconvName(e), "UTF-8");
  // Nearly every file reads and writes back whole as it is.
  text.utf8.reserve(bytes.size() * 3 / 2);
  if (decoder.Convert(bytes, text.utf8) && !NeedsCloserLook(text.utf8)) {
    std::string back;
    back.reserve(bytes.size());
    if (encoder.Convert(text.utf8, back) && back == bytes) return text;
  }
  // Else line by line, and a line that does not, a closer way. No byte of a
  // character is a line end in any of these encodings.
  text.utf8.clear();
  const bool stateful = e == Encoding::Iso2022Jp;
  std::string line, back;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view raw = bytes.substr(start, end - start);
    start = end;
    line.clear();
    back.clear();
    if (decoder.Convert(raw, line) && !NeedsCloserLook(line) && encoder.Convert(line, back) && back == raw) {
      text.utf8 += line;
    } else if (stateful) {
      DecodeIso2022ByBytes(raw, text);
    } else {
      DecodeByCharacter(e, raw, decoder, encoder, text);
    }
  }
  return text;
}

std::optional<std::string> EncodeMultiByte(Encoding e, std::string_view utf8) {
  Converter encoder(IconvName(e), "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  // Runs between kept bytes go through the converter, each on its own, so
  // that a stateful encoding is back in ASCII before a kept byte.
  size_t run = 0;
  for (size_t at = utf8.find('\xF4'); at != std::string_view::npos; at = utf8.find('\xF4', at + 1)) {
    size_t next = at;
    const char32_t c = NextCodePoint(utf8, next);
    if (!IsKeptByte(c)) continue;
    if (at > run && !encoder.Convert(utf8.substr(run, at - run), out)) return std::nullopt;
    out += static_cast<char>(c - kKeptByte);
    run = next;
    at = next - 1;
  }
  if (run < utf8.size() && !encoder.Convert(utf8.substr(run), out)) return std::nullopt;
  return out;
}

std::optional<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;  // the converter would let a half character pass
  return Convert("UTF-8", bigEndian ? "UTF-16BE" : "UTF-16LE", bytes, bytes.size() / 2 * 3);
}

std::optional<std::string> EncodeUtf16(std::string_view utf8, bool bigEndian) {
  return Convert(bigEndian ? "UTF-16BE" : "UTF-16LE", "UTF-8", utf8, utf8.size() * 2);
}

std::optional<std::string> DecodeUtf32(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 4 != 0) return std::nullopt;
  return Convert("UTF-8", bigEndian ? "UTF-32BE" : "UTF-32LE", bytes, bytes.size());
}

std::optional<std::string> EncodeUtf32(std::string_view utf8, bool bigEndian) {
  return Convert(bigEndian ? "UTF-32BE" : "UTF-32LE", "UTF-8", utf8, utf8.size() * 4);
}

bool CanHold(Encoding e, std::string_view utf8) {
  if (IsAscii(utf8)) return true;
  if (IsMultiByte(e)) return EncodeMultiByte(e, utf8).has_value();
  if (!IsSingleByte(e)) return true;
  const CodePage& page = PageOf(e);
  size_t i = 0;
  while (i < utf8.size())
    if (!ByteOf(page, NextCodePoint(utf8, i))) return false;
  return true;
}

std::vector<std::string> CharactersNotHeld(Encoding e, std::string_view utf8) {
  std::vector<std::string> out;
  if (!(IsSingleByte(e) || IsMultiByte(e)) || IsAscii(utf8)) return out;
  std::unordered_set<std::string_view> seen;
  for (size_t i = 0; i < utf8.size();) {
    const std::string_view c = NextChar(utf8, i);
    if (static_cast<unsigned char>(c[0]) < 0x80 || !seen.insert(c).second) continue;
    if (!CanHold(e, c)) out.emplace_back(c);
  }
  return out;
}

std::string ListCharacters(const std::vector<std::string>& characters) {
  constexpr size_t kNamed = 10;
  const size_t named = std::min(characters.size(), kNamed);
  std::string out;
  for (size_t i = 0; i < named; ++i) {
    if (i > 0) out += i + 1 == named && named == characters.size() ? " and " : ", ";
    out += Named(characters[i]);
  }
  if (named < characters.size()) out += " and " + std::to_string(characters.size() - named) + " more";
  return out;
}

std::string NotHeldReason(Encoding e, const std::vector<std::string>& characters) {
  if (characters.empty()) return {};
  return ListCharacters(characters) + (characters.size() == 1 ? " does not fit " : " do not fit ") + EncodingName(e);
}

}  // namespace lm
