#include "files/text_file.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/charset.h"
#include "model/text.h"

namespace lm {

namespace {
bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Where the line after the line end at `end` starts: a CR LF ends a line
// once.
size_t PastEnd(std::string_view s, size_t end) {
  return end + (s[end] == '\r' && end + 1 < s.size() && s[end + 1] == '\n' ? 2 : 1);
}

}  // namespace

std::optional<Encoding> WideUnicodeMark(std::string_view content) {
  // UTF-32LE's mark starts as UTF-16LE's does.
  if (StartsWith(content, kUtf32LEMark)) return Encoding::Utf32LE;
  if (StartsWith(content, kUtf32BEMark)) return Encoding::Utf32BE;
  if (StartsWith(content, kUtf16LEMark)) return Encoding::Utf16LE;
  if (StartsWith(content, kUtf16BEMark)) return Encoding::Utf16BE;
  return std::nullopt;
}

namespace {
std::string_view MarkOf(Encoding e) {
  switch (e) {
    case Encoding::Utf16LE:
      return kUtf16LEMark;
    case Encoding::Utf16BE:
      return kUtf16BEMark;
    case Encoding::Utf32LE:
      return kUtf32LEMark;
    case Encoding::Utf32BE:
      return kUtf32BEMark;
    case Encoding::Utf8Bom:
      return kByteOrderMark;
    default:
      return {};
  }
}

bool BigEndian(Encoding e) { return e == Encoding::Utf16BE || e == Encoding::Utf32BE; }

// ASCII text that switches to a two-byte character set is ISO-2022-JP.
bool SwitchesToTwoBytes(std::string_view ascii) {
  for (size_t at = ascii.find("\x1B$"); at != std::string_view::npos; at = ascii.find("\x1B$", at + 1)) {
    const std::string_view rest = ascii.substr(at + 2, 2);
    if (!rest.empty() && (rest[0] == 'B' || rest[0] == '@' || rest == "(D" || rest == "(Q" || rest == "(O"))
      return true;
  }
  return false;
}

void TakeMultiByte(Encoding e, MultiByteText decodedText, ChosenEncoding& chosen, std::string_view& text,
                   std::string& decoded) {
  chosen.encoding = e;
  chosen.keptBytes = decodedText.keptBytes;
  decoded = std::move(decodedText.utf8);
  text = decoded;
}
}  // namespace

bool ChooseEncoding(std::string_view content, std::optional<Encoding> named, ChosenEncoding& chosen,
                    std::string_view& text, std::string& decoded) {
  chosen = ChosenEncoding();
  text = content;
  const std::optional<Encoding> mark = WideUnicodeMark(content);
  if (named ? IsWideUnicode(*named) : mark.has_value()) {
    const Encoding e = named ? *named : *mark;
    chosen.encoding = e;
    if (StartsWith(content, MarkOf(e))) content.remove_prefix(MarkOf(e).size());
    std::optional<std::string> utf8 =
        IsUtf16(e) ? DecodeUtf16(content, BigEndian(e)) : DecodeUtf32(content, BigEndian(e));
    if (!utf8) return false;
    decoded = std::move(*utf8);
    text = decoded;
    return true;
  }
  const bool marked = StartsWith(content, kByteOrderMark);
  if (named && (*named == Encoding::Utf8 || *named == Encoding::Utf8Bom)) {
    chosen.encoding = marked ? Encoding::Utf8Bom : Encoding::Utf8;
    if (marked) text.remove_prefix(kByteOrderMark.size());
    return IsValidUtf8(text);
  }
  if (named && IsMultiByte(*named)) {
    TakeMultiByte(*named, DecodeMultiByte(*named, content), chosen, text, decoded);
    return true;
  }
  // Known at the first byte beyond ASCII, before which every byte is a
  // whole UTF-8 character.
  const size_t high = FindHighByte(content, 0);
  const bool ascii = high == content.size();
  if (named) {
    chosen.encoding = *named;
    chosen.byLine = !ascii;
    return true;
  }
  if (marked && IsValidUtf8(content)) {
    chosen.encoding = Encoding::Utf8Bom;
    text.remove_prefix(kByteOrderMark.size());
  } else if (ascii) {
    if (content.find('\x1B') != std::string_view::npos && SwitchesToTwoBytes(content)) {
      TakeMultiByte(Encoding::Iso2022Jp, DecodeMultiByte(Encoding::Iso2022Jp, content), chosen, text, decoded);
    } else {
      chosen.ascii = true;
    }
  } else if (!marked && IsValidUtf8(content.substr(high))) {
    chosen.encoding = Encoding::Utf8;
  } else {
    MultiByteText multi;
    const Encoding e = GuessLegacyEncoding(content, multi);
    if (IsMultiByte(e)) {
      TakeMultiByte(e, std::move(multi), chosen, text, decoded);
    } else {
      chosen.encoding = e;
      chosen.byLine = true;
    }
  }
  return true;
}

void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEnd& style) {
  LineEndCounts ends;
  SplitLines(content, lines, ends);
  style = ends.Style();
}

size_t PieceEnd(std::string_view content, size_t from, size_t least) {
  const size_t n = content.size();
  // Each line end from there on, and whether an empty line follows it.
  for (size_t at = std::min(n, from + least); at < n;) {
    const size_t end = FindEither(content, at, '\r', '\n');
    if (end >= n) break;
    const size_t next = PastEnd(content, end);
    if (next < n && (content[next] == '\r' || content[next] == '\n')) return PastEnd(content, next);
    at = next;
  }
  return n;
}

void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEndCounts& ends) {
  lines.clear();
  // Room for lines of some 24 bytes; more is made as it is needed.
  lines.reserve(content.size() / 24 + 16);
  const char* p = content.data();
  const size_t n = content.size();
  size_t start = 0;
  // A CR or LF at `at` ends the line from `start`; a CR LF ends it once.
  const auto endAt = [&](size_t at) {
    lines.emplace_back(p + start, at - start);
    if (p[at] == '\n') {
      ++ends.lf;
      start = at + 1;
    } else if (at + 1 < n && p[at + 1] == '\n') {
      ++ends.crlf;
      start = at + 2;
    } else {
      ++ends.cr;
      start = at + 1;
    }
  };
  size_t i = 0;
#if defined(__SSE2__)
  // 64 bytes at a time, into the places of the line ends (the LF of a CR LF
  // left out), lines made from a batch of them: where the ends fall decides
  // few branches.
  constexpr size_t kBatch = 256;
  size_t found[kBatch + 64];
  size_t count = 0;
  const auto flush = [&] {
    for (size_t k = 0; k < count; ++k) endAt(found[k]);
    count = 0;
  };
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  std::uint64_t crBefore = 0;  // the byte before the block is a CR
  for (; i + 64 <= n; i += 64) {
    // The four blocks' bits, each at its fixed place.
    const auto bits = [&](int k, __m128i c) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k));
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, c))));
    };
    const std::uint64_t crs = bits(0, cr) | bits(1, cr) << 16 | bits(2, cr) << 32 | bits(3, cr) << 48;
    const std::uint64_t lfs = bits(0, lf) | bits(1, lf) << 16 | bits(2, lf) << 32 | bits(3, lf) << 48;
    std::uint64_t mask = crs | (lfs & ~((crs << 1) | crBefore));
    crBefore = crs >> 63;
    if (count > kBatch) flush();
    size_t* to = found + count;
    // Eight written whatever the count, each kept only for an end.
    for (int k = 0; k < 8; ++k, mask &= mask - 1) {
      *to = i + static_cast<size_t>(__builtin_ctzll(mask | (std::uint64_t{1} << 63)));
      to += mask != 0;
    }
    for (; mask != 0; mask &= mask - 1) *to++ = i + static_cast<size_t>(__builtin_ctzll(mask));
    count = static_cast<size_t>(to - found);
  }
  flush();
#endif
  for (; i < n; ++i)
    if ((p[i] == '\r' || p[i] == '\n') && i >= start) endAt(i);
  if (start < n) lines.emplace_back(p + start, n - start);
}

void SplitFirstLines(std::string_view content, size_t most, std::vector<std::string_view>& nonEmpty) {
  nonEmpty.clear();
  for (size_t start = 0; start < content.size() && nonEmpty.size() < most;) {
    const size_t end = FindEither(content, start, '\r', '\n');
    if (end > start) nonEmpty.push_back(content.substr(start, end - start));
    if (end == content.size()) break;
    start = PastEnd(content, end);
  }
}

LineEncoder::LineEncoder(const FileIdentity& identity, std::string& bytes, size_t sizeHint)
    : encoding_(identity.encoding),
      end_(identity.lineEnd == LineEnd::Lf ? "\n" : "\r\n"),
      bytes_(bytes),
      inPieces_(IsSingleByte(encoding_)) {
  bytes_.clear();
  // Room made before that is too small is let go first: grown, it would
  // be twice as large.
  const size_t room = sizeHint + kByteOrderMark.size();
  if (bytes_.capacity() < room) std::string().swap(bytes_);
  bytes_.reserve(room);
  if (encoding_ == Encoding::Utf8Bom) bytes_ += kByteOrderMark;
}

void LineEncoder::EncodePiece() {
  // A piece ends with a line: no character is cut.
  if (bytes_.empty() || bytes_.back() != '\n') return;
  size_t failedAt;
  if (EncodeSingleByteInPlaceFrom(encoding_, bytes_, encoded_, failedAt)) {
    encoded_ = bytes_.size();
  } else {
    failedAt_ = failedAt;
    inPieces_ = false;
  }
}

bool LineEncoder::Finish() {
  // UTF-8 goes as it is; an 8-bit page takes the text in place (what is
  // left of it), the wide and East Asian encodings through the converter,
  // whole.
  if (IsSingleByte(encoding_)) {
    size_t failedAt;
    if (!failedAt_ && !EncodeSingleByteInPlaceFrom(encoding_, bytes_, encoded_, failedAt)) failedAt_ = failedAt;
    if (failedAt_) {
      // Every character before the first that does not fit does: the
      // others are all in the text not yet encoded.
      notHeld_ = CharactersNotHeld(encoding_, std::string_view(bytes_).substr(*failedAt_));
      bytes_.clear();
      return false;
    }
  } else if (IsWideUnicode(encoding_)) {
    const bool big = BigEndian(encoding_);
    std::optional<std::string> wide = IsUtf16(encoding_) ? EncodeUtf16(bytes_, big) : EncodeUtf32(bytes_, big);
    if (!wide) return false;
    bytes_.assign(MarkOf(encoding_));
    bytes_ += *wide;
  } else if (IsMultiByte(encoding_)) {
    std::optional<std::string> coded = EncodeMultiByte(encoding_, bytes_);
    if (!coded) {
      notHeld_ = CharactersNotHeld(encoding_, bytes_);
      return false;
    }
    bytes_ = std::move(*coded);
  }
  return true;
}

}  // namespace lm
