#include "files/text_file.h"

#include <cstring>

#include "files/charset.h"
#include "model/text.h"

namespace lm {

namespace {
bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

struct EndCounts {
  long lf = 0, crlf = 0, cr = 0;  // lone LF, CR LF, lone CR
};

size_t Find(std::string_view s, char c, size_t from) {
  const void* p = from < s.size() ? std::memchr(s.data() + from, c, s.size() - from) : nullptr;
  return p ? static_cast<size_t>(static_cast<const char*>(p) - s.data()) : s.size();
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
  const bool ascii = IsAscii(content);
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
  } else if (!marked && IsValidUtf8(content)) {
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
  lines.clear();
  // Room for lines of some 24 bytes; more is made as it is needed.
  lines.reserve(content.size() / 24 + 16);
  EndCounts ends;
  const size_t n = content.size();
  const bool anyCr = Find(content, '\r', 0) != n;
  size_t start = 0;
  while (start < n) {
    const size_t end = anyCr ? FindEither(content, start, '\r', '\n') : Find(content, '\n', start);
    lines.push_back(content.substr(start, end - start));
    if (end == n) break;
    start = end + 1;
    if (content[end] == '\r' && start < n && content[start] == '\n') {
      ++start;
      ++ends.crlf;
    } else if (content[end] == '\n') {
      ++ends.lf;
    } else {
      ++ends.cr;
    }
  }
  style = ends.lf > 0 && ends.crlf == 0 && ends.cr == 0 ? LineEnd::Lf : LineEnd::CrLf;
}

LineEncoder::LineEncoder(const FileIdentity& identity, std::string& bytes, size_t sizeHint)
    : encoding_(identity.encoding), end_(identity.lineEnd == LineEnd::Lf ? "\n" : "\r\n"), bytes_(bytes) {
  bytes_.clear();
  bytes_.reserve(sizeHint + kByteOrderMark.size());
  if (encoding_ == Encoding::Utf8Bom) bytes_ += kByteOrderMark;
}

bool LineEncoder::Finish() {
  // UTF-8 goes as it is; an 8-bit page takes the text in place, the wide
  // and East Asian encodings through the converter, whole.
  if (IsSingleByte(encoding_)) {
    if (!EncodeSingleByteInPlace(encoding_, bytes_, notHeld_)) {
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
