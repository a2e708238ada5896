#include "sub_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "commands.h"
#include "format_guess.h"
#include "limits.h"
#include "subrip.h"

namespace lm {

namespace {
constexpr std::string_view kUtf16LEMark("\xFF\xFE", 2);
constexpr std::string_view kUtf16BEMark("\xFE\xFF", 2);

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The text to split and its encoding: the one named, or the one the bytes
// say. UTF-16 is turned into UTF-8 here (into `decoded`); 8-bit text is
// decoded line by line later. False when the text is not valid in the
// encoding named or marked.
bool ChooseEncoding(std::string_view content, std::optional<Encoding> named, Encoding& encoding,
                    std::string_view& text, std::string& decoded, bool& ascii) {
  ascii = false;
  text = content;
  const bool utf16 = StartsWith(content, kUtf16LEMark) || StartsWith(content, kUtf16BEMark);
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

const char* Terminator(LineEnd style) { return style == LineEnd::Lf ? "\n" : "\r\n"; }
}  // namespace

namespace {
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

// Every line of the content, empty ones too, and the style of their ends.
void SplitViews(std::string_view content, std::vector<std::string_view>& lines, LineEnd& style) {
  lines.clear();
  const long lfs = CountOf(content, '\n');
  lines.reserve(static_cast<size_t>(lfs + 1));
  EndCounts ends;
  if (Find(content, '\r', 0) == content.size()) {
    SplitAt(content, lines, [&](size_t from) { return Find(content, '\n', from); }, ends);
  } else {
    // Lines end at CR, most often followed by LF. When every LF follows a
    // CR, as in most files, one search a line finds every end; otherwise
    // the file is split again at both.
    SplitAt(content, lines, [&](size_t from) { return Find(content, '\r', from); }, ends);
    if (ends.crlf != lfs) {
      lines.clear();
      ends = {};
      SplitAt(content, lines, [&](size_t from) { return FindEither(content, from, '\r', '\n'); }, ends);
    }
  }
  style = ends.lf > 0 && ends.crlf == 0 && ends.cr == 0 ? LineEnd::Lf : LineEnd::CrLf;
}

}  // namespace

ReadStatus SplitSubtitleLines(std::string_view content, std::vector<std::string>& lines,
                              LineEnd* style) {
  std::vector<std::string_view> all;
  LineEnd ends;
  SplitViews(content, all, ends);
  lines.clear();
  if (style) *style = ends;
  // The lines are counted, empty ones too.
  if (all.size() > static_cast<size_t>(kInt16Max)) return ReadStatus::TooManyLines;
  lines.reserve(all.size());
  for (const std::string_view line : all)
    if (!line.empty()) lines.emplace_back(line);
  return ReadStatus::Ok;
}

ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file, std::optional<Encoding> named,
                             double frameRate) {
  file.lines.clear();
  file.sources.clear();
  file.looksLike.clear();
  file.identity = FileIdentity();
  file.identity.frameRate = frameRate;
  std::string decoded;
  std::string_view text;
  Encoding encoding = Encoding::Windows1252;
  // Binary data is told before any guessing about its letters.
  if (!StartsWith(content, kUtf16LEMark) && !StartsWith(content, kUtf16BEMark) &&
      !(named && IsUtf16(*named))) {
    file.looksLike = GuessBinary(content);
    if (!file.looksLike.empty()) return ReadStatus::NotFrameBased;
  }
  bool ascii = false;
  if (!ChooseEncoding(content, named, encoding, text, decoded, ascii)) {
    file.identity.encoding = named ? *named : encoding;
    return ReadStatus::NotInEncoding;
  }
  file.identity.encoding = encoding;
  if (IsUtf16(encoding)) {
    file.looksLike = GuessBinary(text);
    if (!file.looksLike.empty()) return ReadStatus::NotFrameBased;
  }
  std::vector<std::string_view> all;
  SplitViews(text, all, file.identity.lineEnd);
  std::vector<std::string_view> filled;
  filled.reserve(all.size());
  for (const std::string_view line : all)
    if (!line.empty()) filled.push_back(line);
  const bool decode = IsSingleByte(encoding) && !ascii;

  if (IsFrameBased(filled)) {
    // The lines are counted, empty ones too.
    if (all.size() > static_cast<size_t>(kInt16Max)) return ReadStatus::TooManyLines;
    file.lines.assign(filled.begin(), filled.end());
    if (decode) {
      for (std::string& line : file.lines)
        if (!IsAscii(line)) line = DecodeSingleByte(encoding, line);
    }
    if (!file.lines.empty()) {
      if (const std::optional<double> named = FrameRateEntry(file.lines.front())) {
        file.identity.frameRate = *named;
        file.identity.frameRateFromFile = true;
      }
    }
    return ReadStatus::Ok;
  }

  file.looksLike = GuessTextFormat(filled);
  if (file.looksLike != "SubRip") return ReadStatus::NotFrameBased;
  file.looksLike.clear();
  std::vector<std::string> decodedLines;
  if (decode) {
    decodedLines.reserve(all.size());
    for (const std::string_view line : all)
      decodedLines.push_back(IsAscii(line) ? std::string(line) : DecodeSingleByte(encoding, line));
    for (size_t i = 0; i < all.size(); ++i) all[i] = decodedLines[i];
  }
  ParseSubRip(all, file.lines, file.sources, file.identity.finalBlank);
  if (file.lines.size() > static_cast<size_t>(kInt16Max)) {
    file.lines.clear();
    file.sources.clear();
    return ReadStatus::TooManyLines;
  }
  file.identity.format = file.identity.readAs = SubtitleFormat::SubRip;
  return ReadStatus::Ok;
}

ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file, std::optional<Encoding> named,
                            double frameRate) {
  file.lines.clear();
  std::string content;
  switch (ReadWholeFile(path, content, kMaxFileBytes, &file.stamp).status) {
    case FileRead::Ok: break;
    case FileRead::CannotOpen: return ReadStatus::CannotOpen;
    case FileRead::TooLarge: return ReadStatus::TooLarge;
    case FileRead::NotRegular:
    case FileRead::CannotRead: return ReadStatus::CannotRead;
  }
  return ParseSubtitleFile(content, file, named, frameRate);
}

namespace {
// Lines into the file's bytes, a line at a time: each encoded and ended as
// the file's were.
class LineEncoder {
 public:
  LineEncoder(const FileIdentity& identity, std::string& bytes, size_t sizeHint)
      : encoding_(identity.encoding), end_(Terminator(identity.lineEnd)), bytes_(bytes) {
    bytes_.clear();
    bytes_.reserve(sizeHint + kByteOrderMark.size());
    if (encoding_ == Encoding::Utf8Bom) bytes_ += kByteOrderMark;
  }
  void Add(std::string_view line) {
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
  bool Finish() {
    if (ok_ && IsUtf16(encoding_)) {
      const bool big = encoding_ == Encoding::Utf16BE;
      std::optional<std::string> wide = EncodeUtf16(bytes_, big);
      if (!wide) return false;
      bytes_.assign(big ? kUtf16BEMark : kUtf16LEMark);
      bytes_ += *wide;
    }
    return ok_;
  }

 private:
  Encoding encoding_;
  std::string_view end_;
  std::string& bytes_;
  bool ok_ = true;
};
}  // namespace

bool EncodeSubtitleFile(const std::vector<std::string>& entries, const FileIdentity& identity,
                        std::string& bytes) {
  size_t total = 0;
  for (const auto& e : entries) total += e.size() + 2;
  LineEncoder encoder(identity, bytes, total);
  for (const auto& e : entries) encoder.Add(e);
  return encoder.Finish();
}

WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              const FileIdentity& identity) {
  std::string bytes;
  if (!EncodeSubtitleFile(entries, identity, bytes)) return {WriteStatus::Failed, EILSEQ};
  return WriteFileSafely(path, bytes);
}

bool EncodeDocument(const Document& doc, std::optional<SubtitleFormat> format, std::string& bytes) {
  FileIdentity identity = doc.Identity();
  if (format) identity.format = *format;
  // The common case, a frame-based document written as it was read, goes
  // straight from the list.
  if (identity.format == SubtitleFormat::MicroDvd && identity.readAs == SubtitleFormat::MicroDvd)
    return EncodeSubtitleFile(doc.List1.Items(), identity, bytes);
  size_t total = 0;
  for (const auto& e : doc.List1.Items()) total += e.size() + 40;
  LineEncoder encoder(identity, bytes, total);
  const LineSink emit = [&](std::string_view line) { encoder.Add(line); };
  if (identity.format == SubtitleFormat::SubRip) {
    WriteSubRip(doc, emit);
  } else {
    WriteMicroDvdFromSubRip(doc, emit);
  }
  return encoder.Finish();
}

WriteResult WriteDocument(const Document& doc, const std::string& path, std::optional<SubtitleFormat> format) {
  std::string bytes;
  if (!EncodeDocument(doc, format, bytes)) return {WriteStatus::Failed, EILSEQ};
  return WriteFileSafely(path, bytes);
}

SubtitleFormat FormatForPath(const std::string& path, SubtitleFormat otherwise) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return otherwise;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "srt") return SubtitleFormat::SubRip;
  if (ext == "sub") return SubtitleFormat::MicroDvd;
  return otherwise;
}

std::string LoadFailureMessage(const LoadResult& result, const std::string& fileName) {
  switch (result.status) {
    case ReadStatus::NotFrameBased:
      return fileName + " is neither a frame-based nor a SubRip subtitle file" +
             (result.looksLike.empty() ? "" : " (it looks like " + result.looksLike + ")") + ".";
    case ReadStatus::NotInEncoding:
      return fileName + " cannot be read as " + EncodingName(result.encoding) + ".";
    default:
      return "File Corrupt!";
  }
}

namespace {
char SeparatorFor(const std::string& folder) {
  const bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
  return windows ? '\\' : '/';
}

LoadResult FirstDecomposable(ReadStatus status, const SubtitleFile& file) {
  LoadResult result{status, file.looksLike, file.identity.encoding};
  if (result.status == ReadStatus::Ok && (file.lines.empty() || !CanDecompose(file.lines.front())))
    result.status = ReadStatus::NoEntry;
  return result;
}

LoadResult ReadFirstDecomposable(const std::string& path, SubtitleFile& file,
                                 std::optional<Encoding> named, double frameRate) {
  return FirstDecomposable(ReadSubtitleFile(path, file, named, frameRate), file);
}

// The new document replaces the old; entry 0 becomes current and is shown.
void OpenDocument(Document& doc, SubtitleFile file, const std::string& path) {
  doc.Load(std::move(file.lines), path, file.identity, std::move(file.sources));
  doc.SetDiskStamp(file.stamp);
  SelectEntry(doc, 0);
}
}  // namespace

std::string ComposeFilePath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + SeparatorFor(folder) + name;
}

LoadResult LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                            const std::function<bool()>& rememberFolder, std::optional<Encoding> named,
                            double frameRate) {
  if (rememberFolder && !rememberFolder()) return {ReadStatus::CannotRead, {}, {}};
  return LoadSubtitlePath(doc, ComposeFilePath(folder, fileName), named, frameRate);
}

LoadResult LoadSubtitleText(Document& doc, std::string_view content, const std::string& path,
                            std::optional<Encoding> named, double frameRate) {
  SubtitleFile file;
  LoadResult result = FirstDecomposable(ParseSubtitleFile(content, file, named, frameRate), file);
  if (result) OpenDocument(doc, std::move(file), path);
  return result;
}

LoadResult LoadSubtitlePath(Document& doc, const std::string& path, std::optional<Encoding> named,
                            double frameRate) {
  if (path.empty()) return {ReadStatus::CannotOpen, {}, {}};
  SubtitleFile file;
  LoadResult result = ReadFirstDecomposable(path, file, named, frameRate);
  if (result) OpenDocument(doc, std::move(file), path);
  return result;
}

}  // namespace lm
