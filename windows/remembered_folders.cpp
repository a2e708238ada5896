#include "windows/remembered_folders.h"

#include <optional>

#include "formats/subtitle_file.h"

namespace lm {

std::string QuoteField(const std::string& text) { return "\"" + text + "\"\r\n"; }

std::vector<std::string> ReadFields(const std::string& s) {
  std::vector<std::string> fields;
  const size_t n = s.size();
  size_t pos = 0;
  auto skipSeparator = [&] {
    if (pos < n && s[pos] == ',') {
      ++pos;
    } else if (pos < n && s[pos] == '\r') {
      ++pos;
      if (pos < n && s[pos] == '\n') ++pos;
    } else if (pos < n && s[pos] == '\n') {
      ++pos;
    }
  };
  for (;;) {
    while (pos < n && s[pos] == ' ') ++pos;
    if (pos >= n) break;
    if (s[pos] == '"') {
      size_t close = s.find('"', pos + 1);
      if (close == std::string::npos) close = n;
      fields.push_back(s.substr(pos + 1, close - pos - 1));
      pos = close < n ? close + 1 : n;
      while (pos < n && s[pos] != ',' && s[pos] != '\r' && s[pos] != '\n') ++pos;
    } else {
      size_t end = s.find_first_of(",\r\n", pos);
      if (end == std::string::npos) end = n;
      std::string field = s.substr(pos, end - pos);
      while (!field.empty() && field.back() == ' ') field.pop_back();
      fields.push_back(field);
      pos = end;
    }
    skipSeparator();
  }
  return fields;
}

std::string RememberedFilePath(const std::string& folder, const std::string& fileName) {
  if (folder == "c:\\" || folder == "d:\\" || folder == "e:\\" || folder == "f:\\")
    return folder.substr(0, 2) + "\\" + fileName;
  if (folder.find('/') != std::string::npos) return ComposeFilePath(folder, fileName);
  return folder + "\\" + fileName;
}

std::string RememberedFolders::DirectoryFile() const { return ComposeFilePath(folder_, "directory.txt"); }
std::string RememberedFolders::SaveDirFile() const { return ComposeFilePath(folder_, "savedir.txt"); }

bool RememberedFolders::ReadDirectory(std::string& openFolder, std::string& lastFile) const {
  std::string content;
  if (ReadWholeFile(DirectoryFile(), content, 1 << 20).status != FileRead::Ok) return false;
  std::vector<std::string> fields = ReadFields(content);
  if (fields.size() < 2) return false;
  openFolder = fields[0];
  lastFile = fields[1];
  return true;
}

bool RememberedFolders::WriteDirectory(const std::string& dirListPath, const std::string& fileListFolder,
                                       const std::string& fileName) const {
  return WriteFileSafely(DirectoryFile(),
                         QuoteField(dirListPath) + QuoteField(RememberedFilePath(fileListFolder, fileName)))
      .ok();
}

bool RememberedFolders::WriteSaveDir(const std::string& folder) const {
  return WriteFileSafely(SaveDirFile(), QuoteField(folder)).ok();
}

std::string RememberedFolders::FrameRateFile() const { return ComposeFilePath(folder_, "framerate.txt"); }

double RememberedFolders::ReadFrameRate() const {
  std::string content;
  if (ReadWholeFile(FrameRateFile(), content, 1 << 10).status != FileRead::Ok) return kDefaultFrameRate;
  const std::vector<std::string> fields = ReadFields(content);
  const std::optional<double> rate = fields.empty() ? std::nullopt : ParseFrameRate(fields.front());
  return rate ? *rate : kDefaultFrameRate;
}

std::string RememberedFolders::ReadProfileName() const {
  std::string content;
  if (ReadWholeFile(ComposeFilePath(folder_, "profile.txt"), content, 1 << 10).status != FileRead::Ok) return "classic";
  const std::vector<std::string> fields = ReadFields(content);
  return fields.empty() || fields.front().empty() ? "classic" : fields.front();
}

bool RememberedFolders::WriteProfileName(const std::string& name) const {
  return WriteFileSafely(ComposeFilePath(folder_, "profile.txt"), QuoteField(name)).ok();
}

std::string RememberedFolders::ReadBreakStyle() const {
  std::string content;
  if (ReadWholeFile(ComposeFilePath(folder_, "breaks.txt"), content, 1 << 10).status != FileRead::Ok) return "";
  const std::vector<std::string> fields = ReadFields(content);
  return fields.empty() ? "" : fields.front();
}

bool RememberedFolders::WriteBreakStyle(const std::string& name) const {
  return WriteFileSafely(ComposeFilePath(folder_, "breaks.txt"), QuoteField(name)).ok();
}

bool RememberedFolders::WriteFrameRate(double frameRate) const {
  return WriteFileSafely(FrameRateFile(), QuoteField(FormatFrameRate(frameRate))).ok();
}

}  // namespace lm
