#include "markup.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "text.h"

namespace lm {

namespace {
constexpr size_t kMaxTagValue = 64;

bool IsControlLetter(char c) {
  switch (c) {
    case 'y': case 'Y': case 'c': case 'C': case 'f': case 'F':
    case 's': case 'S': case 'p': case 'P': case 'h': case 'H':
      return true;
    default:
      return false;
  }
}
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }


// The start of the screen line that holds byte `at`.
size_t LineStartOf(std::string_view s, size_t at, size_t textAt) {
  if (at <= textAt) return textAt;
  const void* bar = ::memrchr(s.data() + textAt, '|', at - textAt);
  return bar ? static_cast<size_t>(static_cast<const char*>(bar) - s.data()) + 1 : textAt;
}

// Of the markup that starts the line at byte `start`: the tags that `keep`
// accepts by their letter, and its "/" when `slash`, in their order.
template <class Keep>
std::string SelectPrefix(std::string_view s, size_t start, Keep keep, bool slash) {
  std::string out;
  bool seenSlash = false;
  for (size_t j = start; j < s.size();) {
    if (const size_t t = TagAt(s, j)) {
      if (keep(s[j + 1])) out.append(s.data() + j, t);
      j += t;
    } else if (!seenSlash && s[j] == '/') {
      seenSlash = true;
      if (slash) out += '/';
      ++j;
    } else {
      break;
    }
  }
  return out;
}
}  // namespace

bool SlashStartsALine(std::string_view s) {
  if (s.empty()) return false;
  if (s[0] == '/') return true;
  for (size_t bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|', bar + 1))
    if (bar + 1 < s.size() && s[bar + 1] == '/') return true;
  return false;
}

size_t TagAt(std::string_view s, size_t i) {
  // The characters that end a tag's value: its "}", or one a tag never holds.
  static constexpr std::array<bool, 256> kEnds = [] {
    std::array<bool, 256> ends{};
    for (unsigned char c : {'}', '{', '|', '\r', '\n'}) ends[c] = true;
    return ends;
  }();
  const size_t n = s.size();
  if (i + 3 >= n || s[i] != '{' || s[i + 2] != ':' || !IsControlLetter(s[i + 1])) return 0;
  const size_t end = std::min(n, i + 3 + kMaxTagValue + 1);
  for (size_t j = i + 3; j < end; ++j) {
    const unsigned char c = static_cast<unsigned char>(s[j]);
    if (kEnds[c]) return c == '}' ? j - i + 1 : 0;
  }
  return 0;
}

size_t SubRipTagAt(std::string_view s, size_t i) {
  constexpr size_t kMaxTag = 80;
  const size_t n = s.size();
  if (i + 2 >= n) return 0;
  if (s[i] == '{' && s[i + 1] == '\\') {
    for (size_t j = i + 2; j < n && j < i + kMaxTag; ++j) {
      if (s[j] == '}') return j - i + 1;
      if (s[j] == '{' || s[j] == '|') return 0;
    }
    return 0;
  }
  if (s[i] != '<') return 0;
  size_t j = i + 1;
  if (s[j] == '/') ++j;
  const size_t name = j;
  while (j < n && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
  std::string word(s.substr(name, j - name));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word != "i" && word != "b" && word != "u" && word != "s" && word != "font") return 0;
  for (; j < n && j < i + kMaxTag; ++j) {
    if (s[j] == '>') return j - i + 1;
    if (s[j] == '<' || s[j] == '|') return 0;
  }
  return 0;
}

size_t MarkupTagAt(std::string_view s, size_t i, Markup markup) {
  return markup == Markup::MicroDvd ? TagAt(s, i) : SubRipTagAt(s, i);
}

namespace {
size_t Find(std::string_view s, char c, size_t from, size_t to) {
  if (from >= to) return to;
  const void* p = std::memchr(s.data() + from, c, to - from);
  return p ? static_cast<size_t>(static_cast<const char*>(p) - s.data()) : to;
}

// Where markup may begin inside a line: a "{", and for SubRip a "<".
size_t FindTagStart(std::string_view s, size_t from, size_t to, Markup markup) {
  if (markup == Markup::MicroDvd) return Find(s, '{', from, to);
  return std::min(Find(s, '{', from, to), Find(s, '<', from, to));
}

// The markup that starts a line at byte `i` (its tags, and in MicroDVD one
// "/"); `tags` counts its tags (each holds exactly one tag start).
size_t PrefixAt(std::string_view s, size_t i, int& tags, Markup markup) {
  if (markup == Markup::SubRip) {
    size_t j = i;
    while (const size_t t = SubRipTagAt(s, j)) {
      j += t;
      ++tags;
    }
    return j - i;
  }
  size_t j = i;
  bool slash = false;
  while (j < s.size()) {
    if (s[j] == '{') {
      const size_t t = TagAt(s, j);
      if (t == 0) break;
      j += t;
      ++tags;
    } else if (s[j] == '/' && !slash) {
      slash = true;
      ++j;
    } else {
      break;
    }
  }
  return j - i;
}
}  // namespace

size_t LinePrefixAt(std::string_view s, size_t i, Markup markup) {
  int tags = 0;
  return PrefixAt(s, i, tags, markup);
}

namespace {
// Calls mark(begin, end) for each stretch of markup of `text`, in order, and
// bar(at) for each line break. Markup starts a line or begins at a "{"
// inside one (a tag never holds a "|"), so a line is searched for "{" only
// while some of the text's `braces` are not accounted for (-1: not known).
// `barAt` holds the offsets of the first `kept` breaks where they are known.
template <class Mark, class Bar>
void WalkMarkup(std::string_view text, int braces, const std::uint32_t* barAt, int kept, int bars,
                Markup markup, Mark mark, Bar bar) {
  const size_t n = text.size();
  for (int line = 0, start = 0;; ++line) {
    size_t i = static_cast<size_t>(start);
    int tags = 0;
    if (const size_t prefix = PrefixAt(text, i, tags, markup)) {
      mark(i, i + prefix);
      i += prefix;
      if (braces > 0) braces -= tags;
    }
    const size_t lineEnd = line < kept ? barAt[line] : (bars >= 0 && line >= bars) ? n : Find(text, '|', i, n);
    for (size_t j = braces != 0 ? FindTagStart(text, i, lineEnd, markup) : lineEnd; j < lineEnd;
         j = braces != 0 ? FindTagStart(text, j + 1, lineEnd, markup) : lineEnd) {
      if (const size_t t = MarkupTagAt(text, j, markup)) {
        mark(j, j + t);
        j += t - 1;
      }
      if (braces > 0) --braces;
    }
    if (lineEnd >= n) return;
    bar(lineEnd);
    start = static_cast<int>(lineEnd + 1);
  }
}

}  // namespace

// Counts are summed in byte lanes, word after word, and added up at the
// end: no multiplication a word. A "/" is looked for only where a line
// starts (MayHoldMarkup).
TextFacts ScanText(std::string_view text, Markup markup) {
  TextFacts f;
  const bool angles = markup == Markup::SubRip;
  std::uint64_t high = 0, braceLanes = 0, dashLanes = 0;
  size_t at = 0;
  ForEachWord(
      text,
      [&](std::uint64_t word) {
        high |= word;
        dashLanes += OnesWhere(word, '-');
        braceLanes += OnesWhere(word, '{');
        if (angles) braceLanes += OnesWhere(word, '<');
        if (std::uint64_t bars = MatchMask(word, '|')) {
          f.bars += CountInWord(word, '|');
          for (; bars && f.kept < TextFacts::kBarsKept; bars &= bars - 1)
            f.barAt[f.kept++] = static_cast<std::uint32_t>(at + static_cast<size_t>(__builtin_ctzll(bars) / 8));
        }
        at += 8;
      },
      [&] {
        f.dashes += SumLanes(dashLanes);
        f.braces += SumLanes(braceLanes);
        dashLanes = braceLanes = 0;
      });
  f.ascii = (high & 0x8080808080808080ULL) == 0;
  return f;
}

bool MayHoldMarkup(std::string_view text, const TextFacts& f, Markup markup) {
  if (f.braces > 0) return true;
  if (text.empty() || markup == Markup::SubRip) return false;
  if (text[0] == '/') return true;
  if (f.bars > f.kept) return SlashStartsALine(text);
  for (int k = 0; k < f.kept; ++k)
    if (f.barAt[k] + 1 < text.size() && text[f.barAt[k] + 1] == '/') return true;
  return false;
}

VisibleCounts CountVisible(std::string_view text, const TextFacts& facts, Markup markup) {
  VisibleCounts c;
  const bool ascii = facts.ascii;
  int markupChars = 0, markupDashes = 0;
  auto charsBefore = [&](size_t b) { return ascii ? static_cast<int>(b) : CharCount(text.substr(0, b)); };
  WalkMarkup(
      text, facts.braces, facts.barAt, facts.kept, facts.bars, markup,
      [&](size_t b, size_t e) {
        markupChars += ascii ? static_cast<int>(e - b) : CharCount(text.substr(b, e - b));
        if (facts.dashes > 0)
          for (size_t k = b; k < e; ++k) markupDashes += text[k] == '-';
      },
      [&](size_t at) {
        ++c.bars;
        c.lastBar = charsBefore(at) - markupChars + 1;
        if (c.firstBar == 0) c.firstBar = c.lastBar;
      });
  c.chars = charsBefore(text.size()) - markupChars;
  c.dashes = facts.dashes - markupDashes;
  return c;
}

Visible::Visible(std::string_view s, size_t plainUpTo, Markup markup) : end_(s.size()) {
  plainUpTo = std::min(plainUpTo, s.size());
  const std::string_view text = s.substr(plainUpTo);
  // Most text has neither a "{" nor a "/" and is ASCII: one byte a visible
  // character, found in one quick pass.
  // (For SubRip: a "{" or a "<".)
  const char other = markup == Markup::SubRip ? '<' : '/';
  std::uint64_t high = 0, braces = 0, others = 0;
  ForEachWord(
      text,
      [&](std::uint64_t word) {
        high |= word;
        braces |= AnyMatch(word, '{');
        others |= AnyMatch(word, other);
      },
      [] {});
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const bool ascii = (high & kHigh) == 0 && (plainUpTo == 0 || IsAscii(s.substr(0, plainUpTo)));
  const bool anyBrace = (braces & kHigh) != 0 || (markup == Markup::SubRip && (others & kHigh) != 0);
  const bool marked = anyBrace || ((others & kHigh) != 0 && SlashStartsALine(text));
  if (!marked && ascii) {
    mode_ = Mode::Identity;
    count_ = static_cast<int>(s.size());
    return;
  }
  stretches_ = stretchLocal_;
  const int room = static_cast<int>(sizeof stretchLocal_ / sizeof stretchLocal_[0]);
  size_t markupBytes = 0;
  if (marked) {
    WalkMarkup(
        text, anyBrace ? -1 : 0, nullptr, 0, -1, markup,
        [&](size_t b, size_t e) {
          if (stretchCount_ == room && stretches_ == stretchLocal_) {
            stretchHeap_.assign(stretchLocal_, stretchLocal_ + room);
            stretches_ = nullptr;
          }
          const Stretch stretch{static_cast<std::uint32_t>(plainUpTo + b), static_cast<std::uint32_t>(plainUpTo + e)};
          if (stretches_) {
            stretches_[stretchCount_] = stretch;
          } else {
            stretchHeap_.push_back(stretch);
          }
          ++stretchCount_;
          markupBytes += e - b;
        },
        [](size_t) {});
    if (!stretches_) stretches_ = stretchHeap_.data();
  }
  if (ascii) {
    mode_ = Mode::Stretches;
    count_ = static_cast<int>(s.size() - markupBytes);
    return;
  }
  mode_ = Mode::Table;
  // At most one start a byte, and the end.
  if (s.size() + 1 <= sizeof startLocal_ / sizeof startLocal_[0]) {
    starts_ = startLocal_;
  } else {
    startHeap_.resize(s.size() + 1);
    starts_ = startHeap_.data();
  }
  int n = 0;
  size_t i = 0;
  for (int k = 0; k <= stretchCount_; ++k) {
    const size_t gapEnd = k < stretchCount_ ? stretches_[k].begin : s.size();
    for (; i < gapEnd; ++i)
      if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts_[n++] = static_cast<std::uint32_t>(i);
    if (k < stretchCount_) i = stretches_[k].end;
  }
  count_ = n;
  starts_[n] = static_cast<std::uint32_t>(s.size());
}

size_t Visible::ByteAcrossMarkup(int i) const {
  size_t b = static_cast<size_t>(i);
  for (int k = 0; k < stretchCount_ && stretches_[k].begin <= b; ++k) b += stretches_[k].end - stretches_[k].begin;
  return b;
}

int Visible::At(size_t b) const {
  switch (mode_) {
    case Mode::Identity:
      return b < static_cast<size_t>(count_) ? static_cast<int>(b) : -1;
    case Mode::Stretches: {
      if (b >= end_) return -1;
      size_t before = 0;
      for (int k = 0; k < stretchCount_ && stretches_[k].begin <= b; ++k) {
        if (b < stretches_[k].end) return -1;
        before += stretches_[k].end - stretches_[k].begin;
      }
      return static_cast<int>(b - before);
    }
    case Mode::Table:
      break;
  }
  const std::uint32_t* end = starts_ + count_;
  const std::uint32_t* it = std::lower_bound(static_cast<const std::uint32_t*>(starts_), end, b);
  return it != end && *it == b ? static_cast<int>(it - starts_) : -1;
}

std::vector<int> ScreenLineLengths(std::string_view text, Markup markup) {
  const Visible v(text, 0, markup);
  std::vector<int> lengths(1, 0);
  for (int i = 0; i < v.size(); ++i) {
    if (text[v.Byte(i)] == '|') {
      lengths.push_back(0);
    } else {
      ++lengths.back();
    }
  }
  return lengths;
}

int FindVisibleFrom(std::string_view s, const Visible& v, char c, int from) {
  if (from < 1) from = 1;
  if (from > v.size()) return 0;
  for (size_t byte = v.Byte(from - 1);;) {
    const size_t p = s.find(c, byte);
    if (p == std::string_view::npos) return 0;
    const int i = v.At(p);
    if (i >= 0) return i + 1;
    byte = p + 1;
  }
}

int FindVisibleUpTo(std::string_view s, const Visible& v, char c, int to) {
  if (to < 1 || v.size() == 0) return 0;
  to = std::min(to, v.size());
  for (size_t byte = v.Byte(to - 1);;) {
    const size_t p = s.rfind(c, byte);
    if (p == std::string_view::npos) return 0;
    const int i = v.At(p);
    if (i >= 0) return i + 1;
    if (p == 0) return 0;
    byte = p - 1;
  }
}

std::string CarriedMarkup(std::string_view s, size_t at, size_t textAt, Markup markup) {
  // SubRip tags open and close spans that run over line breaks: no line
  // carries anything.
  if (at < textAt || markup == Markup::SubRip) return {};
  const size_t start = LineStartOf(s, at, textAt);
  if (start >= s.size() || (s[start] != '{' && s[start] != '/')) return {};
  return SelectPrefix(s, start, [](char letter) { return !IsUpper(letter); }, true);
}

std::string EntryMarkup(std::string_view text, Markup markup) {
  if (markup == Markup::SubRip || text.empty() || (text[0] != '{' && text[0] != '/')) return {};
  return SelectPrefix(text, 0, [](char letter) { return IsUpper(letter); }, false);
}

void BreakLineAt(std::string& s, size_t at, size_t textAt, Markup markup) {
  const std::string carried = CarriedMarkup(s, at, textAt, markup);
  s[at] = '|';
  if (!carried.empty()) s.insert(at + 1, carried);
}

void JoinLineAt(std::string& s, size_t at, size_t textAt, Markup markup) {
  s[at] = ' ';
  if (at < textAt || markup == Markup::SubRip) return;
  const size_t next = at + 1;
  const size_t length = LinePrefixAt(s, next);
  if (length == 0) return;
  const std::string prefix = s.substr(next, length);
  s.replace(next, length, prefix == CarriedMarkup(s, at, textAt) ? std::string() : MidLineMarkup(prefix));
}

std::string MidLineMarkup(std::string_view markup) {
  // A SubRip tag holds no "/" outside itself; its own "</…>" is passed over
  // with it below.
  if (markup.find('/') == std::string_view::npos || markup.find('<') != std::string_view::npos)
    return std::string(markup);
  std::string out;
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = TagAt(markup, i)) {
      out.append(markup, i, t);
      i += t;
    } else {
      if (markup[i] == '/') {
        out += "{y:i}";
      } else {
        out += markup[i];
      }
      ++i;
    }
  }
  return out;
}

void JoinAllLines(std::string& text, Markup markup) {
  if (markup == Markup::SubRip || !MayHoldMarkup(text)) {
    std::replace(text.begin(), text.end(), '|', ' ');
    return;
  }
  for (size_t p = text.find('|'); p != std::string::npos; p = text.find('|', p + 1)) JoinLineAt(text, p);
}

void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second, Markup markup) {
  if (markup != Markup::SubRip) return;
  // The tags open where the text is cut, in the order they were opened.
  std::vector<std::string> open;
  auto nameOf = [](std::string_view tag) {
    const size_t from = tag[1] == '/' ? 2 : 1;
    size_t to = from;
    while (to < tag.size() && std::isalpha(static_cast<unsigned char>(tag[to]))) ++to;
    std::string name(tag.substr(from, to - from));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  for (size_t i = joined.find('<'); i < at && i != std::string_view::npos; i = joined.find('<', i + 1)) {
    const size_t t = SubRipTagAt(joined, i);
    if (t == 0 || i + t > at) continue;
    const std::string_view tag = joined.substr(i, t);
    const std::string name = nameOf(tag);
    if (tag[1] != '/') {
      open.emplace_back(tag);
      continue;
    }
    for (size_t k = open.size(); k-- > 0;) {
      if (nameOf(open[k]) == name) {
        open.erase(open.begin() + static_cast<long>(k));
        break;
      }
    }
  }
  std::string reopen;
  for (const std::string& tag : open) reopen += tag;
  for (size_t k = open.size(); k-- > 0;) first += "</" + nameOf(open[k]) + ">";
  second.insert(0, reopen);
}

bool IsItalicMarkup(std::string_view markup) {
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = TagAt(markup, i)) {
      const std::string_view value = markup.substr(i + 3, t - 4);
      if ((markup[i + 1] == 'y' || markup[i + 1] == 'Y') && value.find('i') != std::string_view::npos)
        return true;
      i += t;
    } else {
      if (markup[i] == '/') return true;
      ++i;
    }
  }
  return false;
}

}  // namespace lm
