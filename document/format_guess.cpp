#include "format_guess.h"

#include <algorithm>
#include <cstring>

#include "text.h"

namespace lm {

bool LooksLikeFrameEntry(std::string_view line) {
  // Run on every line of every file read: a plain scan, the fields are short.
  const char* p = line.data();
  const char* const end = p + line.size();
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) p += kByteOrderMark.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p == end || *p++ != '{') return false;
  while (p < end && *p != '}') ++p;
  if (end - p < 2 || p[1] != '{') return false;
  for (p += 2; p < end; ++p)
    if (*p == '}') return true;
  return false;
}

bool IsFrameBased(const std::vector<std::string_view>& lines) {
  size_t entries = 0;
  for (const std::string_view line : lines)
    if (LooksLikeFrameEntry(line) && ++entries * 2 >= lines.size()) return true;
  return entries * 2 >= lines.size();
}

namespace {
// A cursor over the start of a line for the timing patterns below: each step
// takes what it names or fails, leaving the cursor where it stopped.
class Scan {
 public:
  explicit Scan(std::string_view s) : s_(s) {}
  bool Digits(size_t min = 1, size_t max = std::string_view::npos) {
    size_t n = 0;
    while (n < max && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_, ++n;
    return n >= min;
  }
  bool Char(char c) { return i_ < s_.size() && s_[i_] == c ? (++i_, true) : false; }
  bool OneOf(char a, char b) { return Char(a) || Char(b); }
  bool Text(std::string_view t) {
    if (s_.substr(i_, t.size()) != t) return false;
    i_ += t.size();
    return true;
  }
  void Blanks() {
    while (i_ < s_.size() && std::strchr(" \t\r\n\v\f", s_[i_]) && s_[i_] != '\0') ++i_;
  }
  bool AtEnd() const { return i_ == s_.size(); }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

// H:MM:SS then one of the separators and the fraction.
bool Clock(Scan& c, char sep1, char sep2) {
  return c.Digits() && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.OneOf(sep1, sep2) &&
         c.Digits();
}

bool SubRipTiming(Scan c) {
  if (!Clock(c, ',', '.')) return false;
  c.Blanks();
  if (!c.Text("-->")) return false;
  c.Blanks();
  return Clock(c, ',', '.');
}
bool WebVttTiming(Scan c) {
  // The hours are optional: "00:01.000" or "00:00:01.000".
  Scan minutes = c;
  if (!(minutes.Digits(2, 2) && minutes.Char(':') && minutes.Digits(2, 2) && minutes.Char('.') && minutes.Digits())) {
    if (!(c.Digits() && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.Char('.') && c.Digits()))
      return false;
    minutes = c;
  }
  minutes.Blanks();
  return minutes.Text("-->");
}
bool SubViewerTiming(Scan c) {
  if (!Clock(c, '.', '.')) return false;
  c.Blanks();
  if (!c.Char(',')) return false;
  c.Blanks();
  return Clock(c, '.', '.') && c.AtEnd();
}
bool Mpl2Timing(Scan c) { return c.Char('[') && c.Digits() && c.Text("][") && c.Digits(0) && c.Char(']'); }
bool TmPlayerTiming(Scan c) {
  return c.Digits() && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.OneOf(':', '=');
}
}  // namespace

std::string GuessTextFormat(const std::vector<std::string_view>& lines) {
  // The timing line of each format, tried in this order on every line. Hand
  // written: a regular expression library costs more to set up than a
  // SubRip file of thousands of cues takes to read.
  static const struct {
    const char* name;
    bool (*timing)(Scan);
  } kFormats[] = {
      {"SubRip", SubRipTiming}, {"WebVTT", WebVttTiming}, {"SubViewer", SubViewerTiming},
      {"MPL2", Mpl2Timing},     {"TMPlayer", TmPlayerTiming},
  };
  constexpr size_t kKinds = sizeof kFormats / sizeof kFormats[0];
  size_t counts[kKinds] = {};
  // Enough lines to be sure; a refused file is read no further.
  const size_t sample = std::min<size_t>(lines.size(), 400);
  for (size_t i = 0; i < sample; ++i) {
    std::string_view line = lines[i];
    if (i == 0 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
    const std::string_view t = TrimBlanks(line);
    if (i == 0 && t.substr(0, 6) == "WEBVTT") return "WebVTT";
    if (t == "[Script Info]") return "SubStation Alpha";
    if (t == "[INFORMATION]") return "SubViewer";
    const Scan head(t.substr(0, 80));
    for (size_t k = 0; k < kKinds; ++k) {
      if (kFormats[k].timing(head)) {
        ++counts[k];
        break;
      }
    }
  }
  const size_t best = static_cast<size_t>(std::max_element(counts, counts + kKinds) - counts);
  return counts[best] > 0 ? kFormats[best].name : "";
}

std::string GuessBinary(std::string_view content) {
  // An MPEG program stream starts with a pack header; VobSub images are one.
  if (content.substr(0, 4) == std::string_view("\x00\x00\x01\xBA", 4)) return "VobSub image data";
  if (std::memchr(content.data(), '\0', content.size())) return "binary data";
  return "";
}

}  // namespace lm
