#pragma once
// The entry list: the document itself, one entry line per item, with the
// selection rules of a list box (an insertion at or before the selected item
// keeps the selection on that item; removing the selected item leaves none).
// Only the Document changes it, inside a command, so that every change is
// recorded for undo.
#include <cstdint>
#include <string>
#include <vector>

#include "model/entry.h"
#include "model/style.h"

namespace lm {

class EntryList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }

  // Reading a position outside the list yields the empty line; the walks of
  // the fixing rules rely on that to find the end.
  const std::string& Item(int index) const { return Valid(index) ? items_[static_cast<size_t>(index)] : Empty(); }

  // Every item carries an identity that survives edits, moves and undo, so
  // that the grid can follow "the entry it shows".
  std::uint64_t Id(int index) const { return Valid(index) ? ids_[static_cast<size_t>(index)] : 0; }
  int IndexOfId(std::uint64_t id, int hint = -1) const;

  // What the rules look at in the entry, worked out once and kept until the
  // entry changes, so that the walks over the whole list count nothing twice.
  const EntryShape& Shape(int index) const {
    EntryShape& s = shapes_[static_cast<size_t>(index)];
    if (!s.known) s = ShapeOf(items_[static_cast<size_t>(index)], *dialect_);
    return s;
  }

  // Writes to the list are counted: WrittenAt(i) is the count the entry's
  // line was last set, inserted or written back unchanged at, so that a walk
  // can pass over the entries nothing wrote since an earlier walk saw them
  // (WrittenAt(i) <= EditCount() taken before that walk).
  std::uint64_t EditCount() const { return edits_; }
  std::uint64_t WrittenAt(int index) const { return Valid(index) ? written_[static_cast<size_t>(index)] : edits_ + 1; }

  const std::vector<std::string>& Items() const { return items_; }
  const std::vector<std::uint64_t>& Ids() const { return ids_; }

  int ListIndex() const { return selected_; }
  // The style tags the entries' text carries.
  const StyleDialect& TextMarkup() const { return *dialect_; }

 private:
  friend class Document;
  static const std::string& Empty();
  void Set(int index, std::string line, std::uint64_t id);
  void Insert(int index, std::string line, std::uint64_t id);
  template <class Lines, class Ids>
  void InsertRange(int index, const Lines& lines, const Ids& ids, size_t from) {
    items_.insert(items_.begin() + index, lines.begin() + static_cast<long>(from), lines.end());
    ids_.insert(ids_.begin() + index, ids.begin() + static_cast<long>(from), ids.end());
    shapes_.insert(shapes_.begin() + index, lines.size() - from, EntryShape());
    written_.insert(written_.begin() + index, lines.size() - from, ++edits_);
    if (selected_ >= index) selected_ += static_cast<int>(lines.size() - from);
  }
  void Remove(int index, int count);
  void MarkWritten(int index) { written_[static_cast<size_t>(index)] = ++edits_; }
  // `shapes` may keep what is known of kept entries; empty: nothing is.
  void Replace(std::vector<std::string> lines, std::vector<std::uint64_t> ids, int selection,
               std::vector<EntryShape> shapes = {});
  // -1 (or any position outside the list) clears the selection.
  void Select(int index) { selected_ = Valid(index) ? index : -1; }

  std::vector<std::string> items_;
  std::vector<std::uint64_t> ids_;
  mutable std::vector<EntryShape> shapes_;
  std::vector<std::uint64_t> written_;
  std::uint64_t edits_ = 0;
  int selected_ = -1;
  const StyleDialect* dialect_ = &PlainText();
};

}  // namespace lm
