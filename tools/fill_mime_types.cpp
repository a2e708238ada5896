// Writes a packaging file from its template with the MIME types of every
// format of the registry in place of "@MIME_TYPES@" (the desktop entry's
// list, "a;b;") and "@MEDIA_TYPES@" (the metainfo's <mediatype> lines).
//   fill_mime_types TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "formats/registry.h"

namespace {
void Replace(std::string& text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fill_mime_types TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    std::cerr << "fill_mime_types: cannot read " << argv[1] << "\n";
    return 2;
  }
  std::string list, lines;
  for (const std::string& type : lm::MimeTypes()) {
    list += type + ";";
    lines += (lines.empty() ? "" : "\n") + std::string("    <mediatype>") + type + "</mediatype>";
  }
  std::string out = text.str();
  Replace(out, "@MIME_TYPES@", list);
  Replace(out, "@MEDIA_TYPES@", lines);
  std::ofstream(argv[2], std::ios::binary) << out;
  return 0;
}
