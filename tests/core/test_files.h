#pragma once
// Temporary folders and whole-file reads and writes for the core tests.
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace lm::test {

// A fresh folder under /tmp, removed with everything in it (read-only files
// included) when the test ends.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/linemend-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("chmod -R u+w '" + path_ + "' && rm -rf '" + path_ + "'").c_str()); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace lm::test
