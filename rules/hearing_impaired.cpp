// "Remove hearing impaired text": deletes entries that are one bracketed
// remark, then cuts the italic tag and the last bracketed span of each text.
#include <vector>

#include "model/navigation.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

namespace {

constexpr const char* kFault = "Some shit";

// The text's first and last visible characters are "[" and "]"; style
// markup around a remark does not make it more than a remark.
bool IsRemarkOnly(std::string_view text, const StyleDialect& markup) {
  if (!MayHoldMarkup(text, markup)) return !text.empty() && text.front() == '[' && text.back() == ']';
  const Visible visible(text, 0, markup);
  const int n = visible.size();
  return n > 0 && text[visible.Byte(0)] == '[' && text[visible.Byte(n - 1)] == ']';
}

// First walk, over the whole document: deletes the entries whose text is one
// remark, all at once. False on an entry the 16-bit counts cannot cover; what
// was deleted before it stays deleted and CurrentIndex names it.
bool DeleteRemarkEntries(Document& doc) {
  const EntryList& list = doc.List1;
  std::vector<Document::Rewrite> deletions;
  int i = 0;
  bool fault = false;
  for (; i < list.Count(); ++i) {
    const std::string& line = list.Item(i);
    const EntryShape& s = list.Shape(i);
    if (!s.decomposable) {
      fault = true;
      break;
    }
    if (s.full && IsRemarkOnly(std::string_view(line).substr(s.textAt), doc.TextMarkup())) {
      CountFix(doc);
      deletions.push_back({i, {}});
    }
  }
  const int stoppedAt = i - static_cast<int>(deletions.size());
  doc.RewriteEntries(std::move(deletions));
  if (fault) doc.CurrentIndex = stoppedAt;
  return !fault;
}

// The italic tags go, as the dialect cuts them; each counts.
void CutItalicTags(Document& doc, std::string& text) {
  for (int cuts = doc.TextMarkup().CutItalicTags(text); cuts > 0; --cuts) CountFix(doc);
}

// Cuts the span from the last "[" to the last "]" when that "]" comes after it.
void CutLastRemark(Document& doc, std::string& text) {
  const size_t open = text.rfind('[');
  const size_t close = text.rfind(']');
  if (open == std::string::npos || close == std::string::npos || close < open) return;
  text.erase(open, close - open + 1);
  CountFix(doc);
}

// Second walk over the positions up to the entry count; false on an entry
// the 16-bit counts cannot cover.
bool CutTagsAndRemarks(Document& doc) {
  const int count = doc.List1.Count();
  for (int p = 0; p < count; ++p) {
    const std::string& line = doc.List1.Item(p);
    if (!CanDecompose(line)) {
      doc.CurrentIndex = p;
      return false;
    }
    EntryFields f;
    if (!SplitFullEntry(line, f)) continue;
    const bool tag = doc.TextMarkup().HasItalicTags(f.text);
    const bool remark = f.text.find('[') != std::string_view::npos && f.text.find(']') != std::string_view::npos;
    if (!tag && !remark) continue;
    doc.CurrentIndex = p;
    doc.DecomposeEntry();
    const std::string before = doc.EntryText;
    CutItalicTags(doc, doc.EntryText);
    CutLastRemark(doc, doc.EntryText);
    if (doc.EntryText != before) {
      doc.EntryLine = doc.RebuildLine();
      doc.SetItem(p, doc.EntryLine);
    }
  }
  doc.CurrentIndex = count;
  return true;
}

}  // namespace

void RemoveHearingImpaired(Document& doc) {
  doc.FixCount = 0;
  if (!DeleteRemarkEntries(doc) || !CutTagsAndRemarks(doc)) {
    doc.Message(kFault);
    return;
  }
  doc.SetListIndex(0);
  if (doc.FixCount == 0) {
    doc.Message("No new changes");
  } else {
    doc.Message("I fixed " + std::to_string(doc.FixCount) + " lines for You");
  }
  doc.CurrentIndex = 0;
  // With every entry deleted there is nothing left to show or edit.
  ShowEntry(doc, 0);
}

void Rmhi_Click(Document& doc) {
  if (doc.NoDocument()) return;
  RemoveHearingImpaired(doc);
}

}  // namespace lm
