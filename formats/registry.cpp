#include "formats/registry.h"

#include <algorithm>

#include "formats/ebustl/ebustl.h"
#include "formats/microdvd/microdvd.h"
#include "formats/mpl2/mpl2.h"
#include "formats/recognised.h"
#include "formats/sbv/sbv.h"
#include "formats/ssa/ssa.h"
#include "formats/subrip/subrip.h"
#include "formats/subviewer/subviewer.h"
#include "formats/tmplayer/tmplayer.h"
#include "formats/ttml/ttml.h"
#include "formats/webvtt/webvtt.h"

namespace lm {

const std::vector<const Format*>& Formats() {
  static const std::vector<const Format*> kFormats = {
      &MicroDvd(),
      &SubRip(),
      &Mpl2(),
      &TmPlayer(),
      &SubViewer2(),
      &SubViewer1(),
      &WebVtt(),
      &YouTubeSbv(),
      &SubStationAlpha(),
      &Ttml(),
      &EbuStl(),
  };
  return kFormats;
}

const Format& DefaultFormat() { return *Formats().front(); }

const Format* FormatById(std::string_view id) {
  for (const Format* f : Formats())
    if (f->Id() == id) return f;
  return nullptr;
}

namespace {
// The extension of a path, lower case; empty when it has none.
std::string ExtensionOf(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}
}  // namespace

const Format* FormatOfPath(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  if (ext.empty()) return nullptr;
  for (const Format* f : Formats())
    for (const std::string_view e : f->Extensions())
      if (e == ext) return f;
  return nullptr;
}

const Format& FormatForPath(const std::string& path, const Format& otherwise) {
  // Formats share extensions: one the document's own format takes asks for
  // no other.
  const std::string ext = ExtensionOf(path);
  for (const std::string_view e : otherwise.Extensions())
    if (e == ext) return otherwise;
  const Format* f = FormatOfPath(path);
  return f ? *f : otherwise;
}

std::string WithExtension(const std::string& name, const Format& format) {
  const size_t dot = name.find_last_of('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  return stem + "." + std::string(format.Extensions().front());
}

namespace {
// The choice among the formats' fits (one a format, in their order) and
// the recognised formats'.
Detection Decide(const std::vector<Fit>& fits, const std::vector<Fit>& recognised, const std::string& path) {
  const Format* named = FormatOfPath(path);
  // Two formats may both be sure (cues whose text lines have the shape of
  // another format's entries): the one that explains more of the text wins.
  const Format* sure = nullptr;
  double sureScore = -1;
  const Format* best = nullptr;
  double bestScore = 0;
  for (size_t k = 0; k < fits.size(); ++k) {
    const Format* f = Formats()[k];
    const Fit& fit = fits[k];
    if (fit.decisive) {
      if (fit.score > sureScore || (fit.score == sureScore && f == named)) {
        sure = f;
        sureScore = fit.score;
      }
    } else if (fit.score > bestScore || (fit.score > 0 && fit.score == bestScore && f == named)) {
      best = f;
      bestScore = fit.score;
    }
  }
  const Recogniser* other = nullptr;
  for (size_t k = 0; k < recognised.size(); ++k) {
    const Fit& fit = recognised[k];
    const Recogniser& r = Recognisers()[k];
    // A format that is sure yields only to a header that explains more.
    if (sure) {
      if (fit.decisive && fit.score > sureScore) return {nullptr, r.name};
      continue;
    }
    if (fit.decisive) return {nullptr, r.name};
    if (fit.score > bestScore) {
      other = &r;
      bestScore = fit.score;
    }
  }
  if (sure) return {sure, {}};
  if (other) return {nullptr, other->name};
  return {best, {}};
}

std::vector<Fit> RecognisedFits(const std::vector<std::string_view>& lines) {
  std::vector<Fit> fits;
  for (const Recogniser& r : Recognisers()) fits.push_back(r.probe(lines));
  return fits;
}
}  // namespace

Detection DetectFormat(const std::vector<std::string_view>& lines, const std::string& path) {
  std::vector<Fit> fits;
  for (const Format* f : Formats()) fits.push_back(f->Probe(lines));
  return Decide(fits, RecognisedFits(lines), path);
}

HeadDetection DetectFormatFromHead(const std::vector<std::string_view>& head, const std::string& path) {
  HeadDetection h;
  for (const Format* f : Formats()) {
    if (f->ProbesEveryLine()) h.open.push_back(h.fits.size());
    h.fits.push_back(f->ProbesEveryLine() ? f->ProbeHead(head) : f->Probe(head));
  }
  h.recognised = RecognisedFits(head);
  // Each open fit holding or not: the head decides when every way gives
  // the same.
  for (size_t ways = 0; ways < (size_t{1} << h.open.size()); ++ways) {
    std::vector<Fit> these = h.fits;
    for (size_t k = 0; k < h.open.size(); ++k)
      if ((ways >> k & 1) == 0) these[h.open[k]] = Fit();
    const Detection d = Decide(these, h.recognised, path);
    if (ways > 0 && (d.format != h.decided->format || d.looksLike != h.decided->looksLike)) {
      h.decided.reset();
      break;
    }
    h.decided = d;
  }
  return h;
}

Detection DetectFormat(const HeadDetection& head, const std::vector<std::string_view>& lines,
                       const std::string& path) {
  if (head.decided) return *head.decided;
  // The other probes read no further than the head.
  std::vector<Fit> fits = head.fits;
  for (const size_t k : head.open) fits[k] = Formats()[k]->Probe(lines);
  return Decide(fits, head.recognised, path);
}

const Format* BinaryFormatOf(std::string_view content) {
  // Few formats are binary: the text formats' files pay one flag each.
  for (const Format* f : Formats())
    if (f->Binary() && f->ProbeBytes(content).decisive) return f;
  return nullptr;
}

std::string FilePatterns() {
  std::string out;
  std::vector<std::string_view> seen;
  for (const Format* f : Formats())
    for (const std::string_view e : f->Extensions()) {
      if (std::find(seen.begin(), seen.end(), e) != seen.end()) continue;
      seen.push_back(e);
      out += (out.empty() ? "*." : " *.") + std::string(e);
    }
  return out;
}

std::string FormatIds(std::string_view separator) {
  std::string out;
  for (const Format* f : Formats()) out += (out.empty() ? "" : std::string(separator)) + std::string(f->Id());
  return out;
}

std::string NoneOfTheFormats() {
  const auto& formats = Formats();
  auto name = [&](size_t i) { return "a " + std::string(formats[i]->Name()); };
  if (formats.size() == 1) return "not " + name(0) + " subtitle file";
  // A list of every format would drown the reason.
  if (formats.size() > 3) return "no subtitle file of a format this program reads";
  std::string out = "neither " + name(0);
  for (size_t i = 1; i + 1 < formats.size(); ++i) out += ", " + name(i);
  return out + " nor " + name(formats.size() - 1) + " subtitle file";
}

std::vector<std::string> MimeTypes() {
  std::vector<std::string> out;
  for (const Format* f : Formats())
    for (const std::string_view type : f->MimeTypes())
      if (std::find(out.begin(), out.end(), type) == out.end()) out.emplace_back(type);
  return out;
}

}  // namespace lm
