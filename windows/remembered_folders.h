#pragma once
// "directory.txt" (the Open dialog's folder and the file last opened),
// "savedir.txt" (the folder last used for Save As) and "framerate.txt" (the
// frame rate chosen last), kept in the program's own folder. Each field is one line: a double quote, the text, a double
// quote. Plain string and file logic, without Qt, so that it is tested on its own.
#include <string>
#include <vector>

namespace lm {

// A field as written: quoted, followed by CR LF.
std::string QuoteField(const std::string& text);

// Reads fields the way they are written (quoted: up to the next quote, the
// rest of the line up to a comma passed over; unquoted: up to a comma or the
// line end). Stops where a field would start past the end of the content.
std::vector<std::string> ReadFields(const std::string& content);

// Line 2 of "directory.txt": the file list's folder and the file name. The
// roots "c:\" to "f:\" are first cut to "c:" to "f:" so the "\" is not doubled.
std::string RememberedFilePath(const std::string& fileListFolder, const std::string& fileName);

class RememberedFolders {
 public:
  explicit RememberedFolders(std::string programFolder) : folder_(std::move(programFolder)) {}

  std::string DirectoryFile() const;
  std::string SaveDirFile() const;

  // Both fields of "directory.txt"; false when it is missing or short.
  bool ReadDirectory(std::string& openFolder, std::string& lastFile) const;
  bool WriteDirectory(const std::string& dirListPath, const std::string& fileListFolder,
                      const std::string& fileName) const;
  bool WriteSaveDir(const std::string& folder) const;
  std::string FrameRateFile() const;
  // The frame rate chosen last; 25 when none was.
  double ReadFrameRate() const;
  bool WriteFrameRate(double frameRate) const;
  // The name of the built-in profile chosen last; "classic" when none was.
  std::string ReadProfileName() const;
  bool WriteProfileName(const std::string& name) const;
  // The break style chosen last over the profile's ("middle", "natural");
  // "" when none was.
  std::string ReadBreakStyle() const;
  bool WriteBreakStyle(const std::string& name) const;

 private:
  std::string folder_;
};

}  // namespace lm
