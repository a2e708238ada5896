#pragma once
// Shared by the core tests: a temporary folder, whole-file reads and writes,
// documents made from lines, and commands run through the boundary.
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "commands/session.h"
#include "formats/microdvd/microdvd.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/navigation.h"

namespace lm::test {

using Lines = std::vector<std::string>;

// A fresh folder under /tmp that "nobody" can reach into, removed with
// everything in it when the test ends.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/linemend-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    ::chmod(path_.c_str(), 0755);
  }
  ~TempDir() { std::system(("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str()); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string operator/(const std::string& name) const { return File(name); }
  const std::string& path() const { return path_; }
  // Temporary files of a write left anywhere inside.
  int Leftovers() const {
    return std::system(("find '" + path_ + "' -name '.linemend-*' | grep -q .").c_str()) == 0 ? 1 : 0;
  }

 private:
  std::string path_;
};

inline void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

inline std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The document as its save writes it: in `format`, or in its own.
inline std::string Encoded(const Document& doc, const Format* format = nullptr) {
  std::string bytes, why;
  EXPECT_TRUE(EncodeDocument(doc, format, bytes, &why)) << why;
  return bytes;
}

// Written, then read again as a file named `path`: `format`, and the same
// entries. `what` says which case failed.
inline void ExpectReadsBackTheSame(const Document& doc, const Format& format, const std::string& path,
                                   const std::string& what = {}) {
  std::string bytes, why;
  ASSERT_TRUE(EncodeDocument(doc, nullptr, bytes, &why)) << why;
  SubtitleFile again;
  ASSERT_EQ(ParseSubtitleFile(bytes, again, std::nullopt, kDefaultFrameRate, path), ReadStatus::Ok) << bytes;
  EXPECT_EQ(again.identity.readAs, &format) << what << "\n" << bytes;
  EXPECT_EQ(again.lines, doc.List1.Items()) << what << "\n" << bytes;
}

// Runs `routine` as one command of the document.
template <class F>
CommandResult Run(Document& doc, F routine) {
  doc.Begin("test");
  routine();
  return doc.Commit();
}

// A document (or a session's) holding `lines`, as if loaded from a file:
// entry 0 current and shown.
inline FileIdentity FrameBased(Encoding encoding = Encoding::Windows1252) {
  return FileIdentity(encoding, LineEnd::CrLf, &MicroDvd());
}
inline void Load(Session& s, Lines lines, Encoding encoding = Encoding::Windows1252) {
  s.Run(CommandId::Open, [&] {
    s.doc.Load(std::move(lines), "/nowhere/film.sub", FrameBased(encoding));
    SelectEntry(s.doc, 0);
  });
}
inline void Load(Document& doc, Lines lines, Encoding encoding = Encoding::Windows1252) {
  Run(doc, [&] { doc.Load(std::move(lines), "/nowhere/film.sub", FrameBased(encoding)), SelectEntry(doc, 0); });
}

// Random entries built from pieces the rules react to: spaces, breaks,
// dashes, brackets, tags, long words and a non-ASCII letter.
inline Lines RandomDocument(std::mt19937& rng, int entries) {
  static const char* const kPieces[] = {
      "word", " ", " ", "|", "-", "[noise]", "{y:i}", "å", "extraordinarily", "a", "Hello there", "  "};
  std::uniform_int_distribution<int> piece(0, 11), pieces(0, 40), frame(0, 5000);
  Lines lines;
  for (int i = 0; i < entries; ++i) {
    std::string text;
    for (int n = pieces(rng); n > 0; --n) text += kPieces[piece(rng)];
    const int start = frame(rng);
    lines.push_back("{" + std::to_string(start) + "}{" + std::to_string(start + frame(rng)) + "}" + text);
  }
  return lines;
}

}  // namespace lm::test
