// "Remove hearing impaired text": deletes entries that are one bracketed
// remark, then cuts the italic tag and the last bracketed span of each text.
#include <vector>

#include "editor/char_grid.h"
#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

namespace {

constexpr const char* kFault = "Some shit";
constexpr const char* kItalicTag = "{y:i}";
constexpr size_t kTagLength = 5;

bool IsRemarkOnly(const std::string& text) {
  return !text.empty() && text.front() == '[' && text.back() == ']';
}

// First walk: deletes the entries whose text is one remark, examining at
// most kRemarkExamLimit entries. Built aside and committed at once, since
// removing items one by one would make it quadratic. False on an entry the
// 16-bit counts cannot cover; what was deleted before it stays deleted and
// CurrentIndex names it.
bool DeleteRemarkEntries(Document& doc) {
  const EntryList& list = doc.List1;
  const int count = list.Count();
  const int selected = list.ListIndex();
  std::vector<std::string> lines;
  std::vector<std::uint64_t> ids;
  lines.reserve(static_cast<size_t>(count));
  ids.reserve(static_cast<size_t>(count));
  int newSelection = -1;
  bool fault = false;
  bool deleted = false;

  int exams = 0;
  int i = 0;
  EntryFields fields;
  for (; i < count && exams < kRemarkExamLimit; ++i) {
    const std::string& line = list.Item(i);
    if (line.empty()) break;
    ++exams;
    if (!CanDecompose(line)) {
      fault = true;
      break;
    }
    fields = EntryFields();
    if (SuppliesAllFields(line) && SplitEntryLine(line, fields) && IsRemarkOnly(fields.text)) {
      CountFix(doc);
      deleted = true;
      continue;
    }
    if (i == selected) newSelection = static_cast<int>(lines.size());
    lines.push_back(line);
    ids.push_back(list.Id(i));
  }
  const int stoppedAt = static_cast<int>(lines.size());
  if (deleted) {
    for (; i < count; ++i) {
      if (i == selected) newSelection = static_cast<int>(lines.size());
      lines.push_back(list.Item(i));
      ids.push_back(list.Id(i));
    }
    doc.List1.AssignWithIds(std::move(lines), std::move(ids), newSelection);
  }
  if (fault) doc.CurrentIndex = stoppedAt;
  return !fault;
}

// Cuts every "{y:i}" met while testing the first L - 5 positions of the text
// (L its length before the walk; the bound is not recomputed). After a cut the
// test goes on one position further in the shortened text, so a tag at the
// very end, or one that moves onto the position just tested, stays. Built in
// one pass: erasing in place would be quadratic in the number of tags.
void CutItalicTags(Document& doc, std::string& text) {
  const size_t n = text.size();
  const size_t bound = n > kTagLength ? n - kTagLength : 0;
  if (text.find(kItalicTag) == std::string::npos) return;
  std::string out;
  out.reserve(n);
  size_t read = 0;
  for (size_t tested = 0; tested < bound && read < n; ++tested) {
    if (text.compare(read, kTagLength, kItalicTag) == 0) {
      read += kTagLength;
      CountFix(doc);
      if (read >= n) break;
    }
    out += text[read++];
  }
  out.append(text, read, std::string::npos);
  text = std::move(out);
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
  for (int p = 0; p <= count; ++p) {
    doc.CurrentIndex = p;
    const std::string& line = doc.List1.Item(p);
    if (line.empty()) return true;
    if (!CanDecompose(line)) return false;
    if (!SuppliesAllFields(line)) continue;
    doc.DecomposeEntry();
    const std::string before = doc.EntryText;
    CutItalicTags(doc, doc.EntryText);
    CutLastRemark(doc, doc.EntryText);
    if (doc.EntryText != before) {
      doc.EntryLine = doc.RebuildLine();
      doc.List1.SetItem(p, doc.EntryLine);
    }
  }
  return true;
}

}  // namespace

void RemoveHearingImpaired(Document& doc) {
  doc.FixCount = 0;
  if (!DeleteRemarkEntries(doc) || !CutTagsAndRemarks(doc)) {
    doc.Message(kFault);
    return;
  }
  doc.List1.SetListIndex(0);
  if (doc.FixCount == 0) {
    doc.Message("No new changes");
  } else {
    doc.Message("I fixed " + std::to_string(doc.FixCount) + " lines for You");
  }
  doc.CurrentIndex = 0;
  if (doc.List1.Count() == 0) {
    // Every entry was a remark: nothing is left to show or edit.
    doc.StartFrame.clear();
    doc.StopFrame.clear();
    doc.EntryText.clear();
    doc.DecomposeEntry();
    ClearGrid(doc);
    return;
  }
  if (doc.DecomposeEntry()) {
    ShowEntryInGrid(doc);
  } else {
    ClearGrid(doc);
  }
}

void Rmhi_Click(Document& doc) {
  if (doc.NoDocument()) return;
  RemoveHearingImpaired(doc);
}

}  // namespace lm
