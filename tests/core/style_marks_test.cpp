// Style marks stay on the text they styled: through "Fix text automatic" in
// both dialects the screen shows what it showed (apart from the breaks
// moved), and no text takes on a style it did not have.
#include <gtest/gtest.h>

#include "formats/registry.h"
#include "model/markup.h"
#include "rules/rules.h"
#include "support.h"

namespace lm {
namespace {

using test::Lines;

void LoadAs(Document& doc, Lines lines, const char* id) {
  const Format& format = *FormatById(id);
  test::Run(doc, [&] {
    doc.Load(std::move(lines), "/nowhere/film." + std::string(id), FileIdentity(Encoding::Utf8, LineEnd::Lf, &format));
    SelectEntry(doc, 0);
  });
}

const std::string kCue = "{00:00:01,000}{00:00:09,000}", kHalf1 = "{00:00:01,000}{00:00:05,000}",
                  kHalf2 = "{00:00:05,040}{00:00:09,000}";
const std::string kSlash = "Read the sign that says in /out before you try to leave";
const std::string kPair = "Are you coming with us tonight or not at all?|No, I have to stay home and study today";
const std::string kHidden = "He said {y:this is|a long one} and went home to sleep, he was very tired|ok";
const std::string kFont = "{f:Zażółć gęślą jaźń źdźbło łąka ćma żółć ósemka}";  // 45 characters, 70 bytes

TEST(StyleMarks, FixKeepsEachMarkOnItsText) {
  const struct {
    const char* format;
    Lines in, out;  // out empty: unchanged
  } cases[] = {
      // A "/" a break would put at a line's start is italics there: the next space is taken.
      {"sub", {"{1}{2}" + kSlash}, {"{1}{2}Read the sign that says in /out|before you try to leave"}},
      {"srt", {kCue + kSlash}, {kCue + "Read the sign that says in|/out before you try to leave"}},
      {"sub", {"{1}{2}/" + kSlash}, {"{1}{2}/Read the sign that says in|//out before you try to leave"}},
      {"sub", {"{1}{2}aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa /b /c /d /e dd"}, {}},
      {"sub",
       {"{1}{2}Alpha beta gamma delta epsilon zeta eta theta|iota /kappa lambda mu nu xi omicron pi rho sigma tau"},
       {"{1}{1}Alpha beta gamma delta epsilon|zeta eta theta iota /kappa",
        "{2}{2}lambda mu nu xi omicron|pi rho sigma tau"}},
      // A plain line next to an italic one stays plain.
      {"sub",
       {"{1}{200}{y:i}" + kPair},
       {"{1}{100}{y:i}Are you coming with us|{y:i}tonight or not at all?",
        "{101}{200}No, I have to stay|home and study today"}},
      {"srt",
       {kCue + "<i>Are you coming with us tonight or not at all?</i>|No, I have to stay home and study today"},
       {kHalf1 + "<i>Are you coming with us|tonight or not at all?</i>",
        kHalf2 + "No, I have to stay|home and study today"}},
      {"sub", {"{5}{9}{y:i}ab|/cd|ef"}, {"{5}{9}{y:i}ab {y:i}cd|ef"}},
      {"sub", {"{5}{9}{y:i}ab|{y:b}cd|ef"}, {}},
      // The break a join would restyle at stays the break of its half.
      {"sub",
       {"{1000}{1100}{s:12}House car phone, that always find, leave what wonderful are anybody stay strange where a "
        "wait|music because where know thoughh."},
       {"{1000}{1050}{s:12}House car phone, that always find,|{s:12}leave what wonderful are anybody",
        "{1051}{1100}{s:12}stay strange where a wait|music because where know thoughh."}},
      // A tag's value holds 64 characters, not bytes.
      {"sub", {"{1}{2}" + kFont}, {}},
      {"sub",
       {"{1}{2}" + kFont + "Nobody saw the river boat go by last night"},
       {"{1}{2}" + kFont + "Nobody saw the river|" + kFont + "boat go by last night"}},
      // A join that would make a tag of visible text is not made.
      {"sub",
       {"{1}{2}" + kHidden},
       {"{1}{1}He said {y:this is|a long one} and went", "{2}{2}home to sleep, he|was very tired ok"}},
      {"srt",
       {kCue + "He said <i this is|a long one> and went home to sleep, he was very tired|ok"},
       {kHalf1 + "He said <i this is|a long one> and went", kHalf2 + "home to sleep, he|was very tired ok"}},
  };
  for (const auto& c : cases) {
    Document doc;
    LoadAs(doc, c.in, c.format);
    test::Run(doc, [&] { Fixlines_Click(doc); });
    EXPECT_EQ(doc.List1.Items(), c.out.empty() ? c.in : c.out) << c.format << ": " << c.in[0];
  }
}

TEST(StyleMarks, TagValuesAreCountedInCharactersWithinABoundInBytes) {
  const StyleDialect& sub = FormatById("sub")->Dialect();
  auto times = [](const char* s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
  };
  const struct {
    std::string value;
    bool tag;
  } cases[] = {{std::string(64, 'a'), true},     {std::string(65, 'a'), false},         {times("ł", 64), true},
               {times("ł", 65), false},          {times("\xF0\x9F\x98\x80", 64), true}, {times("ł", 300), false},
               {std::string(300, '\x80'), false}};  // no characters, but a runaway brace
  for (const auto& c : cases) {
    const std::string tag = "{f:" + c.value + "}";
    EXPECT_EQ(sub.TagAt(tag + "x", 0), c.tag ? tag.size() : 0u) << c.value;
  }
  // Written as a tag, as it is read as one.
  StyledLine line{Style(), "x"};
  line.style.font = "Zażółć gęślą jaźń źdźbło łąka ćma żółć ósemka";
  EXPECT_EQ(sub.FromNeutral({line}), kFont + "x");
}

// The visible characters of a document's entries (a space, a line break and
// an entry's end each one separator, " "), and the italics, bold, underline
// and strike-through of each as the markup sets them: a line's markup for the
// line and a tag inside it for what follows on the line, or the open spans.
void Show(std::string_view text, const StyleDialect& d, std::string& shown, std::vector<Style>& styles) {
  const Visible v(text, 0, d);
  Style entry, style;
  for (size_t i = 0, t; i < LinePrefixAt(text, 0, d); i += t ? t : 1)
    if ((t = d.TagAt(text, i)) && d.StylesEntry(text.substr(i, t))) d.Apply(text.substr(i, t), entry);
  bool lineStart = d.LineScoped();
  for (size_t i = 0, k = 0; i < text.size();) {
    if (lineStart) {
      style = entry;
      const size_t end = i + LinePrefixAt(text, i, d);
      for (size_t t; i < end; i += t ? t : 1) {
        if ((t = d.TagAt(text, i))) d.Apply(text.substr(i, t), style);
        style.italic |= !t;  // the line's "/"
      }
      lineStart = false;
    } else if (k < static_cast<size_t>(v.size()) && v.Byte(static_cast<int>(k)) == i) {
      const std::string_view c = NextChar(text, i);
      const bool separator = c == " " || c == "|";
      shown += separator ? " " : std::string(c);
      styles.push_back(separator ? Style() : style);
      lineStart = c == "|" && d.LineScoped();
      ++k;
    } else {
      const size_t t = d.TagAt(text, i);
      if (t) d.Apply(text.substr(i, t), style);
      i += t ? t : 1;
    }
  }
  shown += ' ';
  styles.emplace_back();
}

// Random text of words, spaces, breaks, the dialect's markup and some that
// only looks like it; a cue's span is not opened again while it is open
// (on nested spans the dialect's reading and a division's re-opening differ).
std::string RandomText(std::mt19937& rng, bool cues) {
  static const char* const kMarkup[2][8] = {{"{y:i}", "{Y:b}", "{c:$0000FF}", "/", "{y:a", "{y:i}/", "{y:b}", "}"},
                                            {"i", "b", "u", "{\\an8}", "<x", ">", "{\\an/8}", "/"}};
  static const char* const kWords[] = {"word", "Hello there", "a", "extraordinarily", "-", "ł", "you", " ", " ", "|"};
  std::uniform_int_distribution<int> kind(0, 9), markup(0, 7), pieces(5, 60);
  std::string text, open;
  for (int n = pieces(rng); n > 0; --n) {
    const std::string piece = kind(rng) < 3 ? kMarkup[cues][markup(rng)] : kWords[kind(rng)];
    if (piece.size() > 1 || !cues || std::string_view("ibu").find(piece) == std::string_view::npos) {
      text += piece;
    } else if (const size_t at = open.find(piece); at != std::string::npos) {
      text += "</" + piece + ">";
      open.erase(at, 1);
    } else {
      text += "<" + piece + ">";
      open += piece;
    }
  }
  return text;
}

TEST(StyleMarks, FixShowsWhatWasShownAndAddsNoStyle) {
  auto show = [](const Document& doc, std::string& shown, std::vector<Style>& styles) {
    EntryFields f;
    for (const std::string& item : doc.List1.Items())
      if (SplitFullEntry(item, f)) Show(f.text, doc.TextMarkup(), shown, styles);
  };
  for (const bool cues : {false, true}) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
      std::mt19937 rng(seed);
      Lines lines;
      for (int i = 10; i < 30; ++i)
        lines.push_back((cues ? "{00:00:" + std::to_string(i) + ",000}{00:00:" + std::to_string(i) + ",900}"
                              : "{" + std::to_string(i * 100) + "}{" + std::to_string(i * 100 + 90) + "}") +
                        RandomText(rng, cues));
      Document doc;
      LoadAs(doc, lines, cues ? "srt" : "sub");
      std::string before, after;
      std::vector<Style> was, is;
      show(doc, before, was);
      test::Run(doc, [&] { Fixlines_Click(doc); });
      show(doc, after, is);
      ASSERT_EQ(after, before) << "seed " << seed;
      for (size_t k = 0; k < is.size(); ++k)
        ASSERT_TRUE((was[k].italic || !is[k].italic) && (was[k].bold || !is[k].bold) &&
                    (was[k].underline || !is[k].underline) && (was[k].strike || !is[k].strike))
            << "seed " << seed << ": visible character " << k << " gained a style";
    }
  }
}

}  // namespace
}  // namespace lm
