#include "formats/ttml/ttml.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <utility>

#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

constexpr std::string_view kTtmlNamespaces[] = {"http://www.w3.org/ns/ttml", "http://www.w3.org/2006/10/ttaf1",
                                                "http://www.w3.org/2006/04/ttaf1"};

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view PrefixOf(std::string_view name) {
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// An attribute by its local name, whatever its prefix (documents bind
// ttp: and tts: to other prefixes now and then).
pugi::xml_attribute AttributeNamed(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (LocalName(a.name()) == local && PrefixOf(a.name()) != "xmlns") return a;
  return {};
}

// The document's rates, from the ttp: attributes of <tt>.
TtmlRates RatesOf(const pugi::xml_node& tt) {
  TtmlRates rates;
  auto number = [&](std::string_view local, double& value) {
    if (const pugi::xml_attribute a = AttributeNamed(tt, local)) {
      const double v = a.as_double();
      if (v > 0 && v < 1e12) value = v;
      return true;
    }
    return false;
  };
  const bool framed = number("frameRate", rates.frameRate);
  number("subFrameRate", rates.subFrameRate);
  if (const pugi::xml_attribute m = AttributeNamed(tt, "frameRateMultiplier")) {
    double numerator = 0, denominator = 0;
    if (std::sscanf(m.value(), "%lf %lf", &numerator, &denominator) == 2 && numerator > 0 && denominator > 0)
      rates.frameRate *= numerator / denominator;
  }
  // Without a tick rate of its own a document counts ticks in frames, or
  // in seconds when it names no frame rate.
  if (!number("tickRate", rates.tickRate)) rates.tickRate = framed ? rates.frameRate * rates.subFrameRate : 1;
  return rates;
}

// The rates a document's head names, from the lines of its structure before
// its first paragraph.
TtmlRates RatesOfHead(const std::string& head) {
  pugi::xml_document doc;
  doc.load_buffer(head.data(), head.size(), pugi::parse_default, pugi::encoding_utf8);
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element && LocalName(n.name()) == "tt") return RatesOf(n);
  return {};
}

// Styles and regions of the head, by id.
struct Head {
  std::unordered_map<std::string_view, pugi::xml_node> styles, regions;
};

void Collect(const pugi::xml_node& node, Head& head, int depth) {
  if (depth > 64) return;
  for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    const std::string_view local = LocalName(n.name());
    if (const pugi::xml_attribute id = AttributeNamed(n, "id")) {
      if (local == "style") head.styles.emplace(id.value(), n);
      if (local == "region") head.regions.emplace(id.value(), n);
    }
    Collect(n, head, depth + 1);
  }
}

// The neutral style of an element's style references and own attributes,
// the references first (in their order), nested ones before them.
void ApplyReferences(const Head& head, std::string_view ids, Style& style, int depth);

void ApplyElementStyle(const Head& head, const pugi::xml_node& node, Style& style, int depth) {
  if (depth > 16) return;
  if (const pugi::xml_attribute refs = AttributeNamed(node, "style")) ApplyReferences(head, refs.value(), style, depth);
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view prefix = PrefixOf(a.name());
    if (prefix.empty() || prefix == "xml" || prefix == "xmlns") continue;
    const std::string_view local = LocalName(a.name());
    if (local != "displayAlign" && local != "region") ApplyTtmlStyle(local, a.value(), style);
  }
}

void ApplyReferences(const Head& head, std::string_view ids, Style& style, int depth) {
  for (size_t i = 0; i < ids.size();) {
    while (i < ids.size() && IsXmlSpace(ids[i])) ++i;
    size_t j = i;
    while (j < ids.size() && !IsXmlSpace(ids[j])) ++j;
    if (j > i) {
      const auto found = head.styles.find(ids.substr(i, j - i));
      if (found != head.styles.end()) ApplyElementStyle(head, found->second, style, depth + 1);
    }
    i = j;
  }
}

// The second of two lengths ("10% 80%") in percent, or -1.
double SecondPercent(std::string_view value) {
  double a = 0, b = 0;
  char pa = 0, pb = 0;
  const std::string text(value);
  if (std::sscanf(text.c_str(), "%lf%c %lf%c", &a, &pa, &b, &pb) == 4 && pb == '%') return b;
  return -1;
}

// A region's place: 8 at the top of the screen, 2 at the bottom.
int RegionPosition(const Head& head, std::string_view id) {
  const auto found = head.regions.find(id);
  if (found == head.regions.end()) return 0;
  const pugi::xml_node region = found->second;
  std::string_view align;
  double top = -1, height = -1;
  auto take = [&](const pugi::xml_node& n) {
    if (const pugi::xml_attribute a = AttributeNamed(n, "displayAlign")) align = a.value();
    if (const pugi::xml_attribute a = AttributeNamed(n, "origin")) top = SecondPercent(a.value());
    if (const pugi::xml_attribute a = AttributeNamed(n, "extent")) height = SecondPercent(a.value());
  };
  if (const pugi::xml_attribute refs = AttributeNamed(region, "style")) {
    for (const auto& [name, style] : head.styles)
      if (std::string_view(refs.value()).find(name) != std::string_view::npos) take(style);
  }
  for (pugi::xml_node n = region.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element && LocalName(n.name()) == "style") take(n);
  take(region);
  if (align == "before") return top < 0 || top < 50 ? 8 : 2;
  return top >= 0 && height >= 0 && top + height <= 50 ? 8 : 2;
}

// What a paragraph inherits from the <body> and <div>s around it.
struct Context {
  int64_t begin = 0;
  std::optional<int64_t> end;
  Style style;
  std::string_view region;
};

// One paragraph as the reader found it.
struct Paragraph {
  size_t at = 0;  // its "<" in the text
  ElementSpan span;
  std::string entry;
  // The begin and end (or dur) values in the text; at an insertion point
  // with length 0 when the attribute is missing.
  size_t startAt = 0, startLength = 0, stopAt = 0, stopLength = 0;
};

// The span's own attributes as written into an entry's tag.
void AppendAttributes(std::string& out, const pugi::xml_node& node, bool paragraph) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name(), local = LocalName(name), prefix = PrefixOf(name);
    if (paragraph) {
      const bool styling =
          name == "region" || name == "style" ||
          (!prefix.empty() && prefix != "xml" && prefix != "xmlns" && prefix != "ttm" && prefix != "ttp");
      if (!styling || local == "begin" || local == "end" || local == "dur") continue;
    }
    out += ' ';
    out += name;
    out += "=\"";
    for (const char c : std::string_view(a.value())) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '|':
          out += "&#124;";
          break;
        default:
          out += c;
      }
    }
    out += '"';
  }
}

// What a style sets that the tag does not say itself, as attributes.
void AppendMissing(std::string& out, const Style& wanted, const Style& said) {
  if (wanted.italic && !said.italic) out += " tts:fontStyle=\"italic\"";
  if (wanted.bold && !said.bold) out += " tts:fontWeight=\"bold\"";
  if ((wanted.underline && !said.underline) || (wanted.strike && !said.strike))
    out += std::string(" tts:textDecoration=\"") +
           (wanted.underline && wanted.strike ? "underline lineThrough"
            : wanted.underline                ? "underline"
                                              : "lineThrough") +
           "\"";
  if (!wanted.color.empty() && wanted.color != said.color) out += " tts:color=\"#" + wanted.color + "\"";
}

// A paragraph's content as entry text: whitespace collapsed as players do.
class ContentWriter {
 public:
  // `out` holds the paragraph's tag (`tagLength` bytes) or nothing.
  ContentWriter(const Head& head, std::string& out, size_t tagLength)
      : head_(head), out_(out), paragraphTag_(tagLength) {}

  void Children(const pugi::xml_node& node, int depth) {
    if (depth > 64) return;
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
      switch (n.type()) {
        case pugi::node_pcdata:
        case pugi::node_cdata:
          Text(n.value());
          break;
        case pugi::node_element:
          Element(n, depth);
          break;
        default:
          break;  // comments and processing instructions show nothing
      }
    }
  }

  void End() { pending_ = false; }

 private:
  void Text(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      if (IsXmlSpace(c)) {
        pending_ = true;
        continue;
      }
      Flush();
      switch (c) {
        case '&':
          out_ += ReferenceMark(0);
          break;
        case '<':
          out_ += ReferenceMark(1);
          break;
        case '>':
          out_ += ReferenceMark(2);
          break;
        case '|':
          out_ += kLiteralBar;
          break;
        default:
          out_ += c;
      }
    }
  }

  void Flush() {
    if (pending_ && !out_.empty() && out_.back() != '|' && !EndsWithParagraphTag()) out_ += ' ';
    pending_ = false;
  }

  bool EndsWithParagraphTag() const { return paragraphTag_ > 0 && out_.size() == paragraphTag_; }

  void Element(const pugi::xml_node& n, int depth) {
    const std::string_view name = n.name(), local = LocalName(name);
    if (local == "br") {
      pending_ = false;
      out_ += '|';
      return;
    }
    // Metadata and foreign elements show nothing.
    if (local != "span" && local != "set") return;
    Flush();
    out_ += '<';
    out_ += name;
    AppendAttributes(out_, n, false);
    if (local == "span") {
      Style referenced, said;
      if (const pugi::xml_attribute refs = AttributeNamed(n, "style"))
        ApplyReferences(head_, refs.value(), referenced, 0);
      static const Head kNoHead;
      ApplyElementStyle(kNoHead, n, said, 0);
      Style wanted = referenced;
      ApplyElementStyle(kNoHead, n, wanted, 0);
      AppendMissing(out_, wanted, said);
    }
    if (!n.first_child()) {
      out_ += "/>";
      return;
    }
    out_ += '>';
    Children(n, depth + 1);
    out_ += "</";
    out_ += name;
    out_ += '>';
  }

  const Head& head_;
  std::string& out_;
  const size_t paragraphTag_;
  bool pending_ = false;
};

class Reader {
 public:
  Reader(const std::string& text, const char* buffer, const Head& head, const TtmlRates& rates)
      : text_(text), buffer_(buffer), head_(head), rates_(rates) {}

  void Walk(const pugi::xml_node& node, const Context& context, int depth) {
    if (depth > 64) return;
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element) continue;
      const std::string_view local = LocalName(n.name());
      if (local == "head") continue;
      Context inner = Inherit(n, context);
      if (local == "p") {
        Take(n, context, inner);
      } else {
        Walk(n, inner, depth + 1);
      }
    }
  }

  std::vector<Paragraph> paragraphs;
  size_t untimed = 0, firstUntimed = 0;

 private:
  std::optional<int64_t> Time(const pugi::xml_node& n, std::string_view local) const {
    const pugi::xml_attribute a = AttributeNamed(n, local);
    return a ? ParseTtmlTime(a.value(), rates_) : std::nullopt;
  }

  Context Inherit(const pugi::xml_node& n, const Context& outer) const {
    Context c = outer;
    c.begin = outer.begin + Time(n, "begin").value_or(0);
    if (const auto end = Time(n, "end")) {
      c.end = outer.begin + *end;
    } else if (const auto dur = Time(n, "dur")) {
      c.end = c.begin + *dur;
    }
    if (outer.end && c.end && *outer.end < *c.end) c.end = outer.end;
    ApplyElementStyle(head_, n, c.style, 0);
    if (const pugi::xml_attribute region = AttributeNamed(n, "region")) c.region = region.value();
    return c;
  }

  // Where an attribute's value stands in the text, from the pointer the
  // in-place parse left in the buffer.
  bool ValueAt(const pugi::xml_node& n, std::string_view local, size_t& at, size_t& length) const {
    const pugi::xml_attribute a = AttributeNamed(n, local);
    if (!a) return false;
    const char* v = a.value();
    if (v < buffer_ || v > buffer_ + text_.size()) return false;
    at = static_cast<size_t>(v - buffer_);
    if (at == 0 || (text_[at - 1] != '"' && text_[at - 1] != '\'')) return false;
    const size_t end = text_.find(text_[at - 1], at);
    if (end == std::string::npos) return false;
    length = end - at;
    return true;
  }

  void Take(const pugi::xml_node& n, const Context& outer, const Context& inner) {
    const char* name = n.name();
    if (name <= buffer_ || name >= buffer_ + text_.size()) return;
    Paragraph p;
    p.at = static_cast<size_t>(name - buffer_) - 1;
    if (text_[p.at] != '<' || !FindElementSpan(text_, p.at, p.span)) return;
    // The times: where they stand, and what they are.
    const size_t insertAt = p.at + 1 + std::strlen(name);
    p.startAt = p.stopAt = insertAt;
    ValueAt(n, "begin", p.startAt, p.startLength);
    if (!ValueAt(n, "end", p.stopAt, p.stopLength)) ValueAt(n, "dur", p.stopAt, p.stopLength);
    const int64_t start = inner.begin;
    std::optional<int64_t> stop = inner.end;
    if (!Time(n, "end") && !Time(n, "dur") && !outer.end) stop.reset();
    if (!stop) {
      if (untimed++ == 0) firstUntimed = p.at;
      stop = start;
    }
    // The text: the paragraph's tag when it has styling or a region, then
    // its content.
    std::string text;
    text.reserve(p.span.closeAt - p.span.contentAt + 16);
    std::string tag = "<" + std::string(name);
    AppendAttributes(tag, n, true);
    Style said;
    StyleOfTag(tag, said);
    const size_t plain = tag.size();
    AppendMissing(tag, inner.style, said);
    if (!inner.region.empty()) {
      const int position = RegionPosition(head_, inner.region);
      // Bottom goes without saying, unless the region's name says otherwise.
      if (position >= 7) {
        tag += " tts:displayAlign=\"before\"";
      } else if (inner.region == "top") {
        tag += " tts:displayAlign=\"after\"";
      }
    }
    if (tag.size() > plain || plain > 1 + std::strlen(name)) text = tag + ">";
    ContentWriter content(head_, text, text.size());
    content.Children(n, 0);
    content.End();
    p.entry = BuildEntryLine(FormatTime(start, '.'), FormatTime(*stop, '.'), text);
    paragraphs.push_back(std::move(p));
  }

  // What a paragraph's own attributes say of its style.
  static void StyleOfTag(std::string_view tag, Style& style) {
    std::vector<StyledLine> lines = TtmlDialect().ToNeutral(std::string(tag) + ">x");
    if (!lines.empty()) style = lines.front().style;
  }

  const std::string& text_;
  const char* buffer_;
  const Head& head_;
  const TtmlRates& rates_;
};

// A piece of the text: a paragraph, or a line of the structure (with the
// blank lines after it).
struct Piece {
  size_t from, to;
  int paragraph;  // -1: structure
};

bool IsBlankPiece(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return IsXmlSpace(c); });
}

// The text cut into pieces that cover it end to end.
std::vector<Piece> Cut(const std::string& text, const std::vector<Paragraph>& paragraphs) {
  std::vector<Piece> raw;
  raw.reserve(paragraphs.size() * 2 + 64);
  auto lines = [&](size_t from, size_t to) {
    while (from < to) {
      const size_t nl = text.find('\n', from);
      const size_t end = nl == std::string::npos || nl >= to ? to : nl + 1;
      raw.push_back({from, end, -1});
      from = end;
    }
  };
  size_t pos = 0;
  for (size_t k = 0; k < paragraphs.size(); ++k) {
    const Paragraph& p = paragraphs[k];
    if (p.at < pos) continue;
    // Only blanks before it on its line: they go with it.
    size_t start = p.at;
    while (start > pos && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
    if (start > 0 && text[start - 1] != '\n' && start != pos) start = p.at;
    lines(pos, start);
    raw.push_back({start, p.span.end, static_cast<int>(k)});
    pos = p.span.end;
  }
  lines(pos, text.size());
  // Blank pieces join the one before them (the first one after them).
  std::vector<Piece> pieces;
  pieces.reserve(raw.size());
  size_t leading = std::string::npos;
  for (const Piece& piece : raw) {
    if (piece.paragraph < 0 && IsBlankPiece(std::string_view(text).substr(piece.from, piece.to - piece.from))) {
      if (!pieces.empty()) {
        pieces.back().to = piece.to;
      } else if (leading == std::string::npos) {
        leading = piece.from;
      }
      continue;
    }
    pieces.push_back(piece);
    if (leading != std::string::npos) {
      pieces.back().from = leading;
      leading = std::string::npos;
    }
  }
  return pieces;
}

// The visible line of a structure piece: without the blank lines around it.
void VisibleLine(std::string_view piece, size_t& at, size_t& length) {
  size_t from = 0;
  while (from < piece.size()) {
    const size_t nl = piece.find('\n', from);
    const size_t end = nl == std::string_view::npos ? piece.size() : nl;
    if (!IsBlankPiece(piece.substr(from, end - from))) {
      at = from;
      length = end - from;
      return;
    }
    from = end + 1;
  }
  at = 0;
  length = piece.size();
}

size_t LineOf(const std::string& text, size_t offset) {
  return static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n')) + 1;
}

// The whole file kept as it was, a line an entry.
void KeepWhole(const std::string& text, ReadEntries& out, const std::string& why) {
  const std::vector<Piece> pieces = Cut(text, {});
  size_t first = 0;
  for (const Piece& piece : pieces) {
    const std::string_view raw = std::string_view(text).substr(piece.from, piece.to - piece.from);
    SourceCue cue;
    cue.timing = std::string(raw);
    size_t at, length;
    VisibleLine(raw, at, length);
    cue.startAt = static_cast<std::uint32_t>(at);
    cue.startLength = static_cast<std::uint32_t>(length);
    cue.text = std::string(kUnreadLine) + std::string(raw.substr(at, length));
    cue.blankAfter = false;
    if (out.entries.empty()) first = LineOf(text, piece.from + at);
    out.entries.push_back(cue.text);
    out.sources.push_back(std::move(cue));
  }
  out.notes.push_back(why);
  if (!out.entries.empty())
    out.notes.push_back(UnreadLinesNote(out.entries.size(), first, "a paragraph", "paragraphs"));
}

// The encoding a fresh document declares.
std::string XmlEncodingName(Encoding e) {
  if (e == Encoding::Utf8 || e == Encoding::Utf8Bom) return "UTF-8";
  if (IsUtf16(e)) return "UTF-16";
  if (IsUtf32(e)) return "UTF-32";
  return EncodingName(e);
}

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  // Clock times and offsets that need no rates of a document.
  std::optional<int64_t> Parse(std::string_view field) const override {
    const std::string_view f = TrimBlanks(field);
    if (f.empty() || f.back() == 'f' || f.back() == 't') return std::nullopt;
    if (std::count(f.begin(), f.end(), ':') == 3) return std::nullopt;
    if (const std::optional<int64_t> ms = ParseTtmlTime(f, TtmlRates())) return ms;
    return ParseTime(f);  // as typed into the grid: "0:01:02,5"
  }
  std::string Format(int64_t units) const override { return FormatTime(std::max<int64_t>(units, 0), '.'); }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// The paragraph a cue's piece holds: its start tag, content and end tag.
struct PieceParts {
  size_t at = 0;
  ElementSpan span;
  std::string_view name;
};

bool PartsOf(std::string_view piece, PieceParts& parts) {
  parts.at = piece.find('<');
  if (parts.at == std::string_view::npos || !FindElementSpan(piece, parts.at, parts.span)) return false;
  size_t j = parts.at + 1;
  while (j < piece.size() && !IsXmlSpace(piece[j]) && piece[j] != '>' && piece[j] != '/') ++j;
  parts.name = piece.substr(parts.at + 1, j - parts.at - 1);
  return true;
}

bool HasValue(const SourceCue& cue, std::uint32_t at) {
  return at > 0 && at <= cue.timing.size() && (cue.timing[at - 1] == '"' || cue.timing[at - 1] == '\'');
}

// The time the <body> and <div>s around a paragraph add to its begin.
int64_t ContextOffset(const SourceCue& cue, const TtmlRates& rates) {
  EntryFields was;
  if (!SplitFullEntry(cue.text, was)) return 0;
  const int64_t start = TheTimes().Parse(was.start).value_or(0);
  if (!HasValue(cue, cue.startAt)) return start;
  return start - ParseTtmlTime(std::string_view(cue.timing).substr(cue.startAt, cue.startLength), rates).value_or(0);
}

class TtmlFormat final : public Format {
 public:
  std::string_view Id() const override { return "ttml"; }
  std::string_view Name() const override { return "TTML"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return TtmlDialect(); }
  bool BarIsText() const override { return true; }
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  // "<tt" opening the document (after the declaration, comments and a
  // doctype) with a TTML namespace in its tag: decisive.
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    const size_t sample = std::min<size_t>(lines.size(), 40);
    for (size_t i = 0; i < sample; ++i) {
      const std::string_view line = lines[i];
      for (size_t at = line.find('<'); at != std::string_view::npos; at = line.find('<', at + 1)) {
        size_t j = at + 1;
        while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == ':' ||
                                   line[j] == '_' || line[j] == '-'))
          ++j;
        const std::string_view name = line.substr(at + 1, j - at - 1);
        if (name.empty()) continue;
        if (LocalName(name) != "tt") {
          // Another element first: not a TTML document.
          if (std::isalpha(static_cast<unsigned char>(name[0]))) return {};
          continue;
        }
        if (j < line.size() && !IsXmlSpace(line[j]) && line[j] != '>') return {};
        // The tag's namespaces, in its lines.
        for (size_t k = i; k < std::min(lines.size(), i + 12); ++k) {
          const std::string_view tagText = k == i ? line.substr(at) : lines[k];
          for (const std::string_view ns : kTtmlNamespaces) {
            const size_t found = tagText.find(ns);
            if (found != std::string_view::npos && found + ns.size() < tagText.size() &&
                (tagText[found + ns.size()] == '"' || tagText[found + ns.size()] == '\''))
              return {1.0, true};
          }
          if (tagText.find('>') != std::string_view::npos) break;
        }
        return {0.6, false};
      }
    }
    return {};
  }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    out.entries.clear();
    out.sources.clear();
    out.notes.clear();
    out.finalBlank = false;
    size_t size = 0;
    for (const std::string_view line : lines) size += line.size() + 1;
    std::string text;
    text.reserve(size);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) text += '\n';
      text += lines[i];
    }
    // The parser works in a copy it may change; offsets into it are the
    // text's.
    std::string buffer = text;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        buffer.data(), buffer.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
    if (!parsed) {
      const size_t at = std::min(static_cast<size_t>(std::max<ptrdiff_t>(parsed.offset, 0)), text.size());
      KeepWhole(text, out,
                std::string("The file is not well-formed XML (") + parsed.description() + " at line " +
                    std::to_string(LineOf(text, at)) + ")");
      return out.entries.size() <= static_cast<size_t>(kInt16Max);
    }
    const pugi::xml_node tt = doc.document_element();
    if (LocalName(tt.name()) != "tt") {
      KeepWhole(text, out, "The file holds no <tt> document");
      return out.entries.size() <= static_cast<size_t>(kInt16Max);
    }
    const TtmlRates rates = RatesOf(tt);
    if (AttributeNamed(tt, "frameRate")) out.frameRate = rates.frameRate;
    Head head;
    for (pugi::xml_node n = tt.first_child(); n; n = n.next_sibling())
      if (n.type() == pugi::node_element && LocalName(n.name()) == "head") Collect(n, head, 0);
    Reader reader(text, buffer.data(), head, rates);
    reader.paragraphs.reserve(lines.size() / 2 + 1);
    reader.Walk(tt, Context(), 0);
    const std::vector<Piece> pieces = Cut(text, reader.paragraphs);
    out.entries.reserve(pieces.size());
    out.sources.reserve(pieces.size());
    for (const Piece& piece : pieces) {
      SourceCue cue;
      cue.timing = text.substr(piece.from, piece.to - piece.from);
      cue.blankAfter = false;
      if (piece.paragraph < 0) {
        size_t at, length;
        VisibleLine(cue.timing, at, length);
        cue.startAt = static_cast<std::uint32_t>(at);
        cue.startLength = static_cast<std::uint32_t>(length);
        cue.text = std::string(kFormatLine) + cue.timing.substr(at, length);
      } else {
        const Paragraph& p = reader.paragraphs[static_cast<size_t>(piece.paragraph)];
        cue.startAt = static_cast<std::uint32_t>(p.startAt - piece.from);
        cue.startLength = static_cast<std::uint32_t>(p.startLength);
        cue.stopAt = static_cast<std::uint32_t>(p.stopAt - piece.from);
        cue.stopLength = static_cast<std::uint32_t>(p.stopLength);
        cue.text = p.entry;
      }
      out.entries.push_back(cue.text);
      out.sources.push_back(std::move(cue));
    }
    if (reader.untimed > 0)
      out.notes.push_back(std::to_string(reader.untimed) +
                          (reader.untimed == 1 ? " paragraph has no end time and ends where it starts (line "
                                               : " paragraphs have no end time and end where they start (line ") +
                          std::to_string(LineOf(text, reader.firstUntimed)) + (reader.untimed == 1 ? ")" : " first)"));
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    std::string out;
    bool kept = false;
    for (int k = 0; k < entries.Count() && !kept && !entries.Converted(); ++k) kept = entries.Cue(k) != nullptr;
    // Entries without a document of their own (another format's, or typed
    // into an empty one) go into a fresh one.
    if (!kept) {
      WriteFresh(entries, identity, out);
    } else {
      WriteBack(entries, out);
    }
    for (size_t from = 0;;) {
      const size_t nl = out.find('\n', from);
      if (nl == std::string::npos) {
        emit(std::string_view(out).substr(from));
        return;
      }
      emit(std::string_view(out).substr(from, nl - from));
      from = nl + 1;
    }
  }

 private:
  // A paragraph written anew, on a line of its own.
  static void FreshParagraph(std::string& out, int64_t start, int64_t stop, std::string_view text,
                             std::string_view indent, int64_t offset = 0) {
    start -= offset;
    stop -= offset;
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += indent;
    out += "<p begin=\"";
    out += FormatTime(std::max<int64_t>(start, 0), '.');
    out += "\" end=\"";
    out += FormatTime(std::max<int64_t>(stop, 0), '.');
    out += '"';
    out += ParagraphAttributes(LeadingParagraphTag(text));
    out += '>';
    out += TtmlMarkup(text);
    out += "</p>\n";
  }

  // A line that is no paragraph, as a comment: it stays in the file.
  static void Comment(std::string& out, std::string_view line, std::string_view indent) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += indent;
    out += "<!-- ";
    const std::string shown = ShowLiteralBars(line);
    for (size_t i = 0; i < shown.size(); ++i) {
      out += shown[i];
      if (shown[i] == '-' && (i + 1 == shown.size() || shown[i + 1] == '-')) out += ' ';
    }
    out += " -->\n";
  }

  static void WriteFresh(EntryFeed& entries, const FileIdentity& identity, std::string& out) {
    out.reserve(static_cast<size_t>(entries.Count()) * 80 + 1024);
    out += "<?xml version=\"1.0\" encoding=\"" + XmlEncodingName(identity.encoding) + "\"?>\n";
    out +=
        "<tt xml:lang=\"und\" xmlns=\"http://www.w3.org/ns/ttml\" xmlns:tts=\"http://www.w3.org/ns/ttml#styling\" "
        "xmlns:ttp=\"http://www.w3.org/ns/ttml#parameter\" xmlns:ttm=\"http://www.w3.org/ns/ttml#metadata\" "
        "ttp:profile=\"http://www.w3.org/ns/ttml/profile/imsc1/text\" ttp:timeBase=\"media\">\n"
        "  <head>\n"
        "    <styling>\n"
        "      <style xml:id=\"default\" tts:fontFamily=\"proportionalSansSerif\" tts:fontSize=\"100%\" "
        "tts:textAlign=\"center\" tts:color=\"white\"/>\n"
        "    </styling>\n"
        "    <layout>\n"
        "      <region xml:id=\"bottom\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:displayAlign=\"after\"/>\n"
        "      <region xml:id=\"top\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:displayAlign=\"before\"/>\n"
        "    </layout>\n"
        "  </head>\n"
        "  <body style=\"default\" region=\"bottom\">\n"
        "    <div>\n";
    const int count = entries.Count();
    for (int k = 0; k < count; ++k) {
      const std::string* line = entries.Line(k);
      if (!line) continue;
      EntryFields f;
      std::optional<int64_t> start, stop;
      if (!IsKeptLine(*line) && SplitFullEntry(*line, f))
        start = TheTimes().Parse(f.start), stop = TheTimes().Parse(f.stop);
      if (start && stop) {
        FreshParagraph(out, *start, *stop, f.text, "      ");
      } else if (!line->empty()) {
        Comment(out, AsKept(*line), "      ");
      }
    }
    out += "    </div>\n  </body>\n</tt>";
  }

  static void WriteBack(EntryFeed& entries, std::string& out) {
    const int count = entries.Count();
    // The rates of the head, for times written in frames or ticks.
    std::string head;
    std::optional<TtmlRates> rates;
    auto ratesOf = [&]() -> const TtmlRates& {
      if (!rates) rates = RatesOfHead(head);
      return *rates;
    };
    std::string_view indent = "      ";
    std::string indentKept;
    int64_t offset = 0;  // of the paragraph before
    for (int k = 0; k < count; ++k) {
      const std::string* entry = entries.Line(k);
      if (!entry) continue;
      const std::string& line = *entry;
      const SourceCue* cue = entries.Cue(k);
      const size_t before = out.size();
      if (cue && line == cue->text) {
        out += cue->timing;
      } else if (IsKeptLine(line)) {
        const std::string_view kept = AsKept(line);
        if (cue && IsKeptLine(cue->text)) {
          out.append(cue->timing, 0, cue->startAt);
          out += kept;
          out.append(cue->timing, cue->startAt + cue->startLength, std::string::npos);
        } else {
          if (!out.empty() && out.back() != '\n') out += '\n';
          out += kept;
          out += '\n';
        }
      } else if (cue && !IsKeptLine(cue->text)) {
        Rebuilt(*cue, line, ratesOf, out);
      } else {
        EntryFields f;
        std::optional<int64_t> start, stop;
        if (SplitFullEntry(line, f)) start = TheTimes().Parse(f.start), stop = TheTimes().Parse(f.stop);
        if (start && stop) {
          FreshParagraph(out, *start, *stop, f.text, indent, offset);
        } else if (!line.empty()) {
          Comment(out, line, indent);
        }
      }
      if (!rates && (!cue || IsKeptLine(cue->text))) head.append(out, before, std::string::npos);
      if (cue && !IsKeptLine(cue->text)) {
        // New paragraphs take the indentation of the one before them.
        const size_t blanks = cue->timing.find_first_not_of(" \t\n");
        indentKept = cue->timing.substr(0, blanks == std::string::npos ? 0 : blanks);
        const size_t nl = indentKept.rfind('\n');
        if (nl != std::string::npos) indentKept.erase(0, nl + 1);
        indent = indentKept;
        offset = ContextOffset(*cue, ratesOf());
      }
    }
  }

  // A paragraph whose entry changed: its start tag with the times as they
  // are now, its content from the entry's text, its end tag.
  template <class Rates>
  static void Rebuilt(const SourceCue& cue, const std::string& line, Rates& ratesOf, std::string& out) {
    const std::string_view piece = cue.timing;
    PieceParts parts;
    EntryFields now, was;
    if (!PartsOf(piece, parts) || !SplitFullEntry(line, now) || !SplitFullEntry(cue.text, was)) {
      out += piece;
      return;
    }
    const std::optional<int64_t> start = TheTimes().Parse(now.start), stop = TheTimes().Parse(now.stop);
    const std::optional<int64_t> wasStart = TheTimes().Parse(was.start), wasStop = TheTimes().Parse(was.stop);
    std::string tag(piece.substr(0, parts.span.contentAt));
    if (parts.span.selfClosing) {
      const size_t slash = tag.rfind('/');
      if (slash != std::string::npos) tag.erase(slash, 1);
    }
    if (start && stop && wasStart && wasStop && (*start != *wasStart || *stop != *wasStop)) {
      const TtmlRates& rates = ratesOf();
      const std::string_view oldStart = piece.substr(cue.startAt, cue.startLength);
      const std::string_view oldStop = piece.substr(cue.stopAt, cue.stopLength);
      const bool hasStart = HasValue(cue, cue.startAt), hasStop = HasValue(cue, cue.stopAt);
      const int64_t offset = ContextOffset(cue, rates);
      bool duration = false;
      if (hasStop) {
        size_t j = cue.stopAt - 1;
        while (j > 0 && (piece[j - 1] == '=' || IsXmlSpace(piece[j - 1]))) --j;
        duration = j >= 3 && piece.substr(j - 3, 3) == "dur";
      }
      const std::string newStart = FormatTtmlTime(*start - offset, hasStart ? oldStart : "", rates);
      const std::string newStop = duration ? FormatTtmlTime(*stop - *start, oldStop, rates)
                                           : FormatTtmlTime(*stop - offset, hasStop ? oldStop : "", rates);
      // The later one first, so that the earlier position stays.
      struct Edit {
        size_t at, length;
        std::string with;
      };
      // Only what changed is written anew.
      const bool writeStart = *start != *wasStart;
      const bool writeStop = *stop != *wasStop || (duration && writeStart);
      Edit edits[2] = {
          {cue.startAt, writeStart ? cue.startLength : 0,
           !writeStart ? std::string()
           : hasStart  ? newStart
                       : " begin=\"" + newStart + "\""},
          {cue.stopAt, writeStop ? cue.stopLength : 0,
           !writeStop ? std::string()
           : hasStop  ? newStop
                      : " end=\"" + newStop + "\""},
      };
      if (edits[0].at > edits[1].at) std::swap(edits[0], edits[1]);
      for (int e = 1; e >= 0; --e)
        if (edits[e].at <= tag.size() && !edits[e].with.empty())
          tag.replace(edits[e].at, edits[e].length, edits[e].with);
    }
    out += tag;
    if (now.text == was.text && !parts.span.selfClosing) {
      // Only the times changed: the content stays as the file had it.
      out += piece.substr(parts.span.contentAt);
      return;
    }
    out += TtmlMarkup(now.text);
    if (parts.span.selfClosing) {
      out += "</";
      out += parts.name;
      out += '>';
    } else {
      out += piece.substr(parts.span.closeAt);
    }
    // What followed the paragraph in its piece (blank lines) was written
    // with its end tag.
  }

  const std::vector<std::string_view> extensions_{"ttml", "dfxp", "xml"};
  const std::vector<std::string_view> mimeTypes_{"application/ttml+xml", "application/ttaf+xml"};
};

}  // namespace

const Format& Ttml() {
  static const TtmlFormat format;
  return format;
}

}  // namespace lm
