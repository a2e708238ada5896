#include "model/style.h"

#include <algorithm>

namespace lm {

void Style::Add(const Style& other) {
  italic |= other.italic;
  bold |= other.bold;
  underline |= other.underline;
  strike |= other.strike;
  if (color.empty()) color = other.color;
  if (font.empty()) font = other.font;
  if (size == 0) size = other.size;
  if (position == 0) position = other.position;
}

Style Style::LostIn(const Style& kept) const {
  Style lost;
  lost.italic = italic && !kept.italic;
  lost.bold = bold && !kept.bold;
  lost.underline = underline && !kept.underline;
  lost.strike = strike && !kept.strike;
  if (!color.empty() && color != kept.color) lost.color = color;
  if (!font.empty() && font != kept.font) lost.font = font;
  if (size && size != kept.size) lost.size = size;
  if (position && position != kept.position) lost.position = position;
  return lost;
}

std::string Style::Names() const {
  std::string out;
  auto name = [&out](bool set, const char* what) {
    if (set) out += (out.empty() ? "" : ", ") + std::string(what);
  };
  name(italic, "italics");
  name(bold, "bold");
  name(underline, "underline");
  name(strike, "strike-through");
  name(!color.empty(), "colour");
  name(!font.empty(), "font");
  name(size != 0, "size");
  name(position != 0, "position");
  return out;
}

std::vector<std::string_view> ScreenLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t bar = text.find('|', start);
    lines.push_back(text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) return lines;
    start = bar + 1;
  }
}

namespace {
class Plain final : public StyleDialect {
 public:
  Plain() : StyleDialect("", false, true) {}
  size_t TagAt(std::string_view, size_t) const override { return 0; }
  void Apply(std::string_view, Style&) const override {}
  bool HasItalicTags(std::string_view) const override { return false; }
  int CutItalicTags(std::string&) const override { return 0; }
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) out.push_back({Style(), std::string(line)});
    return out;
  }
  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? "|" : "") + lines[i].text;
    return out;
  }
};
}  // namespace

const StyleDialect& PlainText() {
  static const Plain plain;
  return plain;
}

std::string WithoutEmptyNamedSpans(std::string_view text,
                                   const std::function<SpanTag(std::string_view, size_t)>& tagAt) {
  struct Open {
    size_t at, length;
    std::string name;
    bool holds = false;
  };
  std::vector<Open> open;
  std::vector<std::pair<size_t, size_t>> cuts;  // the tags to drop
  for (size_t i = 0; i < text.size();) {
    SpanTag tag = tagAt(text, i);
    if (tag.length == 0) {
      const char c = text[i++];
      if (c != ' ' && c != '\t' && c != '|' && !open.empty()) open.back().holds = true;
      continue;
    }
    if (tag.span && !tag.closing) {
      open.push_back({i, tag.length, std::move(tag.name), false});
    } else if (tag.span) {
      size_t k = open.size();
      while (k > 0 && open[k - 1].name != tag.name) --k;
      if (k > 0) {
        const bool holds = open[k - 1].holds || open.size() > k;
        if (!holds) {
          cuts.emplace_back(open[k - 1].at, open[k - 1].at + open[k - 1].length);
          cuts.emplace_back(i, i + tag.length);
        }
        open.resize(k - 1);
        if (holds && !open.empty()) open.back().holds = true;
      }
    }
    i += tag.length;
  }
  return WithoutRanges(text, std::move(cuts));
}

int CutTags(std::string& text, const std::function<size_t(std::string_view, size_t)>& cutAt) {
  std::string out;
  out.reserve(text.size());
  int cuts = 0;
  for (size_t i = 0; i < text.size();) {
    if (const size_t t = cutAt(text, i)) {
      i += t;
      ++cuts;
      continue;
    }
    out += text[i++];
  }
  text = std::move(out);
  return cuts;
}

std::string WithoutRanges(std::string_view text, std::vector<std::pair<size_t, size_t>> ranges) {
  if (ranges.empty()) return std::string(text);
  std::sort(ranges.begin(), ranges.end());
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (const auto& [cutFrom, cutTo] : ranges) {
    out.append(text.substr(from, cutFrom - from));
    from = cutTo;
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace lm
