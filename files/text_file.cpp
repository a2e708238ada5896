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

// The lines between the ends `next` finds, empty ones too.
template <class NextEnd>
void SplitAt(std::string_view content, std::vector<std::string_view>& lines, NextEnd next, EndCounts& ends) {
  const size_t n = content.size();
  size_t start = 0;
  while (start < n) {
    const size_t end = next(start);
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
}

size_t Find(std::string_view s, char c, size_t from) {
  const void* p = from < s.size() ? std::memchr(s.data() + from, c, s.size() - from) : nullptr;
  return p ? static_cast<size_t>(static_cast<const char*>(p) - s.data()) : s.size();
}

long CountOf(std::string_view s, char c) {
  long count = 0;
  for (size_t p = Find(s, c, 0); p < s.size(); p = Find(s, c, p + 1)) ++count;
  return count;
}
}  // namespace

bool StartsWithUtf16Mark(std::string_view content) {
  return StartsWith(content, kUtf16LEMark) || StartsWith(content, kUtf16BEMark);
}

bool ChooseEncoding(std::string_view content, std::optional<Encoding> named, Encoding& encoding, std::string_view& text,
                    std::string& decoded, bool& ascii) {
  ascii = false;
  text = content;
  const bool utf16 = StartsWithUtf16Mark(content);
  if (named ? IsUtf16(*named) : utf16) {
    const bool big = named ? *named == Encoding::Utf16BE : StartsWith(content, kUtf16BEMark);
    encoding = big ? Encoding::Utf16BE : Encoding::Utf16LE;
    if (StartsWith(content, big ? kUtf16BEMark : kUtf16LEMark)) content.remove_prefix(2);
    std::optional<std::string> utf8 = DecodeUtf16(content, big);
    if (!utf8) return false;
    decoded = std::move(*utf8);
    text = decoded;
    return true;
  }
  const bool marked = StartsWith(content, kByteOrderMark);
  if (named && (*named == Encoding::Utf8 || *named == Encoding::Utf8Bom)) {
    encoding = marked ? Encoding::Utf8Bom : Encoding::Utf8;
    if (marked) text.remove_prefix(kByteOrderMark.size());
    return IsValidUtf8(text);
  }
  ascii = IsAscii(content);
  if (named) {
    encoding = *named;
    return true;
  }
  if (marked && IsValidUtf8(content)) {
    encoding = Encoding::Utf8Bom;
    text.remove_prefix(kByteOrderMark.size());
  } else if (ascii) {
    encoding = Encoding::Windows1252;
  } else if (!marked && IsValidUtf8(content)) {
    encoding = Encoding::Utf8;
  } else {
    encoding = GuessCodePage(content);
  }
  return true;
}

void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEnd& style) {
  lines.clear();
  const long lfs = CountOf(content, '\n');
  lines.reserve(static_cast<size_t>(lfs + 1));
  EndCounts ends;
  if (Find(content, '\r', 0) == content.size()) {
    SplitAt(
        content, lines, [&](size_t from) { return Find(content, '\n', from); }, ends);
  } else {
    // Lines end at CR, most often followed by LF. When every LF follows a
    // CR, as in most files, one search a line finds every end; otherwise
    // the file is split again at both.
    SplitAt(
        content, lines, [&](size_t from) { return Find(content, '\r', from); }, ends);
    if (ends.crlf != lfs) {
      lines.clear();
      ends = {};
      SplitAt(
          content, lines, [&](size_t from) { return FindEither(content, from, '\r', '\n'); }, ends);
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

void LineEncoder::Add(std::string_view line) {
  if (IsSingleByte(encoding_) && !IsAscii(line)) {
    std::optional<std::string> coded = EncodeSingleByte(encoding_, line);
    // The grid refuses what the code page cannot hold, so this is a
    // safeguard against writing a changed character silently.
    if (!coded) {
      ok_ = false;
      return;
    }
    bytes_ += *coded;
  } else {
    bytes_ += line;
  }
  bytes_ += end_;
}

bool LineEncoder::Finish() {
  if (ok_ && IsUtf16(encoding_)) {
    const bool big = encoding_ == Encoding::Utf16BE;
    std::optional<std::string> wide = EncodeUtf16(bytes_, big);
    if (!wide) return false;
    bytes_.assign(big ? kUtf16BEMark : kUtf16LEMark);
    bytes_ += *wide;
  }
  return ok_;
}

}  // namespace lm
