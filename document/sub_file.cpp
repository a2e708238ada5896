#include "sub_file.h"

#include <algorithm>
#include <cerrno>

#include "commands.h"
#include "limits.h"

namespace lm {

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
}  // namespace

ReadStatus SplitSubtitleLines(std::string_view content, std::vector<std::string>& lines) {
  lines.clear();
  lines.reserve(static_cast<size_t>(std::min(CountByte(content, '\r'), kInt16Max)) + 1);
  long lineCount = 0;
  size_t start = 0;
  const size_t n = content.size();
  while (start < n) {
    const size_t cr = content.find('\r', start);
    const size_t end = cr == std::string_view::npos ? n : cr;
    if (++lineCount > kInt16Max) {
      lines.clear();
      return ReadStatus::TooManyLines;
    }
    if (end > start) lines.emplace_back(content.substr(start, end - start));
    if (cr == std::string_view::npos) break;
    start = cr + 1;
    if (start < n && content[start] == '\n') ++start;
  }
  return ReadStatus::Ok;
}

ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file) {
  file.encoding = Encoding::Windows1252;
  const bool marked = content.substr(0, kByteOrderMark.size()) == kByteOrderMark;
  const bool ascii = IsAscii(content);
  if (marked && IsValidUtf8(content)) {
    file.encoding = Encoding::Utf8Bom;
    content.remove_prefix(kByteOrderMark.size());
  } else if (!marked && !ascii && IsValidUtf8(content)) {
    file.encoding = Encoding::Utf8;
  }
  const ReadStatus status = SplitSubtitleLines(content, file.lines);
  if (status != ReadStatus::Ok || file.encoding != Encoding::Windows1252 || ascii) return status;
  for (std::string& line : file.lines)
    if (!IsAscii(line)) line = DecodeWindows1252(line);
  return status;
}

ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file) {
  file.lines.clear();
  std::string content;
  switch (ReadWholeFile(path, content, kMaxFileBytes).status) {
    case FileRead::Ok: break;
    case FileRead::CannotOpen: return ReadStatus::CannotOpen;
    case FileRead::TooLarge: return ReadStatus::TooLarge;
    case FileRead::NotRegular:
    case FileRead::CannotRead: return ReadStatus::CannotRead;
  }
  return ParseSubtitleFile(content, file);
}

bool EncodeSubtitleFile(const std::vector<std::string>& entries, Encoding encoding,
                        std::string& bytes) {
  size_t total = encoding == Encoding::Utf8Bom ? kByteOrderMark.size() : 0;
  for (const auto& e : entries) total += e.size() + 2;
  bytes.clear();
  bytes.reserve(total);
  if (encoding == Encoding::Utf8Bom) bytes += kByteOrderMark;
  for (const auto& e : entries) {
    if (encoding == Encoding::Windows1252 && !IsAscii(e)) {
      std::optional<std::string> narrow = EncodeWindows1252(e);
      if (!narrow) return false;
      bytes += *narrow;
    } else {
      bytes += e;
    }
    bytes += "\r\n";
  }
  return true;
}

WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              Encoding encoding) {
  std::string bytes;
  // The grid refuses what the code page cannot hold, so this is a safeguard
  // against writing a changed character silently.
  if (!EncodeSubtitleFile(entries, encoding, bytes)) return {WriteStatus::Failed, EILSEQ};
  return WriteFileSafely(path, bytes);
}

WriteResult WriteDocument(const Document& doc, const std::string& path) {
  return WriteSubtitleFile(path, doc.List1.Items(), doc.FileEncoding());
}

namespace {
char SeparatorFor(const std::string& folder) {
  const bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
  return windows ? '\\' : '/';
}

bool ReadFirstDecomposable(const std::string& path, SubtitleFile& file) {
  if (ReadSubtitleFile(path, file) != ReadStatus::Ok || file.lines.empty()) return false;
  return CanDecompose(file.lines.front());
}

// The new document replaces the old; entry 0 becomes current and is shown.
void OpenDocument(Document& doc, SubtitleFile file, const std::string& path) {
  doc.Load(std::move(file.lines), path, file.encoding);
  SelectEntry(doc, 0);
}
}  // namespace

std::string ComposeFilePath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + SeparatorFor(folder) + name;
}

bool LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                      const std::function<bool()>& rememberFolder) {
  if (rememberFolder && !rememberFolder()) return false;
  const std::string path = ComposeFilePath(folder, fileName);
  SubtitleFile file;
  if (!ReadFirstDecomposable(path, file)) return false;
  OpenDocument(doc, std::move(file), path);
  return true;
}

bool ReloadSubtitleFile(Document& doc, const std::string& path) {
  if (path.empty()) return false;
  SubtitleFile file;
  if (!ReadFirstDecomposable(path, file)) return false;
  OpenDocument(doc, std::move(file), path);
  return true;
}

}  // namespace lm
