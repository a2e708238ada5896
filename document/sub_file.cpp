#include "sub_file.h"

#include "editor/char_grid.h"

namespace lm {

ReadStatus SplitSubtitleLines(const std::string& content, std::vector<std::string>& lines) {
  lines.clear();
  long lineCount = 0;
  size_t start = 0;
  const size_t n = content.size();
  while (start < n) {
    size_t cr = content.find('\r', start);
    size_t end = cr == std::string::npos ? n : cr;
    if (++lineCount > kMaxFileLines) {
      lines.clear();
      return ReadStatus::TooManyLines;
    }
    if (end > start) lines.emplace_back(content, start, end - start);
    if (cr == std::string::npos) break;
    start = cr + 1;
    if (start < n && content[start] == '\n') ++start;
  }
  return ReadStatus::Ok;
}

ReadStatus ReadSubtitleFile(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::string content;
  switch (ReadWholeFile(path, content, kMaxFileBytes).status) {
    case FileRead::Ok: break;
    case FileRead::CannotOpen: return ReadStatus::CannotOpen;
    case FileRead::TooLarge: return ReadStatus::TooLarge;
    case FileRead::NotRegular:
    case FileRead::CannotRead: return ReadStatus::CannotRead;
  }
  return SplitSubtitleLines(content, lines);
}

WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries) {
  size_t total = 0;
  for (const auto& e : entries) total += e.size() + 2;
  std::string content;
  content.reserve(total);
  for (const auto& e : entries) {
    content += e;
    content += "\r\n";
  }
  return WriteFileSafely(path, content);
}

namespace {
char SeparatorFor(const std::string& folder) {
  bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
  return windows ? '\\' : '/';
}
}  // namespace

std::string ComposeFilePath(const std::string& folder, const std::string& name) {
  char sep = SeparatorFor(folder);
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + sep + name;
}

std::string FileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

namespace {
// Entry 0 becomes current, selected, decomposed and shown.
bool ShowFirstEntry(Document& doc) {
  doc.List1.SetListIndex(0);
  doc.CurrentIndex = 0;
  if (!doc.DecomposeEntry()) return false;
  ShowEntryInGrid(doc);
  return true;
}
}  // namespace

bool LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                      const std::function<bool()>& rememberFolder) {
  doc.Reset();
  auto fail = [&doc] {
    doc.Reset();
    return false;
  };
  if (rememberFolder && !rememberFolder()) return fail();
  const std::string path = ComposeFilePath(folder, fileName);
  std::vector<std::string> lines;
  if (ReadSubtitleFile(path, lines) != ReadStatus::Ok || lines.empty()) return fail();
  doc.List1.Assign(std::move(lines));
  doc.FileName = fileName;
  doc.FilePath = path;
  if (!ShowFirstEntry(doc)) return fail();
  doc.Changed = 0;
  return true;
}

bool ReloadSubtitleFile(Document& doc, const std::string& path) {
  if (path.empty()) return false;
  std::vector<std::string> lines;
  if (ReadSubtitleFile(path, lines) != ReadStatus::Ok || lines.empty()) return false;
  EntryFields first;
  if (!SplitEntryLine(lines.front(), first)) return false;
  doc.Reset();
  doc.List1.Assign(std::move(lines));
  doc.FileName = FileNameOf(path);
  doc.FilePath = path;
  ShowFirstEntry(doc);
  doc.Changed = 0;
  return true;
}

}  // namespace lm
