// How often each break style puts the break where a professional did.
//
//   build/break_eval bench/breaks/*.txt
//
// Each file holds one two-line entry a line, "|" where the subtitler broke it
// ("#" starts a comment). The file's name starts with the language's code
// ("fr-pro.txt"); a code natural breaks do not know leaves the language to
// the guess. Every entry is joined into one line and broken again under a
// profile of 2 lines of 42 characters, with each style's rule for a line too
// long (whatever its length), and the result is compared with the
// professional's. Every third entry of a file is held out: the weights were
// tuned on the others, and the held-out figure is the one to quote.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "formats/microdvd/microdvd.h"
#include "model/document.h"
#include "model/profiles.h"
#include "model/text.h"
#include "rules/natural_breaks.h"
#include "rules/rules.h"

namespace {

using namespace lm;

struct Tally {
  int entries = 0, middle = 0, natural = 0;
  void Add(const Tally& t) {
    entries += t.entries;
    middle += t.middle;
    natural += t.natural;
  }
};

// The two lines as one, with one space where the break was.
std::string Joined(const std::string& broken) {
  const size_t bar = broken.find('|');
  return std::string(TrimBlanks(std::string_view(broken).substr(0, bar))) + " " +
         std::string(TrimBlanks(std::string_view(broken).substr(bar + 1)));
}

// The professional's two lines without blanks around the break.
std::string Wanted(const std::string& broken) {
  const size_t bar = broken.find('|');
  return std::string(TrimBlanks(std::string_view(broken).substr(0, bar))) + "|" +
         std::string(TrimBlanks(std::string_view(broken).substr(bar + 1)));
}

// The texts of the entries broken again in `style`.
std::vector<std::string> Rebreak(const std::vector<std::string>& broken, BreakStyle style, int language) {
  Document doc;
  std::vector<std::string> lines;
  lines.reserve(broken.size());
  for (size_t i = 0; i < broken.size(); ++i)
    lines.push_back("{" + std::to_string(i * 100) + "}{" + std::to_string(i * 100 + 90) + "}" + Joined(broken[i]));
  doc.Begin("evaluation");
  doc.Load(std::move(lines), "/nowhere/evaluation.sub", FileIdentity(Encoding::Utf8, LineEnd::Lf, &MicroDvd()));
  Profile profile;
  profile.name = "evaluation";
  profile.charactersPerLine = 42;
  profile.lines = 2;
  profile.breaks = style;
  profile.language = language;
  doc.SetProfile(profile);
  std::vector<std::string> texts(broken.size());
  for (size_t i = 0; i < broken.size(); ++i) {
    doc.CurrentIndex = static_cast<int>(i);
    doc.DecomposeEntry();
    BreakNearMiddle(doc);
    const std::string_view item = doc.List1.Item(static_cast<int>(i));
    const std::string_view text = item.substr(item.find('}', item.find('}') + 1) + 1);
    texts[i] = std::string(text);
  }
  doc.Commit();
  return texts;
}

// The entries of the tuned halves, ready for ChooseBreak.
struct Sample {
  std::string joined;
  int want;  // the 1-based position of the professional's break
  int language;
};

int Agreement(const std::vector<Sample>& samples, const StyleDialect& markup, const natural::Weights& w) {
  int same = 0;
  for (const Sample& s : samples) {
    const Visible v(s.joined, 0, markup);
    int p = 0;
    if (natural::DialogueDashes(s.joined, markup) == 2) {
      p = natural::SpeakerChange(s.joined, v, 0, markup);
    } else {
      p = natural::ChooseBreak(s.joined, v, 0, markup, 42, s.language, natural::Parts::Lines, nullptr, &w);
    }
    same += p == s.want;
  }
  return same;
}

// Coordinate descent over the weights of line breaks on the tuned halves;
// prints the weights found.
void Tune(const std::vector<Sample>& samples) {
  Document doc;
  const StyleDialect& markup = doc.TextMarkup();
  natural::Weights w = natural::DefaultWeights(natural::Parts::Lines);
  double* fields[] = {&w.balance, &w.topHeavy, &w.sentence, &w.clause, &w.clings, &w.joins,
                      &w.leads,   &w.trails,   &w.name,     &w.number, &w.skew};
  int best = Agreement(samples, markup, w);
  std::printf("start: %d of %zu\n", best, samples.size());
  for (int round = 0; round < 4; ++round) {
    for (double* f : fields) {
      for (const double factor : {0.5, 0.8, 1.25, 2.0}) {
        const double kept = *f;
        *f = kept == 0 ? factor / 4 : kept * factor;
        const int now = Agreement(samples, markup, w);
        if (now > best) {
          best = now;
        } else {
          *f = kept;
        }
      }
    }
    std::printf("round %d: %d of %zu\n", round + 1, best, samples.size());
  }
  std::printf("{%.2f, %.2f, %.1f, %.1f, %.0f, %.1f, %.1f, %.1f, %.1f, %.1f, %.1f, %.2f}\n", w.balance, w.topHeavy,
              w.sentence, w.clause, w.dialogue, w.clings, w.joins, w.leads, w.trails, w.name, w.number, w.skew);
}

void Print(const char* what, const Tally& t) {
  if (t.entries == 0) return;
  std::printf("  %-22s %5d entries   middle %5.1f %%   natural %5.1f %%\n", what, t.entries,
              100.0 * t.middle / t.entries, 100.0 * t.natural / t.entries);
}

}  // namespace

int main(int argc, char** argv) {
  bool misses = false, tune = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--misses") {
      misses = true;  // print the natural breaks that differ
    } else if (std::string(argv[i]) == "--tune") {
      tune = true;  // search weights on the tuned halves
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: break_eval [--misses] FILE...  (one entry a line, \"|\" where it was broken)\n");
    return 2;
  }
  Tally tuneAll, heldAll;
  std::vector<Sample> samples;
  for (const std::string& path : files) {
    std::ifstream in(path);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    std::vector<std::string> broken;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#' || CountByte(line, '|') != 1) continue;
      broken.push_back(line);
    }
    const std::string name = path.substr(path.find_last_of('/') + 1);
    int language = BreakLanguageOfCode(name.substr(0, 2));
    if (tune) {
      Document doc;
      doc.Begin("guess");
      std::vector<std::string> lines;
      for (const std::string& b : broken) lines.push_back("{1}{2}" + Joined(b));
      doc.Load(std::move(lines), "/nowhere/guess.sub", FileIdentity(Encoding::Utf8, LineEnd::Lf, &MicroDvd()));
      doc.Commit();
      const int guessed = language >= 0 ? language : natural::DocumentLanguage(doc);
      for (size_t i = 0; i < broken.size(); ++i)
        if (i % 3 != 2)
          samples.push_back(
              {Joined(broken[i]), CharCount(Wanted(broken[i]).substr(0, Wanted(broken[i]).find('|'))) + 1, guessed});
      continue;
    }
    const std::vector<std::string> middle = Rebreak(broken, BreakStyle::Middle, language);
    const std::vector<std::string> natural = Rebreak(broken, BreakStyle::Natural, language);
    Tally tune, held;
    for (size_t i = 0; i < broken.size(); ++i) {
      Tally& t = i % 3 == 2 ? held : tune;
      const std::string want = Wanted(broken[i]);
      ++t.entries;
      t.middle += middle[i] == want;
      t.natural += natural[i] == want;
      if (misses && natural[i] != want)
        std::printf("%s %s\n    pro:     %s\n    natural: %s\n", name.c_str(), i % 3 == 2 ? "held" : "tune",
                    want.c_str(), natural[i].c_str());
    }
    std::printf("%s\n", name.c_str());
    Print("tuned on", tune);
    Print("held out", held);
    tuneAll.Add(tune);
    heldAll.Add(held);
  }
  if (tune) {
    Tune(samples);
    return 0;
  }
  std::printf("all\n");
  Print("tuned on", tuneAll);
  Print("held out", heldAll);
  return 0;
}
