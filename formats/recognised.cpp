#include "formats/recognised.h"

#include <cstring>

#include "formats/scan.h"

namespace lm {

namespace {
using scan::Scan;

// A header line among the sample's: decisive. One that opens the file says
// what the whole file is; one further down may be a line quoted among
// another format's entries, and yields to a format that explains half the
// file.
template <class Is>
Fit Header(const std::vector<std::string_view>& lines, Is is) {
  const size_t sample = std::min(lines.size(), scan::kSampleLines);
  for (size_t i = 0; i < sample; ++i)
    if (is(scan::Head(lines, i), i)) return {i == 0 ? 1.0 : 0.5, true};
  return {};
}

Fit Sami(const std::vector<std::string_view>& lines) {
  return Header(lines, [](std::string_view t, size_t i) { return i < 8 && StartsWithNoCase(t, "<sami>"); });
}
Fit Scc(const std::vector<std::string_view>& lines) {
  return Header(lines, [](std::string_view t, size_t i) { return i == 0 && t.substr(0, 13) == "Scenarist_SCC"; });
}
// "00:00:01:00 , 00:00:03:00 , text": two time codes with frames.
bool SpruceTiming(Scan c) {
  auto timecode = [&c] {
    return c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.Char(':') &&
           c.Digits(2, 2);
  };
  if (!timecode()) return false;
  c.Blanks();
  if (!c.Char(',')) return false;
  c.Blanks();
  if (!timecode()) return false;
  c.Blanks();
  return c.Char(',');
}
Fit SpruceStl(const std::vector<std::string_view>& lines) {
  const double share = scan::ShareOf(lines, SpruceTiming);
  return {share, share >= 0.5};
}
}  // namespace

const std::vector<Recogniser>& Recognisers() {
  static const std::vector<Recogniser> list = {
      {"SAMI", Sami},
      {"Scenarist SCC", Scc},
      {"Spruce STL", SpruceStl},
  };
  return list;
}

std::string GuessBinary(std::string_view content) {
  // An MPEG program stream starts with a pack header; VobSub images are one.
  if (content.substr(0, 4) == std::string_view("\x00\x00\x01\xBA", 4)) return "VobSub image data";
  if (std::memchr(content.data(), '\0', content.size())) return "binary data";
  return "";
}

}  // namespace lm
