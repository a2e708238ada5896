#include "document.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lm {

Document::Document() {
  List1.onModified = [this] { Changed = 1; };
}

void Document::SetText1(std::string value) {
  if (value == text1_) return;
  text1_ = std::move(value);
  if (observer_) observer_->TextlineChanged();
}

void Document::NotifyGridChanged() {
  if (observer_) observer_->GridChanged();
}

void Document::Message(const std::string& text) const {
  if (ShowMessage) ShowMessage(text);
}

std::string Document::FramePair() const { return "{" + StartFrame + "}{" + StopFrame + "}"; }

std::string Document::RebuildLine() const { return FramePair() + EntryText; }

bool CanDecompose(const std::string& line) {
  // A "}" first would give the start field a negative length.
  return line.size() <= static_cast<size_t>(kMaxLineLength) && (line.empty() || line[0] != '}');
}

bool SplitEntryLine(const std::string& line, EntryFields& f) {
  if (!CanDecompose(line)) return false;
  std::string rest = line;
  size_t p = line.find('}');
  if (p != std::string::npos) {
    f.hasStart = true;
    f.start = line.substr(1, p - 1);
    rest = p + 2 <= line.size() ? line.substr(p + 2) : std::string();
  }
  size_t q = rest.find('}');
  if (q != std::string::npos) {
    f.hasStop = true;
    f.stop = rest.substr(0, q);
    f.text = rest.substr(q + 1);
  }
  return true;
}

bool Document::DecomposeEntry() {
  const std::string& line = List1.Item(CurrentIndex);
  EntryFields f;
  if (!SplitEntryLine(line, f)) return false;
  if (f.hasStart) StartFrame = f.start;
  if (f.hasStop) {
    StopFrame = f.stop;
    EntryText = f.text;
  }
  if (List1.Valid(CurrentIndex)) DecomposedId = List1.Id(CurrentIndex);
  EntryLine = RebuildLine();
  SetText1(FramePair());
  return true;
}

void Document::Reset() {
  List1.Clear();
  CurrentIndex = 0;
  EntryLine.clear();
  StartFrame.clear();
  StopFrame.clear();
  EntryText.clear();
  FilePath.clear();
  FileName.clear();
  Changed = 0;
  DecomposedId = 0;
  SetText1("");
  ClearGrid(*this);
}

void ClearGrid(Document& doc) {
  for (auto& cell : doc.Text2) cell.clear();
  doc.Label1.clear();
  doc.Label2.clear();
  doc.GridEntryId = 0;
  doc.NotifyGridChanged();
}

bool ParseFrameNumber(const std::string& field, double& value) {
  size_t b = field.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  size_t e = field.find_last_not_of(" \t");
  std::string core = field.substr(b, e - b + 1);
  // Only plain decimal numbers: digits with an optional sign and fraction.
  size_t i = 0;
  if (core[i] == '+' || core[i] == '-') ++i;
  bool digits = false, dot = false;
  for (; i < core.size(); ++i) {
    if (core[i] >= '0' && core[i] <= '9') {
      digits = true;
    } else if (core[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  value = std::strtod(core.c_str(), nullptr);
  return std::isfinite(value);
}

std::string FormatFrameNumber(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  if (std::floor(value) == value && std::fabs(value) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", value);
  } else {
    std::snprintf(buf, sizeof buf, "%.15g", value);
  }
  return buf;
}

}  // namespace lm
