#include "files/profile_file.h"

#include <cstring>

#include "files/file_io.h"
#include "model/profiles.h"

namespace lm {

namespace {
// A profile is a few lines; anything much larger is no profile.
constexpr long long kMaxProfileBytes = 64 * 1024;
}  // namespace

bool LoadProfile(const std::string& nameOrPath, Profile& out, std::string& error) {
  if (const Profile* builtIn = FindBuiltInProfile(nameOrPath)) {
    out = *builtIn;
    return true;
  }
  std::string text;
  const FileReadResult read = ReadWholeFile(nameOrPath, text, kMaxProfileBytes);
  if (read.status != FileRead::Ok) {
    std::string why;
    switch (read.status) {
      case FileRead::Folder:
        why = "it is a folder";
        break;
      case FileRead::NotRegular:
        why = "it is no ordinary file";
        break;
      case FileRead::TooLarge:
        why = "it is too large for one";
        break;
      default:
        why = read.error ? std::strerror(read.error) : "cannot be read";
    }
    error = "'" + nameOrPath + "' is neither a profile (" + BuiltInProfileNames(", ") + ") nor a profile file: " + why;
    return false;
  }
  std::string why;
  if (ParseProfile(text, nameOrPath, out, why)) return true;
  error = nameOrPath + ": " + why;
  return false;
}

}  // namespace lm
